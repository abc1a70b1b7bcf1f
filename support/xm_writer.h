// Builds XM module images in memory for the music tests, and loads them
// through the memory source.
//
// Usage:
//   XmModule m;                      // 4 channels, speed 6, BPM 125, linear
//   m.orders = {0};
//   m.patterns.push_back(xm_pattern(64));
//   m.patterns[0].cells.push_back({0, 1, {49, 1, 0, 0, 0}});  // row 0, channel 1
//   XmInstrument ins;
//   ins.samples.push_back(xm_sample_8bit({0, 64, 127, 64, 0, -64}));
//   m.instruments.push_back(ins);
//   LoadedSong song = load_song(m);  // empty when the load fails
//   ...                              // released at the end of the scope
//
// Every count, size and offset the writer derives can be overridden with a
// raw value to build malformed modules (fields named ...Override; -1 = derive).
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "song/song_model.h"

// File type bits of a sample header.
const uint8_t XM_LOOP_NONE = 0;
const uint8_t XM_LOOP_FORWARD = 1;
const uint8_t XM_LOOP_PINGPONG = 2;
const uint8_t XM_SAMPLE_16BIT = 0x10;

struct XmCellAt {
    int row;
    int channel;
    Cell cell;  // note, instrument, volume, effect, param as stored in the file
};

struct XmPattern {
    int rows = 64;
    std::vector<XmCellAt> cells;  // cells not listed are empty
    bool packed = true;           // mask scheme; false writes every cell as 5 plain bytes
    bool noData = false;          // packed size 0: nothing follows the header
    int64_t packedSizeOverride = -1;
    std::vector<uint8_t> rawData;  // when not empty, written in place of the encoded cells
};

struct XmSample {
    std::vector<int32_t> values;  // plain frame values; the writer delta-encodes them
    bool sixteenBit = false;
    uint8_t loopType = XM_LOOP_NONE;  // type bits 0..1 (XM_LOOP_*), both allowed
    uint32_t loopStart = 0;           // frames
    uint32_t loopLength = 0;          // frames
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relativeNote = 0;
    uint8_t extraTypeBits = 0;  // or-ed into the type byte
    // Header fields in bytes, written as given instead of derived.
    int64_t lengthBytesOverride = -1;
    int64_t loopStartBytesOverride = -1;
    int64_t loopLengthBytesOverride = -1;
    std::vector<uint8_t> rawData;  // when not empty, written in place of the encoded values
};

struct XmEnvelope {
    std::vector<EnvelopePoint> points;  // at most 12 are written
    int pointCountOverride = -1;
    uint8_t sustainPoint = 0;
    uint8_t loopStart = 0;
    uint8_t loopEnd = 0;
    uint8_t flags = 0;  // ENVELOPE_ON, ENVELOPE_SUSTAIN, ENVELOPE_LOOP
};

struct XmInstrument {
    std::vector<XmSample> samples;
    uint8_t noteSample[96] = {};  // sample slot of each note
    XmEnvelope volumeEnvelope;
    XmEnvelope panningEnvelope;
    uint8_t vibratoType = 0;
    uint8_t vibratoSweep = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
    uint16_t fadeout = 0;             // as in the file (the loader doubles it)
    int64_t headerSizeOverride = -1;  // default 263 with samples, 29 without
    int sampleCountOverride = -1;
};

struct XmModule {
    int channels = 4;
    std::vector<uint8_t> orders;  // the order table; songLength = its size
    int songLengthOverride = -1;
    int restartPosition = 0;
    uint16_t flags = 1;  // bit 0: linear frequency table
    int speed = 6;
    int bpm = 125;
    std::vector<XmPattern> patterns;
    int patternCountOverride = -1;
    std::vector<XmInstrument> instruments;
    int instrumentCountOverride = -1;
    uint32_t headerSize = 276;  // counted from offset 60; above 64 KiB not padded to
    const char* signature = "Extended Module: ";
};

XmPattern xm_pattern(int rows);
// 8-bit values -128..127, 16-bit values -32768..32767.
XmSample xm_sample_8bit(const std::vector<int32_t>& values);
XmSample xm_sample_16bit(const std::vector<int32_t>& values);
// One instrument playing one sample on every note.
XmInstrument xm_instrument(const XmSample& sample);

std::vector<uint8_t> write_xm(const XmModule& module);

// Installs the memory source over the image and loads it into a fresh song;
// null when the load fails (the partial song is released).
Song* load_xm_image(const std::vector<uint8_t>& image);
Song* load_xm(const XmModule& module);

// A loaded song, released when it goes out of scope; empty when the load fails.
typedef std::unique_ptr<Song, void (*)(Song*)> LoadedSong;
LoadedSong load_song_image(const std::vector<uint8_t>& image);
LoadedSong load_song(const XmModule& module);
// The first sample of the first instrument.
const Sample& only_sample(const LoadedSong& song);
