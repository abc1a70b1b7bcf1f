// The one place the music library allocates: zero-filled blocks, with
// counters that let tests check how much a load takes.
#pragma once
#include <cstdint>

// Requests above this are refused outright.
const uint32_t MAX_ALLOCATION = 0x40000000;

struct MemoryCounters {
    uint64_t current;  // bytes in blocks not yet freed
    uint64_t peak;     // highest value of current since the last reset
    uint32_t largest;  // largest single request since the last reset
    uint32_t blocks;   // blocks not yet freed
};

// A zero-filled block of the given size; null on failure, for 0 bytes and
// above MAX_ALLOCATION.
void* alloc_zeroed(uint32_t bytes);
// Frees a block from alloc_zeroed; null is ignored.
void free_block(void* p);

MemoryCounters memory_counters();
// Restarts peak and largest from the current state.
void reset_memory_peak();
