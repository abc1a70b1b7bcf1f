// The one game state, neighbour stepping, the path stack, the move and the scores.
#include "board.h"

#include <cstring>

#include "capture.h"

// Program start: empty grids, red to move. The board stays zero-filled storage
// and only the turn is set before main, so the program carries no image of it.
Board board;
static const bool redMovesFirst = (board.redToMove = 1, true);

static const int COLUMN_STEP[8] = {0, 1, 1, 1, 0, -1, -1, -1};
static const int ROW_STEP[8] = {-1, -1, 0, 1, 1, 1, 0, -1};

static int stepWithin(int value, int step, int limit) {
    int result = value + step;
    if (result < 1 || result > limit) return OFF_BOARD;
    return result;
}

int stepColumn(int c1, int d) {
    int step = (d >= 0 && d < 8) ? COLUMN_STEP[d] : 0;
    return stepWithin(c1, step, BOARD_COLUMNS);
}

int stepRow(int r1, int d) {
    int step = (d >= 0 && d < 8) ? ROW_STEP[d] : 0;
    return stepWithin(r1, step, BOARD_ROWS);
}

int deepestPathEntries;

// No search goes deeper than 476 entries, far below the stack's room.
void pathPush(int column, int row) {
    int entry = board.pathLength / 2;
    board.path[entry][0] = (uint8_t)column;
    board.path[entry][1] = (uint8_t)row;
    board.pathLength += 2;
    if (entry >= deepestPathEntries) deepestPathEntries = entry + 1;
}

void pathPop() { board.pathLength -= 2; }

bool pathHasMark() {
    int entries = board.pathLength / 2;
    for (int i = 0; i < entries; i++) {
        if (board.marks[nodeIndex(board.path[i][0], board.path[i][1])] != MARK_NONE) return true;
    }
    return false;
}

bool placeMark(int column, int row) {
    if (column < 0 || column >= BOARD_COLUMNS || row < 0 || row >= BOARD_ROWS) return false;
    int node = nodeIndex(column, row);
    if (board.marks[node] != MARK_NONE || board.captured[node] != 0) return false;
    board.marks[node] = board.redToMove ? MARK_RED : MARK_BLUE;
    board.redToMove = board.redToMove ? 0 : 1;
    recomputeCaptures();
    rebuildOutlines();
    return true;
}

void newGame() {
    board.redToMove = 1;
    memset(board.captured, 0, sizeof board.captured);
    memset(board.marks, 0, sizeof board.marks);
    rebuildOutlines();
}

static int capturedMarksOf(uint8_t colour) {
    int count = 0;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (board.captured[node] != 0 && board.marks[node] == colour) count++;
    }
    return count;
}

int redScore() { return capturedMarksOf(MARK_BLUE); }
int blueScore() { return capturedMarksOf(MARK_RED); }
