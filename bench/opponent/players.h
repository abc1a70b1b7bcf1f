// Baseline players for the opponent benchmark, outside the game: a greedy
// player, a careful player that plays as a person who
// watches threats would, and an alpha-beta searcher on a time limit.
#pragma once
#include <cstdint>

#include "board.h"
#include "search_board.h"

int greedyMove(const Board& b, uint32_t* seed);
int carefulMove(const Board& b, uint32_t* seed);
// Searches until cpuMs of processor time are spent; depthReached gets the
// depth of the last completed iteration.
int searcherMove(const Board& b, double cpuMs, int* depthReached);

double cpuMs();

// Marks of the other side that a mark of `side` at node captures at once.
inline int gainFor(SearchBoard& b, int node, int side) {
    bool flip = sideToMove(b) != side;
    b.redToMove ^= flip;
    int before = b.lostMarks[otherSide(side)];
    int taken = playSearchMove(b, node);
    int gain = b.lostMarks[otherSide(side)] - before;
    undoSearchMove(b, node, taken);
    b.redToMove ^= flip;
    return gain;
}

// Whether a live mark stands within `reach` steps (any of the eight directions).
bool liveMarkNear(const SearchBoard& b, int node, int reach);
// Live marks next to node: 2 for each of side's, which link walls, and 3 for
// each of the other side's, which press on them (straightBonus more when
// straight next to it).
int pressureAround(const SearchBoard& b, int node, int side, int straightBonus);
