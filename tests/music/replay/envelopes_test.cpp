// Envelopes, fadeout, envelope position and auto-vibrato, played through
// play_tick.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "replay/replay_state.h"
#include "replay/envelopes.h"
#include "replay/sequencer.h"
#include "replay/waveforms.h"
#include "replay_song.h"
#include "tick_trace.h"

namespace {

typedef std::vector<int32_t> Values;

const uint8_t C4 = 49;
const uint8_t KEY_OFF = 0xFF;

int32_t volume_output(const ChannelState& c) { return c.volEnvOutput; }
int32_t fadeout_of(const ChannelState& c) { return c.fadeoutVolume; }
int32_t pitch_offset(const ChannelState& c) { return c.pitchOffset; }
int32_t voice_volume(const ChannelState& c) { return c.voice->volume; }

struct Point {
    uint16_t x;
    uint16_t y;
};

void set_volume_envelope(Instrument* instrument, std::vector<Point> points, uint8_t flags) {
    instrument->volumePointCount = static_cast<uint8_t>(points.size());
    for (size_t i = 0; i < points.size(); ++i) instrument->volumeEnvelope[i] = {points[i].x, points[i].y};
    instrument->volumeEnvelopeFlags = flags;
}

class Envelopes : public ::testing::Test {
protected:
    ReplaySong t;

    void SetUp() override { make_tick_song(&t, 31, true); }
    Instrument& instrument() { return t.instruments[0]; }
    void put(int row, int channel, Cell cell) { cell_at(&t, 0, row, channel) = cell; }
    Values trace(int ticks, ChannelField field) { return trace_ticks(&t.song, ticks, 0, field); }
    void play(int ticks) {
        for (int i = 0; i < ticks; ++i) play_tick(&t.song);
    }
    ChannelState& channel() { return replay.channels[0]; }
};

TEST_F(Envelopes, PlainEnvelopeInterpolatesAndEndsOnItsLastPoint) {
    set_volume_envelope(&instrument(), {{0, 64}, {10, 0}}, ENVELOPE_ON);
    put(0, 0, {C4, 1, 0, 0, 0});
    start_replay(&t);
    EXPECT_EQ(trace(13, volume_output), (Values{64, 57, 51, 44, 38, 32, 25, 19, 12, 6, 0, 0, 0}));
    EXPECT_EQ(channel().volEnvDone, 1);
}

TEST_F(Envelopes, LoopJumpsBackWithoutPlayingTheLoopEnd) {
    set_volume_envelope(&instrument(), {{0, 64}, {4, 0}}, ENVELOPE_ON | ENVELOPE_LOOP);
    instrument().volumeLoopStart = 0;
    instrument().volumeLoopEnd = 1;
    put(0, 0, {C4, 1, 0, 0, 0});
    start_replay(&t);
    EXPECT_EQ(trace(10, volume_output), (Values{64, 48, 32, 16, 64, 48, 32, 16, 64, 48}));
}

TEST_F(Envelopes, SustainHoldsUntilKeyOffThenFadeoutStarts) {
    make_tick_song(&t, 8, true);
    set_volume_envelope(&instrument(), {{0, 64}, {5, 32}, {10, 0}}, ENVELOPE_ON | ENVELOPE_SUSTAIN);
    instrument().volumeSustainPoint = 1;
    instrument().fadeout = 1024;
    put(0, 0, {C4, 1, 0, 0, 0});
    put(1, 0, {KEY_OFF, 0, 0, 0, 0});
    start_replay(&t);
    EXPECT_EQ(trace(14, volume_output), (Values{64, 57, 51, 44, 38, 32, 32, 32, 32, 25, 19, 12, 6, 0}));
    EXPECT_EQ(channel().fadeoutVolume, 65536 - 6 * 1024);
}

// A single point with its sustain and loop on itself: its value from the
// tick it is reached, and after key-off the note fades instead of stopping.
TEST_F(Envelopes, OnePointHoldsItsValueAndKeyOffFades) {
    make_tick_song(&t, 3, true);
    set_volume_envelope(&instrument(), {{2, 32}}, ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP);
    instrument().fadeout = 8192;
    put(0, 0, {C4, 1, 0, 0, 0});
    put(1, 0, {KEY_OFF, 0, 0, 0, 0});
    start_replay(&t);
    EXPECT_EQ(trace(6, volume_output), (Values{32, 32, 32, 32, 32, 32}));
    EXPECT_EQ(channel().fadeoutVolume, 65536 - 3 * 8192);
    EXPECT_EQ(channel().voice->volume, 40);
}

TEST_F(Envelopes, KeyOffWithoutVolumeEnvelopeSilencesAtOnce) {
    make_tick_song(&t, 3, true);
    put(0, 0, {C4, 1, 0, 0, 0});
    put(1, 0, {KEY_OFF, 0, 0, 0, 0});
    start_replay(&t);
    EXPECT_EQ(trace(6, voice_volume), (Values{128, 128, 128, 0, 0, 0}));
}

TEST_F(Envelopes, FadeoutZeroKeepsFullLevelAndFadeoutStopsAtZero) {
    make_tick_song(&t, 2, true);
    set_volume_envelope(&instrument(), {{0, 64}, {1, 64}}, ENVELOPE_ON | ENVELOPE_SUSTAIN);
    Sample* second = sample_of(&t, 2);
    t.instruments[1] = t.instruments[0];
    t.instruments[1].samples[0] = second;
    t.instruments[1].fadeout = 30000;
    put(0, 0, {C4, 1, 0, 0, 0});
    put(0, 1, {C4, 2, 0, 0, 0});
    put(1, 0, {KEY_OFF, 0, 0, 0, 0});
    put(1, 1, {KEY_OFF, 0, 0, 0, 0});
    start_replay(&t);
    EXPECT_EQ(trace(6, fadeout_of), (Values{65536, 65536, 65536, 65536, 65536, 65536}));
    EXPECT_EQ(channel().voice->volume, 128);
    start_replay(&t);
    EXPECT_EQ(trace_ticks(&t.song, 6, 1, fadeout_of), (Values{65536, 65536, 35536, 5536, 0, 0}));
}

TEST_F(Envelopes, SetEnvelopePositionInsideAndPastTheEnvelope) {
    make_tick_song(&t, 2, true);
    set_volume_envelope(&instrument(), {{0, 64}, {10, 0}}, ENVELOPE_ON);
    put(0, 0, {C4, 1, 0, 0, 0});
    put(1, 0, {0, 0, 0, 0x15, 0x05});
    put(2, 0, {0, 0, 0, 0x15, 0x20});
    start_replay(&t);
    play(3);
    EXPECT_EQ(channel().volEnvTick, 5);
    EXPECT_EQ(channel().volEnvOutput, 32);
    play(1);
    EXPECT_EQ(channel().volEnvOutput, 25);
    play(1);
    EXPECT_EQ(channel().volEnvOutput, 0);
    EXPECT_EQ(channel().volEnvDone, 1);
}

TEST_F(Envelopes, FirstPointAfterTickZeroHoldsItsValueUntilReached) {
    set_volume_envelope(&instrument(), {{3, 40}, {7, 0}}, ENVELOPE_ON);
    put(0, 0, {C4, 1, 0, 0, 0});
    start_replay(&t);
    channel().volEnvValue = 50 << 16;  // left over from an earlier note
    EXPECT_EQ(trace(9, volume_output), (Values{40, 40, 40, 40, 30, 20, 10, 0, 0}));
}

TEST_F(Envelopes, SetPositionBeforeALateFirstPointWaitsForIt) {
    make_tick_song(&t, 2, true);
    set_volume_envelope(&instrument(), {{3, 40}, {7, 0}}, ENVELOPE_ON);
    put(0, 0, {C4, 1, 0, 0, 0});
    put(1, 0, {0, 0, 0, 0x15, 0x01});
    start_replay(&t);
    play(3);
    EXPECT_EQ(channel().volEnvOutput, 40);
    EXPECT_EQ(trace(5, volume_output), (Values{40, 40, 40, 30, 20}));
}

TEST_F(Envelopes, PointsOutOfTickOrderPassOneTickEach) {
    set_volume_envelope(&instrument(), {{0, 0}, {10, 64}, {5, 32}, {20, 0}}, ENVELOPE_ON);
    put(0, 0, {C4, 1, 0, 0, 0});
    start_replay(&t);
    Values outputs = trace(22, volume_output);
    EXPECT_EQ(outputs[10], 64);
    EXPECT_EQ(outputs[11], 32);
    EXPECT_EQ(outputs[20], 0);
    EXPECT_EQ(channel().volEnvDone, 1);
}

// Points a loader would never produce: out of order, beyond 64, huge spans,
// loops backwards in time. Whatever they hold, the output stays 0..64.
TEST_F(Envelopes, MalformedEnvelopesStayBounded) {
    const std::vector<std::vector<Point>> shapes = {
        {{65535, 64}, {0, 0}, {30000, 64}, {1, 0}},
        {{0, 65535}, {2, 0}, {1, 65535}, {65535, 40000}},
        {{9, 64}, {65535, 0}, {3, 64}, {4, 64}, {2, 0}},
    };
    for (const std::vector<Point>& shape : shapes) {
        make_tick_song(&t, 31, true);
        set_volume_envelope(&instrument(), shape, ENVELOPE_ON | ENVELOPE_LOOP | ENVELOPE_SUSTAIN);
        instrument().volumeLoopStart = 2;
        instrument().volumeLoopEnd = 1;
        instrument().volumeSustainPoint = 3;
        t.instruments[0].panningEnvelopeFlags = ENVELOPE_ON;
        t.instruments[0].panningPointCount = t.instruments[0].volumePointCount;
        for (int i = 0; i < 12; ++i) t.instruments[0].panningEnvelope[i] = t.instruments[0].volumeEnvelope[i];
        put(0, 0, {C4, 1, 0, 0x15, 0x80});
        put(5, 0, {KEY_OFF, 0, 0, 0x15, 0x01});
        put(9, 0, {0, 0, 0, 0x15, 0xFF});
        start_replay(&t);
        for (int tick = 0; tick < 4000; ++tick) {
            play_tick(&t.song);
            ASSERT_GE(channel().volEnvOutput, 0) << "tick " << tick;
            ASSERT_LE(channel().volEnvOutput, 64) << "tick " << tick;
            ASSERT_GE(channel().panEnvOutput, 0) << "tick " << tick;
            ASSERT_LE(channel().panEnvOutput, 64) << "tick " << tick;
            ASSERT_LE(channel().voice->volume, 128) << "tick " << tick;
        }
    }
}

TEST_F(Envelopes, SquareAutoVibratoWithoutAndWithSweep) {
    instrument().vibratoType = 1;
    instrument().vibratoDepth = 8;
    instrument().vibratoRate = 64;
    put(0, 0, {C4, 1, 0, 0, 0});
    start_replay(&t);
    EXPECT_EQ(trace(8, pitch_offset), (Values{8, 8, -8, -8, 8, 8, -8, -8}));
    instrument().vibratoSweep = 4;
    start_replay(&t);
    EXPECT_EQ(trace(8, pitch_offset), (Values{0, 2, -4, -6, 8, 8, -8, -8}));
    EXPECT_EQ(channel().autoVibSweepCount, 4);
}

TEST_F(Envelopes, SineAutoVibratoOfDepthOneRoundsDown) {
    Instrument shallow = {};
    shallow.vibratoDepth = 1;
    for (int32_t pos = 0; pos < 256; ++pos) {
        ChannelState c = {};
        c.autoVibPos = pos;
        auto_vibrato(&c, &shallow);
        if (pos > 128) {
            EXPECT_EQ(c.pitchOffset, -1) << "position " << pos;
        } else if (pos < 50 || pos > 78) {
            EXPECT_EQ(c.pitchOffset, 0) << "position " << pos;
        } else if (pos == 64) {
            EXPECT_EQ(c.pitchOffset, 1) << "position " << pos;  // the crest rounds to 64
        }
    }
}

TEST_F(Envelopes, AutoVibratoTypesAbove3PlayAsSine) {
    for (int32_t pos = 0; pos < 256; pos += 7) {
        EXPECT_EQ(auto_vibrato_wave(4, pos), auto_vibrato_wave(0, pos));
        EXPECT_EQ(auto_vibrato_wave(255, pos), auto_vibrato_wave(0, pos));
    }
    EXPECT_EQ(auto_vibrato_wave(2, 127), -64);
    EXPECT_EQ(auto_vibrato_wave(2, 128), 64);
    EXPECT_EQ(auto_vibrato_wave(3, 127), 63);
    EXPECT_EQ(auto_vibrato_wave(3, 129), -64);
    EXPECT_EQ(auto_vibrato_wave(3, 255), -1);
}

// The sine waves are computed by the platform's sine: every value must lie
// clear of a rounding tie, or two builds could round one value differently.
TEST_F(Envelopes, SineWaveValuesLieClearOfRoundingTies) {
    for (int32_t p = -32; p < 32; ++p) {
        float angle = static_cast<float>(p) * 2.0f * 0.049087375f;
        long double exact = std::fabs(std::sin(static_cast<long double>(angle))) * 256.0L;
        EXPECT_GT(std::fabs(exact - std::floor(exact) - 0.5L), 1e-6L) << p;
        EXPECT_EQ(vibrato_wave(0, p), static_cast<int32_t>(std::lround(exact))) << p;
    }
    for (int32_t pos = 0; pos < 256; ++pos) {
        float angle = static_cast<float>(pos) * 0.024543688f;
        long double exact = std::sin(static_cast<long double>(angle)) * 64.0L;
        EXPECT_GT(std::fabs(exact - std::floor(exact) - 0.5L), 1e-6L) << pos;
        EXPECT_EQ(auto_vibrato_wave(0, pos), static_cast<int32_t>(std::lround(exact))) << pos;
    }
}

}  // namespace
