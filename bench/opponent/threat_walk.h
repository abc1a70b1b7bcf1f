// Every capture point of one side from a single depth-first walk over the
// nodes that side does not wall, rooted in the whole border: a node whose
// removal cuts part of the walk off the border captures the other side's live
// marks in that part. One walk gives every node's gain, where trying each
// node would cost a fill apiece. The benchmark's players share it; the game's
// opponent has its own way.
#pragma once
#include <cstdint>

#include "search_board.h"

struct Threats {
    int16_t gain[BOARD_NODES];  // what a mark of the side captures at each open node
    int first, firstNode;       // the largest gain and its lowest node (-1: none)
    int second, secondNode;     // the largest gain at any other node, and that node
};

void findThreats(const SearchBoard& b, int side, Threats& t);
