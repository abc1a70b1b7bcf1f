// Whole generated songs rendered block by block as the player renders them:
// an envelope with key-off and fadeout must end in digital silence, and a
// vibrato must move the pitch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "render/block_renderer.h"
#include "render/player_state.h"
#include "replay/replay_state.h"
#include "song/song_model.h"
#include "support/xm_writer.h"

namespace {

const uint8_t C4 = 49;
const uint8_t KEY_OFF = 97;
const int FRAMES_PER_SECOND = 44100;

alignas(16) float mixArea[RING_FRAMES * 2];
int16_t outputRing[RING_FRAMES * 2];

// One channel playing a looping square wave.
XmModule square_wave_song() {
    std::vector<int32_t> wave(64);
    for (int i = 0; i < 64; ++i) wave[i] = i < 32 ? 20000 : -20000;
    XmSample sample = xm_sample_16bit(wave);
    sample.loopType = XM_LOOP_FORWARD;
    sample.loopLength = 64;
    XmModule m;
    m.channels = 2;
    m.orders = {0};
    m.patterns.push_back(xm_pattern(64));
    m.instruments.push_back(xm_instrument(sample));
    return m;
}

// Renders whole blocks covering at least the given frames; interleaved stereo.
std::vector<int16_t> render(Song* song, int frames) {
    player.outputRing = outputRing;
    player.mixArea = mixArea;
    player.fillIndex = 0;
    start_song(song);
    std::vector<int16_t> out;
    while (int(out.size()) < frames * 2) {
        int32_t block = player.fillIndex;
        fill_block();
        const int16_t* data = outputRing + block * BLOCK_FRAMES * 2;
        out.insert(out.end(), data, data + BLOCK_FRAMES * 2);
    }
    return out;
}

int peak(const std::vector<int16_t>& out, int fromFrame, int toFrame) {
    int level = 0;
    for (int i = fromFrame * 2; i < toFrame * 2; ++i) level = std::max(level, std::abs(int(out[i])));
    return level;
}

TEST(SongRender, LongEnvelopeWithKeyOffFadesToDigitalSilence) {
    XmModule m = square_wave_song();
    XmEnvelope& envelope = m.instruments[0].volumeEnvelope;
    envelope.points = {{0, 64}, {40, 48}, {300, 40}, {2000, 20}, {4000, 0}};
    envelope.sustainPoint = 2;
    envelope.flags = ENVELOPE_ON | ENVELOPE_SUSTAIN;
    m.instruments[0].fadeout = 200;  // 400 per tick: about 3.3 s to silence
    m.patterns[0].cells.push_back({0, 0, {C4, 1, 0, 0, 0}});
    m.patterns[0].cells.push_back({16, 0, {KEY_OFF, 0, 0, 0, 0}});  // about 1.9 s
    Song* song = load_xm(m);
    ASSERT_NE(song, nullptr);
    std::vector<int16_t> out = render(song, 7 * FRAMES_PER_SECOND);
    release_song(song);

    const int second = FRAMES_PER_SECOND;
    EXPECT_GT(peak(out, 0, second), 1000);
    EXPECT_GT(peak(out, 2 * second, 3 * second), peak(out, 4 * second, 5 * second));
    EXPECT_GT(peak(out, 4 * second, 5 * second), 0);
    EXPECT_EQ(peak(out, 6 * second, 7 * second), 0);
}

std::vector<uint64_t> steps;

void record_step(const Song*, int32_t) {
    const Voice& voice = *replay.channels[0].voice;
    steps.push_back(uint64_t(voice.stepInt) << 32 | voice.stepFrac);
}

TEST(SongRender, VibratoMovesThePitchAroundTheNote) {
    XmModule m = square_wave_song();
    m.patterns[0].cells.push_back({0, 0, {C4, 1, 0, 0x4, 0x48}});
    for (int row = 1; row < 16; ++row) m.patterns[0].cells.push_back({row, 0, {0, 0, 0, 0x4, 0x00}});
    Song* song = load_xm(m);
    ASSERT_NE(song, nullptr);
    steps.clear();
    set_tick_observer(record_step);
    render(song, FRAMES_PER_SECOND);
    set_tick_observer(nullptr);
    EXPECT_EQ(replay.channels[0].period, 4608);  // the note itself never moves
    release_song(song);

    const uint64_t noteStep = 814485521;  // 8363 Hz
    uint64_t lowest = noteStep, highest = noteStep;
    for (uint64_t step : steps) {
        lowest = std::min(lowest, step);
        highest = std::max(highest, step);
    }
    ASSERT_GT(steps.size(), 40u);
    EXPECT_LT(lowest, noteStep - noteStep / 100);  // more than a sixth of a semitone
    EXPECT_GT(highest, noteStep + noteStep / 100);
}

}  // namespace
