// The replayer's limits and rounding, in one place.
#pragma once
#include <cmath>
#include <cstdint>

// value held within low..high; 32-bit values compare in 32 bits, which is
// shorter code on 32-bit processors.
inline int32_t clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : value > high ? high : value;
}
inline int32_t clamp(int64_t value, int32_t low, int32_t high) {
    return static_cast<int32_t>(value < low ? low : value > high ? high : value);
}

// Periods and panning may slide without limit; they stop at the ends of the
// 32-bit range instead of wrapping (the voice update sums them in 64 bits).
inline int32_t saturate(int64_t value) { return clamp(value, INT32_MIN, INT32_MAX); }

// The nearest integer, ties to even (the rounding mode rendering runs in).
inline int32_t nearest(double value) { return static_cast<int32_t>(std::nearbyint(value)); }
inline int32_t nearest(float value) { return static_cast<int32_t>(std::nearbyint(value)); }
