// melvane-check-song SONG.xm: loads a module through the library's own loader
// from memory, as _play_song@0 loads its embedded song, and says whether the
// library can play it. The Windows builds run it on a module before they
// embed it, so that a module the library would refuse fails the build.
// Exit status 0 when it loads, 1 with the loader's reason when it does not,
// 2 on a bad command line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "song/memory.h"
#include "song/song_model.h"
#include "song/sources.h"
#include "song/xm_loader.h"
#include "support/file_bytes.h"

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

    Song* song = load_song_from(MEMORY_SOURCE, image.data(), uint32_t(image.size()));
    if (song == nullptr) return refuse(name, *load_error() ? load_error() : "unknown fault");
    describe(name, *song, image.size());
    release_song(song);
    return 0;
}
