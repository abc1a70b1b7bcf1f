// Per-node facts the capture engine looks up instead of recomputing: the
// coordinates, whether the node is on the border, and its eight neighbours.
#pragma once
#include <cstdint>

#include "board.h"

const int NO_NODE = -1;  // a neighbour off the board

struct NodeTables {
    uint8_t column[BOARD_NODES];
    uint8_t row[BOARD_NODES];
    uint8_t border[BOARD_NODES];
    int16_t neighbour[BOARD_NODES][8];  // node in direction d (0..7 clockwise from up), or NO_NODE
};

// Filled once at start-up (node_tables.cpp) rather than stored in the
// program file.
extern const NodeTables NODE_TABLES;

// The path stack by node index. No search goes deeper than 476 entries, far
// below the stack's room.
inline void pushNode(Board& b, int node) {
    int entry = b.pathLength / 2;
    b.path[entry][0] = NODE_TABLES.column[node];
    b.path[entry][1] = NODE_TABLES.row[node];
    b.pathLength += 2;
    if (entry >= deepestPathEntries) deepestPathEntries = entry + 1;
}

inline void popNode(Board& b) { b.pathLength -= 2; }

inline int pathNode(const Board& b, int entry) { return nodeIndex(b.path[entry][0], b.path[entry][1]); }
