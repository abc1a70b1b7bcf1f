// The 16-bit conversion against the plain rule (nearest, ties to even, then
// clamped; a NaN gives -32768) for awkward values in every lane position,
// for counts that leave a tail, and for many random floats.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "render/block_renderer.h"

namespace {

int16_t reference(float value) {
    if (std::isnan(value)) return -32768;
    const double rounded = std::nearbyint(double(value));
    if (rounded >= 32767.0) return 32767;
    if (rounded <= -32768.0) return -32768;
    return int16_t(rounded);
}

const float AWKWARD[] = {
    std::numeric_limits<float>::quiet_NaN(),
    -std::numeric_limits<float>::quiet_NaN(),
    std::numeric_limits<float>::infinity(),
    -std::numeric_limits<float>::infinity(),
    3.0e9f,
    -3.0e9f,
    2147483648.0f,
    -2147483648.0f,
    2147483520.0f,
    -2147483520.0f,
    32766.5f,
    32767.5f,
    32768.0f,
    -32767.5f,
    -32768.5f,
    -32769.0f,
    -0.0f,
    0.5f,
    -1.5f,
    1e-30f,
};
const int AWKWARD_COUNT = sizeof AWKWARD / sizeof AWKWARD[0];

TEST(BlockConversionLanes, AwkwardValuesInEveryPositionAndTail) {
    for (int count = 1; count <= 27; ++count) {
        for (int shift = 0; shift < AWKWARD_COUNT; ++shift) {
            std::vector<float> in(count);
            for (int i = 0; i < count; ++i) in[i] = AWKWARD[(i + shift) % AWKWARD_COUNT];
            std::vector<int16_t> out(count + 1, 0x5555);
            convert_block(in.data(), out.data(), count);
            for (int i = 0; i < count; ++i) ASSERT_EQ(out[i], reference(in[i])) << in[i];
            ASSERT_EQ(out[count], 0x5555) << "wrote past the end, count " << count;
        }
    }
}

TEST(BlockConversionLanes, RandomFloatsMatchTheRule) {
    uint32_t seed = 12345;
    std::vector<float> in(1768);
    std::vector<int16_t> out(1768);
    for (int round = 0; round < 200; ++round) {
        for (float& v : in) {
            seed = seed * 1664525u + 1013904223u;
            // Half the values are arbitrary bit patterns, half near the range.
            if (seed & 1) {
                std::memcpy(&v, &seed, sizeof v);
            } else {
                v = float(int32_t(seed) >> 14) / 2.0f;
            }
        }
        convert_block(in.data(), out.data(), int(in.size()));
        for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(out[i], reference(in[i])) << in[i];
    }
}

}  // namespace
