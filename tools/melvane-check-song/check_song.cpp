// melvane-check-song SONG.xm: loads a module through the library's own loader
// from memory, as _play_song@0 loads its embedded song, and says whether the
// library can play it. The Windows builds run it on a module before they
// embed it, so that a module the library would refuse, or would play as
// silence, fails the build.
// Exit status 0 when it plays, 1 with the reason when it does not, 2 on a bad
// command line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "render/player_state.h"
#include "song/memory.h"
#include "song/song_model.h"
#include "support/file_bytes.h"
#include "support/load_warning.h"
#include "support/render_session.h"
#include "support/song_pass.h"

namespace {

const int EXIT_REFUSED = 1;
const int EXIT_USAGE = 2;

int refuse(const char* name, const char* reason) {
    std::fprintf(stderr, "melvane-check-song: %s: %s\n", name, reason);
    return EXIT_REFUSED;
}

void describe(const char* name, const Song& song, size_t size) {
    std::printf("%s: %zu bytes, %u channels, %d orders, %d instruments, speed %d, BPM %d\n", name, size,
                unsigned(song.channelCount), int(song.songLength), int(song.instrumentCount), int(song.defaultSpeed),
                int(song.defaultBpm));
}

// Renders the first `frames` frames as the library plays them, up to the
// first sample that is not 0. False when memory runs out.
bool renders_sound(const std::vector<uint8_t>& image, uint64_t frames, bool* sound) {
    Song* song = session_start(image.data(), uint32_t(image.size()));
    if (song == nullptr) return false;
    *sound = false;
    for (uint64_t done = 0; done < frames && !*sound; done += BLOCK_FRAMES) {
        const int16_t* block = session_render_block();
        const uint64_t count = frames - done < uint64_t(BLOCK_FRAMES) ? frames - done : BLOCK_FRAMES;
        for (uint64_t i = 0; i < count * 2 && !*sound; ++i) *sound = block[i] != 0;
    }
    session_end(song);
    return true;
}

// Why the loaded song would give no music: cut short, without instruments, or
// silent through its first pass. Null when it plays. Uses the song up.
const char* fault_of(const std::vector<uint8_t>& image, Song* song) {
    const char* warning = shortfall_warning(image.data(), uint32_t(image.size()));
    if (warning != nullptr) return warning;
    if (song->instrumentCount == 0) return "plays nothing: it has no instruments";
    SongPass pass;
    bool sound = false;
    if (!measure_pass(song, PASS_CAP_FRAMES, &pass) || !renders_sound(image, pass.frames, &sound))
        return "out of memory";
    return sound ? nullptr : "plays nothing: its first pass is silent";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: melvane-check-song SONG.xm\n");
        return EXIT_USAGE;
    }
    const char* name = argv[1];
    std::vector<uint8_t> image;
    if (!read_file_bytes(name, &image)) return refuse(name, std::strerror(errno));
    if (image.size() > MAX_ALLOCATION) return refuse(name, "the file is too large");

    Song* song = session_load(image.data(), uint32_t(image.size()));
    if (song == nullptr) return refuse(name, session_error());
    const char* fault = fault_of(image, song);
    if (fault == nullptr) describe(name, *song, image.size());
    release_song(song);
    return fault ? refuse(name, fault) : 0;
}
