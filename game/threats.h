// What one side could capture: the cut nodes of the board's open space as the
// other side's fill sees it. A mark of the side at a cut node captures the
// other side's live marks beyond it at once. A mark that one free node cuts
// off is threatened: only a mark of its own side there saves it. One that two
// or more free nodes each cut off is dead: one move blocks one of them only.
#pragma once
#include <cstdint>

#include "search_board.h"

struct Threats {
    uint8_t gain[BOARD_NODES];  // the other side's live marks a mark here captures at once
    uint8_t cuts[BOARD_NODES];  // per node reached: the free nodes that each cut it off (2: two or more)
    int16_t deadMarks;          // the other side's live marks cut off at two nodes or more
    int16_t threatenedMarks;    // those cut off at one node
    int16_t bestNode;           // the first node of the largest gain (-1: none)
    // The threats that a block can stop: the largest capture of threatened
    // marks, its node, and the largest at any other node.
    int16_t threat, threatNode, secondThreat;
};

void findThreats(const SearchBoard& b, int side, Threats& out);
