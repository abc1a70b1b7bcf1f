#include "replay_song.h"

#include <cstring>

#include "render/block_renderer.h"
#include "replay/sequencer.h"

void make_song(ReplaySong* t, int channels, int patternCount, int rows) {
    std::memset(static_cast<void*>(&t->song), 0, sizeof t->song);
    t->patterns.clear();
    t->cells.clear();
    t->song.channelCount = uint16_t(channels);
    t->song.flags = 1;
    t->song.defaultSpeed = 6;
    t->song.defaultBpm = 125;
    t->song.songLength = int16_t(patternCount);
    for (int i = 0; i < patternCount; ++i) {
        t->song.orderTable[i] = uint8_t(add_pattern(t, rows));
    }
}

int add_pattern(ReplaySong* t, int rows) {
    t->cells.emplace_back(size_t(rows) * t->song.channelCount);
    t->patterns.push_back(Pattern{rows, nullptr});
    return int(t->patterns.size()) - 1;
}

Cell& cell_at(ReplaySong* t, int pattern, int row, int channel) {
    return t->cells[pattern][size_t(row) * t->song.channelCount + channel];
}

int add_instrument(ReplaySong* t, uint32_t length, uint8_t volume, uint8_t panning, uint8_t loopType,
                   uint32_t loopStart, uint32_t loopLength) {
    t->sampleData.emplace_back(length + 8, int16_t(1000));
    Sample sample = {};
    sample.data = t->sampleData.back().data();
    sample.length = length;
    sample.loopType = loopType;
    sample.loopStart = loopType == LOOP_NONE ? 0 : loopStart;
    sample.loopLength = loopType == LOOP_NONE ? length : loopLength;
    sample.volume = volume;
    sample.panning = panning;
    sample.bits = 16;
    t->samples.push_back(sample);
    Instrument instrument = {};
    instrument.sampleCount = 1;
    instrument.samples[0] = &t->samples.back();
    t->instruments.push_back(instrument);
    return int(t->instruments.size());
}

Sample* sample_of(ReplaySong* t, int instrument) { return t->instruments[instrument - 1].samples[0]; }

void start_replay(ReplaySong* t) {
    for (size_t i = 0; i < t->patterns.size(); ++i) t->patterns[i].cells = t->cells[i].data();
    t->song.patterns = t->patterns.data();
    t->song.patternSlotCount = int32_t(t->patterns.size());
    t->song.usedPatternCount = t->song.patternSlotCount;
    t->song.instruments = t->instruments.empty() ? nullptr : t->instruments.data();
    t->song.instrumentCount = int16_t(t->instruments.size());
    start_song(&t->song);
}

int run_row(ReplaySong* t) {
    int ticks = 0;
    do {
        play_tick(&t->song);
        ++ticks;
    } while (t->song.tick != 0);
    return ticks;
}
