#include "prefill_bench.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "render/block_renderer.h"
#include "render/player_state.h"
#include "song/song_model.h"
#include "support/file_bytes.h"
#include "support/xm_writer.h"

namespace {

std::vector<uint8_t> read_song() {
    std::vector<uint8_t> bytes;
    std::string path = std::string(MELVANE_SOURCE_DIR) + "/music/song-image/builtin_song.xm";
    if (!read_file_bytes(path.c_str(), &bytes)) bytes.clear();
    return bytes;
}

double cpu_now() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Expects the ring and mix area of the caller.
double one_prefill(const std::vector<uint8_t>& image) {
    Song* song = load_xm_image(image);
    if (song == nullptr) return -1.0;
    start_song(song);
    player.fillIndex = 0;
    double begin = cpu_now();
    do fill_block();
    while (player.fillIndex != 0);
    double ms = (cpu_now() - begin) * 1000.0;
    release_song(song);
    player.song = nullptr;
    return ms;
}

}  // namespace

double prefill_ms(int runs) {
    std::vector<uint8_t> image = read_song();
    if (image.empty()) return -1.0;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double ms = one_prefill(image);
        if (ms < 0.0) return -1.0;
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
