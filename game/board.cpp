// The one game state, neighbour stepping, the path stack, the move and the scores.
#include "board.h"

#include <cstring>

#include "capture.h"
#include "outline.h"

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

bool pathHasMark(const Board& b) {
    int entries = b.pathLength / 2;
    for (int i = 0; i < entries; i++) {
        if (b.marks[nodeIndex(b.path[i][0], b.path[i][1])] != MARK_NONE) return true;
    }
    return false;
}

bool pathHasMark() { return pathHasMark(board); }

void savePosition(const Board& from, Position* to) {
    memcpy(to->marks, from.marks, BOARD_NODES);
    memcpy(to->captured, from.captured, BOARD_NODES);
    to->redToMove = from.redToMove;
}

void loadPosition(Board& to, const Position& from) {
    memcpy(to.marks, from.marks, BOARD_NODES);
    memcpy(to.captured, from.captured, BOARD_NODES);
    to.redToMove = from.redToMove;
}

void placeMarkAt(Board& b, int node) {
    b.marks[node] = b.redToMove ? MARK_RED : MARK_BLUE;
    b.redToMove = b.redToMove ? 0 : 1;
    recomputeCaptures(b);
}

bool placeMark(Board& b, int column, int row) {
    if (column < 0 || column >= BOARD_COLUMNS || row < 0 || row >= BOARD_ROWS) return false;
    int node = nodeIndex(column, row);
    if (b.marks[node] != MARK_NONE || b.captured[node] != 0) return false;
    placeMarkAt(b, node);
    rebuildOutlines(b);
    return true;
}

bool placeMark(int column, int row) { return placeMark(board, column, row); }

// The positions before the game's moves, the latest at (first + count - 1)
// modulo the room; a game never has more moves than nodes, so the room only
// runs out on a board set up by hand, and then the oldest is dropped.
static Position history[BOARD_NODES];
static int historyFirst, historyCount;

bool playMove(int column, int row) {
    Position before;
    savePosition(board, &before);
    if (!placeMark(board, column, row)) return false;
    history[(historyFirst + historyCount) % BOARD_NODES] = before;
    if (historyCount < BOARD_NODES)
        historyCount++;
    else
        historyFirst = (historyFirst + 1) % BOARD_NODES;
    return true;
}

bool takeBack() {
    if (historyCount == 0) return false;
    historyCount--;
    loadPosition(board, history[(historyFirst + historyCount) % BOARD_NODES]);
    rebuildOutlines(board);
    return true;
}

void forgetMoves() { historyFirst = historyCount = 0; }

void newGame() {
    forgetMoves();
    board.redToMove = 1;
    memset(board.captured, 0, sizeof board.captured);
    memset(board.marks, 0, sizeof board.marks);
    rebuildOutlines();
}

static int capturedMarksOf(const Board& b, uint8_t colour) {
    int count = 0;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (b.captured[node] != 0 && b.marks[node] == colour) count++;
    }
    return count;
}

int redScore(const Board& b) { return capturedMarksOf(b, MARK_BLUE); }
int blueScore(const Board& b) { return capturedMarksOf(b, MARK_RED); }
int redScore() { return redScore(board); }
int blueScore() { return blueScore(board); }
