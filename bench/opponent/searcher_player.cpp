// An alpha-beta searcher written apart from the game's opponent: iterative
// deepening with a transposition table, captures and blocks searched first,
// material at the leaves after a capture-and-block search, and a limit of
// processor time instead of the game's fixed move budgets.
//
// Capture points of both sides come from the benchmark's cut-point walk, one
// fill a side, where playing each move would cost a fill apiece.
#include <algorithm>
#include <cstring>

#include "node_tables.h"
#include "players.h"
#include "threat_walk.h"

const int ROOT_QUIET_WIDTH = 32;  // quiet moves tried at the root
const int QUIET_WIDTH = 12;       // and below it
const int LATE_MOVE = 4;          // moves from here on are searched shallower first
const int MAX_MOVES = BOARD_NODES;
const int QUIET_PLIES = 6;
const int MAX_DEPTH = 40;
const int INFINITE = 1 << 20;
const int TABLE_SIZE = 1 << 20;
const int FORCING = 1 << 24;  // ordering key of captures and blocks

enum Bound : uint8_t { EXACT, LOWER, UPPER };

struct TableEntry {
    uint32_t key;
    int16_t value, move;
    int8_t depth;
    Bound bound;
};

static SearchBoard work;
static TableEntry table[TABLE_SIZE];
static int history[3][BOARD_NODES];
static double deadline;
static long nodesSearched;
static bool outOfTime;

static int material() {
    int side = sideToMove(work);
    return work.lostMarks[otherSide(side)] - work.lostMarks[side];
}

static bool timeUp() {
    if (++nodesSearched % 32 == 0 && cpuMs() > deadline) outOfTime = true;
    return outOfTime;
}

// Material after the side to move makes one of its two best captures or
// blocks the other side's best, a few plies deep. Doing neither, it is taken
// to block the largest capture and lose the next largest: a group with two
// capture points is lost.
static int quiet(int plies, int alpha, int beta) {
    int side = sideToMove(work);
    Threats mine, theirs;
    findThreats(work, side, mine);
    findThreats(work, otherSide(side), theirs);
    int base = material(), stand = base - theirs.second;
    if (mine.first == 0 && theirs.first == 0) return base;
    if (plies == 0 || timeUp()) return std::max(stand, base + mine.first - theirs.first);
    if (stand >= beta) return stand;
    if (stand > alpha) alpha = stand;
    int moves[3] = {mine.firstNode, mine.secondNode, theirs.firstNode};
    for (int i = 0; i < 3 && alpha < beta; i++) {
        int node = moves[i];
        if (node < 0 || (i == 2 && (node == moves[0] || node == moves[1]))) continue;
        int taken = playSearchMove(work, node);
        int value = -quiet(plies - 1, -beta, -alpha);
        undoSearchMove(work, node, taken);
        if (value > alpha) alpha = value;
    }
    return alpha;
}

static void insertMove(int* moves, int* keys, int* count, int node, int key) {
    int at = (*count)++;
    for (; at > 0 && keys[at - 1] < key; at--) moves[at] = moves[at - 1], keys[at] = keys[at - 1];
    moves[at] = node, keys[at] = key;
}

// Every capture and block, then the quiet moves next to live marks with the
// most pressure and history, best first; the table's move leads.
static int listMoves(const Threats& mine, const Threats& theirs, int first, int quietWidth, int* moves) {
    int keys[MAX_MOVES], count = 0, quietCount = 0, side = sideToMove(work);
    int quietMoves[MAX_MOVES], quietKeys[MAX_MOVES];
    uint8_t near[BOARD_NODES] = {};
    for (int node = 0; node < BOARD_NODES; node++) {
        if (!work.marks[node] || work.captured[node]) continue;
        for (int next : NODE_TABLES.neighbour[node]) {
            if (next != NO_NODE) near[next] = 1;
        }
    }
    for (int node = 0; node < BOARD_NODES; node++) {
        if (!isOpen(work, node)) continue;
        int forcing = 2 * mine.gain[node] + theirs.gain[node];
        if (node == first) insertMove(moves, keys, &count, node, 2 * FORCING);
        else if (forcing > 0) insertMove(moves, keys, &count, node, FORCING + forcing);
        else if (near[node]) {
            int key = 64 * pressureAround(work, node, side, 1) + history[side][node];
            if (quietCount < quietWidth || key > quietKeys[quietCount - 1]) {
                if (quietCount == quietWidth) quietCount--;
                insertMove(quietMoves, quietKeys, &quietCount, node, key);
            }
        }
    }
    for (int i = 0; i < quietCount; i++) moves[count++] = quietMoves[i];
    return count;
}

static void store(TableEntry& entry, int depth, int value, int move, Bound bound) {
    entry.key = work.key;
    entry.depth = (int8_t)depth;
    entry.value = (int16_t)value;
    entry.move = (int16_t)move;
    entry.bound = bound;
}

static int search(int depth, int alpha, int beta);

// The value of the i-th move, just played: the first with the full window,
// the others with a null window first and in full only when they look better
// than the best so far; later quiet moves are tried a ply shallower first.
static int valueOfPlayed(int i, bool quietMove, int depth, int alpha, int beta) {
    if (i == 0) return -search(depth - 1, -beta, -alpha);
    int reduced = quietMove && i >= LATE_MOVE && depth >= 3 ? 1 : 0;
    int value = -search(depth - 1 - reduced, -alpha - 1, -alpha);
    if (value > alpha && (reduced || value < beta)) value = -search(depth - 1, -beta, -alpha);
    return value;
}

static int search(int depth, int alpha, int beta) {
    if (depth == 0) return quiet(QUIET_PLIES, alpha, beta);
    if (timeUp()) return alpha;
    TableEntry& entry = table[work.key & (TABLE_SIZE - 1)];
    int first = -1;
    if (entry.key == work.key) {
        first = entry.move;
        if (entry.depth >= depth && (entry.bound == EXACT || (entry.bound == LOWER && entry.value >= beta) ||
                                     (entry.bound == UPPER && entry.value <= alpha)))
            return entry.value;
    }
    int side = sideToMove(work);
    Threats mine, theirs;
    findThreats(work, side, mine);
    findThreats(work, otherSide(side), theirs);
    int moves[MAX_MOVES], count = listMoves(mine, theirs, first, QUIET_WIDTH, moves);
    if (count == 0) return material();
    int best = -INFINITE, bestMove = moves[0], startAlpha = alpha;
    for (int i = 0; i < count; i++) {
        bool quietMove = mine.gain[moves[i]] == 0 && theirs.gain[moves[i]] == 0;
        int taken = playSearchMove(work, moves[i]);
        int value = valueOfPlayed(i, quietMove, depth, alpha, beta);
        undoSearchMove(work, moves[i], taken);
        if (outOfTime) return alpha;
        if (value > best) best = value, bestMove = moves[i];
        if (value > alpha) alpha = value;
        if (alpha >= beta) {
            history[side][moves[i]] += depth * depth;
            break;
        }
    }
    store(entry, depth, best, bestMove, best >= beta ? LOWER : best > startAlpha ? EXACT : UPPER);
    return best;
}

int searcherMove(const Board& from, double cpuLimitMs, int* depthReached) {
    loadSearchBoard(work, from);
    deadline = cpuMs() + cpuLimitMs;
    outOfTime = false;
    nodesSearched = 0;
    memset(history, 0, sizeof history);
    int side = sideToMove(work);
    Threats mine, theirs;
    findThreats(work, side, mine);
    findThreats(work, otherSide(side), theirs);
    int moves[MAX_MOVES], count = listMoves(mine, theirs, -1, ROOT_QUIET_WIDTH, moves);
    int best = count ? moves[0] : -1;
    *depthReached = 0;
    for (int depth = 1; count > 1 && depth <= MAX_DEPTH && !outOfTime; depth++) {
        int alpha = -INFINITE, choice = -1;
        for (int i = 0; i < count; i++) {
            bool quietMove = mine.gain[moves[i]] == 0 && theirs.gain[moves[i]] == 0;
            int taken = playSearchMove(work, moves[i]);
            int value = valueOfPlayed(i, quietMove, depth, alpha, INFINITE);
            undoSearchMove(work, moves[i], taken);
            if (outOfTime) break;
            if (value > alpha) alpha = value, choice = i;
        }
        if (choice < 0) break;
        best = moves[choice];
        // The best so far is searched first next time.
        for (int i = choice; i > 0; i--) moves[i] = moves[i - 1];
        moves[0] = best;
        if (!outOfTime) *depthReached = depth;
    }
    if (best >= 0) return best;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (isOpen(work, node)) return node;
    }
    return -1;
}
