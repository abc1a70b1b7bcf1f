// Enclosure: which nodes are captured after a move. The procedure itself (scan
// orders, recursion order, visited kept between the two fills of one empty
// node's test, only the marks on the current path freed) decides the result,
// so it is followed step for step; only the bookkeeping is cheap: nodes by
// index, no recursion, visited cleared by one increment, the marks on the path
// counted as they are pushed instead of read again, and the steps whose outcome
// is certain taken at once.
#include "capture.h"

#include <cstring>

#include "board.h"
#include "node_tables.h"

// Up, right, down, left. The fills only step from nodes off the border, so
// these never leave the b.
static const int FILL_STEP[4] = {-1, BOARD_ROWS, 1, -BOARD_ROWS};

// While the engine runs, visited is kept as stamps: a node is visited when its
// stamp is the current generation, so clearing it is one increment. The grid in
// the Board is read in and written back around every call from outside.
static uint16_t visitedStamp[BOARD_NODES];
static uint16_t visitedGeneration = 1;

static bool isVisited(int node) { return visitedStamp[node] == visitedGeneration; }
static void setVisited(int node) { visitedStamp[node] = visitedGeneration; }

static void clearVisited() {
    if (++visitedGeneration != 0) return;
    memset(visitedStamp, 0, sizeof visitedStamp);
    visitedGeneration = 1;
}

static void loadVisited(const Board& b) {
    clearVisited();
    for (int node = 0; node < BOARD_NODES; node++) visitedStamp[node] = b.visited[node] ? visitedGeneration : 0;
}

static void storeVisited(Board& b) {
    for (int node = 0; node < BOARD_NODES; node++) b.visited[node] = isVisited(node);
}

static int otherColour(int colour) { return colour == MARK_RED ? MARK_BLUE : MARK_RED; }

// Whether any path entry from the bottom up to and including node holds a mark.
static int marksOnPathWith(const Board& b, int node) { return (pathHasMark(b) ? 1 : 0) + (b.marks[node] != MARK_NONE); }

// The fills walk depth first without recursion: each path entry keeps its node
// and the next direction it will try, so the order of the recursive steps
// (try up, right, down, left; return to the node below when all are tried) is
// kept exactly. pathLength is left as it was; the fill's entries are kept above
// it by node index only (entries below it, from a caller, stay in path).
static int16_t pathNodes[PATH_ENTRIES];
static uint8_t nextDirection[PATH_ENTRIES];
static int16_t marksOnPathAt[PATH_ENTRIES];  // empty-node fills: marks on entries 0..this one

static void enterNode(int entry, int node) {
    pathNodes[entry] = (int16_t)node;
    nextDirection[entry] = 0;
}

// The deepest entry of a fill is counted once, when it ends.
static void noteDepth(int highestEntry) {
    if (highestEntry >= deepestPathEntries) deepestPathEntries = highestEntry + 1;
}

// Reaching the border frees every mark of the tested colour on the way there
// (entries below base were pushed before this fill began).
static void freePathMarks(Board& b, int base, int entries) {
    for (int i = 0; i < entries; i++) {
        int node = i < base ? pathNode(b, i) : pathNodes[i];
        if (b.marks[node] == b.testColour) {
            b.working[node] = 0;
            b.done[node] = 1;
        }
    }
}

// Which nodes a mark fill of each colour enters. Nothing it depends on changes
// during pass 2 (the fills write working only at marks), so it is worked out
// once per recomputation for red and blue, and per fill for any other value.
static uint8_t markEnters[3][BOARD_NODES];  // red, blue, other

// A mark fill enters a node that holds its colour or no mark and is not
// captured, one of the other colour that is captured, or an empty one whose
// working is above 0. Written without branches so that it runs on vectors.
static void fillMarkEnters(const Board& b, uint8_t* enters, int colour) {
    int other = otherColour(colour);
    for (int node = 0; node < BOARD_NODES; node++) {
        int mark = b.marks[node];
        int captured = b.captured[node] != 0;
        int empty = mark == MARK_NONE;
        enters[node] = (uint8_t)((((mark == colour) | empty) & !captured) | ((mark == other) & captured) |
                                 (empty & (b.working[node] > 0)));
    }
}

static const uint8_t* markEntersFor(const Board& b, int colour) {
    if (colour == MARK_RED || colour == MARK_BLUE) return markEnters[colour - 1];
    fillMarkEnters(b, markEnters[2], colour);
    return markEnters[2];
}

static void markFill(Board& b, int start, const uint8_t* enters) {
    int base = b.pathLength / 2, top = base, highest = base;
    enterNode(top, start);
    noteDepth(top);
    if (NODE_TABLES.border[start]) {
        freePathMarks(b, base, top + 1);
        b.stillEnclosed = 0;
        return;
    }
    if (b.stillEnclosed == 0) return;
    setVisited(start);
    while (top >= base) {
        int d = nextDirection[top];
        if (d == 4) {
            top--;
            continue;
        }
        nextDirection[top] = (uint8_t)(d + 1);
        int next = pathNodes[top] + FILL_STEP[d];
        if (isVisited(next) || !enters[next]) continue;
        enterNode(++top, next);
        if (top > highest) highest = top;
        if (NODE_TABLES.border[next]) {
            freePathMarks(b, base, top + 1);
            b.stillEnclosed = 0;
            break;
        }
        setVisited(next);
    }
    noteDepth(highest);
}

void fillFromMark(int8_t column, int8_t row) {
    loadVisited(board);
    markFill(board, nodeIndex(column, row), markEntersFor(board, board.testColour));
    storeVisited(board);
}

static void freeTestedNode(Board& b, int base) {
    int node = base == 0 ? pathNodes[0] : pathNode(b, 0);
    b.working[node] = 0;
    b.done[node] = 1;
}

static bool emptyFillEnters(int mark, bool captured, int colour) {
    return ((mark == colour || mark == MARK_NONE) && !captured) || (mark != colour && captured);
}

// marksOnPath: how many path entries, the start's included, hold a mark.
static void emptyFill(Board& b, int start, int marksOnPath) {
    int base = b.pathLength / 2, top = base, highest = base;
    enterNode(top, start);
    noteDepth(top);
    marksOnPathAt[top] = (int16_t)marksOnPath;
    if (NODE_TABLES.border[start]) {
        b.stillEnclosed = 0;
        return;
    }
    if (b.stillEnclosed == 0) return;
    setVisited(start);
    int colour = b.testColour;
    while (top >= base) {
        int d = nextDirection[top];
        if (d == 4) {
            top--;
            continue;
        }
        nextDirection[top] = (uint8_t)(d + 1);
        int next = pathNodes[top] + FILL_STEP[d];
        if (isVisited(next)) continue;
        int mark = b.marks[next];
        // Empty nodes alone lead to an empty node already found free: so is this one.
        if (b.working[next] == 0 && mark == MARK_NONE && marksOnPathAt[top] == 0) {
            freeTestedNode(b, base);
            b.stillEnclosed = 0;
            break;
        }
        // A free mark of the tested colour: an escape only when reached over
        // empty nodes; otherwise only this node is abandoned.
        if (b.done[next] && mark == colour && b.working[next] == 0) {
            if (marksOnPathAt[top] == 0) {
                b.stillEnclosed = 0;
                break;
            }
            top--;
            continue;
        }
        if (!emptyFillEnters(mark, b.captured[next] != 0, colour)) continue;
        enterNode(++top, next);
        if (top > highest) highest = top;
        marksOnPathAt[top] = (int16_t)(marksOnPathAt[top - 1] + (mark != MARK_NONE));
        if (NODE_TABLES.border[next]) {
            b.stillEnclosed = 0;
            break;
        }
        setVisited(next);
    }
    noteDepth(highest);
}

void fillFromEmpty(int column, int row) {
    int node = nodeIndex(column, row);
    loadVisited(board);
    emptyFill(board, node, marksOnPathWith(board, node));
    storeVisited(board);
}

static int enclosureOfEmpty(Board& b, int column, int row) {
    int node = nodeIndex(column, row);
    int marksOnPath = marksOnPathWith(b, node);
    b.stillEnclosed = 1;
    b.testColour = MARK_RED;
    emptyFill(b, node, marksOnPath);
    if (b.stillEnclosed == 1) return ENCLOSED_BY_RED;
    // The second fill keeps the first one's visited nodes.
    b.stillEnclosed = 1;
    b.testColour = MARK_BLUE;
    emptyFill(b, node, marksOnPath);
    return b.stillEnclosed == 1 ? ENCLOSED_BY_BLUE : NOT_ENCLOSED;
}

int testEmptyNode(int column, int row) {
    loadVisited(board);
    int result = enclosureOfEmpty(board, column, row);
    storeVisited(board);
    return result;
}

static void startValues(Board& b) {
    for (int node = 0; node < BOARD_NODES; node++) {
        bool captured = b.captured[node] != 0;
        b.working[node] = captured ? (int8_t)b.captured[node] : 1;
        b.done[node] = captured ? 1 : 0;
    }
}

static void decideMarks(Board& b) {
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int node = row; node < BOARD_NODES; node += BOARD_ROWS) {
            if (b.marks[node] == MARK_NONE || b.done[node]) continue;
            b.stillEnclosed = 1;
            b.testColour = b.marks[node];
            clearVisited();
            markFill(b, node, markEntersFor(b, b.testColour));
            b.done[node] = 1;
        }
    }
}

// Most empty nodes are settled by the first step of each fill: on the border
// both fills escape at once without visiting anything; below an empty node
// already found free, both fills visit the node and end at step 5.2 on their
// first neighbour. Either way the node is free, as the full test would find.
static bool settledAtOnce(const Board& b, int node) {
    if (NODE_TABLES.border[node]) return true;
    int up = node - 1;
    if (b.working[up] != 0 || b.marks[up] != MARK_NONE) return false;
    setVisited(node);
    return true;
}

static void decideEmptyNodes(Board& b) {
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int node = row; node < BOARD_NODES; node += BOARD_ROWS) {
            if (b.marks[node] != MARK_NONE || b.done[node]) continue;
            clearVisited();
            if (settledAtOnce(b, node) || enclosureOfEmpty(b, NODE_TABLES.column[node], row) == NOT_ENCLOSED)
                b.working[node] = 0;
            b.done[node] = 1;
        }
    }
}

static void commitCaptures(Board& b) {
    for (int node = 0; node < BOARD_NODES; node++) {
        if (b.captured[node] == 0) b.captured[node] = (uint8_t)b.working[node];
    }
}

void recomputeCaptures(Board& b) {
    loadVisited(b);
    startValues(b);
    fillMarkEnters(b, markEnters[0], MARK_RED);
    fillMarkEnters(b, markEnters[1], MARK_BLUE);
    decideMarks(b);
    decideEmptyNodes(b);
    commitCaptures(b);
    storeVisited(b);
}

void recomputeCaptures() { recomputeCaptures(board); }
