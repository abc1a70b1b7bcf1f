// The greedy player, over every free node with ties broken in a seeded random
// order, and what the other players share.
#include <algorithm>
#include <ctime>
#include <vector>

#include "node_tables.h"
#include "players.h"
#include "random_moves.h"

double cpuMs() { return 1000.0 * (double)std::clock() / CLOCKS_PER_SEC; }

bool liveMarkNear(const SearchBoard& b, int node, int reach) {
    int column = node / BOARD_ROWS, row = node % BOARD_ROWS;
    for (int c = column - reach; c <= column + reach; c++) {
        for (int r = row - reach; r <= row + reach; r++) {
            if (c < 0 || r < 0 || c >= BOARD_COLUMNS || r >= BOARD_ROWS) continue;
            int n = nodeIndex(c, r);
            if (b.marks[n] && !b.captured[n]) return true;
        }
    }
    return false;
}

int pressureAround(const SearchBoard& b, int node, int side, int straightBonus) {
    int value = 0;
    for (int d = 0; d < 8; d++) {
        int next = NODE_TABLES.neighbour[node][d];
        if (next == NO_NODE || !b.marks[next] || b.captured[next]) continue;
        value += b.marks[next] == side ? 2 : 3 + ((d & 1) == 0) * straightBonus;
    }
    return value;
}

static std::vector<int> shuffledFreeNodes(const SearchBoard& b, uint32_t* seed) {
    std::vector<int> nodes;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (isOpen(b, node)) nodes.push_back(node);
    }
    for (size_t i = nodes.size(); i > 1; i--) std::swap(nodes[i - 1], nodes[nextRandom(seed) % i]);
    return nodes;
}

static int moverAhead(const SearchBoard& b) {
    int side = sideToMove(b);
    return b.lostMarks[otherSide(side)] - b.lostMarks[side];
}

static SearchBoard work;

int greedyMove(const Board& from, uint32_t* seed) {
    loadSearchBoard(work, from);
    int best = -1, bestLead = -BOARD_NODES - 1;
    for (int node : shuffledFreeNodes(work, seed)) {
        int taken = playSearchMove(work, node);
        int lead = -moverAhead(work);
        undoSearchMove(work, node, taken);
        if (lead > bestLead) best = node, bestLead = lead;
    }
    return best;
}
