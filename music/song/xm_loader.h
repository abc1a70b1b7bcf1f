// Fills a zero-filled Song from the active module source.
#pragma once
#include <cstdint>

struct Song;

// Nonzero on success. On failure the song holds what was loaded so far and
// release_song takes it apart.
int32_t load_module(Song* song);

// Why the last load failed, in a few words; empty after a successful load.
const char* load_error();

// What the module was being read for when its bytes ran out.
const uint8_t SHORT_NONE = 0;  // the module holds everything it declares
const uint8_t SHORT_HEADER = 1;
const uint8_t SHORT_PATTERN = 2;      // index: the pattern
const uint8_t SHORT_INSTRUMENT = 3;   // index: the instrument (0-based), with its sample headers
const uint8_t SHORT_SAMPLE_DATA = 4;  // index: the instrument, sample: the sample in it

// The first place where the last load found the module shorter than it
// declares. The load goes on with what is there; this only tells where.
struct LoadShortfall {
    uint8_t part;
    uint32_t index;
    uint32_t sample;
};
LoadShortfall load_shortfall();
