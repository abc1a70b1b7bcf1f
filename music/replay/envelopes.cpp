#include "replay/envelopes.h"

#include "replay/arithmetic.h"
#include "song/song_model.h"
#include "replay/channel_state.h"
#include "replay/waveforms.h"

namespace {

const int32_t MAX_POINTS = 12;
const int32_t MAX_LEVEL = 64;
const int32_t FIXED_ONE = 65536;  // 16.16

// One envelope's running state on the channel.
struct EnvelopeFields {
    int32_t* tick;
    int32_t* point;
    int32_t* value;
    int32_t* output;
    int32_t* step;
    uint8_t* done;
};

// One envelope of the instrument.
struct EnvelopeShape {
    uint8_t flags;
    int32_t pointCount;
    const EnvelopePoint* points;
    uint8_t loopStart;
    uint8_t loopEnd;
    uint8_t sustainPoint;
};

EnvelopeFields volume_fields(ChannelState* c) {
    return {&c->volEnvTick, &c->volEnvPoint, &c->volEnvValue, &c->volEnvOutput, &c->volEnvStep, &c->volEnvDone};
}

EnvelopeFields panning_fields(ChannelState* c) {
    return {&c->panEnvTick, &c->panEnvPoint, &c->panEnvValue, &c->panEnvOutput, &c->panEnvStep, &c->panEnvDone};
}

int32_t clamp_count(uint8_t count) { return count < MAX_POINTS ? count : MAX_POINTS; }

EnvelopeShape volume_shape(const Instrument* i) {
    return {i->volumeEnvelopeFlags, clamp_count(i->volumePointCount),
            i->volumeEnvelope,      i->volumeLoopStart,
            i->volumeLoopEnd,       i->volumeSustainPoint};
}

EnvelopeShape panning_shape(const Instrument* i) {
    return {i->panningEnvelopeFlags, clamp_count(i->panningPointCount),
            i->panningEnvelope,      i->panningLoopStart,
            i->panningLoopEnd,       i->panningSustainPoint};
}

// Values past 64 cannot come from the loader, but a bad one must not
// overflow the 16.16 arithmetic.
int32_t level_at(const EnvelopeShape& shape, int32_t i) {
    int32_t y = shape.points[i].y;
    return y < MAX_LEVEL ? y : MAX_LEVEL;
}

// An envelope value held within 0..MAX_LEVEL in 16.16.
int32_t clamp_value(int64_t value) { return clamp(value, 0, MAX_LEVEL * FIXED_ONE); }

int32_t output_of(int32_t value) { return clamp_value(value) >> 16; }

// Per-tick increment from point i to i + 1; points out of tick order give a
// negative span, which only sets the sign.
int32_t segment_step(const EnvelopeShape& shape, int32_t i) {
    // Both fit 32 bits: ticks are 16-bit, levels at most 64.
    int32_t span = int32_t(shape.points[i + 1].x) - shape.points[i].x;
    if (span == 0) return 0;
    int32_t rise = (level_at(shape, i + 1) - level_at(shape, i)) * FIXED_ONE;
    return rise / span;
}

// Handles the point just reached; true when the tick is over (end or sustain).
bool reach_point(ChannelState* channel, EnvelopeFields f, const EnvelopeShape& shape, uint8_t updateFlag) {
    int32_t& p = *f.point;
    if ((shape.flags & ENVELOPE_LOOP) && p == shape.loopEnd && shape.loopStart < shape.pointCount) {
        p = shape.loopStart;
        *f.tick = shape.points[p].x;
    }
    bool last = p == shape.pointCount - 1;
    bool sustained = (shape.flags & ENVELOPE_SUSTAIN) && p == shape.sustainPoint && !channel->keyOff;
    if (last || sustained) {
        *f.output = level_at(shape, p);
        if (last) *f.done = 1;
        channel->updateFlags |= updateFlag;
        return true;
    }
    *f.step = segment_step(shape, p);
    *f.value = level_at(shape, p) * FIXED_ONE;
    p += 1;
    return false;
}

void step_envelope(ChannelState* channel, EnvelopeFields f, const EnvelopeShape& shape, uint8_t updateFlag) {
    int32_t p = *f.point;
    if (p >= 0 && p < shape.pointCount) {
        // A tick past the point also reaches it, so points out of tick order
        // pass in one tick each instead of never being reached.
        if (*f.tick >= shape.points[p].x) {
            if (reach_point(channel, f, shape, updateFlag)) return;
        } else if (p == 0) {
            // Before a first point that lies after tick 0: hold its value.
            *f.value = level_at(shape, 0) * FIXED_ONE;
        } else {
            *f.value = clamp_value(int64_t(*f.value) + *f.step);
        }
    }
    *f.output = output_of(*f.value);
    if (*f.tick < INT32_MAX) *f.tick += 1;
    channel->updateFlags |= updateFlag;
}

}  // namespace

void step_volume_envelope(ChannelState* channel, const Instrument* instrument) {
    if ((instrument->volumeEnvelopeFlags & ENVELOPE_ON) && !channel->volEnvDone)
        step_envelope(channel, volume_fields(channel), volume_shape(instrument), FLAG_VOLUME);
}

void step_panning_envelope(ChannelState* channel, const Instrument* instrument) {
    if ((instrument->panningEnvelopeFlags & ENVELOPE_ON) && !channel->panEnvDone)
        step_envelope(channel, panning_fields(channel), panning_shape(instrument), FLAG_PANNING);
}

void fadeout_step(ChannelState* channel, const Instrument* instrument) {
    int32_t level = channel->fadeoutVolume - int32_t(instrument->fadeout);
    channel->fadeoutVolume = level < 0 ? 0 : level;
    channel->updateFlags |= FLAG_VOLUME;
}

void set_envelope_position(ChannelState* channel, const Instrument* instrument, uint8_t position) {
    if (!(instrument->volumeEnvelopeFlags & ENVELOPE_ON)) return;
    EnvelopeShape shape = volume_shape(instrument);
    int32_t n = shape.pointCount;
    if (n == 0) return;
    int32_t i = 0;
    while (i < n - 1 && position > shape.points[i + 1].x) i += 1;
    if (i == n - 1) {
        channel->volEnvPoint = n - 1;
        channel->volEnvOutput = level_at(shape, n - 1);
        channel->volEnvDone = 1;
        return;
    }
    channel->volEnvDone = 0;
    channel->volEnvTick = position;
    if (position < shape.points[0].x) {
        // Before a first point that lies after tick 0: wait for it there.
        channel->volEnvPoint = 0;
        channel->volEnvStep = 0;
        channel->volEnvValue = level_at(shape, 0) * FIXED_ONE;
        channel->volEnvOutput = level_at(shape, 0);
        return;
    }
    channel->volEnvStep = segment_step(shape, i);
    channel->volEnvPoint = i + 1;
    int64_t into = int64_t(position) - shape.points[i].x;
    channel->volEnvValue = clamp_value(int64_t(level_at(shape, i)) * FIXED_ONE + into * channel->volEnvStep);
    channel->volEnvOutput = channel->volEnvValue >> 16;
}

void auto_vibrato(ChannelState* channel, const Instrument* instrument) {
    int32_t sweep = instrument->vibratoSweep;
    int32_t d =
        auto_vibrato_wave(instrument->vibratoType, channel->autoVibPos & 255) * int32_t(instrument->vibratoDepth);
    if (sweep != 0) d = d * channel->autoVibSweepCount / sweep;
    channel->pitchOffset += d >> 6;
    channel->autoVibSweepCount += 1;
    if (channel->autoVibSweepCount > sweep) channel->autoVibSweepCount = sweep;
    channel->autoVibPos += instrument->vibratoRate;
    if (channel->autoVibPos >= 256) channel->autoVibPos -= 256;
    channel->updateFlags |= FLAG_PITCH;
}
