// Stands in for the library's allocator in the allocation-failure host: the
// same counters, and a request number from which every request fails.
#include <windows.h>

#include "song/memory.h"
#include "failing_memory.h"

namespace {

MemoryCounters counters;
uint32_t requests = 0;
uint32_t failFrom = 0;  // 0: never fail

struct BlockHeader {
    uint64_t size;
    uint64_t padding;  // keeps the block 16-byte aligned, as the real one
};

}  // namespace

void* alloc_zeroed(uint32_t bytes) {
    ++requests;
    if (bytes == 0 || bytes > MAX_ALLOCATION) return nullptr;
    if (failFrom != 0 && requests >= failFrom) return nullptr;
    BlockHeader* header =
        static_cast<BlockHeader*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, sizeof(BlockHeader) + bytes));
    if (header == nullptr) return nullptr;
    header->size = bytes;
    counters.current += bytes;
    counters.blocks += 1;
    if (counters.current > counters.peak) counters.peak = counters.current;
    if (bytes > counters.largest) counters.largest = bytes;
    return header + 1;
}

void free_block(void* p) {
    if (p == nullptr) return;
    BlockHeader* header = static_cast<BlockHeader*>(p) - 1;
    counters.current -= header->size;
    counters.blocks -= 1;
    LocalFree(header);
}

MemoryCounters memory_counters() { return counters; }

void reset_memory_peak() {
    counters.peak = counters.current;
    counters.largest = 0;
}

void fail_allocations_from(uint32_t request) {
    requests = 0;
    failFrom = request;
}

uint32_t allocation_requests() { return requests; }
