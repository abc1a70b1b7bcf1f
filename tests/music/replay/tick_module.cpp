#include "tick_module.h"

#include <cstring>

#include "front/block_renderer.h"
#include "front/player_state.h"
#include "replay/sequencer.h"

void build_test_module(TestModule* m, int32_t speed, bool linear)
{
    std::memset(static_cast<void*>(m), 0, sizeof *m);
    for (int s = 0; s < 2; ++s) {
        Sample& sample = m->samples[s];
        for (int i = 0; i < TEST_SAMPLE_FRAMES; ++i)
            m->sampleData[s][i] = static_cast<int16_t>((i % 16) * 1000 - 8000);
        sample.data = m->sampleData[s];
        sample.length = TEST_SAMPLE_FRAMES;
        sample.loopLength = TEST_SAMPLE_FRAMES;
        sample.loopType = LOOP_FORWARD;
        sample.volume = 64;
        sample.panning = 128;
        sample.bits = 16;
        Instrument& instrument = m->instruments[s];
        instrument.sampleCount = 1;
        instrument.samples[0] = &sample;
        for (int k = 1; k < 16; ++k)
            instrument.samples[k] = &player.emptySample;
    }
    m->pattern.rowCount = TEST_ROWS;
    m->pattern.cells = m->cells;
    Song& song = m->song;
    song.patterns = &m->pattern;
    song.instruments = m->instruments;
    song.usedPatternCount = 1;
    song.patternSlotCount = 1;
    song.songLength = 1;
    song.channelCount = TEST_CHANNELS;
    song.instrumentCount = 2;
    song.flags = linear ? 1 : 0;
    song.defaultSpeed = static_cast<int16_t>(speed);
    song.defaultBpm = 125;
}

Cell* test_cell(TestModule* m, int row, int channel)
{
    return &m->cells[row * TEST_CHANNELS + channel];
}

void start_test_module(TestModule* m)
{
    start_song(&m->song);
}

std::vector<int32_t> trace_ticks(TestModule* m, int ticks, int channel, ChannelField field)
{
    std::vector<int32_t> values;
    for (int i = 0; i < ticks; ++i) {
        play_tick(&m->song);
        values.push_back(field(player.channels[channel]));
    }
    return values;
}
