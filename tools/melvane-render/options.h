// Command line of melvane-render.
#pragma once
#include <cstdint>

// Frames rendered when --frames is not given: 30 s at 44100 frames per second.
const uint32_t DEFAULT_FRAMES = 1323000;
// The most frames a WAV data chunk can describe.
const uint32_t MAX_FRAMES = (0xFFFFFFFFu - 36) / 4;

struct Options {
    uint32_t frames;
    bool wav;
    bool trace;
    const char* input;
    const char* output;  // "-" is standard output
};

// Fills options; false, with the reason in *error, on a usage error.
bool parse_options(int argc, char** argv, Options* options, const char** error);

extern const char* const USAGE;
