// Mixer: gain ramps, loop wraps and reflections, sample end, voice order.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "replay/replay_state.h"
#include "replay/mixer.h"

namespace {

const float GAIN_UNIT = 0.003921568859368563f;
const uint32_t HALF = 0x80000000u;
const uint32_t QUARTER = 0x40000000u;

float factor(int gain) { return float(gain) * GAIN_UNIT; }

// A sample as the loader leaves it: the frames, 8 spare zero frames and the
// guard frame written for the loop.
struct TestSample {
    std::vector<int16_t> frames;
    Sample sample;
};

void make_sample(TestSample* t, const std::vector<int16_t>& values, uint8_t loopType, uint32_t loopStart,
                 uint32_t loopLength) {
    t->frames = values;
    t->frames.resize(values.size() + 8, 0);
    t->sample = Sample{};
    t->sample.data = t->frames.data();
    t->sample.length = uint32_t(values.size());
    t->sample.loopType = loopType;
    t->sample.loopStart = loopType == LOOP_NONE ? 0 : loopStart;
    t->sample.loopLength = loopType == LOOP_NONE ? t->sample.length : loopLength;
    uint32_t end = loopStart + loopLength;
    if (loopType == LOOP_FORWARD) t->frames[end] = t->frames[loopStart];
    if (loopType == LOOP_PINGPONG) t->frames[end] = t->frames[end - 1];
}

std::vector<int16_t> ramp_values(int count, int scale) {
    std::vector<int16_t> values;
    for (int i = 0; i < count; ++i) values.push_back(int16_t(i * scale));
    return values;
}

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < VOICE_COUNT; ++i) {
            replay.voices[i] = Voice{};
            replay.voices[i].index = i;
        }
    }

    // A sounding voice already at its gains (no ramp pending).
    Voice* start_voice(int index, Sample* sample, uint32_t whole, uint32_t fraction, uint32_t stepInt,
                       uint32_t stepFrac, int gain = 128) {
        Voice* v = &replay.voices[index];
        *v = Voice{};
        v->index = index;
        v->sample = sample;
        v->positionInt = whole;
        v->positionFrac = fraction;
        v->stepInt = stepInt;
        v->stepFrac = stepFrac;
        v->leftGain = v->rightGain = gain;
        v->currentLeftGain = v->currentRightGain = gain;
        v->rampLeftTarget = v->rampRightTarget = gain;
        return v;
    }

    std::vector<float> mix(int frames) {
        std::vector<float> out(2 * frames, 0.0f);
        mix_voices(out.data(), frames);
        return out;
    }

    // Frames 0, 100, ..., 700 looping over frames 2..5.
    Sample* ramp_loop(TestSample* t, uint8_t loopType) {
        make_sample(t, ramp_values(8, 100), loopType, 2, 4);
        return &t->sample;
    }

    TestSample a_;
};

// --- Gain ramps -----------------------------------------------------------

class MixerRampTest : public MixerTest {
protected:
    // A new note: constant 1000 on a forward loop, current gains 0.
    Voice* new_note() {
        make_sample(&a_, std::vector<int16_t>(64, 1000), LOOP_FORWARD, 0, 64);
        Voice* v = start_voice(0, &a_.sample, 0, 0, 1, 0);
        v->currentLeftGain = v->currentRightGain = 0;
        return v;
    }
};

TEST_F(MixerRampTest, NewNoteIsSilentFirstAndAtFullGainOnFrame129) {
    Voice* v = new_note();
    std::vector<float> out = mix(200);
    EXPECT_EQ(out[0], 0.0f);
    for (int j = 1; j < 128; ++j) {
        EXPECT_NEAR(out[2 * j], 1000.0f * factor(128) * j / 128, 1e-3) << j;
        EXPECT_LT(out[2 * j], 1000.0f * factor(128)) << j;
    }
    EXPECT_EQ(out[2 * 128], 1000.0f * factor(128));
    EXPECT_EQ(out[2 * 199 + 1], 1000.0f * factor(128));
    EXPECT_EQ(v->rampFramesLeft, 0);
    EXPECT_EQ(v->currentLeftGain, 128);
    EXPECT_EQ(v->rampLeftStep, 0.0f);
}

TEST_F(MixerRampTest, RampSpanningCallsGoesOnFromRoundedGain) {
    Voice* v = new_note();
    mix(50);
    EXPECT_EQ(v->rampFramesLeft, 78);
    EXPECT_EQ(v->currentLeftGain, 50);
    std::vector<float> out = mix(100);
    EXPECT_EQ(out[0], 1000.0f * factor(50));
    EXPECT_LT(out[2 * 77], 1000.0f * factor(128));
    EXPECT_EQ(out[2 * 78], 1000.0f * factor(128));
}

TEST_F(MixerRampTest, TargetChangeMidRampRestartsFromGainReached) {
    Voice* v = new_note();
    mix(64);
    EXPECT_EQ(v->currentLeftGain, 64);
    v->leftGain = 0;
    std::vector<float> out = mix(200);
    EXPECT_EQ(v->rampLeftTarget, 0);
    EXPECT_EQ(out[0], 1000.0f * factor(64));
    EXPECT_GT(out[2 * 127], 0.0f);
    EXPECT_EQ(out[2 * 128], 0.0f);
    // The right side had 64 frames left toward 128; it restarts from 64 too.
    EXPECT_EQ(out[1], 1000.0f * factor(64));
    EXPECT_EQ(out[2 * 128 + 1], 1000.0f * factor(128));
}

// --- Interpolation --------------------------------------------------------

TEST_F(MixerTest, InterpolatesLinearlyBetweenNeighbours) {
    make_sample(&a_, {0, 1024, 2048, 0}, LOOP_NONE, 0, 0);
    Voice* v = start_voice(0, &a_.sample, 0, QUARTER, 0, HALF);
    v->leftGain = v->currentLeftGain = v->rampLeftTarget = 64;
    std::vector<float> out = mix(3);
    EXPECT_EQ(out[0], 256.0f * factor(64));
    EXPECT_EQ(out[1], 256.0f * factor(128));
    EXPECT_EQ(out[2], 768.0f * factor(64));
    EXPECT_EQ(out[4], 1280.0f * factor(64));
}

TEST_F(MixerTest, PairedFramesMatchFramesMixedOneByOne) {
    make_sample(&a_, {3, -700, 12000, 5, -32768, 32767, 9, 400, -1}, LOOP_FORWARD, 2, 7);
    start_voice(0, &a_.sample, 0, 12345, 0, 0xB3333333u, 77);
    std::vector<float> whole = mix(9);
    start_voice(0, &a_.sample, 0, 12345, 0, 0xB3333333u, 77);
    for (int i = 0; i < 9; ++i) {
        std::vector<float> one = mix(1);
        EXPECT_EQ(one[0], whole[2 * i]) << i;
        EXPECT_EQ(one[1], whole[2 * i + 1]) << i;
    }
}

// --- Forward loop ---------------------------------------------------------

TEST_F(MixerTest, ForwardLoopContinuesAtStartPlusOvershoot) {
    Voice* v = start_voice(0, ramp_loop(&a_, LOOP_FORWARD), 5, HALF, 1, 0);
    std::vector<float> out = mix(2);
    EXPECT_EQ(out[0], 350.0f * factor(128));  // halfway from s[5] to the guard s[6] = s[2]
    EXPECT_EQ(out[2], 250.0f * factor(128));
    EXPECT_EQ(v->positionInt, 3u);
    EXPECT_EQ(v->positionFrac, HALF);

    // A step longer than the loop wraps several lengths.
    v = start_voice(0, &a_.sample, 5, 0, 9, QUARTER);  // 14.25 -> 2.25
    out = mix(2);
    EXPECT_EQ(out[2], 225.0f * factor(128));
    EXPECT_EQ(v->positionInt, 3u);  // 2.25 + 9.25 = 11.5 -> 3.5
    EXPECT_EQ(v->positionFrac, HALF);
}

TEST_F(MixerTest, ExactStepsEndOnTheBound) {
    Voice* v = start_voice(0, ramp_loop(&a_, LOOP_FORWARD), 2, 0, 1, 0);
    mix(4);
    EXPECT_EQ(v->positionInt, 2u);
    EXPECT_EQ(v->positionFrac, 0u);

    TestSample b;
    v = start_voice(1, ramp_loop(&b, LOOP_PINGPONG), 2, 0, 1, 0);
    mix(4);
    EXPECT_EQ(v->positionInt, 5u);  // one fraction unit below the end
    EXPECT_EQ(v->positionFrac, 0xFFFFFFFFu);
    EXPECT_EQ(v->backward, 1);
}

TEST_F(MixerTest, HugeStepsStayInsideTheLoop) {
    TestSample b;
    make_sample(&a_, ramp_values(100, 300), LOOP_FORWARD, 37, 3);
    make_sample(&b, ramp_values(100, 300), LOOP_PINGPONG, 0, 1);
    Voice* f = start_voice(0, &a_.sample, 1, 0, 0xFFFFFFFFu, 0xFFFFFFFFu);
    Voice* p = start_voice(1, &b.sample, 0, 0, 0xFFFFFFFFu, 0xFFFFFFFEu);
    mix(884);
    EXPECT_GE(f->positionInt, 37u);
    EXPECT_LT(f->positionInt, 40u);
    EXPECT_EQ(p->sample, &b.sample);
    EXPECT_TRUE(p->positionInt == 0 || p->positionInt == 0xFFFFFFFFu);
}

// --- Ping-pong loop ---------------------------------------------------------

TEST_F(MixerTest, PingPongTurnsAtEitherBound) {
    // Passing the end continues backward...
    Voice* v = start_voice(0, ramp_loop(&a_, LOOP_PINGPONG), 5, HALF, 1, 0);
    mix(1);
    EXPECT_EQ(v->backward, 1);
    EXPECT_EQ(v->positionInt, 5u);
    EXPECT_EQ(v->positionFrac, HALF - 1);

    // ...and passing the start continues forward.
    v = start_voice(0, &a_.sample, 2, QUARTER, 0, HALF);
    v->backward = 1;
    mix(1);
    EXPECT_EQ(v->backward, 0);
    EXPECT_EQ(v->positionInt, 2u);
    EXPECT_EQ(v->positionFrac, QUARTER - 1);
}

// The literal rule: reflect at the bound reached, and again while the
// result lies beyond the other bound.
struct Reference {
    int64_t position;
    bool backward;
};

void reference_frame(Reference* r, int64_t step, int64_t start, int64_t end) {
    r->position += r->backward ? -step : step;
    bool reached = r->backward ? r->position <= start : r->position >= end;
    while (reached) {
        int64_t bound = r->backward ? start : end;
        r->position = 2 * bound - r->position - 1;
        r->backward = !r->backward;
        reached = r->backward ? r->position < start : r->position >= end;
    }
}

TEST_F(MixerTest, PingPongStepsOfAnyLengthMatchRepeatedReflections) {
    const int64_t ONE = int64_t(1) << 32;
    make_sample(&a_, ramp_values(40, 10), LOOP_PINGPONG, 3, 5);
    const uint64_t steps[] = {uint64_t(ONE / 3),        uint64_t(ONE),         uint64_t(5 * ONE - 1),
                              uint64_t(5 * ONE),        uint64_t(5 * ONE + 1), uint64_t(6 * ONE),
                              uint64_t(9 * ONE - 1),    uint64_t(10 * ONE),    uint64_t(37 * ONE + 12345),
                              uint64_t(1000 * ONE + 77)};
    const Reference starts[] = {{4 * ONE + 777, false}, {3 * ONE, false}, {8 * ONE - 1, false}, {4 * ONE, true}};
    for (Reference start : starts) {
        for (uint64_t step : steps) {
            Voice* v = start_voice(0, &a_.sample, uint32_t(start.position >> 32), uint32_t(start.position),
                                   uint32_t(step >> 32), uint32_t(step));
            v->backward = start.backward;
            Reference r = start;
            for (int frame = 0; frame < 40; ++frame) {
                mix(1);
                reference_frame(&r, int64_t(step), 3 * ONE, 8 * ONE);
                int64_t got = int64_t((uint64_t(v->positionInt) << 32) | v->positionFrac);
                ASSERT_EQ(got, r.position) << "start " << start.position << " step " << step << " frame " << frame;
                ASSERT_EQ(v->backward != 0, r.backward) << "step " << step << " frame " << frame;
            }
        }
    }
}

TEST_F(MixerTest, ReflectionOntoLoopStartZeroReadsFirstValue) {
    make_sample(&a_, {500, 1500, 2500, 3500}, LOOP_PINGPONG, 0, 4);
    Voice* v = start_voice(0, &a_.sample, 0, 0, 0, HALF);
    v->backward = 1;
    std::vector<float> out = mix(2);
    EXPECT_EQ(out[0], 500.0f * factor(128));
    EXPECT_EQ(out[2], 1000.0f * factor(128));  // 0.5 - 2^-32 rounds to t = 0.5
    EXPECT_EQ(v->backward, 0);
    EXPECT_EQ(v->positionInt, 0u);
    EXPECT_EQ(v->positionFrac, 2 * HALF - 1);
}

TEST_F(MixerTest, ZeroFrameStretchLeavesRampCount) {
    make_sample(&a_, {500, 1500, 2500, 3500}, LOOP_PINGPONG, 0, 4);
    Voice* v = start_voice(0, &a_.sample, 0, 0, 1, 0);
    v->backward = 1;
    v->leftGain = v->rampLeftTarget = 100;
    v->currentLeftGain = 40;
    v->rampLeftStep = 60 * 3.0637256713816896e-5f;
    v->rampFramesLeft = 100;
    std::vector<float> out = mix(1);
    EXPECT_EQ(v->rampFramesLeft, 99);
    EXPECT_EQ(out[0], 500.0f * factor(40));
}

// --- Sample end -----------------------------------------------------------

TEST_F(MixerTest, SampleEndsInTheStretchThatReachesItsLength) {
    make_sample(&a_, ramp_values(10, 100), LOOP_NONE, 0, 0);
    Voice* v = start_voice(0, &a_.sample, 8, 0, 1, 0);
    std::vector<float> out = mix(5);
    EXPECT_EQ(out[0], 800.0f * factor(128));
    EXPECT_EQ(out[2], 900.0f * factor(128));
    for (int i = 4; i < 10; ++i) EXPECT_EQ(out[i], 0.0f);
    EXPECT_EQ(v->sample, nullptr);
    EXPECT_EQ(v->positionInt, 0u);
    EXPECT_EQ(v->positionFrac, 0u);

    // A sample ending exactly with the call ends the voice too.
    v = start_voice(0, &a_.sample, 8, 0, 1, 0);
    mix(2);
    EXPECT_EQ(v->sample, nullptr);
}

TEST_F(MixerTest, EmptySampleEndsWithoutReading) {
    emptySample = Sample{};
    Voice* v = start_voice(0, &emptySample, 0, 0, 1, 0);
    v->currentLeftGain = v->currentRightGain = 0;
    std::vector<float> out = mix(4);
    for (float f : out) EXPECT_EQ(f, 0.0f);
    EXPECT_EQ(v->sample, nullptr);
}

// --- Voice order ------------------------------------------------------------

TEST_F(MixerTest, VoicesAddInOrderIntoTheSameFloats) {
    TestSample b;
    make_sample(&a_, {79, 79}, LOOP_FORWARD, 0, 1);
    make_sample(&b, {8, 8}, LOOP_FORWARD, 0, 1);
    start_voice(63, &a_.sample, 0, 0, 1, 0);
    start_voice(0, &b.sample, 0, 0, 1, 0);
    const float base = 1000.0f;
    float first = 8.0f * factor(128);
    float last = 79.0f * factor(128);
    float inOrder = (base + first) + last;
    ASSERT_NE(inOrder, (base + last) + first);
    std::vector<float> out(2, base);
    mix_voices(out.data(), 1);
    EXPECT_EQ(out[0], inOrder);
    EXPECT_EQ(out[1], inOrder);
}

}  // namespace
