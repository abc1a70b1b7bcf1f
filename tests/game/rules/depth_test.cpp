// The deepest boards a saved game can hold: the searches must stay within the
// path stack (run under the sanitisers too), leave it empty, and match the
// oracle. Each board is restored with one node left free, then that node is
// played, so that both the outline walk and the recomputation run on it.
#include <cstdio>
#include <string>

#include "board_fixture.h"
#include "file_bytes.h"
#include "oracle_engine.h"
#include "savefile.h"
#include "scratch_path.h"

// The most entries any search can need: every node once, plus the re-entry
// that closes a ring.
const int DEEPEST_POSSIBLE = BOARD_NODES + 1;

typedef uint8_t Grid[BOARD_NODES];

static void fill(Grid grid, uint8_t value) { memset(grid, value, BOARD_NODES); }

// A snake of red winding through the columns, walled by blue on both sides.
static void columnSnake(Grid marks) {
    fill(marks, MARK_BLUE);
    for (int column = 0; column < BOARD_COLUMNS; column += 2) {
        for (int row = 0; row < BOARD_ROWS; row++) marks[nodeIndex(column, row)] = MARK_RED;
        if (column + 1 < BOARD_COLUMNS) marks[nodeIndex(column + 1, column % 4 == 0 ? BOARD_ROWS - 1 : 0)] = MARK_RED;
    }
}

// The same through the rows, kept one node from the border so that the fills
// run its whole length before they escape.
static void innerRowSnake(Grid marks) {
    fill(marks, MARK_NONE);
    for (int row = 1; row < BOARD_ROWS - 1; row += 2) {
        for (int column = 1; column < BOARD_COLUMNS - 1; column++) marks[nodeIndex(column, row)] = MARK_RED;
        if (row + 1 < BOARD_ROWS - 1) marks[nodeIndex(row % 4 == 1 ? BOARD_COLUMNS - 2 : 1, row + 1)] = MARK_RED;
    }
    for (int column = 0; column < BOARD_COLUMNS; column++) {
        for (int row = 0; row < BOARD_ROWS; row++) {
            if (column == 0 || row == 0 || column == BOARD_COLUMNS - 1 || row == BOARD_ROWS - 1) {
                marks[nodeIndex(column, row)] = MARK_BLUE;
            }
        }
    }
}

static void checkerboard(Grid marks) {
    for (int node = 0; node < BOARD_NODES; node++) marks[node] = (node / BOARD_ROWS + node % BOARD_ROWS) % 2 ? 1 : 2;
}

class DepthTest : public RulesTest {
protected:
    std::string path = scratchPath("orvo_depth_test.dat");
    void TearDown() override { remove(path.c_str()); }

    // Restores marks and captured with the last node freed, then plays it.
    void restoreAndPlay(const Grid marks, const Grid captured, const std::string& what) {
        uint8_t image[SAVE_FILE_BYTES];
        memcpy(image, marks, BOARD_NODES);
        memcpy(image + BOARD_NODES, captured, BOARD_NODES);
        int last = nodeIndex(BOARD_COLUMNS / 2, BOARD_ROWS / 2);
        image[last] = MARK_NONE;
        image[BOARD_NODES + last] = 0;
        image[2 * BOARD_NODES] = 1;
        writeFileBytes(path, image, sizeof image);

        deepestPathEntries = 0;
        ASSERT_TRUE(restoreGame(path.c_str())) << what;
        memcpy(oracle::board.marks, image, BOARD_NODES);
        memcpy(oracle::board.captured, image + BOARD_NODES, BOARD_NODES);
        oracle::board.redToMove = 1;
        oracle::rebuildOutlines();
        ASSERT_TRUE(placeMark(last / BOARD_ROWS, last % BOARD_ROWS)) << what;
        oracle::placeMark(last / BOARD_ROWS, last % BOARD_ROWS);

        EXPECT_EQ(board.pathLength, 0) << what;
        EXPECT_LE(deepestPathEntries, DEEPEST_POSSIBLE) << what;
        EXPECT_LE(board.outlineEnd, OUTLINE_BYTES) << what;
        expectSameGame(oracle::board, what);
    }
};

TEST_F(DepthTest, BoardsOfOneColour) {
    Grid marks, captured;
    fill(captured, 0);
    fill(marks, MARK_RED);
    restoreAndPlay(marks, captured, "all red");
    EXPECT_GT(deepestPathEntries, 400);  // the walk does cross the whole board
    fill(marks, MARK_BLUE);
    restoreAndPlay(marks, captured, "all blue");
    // All captured but the centre: nothing to walk, everything decided.
    fill(captured, 1);
    restoreAndPlay(marks, captured, "all blue, captured");
}

TEST_F(DepthTest, LongSnakes) {
    Grid marks, captured;
    fill(captured, 0);
    columnSnake(marks);
    restoreAndPlay(marks, captured, "column snake");
    innerRowSnake(marks);
    restoreAndPlay(marks, captured, "inner row snake");
    EXPECT_GT(deepestPathEntries, 150);
    // The snake's walls captured: the fills pass through them.
    for (int node = 0; node < BOARD_NODES; node++) captured[node] = marks[node] == MARK_BLUE;
    restoreAndPlay(marks, captured, "inner row snake, walls captured");
}

TEST_F(DepthTest, CheckerboardAndEmptyCapturedField) {
    Grid marks, captured;
    fill(captured, 0);
    checkerboard(marks);
    restoreAndPlay(marks, captured, "checkerboard");
    // An empty board all captured but for the border: the new mark's fill
    // crosses the captured field to the border.
    fill(marks, MARK_NONE);
    for (int node = 0; node < BOARD_NODES; node++) {
        int column = node / BOARD_ROWS, row = node % BOARD_ROWS;
        captured[node] = column > 0 && row > 0 && column < BOARD_COLUMNS - 1 && row < BOARD_ROWS - 1;
    }
    restoreAndPlay(marks, captured, "captured empty field");
}
