// Every mixer kernel this processor runs gives the portable kernel's bits,
// on generated worst cases: short loops whose ends fall in every lane, ping-
// pong turns, ramps starting and ending mid-turn, steps of 2^32 and more,
// extreme sample values; and the same 16-bit conversion.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "render/block_renderer.h"
#include "render/player_state.h"
#include "replay/replay_state.h"
#include "replay/mix_kernels.h"
#include "replay/mixer.h"

namespace {

const int SAMPLES = 12;

struct Random {
    uint32_t state;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8 ^ state << 13;
    }
    uint32_t below(uint32_t n) { return next() % n; }
};

// Samples as the loader leaves them: guard value for the loop, 8 spare zeros.
struct Bench {
    std::vector<int16_t> data[SAMPLES];
    Sample samples[SAMPLES];
};

void make_samples(Bench* b, Random* r) {
    static const uint8_t TYPES[3] = {LOOP_NONE, LOOP_FORWARD, LOOP_PINGPONG};
    for (int i = 0; i < SAMPLES; ++i) {
        const uint32_t length = 1 + r->below(i < 6 ? 12 : 3000);
        std::vector<int16_t>& d = b->data[i];
        d.assign(length + 8, 0);
        for (uint32_t k = 0; k < length; ++k) {
            d[k] = r->below(4) == 0 ? int16_t(r->below(2) ? 32767 : -32768) : int16_t(r->next());
        }
        Sample& s = b->samples[i];
        s = Sample{};
        s.data = d.data();
        s.length = length;
        s.loopType = TYPES[i % 3];
        s.loopStart = s.loopType == LOOP_NONE ? 0 : r->below(length);
        s.loopLength = s.loopType == LOOP_NONE ? length : length - s.loopStart;
        const uint32_t end = s.loopStart + s.loopLength;
        if (s.loopType == LOOP_FORWARD) d[end] = d[s.loopStart];
        if (s.loopType == LOOP_PINGPONG) d[end] = d[end - 1];
    }
}

int random_gain(Random* r) { return r->below(3) == 0 ? 0 : int(r->below(129)); }

void start_voices(Bench* b, Random* r) {
    for (int i = 0; i < VOICE_COUNT; ++i) {
        Voice& v = replay.voices[i];
        v = Voice{};
        v.index = i;
        if (r->below(4) == 0) continue;
        Sample* s = &b->samples[r->below(SAMPLES)];
        v.sample = s;
        v.positionInt = r->below(s->length);
        v.positionFrac = r->next();
        const uint32_t kind = r->below(4);
        v.stepInt = kind == 0 ? 0 : kind == 1 ? 1 : kind == 2 ? 1 + r->below(4) : r->below(40);
        v.stepFrac = r->below(5) == 0 ? 0 : r->next();
        v.backward = s->loopType == LOOP_PINGPONG && r->below(2) ? 1 : 0;
        v.leftGain = random_gain(r);
        v.rightGain = random_gain(r);
        v.currentLeftGain = r->below(2) ? v.leftGain : random_gain(r);
        v.currentRightGain = r->below(2) ? v.rightGain : random_gain(r);
    }
}

// Mixes ticks of random lengths into a block, changing gains between them.
// Writing: each run written over garbage by mix_voices_over; else added to
// zeros by mix_voices.
std::vector<float> mix_with(const MixKernels* kernels, uint32_t seed, std::vector<Voice>* after, bool writing = false) {
    Random r = {seed};
    Bench bench;
    make_samples(&bench, &r);
    start_voices(&bench, &r);
    use_mix_kernels(kernels);
    std::vector<float> block(2 * BLOCK_FRAMES * 4, writing ? -12345.0f : 0.0f);
    for (int done = 0; done < BLOCK_FRAMES * 4;) {
        int frames = 1 + int(r.below(r.below(2) ? 9 : 884));
        if (frames > BLOCK_FRAMES * 4 - done) frames = BLOCK_FRAMES * 4 - done;
        if (writing) {
            mix_voices_over(block.data() + 2 * done, frames);
        } else {
            mix_voices(block.data() + 2 * done, frames);
        }
        done += frames;
        for (int i = 0; i < VOICE_COUNT; ++i) {
            if (r.below(3) == 0) replay.voices[i].leftGain = random_gain(&r);
            if (r.below(3) == 0) replay.voices[i].rightGain = random_gain(&r);
        }
    }
    after->assign(replay.voices, replay.voices + VOICE_COUNT);
    for (Voice& v : *after) v.sample = v.sample ? reinterpret_cast<Sample*>(1) : nullptr;
    for (int i = 0; i < VOICE_COUNT; ++i) replay.voices[i].sample = nullptr;
    return block;
}

TEST(MixKernels, EveryKernelGivesThePortableBits) {
    const MixKernels* usable[MAX_MIX_KERNELS];
    const int count = usable_mix_kernels(usable);
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        std::vector<Voice> portableVoices;
        const std::vector<float> portable = mix_with(&SCALAR_KERNELS, seed, &portableVoices);
        for (int k = 1; k < count; ++k) {
            std::vector<Voice> voices;
            const std::vector<float> mixed = mix_with(usable[k], seed, &voices);
            ASSERT_EQ(std::memcmp(mixed.data(), portable.data(), mixed.size() * sizeof(float)), 0)
                << usable[k]->name << " kernels, seed " << seed;
            ASSERT_EQ(std::memcmp(voices.data(), portableVoices.data(), voices.size() * sizeof(Voice)), 0)
                << usable[k]->name << " kernels, seed " << seed;
        }
    }
    use_mix_kernels(&SCALAR_KERNELS);
}

// The first voice of a run writes instead of adding, which spares clearing
// the block: every frame must come out as if added to zeros, also where
// voices end early or are silent, or where none sounds.
TEST(MixKernels, WritingARunEqualsAddingToZeros) {
    const MixKernels* usable[MAX_MIX_KERNELS];
    const int count = usable_mix_kernels(usable);
    for (int k = 0; k < count; ++k) {
        for (uint32_t seed = 1; seed <= 100; ++seed) {
            std::vector<Voice> addedVoices, writtenVoices;
            const std::vector<float> added = mix_with(usable[k], seed, &addedVoices);
            const std::vector<float> written = mix_with(usable[k], seed, &writtenVoices, true);
            ASSERT_EQ(std::memcmp(written.data(), added.data(), added.size() * sizeof(float)), 0)
                << usable[k]->name << " kernels, seed " << seed;
        }
    }
    use_mix_kernels(&SCALAR_KERNELS);
}

TEST(MixKernels, EveryKernelConvertsAlike) {
    const MixKernels* usable[MAX_MIX_KERNELS];
    const int count = usable_mix_kernels(usable);
    Random r = {7};
    std::vector<float> mix(1771);
    for (float& f : mix) {
        const uint32_t bits = r.next();
        if (r.below(2))
            std::memcpy(&f, &bits, sizeof f);
        else
            f = float(int32_t(bits) >> 14) / 2.0f;
    }
    std::vector<int16_t> portable(mix.size());
    SCALAR_KERNELS.convert(mix.data(), portable.data(), int(mix.size()));
    for (int k = 1; k < count; ++k) {
        std::vector<int16_t> out(mix.size());
        usable[k]->convert(mix.data(), out.data(), int(mix.size()));
        EXPECT_EQ(out, portable) << usable[k]->name << " kernels";
    }
}

}  // namespace
