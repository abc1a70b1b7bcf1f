// melvane-render: plays an XM file through the library's own loader, replayer
// and block renderer, and writes the first frames of the 16-bit output.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "front/block_renderer.h"
#include "front/memory.h"
#include "front/player_state.h"
#include "front/song_model.h"
#include "front/sources.h"
#include "front/xm_loader.h"
#include "options.h"
#include "output.h"
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

Song* load_song(const std::vector<uint8_t>& image) {
    Song* song = static_cast<Song*>(alloc_zeroed(sizeof(Song)));
    if (song == nullptr) return nullptr;
    install_source(MEMORY_SOURCE, uint32_t(image.size()));
    player.source.open(image.data());
    const bool loaded = load_module(song) != 0;
    player.source.close();
    if (loaded) return song;
    release_song(song);
    return nullptr;
}

// The ring and the 16-byte aligned mix area, as a playback start sets them up.
bool allocate_output() {
    player.outputRing = static_cast<int16_t*>(alloc_zeroed(RING_BYTES));
    player.mixAllocation = alloc_zeroed(MIX_ALLOCATION_BYTES);
    if (player.outputRing == nullptr || player.mixAllocation == nullptr) return false;
    const uintptr_t aligned = (reinterpret_cast<uintptr_t>(player.mixAllocation) + 15) & ~uintptr_t(15);
    player.mixArea = reinterpret_cast<float*>(aligned);
    player.fillIndex = 0;
    return true;
}

void show_progress(uint32_t done, uint32_t total) {
    std::fprintf(stderr, "\rmelvane-render: %.1f s of %.1f s", done / 44100.0, total / 44100.0);
}

bool render(FILE* out, uint32_t frames, bool progress) {
    uint32_t written = 0;
    uint32_t blocks = 0;
    while (written < frames) {
        const int32_t block = player.fillIndex;
        fill_block();
        uint32_t count = frames - written;
        if (count > uint32_t(BLOCK_FRAMES)) count = BLOCK_FRAMES;
        if (!write_frames(out, player.outputRing + block * BLOCK_FRAMES * 2, count)) return false;
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
    Song* song = load_song(image);
    if (song == nullptr) {
        const char* reason = load_error();
        std::fprintf(stderr, "cannot load module: %s\n", *reason ? reason : "unknown fault");
        return EXIT_LOAD;
    }
    if (!allocate_output()) {
        std::fprintf(stderr, "melvane-render: out of memory\n");
        return EXIT_LOAD;
    }
    start_song(song);
    if (options.trace) set_tick_observer(trace_tick);

    FILE* out = open_output(options.output);
    if (out == nullptr) return fail("cannot open", options.output);
    const bool progress = !options.trace && isatty(STDERR_FILENO) && options.frames > 10 * 44100;
    bool ok = !options.wav || write_wav_header(out, options.frames);
    ok = ok && render(out, options.frames, progress);
    ok = (out == stdout ? std::fflush(out) == 0 : std::fclose(out) == 0) && ok;
    if (!ok) return fail("cannot write", options.output);

    free_block(player.outputRing);
    free_block(player.mixAllocation);
    release_song(song);
    return 0;
}
