// Row and order stepping: natural successors, wraps, breaks, jumps, loops,
// delays, speed and tempo.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "replay/sequencer.h"
#include "replay_song.h"

namespace {

using Position = std::pair<int, int>;  // order, row
typedef std::vector<Position> Positions;

void put_effect(ReplaySong* t, int pattern, int row, int channel, uint8_t effect, uint8_t param) {
    Cell& c = cell_at(t, pattern, row, channel);
    c.effect = effect;
    c.param = param;
}

// The positions of the next `count` rows played.
Positions play_rows(ReplaySong* t, int count) {
    Positions rows;
    for (int i = 0; i < count; ++i) {
        run_row(t);
        rows.push_back({t->song.orderPos, t->song.row});
    }
    return rows;
}

TEST(SequencerOrders, WrapsToRestartPositionAfterLastOrder) {
    ReplaySong t;
    make_song(&t, 2, 3, 2);
    t.song.restartPosition = 1;
    start_replay(&t);
    EXPECT_EQ(play_rows(&t, 9), (Positions{{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {1, 0}, {1, 1}, {2, 0}}));
}

TEST(SequencerOrders, RestartPositionOutsideSongWrapsToFirstOrder) {
    for (int restart : {2, 5, -1}) {
        ReplaySong t;
        make_song(&t, 1, 2, 1);
        t.song.restartPosition = int16_t(restart);
        start_replay(&t);
        EXPECT_EQ(play_rows(&t, 4), (Positions{{0, 0}, {1, 0}, {0, 0}, {1, 0}})) << "restart " << restart;
    }
}

TEST(SequencerOrders, OrderNamingMissingPatternPlaysEmpty64Rows) {
    ReplaySong t;
    make_song(&t, 2, 1, 4);
    t.song.songLength = 2;
    t.song.orderTable[1] = 9;  // no such slot
    start_replay(&t);
    EXPECT_EQ(pattern_row_count(&t.song, 1), 64);
    play_rows(&t, 4);
    for (int row = 0; row < 64; ++row) {
        ASSERT_EQ(play_rows(&t, 1).back(), Position(1, row));
        const Cell* cells = current_row_cells(&t.song);
        EXPECT_EQ(cells[0].note | cells[1].effect, 0);
    }
    EXPECT_EQ(play_rows(&t, 1).back(), Position(0, 0));
}

TEST(SequencerOrders, EmptySongLoopsOnFirstOrder) {
    ReplaySong t;
    make_song(&t, 1, 1, 1);
    t.song.songLength = 0;
    start_replay(&t);
    EXPECT_EQ(play_rows(&t, 3), (Positions{{0, 0}, {0, 0}, {0, 0}}));
}

TEST(SequencerBreaks, BreakRowIsDecimalAndCappedAt63) {
    const std::pair<uint8_t, int> cases[] = {{0x10, 10}, {0x63, 63}, {0x64, 0}, {0xFF, 0}, {0xA5, 0}};
    for (const auto& c : cases) {
        ReplaySong t;
        make_song(&t, 1, 2, 64);
        put_effect(&t, 0, 0, 0, 0xD, c.first);
        start_replay(&t);
        EXPECT_EQ(play_rows(&t, 2).back(), Position(1, c.second)) << int(c.first);
    }
}

TEST(SequencerBreaks, BreakOnLastOrderAndJumpPastSongGoToOrderZero) {
    ReplaySong t;
    make_song(&t, 1, 3, 2);
    t.song.restartPosition = 1;
    put_effect(&t, 0, 1, 0, 0xB, 0x07);
    put_effect(&t, 2, 0, 0, 0xD, 0x01);
    start_replay(&t);
    EXPECT_EQ(play_rows(&t, 3), (Positions{{0, 0}, {0, 1}, {0, 0}}));
    put_effect(&t, 0, 1, 0, 0, 0);
    EXPECT_EQ(play_rows(&t, 5), (Positions{{0, 1}, {1, 0}, {1, 1}, {2, 0}, {0, 1}}));
}

TEST(SequencerBreaks, JumpAndBreakInOneRow) {
    for (bool jumpFirst : {true, false}) {
        ReplaySong t;
        make_song(&t, 3, 7, 64);
        put_effect(&t, 0, 0, jumpFirst ? 1 : 2, 0xB, 0x05);
        put_effect(&t, 0, 0, jumpFirst ? 2 : 1, 0xD, 0x10);
        start_replay(&t);
        EXPECT_EQ(play_rows(&t, 2).back(), Position(5, jumpFirst ? 10 : 0));
    }
}

TEST(SequencerBreaks, JumpSeenInEarlierRowIsForgotten) {
    ReplaySong t;
    make_song(&t, 1, 4, 4);
    put_effect(&t, 0, 0, 0, 0xB, 0x02);
    put_effect(&t, 2, 0, 0, 0xD, 0x01);
    start_replay(&t);
    EXPECT_EQ(play_rows(&t, 3), (Positions{{0, 0}, {2, 0}, {3, 1}}));
}

TEST(SequencerBreaks, BreakPastShorterPatternPlaysEmptyRowThenMovesOn) {
    ReplaySong t;
    make_song(&t, 2, 3, 4);
    put_effect(&t, 0, 0, 0, 0xD, 0x20);  // row 20 of a 4-row pattern
    cell_at(&t, 1, 0, 1).note = 49;
    start_replay(&t);
    EXPECT_EQ(play_rows(&t, 2).back(), Position(1, 20));
    const Cell* cells = current_row_cells(&t.song);
    EXPECT_EQ(cells[0].effect | cells[1].note, 0);
    EXPECT_EQ(play_rows(&t, 1).back(), Position(2, 0));
}

TEST(SequencerBreaks, ZeroRowPatternPlaysOneEmptyRow) {
    ReplaySong t;
    make_song(&t, 2, 1, 2);
    t.song.songLength = 3;
    t.song.orderTable[1] = uint8_t(add_pattern(&t, 0));
    t.song.orderTable[2] = 0;
    start_replay(&t);
    EXPECT_EQ(play_rows(&t, 4), (Positions{{0, 0}, {0, 1}, {1, 0}, {2, 0}}));
}

TEST(SequencerLoops, LoopPlaysRowsThreeTimesThenGoesOn) {
    ReplaySong t;
    make_song(&t, 1, 1, 16);
    put_effect(&t, 0, 4, 0, 0xE, 0x60);
    put_effect(&t, 0, 7, 0, 0xE, 0x62);
    start_replay(&t);
    std::vector<int> rows;
    for (const Position& p : play_rows(&t, 17)) rows.push_back(p.second);
    const std::vector<int> expected = {0, 1, 2, 3, 4, 5, 6, 7, 4, 5, 6, 7, 4, 5, 6, 7, 8};
    EXPECT_EQ(rows, expected);
}

TEST(SequencerLoops, LoopInLaterChannelOverridesBreakRowButKeepsOrder) {
    ReplaySong t;
    make_song(&t, 2, 3, 8);
    put_effect(&t, 0, 2, 0, 0xE, 0x60);
    put_effect(&t, 0, 3, 0, 0xD, 0x05);
    put_effect(&t, 0, 3, 1, 0xE, 0x61);
    start_replay(&t);
    // Channel 1's loop row is still 0; channel 0 holds row 2.
    EXPECT_EQ(play_rows(&t, 5).back(), Position(1, 0));
}

TEST(SequencerDelays, PatternDelayLengthensRowAndCountsTicksOn) {
    ReplaySong t;
    make_song(&t, 1, 1, 4);
    put_effect(&t, 0, 0, 0, 0xE, 0xE2);
    start_replay(&t);
    play_tick(&t.song);
    int lastTick = 0;
    while (t.song.tick != 0) {
        lastTick = t.song.tick;
        play_tick(&t.song);
    }
    EXPECT_EQ(lastTick, 17);
    EXPECT_EQ(run_row(&t), 6);
}

TEST(SequencerDelays, DelayUsesSpeedWhenItsChannelIsProcessed) {
    ReplaySong t;
    make_song(&t, 2, 1, 4);
    put_effect(&t, 0, 0, 0, 0xE, 0xE2);
    put_effect(&t, 0, 0, 1, 0xF, 0x03);
    start_replay(&t);
    EXPECT_EQ(run_row(&t), 15);
    EXPECT_EQ(run_row(&t), 3);
}

TEST(SequencerSpeed, SpeedZeroMakesEveryTickARow) {
    ReplaySong t;
    make_song(&t, 1, 1, 8);
    put_effect(&t, 0, 0, 0, 0xF, 0x00);
    start_replay(&t);
    for (int row = 0; row < 4; ++row) {
        play_tick(&t.song);
        EXPECT_EQ(t.song.row, row);
        EXPECT_EQ(t.song.tick, 0);
    }
}

TEST(SequencerSpeed, SpeedTempoAndGlobalVolumeLimits) {
    ReplaySong t;
    make_song(&t, 3, 1, 4);
    put_effect(&t, 0, 0, 0, 0xF, 0x1F);
    put_effect(&t, 0, 0, 1, 0xF, 0x20);
    put_effect(&t, 0, 0, 2, 0x10, 0x50);
    start_replay(&t);
    t.song.globalVolume = 10;
    EXPECT_EQ(run_row(&t), 31);
    EXPECT_EQ(t.song.speed, 31);
    EXPECT_EQ(t.song.samplesPerTick, 3445u);
    EXPECT_EQ(t.song.globalVolume, 64);
}

}  // namespace
