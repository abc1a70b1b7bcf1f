// The saved-game image: exact bytes out, whole and checked bytes in.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "board_fixture.h"
#include "file_bytes.h"
#include "savefile.h"
#include "scratch_path.h"

class SaveFileTest : public RulesTest {
protected:
    std::string path = scratchPath("orvo_savefile_test.dat");
    void TearDown() override { remove(path.c_str()); }

    // The file a save writes, checked for its size.
    std::vector<uint8_t> savedBytes() {
        EXPECT_TRUE(saveGame(path.c_str()));
        std::vector<uint8_t> bytes = readFileBytes(path);
        EXPECT_EQ(bytes.size(), 951u);
        bytes.resize(SAVE_FILE_BYTES);
        return bytes;
    }
    void writeFile(const std::vector<uint8_t>& bytes) { writeFileBytes(path, bytes); }
    // A valid image: red mark at (1,1), blue captured at (5,5), blue to move.
    std::vector<uint8_t> sampleImage() {
        std::vector<uint8_t> bytes(SAVE_FILE_BYTES, 0);
        bytes[nodeIndex(1, 1)] = MARK_RED;
        bytes[nodeIndex(5, 5)] = MARK_BLUE;
        bytes[BOARD_NODES + nodeIndex(5, 5)] = 1;
        return bytes;
    }
};

TEST_F(SaveFileTest, FreshGameSavesZerosAndTheRedTurn) {
    std::vector<uint8_t> expected(951, 0);
    expected[950] = 1;
    EXPECT_EQ(savedBytes(), expected);
}

TEST_F(SaveFileTest, BytesAreMarksThenCapturedThenTurnColumnByColumn) {
    playMoves({{5, 4}, {5, 5}, {6, 5}, {20, 2}, {5, 6}, {21, 2}, {4, 5}});
    std::vector<uint8_t> bytes = savedBytes();
    EXPECT_EQ(bytes[5 * 19 + 4], MARK_RED);
    EXPECT_EQ(bytes[20 * 19 + 2], MARK_BLUE);
    EXPECT_EQ(bytes[475 + 5 * 19 + 5], 1);
    EXPECT_EQ(bytes[475 + 5 * 19 + 4], 0);
    EXPECT_EQ(bytes[950], 0);
}

TEST_F(SaveFileTest, RestoreAfterSaveGivesBackTheGame) {
    playMoves({{5, 4}, {5, 5}, {6, 5}, {20, 2}, {5, 6}, {21, 2}, {4, 5}, {1, 1}});
    Board saved = board;
    ASSERT_TRUE(saveGame(path.c_str()));
    newGame();
    ASSERT_TRUE(restoreGame(path.c_str()));
    expectSameGame(saved, "restored");
    EXPECT_EQ(redScore(), 1);
}

TEST_F(SaveFileTest, RestoredCapturesAreKeptForGood) {
    writeFile(sampleImage());
    ASSERT_TRUE(restoreGame(path.c_str()));
    EXPECT_EQ(board.redToMove, 0);
    EXPECT_TRUE(isCaptured(5, 5));
    EXPECT_EQ(redScore(), 1);
    playMoves({{10, 10}, {11, 11}});  // blue, red
    EXPECT_TRUE(isCaptured(5, 5));
    EXPECT_FALSE(placeMark(5, 5));
}

// Missing, empty, short, long, out-of-range, directory and unreadable files
// leave the game exactly as it was.
TEST_F(SaveFileTest, DamagedFilesAreRefused) {
    std::vector<std::vector<uint8_t>> damaged;
    damaged.push_back(std::vector<uint8_t>());
    std::vector<uint8_t> image = sampleImage();
    for (size_t length : {1, 474, 475, 950})
        damaged.push_back(std::vector<uint8_t>(image.begin(), image.begin() + length));
    for (size_t extra : {1, 951}) {
        std::vector<uint8_t> longer = image;
        longer.resize(image.size() + extra, 0);
        damaged.push_back(longer);
    }
    for (int at : {0, 100, 474}) {
        for (uint8_t value : {3, 255}) {
            std::vector<uint8_t> badMark = image;
            badMark[at] = value;
            damaged.push_back(badMark);
        }
    }
    for (int at : {475, 575, 949}) {
        std::vector<uint8_t> badCaptured = image;
        badCaptured[at] = 2;
        damaged.push_back(badCaptured);
    }

    // A game with captures and an outline, blue to move.
    playMoves({{5, 4}, {5, 5}, {6, 5}, {1, 1}, {5, 6}, {2, 1}, {4, 5}, {2, 2}, {9, 9}});
    Board before = board;
    EXPECT_FALSE(restoreGame(path.c_str()));  // no file at all
    expectSameGame(before, "missing");
    for (size_t i = 0; i < damaged.size(); i++) {
        writeFile(damaged[i]);
        EXPECT_FALSE(restoreGame(path.c_str())) << i;
        expectSameGame(before, "damaged variant " + std::to_string(i));
    }
    EXPECT_FALSE(restoreGame(::testing::TempDir().c_str()));
    expectSameGame(before, "a directory");
    // Opens, but every read fails: nothing is mapped at address 0.
    EXPECT_FALSE(restoreGame("/proc/self/mem"));
    expectSameGame(before, "unreadable");
    if (geteuid() != 0) {  // the superuser reads files whatever their mode
        writeFile(image);
        chmod(path.c_str(), 0);
        EXPECT_FALSE(restoreGame(path.c_str()));
        expectSameGame(before, "no read permission");
    }
}

TEST_F(SaveFileTest, AnyNonZeroTurnByteMeansRed) {
    std::vector<uint8_t> bytes = sampleImage();
    bytes[950] = 7;
    writeFile(bytes);
    ASSERT_TRUE(restoreGame(path.c_str()));
    EXPECT_TRUE(placeMark(12, 12));
    EXPECT_EQ(markAt(12, 12), MARK_RED);
}

TEST_F(SaveFileTest, SaveThatCannotCreateTheFileReportsFailure) {
    std::string missingFolder = ::testing::TempDir() + "no_such_folder_for_orvo/savegame.dat";
    EXPECT_FALSE(saveGame(missingFolder.c_str()));
    EXPECT_FALSE(saveGame(::testing::TempDir().c_str()));  // a directory
    EXPECT_FALSE(saveGame("/proc/orvo_savegame.dat"));     // no file can be made there, not even by root
}

TEST_F(SaveFileTest, SaveThatCannotWriteEverythingReportsFailure) {
    FILE* full = fopen("/dev/full", "wb");
    if (!full) GTEST_SKIP() << "no /dev/full here";
    fclose(full);
    EXPECT_FALSE(saveGame("/dev/full"));
}
