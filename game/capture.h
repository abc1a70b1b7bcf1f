// Decides which nodes are captured.
#pragma once
#include <cstdint>

#include "board.h"

void recomputeCaptures(Board& b);
// The same on the game's board.
void recomputeCaptures();

// Steps of the two operations on the game's board, exposed for tests.
void fillFromMark(int8_t column, int8_t row);
// What encloses an empty node: the marks of one side, or nothing.
const int NOT_ENCLOSED = 0;
const int ENCLOSED_BY_BLUE = 1;
const int ENCLOSED_BY_RED = 2;
int testEmptyNode(int column, int row);
void fillFromEmpty(int column, int row);
