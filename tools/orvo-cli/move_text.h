// Moves written as COLUMN,ROW (0-based), and why a move is refused.
#pragma once

// Parses "C,R" (two decimal numbers, nothing else); false when malformed.
bool parseMove(const char* text, int* column, int* row);

// Why placeMark would refuse the node, or nullptr when it is free.
const char* refusalReason(int column, int row);
