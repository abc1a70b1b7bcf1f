// Wave values of the vibrato, tremolo and auto-vibrato: the sine shapes come
// from tables filled once by the same expressions, the others are computed.
#pragma once
#include <cstdint>

// Vibrato and tremolo: waveform 0 sine, 1 ramp, 2 square, 3 sine (tremolo) or
// square (vibrato); p in -32..31; result 0..256, unsigned (the sign is p's).
int32_t vibrato_wave(uint8_t waveform, int32_t p);
int32_t tremolo_wave(uint8_t waveform, int32_t p);
// Auto-vibrato: type 0 sine, 1 square, 2 falling and 3 rising ramp; pos 0..255;
// result -64..64. Types above 3 play as the sine.
int32_t auto_vibrato_wave(uint8_t type, int32_t pos);
