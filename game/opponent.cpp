// The opponent: iterative deepening alpha-beta over the most promising moves
// next to the marks. Each level stops at a number of moves played on the copy
// rather than at a time, so a move never depends on the machine's speed. At the
// root every move within two nodes of a mark is played once and ranked by its
// gain, so a capture at hand is never left out of the deeper searches.
#include "opponent.h"

#include <cstring>

#include "capture.h"
#include "node_tables.h"

struct LevelRule {
    int32_t moveBudget;  // moves played on the copy before the search stops
    uint8_t maxDepth;
    uint8_t rootWidth;  // root moves searched deeper than one move
    uint8_t width;      // moves tried at every other node
    uint16_t timeCapMs;
    bool loose;  // sees material only, and plays quiet moves anywhere
};

const int MAX_DEPTH = 8;
const int MAX_WIDTH = 16;
static const LevelRule LEVEL_RULES[3] = {
    {2000, 1, 1, 1, 1000, true},
    {600, 4, 10, 6, 2000, false},
    {2500, 7, 12, 8, 4000, false},
};

// A captured mark is worth more than anything the ordering weighs.
const int CAPTURE_VALUE = 64;
const int INFINITE_VALUE = 1 << 28;
const int CLOCK_EVERY = 64;  // moves between looks at the clock

static Board copy;
static Position undo[MAX_DEPTH];
static const LevelRule* rule;
static MillisecondClock clockNow;
static unsigned startMs;
static int nextClockLook;
static bool stopped;

int searchDepthReached;
int searchMovesPlayed;

static bool outOfBudget() {
    if (searchMovesPlayed >= rule->moveBudget) return true;
    if (!clockNow || searchMovesPlayed < nextClockLook) return false;
    nextClockLook = searchMovesPlayed + CLOCK_EVERY;
    return clockNow() - startMs > rule->timeCapMs;
}

// Captured marks of the other side minus captured own, for the side to move.
static int evaluate(const Board& b) {
    int redAhead = 0;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (b.captured[node] == 0) continue;
        if (b.marks[node] == MARK_BLUE) redAhead++;
        if (b.marks[node] == MARK_RED) redAhead--;
    }
    return CAPTURE_VALUE * (b.redToMove ? redAhead : -redAhead);
}

// How promising a free node looks for mover, from the live marks around it:
// pressing on the other side's marks and linking up one's own (a diagonal
// link walls as well as a straight one). -1 for a node that is not free or has
// no mark next to it.
static int promise(const Board& b, int node, int mover) {
    if (b.marks[node] != MARK_NONE || b.captured[node] != 0) return -1;
    int value = 0;
    bool nearMark = false;
    for (int d = 0; d < 8; d++) {
        int next = NODE_TABLES.neighbour[node][d];
        if (next == NO_NODE || b.marks[next] == MARK_NONE) continue;
        nearMark = true;
        if (b.captured[next] != 0) continue;
        bool straight = (d & 1) == 0;
        if (b.marks[next] == mover)
            value += straight ? 2 : 3;
        else
            value += straight ? 4 : 2;
    }
    return nearMark ? value + 1 : -1;
}

static bool markAround(const Board& b, int node) {
    for (int d = 0; d < 8; d++) {
        int next = NODE_TABLES.neighbour[node][d];
        if (next != NO_NODE && b.marks[next] != MARK_NONE) return true;
    }
    return false;
}

// A free node with a mark at most two steps away in any of the eight directions.
static bool twoFromMark(const Board& b, int node) {
    if (b.marks[node] != MARK_NONE || b.captured[node] != 0) return false;
    if (markAround(b, node)) return true;
    for (int d = 0; d < 8; d++) {
        int next = NODE_TABLES.neighbour[node][d];
        if (next != NO_NODE && markAround(b, next)) return true;
    }
    return false;
}

// Keeps the best `width` (key, node) pairs, best first; a later node with an
// equal key goes behind, so the order is fixed by the position alone.
static void keepBest(int* keys, int* nodes, int* count, int width, int key, int node) {
    int at = *count < width ? (*count)++ : width;
    while (at > 0 && keys[at - 1] < key) {
        if (at < width) {
            keys[at] = keys[at - 1];
            nodes[at] = nodes[at - 1];
        }
        at--;
    }
    if (at < width) {
        keys[at] = key;
        nodes[at] = node;
    }
}

static int mover(const Board& b) { return b.redToMove ? MARK_RED : MARK_BLUE; }
static int otherSide(int side) { return side == MARK_RED ? MARK_BLUE : MARK_RED; }

static bool walls(const Board& b, int node, int side) { return b.marks[node] == side && b.captured[node] == 0; }

// Up, right, down, left: the steps of the fills that decide captures.
static const uint8_t STRAIGHT[4] = {0, 2, 4, 6};

// For each free node, how many live marks of the other side a mark of `side`
// there would capture at once: the node cuts a part of the board that holds
// them off the border, where the side's other live marks wall the rest. One
// depth-first walk over the nodes those marks leave open, rooted in the whole
// border, finds every such cut (the articulation points of that walk). A node
// that cannot take a mark gets 0, even where it is a cut: the other side's
// mark there may be all that joins its marks to the border.
static void findCaptures(const Board& b, int side, uint8_t* gain) {
    static uint16_t order[BOARD_NODES], low[BOARD_NODES], below[BOARD_NODES];
    static int16_t stackNode[BOARD_NODES];
    static uint8_t stackStep[BOARD_NODES];
    memset(order, 0, sizeof order);
    memset(gain, 0, BOARD_NODES);
    int other = otherSide(side), time = 0;
    for (int start = 0; start < BOARD_NODES; start++) {
        if (!NODE_TABLES.border[start] || order[start] || walls(b, start, side)) continue;
        int top = -1, next = start;
        for (;;) {
            if (next >= 0) {
                order[next] = (uint16_t)++time;
                low[next] = NODE_TABLES.border[next] ? 0 : order[next];
                below[next] = walls(b, next, other);
                stackNode[++top] = (int16_t)next;
                stackStep[top] = 0;
            }
            next = -1;
            int node = stackNode[top];
            if (stackStep[top] == 4) {
                if (--top < 0) break;
                int parent = stackNode[top];
                if (low[node] < low[parent]) low[parent] = low[node];
                below[parent] = (uint16_t)(below[parent] + below[node]);
                bool open = b.marks[parent] == MARK_NONE && b.captured[parent] == 0;
                if (open && low[node] >= order[parent]) gain[parent] = (uint8_t)(gain[parent] + below[node]);
                continue;
            }
            int neighbour = NODE_TABLES.neighbour[node][STRAIGHT[stackStep[top]++]];
            if (neighbour == NO_NODE || walls(b, neighbour, side)) continue;
            if (order[neighbour] == 0)
                next = neighbour;
            else if (order[neighbour] < low[node])
                low[node] = order[neighbour];
        }
    }
}

static uint8_t ownCaptures[BOARD_NODES], otherCaptures[BOARD_NODES];

static int search(int depth, int alpha, int beta);

// The value of a move for the side that plays it, searched depth further.
static int tryMove(int node, int depth, int alpha, int beta) {
    savePosition(copy, &undo[depth]);
    placeMarkAt(copy, node);
    searchMovesPlayed++;
    int value = -search(depth, -beta, -alpha);
    loadPosition(copy, undo[depth]);
    return value;
}

// The exchange at the end of the search: the side to move either makes its
// best capture and suffers the other side's best, or stops that one and
// suffers the other side's second best.
static int exchange() {
    int own = 0, ownNode = -1, first = 0, firstNode = -1, second = 0;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (ownCaptures[node] > own) own = ownCaptures[node], ownNode = node;
        int gain = otherCaptures[node];
        if (gain > first)
            second = first, first = gain, firstNode = node;
        else if (gain > second)
            second = gain;
    }
    int capture = own - (ownNode == firstNode ? second : first);
    return capture > -second ? capture : -second;
}

static int search(int depth, int alpha, int beta) {
    if (depth == 0 && rule->loose) return evaluate(copy);
    int side = mover(copy);
    findCaptures(copy, side, ownCaptures);
    findCaptures(copy, otherSide(side), otherCaptures);
    if (depth == 0) return evaluate(copy) + CAPTURE_VALUE * exchange();
    // Captures first, then the nodes that stop the other side's, then the
    // promise of the rest.
    int keys[MAX_WIDTH], nodes[MAX_WIDTH], count = 0;
    for (int node = 0; node < BOARD_NODES; node++) {
        int value = promise(copy, node, side);
        int urgency = 2 * ownCaptures[node] + otherCaptures[node];
        if (urgency > 0) value = (value < 0 ? 0 : value) + 32 * urgency;
        if (value >= 0) keepBest(keys, nodes, &count, rule->width, value, node);
    }
    if (count == 0) return evaluate(copy);
    for (int i = 0; i < count && alpha < beta; i++) {
        if (outOfBudget()) stopped = true;
        if (stopped) return 0;
        int value = tryMove(nodes[i], depth - 1, alpha, beta);
        if (value > alpha) alpha = value;
    }
    return alpha;
}

// A board without marks near any free node: the free node nearest the centre.
static int nearestCentre(const Board& b) {
    int best = -1, bestDistance = 1 << 16;
    for (int node = 0; node < BOARD_NODES; node++) {
        if (b.marks[node] != MARK_NONE || b.captured[node] != 0) continue;
        int dc = NODE_TABLES.column[node] - BOARD_COLUMNS / 2, dr = NODE_TABLES.row[node] - BOARD_ROWS / 2;
        int distance = (dc < 0 ? -dc : dc) + (dr < 0 ? -dr : dr);
        if (distance < bestDistance) best = node, bestDistance = distance;
    }
    return best;
}

// A number mixed from the marks on the board: what the easy level's quiet
// moves are chosen by, so that they look scattered and still repeat.
static uint32_t positionMix(const Board& b) {
    uint32_t mix = 0;
    for (int node = 0; node < BOARD_NODES; node++) mix = (mix ^ b.marks[node]) * 16777619u;
    return mix;
}

// Every move within two nodes of a mark, played once; ranked by its gain,
// then by its promise.
static int rankRootMoves(int* nodes) {
    int keys[MAX_WIDTH], count = 0;
    int side = mover(copy);
    uint32_t mix = positionMix(copy);
    for (int node = 0; node < BOARD_NODES; node++) {
        bool open = copy.marks[node] == MARK_NONE && copy.captured[node] == 0;
        if (rule->loose ? !open : !twoFromMark(copy, node)) continue;
        int gain = tryMove(node, 0, -INFINITE_VALUE, INFINITE_VALUE);
        // Gains come in steps of CAPTURE_VALUE; what ranks equal gains stays below 16 * CAPTURE_VALUE.
        int value = rule->loose ? (int)((((uint32_t)node + 1) * 2654435761u ^ mix) * 2246822519u >> 22)
                                : promise(copy, node, side);
        keepBest(keys, nodes, &count, rule->rootWidth, gain * 16 + (value < 0 ? 0 : value), node);
    }
    return count;
}

// Moves the root move at `at` to the front, keeping the others' order.
static void moveToFront(int* nodes, int at) {
    int node = nodes[at];
    for (; at > 0; at--) nodes[at] = nodes[at - 1];
    nodes[0] = node;
}

int chooseMove(const Board& position, int level, MillisecondClock clockMs) {
    rule = &LEVEL_RULES[(level < LEVEL_EASY ? LEVEL_EASY : level > LEVEL_HARD ? LEVEL_HARD : level) - 1];
    clockNow = clockMs;
    startMs = clockNow ? clockNow() : 0;
    nextClockLook = CLOCK_EVERY;
    stopped = false;
    searchMovesPlayed = 0;
    searchDepthReached = 0;
    savePosition(position, &undo[0]);
    loadPosition(copy, undo[0]);

    int nodes[MAX_WIDTH];
    int count = rankRootMoves(nodes);
    if (count == 0) return nearestCentre(copy);
    searchDepthReached = 1;
    for (int depth = 2; depth <= rule->maxDepth && !stopped; depth++) {
        int alpha = -INFINITE_VALUE, best = -1;
        for (int i = 0; i < count; i++) {
            int value = tryMove(nodes[i], depth - 1, alpha, INFINITE_VALUE);
            if (stopped) break;
            if (value > alpha) alpha = value, best = i;
        }
        // A move that beat the previous best in full stands even when the rest
        // of the search was cut short.
        if (best >= 0) moveToFront(nodes, best);
        if (!stopped) searchDepthReached = depth;
    }
    return nodes[0];
}
