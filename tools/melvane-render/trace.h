// --trace: one line per tick with the play position and every channel's state.
#pragma once
#include <cstdint>

struct Song;

void trace_tick(const Song* song, int32_t tick);
