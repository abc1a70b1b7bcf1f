// orvo-cli end to end: scripts in, the exact state text and exit status out.
#include "scratch_path.h"
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

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
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
}

static std::vector<unsigned char> fileBytes(const std::string& path) {
    std::vector<unsigned char> bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return bytes;
    int c;
    while ((c = fgetc(file)) != EOF) bytes.push_back((unsigned char)c);
    fclose(file);
    return bytes;
}

// An empty grid, then the given nodes set to symbols: {column, row, symbol}.
struct Cell {
    int column, row;
    char symbol;
};
static std::string grid(const std::vector<Cell>& cells) {
    std::vector<std::string> rows(19, std::string(25, '.'));
    for (const Cell& cell : cells) rows[cell.row][cell.column] = cell.symbol;
    std::string text;
    for (const std::string& row : rows) text += row + "\n";
    return text;
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
    return "turn red\nscores red 1 blue 0\n" +
           grid({{1, 1, 'B'}, {2, 1, 'B'}, {2, 2, 'B'}, {5, 4, 'R'}, {4, 5, 'R'}, {5, 5, 'b'}, {6, 5, 'R'}, {5, 6, 'R'}}) +
           "outlines 2\n3 2,2 3,2 3,3\n4 6,5 7,6 6,7 5,6\nend\n";
}

TEST_F(OrvoCliTest, PrintsTheExactStateAtTheEnd) {
    CliResult result = run(DIAMOND);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, diamondState());
}

TEST_F(OrvoCliTest, ReadsStandardInputAndSkipsCommentsBlankLinesAndLineEnds) {
    writeFile(script, std::string("# a diamond\n\n   \n") + "5 4\r\n5 5\n\t6  5 \n1 1\n5 6\n2 2\n4 5\n  # late comment\n2 1");
    CliResult result = runCommand(std::string(ORVO_CLI) + " < " + script + " 2>/dev/null");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, diamondState());
}

TEST_F(OrvoCliTest, DumpPrintsMidwayAndNewStartsOver) {
    CliResult result = run("5 4\n6 5\ndump\n3 3\nnew\n");
    EXPECT_EQ(result.status, 0);
    std::string afterTwo = "turn red\nscores red 0 blue 0\n" + grid({{5, 4, 'R'}, {6, 5, 'B'}}) + "outlines 0\nend\n";
    std::string fresh = "turn red\nscores red 0 blue 0\n" + grid({}) + "outlines 0\nend\n";
    EXPECT_EQ(result.out, afterTwo + fresh);
}

TEST_F(OrvoCliTest, MovesRefusedByTheRulesChangeNothingSilently) {
    // Red encloses the empty (5,5); then red tries the captured node and blue a taken one.
    CliResult result = run("5 4\n0 0\n6 5\n0 2\n5 6\n0 4\n4 5\n5 5\n0 0\n");
    EXPECT_EQ(result.status, 0);
    std::string expected = "turn blue\nscores red 0 blue 0\n" +
                           grid({{0, 0, 'B'}, {0, 2, 'B'}, {0, 4, 'B'}, {5, 4, 'R'}, {4, 5, 'R'}, {5, 5, 'x'},
                                 {6, 5, 'R'}, {5, 6, 'R'}}) +
                           "outlines 1\n4 6,5 7,6 6,7 5,6\nend\n";
    EXPECT_EQ(result.out, expected);
}

TEST_F(OrvoCliTest, SaveThenRestoreInAnotherRun) {
    ASSERT_EQ(run(std::string(DIAMOND) + "save " + save + "\n").status, 0);
    std::vector<unsigned char> bytes = fileBytes(save);
    ASSERT_EQ(bytes.size(), 951u);
    EXPECT_EQ(bytes[5 * 19 + 4], 1);
    EXPECT_EQ(bytes[475 + 5 * 19 + 5], 1);
    EXPECT_EQ(bytes[950], 1);

    CliResult restored = run("3 3\nrestore " + save + "\n");
    EXPECT_EQ(restored.status, 0);
    EXPECT_EQ(restored.out, diamondState());
}

TEST_F(OrvoCliTest, RestoreOfAMissingOrDamagedFileKeepsTheGame) {
    writeFile(save, "not a game");
    std::string missing = ::testing::TempDir() + "orvo_cli_no_such_file.dat";
    CliResult result = run(std::string(DIAMOND) + "restore " + save + "\nrestore " + missing + "\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, diamondState());
}

TEST_F(OrvoCliTest, MalformedLinesStopWithTheirNumber) {
    const char* bad[] = {"5",     "5 4 3",   "5,4",    "25 0",   "0 19",    "-1 0",          "5x 4",
                         "5 4x",  "dance",   "new 1",  "dumpx",  "save",    "restore   ",    "Dump",
                         "x 1 2", "1 -0x2", "99999999999999999999 1", "0 99999999999999999999"};
    for (const char* line : bad) {
        CliResult result = runForErrors(std::string("# first\n\n1 1\n") + line + "\n2 2\n");
        EXPECT_EQ(result.status, 2) << line;
        EXPECT_EQ(result.out.rfind("line 4: ", 0), 0u) << line << " -> " << result.out;
        EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << line;
    }
}

TEST_F(OrvoCliTest, ErrorsPrintNoFinalState) {
    CliResult result = run("1 1\ndump\nfly\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 23) << result.out;  // the one dump
}

TEST_F(OrvoCliTest, FailedSaveAndMissingScriptAreErrors) {
    CliResult unwritable = runForErrors("1 1\nsave " + ::testing::TempDir() + "no_such_folder_for_orvo/x.dat\n");
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_EQ(unwritable.out.rfind("line 2: ", 0), 0u) << unwritable.out;
    EXPECT_EQ(runCommand(std::string(ORVO_CLI) + " " + save + " 2>/dev/null").status, 2);
    EXPECT_EQ(runCommand(std::string(ORVO_CLI) + " a b 2>/dev/null").status, 2);
}
