// An offline playback of one module image: the same loader, start values and
// block renderer as the library, with the output ring in memory instead of a
// device. Used by the render tool, the benchmarks, the fuzz targets and the
// damaged-module tests.
#pragma once
#include <cstdint>

struct Song;

// Loads the image through the memory source and prepares the ring, the mix
// area and the start values. Null on failure; load_error() tells why (or
// "out of memory").
Song* session_start(const uint8_t* image, uint32_t size);
// Loads the image into a new song through the memory source, without the
// ring or start values (to look through a song before playing it). Null on
// failure, as session_start.
Song* session_load(const uint8_t* image, uint32_t size);
// Renders the next ring block and returns its 16-bit frames (BLOCK_FRAMES
// stereo frames, left first).
const int16_t* session_render_block();
// Of the first frames of the block rendered last, the samples whose mixed
// value lay beyond the 16-bit range and were clamped.
uint32_t session_clipped_samples(uint32_t frames);
// Frees the ring, the mix area and the song.
void session_end(Song* song);
// Rows that one pass through the order list plays (a 0-row pattern counts one).
int64_t rows_in_orders(const Song* song);
// The reason of the last failed session_start.
const char* session_error();
