// The render loop: ring blocks of the started song out to a file.
#pragma once
#include <cstdint>
#include <cstdio>

struct Song;

// Writes the first frames frames of the song's output; on a terminal shows
// the progress with the song position. Adds to *clipped the samples that
// were clamped to the 16-bit range. False when a write fails.
bool render_frames(FILE* out, const Song* song, uint32_t frames, bool progress, uint64_t* clipped);
