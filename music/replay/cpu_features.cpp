#include "replay/cpu_features.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace {

const unsigned SSE_BIT = 1u << 25;      // CPUID 1, EDX
const unsigned SSE2_BIT = 1u << 26;     // CPUID 1, EDX
const unsigned OSXSAVE_BIT = 1u << 27;  // CPUID 1, ECX
const unsigned AVX_BIT = 1u << 28;      // CPUID 1, ECX
const unsigned AVX2_BIT = 1u << 5;      // CPUID 7, EBX
const unsigned XMM_YMM_STATE = 6;       // XCR0: SSE and AVX state saved

struct Features {
    unsigned ecx1;
    unsigned edx1;
    unsigned ebx7;
};

#if defined(__i386__) || defined(__x86_64__)
Features read_features() {
    Features f = {0, 0, 0};
    unsigned eax, ebx, ecx, edx;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        f.ecx1 = ecx;
        f.edx1 = edx;
    }
    if (__get_cpuid_max(0, nullptr) >= 7) {
        __cpuid_count(7, 0, eax, ebx, ecx, edx);
        f.ebx7 = ebx;
    }
    return f;
}

unsigned saved_register_state() {
    unsigned low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return low;
}
#else
Features read_features() { return Features{0, 0, 0}; }

unsigned saved_register_state() { return 0; }
#endif

}  // namespace

bool cpu_has_sse() { return (read_features().edx1 & SSE_BIT) != 0; }

bool cpu_has_sse2() { return (read_features().edx1 & SSE2_BIT) != 0; }

bool cpu_has_avx2() {
    const Features f = read_features();
    if ((f.ecx1 & (OSXSAVE_BIT | AVX_BIT)) != (OSXSAVE_BIT | AVX_BIT)) return false;
    if ((saved_register_state() & XMM_YMM_STATE) != XMM_YMM_STATE) return false;
    return (f.ebx7 & AVX2_BIT) != 0;
}
