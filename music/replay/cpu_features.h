// What the processor can run, asked once through CPUID.
#pragma once

bool cpu_has_sse();
bool cpu_has_sse2();
// AVX2 with the operating system saving the wide registers.
bool cpu_has_avx2();
