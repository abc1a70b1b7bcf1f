// A careful player, as a person who watches threats plays: it takes the
// largest capture, blocks the other side's captures and the moves that would
// leave it two capture points at once, makes such double threats itself, and
// otherwise links its walls near the action. It reads threats by trying moves,
// not by the game's own threat finder.
#include <vector>

#include "players.h"
#include "random_moves.h"

static SearchBoard work;

// Capture points of `side` near node after it: how many nodes would capture,
// and the second-largest capture among them (what a single block cannot save).
static int secondThreatAfter(int node, int side) {
    bool flip = sideToMove(work) != side;
    work.redToMove ^= flip;
    int taken = playSearchMove(work, node);
    work.redToMove ^= 1;  // side plays again: what would it capture next?
    int first = 0, second = 0;
    int column = node / BOARD_ROWS, row = node % BOARD_ROWS;
    for (int c = column - 3; c <= column + 3; c++) {
        for (int r = row - 3; r <= row + 3; r++) {
            if (c < 0 || r < 0 || c >= BOARD_COLUMNS || r >= BOARD_ROWS || !isOpen(work, nodeIndex(c, r))) continue;
            int gain = gainFor(work, nodeIndex(c, r), side);
            if (gain > first)
                second = first, first = gain;
            else if (gain > second)
                second = gain;
        }
    }
    work.redToMove ^= 1;
    undoSearchMove(work, node, taken);
    work.redToMove ^= flip;
    return second;
}

int carefulMove(const Board& from, uint32_t* seed) {
    loadSearchBoard(work, from);
    int side = sideToMove(work), other = otherSide(side);
    int best = -1;
    long bestValue = -1;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (!isOpen(work, node) || !liveMarkNear(work, node, 2)) continue;
        long value = 1000L * gainFor(work, node, side) + 900L * gainFor(work, node, other);
        if (liveMarkNear(work, node, 1)) {
            value += 600L * secondThreatAfter(node, other) + 500L * secondThreatAfter(node, side);
            value += 10L * pressureAround(work, node, side, 0);
        }
        value = value * 16 + nextRandom(seed) % 16;
        if (value > bestValue) best = node, bestValue = value;
    }
    if (best >= 0) return best;
    std::vector<int> open;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (isOpen(work, node)) open.push_back(node);
    }
    int centre = nodeIndex(BOARD_COLUMNS / 2, BOARD_ROWS / 2);
    if (isOpen(work, centre)) return centre;
    return open.empty() ? -1 : open[nextRandom(seed) % open.size()];
}
