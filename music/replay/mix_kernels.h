// The mixer's frame loops and the block conversion, in a portable version and
// in versions for wider vector units. Every version does each frame's float
// operations in the same order, so all give the same bits; mix_kernels.cpp
// holds the rule that picks one.
#pragma once
#include <cstdint>

// A run of frames of one voice with one gain rule and no loop bound inside.
struct Stretch {
    const int16_t* data;
    uint64_t position;  // 32.32
    uint64_t delta;     // the step, or its negative moving backward
    float left;         // gain factors of the next frame
    float right;
    float leftStep;  // their change per frame during a ramp
    float rightStep;
    int32_t rampFrames;
    bool store;  // the first voice of a run: write the frames, do not add
};

struct MixKernels {
    const char* name;
    // Add frames x gains into out (left, right, ...), or with `store` set
    // write them as if out were 0, and advance the position; the ramp also
    // advances the gains by their steps per frame.
    void (*mixSteady)(Stretch* st, float* out, int frames);
    void (*mixRamp)(Stretch* st, float* out, int frames);
    // Rounds (ties to even), clamps and stores count floats as 16-bit samples.
    void (*convert)(const float* mix, int16_t* out, int count);
};

extern const MixKernels SCALAR_KERNELS;
#if defined(__i386__) || defined(__x86_64__)
extern const MixKernels SSE2_KERNELS;
#endif
#if defined(__x86_64__)
extern const MixKernels AVX2_KERNELS;
#endif

// The fastest version this processor runs; chosen at the start of playback.
void choose_mix_kernels();
const MixKernels& mix_kernels();
// For tests and benchmarks: every version this processor can run (the
// portable one first, at most MAX_MIX_KERNELS), and a way to force one.
const int MAX_MIX_KERNELS = 3;
int usable_mix_kernels(const MixKernels* list[MAX_MIX_KERNELS]);
void use_mix_kernels(const MixKernels* kernels);

typedef void (*StretchLoop)(Stretch* st, float* out, int frames);

// Runs the writing or the adding version of a loop, as the stretch asks.
inline void write_or_add(Stretch* st, float* out, int frames, StretchLoop write, StretchLoop add) {
    (st->store ? write : add)(st, out, frames);
}

// One frame of the linear interpolation, t = fraction x 2^-32.
inline float interpolate(const int16_t* data, uint64_t position) {
    const int16_t* s = data + uint32_t(position >> 32);
    float t = float(uint32_t(position)) * 0x1p-32f;
    return float(s[0]) + float(s[1] - s[0]) * t;
}
