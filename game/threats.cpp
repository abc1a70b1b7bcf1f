// One depth-first walk over the nodes the side does not wall, rooted in the
// whole border, numbers the nodes and finds each one's lowest reach (the
// articulation points of the walk); a second pass down the walk counts each
// node's cut ancestors and a third, back up, adds the threatened marks below
// each cut to its gain.
#include "threats.h"

#include <cstring>

#include "node_tables.h"

static uint16_t order[BOARD_NODES], low[BOARD_NODES];
static int16_t parent[BOARD_NODES], walk[BOARD_NODES], below[BOARD_NODES];
static uint8_t nextStep[BOARD_NODES];

// Numbers the nodes reachable from the border start; returns the walk's length.
static int walkFrom(const SearchBoard& b, int start, int side, int count) {
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
        if (nextStep[from] == 8) {
            int up = parent[from];
            if (up < 0) return count;
            if (low[from] < low[up]) low[up] = low[from];
            from = up;
            continue;
        }
        int next = NODE_TABLES.neighbour[from][nextStep[from]];
        nextStep[from] += 2;
        if (next == NO_NODE || wallsAgainst(b, next, side)) continue;
        if (order[next] == 0)
            node = next;
        else if (order[next] < low[from])
            low[from] = order[next];
    }
}

static bool cutsChild(const SearchBoard& b, int up, int child) {
    return up >= 0 && isOpen(b, up) && low[child] >= order[up];
}

void findThreats(const SearchBoard& b, int side, Threats& t) {
    memset(order, 0, sizeof order);
    int count = 0;
    for (int start = 0; start < BOARD_NODES; start++) {
        if (NODE_TABLES.border[start] && order[start] == 0 && !wallsAgainst(b, start, side))
            count = walkFrom(b, start, side, count);
    }
    int other = otherSide(side);
    memset(t.gain, 0, sizeof t.gain);
    t.deadMarks = 0;
    for (int i = 0; i < count; i++) {
        int node = walk[i], up = parent[node];
        int cuts = up < 0 ? 0 : t.cuts[up] + cutsChild(b, up, node);
        t.cuts[node] = (uint8_t)(cuts > 2 ? 2 : cuts);
        bool live = b.marks[node] == other && !b.captured[node];
        below[node] = live && cuts == 1;
        t.deadMarks += live && cuts >= 2;
    }
    for (int i = count - 1; i > 0; i--) {
        int node = walk[i], up = parent[node];
        if (up < 0) continue;
        below[up] += below[node];
        if (cutsChild(b, up, node)) t.gain[up] = (uint8_t)(t.gain[up] + below[node]);
    }
    t.best = t.second = 0;
    t.bestNode = -1;
    for (int node = 0; node < BOARD_NODES; node++) {
        int gain = t.gain[node];
        if (gain > t.best)
            t.second = t.best, t.best = (int16_t)gain, t.bestNode = (int16_t)node;
        else if (gain > t.second)
            t.second = (int16_t)gain;
    }
}
