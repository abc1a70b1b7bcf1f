#include "trace.h"

#include <cstdio>

#include "replay/replay_state.h"
#include "song/song_model.h"

namespace {

uint64_t traceEnd;
uint64_t tickStart;   // first frame of the next tick
uint32_t tickLength;  // its length: the tick length as the tick before left it

void trace_channel(int c) {
    const ChannelState& ch = replay.channels[c];
    const Voice& v = *ch.voice;
    std::fprintf(stderr,
                 " | c%d period=%d volume=%d panning=%d volEnvOutput=%d fadeoutVolume=%d"
                 " voice=%d step=%u:%u gain=%d/%d",
                 c, ch.period, ch.volume, ch.panning, ch.volEnvOutput, ch.fadeoutVolume, v.index, v.stepInt, v.stepFrac,
                 v.leftGain, v.rightGain);
}

}  // namespace

void start_trace(const Song* song, uint64_t frames) {
    traceEnd = frames;
    tickStart = 0;
    tickLength = song->samplesPerTick;
}

void trace_tick(const Song* song, int32_t tick) {
    const uint64_t start = tickStart;
    tickStart += tickLength;
    tickLength = song->samplesPerTick;  // a tempo change lasts from the next tick on
    if (start >= traceEnd) return;
    std::fprintf(stderr, "order=%d row=%d tick=%d speed=%d samplesPerTick=%u globalVolume=%d", song->orderPos,
                 song->row, tick, song->speed, song->samplesPerTick, song->globalVolume);
    const int channels = played_channels(song);
    for (int c = 0; c < channels; ++c) trace_channel(c);
    std::fputc('\n', stderr);
}
