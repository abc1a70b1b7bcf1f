// The XM loader's instrument part: instrument headers, envelopes, sample
// headers and sample data.
#pragma once
#include <cstdint>

struct Song;

// Reads the song's instruments from the current position; 0 on failure.
int32_t load_instruments(Song* song);
