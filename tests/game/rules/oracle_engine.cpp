// The rules engine as first written, step by step after the rules of
// enclosure, kept unchanged (its own Board, same code) as the oracle that the
// faster engine must match byte for byte.
#include <cstring>

#include "board.h"
#include "oracle_engine.h"

namespace oracle {

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

// No search goes deeper than 476 entries, far below the stack's room.
void pathPush(int column, int row) {
    int entry = board.pathLength / 2;
    board.path[entry][0] = (uint8_t)column;
    board.path[entry][1] = (uint8_t)row;
    board.pathLength += 2;
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

static bool onBorder(int column, int row) {
    return column == 0 || column == BOARD_COLUMNS - 1 || row == 0 || row == BOARD_ROWS - 1;
}

static int neighbourColumn(int column, int d) { return stepColumn(column + 1, d) - 1; }
static int neighbourRow(int row, int d) { return stepRow(row + 1, d) - 1; }

static int otherColour(int colour) { return colour == MARK_RED ? MARK_BLUE : MARK_RED; }

static void clearVisited() { memset(board.visited, 0, sizeof board.visited); }

static void startValues() {
    for (int node = 0; node < BOARD_NODES; node++) {
        if (board.captured[node] != 0) {
            board.working[node] = (int8_t)board.captured[node];
            board.done[node] = 1;
        } else {
            board.working[node] = 1;
            board.done[node] = 0;
        }
    }
}

static void decideMarks() {
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int column = 0; column < BOARD_COLUMNS; column++) {
            int node = nodeIndex(column, row);
            if (board.marks[node] == MARK_NONE || board.done[node]) continue;
            board.stillEnclosed = 1;
            board.testColour = board.marks[node];
            clearVisited();
            fillFromMark((int8_t)column, (int8_t)row);
            board.done[node] = 1;
        }
    }
}

static void decideEmptyNodes() {
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int column = 0; column < BOARD_COLUMNS; column++) {
            int node = nodeIndex(column, row);
            if (board.marks[node] != MARK_NONE || board.done[node]) continue;
            clearVisited();
            if (testEmptyNode(column, row) == 0) board.working[node] = 0;
            board.done[node] = 1;
        }
    }
}

static void commitCaptures() {
    for (int node = 0; node < BOARD_NODES; node++) {
        if (board.captured[node] == 0) board.captured[node] = (uint8_t)board.working[node];
    }
}

void recomputeCaptures() {
    startValues();
    decideMarks();
    decideEmptyNodes();
    commitCaptures();
}

// Reaching the border frees every mark of the tested colour on the way there.
static void freePathMarks() {
    int entries = board.pathLength / 2;
    for (int i = 0; i < entries; i++) {
        int node = nodeIndex(board.path[i][0], board.path[i][1]);
        if (board.marks[node] == board.testColour) {
            board.working[node] = 0;
            board.done[node] = 1;
        }
    }
}

static bool markFillEnters(int node) {
    int mark = board.marks[node];
    bool captured = board.captured[node] != 0;
    if ((mark == board.testColour || mark == MARK_NONE) && !captured) return true;
    if (mark == otherColour(board.testColour) && captured) return true;
    return mark == MARK_NONE && board.working[node] > 0;
}

void fillFromMark(int8_t column, int8_t row) {
    pathPush(column, row);
    if (onBorder(column, row)) {
        freePathMarks();
        board.stillEnclosed = 0;
        pathPop();
        return;
    }
    if (board.stillEnclosed == 0) {
        pathPop();
        return;
    }
    board.visited[nodeIndex(column, row)] = 1;
    for (int d = 0; d < 8 && board.stillEnclosed != 0; d += 2) {
        int nc = neighbourColumn(column, d);
        int nr = neighbourRow(row, d);
        int n = nodeIndex(nc, nr);
        if (board.visited[n]) continue;
        if (markFillEnters(n)) fillFromMark((int8_t)nc, (int8_t)nr);
    }
    pathPop();
}

int testEmptyNode(int column, int row) {
    board.stillEnclosed = 1;
    board.testColour = MARK_RED;
    fillFromEmpty(column, row);
    if (board.stillEnclosed == 1) return 2;
    // The second fill keeps the first one's visited nodes.
    board.stillEnclosed = 1;
    board.testColour = MARK_BLUE;
    fillFromEmpty(column, row);
    return board.stillEnclosed == 1 ? 1 : 0;
}

static void freeTestedNode() {
    int node = nodeIndex(board.path[0][0], board.path[0][1]);
    board.working[node] = 0;
    board.done[node] = 1;
}

void fillFromEmpty(int column, int row) {
    pathPush(column, row);
    if (onBorder(column, row)) {
        board.stillEnclosed = 0;
        pathPop();
        return;
    }
    if (board.stillEnclosed == 0) {
        pathPop();
        return;
    }
    board.visited[nodeIndex(column, row)] = 1;
    for (int d = 0; d < 8 && board.stillEnclosed != 0; d += 2) {
        int nc = neighbourColumn(column, d);
        int nr = neighbourRow(row, d);
        int n = nodeIndex(nc, nr);
        int mark = board.marks[n];
        bool captured = board.captured[n] != 0;
        if (board.visited[n]) continue;
        // Empty nodes alone lead to an empty node already found free: so is this one.
        if (board.working[n] == 0 && mark == MARK_NONE && !pathHasMark()) {
            freeTestedNode();
            board.stillEnclosed = 0;
            pathPop();
            return;
        }
        // A free mark of the tested colour: an escape only when reached over empty nodes.
        if (board.done[n] && mark == board.testColour && board.working[n] == 0) {
            if (!pathHasMark()) board.stillEnclosed = 0;
            pathPop();
            return;
        }
        if ((mark == board.testColour || mark == MARK_NONE) && !captured) {
            fillFromEmpty(nc, nr);
        } else if (mark != board.testColour && captured) {
            fillFromEmpty(nc, nr);
        }
    }
    pathPop();
}

// Appends one outline of the path entries first..last; a ring that does not fit
// the one-byte count or the list's remaining room is left out.
static void appendOutline(int first, int last) {
    int count = last - first + 1;
    int bytes = 1 + 2 * count;
    if (count > 255 || board.outlineEnd + bytes > OUTLINE_BYTES) return;
    uint8_t* record = board.outlines + board.outlineEnd;
    record[0] = (uint8_t)count;
    for (int i = 0; i < count; i++) {
        record[1 + 2 * i] = (uint8_t)(board.path[first + i][0] + 1);
        record[2 + 2 * i] = (uint8_t)(board.path[first + i][1] + 1);
    }
    board.outlineEnd += bytes;
    board.outlineCount++;
}

// Returns whether the node on top of the path was already on it lower down,
// recording the ring that this closes.
static bool closesRing(int column, int row) {
    int entries = board.pathLength / 2;
    for (int q = 0; q <= entries - 4; q++) {
        if (board.path[q][0] == column && board.path[q][1] == row) {
            appendOutline(q, entries - 2);
            return true;
        }
    }
    return false;
}

static bool isParentOnPath(int column, int row) {
    int entries = board.pathLength / 2;
    if (entries < 2) return false;
    return board.path[entries - 2][0] == column && board.path[entries - 2][1] == row;
}

void traceRing(int column, int row) {
    pathPush(column, row);
    if (closesRing(column, row)) {
        pathPop();
        return;
    }
    int mark = board.marks[nodeIndex(column, row)];
    for (int d = 0; d < 8; d++) {
        int nc = neighbourColumn(column, d);
        int nr = neighbourRow(row, d);
        if (nc == OFF_BOARD - 1 || nr == OFF_BOARD - 1) continue;
        if (isParentOnPath(nc, nr)) continue;
        int n = nodeIndex(nc, nr);
        if (board.captured[n] != 0) continue;
        if (mark != MARK_NONE && board.marks[n] == mark && !board.done[n]) traceRing(nc, nr);
    }
    pathPop();
    board.done[nodeIndex(column, row)] = 1;
}

void rebuildOutlines() {
    board.outlineCount = 0;
    board.outlineEnd = 0;
    memset(board.done, 0, sizeof board.done);
    board.pathLength = 0;
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int column = 0; column < BOARD_COLUMNS; column++) {
            int node = nodeIndex(column, row);
            if (board.marks[node] == MARK_NONE || board.done[node] || board.captured[node]) continue;
            traceRing(column, row);
        }
    }
}

}  // namespace oracle
