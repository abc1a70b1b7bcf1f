// The XM loader on small modules built in memory: header, patterns, cells,
// instruments, envelopes and sample decoding.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "song/memory.h"
#include "song/xm_loader.h"
#include "support/xm_writer.h"

namespace {

typedef std::vector<int32_t> Frames;

XmModule one_channel_module() {
    XmModule m;
    m.channels = 1;
    m.orders = {0};
    m.patterns.push_back(xm_pattern(1));
    return m;
}

LoadedSong load_with_sample(const XmSample& sample) {
    XmModule m = one_channel_module();
    m.instruments.push_back(xm_instrument(sample));
    return load_song(m);
}

// The first `count` frames of a decoded sample, spare frames included.
Frames frames(const Sample& s, int count) { return Frames(s.data, s.data + count); }

TEST(XmHeader, FieldsReachTheSong) {
    XmModule m;
    m.channels = 6;
    m.orders = {1, 0, 1};
    m.restartPosition = 2;
    m.flags = 0;
    m.speed = 3;
    m.bpm = 150;
    m.patterns = {xm_pattern(8), xm_pattern(16)};
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song) << load_error();
    EXPECT_EQ(song->songLength, 3);
    EXPECT_EQ(song->restartPosition, 2);
    EXPECT_EQ(song->channelCount, 6);
    EXPECT_EQ(song->flags, 0);
    EXPECT_EQ(song->defaultSpeed, 3);
    EXPECT_EQ(song->defaultBpm, 150);
    EXPECT_EQ(song->orderTable[0], 1);
    EXPECT_EQ(song->patterns[1].rowCount, 16);
    EXPECT_STREQ(load_error(), "");
}

TEST(XmHeader, WrongSignatureOrEmptySourceFails) {
    XmModule m = one_channel_module();
    m.signature = "Extra Module: ";
    EXPECT_EQ(load_xm(m), nullptr);
    EXPECT_STRNE(load_error(), "");
    EXPECT_EQ(load_xm_image({'E', 'x', 't'}), nullptr);
    EXPECT_EQ(load_xm_image({}), nullptr);
}

TEST(XmHeader, HeaderSizeDecidesWherePatternsStart) {
    XmModule m = one_channel_module();
    m.headerSize = 300;  // 24 bytes of padding before the first pattern
    m.patterns[0] = xm_pattern(5);
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->patterns[0].rowCount, 5);
}

TEST(XmPatterns, OrderNamingMissingPatternsAddsEmpty64RowSlots) {
    XmModule m;
    m.orders = {0, 5, 1};
    m.patterns = {xm_pattern(2), xm_pattern(2), xm_pattern(2)};
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->usedPatternCount, 6);
    EXPECT_EQ(song->patternSlotCount, 6);
    EXPECT_EQ(song->patterns[2].rowCount, 2);
    for (int p = 3; p < 6; ++p) {
        EXPECT_EQ(song->patterns[p].rowCount, 64);
        ASSERT_NE(song->patterns[p].cells, nullptr);
        EXPECT_EQ(song->patterns[p].cells[4 * 64 - 1].note, 0);
    }
}

TEST(XmPatterns, UnusedPatternsAreLoadedAndEmptyOrderUsesFileCount) {
    XmModule m;
    m.orders = {0};
    m.patterns = {xm_pattern(2), xm_pattern(3), xm_pattern(4)};
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->usedPatternCount, 1);
    EXPECT_EQ(song->patternSlotCount, 3);
    EXPECT_EQ(song->patterns[2].rowCount, 4);

    m.orders = {7};
    m.songLengthOverride = 0;
    song = load_song(m);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->usedPatternCount, 0);
    EXPECT_EQ(song->patternSlotCount, 3);
}

TEST(XmPatterns, CellsAreStoredRowAfterRowPackedOrNot) {
    for (bool packed : {true, false}) {
        SCOPED_TRACE(packed ? "packed" : "plain");
        XmModule m;
        m.channels = 3;
        m.orders = {0};
        m.patterns.push_back(xm_pattern(4));
        m.patterns[0].packed = packed;
        m.patterns[0].cells.push_back({2, 1, {60, 3, 0x40, 0x0F, 0x06}});
        m.patterns[0].cells.push_back({3, 2, {0, 0, 0, 0x0C, 0x20}});
        LoadedSong song = load_song(m);
        ASSERT_TRUE(song);
        const Cell& a = song->patterns[0].cells[2 * 3 + 1];
        EXPECT_EQ(a.note, 60);
        EXPECT_EQ(a.instrument, 3);
        EXPECT_EQ(a.volume, 0x40);
        EXPECT_EQ(a.effect, 0x0F);
        EXPECT_EQ(a.param, 0x06);
        const Cell& b = song->patterns[0].cells[3 * 3 + 2];
        EXPECT_EQ(b.note, 0);
        EXPECT_EQ(b.effect, 0x0C);
        EXPECT_EQ(b.param, 0x20);
    }
}

TEST(XmPatterns, MaskAndPlainCellBytes) {
    XmModule m;
    m.channels = 4;
    m.orders = {0};
    m.patterns.push_back(xm_pattern(1));
    // Mask with note and instrument; plain key-off; instruments 128 and 129.
    m.patterns[0].rawData = {0x83, 0x31, 0x05,              //
                             0x61, 0x02, 0x10, 0x00, 0x00,  //
                             0x82, 0x80,                    //
                             0xE2, 0x81};                   // mask bits 5, 6 ignored
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    const Cell* c = song->patterns[0].cells;
    EXPECT_EQ(c[0].note, 0x31);
    EXPECT_EQ(c[0].instrument, 5);
    EXPECT_EQ(c[0].volume, 0);
    EXPECT_EQ(c[1].note, 0xFF);
    EXPECT_EQ(c[1].instrument, 2);
    EXPECT_EQ(c[1].volume, 0x10);
    EXPECT_EQ(c[2].instrument, 128);
    EXPECT_EQ(c[3].instrument, 0);
}

TEST(XmPatterns, PackedSizeZeroLeavesPatternEmpty) {
    XmModule m = one_channel_module();
    m.patterns[0] = xm_pattern(32);
    m.patterns[0].noData = true;
    m.patterns.push_back(xm_pattern(2));
    m.patterns[1].cells.push_back({1, 0, {10, 0, 0, 0, 0}});
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->patterns[0].rowCount, 32);
    EXPECT_EQ(song->patterns[0].cells[31].note, 0);
    EXPECT_EQ(song->patterns[1].cells[1].note, 10);
}

TEST(XmInstruments, HeaderFieldsEnvelopesAndFadeout) {
    XmInstrument ins = xm_instrument(xm_sample_8bit({0}));
    ins.noteSample[0] = 0;
    ins.noteSample[95] = 1;
    ins.samples.push_back(xm_sample_8bit({5}));
    ins.volumeEnvelope.points = {{0, 64}, {10, 32}, {20, 0}};
    ins.volumeEnvelope.sustainPoint = 1;
    ins.volumeEnvelope.loopStart = 0;
    ins.volumeEnvelope.loopEnd = 2;
    ins.volumeEnvelope.flags = ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP;
    ins.panningEnvelope.points = {{0, 32}};
    ins.panningEnvelope.flags = ENVELOPE_ON;
    ins.vibratoType = 2;
    ins.vibratoSweep = 3;
    ins.vibratoDepth = 4;
    ins.vibratoRate = 5;
    ins.fadeout = 1000;
    XmModule m = one_channel_module();
    m.instruments.push_back(ins);
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    const Instrument& i = song->instruments[0];
    EXPECT_EQ(i.sampleCount, 2);
    EXPECT_EQ(i.noteSample[95], 1);
    EXPECT_EQ(i.volumeEnvelope[1].x, 10);
    EXPECT_EQ(i.volumeEnvelope[1].y, 32);
    EXPECT_EQ(i.volumePointCount, 3);
    EXPECT_EQ(i.volumeSustainPoint, 1);
    EXPECT_EQ(i.volumeLoopEnd, 2);
    EXPECT_EQ(i.volumeEnvelopeFlags, ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP);
    EXPECT_EQ(i.panningEnvelopeFlags, ENVELOPE_ON);  // one point holds its value
    EXPECT_EQ(i.vibratoType, 2);
    EXPECT_EQ(i.vibratoRate, 5);
    EXPECT_EQ(i.fadeout, 2000);
    EXPECT_EQ(i.samples[1]->data[0], 5 * 256);
    for (int s = 2; s < 16; ++s) EXPECT_EQ(i.samples[s], &emptySample);
}

TEST(XmInstruments, NoSamplesUsesEmptySampleAndHeaderSizeToNext) {
    XmInstrument empty;
    empty.headerSizeOverride = 80;  // the next instrument starts 80 bytes on
    empty.fadeout = 500;            // beyond what an empty instrument reads
    XmModule m = one_channel_module();
    m.instruments.push_back(empty);
    m.instruments.push_back(xm_instrument(xm_sample_8bit({7, 8})));
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    const Instrument& e = song->instruments[0];
    EXPECT_EQ(e.sampleCount, 0);
    for (int s = 0; s < 16; ++s) EXPECT_EQ(e.samples[s], &emptySample);
    EXPECT_EQ(e.fadeout, 0);
    EXPECT_EQ(e.volumePointCount, 0);
    EXPECT_EQ(song->instruments[1].samples[0]->data[1], 8 * 256);
}

TEST(XmInstruments, SeventeenSamplesFailAndPartialSongReleasesCleanly) {
    MemoryCounters before = memory_counters();
    XmModule m = one_channel_module();
    m.instruments.push_back(xm_instrument(xm_sample_8bit({1, 2, 3})));
    XmInstrument bad = xm_instrument(xm_sample_8bit({1}));
    bad.sampleCountOverride = 17;
    m.instruments.push_back(bad);
    EXPECT_EQ(load_xm(m), nullptr);
    EXPECT_STRNE(load_error(), "");
    EXPECT_EQ(memory_counters().current, before.current);
    EXPECT_EQ(memory_counters().blocks, before.blocks);

    m.instruments[1].sampleCountOverride = 16;
    m.instruments[1].samples.resize(16, xm_sample_8bit({1}));
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    song.reset();
    EXPECT_EQ(memory_counters().current, before.current);
}

TEST(XmSamples, EightBitDeltasWidenToHighByte) {
    XmSample s = xm_sample_8bit({});
    s.rawData = {0x10, 0xF0, 0xF0};
    s.lengthBytesOverride = 3;
    LoadedSong song = load_with_sample(s);
    ASSERT_TRUE(song);
    const Sample& d = only_sample(song);
    EXPECT_EQ(d.length, 3u);
    EXPECT_EQ(d.bits, 16);
    // Three frames, then eight zero spare frames.
    EXPECT_EQ(frames(d, 11), (Frames{4096, 0, -4096, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(d.loopType, LOOP_NONE);
    EXPECT_EQ(d.loopStart, 0u);
    EXPECT_EQ(d.loopLength, 3u);
}

TEST(XmSamples, SixteenBitDeltasWrapModulo65536) {
    LoadedSong song = load_with_sample(xm_sample_16bit({32767, -32768, -1, 1000, -1000}));
    ASSERT_TRUE(song);
    ASSERT_EQ(only_sample(song).length, 5u);
    EXPECT_EQ(frames(only_sample(song), 6), (Frames{32767, -32768, -1, 1000, -1000, 0}));
}

TEST(XmSamples, SixteenBitLoopHalvedAndGuardOverwritesLastFrame) {
    XmSample s = xm_sample_16bit({100, 200, 300, 400, 500});
    s.loopType = XM_LOOP_FORWARD;
    s.loopStartBytesOverride = 2;
    s.loopLengthBytesOverride = 6;
    LoadedSong song = load_with_sample(s);
    ASSERT_TRUE(song);
    const Sample& d = only_sample(song);
    EXPECT_EQ(d.length, 5u);
    EXPECT_EQ(d.loopStart, 1u);
    EXPECT_EQ(d.loopLength, 3u);
    EXPECT_EQ(d.loopType, LOOP_FORWARD);
    EXPECT_EQ(d.data[4], 200);
}

TEST(XmSamples, GuardFrameForForwardAndPingPong) {
    std::vector<int32_t> ramp;
    for (int i = 0; i < 100; ++i) ramp.push_back(i - 50);
    XmSample s = xm_sample_8bit(ramp);
    s.loopStart = 20;
    s.loopLength = 80;
    s.loopType = XM_LOOP_FORWARD;
    LoadedSong song = load_with_sample(s);
    ASSERT_TRUE(song);
    EXPECT_EQ(only_sample(song).data[100], (20 - 50) * 256);
    EXPECT_EQ(only_sample(song).data[101], 0);

    s.loopType = XM_LOOP_PINGPONG;
    song = load_with_sample(s);
    ASSERT_TRUE(song);
    EXPECT_EQ(only_sample(song).loopType, LOOP_PINGPONG);
    EXPECT_EQ(only_sample(song).data[100], (99 - 50) * 256);

    s.loopType = XM_LOOP_FORWARD | XM_LOOP_PINGPONG;  // ping-pong wins
    song = load_with_sample(s);
    ASSERT_TRUE(song);
    EXPECT_EQ(only_sample(song).loopType, LOOP_PINGPONG);
}

TEST(XmSamples, LoopWithoutLengthIsNoLoop) {
    XmSample s = xm_sample_8bit({1, 2, 3, 4});
    s.loopType = XM_LOOP_FORWARD;
    s.loopStart = 2;
    s.loopLength = 0;
    LoadedSong song = load_with_sample(s);
    ASSERT_TRUE(song);
    EXPECT_EQ(only_sample(song).loopType, LOOP_NONE);
    EXPECT_EQ(only_sample(song).loopStart, 0u);
    EXPECT_EQ(only_sample(song).loopLength, 4u);
    EXPECT_EQ(only_sample(song).data[4], 0);

    XmSample w = xm_sample_16bit({1, 2, 3, 4});
    w.loopType = XM_LOOP_PINGPONG;
    w.loopStartBytesOverride = 2;
    w.loopLengthBytesOverride = 1;  // half a frame
    song = load_with_sample(w);
    ASSERT_TRUE(song);
    EXPECT_EQ(only_sample(song).loopType, LOOP_NONE);
    EXPECT_EQ(only_sample(song).loopLength, 4u);
}

TEST(XmSamples, HeaderFieldsAndEmptySampleKeepsFileWidth) {
    XmSample s = xm_sample_16bit({});
    s.volume = 40;
    s.finetune = -16;
    s.panning = 200;
    s.relativeNote = -12;
    XmInstrument ins = xm_instrument(s);
    ins.samples.push_back(xm_sample_8bit({9}));
    XmModule m = one_channel_module();
    m.instruments.push_back(ins);
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    const Sample& e = only_sample(song);
    EXPECT_EQ(e.length, 0u);
    EXPECT_EQ(e.data, nullptr);
    EXPECT_EQ(e.bits, 16);
    EXPECT_EQ(e.volume, 40);
    EXPECT_EQ(e.finetune, -16);
    EXPECT_EQ(e.panning, 200u);
    EXPECT_EQ(e.relativeNote, -12);
    EXPECT_EQ(song->instruments[0].samples[1]->data[0], 9 * 256);
}

TEST(XmSamples, SamplesOfSeveralInstrumentsFollowEachOther) {
    XmInstrument a = xm_instrument(xm_sample_16bit({-5, 5}));
    a.samples.push_back(xm_sample_8bit({1, 2, 3}));
    XmModule m = one_channel_module();
    m.instruments = {a, xm_instrument(xm_sample_8bit({-7}))};
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->instrumentCount, 2);
    EXPECT_EQ(song->instruments[0].samples[0]->data[1], 5);
    EXPECT_EQ(song->instruments[0].samples[1]->data[2], 3 * 256);
    EXPECT_EQ(song->instruments[1].samples[0]->data[0], -7 * 256);
}

}  // namespace
