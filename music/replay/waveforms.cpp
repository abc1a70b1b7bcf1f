#include "replay/waveforms.h"

#include <cmath>

#include "replay/arithmetic.h"

namespace {

const float HALF_SINE_STEP = 0.049087375f;  // pi / 64, as a 32-bit float
const float FULL_SINE_STEP = 0.024543688f;  // 2 pi / 256, as a 32-bit float

enum Shape { SHAPE_SINE, SHAPE_RAMP, SHAPE_SQUARE };

// On the x87 unit a float keeps extra precision until it is stored; the
// store rounds it to 32 bits as SSE arithmetic does.
float stored(float value) {
    volatile float kept = value;
    return kept;
}

// On Windows the sine is the x87 unit's, rounded to a double: what the C
// library there computes, taken directly because that library's version
// reports errors through the C run-time DLL. Every angle here is
// finite and far inside the instruction's range (below 2^63).
double sine(double angle) {
#if defined(_WIN32) && (defined(__i386__) || defined(__x86_64__))
    long double result;
    __asm__("fsin" : "=t"(result) : "0"(static_cast<long double>(angle)));
    volatile double rounded = static_cast<double>(result);
    return rounded;
#else
    return std::sin(angle);
#endif
}

int32_t half_sine(int32_t p) {
    float angle = stored(static_cast<float>(p) * 2.0f * HALF_SINE_STEP);
    return nearest(std::fabs(sine(static_cast<double>(angle))) * 256.0);
}

int32_t full_sine(int32_t pos) {
    float angle = stored(static_cast<float>(pos) * FULL_SINE_STEP);
    return nearest(sine(static_cast<double>(angle)) * 64.0);
}

// The sines of every position the effects use, worked out once by the same
// expressions instead of at every tick of every channel.
struct SineTables {
    int16_t half[64];  // p + 32 for p in -32..31
    int16_t full[256];
    bool ready;
};

SineTables sines;

const SineTables& sine_tables() {
    if (!sines.ready) {
        for (int32_t p = -32; p < 32; ++p) sines.half[p + 32] = int16_t(half_sine(p));
        for (int32_t pos = 0; pos < 256; ++pos) sines.full[pos] = int16_t(full_sine(pos));
        sines.ready = true;
    }
    return sines;
}

int32_t shape_value(Shape shape, int32_t p) {
    if (shape == SHAPE_SQUARE) return 255;
    if (shape == SHAPE_RAMP) return p >= 0 ? (8 * p) & 255 : 255 - ((8 * p) & 255);
    return p >= -32 && p < 32 ? sine_tables().half[p + 32] : half_sine(p);
}

}  // namespace

int32_t vibrato_wave(uint8_t waveform, int32_t p) {
    // The nibble's upper bits only say whether a new note resets the position.
    static const Shape shapes[4] = {SHAPE_SINE, SHAPE_RAMP, SHAPE_SQUARE, SHAPE_SQUARE};
    return shape_value(shapes[waveform & 3], p);
}

int32_t tremolo_wave(uint8_t waveform, int32_t p) {
    static const Shape shapes[4] = {SHAPE_SINE, SHAPE_RAMP, SHAPE_SQUARE, SHAPE_SINE};
    return shape_value(shapes[waveform & 3], p);
}

int32_t auto_vibrato_wave(uint8_t type, int32_t pos) {
    switch (type) {
    case 1:
        return pos < 128 ? 64 : -64;
    case 2:
        return (128 - ((pos + 128) & 255)) >> 1;
    case 3:
        return (128 - ((384 - pos) & 255)) >> 1;
    default:
        return pos >= 0 && pos < 256 ? sine_tables().full[pos] : full_sine(pos);
    }
}
