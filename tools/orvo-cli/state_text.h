// The game state as text: turn, scores, the grid and the outline list.
#pragma once
#include <cstdio>

// One character a node: '.' empty, 'x' captured empty, 'R'/'r' red,
// 'B'/'b' blue (lower case when captured), '?' a mark value the game never sets.
char nodeSymbol(int column, int row);

// Prints the whole state, ending with the line "end".
void printState(FILE* out);
