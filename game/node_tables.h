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

constexpr NodeTables buildNodeTables() {
    const int columnStep[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    const int rowStep[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
    NodeTables tables{};
    for (int node = 0; node < BOARD_NODES; node++) {
        int column = node / BOARD_ROWS, row = node % BOARD_ROWS;
        tables.column[node] = (uint8_t)column;
        tables.row[node] = (uint8_t)row;
        tables.border[node] = column == 0 || column == BOARD_COLUMNS - 1 || row == 0 || row == BOARD_ROWS - 1;
        for (int d = 0; d < 8; d++) {
            int nc = column + columnStep[d], nr = row + rowStep[d];
            bool onBoard = nc >= 0 && nc < BOARD_COLUMNS && nr >= 0 && nr < BOARD_ROWS;
            tables.neighbour[node][d] = (int16_t)(onBoard ? nc * BOARD_ROWS + nr : NO_NODE);
        }
    }
    return tables;
}

inline constexpr NodeTables NODE_TABLES = buildNodeTables();

// The path stack by node index, as pathPush and pathPop.
inline void pushNode(Board& b, int node) {
    int entry = b.pathLength / 2;
    b.path[entry][0] = NODE_TABLES.column[node];
    b.path[entry][1] = NODE_TABLES.row[node];
    b.pathLength += 2;
    if (entry >= deepestPathEntries) deepestPathEntries = entry + 1;
}

inline void popNode(Board& b) { b.pathLength -= 2; }

inline int pathNode(const Board& b, int entry) { return nodeIndex(b.path[entry][0], b.path[entry][1]); }
