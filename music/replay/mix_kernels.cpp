// Which kernels render: the widest that the processor runs. The 32-bit
// library also runs on processors without SSE2; there the portable kernels
// render on the x87 unit and give the same bytes.
#include "replay/mix_kernels.h"

#include "replay/cpu_features.h"

namespace {

const MixKernels* chosen = &SCALAR_KERNELS;

}  // namespace

int usable_mix_kernels(const MixKernels* list[MAX_MIX_KERNELS]) {
    int count = 0;
    list[count++] = &SCALAR_KERNELS;
#if defined(__i386__) || defined(__x86_64__)
    if (cpu_has_sse2()) list[count++] = &SSE2_KERNELS;
#endif
#if defined(__x86_64__)
    if (cpu_has_avx2()) list[count++] = &AVX2_KERNELS;
#endif
    return count;
}

void choose_mix_kernels() {
    const MixKernels* usable[MAX_MIX_KERNELS];
    chosen = usable[usable_mix_kernels(usable) - 1];
}

const MixKernels& mix_kernels() { return *chosen; }

void use_mix_kernels(const MixKernels* kernels) { chosen = kernels; }
