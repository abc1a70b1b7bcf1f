// Enclosure: which nodes are captured after a move, and which rings of marks
// are outlined. Fills step orthogonally; the ring search steps in all eight
// directions.
#include "capture.h"

#include <cstring>

#include "board.h"

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
