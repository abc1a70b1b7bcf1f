// The node tables, computed by the program's static initialisation.
#include "node_tables.h"

static NodeTables buildNodeTables() {
    NodeTables tables{};
    for (int node = 0; node < BOARD_NODES; node++) {
        int column = node / BOARD_ROWS, row = node % BOARD_ROWS;
        tables.column[node] = (uint8_t)column;
        tables.row[node] = (uint8_t)row;
        tables.border[node] = column == 0 || column == BOARD_COLUMNS - 1 || row == 0 || row == BOARD_ROWS - 1;
        for (int d = 0; d < 8; d++) {
            // The board's own stepping, on 1-based coordinates.
            int nc = stepColumn(column + 1, d), nr = stepRow(row + 1, d);
            bool onBoard = nc != OFF_BOARD && nr != OFF_BOARD;
            tables.neighbour[node][d] = (int16_t)(onBoard ? nodeIndex(nc - 1, nr - 1) : NO_NODE);
        }
    }
    return tables;
}

const NodeTables NODE_TABLES = buildNodeTables();
