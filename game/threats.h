// What one side could capture: the cut nodes of the board's open space as the
// other side's fill sees it. A live mark of the other side that one free node
// cuts off from the border is threatened: a mark there captures it, and only
// a mark of its own there saves it. One that two or more free nodes each cut
// off is dead: one move blocks one of them only.
#pragma once
#include <cstdint>

#include "search_board.h"

struct Threats {
    uint8_t gain[BOARD_NODES];  // threatened marks a mark of the side here captures at once
    uint8_t cuts[BOARD_NODES];  // per node reached: the free nodes that each cut it off
    int16_t deadMarks;          // the other side's live marks cut off at two nodes or more
    int16_t best, bestNode;     // the largest gain and the first node with it (-1: none)
    int16_t second;             // the largest gain at any other node
};

void findThreats(const SearchBoard& b, int side, Threats& out);
