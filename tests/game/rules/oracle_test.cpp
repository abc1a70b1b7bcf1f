// The engine against the oracle (the engine as first written): after every move
// of seeded random games, and of games continued from random restored
// positions, captures, scratch grids and the outline list must be identical.
#include <cstdio>
#include <string>

#include "board_fixture.h"
#include "file_bytes.h"
#include "oracle_engine.h"
#include "random_moves.h"
#include "savefile.h"
#include "scratch_path.h"

static ::testing::AssertionResult sameAsOracle() {
    const Board& want = oracle::board;
    struct Grid {
        const char* name;
        const void* ours;
        const void* theirs;
    } grids[] = {{"marks", board.marks, want.marks},
                 {"captured", board.captured, want.captured},
                 {"working", board.working, want.working},
                 {"done", board.done, want.done},
                 {"visited", board.visited, want.visited}};
    for (const Grid& grid : grids) {
        if (memcmp(grid.ours, grid.theirs, BOARD_NODES) != 0) return ::testing::AssertionFailure() << grid.name;
    }
    if (board.redToMove != want.redToMove) return ::testing::AssertionFailure() << "redToMove";
    if (board.pathLength != want.pathLength) return ::testing::AssertionFailure() << "pathLength";
    if (board.outlineCount != want.outlineCount || board.outlineEnd != want.outlineEnd ||
        memcmp(board.outlines, want.outlines, want.outlineEnd) != 0) {
        return ::testing::AssertionFailure() << "outlines: " << board.outlineCount << " records, " << board.outlineEnd
                                             << " bytes; oracle " << want.outlineCount << ", " << want.outlineEnd;
    }
    return ::testing::AssertionSuccess();
}

// Plays random moves on both engines, comparing after each; at most maxMoves.
static void playAlongside(uint32_t* seed, int maxMoves, const std::string& what) {
    for (int move = 0; move < maxMoves; move++) {
        int node = randomFreeNode(seed);
        if (node < 0) return;
        int column = node / BOARD_ROWS, row = node % BOARD_ROWS;
        ASSERT_EQ(placeMark(column, row), oracle::placeMark(column, row));
        ASSERT_TRUE(sameAsOracle()) << what << ", move " << move << " at " << column << "," << row;
    }
}

TEST(OracleTest, RandomGamesToAFullBoard) {
    uint32_t seed = 7;
    for (int game = 0; game < 24; game++) {
        newGame();
        oracle::newGame();
        playAlongside(&seed, BOARD_NODES, "game " + std::to_string(game));
        if (HasFatalFailure()) return;
    }
}

// Random grids loaded through restore: captured nodes touch open ground and
// live marks, which ordinary play almost never leaves behind.
TEST(OracleTest, GamesFromRandomRestoredPositions) {
    // Restore keeps the scratch grids: both engines start from the same ones.
    memset(&board, 0, sizeof board);
    memset(&oracle::board, 0, sizeof oracle::board);
    std::string path = scratchPath("orvo_oracle_test.dat");
    uint32_t seed = 11;
    for (int position = 0; position < 400; position++) {
        int markPercent = nextRandom(&seed) % 90;
        int capturedPercent = nextRandom(&seed) % 40;
        uint8_t image[SAVE_FILE_BYTES];
        for (int node = 0; node < BOARD_NODES; node++) {
            image[node] = (int)(nextRandom(&seed) % 100) < markPercent ? 1 + nextRandom(&seed) % 2 : 0;
            image[BOARD_NODES + node] = (int)(nextRandom(&seed) % 100) < capturedPercent;
        }
        image[2 * BOARD_NODES] = nextRandom(&seed) % 2;
        writeFileBytes(path, image, sizeof image);
        ASSERT_TRUE(restoreGame(path.c_str()));
        memcpy(oracle::board.marks, image, BOARD_NODES);
        memcpy(oracle::board.captured, image + BOARD_NODES, BOARD_NODES);
        oracle::board.redToMove = image[2 * BOARD_NODES];
        oracle::rebuildOutlines();
        std::string what = "position " + std::to_string(position);
        ASSERT_TRUE(sameAsOracle()) << what << " as restored";
        playAlongside(&seed, 40, what);
        if (HasFatalFailure()) break;
    }
    remove(path.c_str());
}
