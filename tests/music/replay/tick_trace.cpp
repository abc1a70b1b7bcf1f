#include "tick_trace.h"

#include "replay/replay_state.h"
#include "replay/sequencer.h"
#include "replay_song.h"

std::vector<int32_t> trace_ticks(Song* song, int ticks, int channel, ChannelField field) {
    std::vector<int32_t> values;
    for (int i = 0; i < ticks; ++i) {
        play_tick(song);
        values.push_back(field(replay.channels[channel]));
    }
    return values;
}

void make_tick_song(ReplaySong* t, int32_t speed, bool linear) {
    t->instruments.clear();
    t->samples.clear();
    t->sampleData.clear();
    make_song(t, 2, 1, 16);
    t->song.defaultSpeed = static_cast<int16_t>(speed);
    t->song.flags = linear ? 1 : 0;
    for (int i = 0; i < 2; ++i) add_instrument(t, 64, 64, 128, LOOP_FORWARD, 0, 64);
}
