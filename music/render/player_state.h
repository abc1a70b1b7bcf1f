// The library's one player record: static, all zero when the library loads.
// The device handle and the wave header live with the Windows output code.
#pragma once
#include <atomic>
#include <cstdint>

#include "song/song_model.h"

const int BLOCK_FRAMES = 884;
const int RING_BLOCKS = 100;
const int RING_FRAMES = BLOCK_FRAMES * RING_BLOCKS;  // 88400
const uint32_t RING_BYTES = RING_FRAMES * 4;         // 353600
const uint32_t MIX_ALLOCATION_BYTES = 707456;

struct PlayerState {
    int16_t* outputRing;
    Song* loadedSong;  // the song a playback start loaded and free_song releases
    std::atomic<int32_t> feederRunning;
    std::atomic<int32_t> stopRequested;
    void* mixAllocation;
    float* mixArea;  // 16-byte aligned, RING_BLOCKS slices of BLOCK_FRAMES stereo frames
    Song* song;      // the song fill_block plays (start_song sets it; offline renderers too)
    int32_t fillIndex;
};

extern PlayerState player;

// Allocates the output ring and the 16-byte aligned mix area and starts the
// rendering at block 0; false, with neither kept, when an allocation fails.
bool allocate_output();
// Frees the ring and the mix area (either may be missing).
void free_output();
