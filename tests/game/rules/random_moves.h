// Seeded random moves for the rules tests and the move benchmark: the same
// seed gives the same games everywhere.
#pragma once
#include <cstdint>

#include "board.h"

inline uint32_t nextRandom(uint32_t* seed) {
    *seed = *seed * 1103515245u + 12345u;
    return *seed >> 8;
}

// A node that takes a mark, chosen at random; -1 when the board is full.
inline int randomFreeNode(uint32_t* seed) {
    int freeNodes[BOARD_NODES], count = 0;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (!board.marks[node] && !board.captured[node]) freeNodes[count++] = node;
    }
    return count ? freeNodes[nextRandom(seed) % count] : -1;
}
