// Songs built directly in memory for the replayer tests, without the loader.
#pragma once
#include <cstdint>
#include <deque>
#include <vector>

#include "song/song_model.h"

struct ReplaySong {
    Song song;
    std::vector<Pattern> patterns;
    std::deque<std::vector<Cell>> cells;
    std::vector<Instrument> instruments;
    std::deque<Sample> samples;
    std::deque<std::vector<int16_t>> sampleData;
};

// channels channels, one pattern of `rows` rows per order entry (order i
// plays pattern i), speed 6, BPM 125, linear frequency table.
void make_song(ReplaySong* t, int channels, int patternCount, int rows);
// Adds a pattern slot of the given rows; returns its number.
int add_pattern(ReplaySong* t, int rows);
Cell& cell_at(ReplaySong* t, int pattern, int row, int channel);
// An instrument whose every note plays one sample of `length` frames
// (no loop unless loopType says so). Returns the instrument number (1-based).
int add_instrument(ReplaySong* t, uint32_t length, uint8_t volume = 64, uint8_t panning = 128,
                   uint8_t loopType = LOOP_NONE, uint32_t loopStart = 0, uint32_t loopLength = 0);
Sample* sample_of(ReplaySong* t, int instrument);
// Attaches the arrays and gives the player the start values of a playback.
void start_replay(ReplaySong* t);
// Runs play_tick until the next row start has been processed; returns the
// number of ticks the previous row lasted.
int run_row(ReplaySong* t);
