// Carries a channel's state over to its mixer voice after each tick:
// note starts with the twin-voice handover, volume and panning gains, and the
// resampling step from the period.
#include "replay/voice_update.h"

#include <cmath>
#include <cstring>

#include "replay/arithmetic.h"
#include "replay/replay_state.h"
#include "song/song_model.h"
#include "replay/channel_state.h"
#include "replay/voice.h"

namespace {

// The stored values of the 32-bit float constants, widened exactly.
const double NOTE_SCALE_FACTOR = 13.375;
const double ONE_TWELFTH = static_cast<double>(0.0833333358168602f);
const double LINEAR_PERIOD_UNIT = static_cast<double>(0.015625f);
const double LINEAR_FINAL_FACTOR = static_cast<double>(625.2710571289062f);
const double VOLUME_SCALE = 255.0 / 34359738368.0;  // 255 / 2^35
const int64_t AMIGA_NUMERATOR = 14317056;
const int64_t OUTPUT_RATE = 44100;
const int64_t LOWEST_FREQUENCY = 100;
const int FREQUENCY_MEMO_BITS = 12;

struct FrequencyMemo {
    int64_t n;
    int32_t frequency;
    int32_t known;
};

// Only the thread that renders uses it.
FrequencyMemo frequencyMemo[1 << FREQUENCY_MEMO_BITS];

// 2^r for |r| <= 0.5 by its power series, summed from the smallest term:
// only additions, multiplications and divisions, so every build gets the same
// bits, whatever its libm.
double exp2_small(double r) {
    const double x = r * 0.69314718055994530942;
    double sum = 1.0;
    for (int k = 22; k >= 1; --k) sum = 1.0 + x * sum / k;
    return sum;
}

// Floor division by 2^bits of a signed value, without relying on how the
// compiler shifts negative numbers.
int32_t shift_right_floor(int32_t value, int bits) { return value >= 0 ? value >> bits : ~(~value >> bits); }

// 2^n exactly as ldexp(1.0, n) gives it, subnormal and out-of-range results
// included, without the C library's error reporting.
double power_of_two(int n) {
    uint64_t bits = 0;
    if (n > 1023)
        bits = uint64_t(0x7FF) << 52;  // infinity
    else if (n >= -1022)
        bits = uint64_t(n + 1023) << 52;
    else if (n >= -1074)
        bits = uint64_t(1) << (n + 1074);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The whole and the fractional part of a 32.32 step of frequency / 44100:
// a long division in 16-bit digits, which 32-bit processors do without a
// 64-bit division helper.
void set_step(Voice* voice, uint32_t frequency) {
    const uint32_t rate = uint32_t(OUTPUT_RATE);
    const uint32_t rest = frequency % rate;
    const uint32_t high = (rest << 16) / rate;
    const uint32_t low = (((rest << 16) % rate) << 16) / rate;
    voice->stepInt = frequency / rate;
    voice->stepFrac = (high << 16) | low;
}

// Panning 0 is hard left, 255 hard right.
void set_gains(Voice* voice) {
    voice->leftGain = (255 - voice->panning) * voice->volume / 255;
    voice->rightGain = voice->panning * voice->volume / 255;
}

Voice* hand_over(ChannelState* channel) {
    Voice* old = channel->voice;
    const int32_t twinIndex = twin_voice(old->index);
    Voice* twin = &replay.voices[twinIndex];
    *twin = *old;
    twin->index = twinIndex;
    old->volume = 0;
    old->leftGain = 0;
    old->rightGain = 0;
    channel->voice = twin;
    return twin;
}

void trigger(ChannelState* channel, Sample* sample) {
    Voice* voice = channel->voice;
    if (voice->sample != nullptr) voice = hand_over(channel);
    voice->sample = sample;
    const uint64_t loopEnd = uint64_t(sample->loopStart) + sample->loopLength;
    if (voice->startOffset >= loopEnd) voice->startOffset = 0;
    voice->positionInt = voice->startOffset;
    voice->positionFrac = 0;
    voice->backward = 0;
    voice->startOffset = 0;
    voice->currentLeftGain = 0;
    voice->currentRightGain = 0;
    voice->rampFramesLeft = 0;
}

void update_volume(const ChannelState* channel, const Song* song) {
    const double product = double(channel->volume + channel->volumeOffset) * double(channel->volEnvOutput) *
                           double(channel->fadeoutVolume) * double(song->globalVolume);
    const double scaled = std::nearbyint(product * VOLUME_SCALE);
    // In-range inputs give 0..128; the clamp keeps stray values from the gains.
    Voice* voice = channel->voice;
    voice->volume = scaled < 0.0 ? 0 : scaled > 128.0 ? 128 : static_cast<int32_t>(scaled);
    set_gains(voice);
}

void update_panning(const ChannelState* channel) {
    const int64_t pan = channel->panning;
    const int64_t distance = pan >= 128 ? pan - 128 : 128 - pan;
    const int64_t factor = (128 - distance) / 32;
    const int64_t result = pan + factor * (int64_t(channel->panEnvOutput) - 32);
    Voice* voice = channel->voice;
    voice->panning = clamp(result, 0, 255);
    set_gains(voice);
}

int64_t frequency_of_linear(int64_t n) {
    const double x = double(n) * LINEAR_PERIOD_UNIT;
    const double frequency = std::nearbyint(note_scale(x) * LINEAR_FINAL_FACTOR);
    // Beyond the 32-bit range counts as below the floor (and covers infinity).
    if (!(frequency <= 2147483647.0)) return 0;
    return static_cast<int64_t>(frequency);
}

// In the linear table a positive pitch offset raises the pitch. The power
// series costs hundreds of cycles and a vibrato asks for the same few
// values tick after tick, so they are remembered, keyed by the exact input.
int64_t linear_frequency(int32_t period, int32_t pitchOffset) {
    const int64_t n = 4608 - int64_t(period) + pitchOffset;
    // Scattered, as the notes of many channels lie whole semitones (64) apart.
    const uint64_t slot = (uint64_t(n) * 0x9E3779B97F4A7C15ull) >> (64 - FREQUENCY_MEMO_BITS);
    FrequencyMemo* memo = &frequencyMemo[slot];
    if (memo->known && memo->n == n) return memo->frequency;
    memo->known = 1;
    memo->n = n;
    memo->frequency = int32_t(frequency_of_linear(n));
    return memo->frequency;
}

void update_pitch(const ChannelState* channel, const Song* song, int64_t periodSum) {
    int64_t frequency;
    if (song->flags & SONG_LINEAR_FREQUENCIES) {
        frequency = linear_frequency(channel->period, channel->pitchOffset);
    } else {
        // Any period outside 1..numerator gives a frequency below the floor.
        const bool inRange = periodSum > 0 && periodSum <= AMIGA_NUMERATOR;
        frequency = inRange ? int32_t(AMIGA_NUMERATOR) / int32_t(periodSum) : 0;
    }
    if (frequency < LOWEST_FREQUENCY) frequency = LOWEST_FREQUENCY;
    set_step(channel->voice, uint32_t(frequency));
}

void rewind(ChannelState* channel) {
    Voice* voice = channel->voice;
    voice->positionInt = 0;
    voice->positionFrac = 0;
    voice->startOffset = 0;
}

}  // namespace

double note_scale(double x) {
    const double y = x * ONE_TWELFTH;
    double whole = std::nearbyint(y);
    const double rest = y - whole;
    // Past these exponents the result is 0 or infinite anyway.
    if (whole > 4000.0) whole = 4000.0;
    if (whole < -4000.0) whole = -4000.0;
    return exp2_small(rest) * power_of_two(static_cast<int>(whole)) * NOTE_SCALE_FACTOR;
}

int32_t amiga_period(uint8_t note, int8_t finetune) {
    const int32_t g = nearest(note_scale(132 - note));
    if (finetune < 0 && note != 0) {
        const int32_t lower = nearest(note_scale(133 - note));
        return g + shift_right_floor(finetune * (g - lower), 7);
    }
    const int32_t higher = nearest(note_scale(131 - note));
    return g + shift_right_floor(finetune * (higher - g), 7);
}

void update_voice(ChannelState* channel, Sample* sample, const Song* song) {
    const int64_t periodSum = int64_t(channel->period) + channel->pitchOffset;
    if (periodSum == 0) channel->updateFlags &= ~FLAG_PITCH;
    const uint8_t flags = channel->updateFlags;
    if (flags & FLAG_TRIGGER) trigger(channel, sample);
    if (flags & FLAG_VOLUME) update_volume(channel, song);
    if (flags & FLAG_PANNING) update_panning(channel);
    if (flags & FLAG_PITCH) update_pitch(channel, song, periodSum);
    if (flags & FLAG_REWIND) rewind(channel);
}
