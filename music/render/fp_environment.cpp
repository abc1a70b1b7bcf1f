#include "render/fp_environment.h"

#include "replay/cpu_features.h"

namespace {

// All exceptions masked, round to nearest, precision 53 bits.
const uint16_t X87_DOUBLE = 0x027F;
// All exceptions masked, round to nearest, no flush to zero.
const uint32_t SSE_DEFAULT = 0x1F80;

void set_x87_control(uint16_t word) {
#if defined(__i386__) || defined(__x86_64__)
    __asm__ volatile("fldcw %0" : : "m"(word));
#else
    (void)word;
#endif
}

// The modes in force; MXCSR only where there is SSE (its instructions need it).
FpEnvironment current_modes(bool hasSse) {
    FpEnvironment modes = {0, 0, hasSse};
#if defined(__i386__) || defined(__x86_64__)
    __asm__ volatile("fnstcw %0" : "=m"(modes.x87Control));
    if (hasSse) __asm__ volatile("stmxcsr %0" : "=m"(modes.sseControl));
#endif
    return modes;
}

void set_modes(const FpEnvironment& modes) {
    set_x87_control(modes.x87Control);
#if defined(__i386__) || defined(__x86_64__)
    if (modes.hasSse) __asm__ volatile("ldmxcsr %0" : : "m"(modes.sseControl));
#endif
}

}  // namespace

FpEnvironment enter_render_fp() {
    const FpEnvironment callers = current_modes(cpu_has_sse());
    const FpEnvironment rendering = {X87_DOUBLE, SSE_DEFAULT, callers.hasSse};
    set_modes(rendering);
    return callers;
}

void leave_render_fp(const FpEnvironment& saved) { set_modes(saved); }

// Float arithmetic runs on x87 on 32-bit x86 unless compiled for SSE math.
#if defined(__i386__) && !defined(__SSE_MATH__)
// As X87_DOUBLE, with the precision at 24 bits.
const uint16_t X87_FLOAT = 0x007F;

void use_float_precision() { set_x87_control(X87_FLOAT); }

void use_double_precision() { set_x87_control(X87_DOUBLE); }
#else
void use_float_precision() {}
void use_double_precision() {}
#endif
