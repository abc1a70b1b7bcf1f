// What the processor can run, asked through CPUID at each call (the kernel
// choice and the floating-point modes ask once a playback or an export).
#pragma once

bool cpu_has_sse();
bool cpu_has_sse2();
// AVX2 with the operating system saving the wide registers.
bool cpu_has_avx2();
