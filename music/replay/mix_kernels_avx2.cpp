// Eight frames per turn in AVX2 lanes (64-bit builds only; chosen when the
// processor and the system support it). The lanes hold frames 0 1 4 5 in
// the lower half and 2 3 6 7 in the upper, so that the in-lane unpacks give
// frames 0..3 and 4..7 as interleaved stereo. Each lane does one frame's
// float operations in the same order as the portable kernels; no fused
// multiply-add.
#if defined(__x86_64__)
#include <immintrin.h>

#include "replay/mix_kernels.h"

// Only this file's own functions may use AVX2, so every one is internal.
#define AVX2 __attribute__((target("avx2")))

namespace {

// The frame of each lane, in lane order.
const int LANE_FRAME[8] = {0, 1, 4, 5, 2, 3, 6, 7};

struct Octet {
    const int16_t* data;
    uint64_t position;
    uint64_t delta[8];     // 0..7 steps: the lanes' offsets from the position
    uint64_t turn;         // 8 steps
    __m256i fractions;     // low words of the lanes' positions
    __m256i fractionStep;  // low word of 8 steps
};

AVX2 Octet octet_of(const Stretch& st) {
    Octet o;
    o.data = st.data;
    o.position = st.position;
    for (int i = 0; i < 8; ++i) o.delta[i] = st.delta * uint64_t(i);
    o.turn = st.delta * 8;
    alignas(32) int32_t fractions[8];
    for (int lane = 0; lane < 8; ++lane) {
        fractions[lane] = int32_t(uint32_t(st.position + o.delta[LANE_FRAME[lane]]));
    }
    o.fractions = _mm256_load_si256(reinterpret_cast<const __m256i*>(fractions));
    o.fractionStep = _mm256_set1_epi32(int32_t(uint32_t(o.turn)));
    return o;
}

AVX2 __m128i pair_at(const int16_t* data, uint64_t position) { return _mm_loadu_si32(data + uint32_t(position >> 32)); }

// Four pairs of s[i], s[i + 1] side by side.
AVX2 __m128i four_pairs(const Octet& o, uint64_t p, int a, int b, int c, int d) {
    return _mm_unpacklo_epi64(_mm_unpacklo_epi32(pair_at(o.data, p + o.delta[a]), pair_at(o.data, p + o.delta[b])),
                              _mm_unpacklo_epi32(pair_at(o.data, p + o.delta[c]), pair_at(o.data, p + o.delta[d])));
}

// float(fraction) x 2^-32 with one rounding; see the SSE2 kernels.
AVX2 __m256 fraction_times_unit(__m256i fractions) {
    __m256i highBits = _mm256_or_si256(_mm256_srli_epi32(fractions, 16), _mm256_set1_epi32(0x43000000));
    __m256i lowBits =
        _mm256_or_si256(_mm256_and_si256(fractions, _mm256_set1_epi32(0xFFFF)), _mm256_set1_epi32(0x3B000000));
    __m256 high = _mm256_sub_ps(_mm256_castsi256_ps(highBits), _mm256_set1_ps(128.001953125f));
    return _mm256_add_ps(high, _mm256_castsi256_ps(lowBits));
}

// The interpolated values of the next eight frames, in lane order.
AVX2 __m256 next_eight(Octet* o) {
    const uint64_t p = o->position;
    __m256i pairs = _mm256_inserti128_si256(_mm256_castsi128_si256(four_pairs(*o, p, 0, 1, 4, 5)),
                                            four_pairs(*o, p, 2, 3, 6, 7), 1);
    o->position = p + o->turn;
    __m256i first = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00000001));
    __m256i change = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x0001FFFF));
    __m256 t = fraction_times_unit(o->fractions);
    o->fractions = _mm256_add_epi32(o->fractions, o->fractionStep);
    return _mm256_add_ps(_mm256_cvtepi32_ps(first), _mm256_mul_ps(_mm256_cvtepi32_ps(change), t));
}

// The first voice of a run adds to 0 instead of the block's floats.
template <bool STORE>
AVX2 void add_four(float* out, __m256 xx, __m256 gains) {
    const __m256 before = STORE ? _mm256_setzero_ps() : _mm256_loadu_ps(out);
    _mm256_storeu_ps(out, _mm256_add_ps(before, _mm256_mul_ps(xx, gains)));
}

template <bool STORE>
AVX2 void steady(Stretch* st, float* out, int frames) {
    if (frames < 8) return SSE2_KERNELS.mixSteady(st, out, frames);  // no lane set-up for less
    Octet o = octet_of(*st);
    const __m256 gains =
        _mm256_setr_ps(st->left, st->right, st->left, st->right, st->left, st->right, st->left, st->right);
    for (int octets = frames / 8; octets > 0; --octets) {
        __m256 x = next_eight(&o);
        add_four<STORE>(out, _mm256_unpacklo_ps(x, x), gains);
        add_four<STORE>(out + 8, _mm256_unpackhi_ps(x, x), gains);
        out += 16;
    }
    st->position = o.position;
    SSE2_KERNELS.mixSteady(st, out, frames % 8);
}

void mix_steady(Stretch* st, float* out, int frames) { write_or_add(st, out, frames, steady<true>, steady<false>); }

}  // namespace

namespace {

// Ramps last 128 frames and need each frame's gains from the one before:
// they stay with the SSE2 loop, as does the conversion.
void mix_ramp(Stretch* st, float* out, int frames) { SSE2_KERNELS.mixRamp(st, out, frames); }

void convert(const float* mix, int16_t* out, int count) { SSE2_KERNELS.convert(mix, out, count); }

}  // namespace

const MixKernels AVX2_KERNELS = {"avx2", mix_steady, mix_ramp, convert};
#endif
