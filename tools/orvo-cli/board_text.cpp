#include "board_text.h"

#include "board.h"

char nodeSymbol(int column, int row) {
    int node = nodeIndex(column, row);
    bool captured = board.captured[node] != 0;
    switch (board.marks[node]) {
        case MARK_RED: return captured ? 'r' : 'R';
        case MARK_BLUE: return captured ? 'b' : 'B';
        default: return captured ? 'x' : '.';
    }
}

static void printGrid(FILE* out) {
    fprintf(out, "   ");
    int lastTens = (BOARD_COLUMNS - 1) / 10 * 10;
    for (int column = 0; column <= lastTens; column++) fputc(column % 10 == 0 ? '0' + column / 10 : ' ', out);
    fprintf(out, "\n   ");
    for (int column = 0; column < BOARD_COLUMNS; column++) fputc('0' + column % 10, out);
    fputc('\n', out);
    for (int row = 0; row < BOARD_ROWS; row++) {
        fprintf(out, "%2d ", row);
        for (int column = 0; column < BOARD_COLUMNS; column++) fputc(nodeSymbol(column, row), out);
        fputc('\n', out);
    }
}

// Vertices are stored 1-based; they are shown as 0-based nodes like the moves.
static void printOutlines(FILE* out) {
    fprintf(out, "outlines: %d\n", (int)board.outlineCount);
    int at = 0;
    for (int i = 0; i < board.outlineCount; i++) {
        int count = board.outlines[at++];
        fprintf(out, " ");
        for (int v = 0; v < count; v++, at += 2) {
            fprintf(out, " %d,%d", board.outlines[at] - 1, board.outlines[at + 1] - 1);
        }
        fputc('\n', out);
    }
}

void printBoard(FILE* out) {
    printGrid(out);
    fprintf(out, "to move: %s\n", board.redToMove ? "red" : "blue");
    fprintf(out, "red score: %d\n", redScore());
    fprintf(out, "blue score: %d\n", blueScore());
    printOutlines(out);
}
