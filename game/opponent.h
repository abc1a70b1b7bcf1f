// The computer opponent: a move for the side to move, found by playing moves
// on a copy of the position. The same position and level give the same move.
#pragma once
#include "board.h"

const int LEVEL_EASY = 1;
const int LEVEL_NORMAL = 2;
const int LEVEL_HARD = 3;

// Milliseconds from any start; the search gives up at a level's time cap, a
// safety net that only a machine far slower than intended ever reaches.
typedef unsigned (*MillisecondClock)();

// The node (column * 19 + row) of a free, uncaptured node for the side to move
// of position at level 1..3, or -1 when there is none. clock may be null.
int chooseMove(const Board& position, int level, MillisecondClock clock);

// Figures of the last chooseMove, for benchmarks and tests: the depth of the
// last search that was completed, and the positions it evaluated.
extern int searchDepthReached;
extern int searchPositions;
