// The black outlines of closed rings of one player's live marks.
#pragma once

#include "board.h"

void rebuildOutlines(Board& b);
// The same on the game's board.
void rebuildOutlines();

// A step of the rebuild on the game's board, exposed for tests.
void traceRing(int column, int row);
