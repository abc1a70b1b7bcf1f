// Where the rendered 16-bit frames go: a raw stream or a WAV file, written
// under a temporary name and renamed into place only when complete.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "input.h"

struct Output {
    FILE* file;
    char* target;     // the file to end up with (a link resolved); null for standard output
    char* temporary;  // what is written meanwhile; null when writing in place
};

// Whether the output (through any path or link) is the input's file, which
// writing it would destroy.
bool output_is_input(const char* name, const InputImage& input);
// Whether OUTPUT can be written, as cp would decide: a file there must allow
// writing (the temporary file's rename would get round its permission), and
// a new or replaced file needs a folder that takes files. False with the
// reason, naming the file or the folder, in why.
bool output_writable(const char* name, char* why, size_t whySize);
// Opens the output ("-" = standard output). A regular file, or a name not
// yet taken, is written under a temporary name in the same folder; a device
// or pipe is written in place. False with errno set.
bool open_output(const char* name, Output* out);
// Flushes and closes. When everything went well (ok) the temporary file
// takes the target's name; otherwise it is removed. False, with errno set,
// when any of that fails.
bool close_output(Output* out, bool ok);
// The 44-byte header of a 44100 Hz, 16-bit, stereo PCM file of that many frames.
bool write_wav_header(FILE* out, uint32_t frames);
// Writes interleaved left/right samples as little-endian 16-bit values.
bool write_frames(FILE* out, const int16_t* samples, uint32_t frames);
