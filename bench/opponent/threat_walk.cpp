// The cut-point walk: order is the visiting order, low the earliest node a
// subtree reaches (0 for the border), below the other side's live marks in a
// subtree.
#include "threat_walk.h"

#include <cstring>

#include "node_tables.h"

// In node order, so ties go to the lowest node.
static void rankThreats(Threats& t) {
    t.first = t.second = 0;
    t.firstNode = t.secondNode = -1;
    for (int node = 0; node < BOARD_NODES; node++) {
        int gain = t.gain[node];
        if (gain > t.first) {
            t.second = t.first, t.secondNode = t.firstNode;
            t.first = gain, t.firstNode = node;
        } else if (gain > t.second) {
            t.second = gain, t.secondNode = node;
        }
    }
}

void findThreats(const SearchBoard& b, int side, Threats& t) {
    static uint16_t order[BOARD_NODES], low[BOARD_NODES], below[BOARD_NODES];
    static int16_t stackNode[BOARD_NODES];
    static uint8_t stackStep[BOARD_NODES];
    memset(order, 0, sizeof order);
    memset(t.gain, 0, sizeof t.gain);
    int other = otherSide(side), time = 0;
    for (int start = 0; start < BOARD_NODES; start++) {
        if (!NODE_TABLES.border[start] || order[start] || wallsAgainst(b, start, side)) continue;
        int top = -1, next = start;
        for (;;) {
            if (next >= 0) {
                order[next] = (uint16_t)++time;
                low[next] = NODE_TABLES.border[next] ? 0 : order[next];
                below[next] = b.marks[next] == other && !b.captured[next];
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
                if (low[node] >= order[parent] && isOpen(b, parent))
                    t.gain[parent] = (int16_t)(t.gain[parent] + below[node]);
                continue;
            }
            int neighbour = NODE_TABLES.neighbour[node][2 * stackStep[top]++];
            if (neighbour == NO_NODE || wallsAgainst(b, neighbour, side)) continue;
            if (order[neighbour] == 0)
                next = neighbour;
            else if (order[neighbour] < low[node])
                low[node] = order[neighbour];
        }
    }
    rankThreats(t);
}
