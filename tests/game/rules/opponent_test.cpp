// The computer opponent and the take-back: legal moves in the corners of the
// rules, the same answer for the same question, the capture at hand, and
// positions put back exactly.
#include <gtest/gtest.h>

#include "board_fixture.h"
#include "opponent.h"
#include "random_moves.h"
#include "savefile.h"
#include "search_board.h"

static const int LEVELS[] = {LEVEL_EASY, LEVEL_NORMAL, LEVEL_HARD};

static bool isFreeNode(int node) {
    return node >= 0 && node < BOARD_NODES && board.marks[node] == MARK_NONE && board.captured[node] == 0;
}

// Random moves until only `left` free nodes remain.
static void playRandomlyUntil(int left, uint32_t seed) {
    for (;;) {
        int freeNodes = 0;
        for (int node = 0; node < BOARD_NODES; node++) freeNodes += isFreeNode(node);
        if (freeNodes <= left) return;
        int node = randomFreeNode(&seed);
        placeMark(node / BOARD_ROWS, node % BOARD_ROWS);
    }
}

// Every node captured but two, with empty nodes or with captured marks around them.
static void onlyCapturedAround(uint8_t aroundMark) {
    for (int node = 0; node < BOARD_NODES; node++) {
        board.captured[node] = 1;
        board.marks[node] = aroundMark;
    }
    for (int node : {nodeIndex(3, 3), nodeIndex(20, 15)}) {
        board.captured[node] = 0;
        board.marks[node] = MARK_NONE;
    }
}

// Normal and hard, to move with either colour among the walls of the other,
// play `expected`.
static void expectMoveWithEitherColour(const std::vector<Node>& walls, const std::vector<Node>& moverMarks,
                                       int expected) {
    for (uint8_t wall : {MARK_RED, MARK_BLUE}) {
        uint8_t mover = wall == MARK_RED ? MARK_BLUE : MARK_RED;
        for (int level : {LEVEL_NORMAL, LEVEL_HARD}) {
            clearBoard();
            setMarks(walls, wall);
            setMarks(moverMarks, mover);
            board.redToMove = mover == MARK_RED;
            recomputeCaptures();
            EXPECT_EQ(chooseMove(board, level, nullptr), expected) << "wall " << (int)wall << ", level " << level;
        }
    }
}

TEST_F(RulesTest, TheOpponentAlwaysPlaysAFreeUncapturedNode) {
    struct Case {
        const char* what;
        void (*setUp)();
    } cases[] = {
        {"empty board", [] {}},
        {"opening",
         [] {
             playMoves({{12, 9}, {13, 9}, {12, 10}});
         }},
        {"nearly full board", [] { playRandomlyUntil(4, 77); }},
        {"one free node", [] { playRandomlyUntil(1, 78); }},
        {"captured empty nodes around", [] { onlyCapturedAround(MARK_NONE); }},
        {"captured marks around", [] { onlyCapturedAround(MARK_BLUE); }},
    };
    for (const Case& c : cases) {
        for (int level : LEVELS) {
            clearBoard();
            c.setUp();
            for (int turn = 0; turn < 2; turn++) {
                int node = chooseMove(board, level, nullptr);
                ASSERT_TRUE(isFreeNode(node)) << c.what << ", level " << level << ": " << node;
                if (!playMove(node / BOARD_ROWS, node % BOARD_ROWS)) FAIL() << c.what;
                bool anyFree = false;
                for (int n = 0; n < BOARD_NODES; n++) anyFree |= isFreeNode(n);
                if (!anyFree) break;
            }
        }
    }
}

TEST_F(RulesTest, TheOpponentHasNoMoveOnAFullBoard) {
    playRandomlyUntil(0, 79);
    for (int level : LEVELS) EXPECT_EQ(chooseMove(board, level, nullptr), -1) << level;
}

// The same position and level give the same move, whatever was searched in
// between, and the search leaves the position it was given untouched.
TEST_F(RulesTest, TheOpponentIsDeterministic) {
    uint32_t seed = 80;
    for (int i = 0; i < 60; i++) {
        int node = randomFreeNode(&seed);
        placeMark(node / BOARD_ROWS, node % BOARD_ROWS);
    }
    Board before = board;
    Board other = board;
    other.redToMove = !other.redToMove;
    for (int level : LEVELS) {
        int first = chooseMove(board, level, nullptr);
        chooseMove(other, level, nullptr);
        EXPECT_EQ(chooseMove(board, level, nullptr), first) << level;
        expectSameGame(before, "after the search");
    }
}

// A ring that lacks one node around two blue marks and an empty node; blue
// has nothing to gain meanwhile. Every level closes the ring, for red and,
// with the colours swapped, for blue.
TEST_F(RulesTest, TheOpponentTakesTheCaptureAtHand) {
    std::vector<Node> ring = {{9, 8}, {10, 8}, {11, 8}, {12, 9}, {11, 10}, {10, 10}, {9, 10}};
    std::vector<Node> inside = {{9, 9}, {10, 9}};
    for (uint8_t wall : {MARK_RED, MARK_BLUE}) {
        for (int level : LEVELS) {
            clearBoard();
            setMarks(ring, wall);
            setMarks(inside, wall == MARK_RED ? MARK_BLUE : MARK_RED);
            setMarks({{3, 14}, {20, 3}, {4, 4}, {19, 15}, {15, 9}}, wall == MARK_RED ? MARK_BLUE : MARK_RED);
            board.redToMove = wall == MARK_RED;
            EXPECT_EQ(chooseMove(board, level, nullptr), nodeIndex(8, 9))
                << "wall " << (int)wall << ", level " << level;
        }
    }
}

// The same ring, with the other side to move: normal and hard stop the capture
// by taking the missing node. A chain of the mover's marks that reaches the
// border through one of its own marks, walled in everywhere else, must not
// count as a capture for the ring's side.
TEST_F(RulesTest, TheOpponentStopsTheCaptureThreatened) {
    std::vector<Node> walls = {{9, 8},  {10, 8}, {11, 8}, {12, 9}, {11, 10}, {10, 10}, {9, 10}, {1, 11},
                               {2, 12}, {2, 13}, {2, 14}, {2, 15}, {1, 16},  {0, 12},  {0, 14}, {0, 15}};
    std::vector<Node> mover = {{9, 9}, {10, 9}, {0, 13}, {1, 12}, {1, 13}, {1, 14}, {1, 15}};
    expectMoveWithEitherColour(walls, mover, nodeIndex(8, 9));
}

// A seeded game to a full board, taken back move by move: each take-back gives
// the exact game before that move, outlines included; then there is nothing left.
TEST_F(RulesTest, TakeBackRestoresEveryPositionExactly) {
    newGame();
    std::vector<Board> before;
    uint32_t seed = 81;
    for (int node = randomFreeNode(&seed); node >= 0; node = randomFreeNode(&seed)) {
        before.push_back(board);
        ASSERT_TRUE(playMove(node / BOARD_ROWS, node % BOARD_ROWS));
        EXPECT_FALSE(playMove(node / BOARD_ROWS, node % BOARD_ROWS));  // refused: nothing remembered
    }
    ASSERT_GT(redScore() + blueScore(), 0);
    for (size_t i = before.size(); i-- > 0;) {
        ASSERT_TRUE(takeBack());
        expectSameGame(before[i], "back to move " + std::to_string(i));
    }
    EXPECT_FALSE(takeBack());
}

TEST_F(RulesTest, NewAndRestoredGamesHaveNothingToTakeBack) {
    std::string path = ::testing::TempDir() + "orvo_take_back.dat";
    newGame();
    playMoves({{5, 4}, {5, 5}});
    ASSERT_TRUE(saveGame(path.c_str()));
    ASSERT_TRUE(playMove(6, 5));
    ASSERT_TRUE(restoreGame(path.c_str()));
    EXPECT_FALSE(takeBack());
    ASSERT_TRUE(playMove(6, 5));
    EXPECT_FALSE(restoreGame((path + ".missing").c_str()));  // nothing loaded: the move stays remembered
    EXPECT_TRUE(takeBack());
    newGame();
    playMoves({{5, 4}});
    newGame();
    EXPECT_FALSE(takeBack());
    remove(path.c_str());
}

// A game between hard (blue) and a careful player. Red's 17,11 would leave
// blue's group (16,10), (15,11), (16,11) with two capture points, the
// corridor (17,10)-(18,10); blue must see it coming. Whatever hard plays, red
// answers 17,11, and then blue must still have a move that leaves red no
// capture of the group.
TEST_F(RulesTest, TheHardLevelStopsADoubleThreatBeforeItIsMade) {
    static const int GAME[][2] = {
        {13, 6},  {8, 13},  {16, 9},  {12, 12}, {12, 13}, {11, 13}, {11, 12}, {10, 12}, {11, 11}, {10, 11}, {10, 13},
        {11, 14}, {13, 12}, {12, 11}, {11, 10}, {13, 13}, {12, 14}, {9, 12},  {10, 14}, {11, 15}, {12, 10}, {13, 11},
        {14, 12}, {9, 13},  {14, 11}, {13, 10}, {14, 10}, {13, 9},  {14, 13}, {9, 14},  {10, 15}, {13, 14}, {12, 15},
        {11, 16}, {13, 15}, {14, 14}, {14, 15}, {10, 16}, {9, 15},  {9, 16},  {8, 15},  {15, 14}, {8, 14},  {12, 9},
        {11, 9},  {12, 16}, {13, 16}, {15, 13}, {15, 12}, {15, 11}, {15, 10}, {16, 11}, {14, 9},  {16, 10}, {12, 8},
        {13, 8},  {13, 7},  {14, 8},  {14, 7},  {15, 8},  {15, 7},  {16, 8},  {16, 12}, {15, 9},  {17, 9},  {11, 8},
        {10, 9}};
    for (const auto& move : GAME) ASSERT_TRUE(placeMark(move[0], move[1]));
    int node = chooseMove(board, LEVEL_HARD, nullptr);
    ASSERT_TRUE(placeMark(node / BOARD_ROWS, node % BOARD_ROWS));
    if (!placeMark(17, 11)) return;  // hard took the node itself
    const int group[] = {nodeIndex(16, 10), nodeIndex(15, 11), nodeIndex(16, 11)};
    static SearchBoard b;
    loadSearchBoard(b, board);
    bool saved = false;
    for (int reply = 0; reply < BOARD_NODES && !saved; reply++) {
        if (!isOpen(b, reply)) continue;
        int replyTaken = playSearchMove(b, reply);
        bool lost = false;
        for (int capture = 0; capture < BOARD_NODES && !lost; capture++) {
            if (!isOpen(b, capture)) continue;
            int taken = playSearchMove(b, capture);
            for (int mark : group) lost |= b.captured[mark] != 0;
            undoSearchMove(b, capture, taken);
        }
        saved = !lost;
        undoSearchMove(b, reply, replyTaken);
    }
    EXPECT_TRUE(saved) << "hard played " << node / BOARD_ROWS << "," << node % BOARD_ROWS;
}

// The walls' side has two groups of the mover's marks in its grip: three
// marks that a corridor of two nodes, (10,4)-(10,3), joins to the open board,
// dead whichever the mover fills, and two marks with one way out at (17,11).
// A corridor of three nodes, (20,5) to (20,3), leads into the walls. The mover
// saves what can be saved, and neither feeds the dead group nor walks into
// the corridor.
TEST_F(RulesTest, TheOpponentSavesWhatItCanAndLeavesTheDeadAlone) {
    std::vector<Node> walls = {{9, 5},   {9, 6},   {9, 7},   {11, 5},  {11, 6},  {11, 7},  {10, 8},
                               {9, 4},   {11, 4},  {9, 3},   {11, 3},  {15, 10}, {18, 10}, {16, 9},
                               {17, 9},  {16, 11}, {19, 3},  {19, 4},  {19, 5},  {21, 3},  {21, 4},
                               {21, 5},  {20, 6}};
    std::vector<Node> mover = {{10, 5}, {10, 6}, {10, 7}, {16, 10}, {17, 10}, {3, 15}, {22, 16}};
    expectMoveWithEitherColour(walls, mover, nodeIndex(17, 11));
}
