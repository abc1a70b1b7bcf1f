// Per-channel replay state and the flags that tell update_voice what changed.
#pragma once
#include <cstdint>

struct Voice;

const uint8_t FLAG_PITCH = 0x01;
const uint8_t FLAG_VOLUME = 0x02;
const uint8_t FLAG_PANNING = 0x04;
const uint8_t FLAG_TRIGGER = 0x08;
const uint8_t FLAG_REWIND = 0x20;

// One channel's replay state. The order of the fields is the record's
// layout; the groups say what each part is for.
struct ChannelState {
    // What the row and tick steps hand to update_voice: the note's key, the
    // flags of what changed, the voice, and the sound before modulation.
    uint8_t note;         // key index 0..95
    uint8_t updateFlags;  // FLAG_ bits
    Voice* voice;         // voice c or its twin c + 32
    int32_t period;
    int32_t volume;   // 0..64
    int32_t panning;  // 0..255 as a rule; volume-column slides may leave it
    // This tick's modulation on top of volume and period (tremolo, vibrato,
    // arpeggio, tremor); cleared at the start of every tick.
    int32_t volumeOffset;
    int32_t pitchOffset;
    // The volume envelope's position, value and output.
    int32_t volEnvTick;
    int32_t volEnvPoint;
    int32_t volEnvValue;   // 16.16
    int32_t volEnvOutput;  // 0..64
    int32_t volEnvStep;    // 16.16
    uint8_t volEnvDone;
    // The panning envelope, likewise.
    int32_t panEnvTick;
    int32_t panEnvPoint;
    int32_t panEnvValue;
    int32_t panEnvOutput;  // 0..64, 32 centre
    int32_t panEnvStep;
    uint8_t panEnvDone;
    // The release: fadeout after key-off, and the instrument's auto-vibrato.
    int32_t fadeoutVolume;  // 0..65536
    int32_t autoVibPos;
    int32_t autoVibSweepCount;
    uint8_t keyOff;
    // The note playing: its instrument (0-based index), its key with the
    // sample's relative note, and its period before any slide.
    uint8_t instrument;
    uint8_t realNote;
    int32_t notePeriod;
    // Effect memories: the last nonzero parameter of each effect family.
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
    // Tone portamento: where the glide goes and how fast.
    int32_t portaTarget;
    uint8_t portaSpeed;
    // Vibrato, tremolo and tremor: positions, speeds, depths and phases.
    int8_t vibPos;
    uint8_t vibSpeed;
    uint8_t vibDepth;
    int8_t tremPos;
    uint8_t tremSpeed;
    uint8_t tremDepth;
    uint8_t tremorCount;
    uint8_t tremorOn;
    uint8_t tremorOff;
    // Pattern loop (E6x): the row it returns to and the repeats left.
    int32_t loopRow;
    int32_t loopCount;
    // The waveforms of vibrato and tremolo, and the fine slides' memories.
    uint8_t waveControl;  // low nibble vibrato waveform, high nibble tremolo
    uint8_t fineVolSlideMem;
    uint8_t finePortaUpMem;
    uint8_t finePortaDownMem;
};
