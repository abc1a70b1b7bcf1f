#include "options.h"

#include <cstring>

const char* const USAGE =
    "usage: melvane-render [--frames N] [--wav] [--trace] INPUT.xm OUTPUT\n"
    "  --frames N  render the first N frames (default 1323000, 30 s)\n"
    "  --wav       write a WAV file instead of raw s16le stereo\n"
    "  --trace     one line per tick on standard error\n"
    "  OUTPUT      a file name, or - for standard output\n";

namespace {

bool parse_frames(const char* text, uint32_t* frames) {
    if (*text == '\0') return false;
    uint64_t value = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
        value = value * 10 + uint64_t(*p - '0');
        if (value > MAX_FRAMES) return false;
    }
    *frames = uint32_t(value);
    return true;
}

}  // namespace

bool parse_options(int argc, char** argv, Options* options, const char** error) {
    *options = Options{DEFAULT_FRAMES, false, false, nullptr, nullptr};
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--wav") == 0) {
            options->wav = true;
        } else if (std::strcmp(arg, "--trace") == 0) {
            options->trace = true;
        } else if (std::strcmp(arg, "--frames") == 0) {
            if (i + 1 >= argc || !parse_frames(argv[++i], &options->frames)) {
                *error = "--frames needs a whole number of frames up to 1073741814";
                return false;
            }
        } else if (arg[0] == '-' && arg[1] != '\0') {
            *error = "unknown option";
            return false;
        } else if (positional == 0) {
            options->input = arg;
            ++positional;
        } else if (positional == 1) {
            options->output = arg;
            ++positional;
        } else {
            *error = "too many arguments";
            return false;
        }
    }
    if (positional != 2) {
        *error = "INPUT and OUTPUT are required";
        return false;
    }
    return true;
}
