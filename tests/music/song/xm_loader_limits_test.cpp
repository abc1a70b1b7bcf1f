// What the loader does with modules that break the format's limits or claim
// more than they hold: it rejects or clamps, never reads or writes out of
// bounds, and never lets a small module make it allocate much.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "song/memory.h"
#include "song/xm_loader.h"
#include "support/xm_writer.h"

namespace {

XmModule small_module() {
    XmModule m;
    m.channels = 2;
    m.orders = {0};
    m.patterns.push_back(xm_pattern(4));
    return m;
}

// Loads the image, checks the song can be released without a leak, and
// reports the peak and largest allocation of the load.
struct LoadResult {
    bool loaded;
    uint64_t peak;
    uint32_t largest;
};

LoadResult load_and_measure(const std::vector<uint8_t>& image) {
    MemoryCounters before = memory_counters();
    reset_memory_peak();
    Song* song = load_xm_image(image);
    MemoryCounters after = memory_counters();
    release_song(song);
    EXPECT_EQ(memory_counters().current, before.current);
    EXPECT_EQ(memory_counters().blocks, before.blocks);
    return LoadResult{song != nullptr, after.peak - before.current, after.largest};
}

TEST(XmLimits, MoreThan32ChannelsFails) {
    XmModule m = small_module();
    m.channels = 32;
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    m.channels = 33;
    EXPECT_EQ(load_xm(m), nullptr);
    EXPECT_STRNE(load_error(), "");
    m.channels = 0xFFFF;
    EXPECT_EQ(load_xm(m), nullptr);
}

TEST(XmLimits, DefaultBpmMustBePositive) {
    XmModule m = small_module();
    for (int bpm : {0, 0x8000, 0xFFFF}) {
        m.bpm = bpm;
        EXPECT_EQ(load_xm(m), nullptr) << bpm;
        EXPECT_STRNE(load_error(), "");
    }
    m.bpm = 0x7FFF;
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->defaultBpm, 0x7FFF);
}

TEST(XmLimits, SongLengthAbove256IsCut) {
    XmModule m = small_module();
    m.orders.assign(256, 0);
    m.orders[255] = 3;
    m.songLengthOverride = 300;
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->songLength, 256);
    EXPECT_EQ(song->usedPatternCount, 4);
    m.songLengthOverride = 0xFFFF;  // negative as a signed value
    song = load_song(m);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->songLength, 256);
}

TEST(XmLimits, NotesBeyondKeyOffBecomeNoNote) {
    XmModule m = small_module();
    m.channels = 4;
    m.patterns[0].cells = {
        {0, 0, {96, 1, 0, 0, 0}}, {0, 1, {98, 1, 0, 0, 0}}, {0, 2, {254, 0, 0, 0, 0}}, {0, 3, {255, 0, 0, 0, 0}}};
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    const Cell* c = song->patterns[0].cells;
    EXPECT_EQ(c[0].note, 96);
    EXPECT_EQ(c[1].note, 0);
    EXPECT_EQ(c[1].instrument, 1);
    EXPECT_EQ(c[2].note, 0);
    EXPECT_EQ(c[3].note, NOTE_KEY_OFF);
}

TEST(XmLimits, SampleLoopsClampedToSample) {
    XmSample s = xm_sample_8bit({10, 20, 30, 40, 50, 60, 70, 80});
    s.loopType = XM_LOOP_FORWARD;
    s.loopStart = 8;  // at the end: no loop
    s.loopLength = 4;
    XmModule m = small_module();
    m.instruments.push_back(xm_instrument(s));
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    EXPECT_EQ(only_sample(song).loopType, LOOP_NONE);
    EXPECT_EQ(only_sample(song).loopStart, 0u);
    EXPECT_EQ(only_sample(song).loopLength, 8u);
    EXPECT_EQ(only_sample(song).data[8], 0);

    // Loop end past the end: the loop ends at the end, the guard lands on the
    // first spare frame.
    m.instruments[0].samples[0].loopStart = 5;
    m.instruments[0].samples[0].loopLengthBytesOverride = 0xFFFFFFFF;
    for (uint8_t type : {XM_LOOP_FORWARD, XM_LOOP_PINGPONG}) {
        m.instruments[0].samples[0].loopType = type;
        song = load_song(m);
        ASSERT_TRUE(song);
        const Sample& d = only_sample(song);
        EXPECT_EQ(d.loopStart, 5u);
        EXPECT_EQ(d.loopLength, 3u);
        EXPECT_EQ(d.data[8], type == XM_LOOP_FORWARD ? 60 * 256 : 80 * 256);
    }

    // A huge loop start must not wrap the end around.
    m.instruments[0].samples[0].loopStartBytesOverride = 0xFFFFFFF0;
    m.instruments[0].samples[0].loopLengthBytesOverride = 0x20;
    song = load_song(m);
    ASSERT_TRUE(song);
    EXPECT_EQ(only_sample(song).loopType, LOOP_NONE);
}

TEST(XmLimits, EnvelopesClampedToTwelvePointsAndValues) {
    XmInstrument ins = xm_instrument(xm_sample_8bit({1}));
    for (uint16_t i = 0; i < 12; ++i) ins.volumeEnvelope.points.push_back({uint16_t(i * 4), 100});
    ins.volumeEnvelope.pointCountOverride = 40;
    ins.volumeEnvelope.loopStart = 3;
    ins.volumeEnvelope.loopEnd = 11;
    ins.volumeEnvelope.sustainPoint = 11;
    ins.volumeEnvelope.flags = ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP;
    XmModule m = small_module();
    m.instruments.push_back(ins);
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    const Instrument& i = song->instruments[0];
    EXPECT_EQ(i.volumePointCount, 12);
    for (int p = 0; p < 12; ++p) EXPECT_EQ(i.volumeEnvelope[p].y, 64);
    EXPECT_EQ(i.volumeEnvelopeFlags, ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP);
}

TEST(XmLimits, EnvelopeLoopAndSustainOutsidePointsAreCleared) {
    struct Case {
        uint8_t sustain, loopStart, loopEnd, flags;
    };
    const Case cases[] = {
        {0, 0, 3, ENVELOPE_ON | ENVELOPE_SUSTAIN},  // loop end at the count
        {0, 4, 4, ENVELOPE_ON | ENVELOPE_SUSTAIN},  // loop start past the count
        {0, 2, 1, ENVELOPE_ON | ENVELOPE_SUSTAIN},  // start after end
        {3, 0, 2, ENVELOPE_ON | ENVELOPE_LOOP},     // sustain at the count
        {1, 1, 1, ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP},
    };
    for (const Case& c : cases) {
        XmInstrument ins = xm_instrument(xm_sample_8bit({1}));
        ins.panningEnvelope.points = {{0, 0}, {5, 64}, {9, 32}};
        ins.panningEnvelope.sustainPoint = c.sustain;
        ins.panningEnvelope.loopStart = c.loopStart;
        ins.panningEnvelope.loopEnd = c.loopEnd;
        ins.panningEnvelope.flags = ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP;
        XmModule m = small_module();
        m.instruments.push_back(ins);
        LoadedSong song = load_song(m);
        ASSERT_TRUE(song);
        EXPECT_EQ(song->instruments[0].panningEnvelopeFlags, c.flags)
            << int(c.sustain) << " " << int(c.loopStart) << " " << int(c.loopEnd);
    }
}

// Only an envelope without points is switched off; a single point keeps its
// sustain and loop on itself.
TEST(XmLimits, EnvelopeOfOnePointKeepsItsFlags) {
    const uint8_t all = ENVELOPE_ON | ENVELOPE_SUSTAIN | ENVELOPE_LOOP;
    const struct {
        int points;
        uint8_t flags;
    } cases[] = {{0, 0}, {1, all}, {2, all}};
    for (const auto& c : cases) {
        XmInstrument ins = xm_instrument(xm_sample_8bit({1}));
        for (XmEnvelope* e : {&ins.volumeEnvelope, &ins.panningEnvelope}) {
            e->points.assign(size_t(c.points), EnvelopePoint{0, 40});
            e->flags = all;
        }
        XmModule m = small_module();
        m.instruments.push_back(ins);
        LoadedSong song = load_song(m);
        ASSERT_TRUE(song);
        EXPECT_EQ(song->instruments[0].volumeEnvelopeFlags, c.flags) << c.points;
        EXPECT_EQ(song->instruments[0].panningEnvelopeFlags, c.flags) << c.points;
    }
}

TEST(XmLimits, SampleVolumeAbove64Clamped) {
    XmSample s = xm_sample_8bit({1});
    s.volume = 200;
    XmModule m = small_module();
    m.instruments.push_back(xm_instrument(s));
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    EXPECT_EQ(only_sample(song).volume, 64);
}

TEST(XmClaims, SampleLongerThanModuleIsCutToWhatIsThere) {
    XmSample s = xm_sample_16bit({1, 2, 3, 4, 5, 6});
    s.lengthBytesOverride = 0x7FFFFFFE;
    s.loopType = XM_LOOP_FORWARD;
    s.loopStart = 4;
    s.loopLength = 100;
    XmModule m = small_module();
    m.instruments.push_back(xm_instrument(s));
    std::vector<uint8_t> image = write_xm(m);
    LoadedSong song = load_song_image(image);
    ASSERT_TRUE(song);
    const Sample& d = only_sample(song);
    EXPECT_EQ(d.length, 6u);
    EXPECT_EQ(d.data[5], 6);
    EXPECT_EQ(d.loopStart, 4u);
    EXPECT_EQ(d.loopLength, 2u);
    EXPECT_EQ(d.data[6], 5);  // guard frame, a copy of the loop start
    song.reset();
    LoadResult r = load_and_measure(image);
    EXPECT_LT(r.largest, 4096u);
}

TEST(XmClaims, LaterSamplesPastTheEndHaveNoData) {
    XmInstrument ins = xm_instrument(xm_sample_8bit({1, 2, 3}));
    ins.samples[0].lengthBytesOverride = 1000000;
    ins.samples.push_back(xm_sample_8bit({4, 5}));
    XmModule m = small_module();
    m.instruments.push_back(ins);
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    // The first sample swallows the second's bytes; the second gets none.
    EXPECT_EQ(song->instruments[0].samples[0]->length, 5u);
    EXPECT_EQ(song->instruments[0].samples[1]->length, 0u);
    EXPECT_EQ(song->instruments[0].samples[1]->data, nullptr);
}

TEST(XmClaims, PatternRowsCutToWhatTheModuleCanHold) {
    XmModule m = small_module();
    m.patterns[0] = xm_pattern(4);
    m.patterns[0].rawData = {0x81, 10, 0x81, 20, 0x80, 0x81, 30};
    m.patterns[0].rows = 0xFFFF;
    std::vector<uint8_t> image = write_xm(m);
    LoadedSong song = load_song_image(image);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->patterns[0].rowCount, 3);  // 7 bytes can hold 3 rows of 2 cells at most
    EXPECT_EQ(song->patterns[0].cells[0].note, 10);
    EXPECT_EQ(song->patterns[0].cells[1].note, 20);
    EXPECT_EQ(song->patterns[0].cells[3].note, 30);
    EXPECT_EQ(song->patterns[0].cells[4].note, 0);
    song.reset();
    EXPECT_LT(load_and_measure(image).largest, 1024u);  // the Song record is the largest
}

TEST(XmClaims, CountsBeyondTheModuleDoNotAllocate) {
    XmModule m = small_module();
    m.patternCountOverride = 0xFFFF;
    m.instrumentCountOverride = 0xFFFF;
    std::vector<uint8_t> image = write_xm(m);
    LoadResult r = load_and_measure(image);
    EXPECT_TRUE(r.loaded);
    EXPECT_LT(r.peak, 4096u);
    LoadedSong song = load_song_image(image);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->instrumentCount, 0);
    EXPECT_EQ(song->patterns[0].rowCount, 4);
}

TEST(XmClaims, HugeEmptyPatternsStayWithinTheLoadCeiling) {
    XmModule m = small_module();
    m.channels = 32;
    m.patterns.clear();
    for (int p = 0; p < 200; ++p) {
        m.patterns.push_back(xm_pattern(0xFFFF));
        m.patterns.back().noData = true;
    }
    std::vector<uint8_t> image = write_xm(m);
    LoadResult r = load_and_measure(image);
    EXPECT_FALSE(r.loaded);
    EXPECT_LE(r.peak, (4u << 20) + 8 * image.size());

    // A reasonable empty pattern of the same module loads.
    m.patterns.resize(1);
    m.patterns[0].rows = 256;
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->patterns[0].rowCount, 256);
}

TEST(XmClaims, HeaderSizePastTheEndLeavesOnlyNamedPatterns) {
    XmModule m = small_module();
    m.orders = {2};
    m.headerSize = 0xFFFFFFF0;
    LoadedSong song = load_song(m);
    ASSERT_TRUE(song);
    EXPECT_EQ(song->patternSlotCount, 3);
    EXPECT_EQ(song->patterns[0].rowCount, 64);
    EXPECT_EQ(song->instrumentCount, 0);
}

XmModule rich_module() {
    XmModule m;
    m.channels = 3;
    m.orders = {0, 1, 0};
    m.patterns = {xm_pattern(8), xm_pattern(4)};
    m.patterns[0].cells = {{0, 0, {49, 1, 0x40, 0x0A, 0x0F}}, {3, 2, {97, 0, 0, 0, 0}}};
    m.patterns[1].packed = false;
    m.patterns[1].cells = {{1, 1, {60, 2, 0, 0, 0}}};
    XmInstrument a = xm_instrument(xm_sample_16bit({0, 1000, -1000, 500}));
    a.samples[0].loopType = XM_LOOP_PINGPONG;
    a.samples[0].loopStart = 1;
    a.samples[0].loopLength = 2;
    a.volumeEnvelope.points = {{0, 64}, {8, 0}};
    a.volumeEnvelope.flags = ENVELOPE_ON;
    a.samples.push_back(xm_sample_8bit({1, -1, 1, -1, 1}));
    m.instruments = {a, xm_instrument(xm_sample_8bit({5, 6, 7}))};
    return m;
}

// Every prefix of a module, and every single-byte change of it, loads or
// fails without touching memory it does not own and without leaking.
TEST(XmClaims, TruncatedModulesLoadOrFailCleanly) {
    std::vector<uint8_t> image = write_xm(rich_module());
    for (size_t size = 0; size <= image.size(); ++size) {
        std::vector<uint8_t> prefix(image.begin(), image.begin() + long(size));
        LoadResult r = load_and_measure(prefix);
        EXPECT_EQ(r.loaded, size >= 79) << size;  // the BPM's low byte is at 78
        EXPECT_LE(r.peak, (4u << 20) + 8 * size) << size;
    }
}

TEST(XmClaims, CorruptedBytesLoadOrFailCleanly) {
    std::vector<uint8_t> image = write_xm(rich_module());
    uint32_t seed = 12345;
    for (size_t at = 0; at < image.size(); ++at) {
        for (int trial = 0; trial < 3; ++trial) {
            std::vector<uint8_t> copy = image;
            seed = seed * 1103515245u + 12345u;
            copy[at] = uint8_t(seed >> 16);
            LoadResult r = load_and_measure(copy);
            EXPECT_LE(r.peak, (4u << 20) + 8 * copy.size()) << at;
        }
    }
}

}  // namespace
