// The search's own move against the rules engine: the same captures and
// scores after every move of random games and of games that build rings, and
// every move taken back to the position before it.
#include <gtest/gtest.h>

#include <cstring>

#include "board_fixture.h"
#include "random_moves.h"
#include "search_board.h"

static bool sameRings(const SearchBoard& a, const SearchBoard& b) {
    return memcmp(a.liveAround, b.liveAround, BOARD_NODES) == 0 &&
           memcmp(a.wallsAround, b.wallsAround, sizeof a.wallsAround) == 0;
}

// The rings kept up by the moves match the rings of the engine's board read afresh.
static void expectSameAsEngine(const SearchBoard& fast, const char* game, int move) {
    static SearchBoard fresh;
    loadSearchBoard(fresh, board);
    ASSERT_TRUE(sameRings(fast, fresh)) << game << " move " << move;
    ASSERT_EQ(memcmp(fast.captured, board.captured, BOARD_NODES), 0) << game << " move " << move;
    EXPECT_EQ(fast.lostMarks[MARK_BLUE], redScore()) << game << " move " << move;
    EXPECT_EQ(fast.lostMarks[MARK_RED], blueScore()) << game << " move " << move;
}

static bool samePosition(const SearchBoard& a, const SearchBoard& b) {
    return memcmp(a.marks, b.marks, BOARD_NODES) == 0 && memcmp(a.captured, b.captured, BOARD_NODES) == 0 &&
           a.redToMove == b.redToMove && a.lostMarks[1] == b.lostMarks[1] && a.lostMarks[2] == b.lostMarks[2] &&
           a.key == b.key && sameRings(a, b);
}

// Each side draws a rectangle of its own and fills its sides in random order,
// with a random move now and then: rings close around marks and empty nodes,
// inside each other and across the other side's.
static int ringMove(uint32_t* seed, int* plan, int* planLeft) {
    int side = board.redToMove ? 0 : 1;
    for (int tries = 0; tries < 40; tries++) {
        if (planLeft[side] == 0 || nextRandom(seed) % 8 == 0) break;
        int* p = plan + side * 4;
        int perimeter = 2 * (p[2] + p[3]);
        int at = (int)(nextRandom(seed) % perimeter), column = p[0], row = p[1];
        if (at < p[2]) column += at;
        else if (at < p[2] + p[3]) column += p[2], row += at - p[2];
        else if (at < 2 * p[2] + p[3]) column += p[2] - (at - p[2] - p[3]), row += p[3];
        else row += p[3] - (at - 2 * p[2] - p[3]);
        planLeft[side]--;
        int node = nodeIndex(column, row);
        if (!board.marks[node] && !board.captured[node]) return node;
    }
    int* p = plan + side * 4;
    p[2] = 2 + (int)(nextRandom(seed) % 8), p[3] = 2 + (int)(nextRandom(seed) % 7);
    p[0] = (int)(nextRandom(seed) % (BOARD_COLUMNS - p[2])), p[1] = (int)(nextRandom(seed) % (BOARD_ROWS - p[3]));
    planLeft[side] = 3 * (p[2] + p[3]);
    return randomFreeNode(seed);
}

TEST_F(RulesTest, TheSearchMoveCapturesAsTheEngineDoes) {
    struct Game {
        const char* what;
        bool rings;
        int games;
    } games[] = {{"random", false, 40}, {"rings", true, 120}};
    for (const Game& g : games) {
        for (int n = 0; n < g.games; n++) {
            clearBoard();
            uint32_t seed = 9100 + (uint32_t)n;
            int plan[8] = {}, planLeft[2] = {};
            static SearchBoard fast, before;
            loadSearchBoard(fast, board);
            for (int move = 0;; move++) {
                int node = g.rings ? ringMove(&seed, plan, planLeft) : randomFreeNode(&seed);
                if (node < 0) break;
                before = fast;
                int taken = playSearchMove(fast, node);
                undoSearchMove(fast, node, taken);
                ASSERT_TRUE(samePosition(fast, before)) << g.what << " undo of move " << move;
                playSearchMove(fast, node);
                placeMarkAt(board, node);
                expectSameAsEngine(fast, g.what, move);
                if (HasFatalFailure()) return;
            }
        }
    }
}
