// Decides which nodes are captured and which rings of marks are outlined.
#pragma once
#include <cstdint>

#include "board.h"

void recomputeCaptures(Board& b);
void rebuildOutlines(Board& b);
// The same on the game's board.
void recomputeCaptures();
void rebuildOutlines();

// Steps of the two operations on the game's board, exposed for tests.
void fillFromMark(int8_t column, int8_t row);
int testEmptyNode(int column, int row);
void fillFromEmpty(int column, int row);
void traceRing(int column, int row);
