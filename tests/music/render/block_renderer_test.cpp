// Start values, tick timing across blocks, the ring's wrap and the 16-bit
// conversion.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "render/block_renderer.h"
#include "render/player_state.h"
#include "replay/replay_state.h"
#include "replay/sequencer.h"
#include "../replay/replay_song.h"

namespace {

// A ring and mix area of the real sizes, owned by the test.
struct RingBench {
    std::vector<int16_t> ring;
    std::vector<float> mix;
};

void attach_ring(RingBench* b) {
    b->ring.assign(RING_FRAMES * 2, 0);
    b->mix.assign(RING_FRAMES * 2 + 4, 0.0f);
    player.outputRing = b->ring.data();
    uintptr_t address = reinterpret_cast<uintptr_t>(b->mix.data());
    address = (address + 15) & ~uintptr_t(15);
    player.mixArea = reinterpret_cast<float*>(address);
    player.fillIndex = 0;
}

std::vector<int32_t> ticks_seen;

void record_tick(const Song*, int32_t tick) { ticks_seen.push_back(tick); }

TEST(BlockConversion, RoundsTiesToEvenAndClamps) {
    const float in[] = {40000.0f, -40000.0f, 2.5f, 3.5f, -2.5f, 32767.4f, -32768.6f, 0.5f, -0.5f, 1.5f};
    const int16_t expected[] = {32767, -32768, 2, 4, -2, 32767, -32768, 0, 0, 2};
    int16_t out[10];
    convert_block(in, out, 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(out[i], expected[i]) << in[i];
}

TEST(BlockTempo, SamplesPerTick) {
    Song song = {};
    set_bpm(&song, 125);
    EXPECT_EQ(song.samplesPerTick, 882u);
    set_bpm(&song, 32);
    EXPECT_EQ(song.samplesPerTick, 3445u);
    // A tick never lasts 0 frames, or rendering would stand still.
    set_bpm(&song, 0);
    EXPECT_EQ(song.samplesPerTick, 1u);
    set_bpm(&song, uint32_t(-5));
    EXPECT_EQ(song.samplesPerTick, 1u);
}

TEST(BlockStart, StartValues) {
    ReplaySong t;
    make_song(&t, 3, 1, 4);
    t.song.defaultSpeed = 4;
    t.song.defaultBpm = 150;
    start_replay(&t);
    replay.voices[5].volume = 99;
    replay.channels[1].volume = 7;
    start_song(&t.song);
    EXPECT_EQ(player.song, &t.song);
    EXPECT_EQ(t.song.nextOrder, -1);
    EXPECT_EQ(t.song.nextRow, -1);
    EXPECT_EQ(t.song.speed, 4);
    EXPECT_EQ(t.song.globalVolume, 64);
    EXPECT_EQ(t.song.samplesPerTick, 735u);
    EXPECT_EQ(t.song.tickSamplesLeft, 0u);
    EXPECT_EQ(replay.voices[63].index, 63);
    EXPECT_EQ(replay.voices[40].stepInt, 1u);
    EXPECT_EQ(replay.voices[5].volume, 0);
    EXPECT_EQ(replay.channels[1].volume, 0);
    EXPECT_EQ(replay.channels[2].voice, &replay.voices[2]);
    EXPECT_EQ(replay.channels[3].voice, nullptr);
}

TEST(BlockTiming, FirstBlockHoldsOneTickAndTwoFramesAtBpm125) {
    ReplaySong t;
    make_song(&t, 2, 1, 64);
    start_replay(&t);
    RingBench b;
    attach_ring(&b);
    ticks_seen.clear();
    set_tick_observer(record_tick);
    fill_block();
    EXPECT_EQ(ticks_seen, std::vector<int32_t>({0, 1}));
    EXPECT_EQ(t.song.tickSamplesLeft, 880u);
    fill_block();
    EXPECT_EQ(ticks_seen, std::vector<int32_t>({0, 1, 2}));
    EXPECT_EQ(t.song.tickSamplesLeft, 878u);
    set_tick_observer(nullptr);
}

TEST(BlockTiming, TempoChangeTakesEffectWithTheNextTick) {
    ReplaySong t;
    make_song(&t, 1, 1, 64);
    Cell& c = cell_at(&t, 0, 0, 0);
    c.effect = 0xF;
    c.param = 0x20;
    start_replay(&t);
    RingBench b;
    attach_ring(&b);
    fill_block();
    // Tick 0 ran its old 882 frames; tick 1 is 3445 frames long.
    EXPECT_EQ(t.song.samplesPerTick, 3445u);
    EXPECT_EQ(t.song.tickSamplesLeft, 3445u - 2);
}

TEST(BlockRing, BlockLandsInItsOwnSliceOfTheRing) {
    ReplaySong t;
    make_song(&t, 1, 1, 64);
    add_instrument(&t, 1000, 64, 0, LOOP_FORWARD, 0, 1000);  // every value 1000, hard left
    cell_at(&t, 0, 0, 0) = Cell{49, 1, 0, 0, 0};
    start_replay(&t);
    RingBench b;
    attach_ring(&b);
    player.fillIndex = 7;
    fill_block();
    const int16_t* block = &b.ring[7 * BLOCK_FRAMES * 2];
    EXPECT_EQ(block[0], 0);          // the note fades in from silence
    EXPECT_EQ(block[2 * 500], 502);  // 1000 x 128 / 255, wholly left
    EXPECT_EQ(block[2 * 500 + 1], 0);
    EXPECT_EQ(block[2 * 883], 502);
    EXPECT_EQ(b.ring[6 * BLOCK_FRAMES * 2 + 2 * 883], 0);
    EXPECT_EQ(b.ring[8 * BLOCK_FRAMES * 2 + 2 * 500], 0);
    EXPECT_EQ(player.fillIndex, 8);
}

TEST(BlockRing, FillIndexWrapsAfterLastBlock) {
    ReplaySong t;
    make_song(&t, 1, 1, 64);
    start_replay(&t);
    RingBench b;
    attach_ring(&b);
    for (int i = 0; i < RING_BLOCKS - 1; ++i) fill_block();
    EXPECT_EQ(player.fillIndex, RING_BLOCKS - 1);
    fill_block();
    EXPECT_EQ(player.fillIndex, 0);
}

}  // namespace
