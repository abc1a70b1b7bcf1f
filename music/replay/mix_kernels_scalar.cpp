// The portable kernels: one frame at a time in plain float arithmetic. On
// 32-bit x86 this is the path for processors without SSE2; it runs on the
// x87 unit with its precision set to 24 bits, which rounds every operation
// as single-precision arithmetic does.
#include <cmath>

#include "replay/mix_kernels.h"

namespace {

// What a frame's float holds before a voice adds to it: 0 for the first
// voice of a run, which spares clearing the block.
template <bool STORE>
float base(const float* out) {
    return STORE ? 0.0f : *out;
}

// Two frames per turn without a ramp, their work interleaved.
template <bool STORE>
void steady(Stretch* st, float* out, int frames) {
    const float left = st->left;
    const float right = st->right;
    uint64_t position = st->position;
    const uint64_t delta = st->delta;
    for (int pairs = frames / 2; pairs > 0; --pairs) {
        const float x0 = interpolate(st->data, position);
        const float x1 = interpolate(st->data, position + delta);
        out[0] = base<STORE>(out) + x0 * left;
        out[1] = base<STORE>(out + 1) + x0 * right;
        out[2] = base<STORE>(out + 2) + x1 * left;
        out[3] = base<STORE>(out + 3) + x1 * right;
        out += 4;
        position += 2 * delta;
    }
    if (frames % 2) {
        const float x = interpolate(st->data, position);
        out[0] = base<STORE>(out) + x * left;
        out[1] = base<STORE>(out + 1) + x * right;
        position += delta;
    }
    st->position = position;
}

template <bool STORE>
void ramp(Stretch* st, float* out, int frames) {
    float left = st->left;
    float right = st->right;
    uint64_t position = st->position;
    for (int i = 0; i < frames; ++i) {
        const float x = interpolate(st->data, position);
        out[0] = base<STORE>(out) + x * left;
        out[1] = base<STORE>(out + 1) + x * right;
        out += 2;
        position += st->delta;
        left += st->leftStep;
        right += st->rightStep;
    }
    st->position = position;
    st->left = left;
    st->right = right;
}

void mix_steady(Stretch* st, float* out, int frames) { write_or_add(st, out, frames, steady<true>, steady<false>); }

void mix_ramp(Stretch* st, float* out, int frames) { write_or_add(st, out, frames, ramp<true>, ramp<false>); }

int16_t to_sample(float value) {
    const float rounded = std::nearbyint(value);
    if (rounded >= 32767.0f) return 32767;
    if (rounded > -32768.0f) return static_cast<int16_t>(rounded);
    return -32768;  // also where a value is not a number
}

void convert(const float* mix, int16_t* out, int count) {
    for (int i = 0; i < count; ++i) out[i] = to_sample(mix[i]);
}

}  // namespace

const MixKernels SCALAR_KERNELS = {"scalar", mix_steady, mix_ramp, convert};
