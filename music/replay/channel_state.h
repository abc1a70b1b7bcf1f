// Per-channel replay state and the flags that tell update_voice what changed.
#pragma once
#include <cstdint>

struct Voice;

const uint8_t FLAG_PITCH = 0x01;
const uint8_t FLAG_VOLUME = 0x02;
const uint8_t FLAG_PANNING = 0x04;
const uint8_t FLAG_TRIGGER = 0x08;
const uint8_t FLAG_REWIND = 0x20;

struct ChannelState {
    uint8_t note;         // key index 0..95
    uint8_t updateFlags;
    Voice* voice;
    int32_t period;
    int32_t volume;       // 0..64
    int32_t panning;      // 0..255 as a rule; volume-column slides may leave it
    int32_t volumeOffset;
    int32_t pitchOffset;
    int32_t volEnvTick;
    int32_t volEnvPoint;
    int32_t volEnvValue;  // 16.16
    int32_t volEnvOutput; // 0..64
    int32_t volEnvStep;   // 16.16
    uint8_t volEnvDone;
    int32_t panEnvTick;
    int32_t panEnvPoint;
    int32_t panEnvValue;
    int32_t panEnvOutput; // 0..64, 32 centre
    int32_t panEnvStep;
    uint8_t panEnvDone;
    int32_t fadeoutVolume; // 0..65536
    int32_t autoVibPos;
    int32_t autoVibSweepCount;
    uint8_t keyOff;
    uint8_t instrument;
    uint8_t realNote;
    int32_t notePeriod;
    uint8_t lastEffect;
    uint32_t sampleOffsetMem;
    uint8_t portaDownMem;
    uint8_t portaUpMem;
    uint8_t xfinePortaDownMem;
    uint8_t xfinePortaUpMem;
    uint8_t volSlideMem;
    uint8_t panSlideMem;
    uint8_t retrigVolMode;
    uint8_t retrigInterval;
    int32_t portaTarget;
    uint8_t portaSpeed;
    int8_t vibPos;
    uint8_t vibSpeed;
    uint8_t vibDepth;
    int8_t tremPos;
    uint8_t tremSpeed;
    uint8_t tremDepth;
    uint8_t tremorCount;
    uint8_t tremorOn;
    uint8_t tremorOff;
    int32_t loopRow;
    int32_t loopCount;
    uint8_t waveControl;  // low nibble vibrato waveform, high nibble tremolo
    uint8_t fineVolSlideMem;
    uint8_t finePortaUpMem;
    uint8_t finePortaDownMem;
};
