// A one-pattern song built directly in memory, for tests that step the
// replayer tick by tick.
#pragma once
#include <cstdint>
#include <vector>

#include "front/song_model.h"
#include "replay/channel_state.h"

const int TEST_ROWS = 16;
const int TEST_CHANNELS = 2;
const int TEST_SAMPLE_FRAMES = 64;

struct TestModule {
    Song song;
    Pattern pattern;
    Cell cells[TEST_ROWS * TEST_CHANNELS];
    Instrument instruments[2];
    Sample samples[2];
    int16_t sampleData[2][TEST_SAMPLE_FRAMES + 8];
};

// Two channels, two instruments of one looping sample each (volume 64,
// panning 128), no envelopes, linear or Amiga frequency table.
void build_test_module(TestModule* m, int32_t speed, bool linear);
Cell* test_cell(TestModule* m, int row, int channel);
// Start values of a playback, as the player gives them.
void start_test_module(TestModule* m);

typedef int32_t (*ChannelField)(const ChannelState& channel);
// Plays the given number of ticks and returns the field of a channel after each.
std::vector<int32_t> trace_ticks(TestModule* m, int ticks, int channel, ChannelField field);
