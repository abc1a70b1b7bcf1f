// The search's move: only a region that touched the new mark can lose its way
// to the border, and only when the mark splits the ring of its eight
// neighbours into two or more open stretches.
#include "search_board.h"

#include <cstring>

#include "node_tables.h"

static uint32_t markKeys[3][BOARD_NODES];  // [0]: captured
static uint32_t sideKey;

static uint32_t seen[BOARD_NODES];
static uint32_t seenStamp;
static int16_t regionNodes[BOARD_NODES];
// Nodes captured by the moves played since the position was loaded: one line
// of moves captures each node once at most.
static int16_t capturedStack[BOARD_NODES];
static int capturedTop;

static void makeKeys() {
    if (sideKey) return;
    uint32_t x = 2463534242u;
    for (int i = 0; i <= 3 * BOARD_NODES; i++) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        if (i < 3 * BOARD_NODES)
            markKeys[i / BOARD_NODES][i % BOARD_NODES] = x;
        else
            sideKey = x | 1;
    }
}

// Sets (or clears) the bit of node in the ring of each of its neighbours.
static void markRings(uint8_t* rings, int node, bool set) {
    for (int d = 0; d < 8; d++) {
        int next = NODE_TABLES.neighbour[node][d];
        if (next == NO_NODE) continue;
        unsigned bit = 1u << ((d + 4) & 7);
        rings[next] = (uint8_t)(set ? rings[next] | bit : rings[next] & ~bit);
    }
}

// A live mark walls against its own side and is live; once captured it walls
// against the other side instead.
static void ringsOfMark(SearchBoard& b, int node, bool live, bool set) {
    int mark = b.marks[node];
    markRings(live ? b.liveAround : b.wallsAround[otherSide(mark)], node, set);
    if (live) markRings(b.wallsAround[mark], node, set);
}

static void loadRings(SearchBoard& b) {
    memset(b.liveAround, 0, sizeof b.liveAround);
    memset(b.wallsAround, 0, sizeof b.wallsAround);
    for (int node = 0; node < BOARD_NODES; node++) {
        if (b.marks[node]) ringsOfMark(b, node, !b.captured[node], true);
    }
}

void loadSearchBoard(SearchBoard& to, const Board& from) {
    makeKeys();
    capturedTop = 0;
    memcpy(to.marks, from.marks, BOARD_NODES);
    memcpy(to.captured, from.captured, BOARD_NODES);
    to.redToMove = from.redToMove ? 1 : 0;
    to.lostMarks[MARK_RED] = to.lostMarks[MARK_BLUE] = 0;
    to.key = to.redToMove ? sideKey : 0;
    for (int node = 0; node < BOARD_NODES; node++) {
        int mark = to.marks[node] <= MARK_BLUE ? to.marks[node] : MARK_NONE;
        to.marks[node] = (uint8_t)mark;
        to.key ^= mark ? markKeys[mark][node] : 0;
        if (!to.captured[node]) continue;
        to.captured[node] = 1;
        to.key ^= markKeys[0][node];
        if (mark) to.lostMarks[mark]++;
    }
    loadRings(to);
}

static void refreshStamps() {
    if (seenStamp < 0xFFFFFFF0u) return;
    memset(seen, 0, sizeof seen);
    seenStamp = 0;
}

// Fills from start through what side does not wall; returns the number of
// nodes found when the fill stays off the border, or 0 when it reaches the
// border or a region of this move that did (stamps from `firstStamp` on).
static int enclosedRegion(const SearchBoard& b, int start, int side, uint32_t firstStamp) {
    uint32_t stamp = ++seenStamp;
    int count = 0, top = 0;
    static int16_t stack[BOARD_NODES];
    stack[top++] = (int16_t)start;
    seen[start] = stamp;
    while (top > 0) {
        int node = stack[--top];
        regionNodes[count++] = (int16_t)node;
        for (int d = 0; d < 8; d += 2) {
            int next = NODE_TABLES.neighbour[node][d];
            if (seen[next] == stamp || wallsAgainst(b, next, side)) continue;
            if (seen[next] >= firstStamp || NODE_TABLES.border[next]) return 0;
            seen[next] = stamp;
            stack[top++] = (int16_t)next;
        }
    }
    return count;
}

static int captureRegion(SearchBoard& b, int count) {
    int taken = 0;
    for (int i = 0; i < count; i++) {
        int node = regionNodes[i];
        if (b.captured[node]) continue;
        b.captured[node] = 1;
        b.key ^= markKeys[0][node];
        if (b.marks[node]) {
            b.lostMarks[b.marks[node]]++;
            ringsOfMark(b, node, true, false);
            ringsOfMark(b, node, false, true);
        }
        capturedStack[capturedTop++] = (int16_t)node;
        taken++;
    }
    return taken;
}

// Runs the fills of a mark of side just placed at node; for each region they
// enclose, visit(count) is called while regionNodes holds it.
template <typename Visit>
static void enclosedRegions(const SearchBoard& b, int node, int side, Visit visit) {
    if (!wallsSplitRing(b, node, side)) return;
    refreshStamps();
    uint32_t firstStamp = seenStamp + 1;
    for (int d = 0; d < 8; d += 2) {
        int next = NODE_TABLES.neighbour[node][d];
        if (next == NO_NODE || seen[next] >= firstStamp || wallsAgainst(b, next, side)) continue;
        if (NODE_TABLES.border[next]) continue;
        int count = enclosedRegion(b, next, side, firstStamp);
        if (count) visit(count);
    }
}

int capturesAt(SearchBoard& b, int node, int side) {
    int other = otherSide(side), taken = 0;
    b.marks[node] = (uint8_t)side;
    enclosedRegions(b, node, side, [&](int count) {
        for (int i = 0; i < count; i++) taken += b.marks[regionNodes[i]] == other && !b.captured[regionNodes[i]];
    });
    b.marks[node] = MARK_NONE;
    return taken;
}

int playSearchMove(SearchBoard& b, int node) {
    int side = sideToMove(b);
    b.marks[node] = (uint8_t)side;
    b.redToMove ^= 1;
    b.key ^= markKeys[side][node] ^ sideKey;
    ringsOfMark(b, node, true, true);
    int taken = 0;
    enclosedRegions(b, node, side, [&](int count) { taken += captureRegion(b, count); });
    return taken;
}

void undoSearchMove(SearchBoard& b, int node, int capturedCount) {
    for (; capturedCount > 0; capturedCount--) {
        int back = capturedStack[--capturedTop];
        b.captured[back] = 0;
        b.key ^= markKeys[0][back];
        if (b.marks[back]) {
            b.lostMarks[b.marks[back]]--;
            ringsOfMark(b, back, false, false);
            ringsOfMark(b, back, true, true);
        }
    }
    ringsOfMark(b, node, true, false);
    int side = b.marks[node];
    b.marks[node] = MARK_NONE;
    b.redToMove ^= 1;
    b.key ^= markKeys[side][node] ^ sideKey;
}

void passSearchMove(SearchBoard& b) {
    b.redToMove ^= 1;
    b.key ^= sideKey;
}
