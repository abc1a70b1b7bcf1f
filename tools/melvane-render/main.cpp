// melvane-render: plays an XM file through the library's own loader, replayer
// and block renderer, and writes the first frames of the 16-bit output; or
// describes the module.
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "../standard_descriptors.h"
#include "../version.h"
#include "render/block_renderer.h"
#include "song/song_model.h"
#include "info.h"
#include "input.h"
#include "interrupt.h"
#include "support/load_warning.h"
#include "options.h"
#include "output.h"
#include "render.h"
#include "support/render_session.h"
#include "support/song_pass.h"
#include "trace.h"

namespace {

const int EXIT_FAILED = 1;
const int EXIT_USAGE = 2;

// Loads the image, or says why it does not load. For rendering it also sets
// up the ring and start values and puts a load warning on standard error
// (the loads that only look at the song leave that to the one that plays it).
Song* load(const InputImage& image, bool forRendering) {
    Song* song = forRendering ? session_start(image.bytes, image.size) : session_load(image.bytes, image.size);
    if (song == nullptr) {
        std::fprintf(stderr, "cannot load module: %s\n", session_error());
        return nullptr;
    }
    const char* warning = forRendering ? shortfall_warning(image.bytes, image.size) : nullptr;
    if (warning) std::fprintf(stderr, "warning: %s\n", warning);
    return song;
}

int fail(const char* what, const char* name) {
    std::fprintf(stderr, "melvane-render: %s %s: %s\n", what, name, std::strerror(errno));
    return EXIT_FAILED;
}

int describe(const InputImage& image) {
    Song* song = load(image, false);
    if (song == nullptr) return EXIT_FAILED;
    const bool ok = print_info(image.bytes, image.size, song, shortfall_warning(image.bytes, image.size));
    release_song(song);
    if (!ok) std::fprintf(stderr, "melvane-render: out of memory\n");
    return ok ? 0 : EXIT_FAILED;
}

// The frames to render: --frames (or 30 s), or with --once one pass of the
// song, measured on a copy of its own, at most --frames.
bool frames_to_render(const Options& options, const InputImage& image, uint32_t* frames) {
    *frames = options.frames;
    if (!options.once) return true;
    Song* probe = load(image, false);
    if (probe == nullptr) return false;
    SongPass pass;
    const uint32_t cap = options.framesGiven ? options.frames : PASS_CAP_FRAMES;
    const bool measured = measure_pass(probe, cap, &pass);
    release_song(probe);
    if (!measured) std::fprintf(stderr, "melvane-render: out of memory\n");
    *frames = uint32_t(pass.frames);
    return measured;
}

// Refused before anything is written: output that would destroy the module,
// or that a terminal would show as noise.
const char* unwritable_output(const Options& options, const InputImage& image) {
    if (output_is_input(options.output, image)) return "OUTPUT is the INPUT file";
    if (std::strcmp(options.output, "-") == 0 && isatty(STDOUT_FILENO)) return "refusing to write audio to a terminal";
    return nullptr;
}

int render(const Options& options, const InputImage& image) {
    const char* refusal = unwritable_output(options, image);
    if (refusal != nullptr) {
        std::fprintf(stderr, "melvane-render: %s\n", refusal);
        return EXIT_USAGE;
    }
    char why[PATH_MAX + 64];
    if (!output_writable(options.output, why, sizeof why)) {
        std::fprintf(stderr, "melvane-render: %s\n", why);
        return EXIT_FAILED;
    }
    guard_against_signals();
    uint32_t frames = 0;
    if (!frames_to_render(options, image, &frames)) return EXIT_FAILED;
    Song* song = load(image, true);
    if (song == nullptr) return EXIT_FAILED;
    Output out;
    if (!open_output(options.output, &out)) {
        session_end(song);
        return fail("cannot open", options.output);
    }
    if (options.trace) {
        start_trace(song, frames);
        set_tick_observer(trace_tick);
    }
    const bool progress = !options.trace && isatty(STDERR_FILENO) && frames > 10 * 44100;
    uint64_t clipped = 0;
    bool ok = !wants_wav(options) || write_wav_header(out.file, frames);
    ok = ok && render_frames(out.file, song, frames, progress, &clipped);
    ok = close_output(&out, ok);
    session_end(song);
    if (!ok) return fail("cannot write", std::strcmp(options.output, "-") == 0 ? "standard output" : options.output);
    if (clipped > 0)
        std::fprintf(stderr, "warning: %llu of %llu samples clipped\n", static_cast<unsigned long long>(clipped),
                     2ull * frames);
    return 0;
}

// Output that never arrived, on standard output or error, fails the run.
int settle(int status) {
    const bool lost = std::fflush(stdout) != 0 || std::ferror(stdout) || std::ferror(stderr);
    return status == 0 && lost ? EXIT_FAILED : status;
}

// Whether what the run makes goes to standard output.
bool writes_standard_output(const Options& options) {
    return options.help || options.version || options.info || std::strcmp(options.output, "-") == 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool outputClosed = false;
    if (!open_standard_descriptors(&outputClosed)) return EXIT_FAILED;
    Options options;
    const char* error = nullptr;
    if (!parse_options(argc, argv, &options, &error)) {
        std::fprintf(stderr, "melvane-render: %s\n%s", error, USAGE);
        return EXIT_USAGE;
    }
    if (outputClosed && writes_standard_output(options)) {
        std::fprintf(stderr, "melvane-render: standard output is closed\n");
        return EXIT_FAILED;
    }
    if (options.help || options.version) {
        if (options.help)
            std::fputs(HELP, stdout);
        else
            std::printf("melvane-render %s\n", TOOLS_VERSION);
        return settle(0);
    }
    InputImage image;
    char why[512];
    if (!read_input(options.input, &image, why, sizeof why)) {
        std::fprintf(stderr, "cannot load module: %s\n", why);
        return settle(EXIT_FAILED);
    }
    const int status = options.info ? describe(image) : render(options, image);
    free_input(&image);
    return settle(status);
}
