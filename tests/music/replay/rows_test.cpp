// The row step: notes, instruments, tone-portamento rows, sample offsets,
// key-off, the volume column and first-tick effects.
#include <gtest/gtest.h>

#include <vector>

#include "replay/replay_state.h"
#include "replay/rows.h"
#include "replay/sequencer.h"
#include "replay_song.h"

namespace {

const uint8_t C4 = 49;  // cell note of key index 48

// A two-channel song of one long pattern with two instruments: 1 at volume
// 48, panning 200 and 2 at volume 20, panning 60, both 20000 frames long.
void set_up(ReplaySong* t) {
    make_song(t, 2, 1, 64);
    add_instrument(t, 20000, 48, 200);
    add_instrument(t, 20000, 20, 60);
}

void put(ReplaySong* t, int row, int channel, Cell cell) { cell_at(t, 0, row, channel) = cell; }

// Plays rows up to and including `row`; the channel state is then that of
// the row's last tick.
void play_to_row(ReplaySong* t, int row) {
    start_replay(t);
    for (int r = 0; r <= row; ++r) run_row(t);
}

// Plays only the first tick of `row` (after the rows before it).
void play_row_start(ReplaySong* t, int row) {
    start_replay(t);
    for (int r = 0; r < row; ++r) run_row(t);
    play_tick(&t->song);
}

// Finishes the current row and plays the first tick of the next.
void next_row_start(ReplaySong* t) {
    if (t->song.tick != 0) run_row(t);
    play_tick(&t->song);
}

// Each test starts from the song above.
class RowStep : public ::testing::Test {
protected:
    ReplaySong t;
    ChannelState& ch = replay.channels[0];
    void SetUp() override { set_up(&t); }
    // Starts over, for tests that loop over cases.
    void fresh() {
        t = ReplaySong();
        set_up(&t);
    }
};
typedef RowStep RowNotes;
typedef RowStep RowTonePortamento;
typedef RowStep RowSampleOffset;
typedef RowStep RowKeyOff;
typedef RowStep RowVolume;
typedef RowStep RowEffects;

// A volume envelope held at its first point until key-off, fadeout 1000.
void sustain_at_first_point(Instrument* ins) {
    ins->volumeEnvelope[0] = {0, 64};
    ins->volumeEnvelope[1] = {4, 32};
    ins->volumePointCount = 2;
    ins->volumeEnvelopeFlags = ENVELOPE_ON | ENVELOPE_SUSTAIN;
    ins->fadeout = 1000;
}

// Only the mixer moves voices; a mark shows whether a row restarted one.
const uint32_t MARK = 1234;

void mark_voice(int channel) { replay.channels[channel].voice->positionInt = MARK; }

TEST_F(RowNotes, NoteWithInstrumentStartsSampleAtItsDefaults) {
    put(&t, 0, 0, {C4, 1, 0, 0, 0});
    play_row_start(&t, 0);
    EXPECT_EQ(ch.note, 48);
    EXPECT_EQ(ch.instrument, 0);
    EXPECT_EQ(ch.period, 7680 - 64 * 48);
    EXPECT_EQ(ch.volume, 48);
    EXPECT_EQ(ch.panning, 200);
    EXPECT_EQ(ch.voice->sample, sample_of(&t, 1));
    EXPECT_EQ(ch.voice->volume, 96);
}

TEST_F(RowNotes, NoteWithoutInstrumentOnFreshChannelIsSilent) {
    put(&t, 0, 0, {C4, 0, 0, 0, 0});
    play_row_start(&t, 0);
    EXPECT_EQ(ch.voice->sample, sample_of(&t, 1));
    EXPECT_EQ(ch.fadeoutVolume, 0);
    EXPECT_EQ(ch.voice->volume, 0);
}

TEST_F(RowNotes, NoteWithoutInstrumentKeepsVolumeAndEnvelopes) {
    put(&t, 0, 0, {C4, 1, 0, 0xC, 0x30});
    put(&t, 3, 0, {C4 + 12, 0, 0, 0, 0});
    play_row_start(&t, 3);
    EXPECT_EQ(ch.volume, 0x30);
    EXPECT_EQ(ch.fadeoutVolume, 65536);
    EXPECT_EQ(ch.period, 7680 - 64 * 60);
    EXPECT_EQ(ch.voice, &replay.voices[32]);  // restarted on the twin
    EXPECT_EQ(ch.voice->positionInt, 0u);
}

TEST_F(RowNotes, InstrumentBeyondSongIsSilent) {
    put(&t, 0, 0, {C4, 9, 0, 0, 0});
    play_row_start(&t, 0);
    EXPECT_EQ(ch.voice->sample, &emptySample);
    EXPECT_EQ(ch.volume, 0);
    EXPECT_EQ(ch.panning, 0);
}

TEST_F(RowNotes, NotesOutsideTheFormatAreNoNotes) {
    put(&t, 0, 0, {C4, 1, 0, 0, 0});
    put(&t, 1, 0, {98, 0, 0, 0, 0});
    put(&t, 2, 0, {254, 2, 0, 0, 0});
    play_row_start(&t, 0);
    mark_voice(0);
    next_row_start(&t);
    EXPECT_EQ(ch.voice->positionInt, MARK);
    EXPECT_EQ(ch.note, 48);
    EXPECT_EQ(ch.updateFlags & FLAG_TRIGGER, 0);
    next_row_start(&t);
    EXPECT_EQ(ch.voice->positionInt, MARK);
    EXPECT_EQ(ch.note, 48);
    EXPECT_EQ(ch.instrument, 1);
    EXPECT_EQ(ch.voice, &replay.voices[0]);
    EXPECT_EQ(ch.voice->sample, sample_of(&t, 1));
}

TEST_F(RowNotes, AmigaNotePeriodWithRelativeNoteAndFinetune) {
    t.song.flags = 0;
    sample_of(&t, 1)->relativeNote = 12;
    sample_of(&t, 1)->finetune = -128;
    put(&t, 0, 0, {C4 - 12, 1, 0, 0, 0});
    play_row_start(&t, 0);
    EXPECT_EQ(ch.realNote, 48);
    EXPECT_EQ(ch.period, 1814);
}

TEST_F(RowNotes, LinearPeriodHalvesFinetuneTowardZeroAndWrapsRealNote) {
    sample_of(&t, 1)->finetune = -3;
    sample_of(&t, 1)->relativeNote = -5;
    put(&t, 0, 0, {1, 1, 0, 0, 0});
    play_row_start(&t, 0);
    EXPECT_EQ(ch.realNote, 251);
    EXPECT_EQ(ch.period, 7680 - 64 * 251 + 1);
}

TEST_F(RowTonePortamento, NoteAndInstrumentBecomeTargetWithoutRestart) {
    put(&t, 0, 0, {C4, 1, 0, 0xC, 0x10});
    put(&t, 2, 0, {C4 + 7, 2, 0, 0x3, 0x20});
    play_row_start(&t, 0);
    mark_voice(0);
    next_row_start(&t);
    next_row_start(&t);
    EXPECT_EQ(ch.instrument, 0);
    EXPECT_EQ(ch.note, 48);
    EXPECT_EQ(ch.period, 7680 - 64 * 48);
    EXPECT_EQ(ch.portaTarget, 7680 - 64 * 55);
    EXPECT_EQ(ch.portaSpeed, 0x20);
    EXPECT_EQ(ch.voice, &replay.voices[0]);
    EXPECT_EQ(ch.voice->positionInt, MARK);
    // The reset takes the sample it already plays: instrument 1's defaults.
    EXPECT_EQ(ch.volume, 48);
    EXPECT_EQ(ch.panning, 200);
}

// The volume column's F0..FF makes a tone-portamento row like effect 3: the
// cell's note and instrument are not taken and the pitch glides, with or
// without a note or an instrument number on the row.
TEST_F(RowTonePortamento, VolumeColumnPortaGlidesLikeEffect3) {
    const int32_t slid = 4608 + 5 * 64;  // where row 0's portamento down leaves it
    const struct {
        Cell cell;
        int32_t target;
        int32_t volume;
    } cases[] = {
        {{C4 + 4, 0, 0xF2, 0, 0}, 4608 - 4 * 64, 32},
        {{C4 + 4, 2, 0xF2, 0, 0}, 4608 - 4 * 64, 48},  // instrument 1's reset, not 2's
        {{0, 2, 0xF2, 0, 0}, 4608, 48},
        {{0, 0, 0xF2, 0, 0}, 4608, 32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.cell.note) * 256 + c.cell.instrument);
        fresh();
        put(&t, 0, 0, {C4, 1, 0x30, 0x2, 0x10});
        put(&t, 1, 0, c.cell);
        play_to_row(&t, 0);
        mark_voice(0);
        next_row_start(&t);
        EXPECT_EQ(ch.period, slid);  // no jump on the first tick
        EXPECT_EQ(ch.portaTarget, c.target);
        EXPECT_EQ(ch.instrument, 0);
        EXPECT_EQ(ch.note, 48);
        EXPECT_EQ(ch.volume, c.volume);
        next_row_start(&t);
        EXPECT_EQ(ch.period, c.target);  // 128 units a tick reach it within the row
        EXPECT_EQ(ch.voice, &replay.voices[0]);
        EXPECT_EQ(ch.voice->positionInt, MARK);
    }
}

TEST_F(RowSampleOffset, OffsetStartsTheRowsNote) {
    put(&t, 0, 0, {C4, 1, 0, 0x9, 0x10});
    play_row_start(&t, 0);
    EXPECT_EQ(ch.voice->positionInt, 0x1000u);
    EXPECT_EQ(ch.voice->startOffset, 0u);
}

TEST_F(RowSampleOffset, OffsetWithoutNoteWaitsForTheNextNote) {
    put(&t, 0, 0, {C4, 1, 0, 0, 0});
    put(&t, 1, 0, {0, 0, 0, 0x9, 0x20});
    put(&t, 2, 0, {C4, 0, 0, 0x9, 0x00});
    play_row_start(&t, 0);
    mark_voice(0);
    next_row_start(&t);
    EXPECT_EQ(ch.voice->startOffset, 0x2000u);
    EXPECT_EQ(ch.voice->positionInt, MARK);
    next_row_start(&t);
    EXPECT_EQ(ch.voice, &replay.voices[32]);
    EXPECT_EQ(ch.voice->positionInt, 0x2000u);  // memory reused
}

TEST_F(RowSampleOffset, OffsetPastLoopEndRewindsWithoutNewNote) {
    put(&t, 0, 0, {C4, 1, 0, 0, 0});
    put(&t, 1, 0, {C4, 1, 0, 0x9, 0x4F});  // 0x4F00 = 20224 > 20000 frames
    play_row_start(&t, 0);
    mark_voice(0);
    next_row_start(&t);
    EXPECT_EQ(ch.voice, &replay.voices[0]);
    EXPECT_EQ(ch.voice->positionInt, 0u);
    EXPECT_TRUE(ch.updateFlags & FLAG_REWIND);
    EXPECT_FALSE(ch.updateFlags & FLAG_TRIGGER);
}

TEST_F(RowKeyOff, KeyOffWithoutEnvelopeSilencesAtOnce) {
    // K00 acts on the first tick like a key-off note.
    for (Cell keyOff : {Cell{NOTE_KEY_OFF, 0, 0, 0, 0}, Cell{0, 0, 0, 0x14, 0x00}}) {
        SCOPED_TRACE(int(keyOff.effect));
        fresh();
        put(&t, 0, 0, {C4, 1, 0, 0, 0});
        put(&t, 1, 0, keyOff);
        play_row_start(&t, 1);
        EXPECT_EQ(ch.keyOff, 1);
        EXPECT_EQ(ch.volume, 0);
        EXPECT_EQ(ch.voice->volume, 0);
        EXPECT_EQ(ch.voice->sample, sample_of(&t, 1));
    }
}

// Kxx on a note's own row lets it sound until tick xx: the last tick, a
// tick only a pattern delay (EE1 on the other channel) reaches, or never
// when the row ends first.
TEST_F(RowKeyOff, KeyOffEffectReleasesOnItsTick) {
    const struct {
        uint8_t param;
        uint8_t delay;
        int releaseTick;
    } cases[] = {
        {0x00, 0, 0}, {0x01, 0, 1},  {0x05, 0, 5},  {0x06, 0, -1},
        {0x08, 1, 8}, {0x0B, 1, 11}, {0x0C, 1, -1}, {0xFF, 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.param) * 16 + c.delay);
        fresh();
        put(&t, 0, 0, {C4, 1, 0, 0, 0});
        put(&t, 1, 0, {C4 + 2, 0, 0, 0x14, c.param});
        if (c.delay != 0) put(&t, 1, 1, {0, 0, 0, 0xE, uint8_t(0xE0 | c.delay)});
        play_row_start(&t, 1);
        const int ticks = 6 * (1 + c.delay);
        // Each tick of the row and the next row's first.
        for (int tick = 0; tick <= ticks; ++tick) {
            const bool released = c.releaseTick >= 0 && tick >= c.releaseTick;
            EXPECT_EQ(ch.keyOff, released ? 1 : 0) << tick;
            EXPECT_EQ(ch.volume, released ? 0 : 48) << tick;
            EXPECT_EQ(ch.voice->volume == 0, released) << tick;
            play_tick(&t.song);
        }
    }
}

// Without a volume envelope a release takes the volume to 0, and a volume
// given afterwards, by the same cell or a later one, brings the note back;
// with an envelope it keeps its volume. The volumes on ticks 0 and 3 of the
// releasing row and at the next row's start.
TEST_F(RowKeyOff, ReleaseWithoutEnvelopeZeroesTheVolume) {
    const struct {
        Cell release;
        Cell next;
        bool envelope;
        int32_t volumes[3];
    } cases[] = {
        {{NOTE_KEY_OFF, 0, 0x38, 0, 0}, {}, false, {40, 40, 40}},
        {{NOTE_KEY_OFF, 1, 0, 0, 0}, {}, false, {48, 48, 48}},
        {{NOTE_KEY_OFF, 0, 0, 0xC, 0x20}, {}, false, {32, 32, 32}},
        {{NOTE_KEY_OFF, 0, 0, 0, 0}, {0, 0, 0x38, 0, 0}, false, {0, 0, 40}},
        {{NOTE_KEY_OFF, 0, 0, 0, 0}, {C4, 0, 0, 0, 0}, false, {0, 0, 0}},
        {{NOTE_KEY_OFF, 0, 0, 0, 0}, {C4, 0, 0x30, 0, 0}, false, {0, 0, 32}},
        {{NOTE_KEY_OFF, 0, 0, 0, 0}, {}, true, {48, 48, 48}},
        {{0, 0, 0x38, 0x14, 0x00}, {}, false, {40, 40, 40}},
        {{0, 1, 0, 0x14, 0x00}, {}, false, {48, 48, 48}},
        {{0, 0, 0x38, 0x14, 0x03}, {}, false, {40, 0, 0}},
        {{0, 1, 0, 0x14, 0x03}, {0, 0, 0x38, 0, 0}, false, {48, 0, 40}},
        {{0, 0, 0, 0x14, 0x03}, {}, true, {48, 48, 48}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        fresh();
        if (c.envelope) sustain_at_first_point(&t.instruments[0]);
        put(&t, 0, 0, {C4, 1, 0, 0, 0});
        put(&t, 1, 0, c.release);
        put(&t, 2, 0, c.next);
        play_row_start(&t, 1);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ch.volume, c.volumes[i]) << i;
            EXPECT_EQ(ch.voice->volume != 0, c.volumes[i] != 0) << i;
            for (int tick = 0; tick < 3; ++tick) play_tick(&t.song);
        }
        EXPECT_EQ(ch.keyOff, 1);
    }
}

TEST_F(RowKeyOff, KeyOffEffectLeavesSustainAndFadesFromItsTick) {
    sustain_at_first_point(&t.instruments[0]);
    put(&t, 0, 0, {C4, 1, 0, 0x14, 0x03});
    play_row_start(&t, 0);
    std::vector<int32_t> fadeout = {ch.fadeoutVolume}, point = {ch.volEnvPoint};
    for (int tick = 1; tick < 6; ++tick) {
        play_tick(&t.song);
        fadeout.push_back(ch.fadeoutVolume);
        point.push_back(ch.volEnvPoint);
    }
    EXPECT_EQ(fadeout, (std::vector<int32_t>{65536, 65536, 65536, 64536, 63536, 62536}));
    EXPECT_EQ(point, (std::vector<int32_t>{0, 0, 0, 1, 1, 1}));
}

TEST_F(RowKeyOff, KeyOffWithEnvelopeStartsFadeout) {
    sustain_at_first_point(&t.instruments[0]);
    put(&t, 0, 0, {C4, 1, 0, 0, 0});
    put(&t, 1, 0, {NOTE_KEY_OFF, 0, 0, 0, 0});
    play_row_start(&t, 1);
    // The envelope leaves its sustain point on this tick.
    EXPECT_EQ(ch.volEnvOutput, 64);
    EXPECT_EQ(ch.volEnvPoint, 1);
    EXPECT_EQ(ch.fadeoutVolume, 65536 - 1000);
}

TEST_F(RowVolume, SetVolumeLimits) {
    const struct {
        Cell cell;
        int32_t volume;
    } cases[] = {
        {{C4, 1, 0, 0xC, 0x80}, 64},
        {{C4, 1, 0x50, 0, 0}, 64},
        {{C4, 1, 0x51, 0, 0}, 48},
        {{C4, 1, 0x10, 0, 0}, 0},
        {{C4, 1, 0x85, 0, 0}, 43},
        {{C4, 1, 0x9F, 0, 0}, 63},
        // The slides wait for the later ticks.
        {{C4, 1, 0x65, 0, 0}, 48},
        {{C4, 1, 0x7F, 0, 0}, 48},
    };
    for (const auto& c : cases) {
        fresh();
        put(&t, 0, 0, c.cell);
        play_row_start(&t, 0);
        EXPECT_EQ(ch.volume, c.volume) << int(c.cell.volume) << " " << int(c.cell.param);
    }
}

TEST_F(RowVolume, PanningColumnSlidesHaveNoLimit) {
    put(&t, 0, 0, {C4, 1, 0xC1, 0, 0});
    put(&t, 1, 0, {0, 0, 0xD8, 0, 0});
    put(&t, 2, 0, {0, 0, 0xD8, 0, 0});
    play_row_start(&t, 1);
    EXPECT_EQ(ch.panning, 8);
    run_row(&t);
    EXPECT_LT(ch.panning, 0);
    EXPECT_EQ(ch.voice->panning, 0);
}

TEST_F(RowVolume, TremoloLevelStaysWhenTremoloEnds) {
    put(&t, 0, 0, {C4, 1, 0, 0, 0});
    play_to_row(&t, 0);
    ch.lastEffect = 0x7;
    ch.volumeOffset = -10;
    next_row_start(&t);
    EXPECT_EQ(ch.volume, 38);
}

// E5y tunes its own row's note by (y - 8) x 16 in place of the sample's
// finetune; the next plain note has the sample's own again.
TEST_F(RowEffects, FinetuneTunesItsOwnRowsNote) {
    const struct {
        bool linear;
        uint8_t param;
        int32_t period;
    } cases[] = {
        {true, 0x50, 4608 + 64}, {true, 0x54, 4608 + 32}, {true, 0x58, 4608},  {true, 0x5C, 4608 - 32},
        {true, 0x5F, 4608 - 56}, {false, 0x50, 1814},     {false, 0x58, 1712}, {false, 0x5C, 1664},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.param) + 256 * c.linear);
        fresh();
        t.song.flags = c.linear ? 1 : 0;
        put(&t, 0, 0, {C4, 1, 0, 0xE, c.param});
        put(&t, 1, 0, {C4, 0, 0, 0, 0});
        play_row_start(&t, 0);
        EXPECT_EQ(ch.period, c.period);
        next_row_start(&t);
        EXPECT_EQ(ch.period, c.linear ? 4608 : 1712);
        EXPECT_EQ(sample_of(&t, 1)->finetune, 0);
    }
}

TEST_F(RowEffects, FinetuneWithoutNoteDoesNothingAndTunesAPortaTarget) {
    put(&t, 0, 0, {C4, 1, 0, 0, 0});
    put(&t, 1, 0, {0, 0, 0, 0xE, 0x50});
    put(&t, 2, 0, {C4 + 4, 0, 0xF1, 0xE, 0x50});
    play_row_start(&t, 1);
    EXPECT_EQ(ch.period, 4608);
    EXPECT_EQ(ch.notePeriod, 4608);
    next_row_start(&t);
    EXPECT_EQ(ch.period, 4608);
    EXPECT_EQ(ch.portaTarget, 4608 - 4 * 64 + 64);
    EXPECT_EQ(sample_of(&t, 1)->finetune, 0);
}

TEST_F(RowEffects, FinetuneOnEmptySampleIsIgnored) {
    put(&t, 0, 0, {C4, 7, 0, 0xE, 0x5F});
    play_row_start(&t, 0);
    EXPECT_EQ(emptySample.finetune, 0);
}

TEST_F(RowEffects, NoteDelayKeepsOldSoundOnFirstTick) {
    put(&t, 0, 0, {C4, 1, 0, 0, 0});
    put(&t, 1, 0, {C4 + 12, 2, 0, 0xE, 0xD3});
    play_row_start(&t, 1);
    EXPECT_EQ(ch.volume, 48);
    EXPECT_EQ(ch.panning, 200);
    EXPECT_EQ(ch.period, 7680 - 64 * 48);
    EXPECT_EQ(ch.instrument, 1);
    EXPECT_EQ(ch.notePeriod, 7680 - 64 * 60);
    EXPECT_EQ(ch.voice, &replay.voices[0]);
    EXPECT_EQ(ch.updateFlags & (FLAG_TRIGGER | FLAG_VOLUME | FLAG_PANNING), 0);
}

}  // namespace
