// Pitch and gain arithmetic, triggers with the twin-voice handover, rewinds.
#include <gtest/gtest.h>

#include <cmath>

#include "replay/replay_state.h"
#include "replay/voice_update.h"
#include "replay_song.h"

namespace {

struct VoiceBench {
    ReplaySong t;
    ChannelState* channel;
};

// Channel 0 of a one-channel song, with a full-volume state and no flags.
void set_up(VoiceBench* b, bool linear) {
    make_song(&b->t, 1, 1, 1);
    b->t.song.flags = linear ? 1 : 0;
    add_instrument(&b->t, 1000, 64, 128, LOOP_FORWARD, 100, 200);
    start_replay(&b->t);
    b->t.song.globalVolume = 64;
    b->channel = &replay.channels[0];
    b->channel->volume = 64;
    b->channel->volEnvOutput = 64;
    b->channel->fadeoutVolume = 65536;
    b->channel->panning = 128;
    b->channel->panEnvOutput = 32;
}

uint32_t frequency_step(VoiceBench* b, int32_t period, int32_t pitchOffset = 0) {
    b->channel->period = period;
    b->channel->pitchOffset = pitchOffset;
    b->channel->updateFlags = FLAG_PITCH;
    update_voice(b->channel, &emptySample, &b->t.song);
    const Voice* v = b->channel->voice;
    // Back to Hz: whole steps x 44100 plus the fraction, rounded up.
    return v->stepInt * 44100u + uint32_t((uint64_t(v->stepFrac) * 44100 + 0xFFFFFFFFu) >> 32);
}

// Each test starts from a linear-table bench; amiga() swaps in an Amiga one.
class VoiceTest : public ::testing::Test {
protected:
    VoiceBench b;
    void SetUp() override { set_up(&b, true); }
    void amiga() {
        b = VoiceBench();
        set_up(&b, false);
    }
};
typedef VoiceTest PitchStep;
typedef VoiceTest VoiceGain;
typedef VoiceTest VoiceTrigger;

TEST(AmigaPeriod, TableExamples) {
    EXPECT_EQ(amiga_period(48, 0), 1712);
    EXPECT_EQ(amiga_period(48, 64), 1664);
    EXPECT_EQ(amiga_period(48, 127), 1616);
    EXPECT_EQ(amiga_period(48, 1), 1711);
    EXPECT_EQ(amiga_period(48, -1), 1712);
    EXPECT_EQ(amiga_period(48, -128), 1814);
    EXPECT_EQ(amiga_period(60, 0), 856);
    EXPECT_EQ(amiga_period(0, 0), 27392);
    EXPECT_EQ(amiga_period(0, -128), 28929);
}

TEST(AmigaPeriod, HighNotesStayDefined) {
    EXPECT_EQ(amiga_period(255, 0), 0);
    EXPECT_EQ(amiga_period(255, -128), 0);
}

TEST(NoteScale, MatchesPowerOfTwoWithTheFloatTwelfth) {
    const double twelfth = double(0.0833333358168602f);
    EXPECT_EQ(note_scale(0), 13.375);
    for (double x : {-300.0, -24.0, -6.5, 1.0, 6.0, 12.0, 131.0, 132.0, 133.0, 700.0}) {
        const double expected = 13.375 * std::exp2(x * twelfth);
        EXPECT_NEAR(note_scale(x), expected, expected * 4e-16) << x;
    }
}

// Past the normal doubles the power of two is what ldexp gives: subnormal,
// then 0 below, infinite above.
TEST(NoteScale, BeyondTheNormalRangeAsLdexpGivesIt) {
    const double twelfth = double(0.0833333358168602f);
    EXPECT_EQ(note_scale(12.0 * 1100), HUGE_VAL);
    EXPECT_EQ(note_scale(-12.0 * 1100), 0.0);
    for (double x : {-12.0 * 1030, -12.0 * 1060}) {
        const double expected = 13.375 * std::exp2(x * twelfth);
        EXPECT_NEAR(note_scale(x), expected, expected * 1e-3) << x;
        EXPECT_GT(note_scale(x), 0.0) << x;
    }
}

TEST_F(PitchStep, AmigaFrequencies) {
    amiga();
    EXPECT_EQ(frequency_step(&b, 1712), 8362u);
    EXPECT_EQ(frequency_step(&b, 856), 16725u);
    EXPECT_EQ(frequency_step(&b, 27392), 522u);
    EXPECT_EQ(frequency_step(&b, 1700, 12), 8362u);
}

TEST_F(PitchStep, LinearFrequencies) {
    frequency_step(&b, 4608);
    EXPECT_EQ(b.channel->voice->stepInt, 0u);
    EXPECT_EQ(b.channel->voice->stepFrac, 814485521u);
    EXPECT_EQ(frequency_step(&b, 4608), 8363u);
    EXPECT_EQ(frequency_step(&b, 3840), 16726u);
    EXPECT_EQ(frequency_step(&b, 7680), 523u);
    // A positive offset raises the pitch in the linear table.
    EXPECT_EQ(frequency_step(&b, 4608 + 768, 768), 8363u);
}

TEST_F(PitchStep, FullRateAndFloor) {
    amiga();
    const Voice* v = b.channel->voice;
    frequency_step(&b, 14317056 / 44100 + 1);  // 325: 44052 Hz
    EXPECT_EQ(v->stepInt, 0u);
    frequency_step(&b, 1, 0);  // 14317056 Hz
    EXPECT_EQ(v->stepInt, 324u);
    EXPECT_EQ(v->stepFrac, uint32_t(((14317056ull % 44100) << 32) / 44100));
    frequency_step(&b, 200000);  // 71 Hz: raised to 100
    EXPECT_EQ(v->stepInt, 0u);
    EXPECT_EQ(v->stepFrac, 9739154u);
    frequency_step(&b, -1712);  // negative frequency: 100 Hz
    EXPECT_EQ(v->stepFrac, 9739154u);
}

TEST_F(PitchStep, ZeroPeriodSumKeepsStepAndFlagIsCleared) {
    amiga();
    frequency_step(&b, 856);
    const Voice before = *b.channel->voice;
    b.channel->period = 100;
    b.channel->pitchOffset = -100;
    b.channel->updateFlags = FLAG_PITCH;
    update_voice(b.channel, &emptySample, &b.t.song);
    EXPECT_EQ(b.channel->updateFlags & FLAG_PITCH, 0);
    EXPECT_EQ(b.channel->voice->stepInt, before.stepInt);
    EXPECT_EQ(b.channel->voice->stepFrac, before.stepFrac);
}

TEST_F(PitchStep, FarOutOfRangeLinearPeriodsGiveTheFloor) {
    const Voice* v = b.channel->voice;
    frequency_step(&b, -2000000000, 100000000);  // far above 32 bits of Hz
    EXPECT_EQ(v->stepInt, 0u);
    EXPECT_EQ(v->stepFrac, 9739154u);
    frequency_step(&b, 2000000000, -100000000);
    EXPECT_EQ(v->stepFrac, 9739154u);
}

// Voice volume and gains for S, E, F, G (channel volume, envelope, fadeout,
// global volume).
const Voice& volume_update(VoiceBench* b, int32_t s, int32_t e, int32_t f, int32_t g) {
    b->channel->volume = s;
    b->channel->volEnvOutput = e;
    b->channel->fadeoutVolume = f;
    b->t.song.globalVolume = g;
    b->channel->updateFlags = FLAG_VOLUME;
    update_voice(b->channel, &emptySample, &b->t.song);
    return *b->channel->voice;
}

TEST_F(VoiceGain, VolumeProduct) {
    b.channel->voice->panning = 128;
    EXPECT_EQ(volume_update(&b, 64, 64, 65536, 64).volume, 128);
    EXPECT_EQ(volume_update(&b, 32, 64, 65536, 64).volume, 64);  // 63.75
    EXPECT_EQ(volume_update(&b, 64, 64, 65536, 0).volume, 0);
    EXPECT_EQ(volume_update(&b, 1, 1, 65536, 64).volume, 0);     // 0.03
    EXPECT_EQ(volume_update(&b, 64, 64, 32768, 64).volume, 64);  // 63.75 again
    EXPECT_EQ(volume_update(&b, 48, 32, 16384, 64).volume, 12);  // 11.95
    b.channel->volumeOffset = -32;
    EXPECT_EQ(volume_update(&b, 64, 64, 65536, 64).volume, 64);
}

TEST_F(VoiceGain, GainsFromStoredPanning) {
    Voice* v = b.channel->voice;
    const int32_t pannings[] = {128, 255, 0};
    const int32_t left[] = {63, 0, 128};  // 0 is hard left, 255 hard right
    const int32_t right[] = {64, 128, 0};
    for (int i = 0; i < 3; ++i) {
        v->panning = pannings[i];
        volume_update(&b, 64, 64, 65536, 64);
        EXPECT_EQ(v->leftGain, left[i]);
        EXPECT_EQ(v->rightGain, right[i]);
    }
}

// The voice panning for channel panning p and envelope output n.
int32_t panning_update(VoiceBench* b, int32_t p, int32_t n) {
    b->channel->panning = p;
    b->channel->panEnvOutput = n;
    b->channel->updateFlags = FLAG_PANNING;
    update_voice(b->channel, &emptySample, &b->t.song);
    return b->channel->voice->panning;
}

TEST_F(VoiceGain, PanningEnvelopeRange) {
    EXPECT_EQ(panning_update(&b, 128, 0), 0);
    EXPECT_EQ(panning_update(&b, 128, 64), 255);
    EXPECT_EQ(panning_update(&b, 128, 33), 132);
    EXPECT_EQ(panning_update(&b, 127, 33), 130);
    EXPECT_EQ(panning_update(&b, 100, 33), 103);
    EXPECT_EQ(panning_update(&b, 31, 64), 31);
    EXPECT_EQ(panning_update(&b, 225, 0), 225);
    // Volume-column slides may leave the range; the voice sees 0..255.
    EXPECT_EQ(panning_update(&b, -28, 32), 0);
    EXPECT_EQ(panning_update(&b, 300, 32), 255);
    EXPECT_EQ(panning_update(&b, INT32_MIN, 64), 0);
    EXPECT_EQ(panning_update(&b, INT32_MAX, 0), 255);
}

void trigger(VoiceBench* b, Sample* sample) {
    b->channel->updateFlags = FLAG_TRIGGER;
    update_voice(b->channel, sample, &b->t.song);
}

TEST_F(VoiceTrigger, IdleVoiceStartsInPlace) {
    Sample* sample = sample_of(&b.t, 1);
    Voice* v = b.channel->voice;
    v->positionFrac = 77;
    v->backward = 1;
    v->currentLeftGain = 50;
    v->rampFramesLeft = 9;
    trigger(&b, sample);
    EXPECT_EQ(b.channel->voice, v);
    EXPECT_EQ(v->sample, sample);
    EXPECT_EQ(v->positionInt, 0u);
    EXPECT_EQ(v->positionFrac | uint32_t(v->backward) | uint32_t(v->currentLeftGain) | uint32_t(v->rampFramesLeft), 0u);
}

TEST_F(VoiceTrigger, SoundingVoiceHandsOverToTwinAndBack) {
    Sample* sample = sample_of(&b.t, 1);
    trigger(&b, sample);
    Voice* first = b.channel->voice;
    first->positionInt = 300;
    first->volume = 90;
    first->leftGain = 45;
    first->rightGain = 44;
    first->currentLeftGain = 45;
    first->stepInt = 2;
    trigger(&b, sample);
    Voice* twin = b.channel->voice;
    EXPECT_EQ(twin, &replay.voices[32]);
    EXPECT_EQ(twin->index, 32);
    EXPECT_EQ(twin->positionInt, 0u);
    EXPECT_EQ(twin->volume, 90);  // copied; the next volume update sets it
    EXPECT_EQ(twin->stepInt, 2u);
    EXPECT_EQ(twin->currentLeftGain, 0);
    // The old voice fades from where it is.
    EXPECT_EQ(first->index, 0);
    EXPECT_EQ(first->sample, sample);
    EXPECT_EQ(first->positionInt, 300u);
    EXPECT_EQ(first->volume | first->leftGain | first->rightGain, 0);
    EXPECT_EQ(first->currentLeftGain, 45);
    // The next handover overwrites voice 0, still fading or not.
    trigger(&b, sample);
    EXPECT_EQ(b.channel->voice, first);
    EXPECT_EQ(first->index, 0);
    EXPECT_EQ(first->currentLeftGain, 0);
    EXPECT_EQ(twin->leftGain, 0);
}

TEST_F(VoiceTrigger, StartOffsetIsUsedOnceAndCheckedAgainstLoopEnd) {
    Sample* sample = sample_of(&b.t, 1);  // loop 100..300
    b.channel->voice->startOffset = 299;
    trigger(&b, sample);
    EXPECT_EQ(b.channel->voice->positionInt, 299u);
    EXPECT_EQ(b.channel->voice->startOffset, 0u);
    b.channel->voice->startOffset = 300;
    trigger(&b, sample);
    EXPECT_EQ(b.channel->voice->positionInt, 0u);
}

TEST_F(VoiceTrigger, RewindRestartsCurrentVoiceWithoutHandover) {
    trigger(&b, sample_of(&b.t, 1));
    Voice* v = b.channel->voice;
    v->positionInt = 250;
    v->positionFrac = 5;
    v->backward = 1;
    v->startOffset = 40;
    v->currentLeftGain = 30;
    b.channel->updateFlags = FLAG_REWIND;
    update_voice(b.channel, sample_of(&b.t, 1), &b.t.song);
    EXPECT_EQ(b.channel->voice, v);
    EXPECT_EQ(v->positionInt | v->positionFrac | v->startOffset, 0u);
    EXPECT_EQ(v->backward, 1);
    EXPECT_EQ(v->currentLeftGain, 30);
}

}  // namespace
