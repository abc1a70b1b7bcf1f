#include "move_text.h"

#include <cctype>
#include <cstdlib>

#include "board.h"

static bool parseNumber(const char* text, const char** end, int* value) {
    if (!isdigit((unsigned char)*text)) return false;
    char* stop;
    long parsed = strtol(text, &stop, 10);
    if (parsed > 1000) return false;
    *value = (int)parsed;
    *end = stop;
    return true;
}

bool parseMove(const char* text, int* column, int* row) {
    const char* at = text;
    if (!parseNumber(at, &at, column) || *at != ',') return false;
    if (!parseNumber(at + 1, &at, row)) return false;
    return *at == '\0';
}

const char* refusalReason(int column, int row) {
    if (column < 0 || column >= BOARD_COLUMNS || row < 0 || row >= BOARD_ROWS) return "off the board";
    int node = nodeIndex(column, row);
    if (board.marks[node] != MARK_NONE) return "the node holds a mark";
    if (board.captured[node] != 0) return "the node is captured";
    return nullptr;
}
