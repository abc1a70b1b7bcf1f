// Renders the output ring block by block: ticks, mixing, 16-bit conversion.
#pragma once
#include <cstdint>

struct Song;

// Told about every tick right after it ran, with the tick number it had
// (the offline renderer's trace); unset in the library.
typedef void (*TickObserver)(const Song* song, int32_t tick);

// Start values of a playback: channel and voice tables, play position, speed,
// global volume, tempo; player.song = song.
void start_song(Song* song);
// Renders the ring block at player.fillIndex and advances it.
void fill_block();
// fill_block count times in the floating-point modes rendering needs; the
// caller's modes are back on return.
void render_blocks(int count);
// Rounds (ties to even), clamps and stores count floats as 16-bit samples.
void convert_block(const float* mix, int16_t* out, int count);
void set_tick_observer(TickObserver observer);
