// orvo-cli end to end: games played from arguments, saved, shown and refused.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

struct CliResult {
    int status;
    std::string out;  // standard output, then standard error
};

static CliResult runCli(const std::string& arguments) {
    std::string command = std::string(ORVO_CLI) + " " + arguments + " 2>&1";
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

static std::string gridRow(const std::string& out, int row) {
    char label[8];
    snprintf(label, sizeof label, "\n%2d ", row);
    size_t at = out.find(label);
    if (at == std::string::npos) return "";
    return out.substr(at + 4, 25);
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

class OrvoCliTest : public ::testing::Test {
  protected:
    std::string path = ::testing::TempDir() + "orvo_cli_test.dat";
    void SetUp() override { remove(path.c_str()); }
    void TearDown() override { remove(path.c_str()); }
};

static const char* DIAMOND_GAME = "5,4 5,5 6,5 1,1 5,6 2,2 4,5 2,1";

TEST_F(OrvoCliTest, PlayPrintsBoardScoresTurnAndOutlines) {
    CliResult result = runCli(std::string("play ") + DIAMOND_GAME);
    ASSERT_EQ(result.status, 0) << result.out;
    EXPECT_EQ(gridRow(result.out, 1), ".BB......................");
    EXPECT_EQ(gridRow(result.out, 4), ".....R...................");
    EXPECT_EQ(gridRow(result.out, 5), "....RbR..................");
    EXPECT_EQ(gridRow(result.out, 18), ".........................");
    EXPECT_NE(result.out.find("to move: red\nred score: 1\nblue score: 0\noutlines: 2\n"
                              "  1,1 2,1 2,2\n  5,4 6,5 5,6 4,5\n"),
              std::string::npos)
        << result.out;
}

TEST_F(OrvoCliTest, CapturedEmptyNodeShowsAsCross) {
    CliResult result = runCli("play 5,4 0,0 6,5 0,2 5,6 0,4 4,5");
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(gridRow(result.out, 5), "....RxR..................");
    EXPECT_NE(result.out.find("to move: blue"), std::string::npos);
}

TEST_F(OrvoCliTest, SaveThenShowAndContinue) {
    ASSERT_EQ(runCli(std::string("play --save ") + path + " " + DIAMOND_GAME).status, 0);
    std::vector<unsigned char> bytes = fileBytes(path);
    ASSERT_EQ(bytes.size(), 951u);
    EXPECT_EQ(bytes[5 * 19 + 4], 1);
    EXPECT_EQ(bytes[475 + 5 * 19 + 5], 1);
    EXPECT_EQ(bytes[950], 1);

    CliResult shown = runCli("show " + path);
    ASSERT_EQ(shown.status, 0);
    EXPECT_EQ(gridRow(shown.out, 5), "....RbR..................");
    EXPECT_NE(shown.out.find("red score: 1"), std::string::npos);

    CliResult next = runCli("play --from " + path + " 10,10 11,11");
    ASSERT_EQ(next.status, 0);
    EXPECT_EQ(gridRow(next.out, 10), "..........R..............");
    EXPECT_EQ(gridRow(next.out, 11), "...........B.............");
}

TEST_F(OrvoCliTest, RefusedMovesStopWithStatusOneAndSaveNothing) {
    CliResult taken = runCli("play --save " + path + " 3,3 3,3");
    EXPECT_EQ(taken.status, 1);
    EXPECT_NE(taken.out.find("move 2 (3,3) refused: the node holds a mark"), std::string::npos) << taken.out;
    EXPECT_TRUE(fileBytes(path).empty());

    CliResult captured = runCli("play 5,4 0,0 6,5 0,2 5,6 0,4 4,5 5,5");
    EXPECT_EQ(captured.status, 1);
    EXPECT_NE(captured.out.find("refused: the node is captured"), std::string::npos);

    CliResult off = runCli("play 25,0");
    EXPECT_EQ(off.status, 1);
    EXPECT_NE(off.out.find("off the board"), std::string::npos);
}

TEST_F(OrvoCliTest, BadFilesAreReported) {
    CliResult missing = runCli("show " + path);
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("cannot open"), std::string::npos);

    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fputs("not a game", file);
    fclose(file);
    CliResult damaged = runCli("play --from " + path + " 1,1");
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.out.find("is not a saved game"), std::string::npos);

    CliResult unwritable = runCli("play --save " + ::testing::TempDir() + "no_such_folder_for_orvo/x.dat");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.out.find("could not write"), std::string::npos);
}

TEST_F(OrvoCliTest, MalformedArgumentsAreUsageErrors) {
    const char* bad[] = {"", "dance", "play 5", "play 5,", "play ,5", "play 5,4,3", "play -1,2",
                         "play 5x,4", "play --save", "show", "show a b", "play --color red"};
    for (const char* arguments : bad) {
        CliResult result = runCli(arguments);
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_NE(result.out.find("usage:"), std::string::npos) << arguments;
    }
    CliResult help = runCli("help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("orvo-cli play"), std::string::npos);
}
