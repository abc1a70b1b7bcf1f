// Outlines: a depth-first walk over each group of live same-colour marks,
// joined in all eight directions; every step back onto the path, other than
// to the node just left, closes a ring that is recorded. Where a node stands
// on the path is kept per node, so the ring check is one look-up.
#include <cstring>

#include "board.h"
#include "capture.h"
#include "outline.h"
#include "node_tables.h"

// Path entry + 1 of each node on the walk's path, 0 for the others. A node is
// on the path at most once below the top: the walk enters only nodes not yet
// done, and a node that would re-enter closes a ring and is popped at once.
static uint16_t pathEntryOf[BOARD_NODES];

// Appends one outline of the path entries first..last; a ring that does not fit
// the one-byte count or the list's remaining room is left out.
static void appendOutline(Board& b, int first, int last) {
    int count = last - first + 1;
    int bytes = 1 + 2 * count;
    if (count > 255 || b.outlineEnd + bytes > OUTLINE_BYTES) return;
    uint8_t* record = b.outlines + b.outlineEnd;
    record[0] = (uint8_t)count;
    for (int i = 0; i < count; i++) {
        record[1 + 2 * i] = (uint8_t)(b.path[first + i][0] + 1);
        record[2 + 2 * i] = (uint8_t)(b.path[first + i][1] + 1);
    }
    b.outlineEnd += bytes;
    b.outlineCount++;
}

// parent: the node this one was entered from, or NO_NODE.
static void trace(Board& b, int node, int parent) {
    int entry = b.pathLength / 2;
    pushNode(b, node);
    if (pathEntryOf[node] != 0) {
        // Neither the parent nor its parent can be this node, so the ring has
        // at least three marks.
        appendOutline(b, pathEntryOf[node] - 1, entry - 1);
        popNode(b);
        return;
    }
    pathEntryOf[node] = (uint16_t)(entry + 1);
    int mark = b.marks[node];
    for (int d = 0; d < 8; d++) {
        int next = NODE_TABLES.neighbour[node][d];
        if (next == NO_NODE || b.marks[next] != mark || mark == MARK_NONE) continue;
        if (next == parent || b.captured[next] != 0 || b.done[next]) continue;
        trace(b, next, node);
    }
    pathEntryOf[node] = 0;
    popNode(b);
    b.done[node] = 1;
}

// For a walk started on a path that already holds entries: those count too.
static void markPathEntries(const Board& b, bool onPath) {
    int entries = b.pathLength / 2;
    for (int i = entries - 1; i >= 0; i--) pathEntryOf[pathNode(b, i)] = onPath ? (uint16_t)(i + 1) : 0;
}

void traceRing(int column, int row) {
    int entries = board.pathLength / 2;
    int parent = entries > 0 ? pathNode(board, entries - 1) : NO_NODE;
    markPathEntries(board, true);
    trace(board, nodeIndex(column, row), parent);
    markPathEntries(board, false);
}

void rebuildOutlines(Board& b) {
    b.outlineCount = 0;
    b.outlineEnd = 0;
    memset(b.done, 0, sizeof b.done);
    b.pathLength = 0;
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int node = row; node < BOARD_NODES; node += BOARD_ROWS) {
            if (b.marks[node] == MARK_NONE || b.done[node] || b.captured[node]) continue;
            trace(b, node, NO_NODE);
        }
    }
}

void rebuildOutlines() { rebuildOutlines(board); }
