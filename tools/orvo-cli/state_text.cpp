#include "state_text.h"

#include "board.h"

char nodeSymbol(int column, int row) {
    int node = nodeIndex(column, row);
    bool captured = board.captured[node] != 0;
    switch (board.marks[node]) {
    case MARK_NONE:
        return captured ? 'x' : '.';
    case MARK_RED:
        return captured ? 'r' : 'R';
    case MARK_BLUE:
        return captured ? 'b' : 'B';
    default:
        return '?';
    }
}

static void printGrid(FILE* out) {
    char line[BOARD_COLUMNS + 2];
    for (int row = 0; row < BOARD_ROWS; row++) {
        for (int column = 0; column < BOARD_COLUMNS; column++) line[column] = nodeSymbol(column, row);
        line[BOARD_COLUMNS] = '\n';
        line[BOARD_COLUMNS + 1] = '\0';
        fputs(line, out);
    }
}

// Vertices as stored: 1-based column, then 1-based row.
static void printOutlines(FILE* out) {
    fprintf(out, "outlines %d\n", (int)board.outlineCount);
    int at = 0;
    for (int i = 0; i < board.outlineCount; i++) {
        int count = board.outlines[at++];
        fprintf(out, "%d", count);
        for (int v = 0; v < count; v++, at += 2) fprintf(out, " %d,%d", board.outlines[at], board.outlines[at + 1]);
        fputc('\n', out);
    }
}

void printState(FILE* out) {
    fprintf(out, "turn %s\n", board.redToMove ? "red" : "blue");
    fprintf(out, "scores red %d blue %d\n", redScore(), blueScore());
    printGrid(out);
    printOutlines(out);
    fputs("end\n", out);
}
