// Later-tick effects and the modulators, played through play_tick.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "replay/replay_state.h"
#include "replay/sequencer.h"
#include "replay/voice_update.h"
#include "replay/waveforms.h"
#include "replay_song.h"
#include "tick_trace.h"

namespace {

typedef std::vector<int32_t> Values;

const uint8_t C4 = 49;  // linear period 4608
const uint8_t C5 = 61;

int32_t pitch_offset(const ChannelState& c) { return c.pitchOffset; }
int32_t semitones(const ChannelState& c) { return c.pitchOffset / 64; }
int32_t period_of(const ChannelState& c) { return c.period; }
int32_t volume_of(const ChannelState& c) { return c.volume; }
int32_t volume_offset(const ChannelState& c) { return c.volumeOffset; }
int32_t panning_of(const ChannelState& c) { return c.panning; }
int32_t trigger_flag(const ChannelState& c) { return c.updateFlags & FLAG_TRIGGER; }
int32_t audible_flags(const ChannelState& c) { return c.updateFlags & (FLAG_VOLUME | FLAG_PANNING | FLAG_TRIGGER); }

class TickEffects : public ::testing::Test {
protected:
    ReplaySong t;

    void SetUp() override { make_tick_song(&t, 6, true); }
    void put(int row, int channel, Cell cell) { cell_at(&t, 0, row, channel) = cell; }
    Values trace(int ticks, ChannelField field, int channel = 0) { return trace_ticks(&t.song, ticks, channel, field); }
    void play(int ticks) {
        for (int i = 0; i < ticks; ++i) play_tick(&t.song);
    }
    ChannelState& channel(int c = 0) { return replay.channels[c]; }
};

TEST_F(TickEffects, ArpeggioPlaysBaseAndBothIntervalsInTurn) {
    put(0, 0, {C4, 1, 0, 0x0, 0x37});
    put(0, 1, {C4, 1, 0, 0x0, 0x00});
    start_replay(&t);
    EXPECT_EQ(trace(6, pitch_offset), (Values{0, 448, 192, 0, 448, 192}));
    start_replay(&t);
    EXPECT_EQ(trace(6, pitch_offset, 1), (Values{0, 0, 0, 0, 0, 0}));
}

// The interval follows the ticks left in the row, counted down from the
// speed and again in each repeat of a pattern delay (EEy on the other
// channel); 16 left plays the base note, 17 or more the y interval.
TEST_F(TickEffects, ArpeggioOrderFollowsTheTicksLeftInTheRow) {
    const struct {
        int32_t speed;
        uint8_t delay;
        Values semitones;
    } cases[] = {
        {3, 0, {0, 7, 4}},
        {4, 0, {0, 0, 7, 4}},
        {5, 0, {0, 4, 0, 7, 4}},
        {8, 0, {0, 4, 0, 7, 4, 0, 7, 4}},
        {4, 1, {0, 0, 7, 4, 4, 0, 7, 4}},
        {16, 1, {0, 0, 7, 4, 0, 7, 4, 0, 7, 4, 0, 7, 4, 0, 7, 4, 0, 0, 7}},
        {17, 0, {0, 0, 0, 7, 4, 0, 7, 4}},
        {20, 0, {0, 7, 7, 7, 0, 0, 7, 4}},
        {31, 0, {0, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 0, 0, 7, 4}},
    };
    for (const auto& c : cases) {
        make_tick_song(&t, c.speed, true);
        put(0, 0, {C4, 1, 0, 0x0, 0x47});
        put(0, 1, {0, 0, 0, 0xE, uint8_t(0xE0 | c.delay)});
        start_replay(&t);
        EXPECT_EQ(trace(int(c.semitones.size()), semitones), c.semitones) << c.speed << " " << int(c.delay);
    }
    // An F00 beside the EE1 leaves the delay's ticks no speed to count from.
    make_tick_song(&t, 4, true);
    put(0, 0, {C4, 1, 0, 0x0, 0x47});
    put(0, 1, {0, 0, 0, 0xE, 0xE1});
    start_replay(&t);
    play(1);
    t.song.speed = 0;
    EXPECT_EQ(trace(3, semitones), (Values{0, 0, 0}));
}

TEST_F(TickEffects, AmigaArpeggioOffsetsAreAmigaPeriodDifferences) {
    make_tick_song(&t, 6, false);
    put(0, 0, {C4, 1, 0, 0x0, 0x37});
    start_replay(&t);
    int32_t base = amiga_period(48, 0);
    int32_t third = amiga_period(51, 0) - base;
    int32_t fifth = amiga_period(55, 0) - base;
    EXPECT_LT(third, 0);  // higher notes have smaller periods
    EXPECT_EQ(trace(6, pitch_offset), (Values{0, fifth, third, 0, fifth, third}));
}

TEST_F(TickEffects, AmigaArpeggioNoteWrapsAsAByte) {
    make_tick_song(&t, 3, false);
    sample_of(&t, 1)->relativeNote = -1;  // C-0 becomes note 255
    put(0, 0, {1, 1, 0, 0x0, 0x03});
    start_replay(&t);
    play(2);
    EXPECT_EQ(channel().realNote, 255);
    EXPECT_EQ(channel().pitchOffset, amiga_period(2, 0) - amiga_period(255, 0));
}

TEST_F(TickEffects, PortamentoUpStopsAtPeriod56) {
    put(0, 0, {C4, 1, 0, 0x1, 0xFF});
    start_replay(&t);
    EXPECT_EQ(trace(6, period_of), (Values{4608, 3588, 2568, 1548, 528, 56}));
}

TEST_F(TickEffects, PortamentoDownHasNoLimitButNeverWraps) {
    put(0, 0, {C4, 1, 0, 0x2, 0xFF});
    start_replay(&t);
    EXPECT_EQ(trace(2, period_of), (Values{4608, 5628}));
    channel().period = INT32_MAX - 1500;
    EXPECT_EQ(trace(3, period_of), (Values{INT32_MAX - 480, INT32_MAX, INT32_MAX}));
}

TEST_F(TickEffects, TonePortamentoNeverPassesItsTarget) {
    put(0, 0, {C4, 1, 0, 0x3, 0x20});  // 128 period units per tick
    start_replay(&t);
    play(1);
    channel().period = 4608 + 100;
    play(1);
    EXPECT_EQ(channel().period, 4608);
    channel().period = 4608 - 300;
    EXPECT_EQ(trace(3, period_of), (Values{4608 - 172, 4608 - 44, 4608}));
}

TEST_F(TickEffects, VibratoSizeAndSignFollowThePosition) {
    make_tick_song(&t, 10, true);
    put(0, 0, {C4, 1, 0, 0x4, 0x8F});  // speed 8: a quarter wave per tick
    start_replay(&t);
    // The position moves after each later tick's vibrato, not on the first.
    EXPECT_EQ(trace(10, pitch_offset), (Values{0, 0, -84, -120, -84, 0, 84, 120, 84, 0}));
}

TEST_F(TickEffects, TwoVibratosInOneCellMoveThePositionTwice) {
    put(0, 0, {C4, 1, 0xB8, 0x4, 0x4F});
    start_replay(&t);
    play(2);
    // Volume column at position 0, then the effect at 4 with depth 8.
    EXPECT_EQ(channel().pitchOffset, -24);
    EXPECT_EQ(channel().vibPos, 8);
    play(1);
    EXPECT_EQ(channel().pitchOffset, -56);
    EXPECT_EQ(channel().vibPos, 16);
}

TEST_F(TickEffects, WaveformsOfRampAndSquare) {
    EXPECT_EQ(vibrato_wave(1, 0), 0);
    EXPECT_EQ(vibrato_wave(1, 31), 248);
    EXPECT_EQ(vibrato_wave(1, -32), 255);
    EXPECT_EQ(vibrato_wave(1, -1), 7);
    EXPECT_EQ(vibrato_wave(3, 5), 255);   // vibrato: 3 is square
    EXPECT_EQ(tremolo_wave(3, 16), 256);  // tremolo: 3 is sine
    EXPECT_EQ(vibrato_wave(0, 8), 181);
    EXPECT_EQ(vibrato_wave(0, -16), 256);
    EXPECT_EQ(vibrato_wave(5, 31), 248);  // the retrigger bit does not change the shape
}

TEST_F(TickEffects, SquareTremoloStaysInsideTheVolumeRange) {
    make_tick_song(&t, 9, true);
    put(0, 0, {C4, 1, 0x38, 0xE, 0x72});  // volume 40, square tremolo
    put(1, 0, {0, 0, 0, 0x7, 0x8F});
    start_replay(&t);
    play(9);
    EXPECT_EQ(trace(9, volume_offset), (Values{0, 24, 24, 24, 24, -40, -40, -40, -40}));
    EXPECT_EQ(channel().volume, 40);
}

TEST_F(TickEffects, TremorT21SoundsThreeTicksAndRestsTwo) {
    make_tick_song(&t, 10, true);
    put(0, 0, {C4, 1, 0, 0x1D, 0x21});
    start_replay(&t);
    EXPECT_EQ(trace(10, volume_offset), (Values{0, 0, 0, -64, -64, 0, 0, 0, -64, -64}));
}

TEST_F(TickEffects, NoteDelayStartsTheNoteOnItsTickOnly) {
    put(0, 0, {C4, 1, 0, 0, 0});
    put(1, 0, {C5, 2, 0x20, 0xE, 0xD3});
    start_replay(&t);
    play(6);
    Voice* before = channel().voice;
    int32_t voiceVolume = before->volume;
    EXPECT_EQ(trace(3, audible_flags), (Values{0, 0, 0}));
    EXPECT_EQ(channel().voice, before);
    EXPECT_EQ(before->sample, sample_of(&t, 1));
    EXPECT_EQ(before->volume, voiceVolume);
    EXPECT_EQ(channel().period, 4608);

    play(1);  // tick 3
    EXPECT_NE(channel().voice, before);
    EXPECT_EQ(channel().voice->sample, sample_of(&t, 2));
    EXPECT_EQ(channel().volume, 16);
    EXPECT_EQ(channel().period, 3840);
    EXPECT_EQ(trace(2, audible_flags), (Values{0, 0}));
}

TEST_F(TickEffects, NoteDelayZeroNeverStartsAndCutZeroNeverCuts) {
    put(0, 0, {C4, 1, 0, 0, 0});
    put(1, 0, {C5, 2, 0, 0xE, 0xD0});
    put(1, 1, {C4, 1, 0, 0xE, 0xC0});
    start_replay(&t);
    play(6);
    Voice* before = channel().voice;
    EXPECT_EQ(trace(6, trigger_flag), (Values{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(channel().voice, before);
    EXPECT_EQ(before->sample, sample_of(&t, 1));
    EXPECT_EQ(channel(1).volume, 64);
}

TEST_F(TickEffects, NoteCutSilencesOnItsTick) {
    put(0, 0, {C4, 1, 0, 0xE, 0xC2});
    start_replay(&t);
    EXPECT_EQ(trace(6, volume_of), (Values{64, 64, 0, 0, 0, 0}));
}

TEST_F(TickEffects, RetriggerE93RestartsOnTickThreeOnly) {
    put(0, 0, {C4, 1, 0, 0xE, 0x93});
    start_replay(&t);
    EXPECT_EQ(trace(6, trigger_flag), (Values{FLAG_TRIGGER, 0, 0, FLAG_TRIGGER, 0, 0}));
}

TEST_F(TickEffects, MultiRetrigR83KeepsTheVolume) {
    put(0, 0, {C4, 1, 0x38, 0x1B, 0x83});
    start_replay(&t);
    EXPECT_EQ(trace(6, trigger_flag), (Values{FLAG_TRIGGER, 0, 0, FLAG_TRIGGER, 0, 0}));
    start_replay(&t);
    EXPECT_EQ(trace(6, volume_of), (Values{40, 40, 40, 40, 40, 40}));
}

TEST_F(TickEffects, MultiRetrigVolumeTable) {
    const int32_t from40[16] = {40, 39, 38, 36, 32, 24, 26, 20, 40, 41, 42, 44, 48, 56, 60, 64};
    for (int mode = 1; mode < 16; ++mode) {
        make_tick_song(&t, 3, true);
        put(0, 0, {C4, 1, 0x38, 0x1B, static_cast<uint8_t>(mode << 4 | 1)});
        put(0, 1, {C4, 1, 0x13, 0x1B, static_cast<uint8_t>(mode << 4 | 1)});  // volume 3
        start_replay(&t);
        play(2);
        EXPECT_EQ(channel().volume, from40[mode]) << "mode " << mode;
        EXPECT_GE(channel(1).volume, 0) << "mode " << mode;
        EXPECT_LE(channel(1).volume, 64) << "mode " << mode;
    }
}

TEST_F(TickEffects, TwoGlobalVolumeSlidesInOneRowSlideTwice) {
    make_tick_song(&t, 4, true);
    put(0, 0, {0, 0, 0, 0x11, 0x10});
    put(0, 1, {0, 0, 0, 0x11, 0x10});
    start_replay(&t);
    t.song.globalVolume = 32;
    Values levels;
    for (int i = 0; i < 4; ++i) {
        play(1);
        levels.push_back(t.song.globalVolume);
    }
    EXPECT_EQ(levels, (Values{32, 34, 36, 38}));
}

// The column's slides 6y and 7y run on the later ticks only, 8y and 9y on
// the first only; under a note delay the first-tick form comes on its tick.
TEST_F(TickEffects, VolumeColumnSlidesRunOnTheirTicks) {
    const struct {
        Cell cell;
        Values volumes;
    } cases[] = {
        {{C4, 1, 0x65, 0, 0}, {64, 59, 54, 49, 44, 39}},    {{C4, 1, 0x75, 0xC, 0x20}, {32, 37, 42, 47, 52, 57}},
        {{C4, 1, 0x85, 0, 0}, {59, 59, 59, 59, 59, 59}},    {{C4, 1, 0x95, 0xC, 0x20}, {32, 32, 32, 32, 32, 32}},
        {{C4, 1, 0x65, 0xE, 0xD2}, {0, 0, 64, 59, 54, 49}},
    };
    for (const auto& c : cases) {
        put(0, 0, c.cell);
        start_replay(&t);
        EXPECT_EQ(trace(6, volume_of), c.volumes) << int(c.cell.volume) << " " << int(c.cell.param);
    }
}

TEST_F(TickEffects, VolumeColumnPanningSlidesHaveNoLimit) {
    sample_of(&t, 1)->panning = 20;
    sample_of(&t, 2)->panning = 250;
    put(0, 0, {C4, 1, 0xD8, 0, 0});
    put(0, 1, {C4, 2, 0xE8, 0, 0});
    start_replay(&t);
    EXPECT_EQ(trace(6, panning_of), (Values{12, 4, -4, -12, -20, -28}));
    EXPECT_EQ(channel().voice->panning, 0);
    EXPECT_EQ(channel(1).panning, 298);
    EXPECT_EQ(channel(1).voice->panning, 255);
}

TEST_F(TickEffects, PanningSlideFromFarOutsideTheRange) {
    put(0, 0, {C4, 1, 0, 0x19, 0x01});
    put(0, 1, {C4, 1, 0, 0x19, 0x10});
    start_replay(&t);
    play(1);
    channel(0).panning = INT32_MIN;
    channel(1).panning = INT32_MAX;
    play(1);
    EXPECT_EQ(channel(0).panning, 0);
    EXPECT_EQ(channel(1).panning, 255);
    channel(0).panning = INT32_MAX;
    channel(1).panning = INT32_MIN;
    play(1);
    EXPECT_EQ(channel(0).panning, INT32_MAX - 1);
    EXPECT_EQ(channel(1).panning, INT32_MIN + 1);
}

}  // namespace
