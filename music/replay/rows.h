// The first tick of a row, channel by channel.
#pragma once
#include <cstdint>

struct Song;
struct ChannelState;
struct Instrument;
struct Sample;

void process_row(Song* song);
void reset_note_state(ChannelState* channel, const Sample* sample);
void apply_volume_column(ChannelState* channel, uint8_t volume);
// The channel's instrument and sample (the empty ones where none exists).
Instrument* resolve_instrument(const ChannelState* channel, const Song* song);
Sample* resolve_sample(const ChannelState* channel, const Song* song);
