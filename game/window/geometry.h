// The window's pixel geometry in client coordinates. The GUI tests and the
// run script read these lines: each stays one `const int NAME = VALUE;`.
#pragma once

const int WINDOW_WIDTH = 600;
const int WINDOW_HEIGHT = 370;

const int GRID_ORIGIN = 27;        // the grid line of column 0 and of row 0
const int GRID_STEP = 15;          // from one node's line to the next
const int GRID_LINES_START = 12;   // where the dotted lines begin, left and top
const int GRID_COLUMNS_END = 310;  // where the column lines end
const int GRID_ROWS_END = 400;     // where the row lines end

const int MARK_INSET = 3;  // a mark's circle starts this far before its crossing
const int MARK_SIZE = 10;
const int CROSS_SIZE = 6;      // a captured empty node's cross, from the circle's corner + 1
const int OUTLINE_OFFSET = 1;  // outlines run this far right of and below the crossings

const int HIT_INSET = 4;  // a node's clickable square starts this far before its crossing
const int HIT_SIZE = 9;
const int HIT_AREA_LEFT = 19;  // clicks outside these bounds miss the board
const int HIT_AREA_RIGHT = 389;
const int HIT_AREA_BOTTOM = 299;
