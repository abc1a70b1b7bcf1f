// Four frames per turn in SSE2 lanes, and the block conversion eight values
// at a time. Each lane does the float operations of one frame in the same
// order as the portable kernels, so the results are the same bits.
#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>

#include "replay/mix_kernels.h"

// Only this file's own functions may use SSE2 (the 32-bit library also runs
// on processors without it), so every function below is internal.
#define SSE2 __attribute__((target("sse2")))

namespace {

struct Quad {
    const int16_t* data;
    uint64_t position;
    uint64_t delta[4];     // 1, 2, 3 and 4 steps: the four positions of a turn
    __m128i fractions;     // low words of the next four positions
    __m128i fractionStep;  // low word of 4 steps
};

SSE2 Quad quad_of(const Stretch& st) {
    Quad q;
    q.data = st.data;
    q.position = st.position;
    for (int i = 0; i < 4; ++i) q.delta[i] = st.delta * uint64_t(i + 1);
    uint32_t f = uint32_t(st.position);
    uint32_t d = uint32_t(st.delta);
    q.fractions = _mm_setr_epi32(int32_t(f), int32_t(f + d), int32_t(f + 2 * d), int32_t(f + 3 * d));
    q.fractionStep = _mm_set1_epi32(int32_t(4 * d));
    return q;
}

// s[i] and s[i + 1] of a position, loaded straight into a vector lane.
SSE2 __m128i pair_at(const int16_t* data, uint64_t position) { return _mm_loadu_si32(data + uint32_t(position >> 32)); }

// t = float(fraction) x 2^-32 with one rounding, as the scalar code has it.
// Each 16-bit half becomes exact float bits: 2^7 + high x 2^-16 and
// 2^-9 + low x 2^-32; subtracting 2^7 + 2^-9 from the first is exact, and
// adding the second rounds the exact value once.
SSE2 __m128 fraction_times_unit(__m128i fractions) {
    __m128i highBits = _mm_or_si128(_mm_srli_epi32(fractions, 16), _mm_set1_epi32(0x43000000));
    __m128i lowBits = _mm_or_si128(_mm_and_si128(fractions, _mm_set1_epi32(0xFFFF)), _mm_set1_epi32(0x3B000000));
    __m128 high = _mm_sub_ps(_mm_castsi128_ps(highBits), _mm_set1_ps(128.001953125f));
    return _mm_add_ps(high, _mm_castsi128_ps(lowBits));
}

// x = s[i] + (s[i + 1] - s[i]) x t for pairs holding s[i] in the lower and
// s[i + 1] in the upper half: pmaddwd gives s[i] x 1 + s[i + 1] x 0 and
// s[i] x -1 + s[i + 1] x 1.
SSE2 __m128 interpolate_pairs(__m128i pairs, __m128i fractions) {
    __m128i first = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00000001));
    __m128i change = _mm_madd_epi16(pairs, _mm_set1_epi32(0x0001FFFF));
    return _mm_add_ps(_mm_cvtepi32_ps(first), _mm_mul_ps(_mm_cvtepi32_ps(change), fraction_times_unit(fractions)));
}

// The interpolated values of the next four frames; advances the position.
// The four positions come from the current one independently, not in a
// chain of additions.
SSE2 __m128 next_four(Quad* q) {
    const uint64_t p = q->position;
    __m128i pairs =
        _mm_unpacklo_epi64(_mm_unpacklo_epi32(pair_at(q->data, p), pair_at(q->data, p + q->delta[0])),
                           _mm_unpacklo_epi32(pair_at(q->data, p + q->delta[1]), pair_at(q->data, p + q->delta[2])));
    q->position = p + q->delta[3];
    __m128 x = interpolate_pairs(pairs, q->fractions);
    q->fractions = _mm_add_epi32(q->fractions, q->fractionStep);
    return x;
}

// out[0..3] += x of two frames times their gains (left, right, left, right);
// the first voice of a run adds to 0 instead of the block's floats.
template <bool STORE>
SSE2 void add_two(float* out, __m128 xx, __m128 gains) {
    const __m128 before = STORE ? _mm_setzero_ps() : _mm_loadu_ps(out);
    _mm_storeu_ps(out, _mm_add_ps(before, _mm_mul_ps(xx, gains)));
}

template <bool STORE>
SSE2 void steady(Stretch* st, float* out, int frames) {
    if (frames < 4) return SCALAR_KERNELS.mixSteady(st, out, frames);  // no lane set-up for less
    Quad q = quad_of(*st);
    const __m128 gains = _mm_setr_ps(st->left, st->right, st->left, st->right);
    for (int quads = frames / 4; quads > 0; --quads) {
        __m128 x = next_four(&q);
        add_two<STORE>(out, _mm_unpacklo_ps(x, x), gains);
        add_two<STORE>(out + 4, _mm_unpackhi_ps(x, x), gains);
        out += 8;
    }
    st->position = q.position;
    SCALAR_KERNELS.mixSteady(st, out, frames % 4);
}

// Gains moving by a step per frame: each frame's gains are the previous
// frame's plus the step, one rounding each, as in a frame-by-frame loop.
template <bool STORE>
SSE2 void ramp(Stretch* st, float* out, int frames) {
    if (frames < 4) return SCALAR_KERNELS.mixRamp(st, out, frames);
    Quad q = quad_of(*st);
    const __m128 step = _mm_setr_ps(st->leftStep, st->rightStep, 0.0f, 0.0f);
    __m128 gains = _mm_setr_ps(st->left, st->right, 0.0f, 0.0f);  // lanes 0 and 1 used
    for (int quads = frames / 4; quads > 0; --quads) {
        __m128 x = next_four(&q);
        __m128 g1 = _mm_add_ps(gains, step);
        __m128 g2 = _mm_add_ps(g1, step);
        __m128 g3 = _mm_add_ps(g2, step);
        add_two<STORE>(out, _mm_unpacklo_ps(x, x), _mm_movelh_ps(gains, g1));
        add_two<STORE>(out + 4, _mm_unpackhi_ps(x, x), _mm_movelh_ps(g2, g3));
        gains = _mm_add_ps(g3, step);
        out += 8;
    }
    st->position = q.position;
    st->left = _mm_cvtss_f32(gains);
    st->right = _mm_cvtss_f32(_mm_shuffle_ps(gains, gains, 1));
    SCALAR_KERNELS.mixRamp(st, out, frames % 4);
}

void mix_steady(Stretch* st, float* out, int frames) { write_or_add(st, out, frames, steady<true>, steady<false>); }

void mix_ramp(Stretch* st, float* out, int frames) { write_or_add(st, out, frames, ramp<true>, ramp<false>); }

// Eight values per turn: cvtps2dq rounds in the current mode (the renderer
// keeps it at nearest) and gives 0x80000000 for a NaN or a value below the
// 32-bit range, which the saturating pack turns into -32768 as the portable
// conversion does. The upper clamp comes first and keeps a NaN (minps
// returns its second operand).
SSE2 void convert(const float* mix, int16_t* out, int count) {
    const __m128 top = _mm_set1_ps(32767.0f);
    const int whole = count - count % 8;
    for (int i = 0; i < whole; i += 8) {
        const __m128i low = _mm_cvtps_epi32(_mm_min_ps(top, _mm_loadu_ps(mix + i)));
        const __m128i high = _mm_cvtps_epi32(_mm_min_ps(top, _mm_loadu_ps(mix + i + 4)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(low, high));
    }
    SCALAR_KERNELS.convert(mix + whole, out + whole, count - whole);
}

}  // namespace

const MixKernels SSE2_KERNELS = {"sse2", mix_steady, mix_ramp, convert};
#endif
