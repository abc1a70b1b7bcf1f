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
// these never leave the board.
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

static void loadVisited() {
    clearVisited();
    for (int node = 0; node < BOARD_NODES; node++) visitedStamp[node] = board.visited[node] ? visitedGeneration : 0;
}

static void storeVisited() {
    for (int node = 0; node < BOARD_NODES; node++) board.visited[node] = isVisited(node);
}

static int otherColour(int colour) { return colour == MARK_RED ? MARK_BLUE : MARK_RED; }

// Whether any path entry from the bottom up to and including node holds a mark.
static int marksOnPathWith(int node) { return (pathHasMark() ? 1 : 0) + (board.marks[node] != MARK_NONE); }

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
static void freePathMarks(int base, int entries) {
    for (int i = 0; i < entries; i++) {
        int node = i < base ? pathNode(i) : pathNodes[i];
        if (board.marks[node] == board.testColour) {
            board.working[node] = 0;
            board.done[node] = 1;
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
static void fillMarkEnters(uint8_t* enters, int colour) {
    int other = otherColour(colour);
    for (int node = 0; node < BOARD_NODES; node++) {
        int mark = board.marks[node];
        int captured = board.captured[node] != 0;
        int empty = mark == MARK_NONE;
        enters[node] = (uint8_t)((((mark == colour) | empty) & !captured) | ((mark == other) & captured) |
                                 (empty & (board.working[node] > 0)));
    }
}

static const uint8_t* markEntersFor(int colour) {
    if (colour == MARK_RED || colour == MARK_BLUE) return markEnters[colour - 1];
    fillMarkEnters(markEnters[2], colour);
    return markEnters[2];
}

static void markFill(int start, const uint8_t* enters) {
    int base = board.pathLength / 2, top = base, highest = base;
    enterNode(top, start);
    noteDepth(top);
    if (NODE_TABLES.border[start]) {
        freePathMarks(base, top + 1);
        board.stillEnclosed = 0;
        return;
    }
    if (board.stillEnclosed == 0) return;
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
            freePathMarks(base, top + 1);
            board.stillEnclosed = 0;
            break;
        }
        setVisited(next);
    }
    noteDepth(highest);
}

void fillFromMark(int8_t column, int8_t row) {
    loadVisited();
    markFill(nodeIndex(column, row), markEntersFor(board.testColour));
    storeVisited();
}

static void freeTestedNode(int base) {
    int node = base == 0 ? pathNodes[0] : pathNode(0);
    board.working[node] = 0;
    board.done[node] = 1;
}

static bool emptyFillEnters(int mark, bool captured, int colour) {
    return ((mark == colour || mark == MARK_NONE) && !captured) || (mark != colour && captured);
}

// marksOnPath: how many path entries, the start's included, hold a mark.
static void emptyFill(int start, int marksOnPath) {
    int base = board.pathLength / 2, top = base, highest = base;
    enterNode(top, start);
    noteDepth(top);
    marksOnPathAt[top] = (int16_t)marksOnPath;
    if (NODE_TABLES.border[start]) {
        board.stillEnclosed = 0;
        return;
    }
    if (board.stillEnclosed == 0) return;
    setVisited(start);
    int colour = board.testColour;
    while (top >= base) {
        int d = nextDirection[top];
        if (d == 4) {
            top--;
            continue;
        }
        nextDirection[top] = (uint8_t)(d + 1);
        int next = pathNodes[top] + FILL_STEP[d];
        if (isVisited(next)) continue;
        int mark = board.marks[next];
        // Empty nodes alone lead to an empty node already found free: so is this one.
        if (board.working[next] == 0 && mark == MARK_NONE && marksOnPathAt[top] == 0) {
            freeTestedNode(base);
            board.stillEnclosed = 0;
            break;
        }
        // A free mark of the tested colour: an escape only when reached over
        // empty nodes; otherwise only this node is abandoned.
        if (board.done[next] && mark == colour && board.working[next] == 0) {
            if (marksOnPathAt[top] == 0) {
                board.stillEnclosed = 0;
                break;
            }
            top--;
            continue;
        }
        if (!emptyFillEnters(mark, board.captured[next] != 0, colour)) continue;
        enterNode(++top, next);
        if (top > highest) highest = top;
        marksOnPathAt[top] = (int16_t)(marksOnPathAt[top - 1] + (mark != MARK_NONE));
        if (NODE_TABLES.border[next]) {
            board.stillEnclosed = 0;
            break;
        }
        setVisited(next);
    }
    noteDepth(highest);
}

void fillFromEmpty(int column, int row) {
    int node = nodeIndex(column, row);
    loadVisited();
    emptyFill(node, marksOnPathWith(node));
    storeVisited();
}

static int emptyNodeTest(int column, int row) {
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

int testEmptyNode(int column, int row) {
    loadVisited();
    int result = emptyNodeTest(column, row);
    storeVisited();
    return result;
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
            markFill(node, markEntersFor(board.testColour));
            board.done[node] = 1;
        }
    }
}

// Most empty nodes are settled by the first step of each fill: on the border
// both fills escape at once without visiting anything; below an empty node
// already found free, both fills visit the node and end at step 5.2 on their
// first neighbour. Either way the node is free, as the full test would find.
static bool settledAtOnce(int node) {
    if (NODE_TABLES.border[node]) return true;
    int up = node - 1;
    if (board.working[up] != 0 || board.marks[up] != MARK_NONE) return false;
    setVisited(node);
    return true;
}

static void decideEmptyNodes() {
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int node = row; node < BOARD_NODES; node += BOARD_ROWS) {
            if (board.marks[node] != MARK_NONE || board.done[node]) continue;
            clearVisited();
            if (settledAtOnce(node) || emptyNodeTest(NODE_TABLES.column[node], row) == 0) board.working[node] = 0;
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
    loadVisited();
    startValues();
    fillMarkEnters(markEnters[0], MARK_RED);
    fillMarkEnters(markEnters[1], MARK_BLUE);
    decideMarks();
    decideEmptyNodes();
    commitCaptures();
    storeVisited();
}
