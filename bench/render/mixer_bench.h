// The mixer alone: 64 voices on looped 16-bit samples, mixed in tick runs.
#pragma once

// Audio seconds mixed per CPU second; ramps: change every voice's target
// gains every tick, so that every tick starts 128-frame ramps.
double mixer_speed(double seconds, bool ramps);
// Time-stamp counter ticks (reference cycles) per voice and frame mixed,
// with the kernels in use.
double mixer_cycles_per_voice_frame(double seconds, bool ramps);
