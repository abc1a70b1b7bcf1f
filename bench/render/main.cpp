// melvane-bench-render [SECONDS] [--before RENDER]: how many times faster
// than real time the replayer renders a generated 4-channel module and a
// 32-channel stress module, and how fast the mixer alone mixes 64 voices.
// Each figure is the median of 5 runs of SECONDS of audio (default 60), in
// CPU time. Then the mixer's cycles per voice-frame with each kernel this
// processor runs, the CPU time of the built-in song's prefill, and the
// offline renderer on the real modules (60 s each, whole process), side by
// side with RENDER when given.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "support/bench_modules.h"
#include "render/block_renderer.h"
#include "song/memory.h"
#include "render/player_state.h"
#include "song/song_model.h"
#include "replay/mix_kernels.h"
#include "mixer_bench.h"
#include "prefill_bench.h"
#include "real_modules.h"

namespace {

const int RUNS = 5;
const int PREFILL_RUNS = 21;

// Audio seconds per CPU second for one playback from the start; 0 when the
// module does not load.
double render_speed(const std::vector<uint8_t>& image, double seconds) {
    Song* song = load_xm_image(image);
    if (!song) return 0.0;
    start_song(song);
    player.fillIndex = 0;
    const int blocks = int(seconds * 44100.0 / BLOCK_FRAMES);
    std::clock_t begin = std::clock();
    for (int b = 0; b < blocks; ++b) fill_block();
    double cpu = double(std::clock() - begin) / CLOCKS_PER_SEC;
    release_song(song);
    player.song = nullptr;
    return cpu > 0.0 ? double(blocks) * BLOCK_FRAMES / 44100.0 / cpu : 0.0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char* name, const std::vector<double>& speeds) {
    std::printf("  %-40s %9.1f x real time\n", name, median(speeds));
}

void bench_module(const char* name, const XmModule& module, double seconds) {
    std::vector<uint8_t> image = write_xm(module);
    std::vector<double> speeds;
    for (int i = 0; i < RUNS; ++i) speeds.push_back(render_speed(image, seconds));
    report(name, speeds);
}

void bench_mixer(const char* name, bool ramps, double seconds) {
    std::vector<double> speeds;
    for (int i = 0; i < RUNS; ++i) speeds.push_back(mixer_speed(seconds, ramps));
    report(name, speeds);
}

// Time-stamp counter ticks per voice-frame, the best of RUNS, per kernel.
void bench_kernels(double seconds) {
    const MixKernels* usable[MAX_MIX_KERNELS];
    const int count = usable_mix_kernels(usable);
    std::printf("mixer alone, 64 voices, reference cycles per voice-frame, best of %d runs:\n", RUNS);
    for (int k = 0; k < count; ++k) {
        use_mix_kernels(usable[k]);
        double best[2] = {1e30, 1e30};
        for (int i = 0; i < RUNS; ++i) {
            for (int ramps = 0; ramps < 2; ++ramps) {
                best[ramps] = std::min(best[ramps], mixer_cycles_per_voice_frame(seconds, ramps != 0));
            }
        }
        std::printf("  %-8s kernels: %6.2f steady gains, %6.2f ramps every tick\n", usable[k]->name, best[0], best[1]);
    }
    choose_mix_kernels();
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 60.0;
    const char* before = nullptr;
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--before") == 0 && i + 1 < argc) {
            before = argv[++i];
        } else if (i == 1) {
            seconds = std::atof(argv[i]);
        } else {
            usage = true;
        }
    }
    if (usage || seconds <= 0.0) {
        std::fprintf(stderr, "usage: melvane-bench-render [SECONDS] [--before RENDER]\n");
        return 2;
    }
    if (!allocate_output()) {
        std::fprintf(stderr, "melvane-bench-render: out of memory\n");
        return 1;
    }
    choose_mix_kernels();
    std::printf("render speed, %.0f s of audio per run, median of %d runs, %s kernels:\n", seconds, RUNS,
                mix_kernels().name);
    bench_module("4-channel module", four_channel_module(), seconds);
    bench_module("32-channel stress module", stress_module(), seconds);
    bench_mixer("mixer alone, 64 voices, steady gains", false, seconds);
    bench_mixer("mixer alone, 64 voices, ramps every tick", true, seconds);
    bench_kernels(seconds / 4);
    double prefill = prefill_ms(PREFILL_RUNS);
    if (prefill >= 0.0) {
        std::printf("prefill of the built-in song (100 blocks), median of %d runs: %.3f ms CPU\n", PREFILL_RUNS,
                    prefill);
    } else {
        std::printf("prefill of the built-in song: cannot load it\n");
    }
    free_output();
    bench_real_modules(RUNS, before);
    return 0;
}
