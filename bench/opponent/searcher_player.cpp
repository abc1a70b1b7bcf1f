// An alpha-beta searcher written apart from the game's opponent: iterative
// deepening over the ten moves next to the marks that look most pressing,
// material at the leaves after a capture-and-block search, and a limit of
// processor time instead of the game's fixed move budgets.
#include "players.h"

const int WIDTH = 10;
const int QUIET_PLIES = 3;
const int INFINITE = 1 << 20;

static SearchBoard work;
static double deadline;
static long nodesSearched;
static bool outOfTime;

static int material() {
    int side = sideToMove(work);
    return work.lostMarks[otherSide(side)] - work.lostMarks[side];
}

static void insertBest(int* keys, int* nodes, int* count, int key, int node) {
    int at = *count < WIDTH ? (*count)++ : WIDTH;
    for (; at > 0 && keys[at - 1] < key; at--) {
        if (at < WIDTH) keys[at] = keys[at - 1], nodes[at] = nodes[at - 1];
    }
    if (at < WIDTH) keys[at] = key, nodes[at] = node;
}

// Captures (own and the other side's, tried by playing them) first, then pressure.
static int candidates(int* nodes) {
    int keys[WIDTH], count = 0, side = sideToMove(work);
    for (int node = 0; node < BOARD_NODES; node++) {
        if (!isOpen(work, node) || !liveMarkNear(work, node, 1)) continue;
        int urgent = 2 * gainFor(work, node, side) + gainFor(work, node, otherSide(side));
        insertBest(keys, nodes, &count, urgent * 100 + pressureAround(work, node, side, 1), node);
    }
    return count;
}

static bool timeUp() {
    if (++nodesSearched % 32 == 0 && cpuMs() > deadline) outOfTime = true;
    return outOfTime;
}

// Material, after the side to move makes its best capture or blocks the other
// side's best, a few plies deep.
static int quiet(int plies, int alpha, int beta) {
    int stand = material();
    if (plies == 0 || stand >= beta) return stand;
    if (stand > alpha) alpha = stand;
    int side = sideToMove(work), capture = -1, block = -1, captureGain = 0, blockGain = 0;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (!isOpen(work, node) || !liveMarkNear(work, node, 1)) continue;
        int mine = gainFor(work, node, side), theirs = gainFor(work, node, otherSide(side));
        if (mine > captureGain) captureGain = mine, capture = node;
        if (theirs > blockGain) blockGain = theirs, block = node;
    }
    // Standing still lets the other side take its best.
    if (capture < 0 && block < 0) return stand;
    int moves[2] = {capture, block};
    for (int node : moves) {
        if (node < 0 || alpha >= beta || timeUp()) continue;
        int taken = playSearchMove(work, node);
        int value = -quiet(plies - 1, -beta, -alpha);
        undoSearchMove(work, node, taken);
        if (value > alpha) alpha = value;
    }
    return alpha;
}

static int search(int depth, int alpha, int beta) {
    if (depth == 0) return quiet(QUIET_PLIES, alpha, beta);
    int nodes[WIDTH], count = candidates(nodes);
    if (count == 0) return material();
    for (int i = 0; i < count && alpha < beta; i++) {
        if (timeUp()) return alpha;
        int taken = playSearchMove(work, nodes[i]);
        int value = -search(depth - 1, -beta, -alpha);
        undoSearchMove(work, nodes[i], taken);
        if (value > alpha) alpha = value;
    }
    return alpha;
}

int searcherMove(const Board& from, double cpuLimitMs, int* depthReached) {
    loadSearchBoard(work, from);
    deadline = cpuMs() + cpuLimitMs;
    outOfTime = false;
    nodesSearched = 0;
    int nodes[WIDTH], count = candidates(nodes), best = count ? nodes[0] : -1;
    *depthReached = 0;
    for (int depth = 1; count > 1 && depth <= 12 && !outOfTime; depth++) {
        int alpha = -INFINITE, choice = -1;
        for (int i = 0; i < count; i++) {
            int taken = playSearchMove(work, nodes[i]);
            int value = -search(depth - 1, -INFINITE, -alpha);
            undoSearchMove(work, nodes[i], taken);
            if (outOfTime) break;
            if (value > alpha) alpha = value, choice = i;
        }
        if (choice < 0) break;
        best = nodes[choice];
        // The best so far is searched first next time.
        for (int i = choice; i > 0; i--) nodes[i] = nodes[i - 1];
        nodes[0] = best;
        if (!outOfTime) *depthReached = depth;
    }
    if (best >= 0) return best;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (isOpen(work, node)) return node;
    }
    return -1;
}
