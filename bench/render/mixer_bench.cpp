#include "mixer_bench.h"

#include <cmath>
#include <cstdint>
#include <ctime>
#include <vector>

#if defined(__i386__) || defined(__x86_64__)
#include <x86intrin.h>
#endif

#include "render/player_state.h"
#include "replay/replay_state.h"
#include "replay/mixer.h"

namespace {

const int SAMPLE_COUNT = 8;
const int TICK_FRAMES = 882;  // BPM 125

struct BenchSample {
    std::vector<int16_t> frames;
    Sample sample;
};

// Looped as the loader leaves it: guard frame written, 8 spare frames.
void make_sample(BenchSample* b, int length, int loopStart, uint8_t loopType) {
    b->frames.assign(size_t(length) + 8, 0);
    for (int i = 0; i < length; ++i) b->frames[i] = int16_t(15000.0 * std::sin(i * 0.05));
    b->sample = Sample{};
    b->sample.data = b->frames.data();
    b->sample.length = uint32_t(length);
    b->sample.loopStart = uint32_t(loopStart);
    b->sample.loopLength = uint32_t(length - loopStart);
    b->sample.loopType = loopType;
    b->frames[length] = loopType == LOOP_FORWARD ? b->frames[loopStart] : b->frames[length - 1];
}

void start_voices(BenchSample* samples) {
    for (int i = 0; i < VOICE_COUNT; ++i) {
        Voice* v = &replay.voices[i];
        *v = Voice{};
        v->index = i;
        v->sample = &samples[i % SAMPLE_COUNT].sample;
        v->stepInt = uint32_t(i % 3);
        v->stepFrac = 0x9E3779B9u * uint32_t(i + 1);
        v->leftGain = v->currentLeftGain = v->rampLeftTarget = 40 + i;
        v->rightGain = v->currentRightGain = v->rampRightTarget = 104 - i;
    }
}

void change_gains(int tick) {
    for (int i = 0; i < VOICE_COUNT; ++i) {
        replay.voices[i].leftGain = (tick + i) % 129;
        replay.voices[i].rightGain = (tick * 7 + i) % 129;
    }
}

// Reference cycles of the time-stamp counter; 0 where there is none.
uint64_t time_stamp() {
#if defined(__i386__) || defined(__x86_64__)
    return __rdtsc();
#else
    return 0;
#endif
}

// Mixes `seconds` of 64 voices in tick runs; returns the CPU seconds and
// the time-stamp counter ticks it took.
double run_mixer(double seconds, bool ramps, uint64_t* counterTicks) {
    std::vector<BenchSample> samples(SAMPLE_COUNT);
    for (int i = 0; i < SAMPLE_COUNT; ++i) {
        make_sample(&samples[i], 5000 + 3000 * i, 500 * i, i % 2 ? LOOP_PINGPONG : LOOP_FORWARD);
    }
    start_voices(samples.data());
    std::vector<float> block(2 * BLOCK_FRAMES);
    const int blocks = int(seconds * 44100.0 / BLOCK_FRAMES);
    int tickLeft = 0;
    int tick = 0;
    std::clock_t begin = std::clock();
    const uint64_t counterBegin = time_stamp();
    for (int b = 0; b < blocks; ++b) {
        for (float& f : block) f = 0.0f;
        for (int done = 0; done < BLOCK_FRAMES;) {
            if (tickLeft == 0) {
                if (ramps) change_gains(tick);
                ++tick;
                tickLeft = TICK_FRAMES;
            }
            int n = tickLeft < BLOCK_FRAMES - done ? tickLeft : BLOCK_FRAMES - done;
            mix_voices(block.data() + 2 * done, n);
            done += n;
            tickLeft -= n;
        }
    }
    *counterTicks = time_stamp() - counterBegin;
    double cpu = double(std::clock() - begin) / CLOCKS_PER_SEC;
    for (int i = 0; i < VOICE_COUNT; ++i) replay.voices[i].sample = nullptr;
    return cpu;
}

}  // namespace

double mixer_speed(double seconds, bool ramps) {
    uint64_t ticks;
    const double cpu = run_mixer(seconds, ramps, &ticks);
    const double audio = double(int(seconds * 44100.0 / BLOCK_FRAMES)) * BLOCK_FRAMES / 44100.0;
    return cpu > 0.0 ? audio / cpu : 0.0;
}

double mixer_cycles_per_voice_frame(double seconds, bool ramps) {
    uint64_t ticks;
    run_mixer(seconds, ramps, &ticks);
    const double voiceFrames = double(int(seconds * 44100.0 / BLOCK_FRAMES)) * BLOCK_FRAMES * VOICE_COUNT;
    return double(ticks) / voiceFrames;
}
