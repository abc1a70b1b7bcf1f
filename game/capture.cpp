// Enclosure: which nodes are captured after a move. The procedure itself (scan
// orders, recursion order, visited kept between the two fills of one empty
// node's test, only the marks on the current path freed) decides the result,
// so it is followed step for step; only the bookkeeping is cheap: nodes by
// index, visited cleared where it was set, the marks on the path counted as
// they are pushed instead of read again.
#include "capture.h"

#include <cstring>

#include "board.h"
#include "node_tables.h"

// Up, right, down, left. The fills only step from nodes off the border, so
// these never leave the board.
static const int FILL_STEP[4] = {-1, BOARD_ROWS, 1, -BOARD_ROWS};

// Nodes set in visited since it was last cleared; when the list is full the
// next clear falls back to clearing everything.
static int16_t visitedNodes[BOARD_NODES];
static int visitedCount;

static void setVisited(int node) {
    board.visited[node] = 1;
    if (visitedCount < BOARD_NODES) visitedNodes[visitedCount++] = (int16_t)node;
}

static void clearVisited() {
    if (visitedCount == BOARD_NODES) {
        memset(board.visited, 0, sizeof board.visited);
    } else {
        for (int i = 0; i < visitedCount; i++) board.visited[visitedNodes[i]] = 0;
    }
    visitedCount = 0;
}

static int otherColour(int colour) { return colour == MARK_RED ? MARK_BLUE : MARK_RED; }

// Whether any path entry from the bottom up to and including node holds a mark.
static int marksOnPathWith(int node) { return (pathHasMark() ? 1 : 0) + (board.marks[node] != MARK_NONE); }

// Reaching the border frees every mark of the tested colour on the way there.
static void freePathMarks() {
    int entries = board.pathLength / 2;
    for (int i = 0; i < entries; i++) {
        int node = pathNode(i);
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

static void markFill(int node) {
    pushNode(node);
    if (NODE_TABLES.border[node]) {
        freePathMarks();
        board.stillEnclosed = 0;
        popNode();
        return;
    }
    if (board.stillEnclosed == 0) {
        popNode();
        return;
    }
    setVisited(node);
    for (int d = 0; d < 4 && board.stillEnclosed != 0; d++) {
        int next = node + FILL_STEP[d];
        if (!board.visited[next] && markFillEnters(next)) markFill(next);
    }
    popNode();
}

void fillFromMark(int8_t column, int8_t row) { markFill(nodeIndex(column, row)); }

static void freeTestedNode() {
    int node = pathNode(0);
    board.working[node] = 0;
    board.done[node] = 1;
}

// marksOnPath: how many path entries, this node's included, hold a mark.
static void emptyFill(int node, int marksOnPath) {
    pushNode(node);
    if (NODE_TABLES.border[node]) {
        board.stillEnclosed = 0;
        popNode();
        return;
    }
    if (board.stillEnclosed == 0) {
        popNode();
        return;
    }
    setVisited(node);
    int colour = board.testColour;
    for (int d = 0; d < 4 && board.stillEnclosed != 0; d++) {
        int next = node + FILL_STEP[d];
        if (board.visited[next]) continue;
        int mark = board.marks[next];
        bool captured = board.captured[next] != 0;
        // Empty nodes alone lead to an empty node already found free: so is this one.
        if (board.working[next] == 0 && mark == MARK_NONE && marksOnPath == 0) {
            freeTestedNode();
            board.stillEnclosed = 0;
            popNode();
            return;
        }
        // A free mark of the tested colour: an escape only when reached over empty nodes.
        if (board.done[next] && mark == colour && board.working[next] == 0) {
            if (marksOnPath == 0) board.stillEnclosed = 0;
            popNode();
            return;
        }
        bool passable = ((mark == colour || mark == MARK_NONE) && !captured) || (mark != colour && captured);
        if (passable) emptyFill(next, marksOnPath + (mark != MARK_NONE));
    }
    popNode();
}

void fillFromEmpty(int column, int row) {
    int node = nodeIndex(column, row);
    emptyFill(node, marksOnPathWith(node));
}

int testEmptyNode(int column, int row) {
    int node = nodeIndex(column, row);
    int marksOnPath = marksOnPathWith(node);
    board.stillEnclosed = 1;
    board.testColour = MARK_RED;
    emptyFill(node, marksOnPath);
    if (board.stillEnclosed == 1) return 2;
    // The second fill keeps the first one's visited nodes.
    board.stillEnclosed = 1;
    board.testColour = MARK_BLUE;
    emptyFill(node, marksOnPath);
    return board.stillEnclosed == 1 ? 1 : 0;
}

static void startValues() {
    for (int node = 0; node < BOARD_NODES; node++) {
        bool captured = board.captured[node] != 0;
        board.working[node] = captured ? (int8_t)board.captured[node] : 1;
        board.done[node] = captured ? 1 : 0;
    }
}

static void decideMarks() {
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int node = row; node < BOARD_NODES; node += BOARD_ROWS) {
            if (board.marks[node] == MARK_NONE || board.done[node]) continue;
            board.stillEnclosed = 1;
            board.testColour = board.marks[node];
            clearVisited();
            markFill(node);
            board.done[node] = 1;
        }
    }
}

static void decideEmptyNodes() {
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int node = row; node < BOARD_NODES; node += BOARD_ROWS) {
            if (board.marks[node] != MARK_NONE || board.done[node]) continue;
            clearVisited();
            if (testEmptyNode(NODE_TABLES.column[node], row) == 0) board.working[node] = 0;
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
    // Anything may have written visited since the last run: start from a clean grid.
    memset(board.visited, 0, sizeof board.visited);
    visitedCount = 0;
    startValues();
    decideMarks();
    decideEmptyNodes();
    commitCaptures();
}
