// The one game state: grids, turn, the capture engine's scratch space and the
// packed outline list. Every grid is 475 cells stored column by column.
#pragma once
#include <cstdint>

const int BOARD_COLUMNS = 25;
const int BOARD_ROWS = 19;
const int BOARD_NODES = BOARD_COLUMNS * BOARD_ROWS;  // 475
const int PATH_ENTRIES = 2500;
const int OUTLINE_BYTES = 100000;
const int OFF_BOARD = 31;  // stepColumn/stepRow result for a step off the board

const uint8_t MARK_NONE = 0;
const uint8_t MARK_RED = 1;
const uint8_t MARK_BLUE = 2;

struct Board {
    uint8_t marks[BOARD_NODES];     // 0 empty, 1 red, 2 blue
    uint8_t captured[BOARD_NODES];  // non-zero: captured for good
    uint8_t redToMove;              // non-zero: red places the next mark
    int8_t working[BOARD_NODES];
    uint8_t done[BOARD_NODES];
    uint8_t visited[BOARD_NODES];
    int32_t testColour;
    uint8_t stillEnclosed;
    uint8_t path[PATH_ENTRIES][2];  // (column, row), bottom first
    int32_t pathLength;             // bytes in use: 2 per entry
    uint8_t outlines[OUTLINE_BYTES];
    int32_t outlineCount;
    int32_t outlineEnd;
};

// The game's board: the window, the saved game and orvo-cli play on it. A
// search plays on copies, through the operations that take their board.
extern Board board;

// The three members that carry a game from one move to the next, as the saved
// game holds them; what a take-back or a search puts back.
struct Position {
    uint8_t marks[BOARD_NODES];
    uint8_t captured[BOARD_NODES];
    uint8_t redToMove;
};

void savePosition(const Board& from, Position* to);
void loadPosition(Board& to, const Position& from);

inline int nodeIndex(int column, int row) { return column * BOARD_ROWS + row; }

// 1-based coordinate stepped in direction 0..7 (clockwise from up), or OFF_BOARD.
int stepColumn(int c1, int d);
int stepRow(int r1, int d);

// The deepest the path stack has been since program start, in entries; a
// figure for benchmarks and tests.
extern int deepestPathEntries;

bool pathHasMark();
bool pathHasMark(const Board& b);

// The move: refused silently on a taken or captured node or one off the board.
// Returns whether it was accepted. The form without a board plays on the game's.
bool placeMark(Board& b, int column, int row);
bool placeMark(int column, int row);
// The move without the outline rebuild, for a search: outlines never change
// what is captured. The node must be free and not captured.
void placeMarkAt(Board& b, int node);
// New game on the game's board; it forgets the moves a take-back could undo.
void newGame();

// The game's move: placeMark on the game's board, remembered for a take-back.
bool playMove(int column, int row);
// Puts the game's board back to the position before its last remembered move
// (marks, captures, turn) and rebuilds the outlines; false when no move is
// remembered. Moves are remembered in memory only, since the last New game or
// restored game.
bool takeBack();
void forgetMoves();

int redScore(const Board& b);   // captured blue marks
int blueScore(const Board& b);  // captured red marks
int redScore();
int blueScore();
