// The node tables, computed by the program's static initialisation.
#include "node_tables.h"

static NodeTables buildNodeTables() {
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

const NodeTables NODE_TABLES = buildNodeTables();
