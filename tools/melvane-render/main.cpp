// melvane-render: plays an XM file through the library's own loader, replayer
// and block renderer, and writes the first frames of the 16-bit output.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "front/block_renderer.h"
#include "front/player_state.h"
#include "front/memory.h"
#include "options.h"
#include "output.h"
#include "render_session.h"
#include "trace.h"

namespace {

const int EXIT_LOAD = 1;
const int EXIT_USAGE = 2;
const uint32_t PROGRESS_BLOCKS = 50;  // about one second of audio

bool read_file(const char* name, std::vector<uint8_t>* bytes) {
    FILE* file = std::fopen(name, "rb");
    if (file == nullptr) return false;
    uint8_t buffer[65536];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes->insert(bytes->end(), buffer, buffer + count);
    }
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

void show_progress(uint32_t done, uint32_t total) {
    std::fprintf(stderr, "\rmelvane-render: %.1f s of %.1f s", done / 44100.0, total / 44100.0);
}

bool render(FILE* out, uint32_t frames, bool progress) {
    uint32_t written = 0;
    uint32_t blocks = 0;
    while (written < frames) {
        const int16_t* block = session_render_block();
        uint32_t count = frames - written;
        if (count > uint32_t(BLOCK_FRAMES)) count = BLOCK_FRAMES;
        if (!write_frames(out, block, count)) return false;
        written += count;
        if (progress && ++blocks % PROGRESS_BLOCKS == 0) show_progress(written, frames);
    }
    if (progress) {
        show_progress(written, frames);
        std::fputc('\n', stderr);
    }
    return true;
}

int fail(const char* what, const char* name) {
    std::fprintf(stderr, "melvane-render: %s %s: %s\n", what, name, std::strerror(errno));
    return EXIT_LOAD;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const char* error = nullptr;
    if (!parse_options(argc, argv, &options, &error)) {
        std::fprintf(stderr, "melvane-render: %s\n%s", error, USAGE);
        return EXIT_USAGE;
    }
    std::vector<uint8_t> image;
    if (!read_file(options.input, &image)) {
        std::fprintf(stderr, "cannot load module: cannot read %s: %s\n", options.input,
                     std::strerror(errno));
        return EXIT_LOAD;
    }
    if (image.size() > MAX_ALLOCATION) {
        std::fprintf(stderr, "cannot load module: the file is too large\n");
        return EXIT_LOAD;
    }
    Song* song = session_start(image.data(), uint32_t(image.size()));
    if (song == nullptr) {
        std::fprintf(stderr, "cannot load module: %s\n", session_error());
        return EXIT_LOAD;
    }
    if (options.trace) set_tick_observer(trace_tick);

    FILE* out = open_output(options.output);
    if (out == nullptr) return fail("cannot open", options.output);
    const bool progress = !options.trace && isatty(STDERR_FILENO) && options.frames > 10 * 44100;
    bool ok = !options.wav || write_wav_header(out, options.frames);
    ok = ok && render(out, options.frames, progress);
    ok = (out == stdout ? std::fflush(out) == 0 : std::fclose(out) == 0) && ok;
    if (!ok) return fail("cannot write", options.output);

    session_end(song);
    return 0;
}
