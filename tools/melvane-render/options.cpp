#include "options.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

const char* const USAGE =
    "usage: melvane-render [OPTIONS] INPUT.xm OUTPUT\n"
    "       melvane-render --info INPUT.xm\n"
    "Try 'melvane-render --help' for more.\n";

const char* const HELP =
    "usage: melvane-render [OPTIONS] INPUT.xm OUTPUT\n"
    "       melvane-render --info INPUT.xm\n"
    "Renders an XM module as the melvane library plays it: 16-bit stereo at\n"
    "44100 Hz, raw (signed little-endian, left first) or a WAV file.\n"
    "\n"
    "  --frames N   render the first N frames (default 1323000, 30 s; at most\n"
    "               1073741814); with --once, at most N frames\n"
    "  --once       render the song once through: until it comes back to a row\n"
    "               it has already played (pattern loops and delays play out);\n"
    "               a song that never does stops after 30 minutes\n"
    "  --wav        write a WAV file (the default when OUTPUT ends in .wav)\n"
    "  --raw        write raw samples even when OUTPUT ends in .wav\n"
    "  --trace      print one line per rendered tick on standard error\n"
    "  --info       describe the module (names, sizes, length of one pass)\n"
    "               instead of rendering it\n"
    "  -h, --help   print this help\n"
    "  --version    print the version\n"
    "\n"
    "INPUT is a file of at most 64 MiB, or - for standard input; OUTPUT is a\n"
    "file, or - for standard output. A file is written under a temporary name\n"
    "beside it and renamed when complete.\n"
    "OUTPUT may not be INPUT itself, nor standard output on a terminal.\n"
    "Exit status: 0 done, 1 the module does not load or OUTPUT cannot be\n"
    "written (a read-only file, a folder that takes no files, a closed standard\n"
    "output, a failed write), 2 a bad command line or a refused OUTPUT.\n";

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

const char* unknown_option(const char* arg) {
    static char message[96];
    std::snprintf(message, sizeof message, "unknown option '%.60s'", arg);
    return message;
}

// One option at argv[*i]; may take the next argument as its value.
bool parse_option(int argc, char** argv, int* i, Options* options, const char** error) {
    const char* arg = argv[*i];
    bool* flags[] = {&options->trace, &options->once, &options->info,
                     &options->help,  &options->help, &options->version};
    const char* names[] = {"--trace", "--once", "--info", "--help", "-h", "--version"};
    for (size_t f = 0; f < sizeof names / sizeof names[0]; ++f) {
        if (std::strcmp(arg, names[f]) == 0) {
            *flags[f] = true;
            return true;
        }
    }
    if (std::strcmp(arg, "--wav") == 0 || std::strcmp(arg, "--raw") == 0) {
        const uint8_t format = arg[2] == 'w' ? FORMAT_WAV : FORMAT_RAW;
        if (options->format != FORMAT_BY_NAME && options->format != format) {
            *error = "--wav and --raw exclude each other";
            return false;
        }
        options->format = format;
        return true;
    }
    const char* value = nullptr;
    if (std::strcmp(arg, "--frames") == 0) {
        value = *i + 1 < argc ? argv[++*i] : "";
    } else if (std::strncmp(arg, "--frames=", 9) == 0) {
        value = arg + 9;
    } else {
        *error = unknown_option(arg);
        return false;
    }
    if (!parse_frames(value, &options->frames)) {
        *error = "--frames needs a whole number of frames up to 1073741814";
        return false;
    }
    options->framesGiven = true;
    return true;
}

bool check_operands(int count, Options* options, const char** error) {
    if (options->help || options->version) return true;
    if (options->info) {
        if (count != 1) *error = count == 0 ? "INPUT is required" : "--info takes INPUT only";
        return count == 1;
    }
    if (count != 2) *error = count < 2 ? "INPUT and OUTPUT are required" : "too many arguments";
    return count == 2;
}

}  // namespace

bool parse_options(int argc, char** argv, Options* options, const char** error) {
    *options = Options{DEFAULT_FRAMES, false, FORMAT_BY_NAME, false, false, false, false, false, nullptr, nullptr};
    const char* operands[2] = {nullptr, nullptr};
    int count = 0;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!optionsEnded && std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (!optionsEnded && arg[0] == '-' && arg[1] != '\0') {
            if (!parse_option(argc, argv, &i, options, error)) return false;
        } else {
            if (count < 2) operands[count] = arg;
            ++count;
        }
    }
    options->input = operands[0];
    options->output = operands[1];
    return check_operands(count, options, error);
}

bool wants_wav(const Options& options) {
    if (options.format != FORMAT_BY_NAME) return options.format == FORMAT_WAV;
    const size_t length = std::strlen(options.output);
    return length >= 4 && strcasecmp(options.output + length - 4, ".wav") == 0;
}
