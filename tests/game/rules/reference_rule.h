// The enclosure rule stated plainly, as a breadth-first search, to check the
// engine against: a mark is captured once it cannot reach the border without
// crossing the other side's live marks; an empty node once it cannot reach the
// border without crossing one side's live marks.
#pragma once
#include <cstdint>
#include <cstring>

#include "board.h"

// Whether node can reach the border through nodes that are not live marks of wall.
inline bool reachesBorderAvoiding(int start, uint8_t wall, const uint8_t* capturedBefore) {
    bool seen[BOARD_NODES] = {};
    int queue[BOARD_NODES];
    int head = 0, tail = 0;
    queue[tail++] = start;
    seen[start] = true;
    while (head < tail) {
        int node = queue[head++];
        int column = node / BOARD_ROWS, row = node % BOARD_ROWS;
        if (column == 0 || row == 0 || column == BOARD_COLUMNS - 1 || row == BOARD_ROWS - 1) return true;
        const int dc[4] = {0, 1, 0, -1}, dr[4] = {-1, 0, 1, 0};
        for (int d = 0; d < 4; d++) {
            int next = nodeIndex(column + dc[d], row + dr[d]);
            if (seen[next]) continue;
            if (board.marks[next] == wall && !capturedBefore[next]) continue;
            seen[next] = true;
            queue[tail++] = next;
        }
    }
    return false;
}

// Captured grid the rule gives after a move, from the grid before it.
inline void referenceCaptures(const uint8_t* capturedBefore, uint8_t* result) {
    for (int node = 0; node < BOARD_NODES; node++) {
        uint8_t mark = board.marks[node];
        if (capturedBefore[node]) {
            result[node] = 1;
        } else if (mark != MARK_NONE) {
            uint8_t other = mark == MARK_RED ? MARK_BLUE : MARK_RED;
            result[node] = !reachesBorderAvoiding(node, other, capturedBefore);
        } else {
            result[node] = !reachesBorderAvoiding(node, MARK_RED, capturedBefore) ||
                           !reachesBorderAvoiding(node, MARK_BLUE, capturedBefore);
        }
    }
}
