// Why the last load failed and where its module fell short of what it
// declares: kept by the loader's reading helpers, read by whoever loaded.
#pragma once
#include <cstdint>

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

// Why the last load failed, in a few words; empty after a successful load.
const char* load_error();
LoadShortfall load_shortfall();

// Clears the reason and the shortfall at the start of a load.
void reset_load_report();
// Names what the loader reads from here on (a SHORT_ part and its numbers).
void xm_reading(uint8_t part, uint32_t index, uint32_t sample);
// The module lacks bytes of what is being read; the first such place is kept.
void xm_note_short();
// Sets the reason of the failure; returns 0 for the load's result.
int32_t xm_fail(const char* reason);
