// The board as text: the grid, the mover, both scores and the outlines.
#pragma once
#include <cstdio>

// One character a node: '.' free, 'R'/'B' live marks, 'r'/'b' captured marks,
// 'x' captured empty node.
char nodeSymbol(int column, int row);

void printBoard(FILE* out);
