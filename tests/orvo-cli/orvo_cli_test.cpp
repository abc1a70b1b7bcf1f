// orvo-cli end to end: scripts in, the exact state text and exit status out.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "scratch_path.h"
#include "version.h"

struct CliResult {
    int status;
    std::string out;  // standard output, or standard error when asked for
};

static CliResult runCommand(const std::string& command) {
    CliResult result = {-1, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, got);
    int raw = pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

static void writeFile(const std::string& path, const std::string& text) {
    writeFileBytes(path, text.data(), text.size());
}

// A node shown as other than '.': {column, row, symbol}.
struct Cell {
    int column, row;
    char symbol;
};

// The state text: turn, scores, the grid and the outline lines.
static std::string state(const char* turn, int red, int blue, const std::vector<Cell>& cells,
                         const std::vector<std::string>& outlines = {}) {
    std::vector<std::string> rows(19, std::string(25, '.'));
    for (const Cell& cell : cells) rows[cell.row][cell.column] = cell.symbol;
    std::string text =
        std::string("turn ") + turn + "\nscores red " + std::to_string(red) + " blue " + std::to_string(blue) + "\n";
    for (const std::string& row : rows) text += row + "\n";
    text += "outlines " + std::to_string(outlines.size()) + "\n";
    for (const std::string& outline : outlines) text += outline + "\n";
    return text + "end\n";
}

// A run that succeeded and printed exactly text.
static void expectState(const CliResult& result, const std::string& text) {
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, text);
}

class OrvoCliTest : public ::testing::Test {
protected:
    std::string script = scratchPath("orvo_cli.txt");
    std::string save = scratchPath("orvo_cli.dat");
    void SetUp() override { remove(save.c_str()); }
    void TearDown() override {
        remove(script.c_str());
        remove(save.c_str());
    }
    CliResult run(const std::string& text) {
        writeFile(script, text);
        return runCommand(std::string(ORVO_CLI) + " " + script + " 2>/dev/null");
    }
    CliResult runForErrors(const std::string& text) {
        writeFile(script, text);
        return runCommand(std::string(ORVO_CLI) + " " + script + " 2>&1 >/dev/null");
    }
};

// Red closes a diamond around blue (5,5); blue makes a triangle meanwhile.
static const char* DIAMOND = "5 4\n5 5\n6 5\n1 1\n5 6\n2 2\n4 5\n2 1\n";

static std::string diamondState() {
    return state(
        "red", 1, 0,
        {{1, 1, 'B'}, {2, 1, 'B'}, {2, 2, 'B'}, {5, 4, 'R'}, {4, 5, 'R'}, {5, 5, 'b'}, {6, 5, 'R'}, {5, 6, 'R'}},
        {"3 2,2 3,2 3,3", "4 6,5 7,6 6,7 5,6"});
}

// The same moves from a script file, then from standard input with comments,
// blank lines, stray blanks and both line ends.
TEST_F(OrvoCliTest, PrintsTheExactStateAtTheEndReadingAFileOrStandardInput) {
    expectState(run(DIAMOND), diamondState());
    writeFile(script, "# a diamond\n\n   \n5 4\r\n5 5\n\t6  5 \n1 1\n5 6\n2 2\n4 5\n  # late comment\n2 1");
    expectState(runCommand(std::string(ORVO_CLI) + " < " + script + " 2>/dev/null"), diamondState());
}

TEST_F(OrvoCliTest, DumpPrintsMidwayAndNewStartsOver) {
    expectState(run("5 4\n6 5\ndump\n3 3\nnew\n"),
                state("red", 0, 0, {{5, 4, 'R'}, {6, 5, 'B'}}) + state("red", 0, 0, {}));
}

TEST_F(OrvoCliTest, MovesRefusedByTheRulesChangeNothingSilently) {
    // Red encloses the empty (5,5); then red tries the captured node and blue a taken one.
    expectState(
        run("5 4\n0 0\n6 5\n0 2\n5 6\n0 4\n4 5\n5 5\n0 0\n"),
        state("blue", 0, 0,
              {{0, 0, 'B'}, {0, 2, 'B'}, {0, 4, 'B'}, {5, 4, 'R'}, {4, 5, 'R'}, {5, 5, 'x'}, {6, 5, 'R'}, {5, 6, 'R'}},
              {"4 6,5 7,6 6,7 5,6"}));
}

TEST_F(OrvoCliTest, SaveThenRestoreInAnotherRun) {
    ASSERT_EQ(run(std::string(DIAMOND) + "save " + save + "\n").status, 0);
    std::vector<uint8_t> bytes = readFileBytes(save);
    ASSERT_EQ(bytes.size(), 951u);
    EXPECT_EQ(bytes[5 * 19 + 4], 1);
    EXPECT_EQ(bytes[475 + 5 * 19 + 5], 1);
    EXPECT_EQ(bytes[950], 1);

    expectState(run("3 3\nrestore " + save + "\n"), diamondState());  // the earlier move replaced
}

// The game stays as it was, with a warning that says why; the run goes on.
TEST_F(OrvoCliTest, RestoreOfAMissingOrDamagedFileKeepsTheGameAndWarns) {
    writeFile(save, "not a game");
    std::string missing = ::testing::TempDir() + "orvo_cli_no_such_file.dat";
    std::string lines = std::string(DIAMOND) + "restore " + save + "\nrestore " + missing + "\n";
    expectState(run(lines), diamondState());
    CliResult warnings = runForErrors(lines);
    EXPECT_EQ(warnings.status, 0);
    EXPECT_EQ(warnings.out, "line 9: warning: " + save + " not restored: not a saved game (10 bytes, not 951)\n" +
                                "line 10: warning: " + missing + " not restored: No such file or directory\n");
}

TEST_F(OrvoCliTest, MalformedLinesStopWithTheirNumber) {
    const char* bad[] = {"5",
                         "5 4 3",
                         "5,4",
                         "25 0",
                         "0 19",
                         "-1 0",
                         "5x 4",
                         "5 4x",
                         "dance",
                         "new 1",
                         "dumpx",
                         "save",
                         "restore   ",
                         "Dump",
                         "x 1 2",
                         "1 -0x2",
                         "99999999999999999999 1",
                         "0 99999999999999999999"};
    for (const char* line : bad) {
        CliResult result = runForErrors(std::string("# first\n\n1 1\n") + line + "\n2 2\n");
        EXPECT_EQ(result.status, 2) << line;
        EXPECT_EQ(result.out.rfind("line 4: ", 0), 0u) << line << " -> " << result.out;
        std::string shown = std::string(line).substr(0, std::string(line).find_last_not_of(' ') + 1);
        EXPECT_EQ(result.out.substr(result.out.size() - shown.size() - 3), ": " + shown + "\n") << result.out;
    }
}

TEST_F(OrvoCliTest, ErrorsPrintNoFinalState) {
    CliResult result = run("1 1\ndump\nfly\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 23) << result.out;  // the one dump
}

TEST_F(OrvoCliTest, FailedSaveAndUnreadableScriptsAreErrorsThatSayWhy) {
    std::string folder = ::testing::TempDir() + "no_such_folder_for_orvo";
    CliResult unwritable = runForErrors("1 1\nsave " + folder + "/x.dat\n");
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_EQ(unwritable.out, "line 2: cannot save to " + folder + "/x.dat: No such file or directory\n");
    CliResult missing = runCommand(std::string(ORVO_CLI) + " " + save + " 2>&1");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "orvo-cli: cannot open " + save + ": No such file or directory\n");
    CliResult folderScript = runCommand(std::string(ORVO_CLI) + " " + ::testing::TempDir() + " 2>&1");
    EXPECT_EQ(folderScript.status, 2);
    EXPECT_EQ(folderScript.out, "orvo-cli: cannot read " + ::testing::TempDir() + ": Is a directory\n");
}

// Help, version, standard input by name, bad command lines, lost output, a
// closed standard output.
TEST_F(OrvoCliTest, CommandLineConventions) {
    writeFile(script, "5 4\n");
    std::string cli = ORVO_CLI;
    struct Case {
        std::string command;
        int status;
        std::string outStart;  // standard output and error, in that order
    } cases[] = {
        {cli + " -h", 0, "usage: orvo-cli [SCRIPT]\n"},
        {cli + " --help", 0, "usage: orvo-cli [SCRIPT]\n"},
        {cli + " --version", 0, std::string("orvo-cli ") + TOOLS_VERSION + "\n"},
        {cli + " - <" + script, 0, "turn blue\n"},
        {cli + " -- " + script, 0, "turn blue\n"},
        {cli + " -x", 2, "orvo-cli: unknown option '-x'\nusage:"},
        {cli + " a b", 2, "orvo-cli: too many arguments\nusage:"},
        {cli + " --help >/dev/full", 1, "orvo-cli: cannot write the output: No space left on device\n"},
        {cli + " " + script + " >/dev/full", 1, "orvo-cli: cannot write the output: No space left on device\n"},
        {cli + " " + script + " >&-", 1, "orvo-cli: standard output is closed\n"},
        {cli + " --version >&-", 1, "orvo-cli: standard output is closed\n"},
        {cli + " -x >&-", 2, "orvo-cli: unknown option '-x'\nusage:"},
    };
    for (const Case& c : cases) {
        CliResult result = runCommand("{ " + c.command + "; } 2>&1");
        EXPECT_EQ(result.status, c.status) << c.command;
        EXPECT_EQ(result.out.substr(0, c.outStart.size()), c.outStart) << c.command;
    }
}

// Red's diamond lacks (4,5): hint names it at every level without playing it,
// ai plays it, undo takes moves back one at a time (and nothing at the start).
TEST_F(OrvoCliTest, TheComputerHintsPlaysAndUndoTakesBack) {
    const std::string open = "5 4\n5 5\n6 5\n1 1\n5 6\n2 2\n";
    EXPECT_EQ(run(open + "hint\nlevel 1\nhint\nlevel 3\nhint\n").out.substr(0, 35),
              "hint 4 5\nhint 4 5\nhint 4 5\nturn red");
    expectState(run(open + "ai\n2 1\n"), diamondState());
    expectState(run(std::string(DIAMOND) + "undo\nundo\nundo\n"),
                state("blue", 0, 0, {{1, 1, 'B'}, {5, 4, 'R'}, {5, 5, 'B'}, {6, 5, 'R'}, {5, 6, 'R'}}));
    expectState(run("undo\n5 4\nundo\nundo\n"), state("red", 0, 0, {}));
    EXPECT_EQ(run("hint\n").out.substr(0, 11), "hint 12 9\nt");  // the centre of an empty board
}

TEST_F(OrvoCliTest, LevelTakesOneToThree) {
    const char* bad[] = {"level", "level 0", "level 4", "level x", "level 2 2", "ai 1", "undo 2", "hint x"};
    for (const char* line : bad) {
        CliResult result = runForErrors(std::string("1 1\n") + line + "\n");
        EXPECT_EQ(result.status, 2) << line;
        EXPECT_EQ(result.out.rfind("line 2: ", 0), 0u) << line << " -> " << result.out;
    }
    EXPECT_EQ(run("level 1\nlevel 3\nlevel 2\n").status, 0);
}
