// Control of the failing allocator of the allocation-failure host.
#pragma once
#include <cstdint>

// Restarts the request count; from the given request on (1 = the first)
// every request fails. 0: none fails.
void fail_allocations_from(uint32_t request);
// Requests since the last fail_allocations_from.
uint32_t allocation_requests();
