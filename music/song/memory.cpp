#include "song/memory.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#endif

namespace {

// Each block starts with its size, so that frees can keep the counters; 16
// bytes keep the caller's part as aligned as the platform's block.
const uint32_t HEADER_BYTES = 16;

MemoryCounters counters;

void* platform_alloc(uint32_t bytes) {
#ifdef _WIN32
    return LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, bytes);
#else
    return calloc(1, bytes);
#endif
}

void platform_free(void* p) {
#ifdef _WIN32
    LocalFree(p);
#else
    free(p);
#endif
}

}  // namespace

void* alloc_zeroed(uint32_t bytes) {
    if (bytes == 0 || bytes > MAX_ALLOCATION) return nullptr;
    uint8_t* block = static_cast<uint8_t*>(platform_alloc(bytes + HEADER_BYTES));
    if (!block) return nullptr;
    *reinterpret_cast<uint32_t*>(block) = bytes;
    counters.current += bytes;
    counters.blocks += 1;
    if (counters.current > counters.peak) counters.peak = counters.current;
    if (bytes > counters.largest) counters.largest = bytes;
    return block + HEADER_BYTES;
}

void free_block(void* p) {
    if (!p) return;
    uint8_t* block = static_cast<uint8_t*>(p) - HEADER_BYTES;
    counters.current -= *reinterpret_cast<uint32_t*>(block);
    counters.blocks -= 1;
    platform_free(block);
}

MemoryCounters memory_counters() { return counters; }

void reset_memory_peak() {
    counters.peak = counters.current;
    counters.largest = 0;
}
