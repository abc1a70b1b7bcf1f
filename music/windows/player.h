// Playback control behind the two exports: start, stop, and the arithmetic
// that maps the device's byte count to the ring block it is playing.
#pragma once
#include <cstdint>

#include "song/module_source.h"

// Tears down any playback, then (module not null) starts the module from
// source kind SOURCE_RESOURCE, SOURCE_MEMORY or SOURCE_FILE. sizeOrHandle is
// the image's length for the memory kind and the handle of the module that
// holds the resource for the resource kind; the file kind does not use it.
// With a null module: nonzero when a song was released. Otherwise nonzero
// when playback started with its feeder thread.
int32_t start_playback(const void* module, uintptr_t sizeOrHandle, uint8_t kind);
// Stops the output and releases the loaded song; 0 when nothing was loaded.
int32_t free_song();
// Ends the feeder, closes the device, frees the ring and the mix area.
void stop_output();

// Follows the device's 32-bit byte count from one poll to the next. Only the
// difference between successive counts is used, modulo 2^32, so the count's
// wrap after 4 GiB does not move the block.
struct RingTracker {
    uint32_t lastBytes;   // the count at the previous poll
    uint32_t ringOffset;  // byte offset in the ring the device has reached
};
// The ring block (0..RING_BLOCKS-1) the device is in at the given count.
int32_t track_ring_block(RingTracker* tracker, uint32_t bytes);

// Whether the waveform device is open (Playing, or started without feeder).
bool output_device_open();
