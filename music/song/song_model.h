// The loaded module: patterns of 5-byte cells, instruments, 16-bit samples,
// and the play position that the sequencer keeps.
#pragma once
#include <cstdint>

const int MAX_CHANNELS = 32;
const uint8_t NOTE_KEY_OFF = 0xFF;
// A key-off's note byte in the file; the loader stores it as NOTE_KEY_OFF.
const uint8_t XM_NOTE_KEY_OFF = 97;

const uint8_t LOOP_NONE = 1;
const uint8_t LOOP_FORWARD = 2;
const uint8_t LOOP_PINGPONG = 4;

const uint8_t ENVELOPE_ON = 0x01;
const uint8_t ENVELOPE_SUSTAIN = 0x02;
const uint8_t ENVELOPE_LOOP = 0x04;

struct Sample {
    int16_t* data;        // length frames + 8 spare frames; null when length is 0
    uint32_t length;      // frames
    uint32_t loopStart;   // frames
    uint32_t loopLength;  // frames; equals length without a loop
    uint8_t volume;       // 0..64
    int8_t finetune;
    uint32_t panning;  // 0..255
    uint8_t bits;
    uint8_t loopType;  // LOOP_NONE, LOOP_FORWARD, LOOP_PINGPONG
    int8_t relativeNote;
};

struct EnvelopePoint {
    uint16_t x;  // tick
    uint16_t y;  // value 0..64
};

struct Instrument {
    int32_t sampleCount;
    Sample* samples[16];  // slots from sampleCount on refer to the empty sample
    uint8_t noteSample[96];
    EnvelopePoint volumeEnvelope[12];
    EnvelopePoint panningEnvelope[12];
    uint8_t volumePointCount;
    uint8_t panningPointCount;
    uint8_t volumeSustainPoint;
    uint8_t volumeLoopStart;
    uint8_t volumeLoopEnd;
    uint8_t panningSustainPoint;
    uint8_t panningLoopStart;
    uint8_t panningLoopEnd;
    uint8_t volumeEnvelopeFlags;
    uint8_t panningEnvelopeFlags;
    uint8_t vibratoType;
    uint8_t vibratoSweep;
    uint8_t vibratoDepth;
    uint8_t vibratoRate;
    uint16_t fadeout;  // twice the file's value
};

struct Cell {
    uint8_t note;  // 0 none, 1..96, NOTE_KEY_OFF
    uint8_t instrument;
    uint8_t volume;
    uint8_t effect;
    uint8_t param;
};
static_assert(sizeof(Cell) == 5, "a pattern cell is 5 bytes");

struct Pattern {
    int32_t rowCount;
    Cell* cells;  // rowCount x channelCount, row after row
};

const uint16_t SONG_LINEAR_FREQUENCIES = 0x01;  // else the Amiga period table

struct Song {
    Pattern* patterns;
    Instrument* instruments;
    uint32_t tickSamplesLeft;
    uint32_t samplesPerTick;
    int32_t usedPatternCount;
    int32_t patternSlotCount;
    int16_t songLength;
    int16_t restartPosition;
    uint16_t channelCount;
    int16_t instrumentCount;
    uint16_t flags;  // SONG_LINEAR_FREQUENCIES
    int16_t defaultSpeed;
    int16_t defaultBpm;
    uint8_t orderTable[256];
    // Play position.
    int32_t globalVolume;
    int32_t tick;
    int32_t speed;
    int32_t row;
    int32_t orderPos;
    int32_t patternDelayTicks;
    int32_t nextRow;
    int32_t nextOrder;
    uint8_t globalVolSlideMem;
};

// The channels the replayer plays: the song's, at most MAX_CHANNELS.
inline int32_t played_channels(const Song* song) {
    return song->channelCount < MAX_CHANNELS ? song->channelCount : MAX_CHANNELS;
}

// Shared all-zero records standing in for missing instruments and samples.
extern Instrument emptyInstrument;
extern Sample emptySample;

// Frees the song with everything it owns (patterns, instruments, samples).
void release_song(Song* song);
