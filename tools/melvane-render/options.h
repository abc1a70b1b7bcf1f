// Command line of melvane-render.
#pragma once
#include <cstdint>

// Frames rendered when neither --frames nor --once is given: 30 s at 44100 Hz.
const uint32_t DEFAULT_FRAMES = 1323000;
// The most frames a WAV data chunk can describe.
const uint32_t MAX_FRAMES = (0xFFFFFFFFu - 36) / 4;

const uint8_t FORMAT_BY_NAME = 0;  // WAV when OUTPUT ends in .wav, else raw
const uint8_t FORMAT_RAW = 1;
const uint8_t FORMAT_WAV = 2;

struct Options {
    uint32_t frames;
    bool framesGiven;
    uint8_t format;
    bool trace;
    bool once;
    bool info;
    bool help;
    bool version;
    const char* input;   // "-" is standard input
    const char* output;  // "-" is standard output; null with --info
};

// Fills options; false, with the reason in *error, on a usage error. The
// reason may point into a static buffer.
bool parse_options(int argc, char** argv, Options* options, const char** error);
// Whether the output is a WAV file: --wav, or a name ending in .wav without --raw.
bool wants_wav(const Options& options);

extern const char* const USAGE;
extern const char* const HELP;
