// Where the rendered 16-bit frames go: a raw stream or a WAV file.
#pragma once
#include <cstdint>
#include <cstdio>

// Opens the output ("-" = standard output); null on failure.
FILE* open_output(const char* name);
// The 44-byte header of a 44100 Hz, 16-bit, stereo PCM file of that many frames.
bool write_wav_header(FILE* out, uint32_t frames);
// Writes interleaved left/right samples as little-endian 16-bit values.
bool write_frames(FILE* out, const int16_t* samples, uint32_t frames);
