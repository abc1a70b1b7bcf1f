// The floating-point modes rendering needs, whatever the caller had set:
// round to nearest, no flush of tiny values to zero, and on the 32-bit x87
// unit the precision each phase of rendering computes in.
#pragma once
#include <cstdint>

struct FpEnvironment {
    uint16_t x87Control;
    uint32_t sseControl;  // MXCSR; untouched where the processor has no SSE
    bool hasSse;
};

// Saves the caller's modes and sets rendering's: double precision on x87.
FpEnvironment enter_render_fp();
// Gives the caller its modes back.
void leave_render_fp(const FpEnvironment& saved);

// Where float arithmetic runs on the x87 unit, the mixer needs its
// precision at 24 bits (every operation rounded as a 32-bit float) and the
// replayer at 53 bits (as a 64-bit double). Elsewhere these do nothing.
void use_float_precision();
void use_double_precision();
