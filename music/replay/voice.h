// One mixer voice. Channel c plays on voice c and its twin c + 32.
#pragma once
#include <cstdint>

struct Sample;

const int VOICE_COUNT = 64;
const int TWIN_OFFSET = VOICE_COUNT / 2;  // voice c + 32 is channel c's twin

// The other voice of a channel's pair (c and c + 32).
inline int32_t twin_voice(int32_t index) { return index ^ TWIN_OFFSET; }
// The channel a voice plays for.
inline int32_t channel_of_voice(int32_t index) { return index & (TWIN_OFFSET - 1); }

struct Voice {
    int32_t index;
    int32_t volume;        // 0..128
    int32_t panning;       // 0..255: 0 hard left, 255 hard right
    uint32_t startOffset;  // where the next trigger starts the sample
    Sample* sample;        // null while idle
    int32_t leftGain;
    int32_t rightGain;
    uint32_t positionInt;
    uint32_t positionFrac;
    uint32_t stepFrac;
    uint32_t stepInt;
    int32_t backward;
    int32_t rampLeftTarget;
    int32_t rampRightTarget;
    int32_t currentLeftGain;
    int32_t currentRightGain;
    float rampLeftStep;
    float rampRightStep;
    int32_t rampFramesLeft;
};
