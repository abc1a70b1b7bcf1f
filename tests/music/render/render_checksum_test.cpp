// Fixed checksums of whole renders: the seed modules (every effect, column
// form, envelope and loop kind), the built-in song and the benchmark modules,
// through every mixer kernel this processor runs. Speed work on the mixer and
// block renderer must leave every output byte as it was; any change of output
// fails here. The caller's floating-point modes must not matter either.
#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "render/block_renderer.h"
#include "render/player_state.h"
#include "song/song_model.h"
#include "replay/mix_kernels.h"
#include "file_bytes.h"
#include "support/bench_modules.h"
#include "support/xm_writer.h"

namespace {

const uint32_t FRAMES = 44100 * 40;
const uint64_t FNV_OFFSET = 1469598103934665603ull;
const uint64_t FNV_PRIME = 1099511628211ull;

alignas(16) float mixArea[RING_FRAMES * 2];
int16_t outputRing[RING_FRAMES * 2];

// The repository root, from this file's own path.
std::string source_root() {
    std::string file = __FILE__;
    const std::string tail = "tests/music/render/render_checksum_test.cpp";
    return file.size() >= tail.size() ? file.substr(0, file.size() - tail.size()) : "";
}

// FNV-1a over the little-endian bytes of the first `frames` stereo frames,
// rendered with the given kernels (null: those start_song picks).
uint64_t render_hash_with(const std::vector<uint8_t>& image, uint32_t frames, const MixKernels* kernels) {
    Song* song = load_xm_image(image);
    if (song == nullptr) return 0;
    player.outputRing = outputRing;
    player.mixArea = mixArea;
    player.fillIndex = 0;
    start_song(song);
    if (kernels != nullptr) use_mix_kernels(kernels);
    uint64_t hash = FNV_OFFSET;
    for (uint32_t done = 0; done < frames; done += BLOCK_FRAMES) {
        const int16_t* block = outputRing + player.fillIndex * BLOCK_FRAMES * 2;
        render_blocks(1);
        const uint32_t count = frames - done < uint32_t(BLOCK_FRAMES) ? frames - done : BLOCK_FRAMES;
        for (uint32_t i = 0; i < count * 2; ++i) {
            const uint16_t value = uint16_t(block[i]);
            hash = (hash ^ (value & 0xFF)) * FNV_PRIME;
            hash = (hash ^ (value >> 8)) * FNV_PRIME;
        }
    }
    release_song(song);
    player.song = nullptr;
    return hash;
}

// The hash of the kernels start_song picks, once every other kernel this
// processor runs has given the same.
uint64_t render_hash(const std::vector<uint8_t>& image, uint32_t frames) {
    const uint64_t chosen = render_hash_with(image, frames, nullptr);
    const MixKernels* usable[MAX_MIX_KERNELS];
    const int count = usable_mix_kernels(usable);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(render_hash_with(image, frames, usable[i]), chosen) << usable[i]->name << " kernels";
    }
    return chosen;
}

uint64_t file_hash(const char* relative) {
    const std::vector<uint8_t> image = readFileBytes(source_root() + relative);
    EXPECT_FALSE(image.empty()) << relative;
    return render_hash(image, FRAMES);
}

TEST(RenderChecksum, SeedModules) {
    EXPECT_EQ(file_hash("tests/fuzz/corpus/module/columns-unpacked.xm"), 0x81fc8bb3658b1d64ull);
    EXPECT_EQ(file_hash("tests/fuzz/corpus/module/effects-amiga.xm"), 0xa7e32269bd5df57cull);
    EXPECT_EQ(file_hash("tests/fuzz/corpus/module/effects-linear.xm"), 0xbce81c0115fd6e9dull);
    EXPECT_EQ(file_hash("tests/fuzz/corpus/module/jumps-missing-patterns.xm"), 0x73768cbf9825355dull);
}

TEST(RenderChecksum, BuiltinSong) { EXPECT_EQ(file_hash("music/song-image/builtin_song.xm"), 0xfcd0ee903caa92ceull); }

TEST(RenderChecksum, BenchmarkModules) {
    EXPECT_EQ(render_hash(write_xm(four_channel_module()), FRAMES), 0xe78ee4d4dc8fc89aull);
    EXPECT_EQ(render_hash(write_xm(stress_module()), FRAMES), 0x0e5494e74c75f78dull);
}

// A host may have set rounding toward zero (and on x86 flush-to-zero and
// denormals-are-zero) for its own work: the render stays the same and the
// host gets its modes back.
TEST(RenderChecksum, CallersFloatingPointModesChangeNothing) {
    const std::vector<uint8_t> image = readFileBytes(source_root() + "music/song-image/builtin_song.xm");
    const uint64_t expected = render_hash_with(image, FRAMES / 4, nullptr);
    const int rounding = std::fegetround();
    ASSERT_EQ(std::fesetround(FE_TOWARDZERO), 0);
#if defined(__x86_64__) || defined(__i386__)
    const unsigned int sse = __builtin_ia32_stmxcsr();
    __builtin_ia32_ldmxcsr(sse | 0x8040);  // flush to zero, denormals are zero
#endif
    EXPECT_EQ(render_hash_with(image, FRAMES / 4, nullptr), expected);
    EXPECT_EQ(std::fegetround(), FE_TOWARDZERO);
#if defined(__x86_64__) || defined(__i386__)
    EXPECT_EQ(__builtin_ia32_stmxcsr() & 0xE040, 0xE040u);  // toward zero, FTZ, DAZ kept
    __builtin_ia32_ldmxcsr(sse);
#endif
    std::fesetround(rounding);
}

}  // namespace
