#include "replay/fp_environment.h"

#include "replay/cpu_features.h"

namespace {

// All exceptions masked, round to nearest; precision 53 or 24 bits.
const uint16_t X87_DOUBLE = 0x027F;
const uint16_t X87_FLOAT = 0x007F;
// All exceptions masked, round to nearest, no flush to zero.
const uint32_t SSE_DEFAULT = 0x1F80;

#if defined(__i386__) || defined(__x86_64__)
uint16_t x87_control()
{
    uint16_t word;
    __asm__ volatile("fnstcw %0" : "=m"(word));
    return word;
}

void set_x87_control(uint16_t word)
{
    __asm__ volatile("fldcw %0" : : "m"(word));
}

// stmxcsr and ldmxcsr need SSE; callers test for it first.
uint32_t sse_control()
{
    uint32_t word;
    __asm__ volatile("stmxcsr %0" : "=m"(word));
    return word;
}

void set_sse_control(uint32_t word)
{
    __asm__ volatile("ldmxcsr %0" : : "m"(word));
}
#else
// Other processors keep the modes of their C library's defaults here.
uint16_t x87_control() { return 0; }
void set_x87_control(uint16_t) {}
uint32_t sse_control() { return 0; }
void set_sse_control(uint32_t) {}
#endif

}  // namespace

FpEnvironment enter_render_fp()
{
    FpEnvironment saved = {0, 0, false};
    saved.x87Control = x87_control();
    set_x87_control(X87_DOUBLE);
    saved.hasSse = cpu_has_sse();
    if (saved.hasSse) {
        saved.sseControl = sse_control();
        set_sse_control(SSE_DEFAULT);
    }
    return saved;
}

void leave_render_fp(const FpEnvironment& saved)
{
    set_x87_control(saved.x87Control);
    if (saved.hasSse) set_sse_control(saved.sseControl);
}

// Float arithmetic runs on x87 on 32-bit x86 unless compiled for SSE math.
#if defined(__i386__) && !defined(__SSE_MATH__)
void use_float_precision()
{
    set_x87_control(X87_FLOAT);
}

void use_double_precision()
{
    set_x87_control(X87_DOUBLE);
}
#else
void use_float_precision() {}
void use_double_precision() {}
#endif
