// The benchmark players' cut-point walk against trying each node: the same
// gain at every open node for both sides, and the same two best points,
// over random games played densely in the middle of the board.
#include <gtest/gtest.h>

#include <cstring>

#include "game/rules/random_moves.h"
#include "threat_walk.h"

static int denseMove(uint32_t* seed) {
    for (int tries = 0; tries < 40; tries++) {
        int node = nodeIndex(5 + (int)(nextRandom(seed) % 15), 3 + (int)(nextRandom(seed) % 13));
        if (!board.marks[node] && !board.captured[node]) return node;
    }
    return randomFreeNode(seed);
}

static void expectWalkMatchesTrials(SearchBoard& b, int side, int game, int move) {
    static Threats walk;
    findThreats(b, side, walk);
    Threats tried = {};
    tried.firstNode = tried.secondNode = -1;
    for (int node = 0; node < BOARD_NODES; node++) {
        int gain = isOpen(b, node) ? capturesAt(b, node, side) : 0;
        ASSERT_EQ(walk.gain[node], gain) << "game " << game << " move " << move << " node " << node;
        if (gain > tried.first)
            tried.second = tried.first, tried.secondNode = tried.firstNode, tried.first = gain, tried.firstNode = node;
        else if (gain > tried.second)
            tried.second = gain, tried.secondNode = node;
    }
    EXPECT_EQ(walk.first, tried.first);
    EXPECT_EQ(walk.firstNode, tried.firstNode);
    EXPECT_EQ(walk.second, tried.second);
    EXPECT_EQ(walk.secondNode, tried.secondNode);
}

TEST(ThreatWalk, FindsWhatTryingEachNodeFinds) {
    int threatsSeen = 0;
    for (int game = 0; game < 24; game++) {
        memset(&board, 0, sizeof board);
        board.redToMove = 1;
        uint32_t seed = 4400 + (uint32_t)game;
        static SearchBoard b;
        for (int move = 0; move < 260; move++) {
            int node = denseMove(&seed);
            if (node < 0) break;
            placeMarkAt(board, node);
            if (move % 5 != 4) continue;
            loadSearchBoard(b, board);
            for (int side = MARK_RED; side <= MARK_BLUE; side++) {
                expectWalkMatchesTrials(b, side, game, move);
                if (HasFatalFailure()) return;
                static Threats t;
                findThreats(b, side, t);
                threatsSeen += t.second > 0;
            }
        }
    }
    // The games must reach positions with two capture points, or the ranking went untested.
    EXPECT_GT(threatsSeen, 100);
}
