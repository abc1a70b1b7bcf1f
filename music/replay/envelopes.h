// Volume and panning envelopes, fadeout, envelope position, auto-vibrato.
#pragma once
#include <cstdint>

struct ChannelState;
struct Instrument;

void step_volume_envelope(ChannelState* channel, const Instrument* instrument);
void step_panning_envelope(ChannelState* channel, const Instrument* instrument);
void fadeout_step(ChannelState* channel, const Instrument* instrument);
void set_envelope_position(ChannelState* channel, const Instrument* instrument, uint8_t position);
void auto_vibrato(ChannelState* channel, const Instrument* instrument);
