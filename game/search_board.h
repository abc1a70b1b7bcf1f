// The position the computer opponent searches: what carries a game from move
// to move, the captured marks of each colour and a hash key. A move decides
// its captures by filling only the regions next to the new mark, which is all
// a move can close, so the search plays a move in a small fraction of the
// rules engine's time and finds the same captures.
#pragma once
#include <cstdint>

#include "board.h"

struct SearchBoard {
    uint8_t marks[BOARD_NODES];
    uint8_t captured[BOARD_NODES];
    uint8_t redToMove;
    int16_t lostMarks[3];  // captured marks of red [1] and of blue [2]
    uint32_t key;          // Zobrist key of marks, captures and the side to move
    // The ring of eight around each node, bit d for direction d, kept up to
    // date by every move: the neighbours holding live marks, and those that
    // wall against red [1] and against blue [2] (see wallsAgainst).
    uint8_t liveAround[BOARD_NODES];
    uint8_t wallsAround[3][BOARD_NODES];
};

inline int sideToMove(const SearchBoard& b) { return b.redToMove ? MARK_RED : MARK_BLUE; }
inline int otherSide(int side) { return side ^ (MARK_RED | MARK_BLUE); }
inline bool isOpen(const SearchBoard& b, int node) { return b.marks[node] == MARK_NONE && b.captured[node] == 0; }

// What stops the fill of the side that `side` plays against: side's live
// marks, and that side's own captured marks.
inline bool wallsAgainst(const SearchBoard& b, int node, int side) {
    int mark = b.marks[node];
    return mark != MARK_NONE && ((mark == side) != (b.captured[node] != 0));
}

// Ring bits of the straight and of the diagonal neighbours.
const unsigned STRAIGHT_RING = 0x55, DIAGONAL_RING = 0xAA;

inline int bitCount8(unsigned bits) {
    bits = bits - (bits >> 1 & 0x55);
    bits = (bits & 0x33) + (bits >> 2 & 0x33);
    return (int)((bits + (bits >> 4)) & 0x0F);
}

// Whether the ring of eight around a node, given as the bits (direction d at
// bit d) of the nodes that walls leave open, falls into two or more open
// stretches: only then can a mark there close a region. Off the board counts
// as open: a region may have reached the border through that node.
inline bool splitsRing(unsigned open) {
    unsigned starts = open & ~((open << 1 | open >> 7) & 0xFF);
    return (starts & (starts - 1)) != 0;
}

// Whether side's walls split the ring around node: a mark of side's there may
// close a region.
inline bool wallsSplitRing(const SearchBoard& b, int node, int side) {
    return splitsRing(~b.wallsAround[side][node] & 0xFFu);
}

void loadSearchBoard(SearchBoard& to, const Board& from);
// Places the side to move's mark on an open node and captures what it
// encloses; returns how many nodes it captured, for undoSearchMove.
int playSearchMove(SearchBoard& b, int node);
void undoSearchMove(SearchBoard& b, int node, int capturedCount);
// The other side's live marks that a mark of side at the open node would
// capture at once; the board is left as it was.
int capturesAt(SearchBoard& b, int node, int side);
// The other side moves next, nothing placed: the search's null move. Its own undo.
void passSearchMove(SearchBoard& b);
