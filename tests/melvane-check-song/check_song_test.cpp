// melvane-check-song on modules the library would play as silence or only in
// part, and on ones it plays: exit status and the reason on standard error.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "scratch_path.h"
#include "support/xm_writer.h"

namespace {

// One row on which channel 1 plays `note` with instrument 1 (0: an empty row);
// the instrument, when there is one, a looped sample of constant `value`.
XmModule one_row(bool instrument, int32_t value, uint8_t note) {
    XmModule m;
    m.orders = {0};
    m.patterns = {xm_pattern(1)};
    if (note != 0) m.patterns[0].cells.push_back({0, 0, Cell{note, 1, 0, 0, 0}});
    XmSample level = xm_sample_8bit(std::vector<int32_t>(32, value));
    level.loopType = XM_LOOP_FORWARD;
    level.loopLength = 32;
    if (instrument) m.instruments = {xm_instrument(level)};
    return m;
}

std::vector<uint8_t> builtin_song_cut_at(size_t bytes) {
    std::vector<uint8_t> song = readFileBytes(BUILTIN_SONG);
    song.resize(std::min(bytes, song.size()));
    return song;
}

}  // namespace

TEST(MelvaneCheckSong, RefusesModulesThatPlayNothingOrOnlyInPart) {
    struct Case {
        const char* what;
        std::vector<uint8_t> module;
        int status;
        std::string err;  // after "melvane-check-song: PATH: "
    } cases[] = {
        {"the built-in song", builtin_song_cut_at(SIZE_MAX), 0, ""},
        {"a note on a sound", write_xm(one_row(true, 100, 49)), 0, ""},
        {"cut at byte 3000", builtin_song_cut_at(3000), 1,
         "module ends early at byte 3000 (cut at instrument 1 of 6; 5 more instruments missing)\n"},
        {"no instruments", write_xm(one_row(false, 100, 49)), 1, "plays nothing: it has no instruments\n"},
        {"no notes", write_xm(one_row(true, 100, 0)), 1, "plays nothing: its first pass is silent\n"},
        {"a silent sample", write_xm(one_row(true, 0, 49)), 1, "plays nothing: its first pass is silent\n"},
    };
    const std::string path = scratchPath("song.xm"), err = scratchPath("err");
    for (const Case& c : cases) {
        writeFileBytes(path, c.module);
        const int raw = std::system((std::string(CHECK_SONG) + " " + path + " >/dev/null 2>" + err).c_str());
        EXPECT_EQ(WEXITSTATUS(raw), c.status) << c.what;
        const std::vector<uint8_t> said = readFileBytes(err);
        EXPECT_EQ(std::string(said.begin(), said.end()),
                  c.err.empty() ? "" : "melvane-check-song: " + path + ": " + c.err)
            << c.what;
    }
    std::remove(path.c_str());
    std::remove(err.c_str());
}
