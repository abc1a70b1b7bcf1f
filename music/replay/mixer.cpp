// Resamples every sounding voice into the float block: linear interpolation,
// 128-frame gain ramps, forward and ping-pong loops.
//
// Positions and steps are 32.32 fixed point in one uint64_t. Moving backward
// adds the step's two's complement, so both directions share one frame loop.
// Every distance is taken modulo 2^64, which keeps it exact even when a huge
// step carries the position past 2^32 whole frames.
#include "replay/mixer.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "replay/arithmetic.h"
#include "replay/replay_state.h"
#include "replay/mix_kernels.h"

namespace {

const float GAIN_UNIT = 0.003921568859368563f;   // 1/255
const float RAMP_UNIT = 3.0637256713816896e-5f;  // 1/(255 x 128)
const int32_t RAMP_FRAMES = 128;
// A ping-pong reflection that lands exactly on a loop start of 0 leaves the
// position one fraction unit below frame 0; that frame reads s[0] instead of
// the value before the data.
const uint64_t BELOW_ZERO = uint64_t(0) - 1;  // a 32.32 position: 0 less one fraction unit
// A count of frames: a bound the voice never reaches.
const uint64_t NEVER = UINT64_MAX;

struct Loop {
    uint64_t start;   // 32.32
    uint64_t end;     // 32.32, the guard frame's position
    uint64_t length;  // 32.32, end - start
    uint8_t type;     // LOOP_NONE, LOOP_FORWARD, LOOP_PINGPONG
};

uint64_t fixed(uint32_t whole, uint32_t fraction) { return (uint64_t(whole) << 32) | fraction; }

// n / d where the quotient is known to be below 2^bits. 64-bit processors
// divide in one instruction; 32-bit ones go bit by bit from the highest,
// which needs no 64-bit division helper.
uint64_t bounded_quotient(uint64_t n, uint64_t d, int bits) {
#if UINTPTR_MAX > UINT32_MAX
    (void)bits;
    return n / d;
#else
    uint64_t quotient = 0;
    for (int bit = bits - 1; bit >= 0; --bit) {
        if ((n >> bit) >= d) {
            n -= d << bit;
            quotient |= uint64_t(1) << bit;
        }
    }
    return quotient;
#endif
}

// x modulo `frames` whole frames (loop bounds carry no fraction), by a
// 32-bit division of the whole part.
uint64_t modulo_frames(uint64_t x, uint64_t frames) {
    const uint64_t whole = x >> 32;
    if (whole < frames) return x;
    return fixed(uint32_t(whole) % uint32_t(frames), uint32_t(x));
}

// A loop that is empty or reaches past the data plays as no loop, so the
// frame loop never reads beyond the guard and spare frames.
Loop loop_of(const Sample* sample) {
    uint32_t length = sample->data ? sample->length : 0;
    uint64_t loopEnd = uint64_t(sample->loopStart) + sample->loopLength;
    bool looped = (sample->loopType == LOOP_FORWARD || sample->loopType == LOOP_PINGPONG) && sample->loopLength > 0 &&
                  loopEnd <= length;
    Loop loop;
    loop.type = looped ? sample->loopType : LOOP_NONE;
    loop.start = looped ? uint64_t(sample->loopStart) << 32 : 0;
    loop.end = looped ? loopEnd << 32 : uint64_t(length) << 32;
    loop.length = loop.end - loop.start;
    return loop;
}

// Frames after which the position reaches or passes the bound it moves
// toward: 0 when it is there already, NEVER when it does not move or not
// within `limit` frames (a multiplication tells, sparing most divisions).
uint64_t frames_to_bound(uint64_t position, uint64_t step, int32_t backward, const Loop& loop, int limit) {
    uint64_t distance;
    if (backward) {
        if (position < loop.start || position > loop.end) return 0;
        distance = position - loop.start;
    } else {
        distance = loop.end - position;  // BELOW_ZERO gives end + 1
        if (distance > loop.end + 1) return 0;
    }
    if (distance == 0) return 0;
    if (step == 0) return NEVER;
    uint64_t reach;
    if (!__builtin_mul_overflow(step, uint64_t(limit), &reach) && distance > reach) return NEVER;
    // Either way the quotient is below limit, which is below 2^31.
    return bounded_quotient(distance - 1, step, 32 - __builtin_clz(uint32_t(limit) | 1)) + 1;
}

// Continues the running ramp while its targets hold; otherwise sets up a new
// one from the gains reached so far.
void begin_gains(Voice* voice, Stretch* stretch) {
    bool rampGoesOn = voice->rampFramesLeft > 0 && voice->leftGain == voice->rampLeftTarget &&
                      voice->rightGain == voice->rampRightTarget;
    if (!rampGoesOn) {
        int32_t leftChange = voice->leftGain - voice->currentLeftGain;
        int32_t rightChange = voice->rightGain - voice->currentRightGain;
        voice->rampLeftTarget = voice->leftGain;
        voice->rampRightTarget = voice->rightGain;
        voice->rampLeftStep = float(leftChange) * RAMP_UNIT;
        voice->rampRightStep = float(rightChange) * RAMP_UNIT;
        voice->rampFramesLeft = (leftChange != 0 || rightChange != 0) ? RAMP_FRAMES : 0;
    }
    stretch->rampFrames = voice->rampFramesLeft;
    stretch->leftStep = voice->rampLeftStep;
    stretch->rightStep = voice->rampRightStep;
    bool ramping = stretch->rampFrames > 0;
    stretch->left = float(ramping ? voice->currentLeftGain : voice->leftGain) * GAIN_UNIT;
    stretch->right = float(ramping ? voice->currentRightGain : voice->rightGain) * GAIN_UNIT;
}

// Mixes the frames that start one unit below frame 0 (one, unless the step
// is 0) and returns how many.
int mix_below_zero(Stretch* st, float* out, int frames) {
    int done = 0;
    float x = float(st->data[0]);
    while (done < frames && st->position == BELOW_ZERO) {
        out[0] = (st->store ? 0.0f : out[0]) + x * st->left;
        out[1] = (st->store ? 0.0f : out[1]) + x * st->right;
        out += 2;
        st->position += st->delta;
        if (st->rampFrames > 0) {
            st->left += st->leftStep;
            st->right += st->rightStep;
        }
        ++done;
    }
    return done;
}

void end_ramp_stretch(Voice* voice, const Stretch& st, int frames) {
    voice->currentLeftGain = nearest(st.left / GAIN_UNIT);
    voice->currentRightGain = nearest(st.right / GAIN_UNIT);
    voice->rampFramesLeft -= frames;
    if (voice->rampFramesLeft == 0) {
        voice->rampLeftStep = 0.0f;
        voice->rampRightStep = 0.0f;
        voice->currentLeftGain = voice->leftGain;
        voice->currentRightGain = voice->rightGain;
    }
}

void clear_frames(float* out, int frames) { std::memset(out, 0, sizeof(float) * 2 * size_t(frames)); }

void mix_stretch(Voice* voice, Stretch* st, float* out, int frames) {
    int below = mix_below_zero(st, out, frames);
    if (st->rampFrames > 0) {
        mix_kernels().mixRamp(st, out + 2 * below, frames - below);
        end_ramp_stretch(voice, *st, frames);
    } else if (st->left == 0.0f && st->right == 0.0f) {
        // A silent voice only moves on: adding x x 0 = +-0 to a block float
        // changes at most the sign of a zero, which converts to the same
        // 16-bit value.
        st->position += st->delta * uint64_t(frames - below);
        if (st->store) clear_frames(out + 2 * below, frames - below);
    } else {
        mix_kernels().mixSteady(st, out + 2 * below, frames - below);
    }
}

// Folds a forward position that lies `past` beyond the loop end back into
// the loop. Two reflections in a row move it back by exactly twice the loop,
// so only the remainder modulo that matters.
void fold_past_end(Voice* voice, uint64_t* position, uint64_t past, const Loop& loop) {
    uint64_t rest = modulo_frames(past, 2 * (loop.length >> 32));
    if (rest < loop.length) {
        *position = loop.end - rest - 1;
        voice->backward = 1;
    } else {
        *position = loop.start + (rest - loop.length);
        voice->backward = 0;
    }
}

// Each reflection lands one fraction unit short of the mirror image.
void reflect(Voice* voice, uint64_t* position, const Loop& loop) {
    if (!voice->backward) {
        fold_past_end(voice, position, *position - loop.end, loop);
        return;
    }
    uint64_t past = loop.start - *position;
    if (past <= loop.length) {
        *position = loop.start + past - 1;  // BELOW_ZERO for a start of 0 reached exactly
        voice->backward = 0;
        return;
    }
    fold_past_end(voice, position, past - loop.length - 1, loop);
}

// Returns false when the voice has ended.
bool pass_bound(Voice* voice, uint64_t* position, const Loop& loop) {
    if (loop.type == LOOP_FORWARD) {
        *position = loop.start + modulo_frames(*position - loop.end, loop.length >> 32);
        return true;
    }
    if (loop.type == LOOP_PINGPONG) {
        reflect(voice, position, loop);
        return true;
    }
    voice->sample = nullptr;
    *position = 0;
    return false;
}

void store_position(Voice* voice, uint64_t position) {
    voice->positionInt = uint32_t(position >> 32);
    voice->positionFrac = uint32_t(position);
}

// Mixes one voice in stretches that each end at a loop bound, the end of a
// ramp or the end of the call. With `store` it writes every frame of the
// call (zeros after its sample ends) instead of adding.
void mix_voice(Voice* voice, float* out, int frames, bool store) {
    const Loop loop = loop_of(voice->sample);
    const uint64_t step = fixed(voice->stepInt, voice->stepFrac);
    Stretch st;
    st.store = store;
    st.data = voice->sample->data;
    st.position = fixed(voice->positionInt, voice->positionFrac);
    while (true) {
        uint64_t toBound = frames_to_bound(st.position, step, voice->backward, loop, frames);
        bool boundDue = toBound <= uint64_t(frames);
        int n = boundDue ? int(toBound) : frames;
        begin_gains(voice, &st);
        if (st.rampFrames > 0 && n > st.rampFrames) {
            n = st.rampFrames;
            boundDue = false;
        }
        st.delta = voice->backward ? 0 - step : step;
        if (n > 0) mix_stretch(voice, &st, out, n);
        out += 2 * n;
        frames -= n;
        if (boundDue && !pass_bound(voice, &st.position, loop)) {
            store_position(voice, 0);
            if (store) clear_frames(out, frames);
            return;
        }
        store_position(voice, st.position);
        if (frames == 0) return;
    }
}

// A voice handed over to its twin fades to 0 and is never raised again:
// the next handover overwrites it whole. Once its ramp has ended it only
// adds zeros, so it can stop.
bool faded_out_twin(int i) {
    const Voice* voice = &replay.voices[i];
    return replay.channels[channel_of_voice(i)].voice == &replay.voices[twin_voice(i)] && voice->rampFramesLeft == 0 &&
           voice->leftGain == 0 && voice->rightGain == 0 && voice->currentLeftGain == 0 && voice->currentRightGain == 0;
}

// Adds every sounding voice; with `store`, the first one writes the frames
// (and where none sounds they become 0).
void mix_all(float* out, int frames, bool store) {
    if (frames <= 0) return;
    for (int i = 0; i < VOICE_COUNT; ++i) {
        Voice* voice = &replay.voices[i];
        if (voice->sample && faded_out_twin(i)) voice->sample = nullptr;
        if (voice->sample) {
            mix_voice(voice, out, frames, store);
            store = false;
        }
    }
    if (store) clear_frames(out, frames);
}

}  // namespace

void mix_voices(float* out, int frames) { mix_all(out, frames, false); }

void mix_voices_over(float* out, int frames) { mix_all(out, frames, true); }
