// Later ticks of a row, and the modulators the row step shares.
#pragma once

struct Song;
struct ChannelState;

void process_tick(Song* song);
void tone_portamento(ChannelState* channel);
void vibrato(ChannelState* channel);
void tremolo(ChannelState* channel);
void tremor(ChannelState* channel);
