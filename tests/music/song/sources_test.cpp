// Module sources: the memory kind's bounds, installation, and the native file kind.
#include "scratch_path.h"
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "song/memory.h"
#include "song/sources.h"
#include "song/xm_loader.h"
#include "support/xm_writer.h"

namespace {

const uint8_t TEN_BYTES[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

void open_ten_bytes() {
    install_source(MEMORY_SOURCE, 10);
    activeSource.operations.open(TEN_BYTES);
}

TEST(MemorySource, InstallSetsStateLikePlaybackStart) {
    activeSource.position = 77;
    install_source(MEMORY_SOURCE, 1234);
    EXPECT_EQ(activeSource.size, 1234u);
    EXPECT_EQ(activeSource.handle, 1234u);
    EXPECT_EQ(activeSource.position, 0u);
    EXPECT_EQ(activeSource.operations.read, MEMORY_SOURCE.read);
    EXPECT_EQ(activeSource.operations.seek, MEMORY_SOURCE.seek);
}

TEST(MemorySource, ReadNearEndDeliversWhatIsLeft) {
    open_ten_bytes();
    EXPECT_EQ(activeSource.operations.seek(8, 0), 8u);
    uint8_t out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(activeSource.operations.read(out, 4), 2u);
    EXPECT_EQ(out[0], 8);
    EXPECT_EQ(out[1], 9);
    EXPECT_EQ(out[2], 0xAA);
    EXPECT_EQ(activeSource.position, 10u);
    EXPECT_EQ(activeSource.operations.read(out, 4), 0u);
    EXPECT_EQ(activeSource.position, 10u);
}

TEST(MemorySource, ReadEndingExactlyAtEndDeliversFullCount) {
    open_ten_bytes();
    activeSource.operations.seek(6, 0);
    uint8_t out[4] = {};
    EXPECT_EQ(activeSource.operations.read(out, 4), 4u);
    EXPECT_EQ(out[3], 9);
}

TEST(MemorySource, SeekStaysWithinImage) {
    open_ten_bytes();
    EXPECT_EQ(activeSource.operations.seek(100, 0), 10u);
    EXPECT_EQ(activeSource.operations.seek(-3, 1), 7u);
    EXPECT_EQ(activeSource.operations.seek(0, 1), 7u);
    EXPECT_EQ(activeSource.operations.seek(-50, 1), 0u);
    EXPECT_EQ(activeSource.operations.seek(-5, 0), 0u);
    EXPECT_EQ(activeSource.operations.seek(0x7FFFFFFF, 1), 10u);
    EXPECT_EQ(activeSource.operations.seek(0x7FFFFFFF, 1), 10u);
}

TEST(FileSource, LoadsModuleFromFileAndKnowsItsSize) {
    XmModule m;
    m.orders = {0};
    m.patterns.push_back(xm_pattern(4));
    m.patterns[0].cells.push_back({1, 2, {49, 1, 0, 0, 0}});
    m.instruments.push_back(xm_instrument(xm_sample_8bit({1, 2, 3})));
    std::vector<uint8_t> image = write_xm(m);
    std::string path = scratchPath("melvane_file_source.xm");
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(image.data(), 1, image.size(), f);
    fclose(f);

    install_source(FILE_SOURCE, 0);
    activeSource.operations.open(path.c_str());
    EXPECT_EQ(activeSource.size, image.size());
    Song* song = static_cast<Song*>(alloc_zeroed(sizeof(Song)));
    ASSERT_NE(load_module(song), 0) << load_error();
    activeSource.operations.close();
    EXPECT_EQ(song->patterns[0].cells[1 * 4 + 2].note, 49);
    EXPECT_EQ(song->instruments[0].samples[0]->length, 3u);
    EXPECT_EQ(song->instruments[0].samples[0]->data[2], 3 * 256);
    release_song(song);
    remove(path.c_str());
}

TEST(FileSource, MissingFileDeliversNothingAndLoadFails) {
    install_source(FILE_SOURCE, 0);
    activeSource.operations.open("/nonexistent/melvane/none.xm");
    uint8_t out[4] = {};
    EXPECT_EQ(activeSource.operations.read(out, 4), 0u);
    Song* song = static_cast<Song*>(alloc_zeroed(sizeof(Song)));
    EXPECT_EQ(load_module(song), 0);
    activeSource.operations.close();
    release_song(song);
}

TEST(Memory, CountersFollowBlocksAndRefuseAbsurdSizes) {
    MemoryCounters before = memory_counters();
    reset_memory_peak();
    void* a = alloc_zeroed(1000);
    void* b = alloc_zeroed(24);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(static_cast<uint8_t*>(a)[999], 0);
    EXPECT_EQ(memory_counters().current, before.current + 1024);
    EXPECT_EQ(memory_counters().largest, 1000u);
    free_block(a);
    free_block(b);
    free_block(nullptr);
    EXPECT_EQ(memory_counters().current, before.current);
    EXPECT_EQ(memory_counters().peak, before.current + 1024);
    EXPECT_EQ(alloc_zeroed(0), nullptr);
    EXPECT_EQ(alloc_zeroed(MAX_ALLOCATION + 1), nullptr);
    EXPECT_EQ(alloc_zeroed(0xFFFFFFFFu), nullptr);
}

}  // namespace
