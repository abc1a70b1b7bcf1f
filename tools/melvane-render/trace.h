// --trace: one line per tick with the play position and every channel's state.
#pragma once
#include <cstdint>

struct Song;

// Traces a render of the first frames frames of the started song: a tick is
// printed when its first frame is among them, as the renderer runs it.
void start_trace(const Song* song, uint64_t frames);
void trace_tick(const Song* song, int32_t tick);
