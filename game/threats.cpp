// One depth-first walk over the nodes the side does not wall, rooted in the
// whole border, numbers the nodes and finds each one's lowest reach (the
// articulation points of the walk); a second pass down the walk counts each
// node's cut ancestors and a third, back up, adds the threatened marks below
// each cut to its gain. The search calls this at every node it evaluates, so
// the walk reads one byte a node for walls and steps through a table of the
// four straight neighbours in which a step off the board meets a wall.
#include "threats.h"

#include <cstring>

#include "node_tables.h"

const int OFF = BOARD_NODES;  // a node that is always a wall
static int16_t straight[BOARD_NODES][4];
static uint8_t wall[BOARD_NODES + 1];
static uint16_t order[BOARD_NODES + 1], low[BOARD_NODES];
static int16_t parent[BOARD_NODES], walk[BOARD_NODES], below[BOARD_NODES];
static uint8_t nextStep[BOARD_NODES];

static void makeStraightSteps() {
    if (straight[0][0]) return;
    for (int node = 0; node < BOARD_NODES; node++) {
        for (int d = 0; d < 4; d++) {
            int next = NODE_TABLES.neighbour[node][2 * d];
            straight[node][d] = (int16_t)(next == NO_NODE ? OFF : next);
        }
    }
}

// Numbers the nodes reachable from the border start; returns the walk's length.
static int walkFrom(int start, int count) {
    int node = start, from = -1;
    for (;;) {
        if (node >= 0) {
            walk[count] = (int16_t)node;
            order[node] = (uint16_t)++count;
            low[node] = NODE_TABLES.border[node] ? 0 : order[node];
            parent[node] = (int16_t)from;
            nextStep[node] = 0;
            from = node;
        }
        node = -1;
        if (nextStep[from] == 4) {
            int up = parent[from];
            if (up < 0) return count;
            if (low[from] < low[up]) low[up] = low[from];
            from = up;
            continue;
        }
        int next = straight[from][nextStep[from]++];
        if (wall[next]) continue;
        if (order[next] == 0)
            node = next;
        else if (order[next] < low[from])
            low[from] = order[next];
    }
}

static bool cutsChild(const SearchBoard& b, int up, int child) {
    return up >= 0 && isOpen(b, up) && low[child] >= order[up];
}

static int walkBoard(const SearchBoard& b, int side) {
    makeStraightSteps();
    for (int node = 0; node < BOARD_NODES; node++) wall[node] = wallsAgainst(b, node, side);
    wall[OFF] = 1;
    memset(order, 0, sizeof order);
    int count = 0;
    for (int start = 0; start < BOARD_NODES; start++) {
        if (NODE_TABLES.border[start] && order[start] == 0 && !wall[start]) count = walkFrom(start, count);
    }
    return count;
}

// Keeps the largest value, its node (the first on a tie) and the largest at
// any other node, as values only grow.
static void keepLargest(int value, int node, int16_t* first, int16_t* firstNode, int16_t* second) {
    if (value > *first || (value == *first && node < *firstNode)) {
        if (node != *firstNode) *second = *first;
        *first = (int16_t)value, *firstNode = (int16_t)node;
    } else if (value > *second && node != *firstNode) {
        *second = (int16_t)value;
    }
}

void findThreats(const SearchBoard& b, int side, Threats& t) {
    static int16_t threatenedBelow[BOARD_NODES], threatGain[BOARD_NODES];
    int count = walkBoard(b, side);
    int other = otherSide(side);
    memset(t.gain, 0, sizeof t.gain);
    memset(threatGain, 0, sizeof threatGain);
    t.deadMarks = t.threatenedMarks = 0;
    for (int i = 0; i < count; i++) {
        int node = walk[i], up = parent[node];
        int cuts = up < 0 ? 0 : t.cuts[up] + cutsChild(b, up, node);
        t.cuts[node] = (uint8_t)(cuts > 2 ? 2 : cuts);
        bool live = b.marks[node] == other && !b.captured[node];
        below[node] = live && cuts > 0;
        threatenedBelow[node] = live && cuts == 1;
        t.deadMarks += live && cuts >= 2;
        t.threatenedMarks += live && cuts == 1;
    }
    int16_t best = 0, unused = 0;
    t.bestNode = t.threatNode = -1;
    t.threat = t.secondThreat = 0;
    for (int i = count - 1; i > 0; i--) {
        int node = walk[i], up = parent[node];
        if (up < 0) continue;
        below[up] += below[node];
        threatenedBelow[up] += threatenedBelow[node];
        if (!below[node] || !cutsChild(b, up, node)) continue;
        keepLargest(t.gain[up] += below[node], up, &best, &t.bestNode, &unused);
        if (threatenedBelow[node])
            keepLargest(threatGain[up] += threatenedBelow[node], up, &t.threat, &t.threatNode, &t.secondThreat);
    }
}
