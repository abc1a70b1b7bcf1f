// The rules engine as first written, on a Board of its own: the oracle for
// the engine in game/ (same procedure, same results, slower).
#pragma once
#include <cstdint>

#include "board.h"

namespace oracle {

extern Board board;

int stepColumn(int c1, int d);
int stepRow(int r1, int d);
void pathPush(int column, int row);
void pathPop();
bool pathHasMark();
bool placeMark(int column, int row);
void newGame();
int redScore();
int blueScore();

void recomputeCaptures();
void rebuildOutlines();
void fillFromMark(int8_t column, int8_t row);
int testEmptyNode(int column, int row);
void fillFromEmpty(int column, int row);
void traceRing(int column, int row);

}  // namespace oracle
