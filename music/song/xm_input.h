// Reading helpers of the XM loader: little-endian values through the active
// source, the source's position, allocations bounded by the module's size.
#pragma once
#include <cstdint>

// Reads up to count bytes into a buffer that the caller has zeroed; bytes
// past the end of the module stay zero (and count as a shortfall of what is
// being read). Returns the bytes delivered.
uint32_t xm_read(void* destination, uint32_t count);
uint32_t xm_read16();
uint32_t xm_read32();
uint16_t xm_get16(const uint8_t* bytes);
uint32_t xm_get32(const uint8_t* bytes);

uint32_t xm_position();
// Bytes between the current position and the end of the module.
uint32_t xm_remaining();
// Seeks from the start; targets past the end land on the end.
void xm_seek_to(uint64_t target);
void xm_skip(int32_t count);

// Starts a load: clears the load report and sets the allocation
// ceiling from the module's size.
void xm_begin_load();
// A zero-filled block, counted against the ceiling. False when the ceiling
// or the platform refuses it (the reason is set); 0 bytes give null and true.
bool xm_take(uint64_t bytes, void** block);
