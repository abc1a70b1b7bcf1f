// Plays a song tick by tick and records one channel field after each tick.
#pragma once
#include <cstdint>
#include <vector>

#include "replay/channel_state.h"

struct Song;
struct ReplaySong;

typedef int32_t (*ChannelField)(const ChannelState& channel);

std::vector<int32_t> trace_ticks(Song* song, int ticks, int channel, ChannelField field);
// Two channels, one 16-row pattern, two instruments each of one looping
// 64-frame sample (volume 64, panning 128), no envelopes.
void make_tick_song(ReplaySong* t, int32_t speed, bool linear);
