// melvane-render end to end: command lines in; files, messages and exit
// status out.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "scratch_path.h"
#include "support/xm_writer.h"
#include "version.h"

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

std::string text_of(const std::string& path) {
    const std::vector<uint8_t> bytes = readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Runs a shell command in the scratch folder.
Outcome run_shell(const std::string& command) {
    const std::string out = scratchPath("stdout"), err = scratchPath("stderr");
    const int raw =
        std::system(("cd " + ::testing::TempDir() + " && { " + command + "; } >" + out + " 2>" + err).c_str());
    Outcome run = {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text_of(out), text_of(err)};
    std::remove(out.c_str());
    std::remove(err.c_str());
    return run;
}

// Runs melvane-render with the arguments (shell words, redirections allowed).
Outcome render(const std::string& arguments) { return run_shell(std::string(MELVANE_RENDER) + " " + arguments); }

std::vector<uint8_t> song_bytes() { return readFileBytes(BUILTIN_SONG); }

std::string write_module(const std::string& stem, const std::vector<uint8_t>& bytes) {
    const std::string path = scratchPath(stem);
    writeFileBytes(path, bytes);
    return path;
}

std::string frames_of(const std::string& path) { return std::to_string(readFileBytes(path).size() / 4); }

size_t lines(const std::string& text) { return size_t(std::count(text.begin(), text.end(), '\n')); }

Cell effect(uint8_t number, uint8_t param) { return Cell{0, 0, 0, number, param}; }

// One empty row and one instrument: a looped sample of constant `value`.
XmModule level_module(int channels, int32_t value) {
    XmModule m;
    m.channels = channels;
    m.orders = {0};
    m.patterns = {xm_pattern(1)};
    XmSample level = xm_sample_8bit(std::vector<int32_t>(32, value));
    level.loopType = XM_LOOP_FORWARD;
    level.loopLength = 32;
    m.instruments = {xm_instrument(level)};
    return m;
}

// A generated module's --info text, and its --once render with more options.
struct Pass {
    std::string info;
    Outcome once;
    std::string frames;  // of the render
};

Pass pass_of(const XmModule& module, const std::string& options) {
    const std::string path = write_module("pass.xm", write_xm(module)), out = scratchPath("pass.raw");
    Pass pass = {render("--info " + path).out, render("--once " + options + " " + path + " " + out), ""};
    pass.frames = frames_of(out);
    std::remove(path.c_str());
    std::remove(out.c_str());
    return pass;
}

}  // namespace

// Help, version, option forms, standard input and output, and the output
// format chosen by name.
TEST(MelvaneRender, CommandLineConventions) {
    const std::string song = BUILTIN_SONG, out = scratchPath("out");
    const std::string copy = write_module("copy.xm", song_bytes()), link = scratchPath("link.xm");
    ASSERT_EQ(std::system(("ln -sf " + copy + " " + link).c_str()), 0);
    struct Case {
        std::string arguments;
        int status;
        std::string outStart;  // standard output begins with this
        std::string errPart;   // standard error holds this
        int64_t outputBytes;   // size of the file `out`, or -1 when none is written
    } cases[] = {
        {"-h", 0, "usage: melvane-render", "", -1},
        {"--help", 0, "usage: melvane-render", "", -1},
        {"--version", 0, std::string("melvane-render ") + TOOLS_VERSION + "\n", "", -1},
        {"--bogus " + song + " " + out, 2, "", "unknown option '--bogus'", -1},
        {song, 2, "", "INPUT and OUTPUT are required", -1},
        {"--wav --raw " + song + " " + out, 2, "", "exclude each other", -1},
        {"--frames=100 " + song + " " + out, 0, "", "", 400},
        {"--frames 100 -- " + song + " " + out, 0, "", "", 400},
        {"--frames 100 - " + out + " <" + song, 0, "", "", 400},
        {"--frames 100 " + song + " " + out + ".WAV", 0, "", "", -1},
        {"--frames 100 --raw " + song + " " + out + ".wav", 0, "", "", -1},
        {"--frames 100 " + copy + " " + link, 2, "", "melvane-render: OUTPUT is the INPUT file\n", -1},
        {"--frames 100 - " + copy + " <" + link, 2, "", "melvane-render: OUTPUT is the INPUT file\n", -1},
        {"--frames 100 --trace " + song + " " + out + " 2>&-", 0, "", "", 400},  // not opened as standard error
    };
    for (const Case& c : cases) {
        std::remove(out.c_str());
        const Outcome run = render(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_EQ(run.out.substr(0, c.outStart.size()), c.outStart) << c.arguments;
        EXPECT_NE(run.err.find(c.errPart), std::string::npos) << c.arguments << "\n" << run.err;
        if (c.outputBytes >= 0) {
            EXPECT_EQ(int64_t(readFileBytes(out).size()), c.outputBytes) << c.arguments;
        }
    }
    EXPECT_EQ(render("--frames 3 " + song + " -").out.size(), 12u);
    EXPECT_EQ(readFileBytes(out + ".WAV").size(), 444u);
    EXPECT_EQ(text_of(out + ".WAV").substr(0, 4), "RIFF");
    EXPECT_EQ(readFileBytes(out + ".wav").size(), 400u);
    EXPECT_EQ(readFileBytes(copy), song_bytes());
    std::remove(out.c_str());
    std::remove((out + ".WAV").c_str());
    std::remove((out + ".wav").c_str());
    std::remove(copy.c_str());
    std::remove(link.c_str());
}

// On a terminal (a pseudo-terminal of script(1)): no audio onto the screen,
// and a run stopped by a signal ends its progress line.
TEST(MelvaneRender, OnATerminal) {
    const std::string song = BUILTIN_SONG, screen = scratchPath("screen");
    const std::string render = std::string(MELVANE_RENDER) + " ";
    const std::string stopped = "timeout --preserve-status -s ";
    struct Case {
        std::string command;
        int status;
        std::string ending;  // of what the terminal shows
    } cases[] = {
        {render + song + " -", 2, "melvane-render: refusing to write audio to a terminal\r\n"},
        {stopped + "INT 1 " + render + "--frames 1000000000 " + song + " /dev/null", 130, "\r\n"},
        {stopped + "TERM 1 " + render + "--frames 1000000000 " + song + " /dev/null", 143, "\r\n"},
    };
    for (const Case& c : cases) {
        const int raw = std::system(("script -qec '" + c.command + "' /dev/null >" + screen).c_str());
        const std::string shown = text_of(screen);
        EXPECT_EQ(WEXITSTATUS(raw), c.status) << c.command;
        ASSERT_GE(shown.size(), c.ending.size()) << c.command;
        EXPECT_EQ(shown.substr(shown.size() - c.ending.size()), c.ending) << c.command;
    }
    std::remove(screen.c_str());
}

TEST(MelvaneRender, RefusesHugeInputsWithoutHoldingThem) {
    const std::string sparse = scratchPath("huge.xm");
    FILE* file = std::fopen(sparse.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(ftruncate(fileno(file), 100 << 20), 0);
    std::fclose(file);
    for (const std::string& input : {sparse, std::string("/dev/zero")}) {
        const Outcome run = render(input + " /dev/null");
        EXPECT_EQ(run.status, 1) << input;
        EXPECT_EQ(run.err, "cannot load module: " + input + " is larger than 64 MiB\n");
    }
    std::remove(sparse.c_str());
}

// A cut module plays what it holds and says where it ends; one too short
// for its header says that instead.
TEST(MelvaneRender, TruncatedModulesWarnWhereTheyEnd) {
    const std::vector<uint8_t> whole = song_bytes();
    struct Case {
        size_t bytes;
        int status;
        std::string err;
    } cases[] = {
        {whole.size(), 0, ""},
        {80, 0, "warning: module ends early at byte 80 (cut in the header; 5 patterns and 6 instruments missing)\n"},
        {1000, 0,
         "warning: module ends early at byte 1000 (cut at pattern 1 of 5; 3 more patterns and 6 "
         "instruments missing)\n"},
        {5000, 0, "warning: module ends early at byte 5000 (cut at instrument 4 of 6; 2 more instruments missing)\n"},
        {7000, 0,
         "warning: module ends early at byte 7000 (cut in the data of sample 1 of instrument 5 of 6; 1 more "
         "instrument missing)\n"},
        {40, 1, "cannot load module: module ends within its header\n"},
    };
    for (const Case& c : cases) {
        const std::string cut = write_module("cut.xm", std::vector<uint8_t>(whole.begin(), whole.begin() + c.bytes));
        const Outcome run = render("--frames 100 " + cut + " /dev/null");
        EXPECT_EQ(run.status, c.status) << c.bytes;
        EXPECT_EQ(run.err, c.err) << c.bytes;
        std::remove(cut.c_str());
    }
}

// --info on damaged or odd headers: the built-in song cut short, or with
// header bytes at `at` replaced.
TEST(MelvaneRender, InfoShowsOddHeadersAsTheyAre) {
    struct Case {
        size_t bytes;  // kept of the song
        size_t at;
        std::string patch;
        int status;
        std::string shown;  // on standard output, or standard error when the load fails
    } cases[] = {
        {100, 0, "", 0, "\npatterns      5 declared, 0 read\ninstruments   6 declared, 0 read\nfrequencies"},
        {1000, 0, "", 0, "\npatterns      5 declared, 1 read\ninstruments   6 declared, 0 read\n"},
        {SIZE_MAX, 66, std::string("\x63\x00", 2), 0,
         "orders        5, restart 99 (past the end: plays from order 0): 0"},
        {SIZE_MAX, 66, std::string("\x05\x00", 2), 0, "restart 5 (past the end"},
        {SIZE_MAX, 66, std::string("\x04\x00", 2), 0, "orders        5, restart at 4: 0"},
        {SIZE_MAX, 17, "a\"b\\\x01\x7f\xe9", 0, "title         \"a\\\"b\\\\\\001\\177\\351 theme\"\n"},
        {SIZE_MAX, 68, std::string("\x00", 1), 1,
         "cannot load module: pattern data but the header declares 0 channels\n"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> image = song_bytes();
        image.resize(std::min(c.bytes, image.size()));
        std::copy(c.patch.begin(), c.patch.end(), image.begin() + c.at);
        const std::string path = write_module("odd.xm", image);
        const Outcome run = render("--info " + path);
        EXPECT_EQ(run.status, c.status) << c.shown;
        const std::string& text = c.status == 0 ? run.out : run.err;
        EXPECT_NE(text.find(c.shown), std::string::npos) << text;
        std::remove(path.c_str());
    }
}

// The render goes to a temporary file that replaces the output only when
// complete: a full disk (here a file size limit) leaves the old file alone.
TEST(MelvaneRender, FailedWriteLeavesTheOldOutputAndNoTemporaryFile) {
    const std::string folder = scratchPath("folder"), err = scratchPath("err");
    ASSERT_EQ(std::system(("rm -rf " + folder + " && mkdir " + folder + " && echo old >" + folder + "/o.wav").c_str()),
              0);
    const int raw = std::system(("cd " + folder + " && (trap '' XFSZ; ulimit -f 16; " + MELVANE_RENDER + " " +
                                 BUILTIN_SONG + " o.wav) 2>" + err)
                                    .c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_EQ(text_of(err), "melvane-render: cannot write o.wav: File too large\n");
    EXPECT_EQ(text_of(folder + "/o.wav"), "old\n");
    EXPECT_EQ(render("--frames 10 " + std::string(BUILTIN_SONG) + " " + folder + "/o.wav").status, 0);
    EXPECT_EQ(readFileBytes(folder + "/o.wav").size(), 84u);
    EXPECT_EQ(std::system(("test \"$(ls -A " + folder + ")\" = o.wav").c_str()), 0);
    std::system(("rm -rf " + folder + " " + err).c_str());
}

// Refused before anything is rendered, as cp would refuse it: a file or a
// folder the user may not write (root may, so the runs drop that privilege),
// and output asked of a closed standard output.
TEST(MelvaneRender, RefusesOutputThatCannotBeWritten) {
    const std::string song = BUILTIN_SONG, folder = scratchPath("locked");
    ASSERT_EQ(std::system(("rm -rf " + folder + " && mkdir -p " + folder + "/shut && cd " + folder +
                           " && echo old >kept.raw && chmod 444 kept.raw && chmod 555 shut")
                              .c_str()),
              0);
    const std::string asUser = getuid() == 0 ? "setpriv --bounding-set=-dac_override,-dac_read_search " : "";
    const std::string in = "cd " + folder + " && " + asUser + MELVANE_RENDER + " ",
                      render = MELVANE_RENDER + std::string(" ");
    struct Case {
        std::string command;
        int status;
        std::string err;
    } cases[] = {
        {in + song + " kept.raw", 1, "melvane-render: cannot write kept.raw: Permission denied\n"},
        {in + song + " shut/new.raw", 1, "melvane-render: cannot write to folder shut: Permission denied\n"},
        {in + song + " " + folder + "/shut/new.raw", 1,
         "melvane-render: cannot write to folder " + folder + "/shut: Permission denied\n"},
        {render + "--frames 10 " + song + " - >&-", 1, "melvane-render: standard output is closed\n"},
        {render + "--info " + song + " >&-", 1, "melvane-render: standard output is closed\n"},
        {render + "--frames 10 " + song + " " + folder + "/new.raw >&-", 0, ""},
    };
    for (const Case& c : cases) {
        const Outcome run = run_shell(c.command);
        EXPECT_EQ(run.status, c.status) << c.command;
        EXPECT_EQ(run.err, c.err) << c.command;
    }
    EXPECT_EQ(text_of(folder + "/kept.raw"), "old\n");
    EXPECT_EQ(readFileBytes(folder + "/new.raw").size(), 40u);
    EXPECT_EQ(std::system(("test -z \"$(ls -A " + folder + "/shut)\"").c_str()), 0);
    std::system(("rm -rf " + folder).c_str());
}

TEST(MelvaneRender, LostOutputOrDiagnosticsFail) {
    const std::string song = BUILTIN_SONG;
    EXPECT_EQ(render("--frames 44100 --trace " + song + " /dev/null 2>/dev/full").status, 1);
    EXPECT_EQ(render("--frames 44100 " + song + " - >/dev/full").status, 1);
    EXPECT_EQ(render("--info " + song + " >/dev/full").status, 1);
}

// 44100 frames are 50 ticks of 882 frames; the renderer runs a 51st for the
// rest of its last block, which is not written and not printed.
TEST(MelvaneRender, TraceHasOneLinePerTickWritten) {
    const std::string song = BUILTIN_SONG;
    EXPECT_EQ(lines(render("--frames 44100 --trace " + song + " /dev/null").err), 50u);
    EXPECT_EQ(lines(render("--frames 44101 --trace " + song + " /dev/null").err), 51u);
}

// A channel panned to 0 is traced as panning 0 with all its gain on the
// left, and the right half of every output frame stays silent.
TEST(MelvaneRender, TracePutsPanningZeroOnTheLeft) {
    XmModule m = level_module(1, 100);
    m.patterns[0].cells.push_back({0, 0, Cell{49, 1, 0, 0x8, 0x00}});
    const std::string path = write_module("left.xm", write_xm(m)), out = scratchPath("left.raw");
    const Outcome run = render("--frames 1764 --trace " + path + " " + out);
    EXPECT_NE(run.err.find(" panning=0 "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" gain=128/0\n"), std::string::npos) << run.err;
    const std::vector<uint8_t> bytes = readFileBytes(out);
    ASSERT_EQ(bytes.size(), 1764u * 4);
    int left = 0, right = 0;
    for (size_t i = 0; i < bytes.size(); i += 4) {
        left += (bytes[i] | bytes[i + 1]) != 0;
        right += (bytes[i + 2] | bytes[i + 3]) != 0;
    }
    EXPECT_GT(left, 1700);
    EXPECT_EQ(right, 0);
    std::remove(path.c_str());
    std::remove(out.c_str());
}

// The built-in song's first pass: the intro and the four looping patterns,
// 320 rows of 6 ticks of 882 frames; the same bytes as a longer render.
TEST(MelvaneRender, OnceRendersTheFirstPassOfTheBuiltInSong) {
    const std::string song = BUILTIN_SONG, once = scratchPath("once.raw"), longer = scratchPath("long.raw");
    EXPECT_EQ(render("--once " + song + " " + once).status, 0);
    EXPECT_EQ(render("--frames 1800000 " + song + " " + longer).status, 0);
    std::vector<uint8_t> first = readFileBytes(once), more = readFileBytes(longer);
    ASSERT_EQ(first.size(), 1693440u * 4);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), more.begin()));
    const std::string info = render("--info " + song).out;
    EXPECT_NE(info.find("one pass      38.400 s (0:38.400, 1693440 frames), then back to order 1, row 0\n"),
              std::string::npos)
        << info;
    EXPECT_NE(info.find("title         \"melvane theme\"\n"), std::string::npos) << info;
    EXPECT_NE(info.find("    3 \"kick\" (1 sample)\n         1 \"kick\": 1100 frames, 8-bit, no loop\n"),
              std::string::npos)
        << info;
    std::remove(once.c_str());
    std::remove(longer.c_str());
}

// Rows 1-3 of order 0 loop three times (E60, E62), row 5 lasts three rows
// (EE2), speed 3 from row 6; order 1 slows to 100 BPM from its second tick
// and breaks back to order 0, row 1: (90 ticks x 882) + 882 + 8 x 1102.
TEST(MelvaneRender, OnceCountsLoopsDelaysAndTempoUpToTheRepeatedRow) {
    XmModule m;
    m.orders = {0, 1};
    m.patterns = {xm_pattern(8), xm_pattern(4)};
    m.patterns[0].cells = {
        {1, 0, effect(0xE, 0x60)}, {3, 0, effect(0xE, 0x62)}, {5, 2, effect(0xE, 0xE2)}, {6, 0, effect(0xF, 3)}};
    m.patterns[1].cells = {{0, 3, effect(0xF, 100)}, {2, 0, effect(0xD, 0x01)}};
    const Pass pass = pass_of(m, "--trace");
    EXPECT_NE(pass.info.find("89078 frames), then back to order 0, row 1\n"), std::string::npos) << pass.info;
    EXPECT_EQ(pass.frames, "89078");
    EXPECT_EQ(lines(pass.once.err), 99u);
}

// 64 rows of 496 ticks (speed 31, each row delayed 15 times over) of 3445
// frames (BPM 32): 41 minutes before the song comes round, so --once stops
// at its cap, or at --frames.
TEST(MelvaneRender, OnceStopsAtTheCapOrAtFrames) {
    XmModule m;
    m.speed = 31;
    m.bpm = 32;
    m.orders = {0};
    m.patterns = {xm_pattern(64)};
    for (int row = 0; row < 64; ++row) m.patterns[0].cells.push_back({row, 0, effect(0xE, 0xEF)});
    const Pass pass = pass_of(m, "--frames 1000");
    EXPECT_NE(pass.info.find("(30:00.000, 79380000 frames), no row repeats within 30 minutes"), std::string::npos)
        << pass.info;
    EXPECT_EQ(pass.once.status, 0);
    EXPECT_EQ(pass.frames, "1000");
}

// Eight channels in phase at full volume sum past the 16-bit range once
// their gain ramps have risen: every clamped sample is counted.
TEST(MelvaneRender, ReportsClippedSamples) {
    XmModule m = level_module(8, 127);
    for (int c = 0; c < 8; ++c) m.patterns[0].cells.push_back({0, c, Cell{49, 1, 0, 0, 0}});
    const std::string path = write_module("loud.xm", write_xm(m)), out = scratchPath("loud.raw");
    const Outcome run = render("--frames 1000 " + path + " " + out);
    const std::vector<uint8_t> bytes = readFileBytes(out);
    int fullScale = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const int16_t value = int16_t(bytes[i] | (bytes[i + 1] << 8));
        fullScale += value == 32767 || value == -32768;
    }
    EXPECT_GT(fullScale, 1000);
    EXPECT_EQ(run.err, "warning: " + std::to_string(fullScale) + " of 2000 samples clipped\n");
    EXPECT_EQ(render("--frames 1000 " + std::string(BUILTIN_SONG) + " /dev/null").err, "");
    std::remove(path.c_str());
    std::remove(out.c_str());
}
