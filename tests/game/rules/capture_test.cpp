// Captures: enclosure by orthogonal walls, diagonal walls, the border, and the
// permanence of a capture; checked against the plain rule in random games.
#include <cstdint>

#include "board_fixture.h"
#include "random_moves.h"
#include "reference_rule.h"

// Blue (or red) marks far from everything else, none adjacent to another.
static std::vector<Node> spareNodes() {
    std::vector<Node> spare;
    for (int row = 13; row <= 17; row += 2) {
        for (int column = 1; column <= 23; column += 2) spare.push_back(Node(column, row));
    }
    return spare;
}

// Plays first[i], second[i] in turn; missing entries come from the spare nodes.
static void playAlternating(const std::vector<Node>& first, const std::vector<Node>& second) {
    std::vector<Node> spare = spareNodes();
    size_t nextSpare = 0;
    for (size_t i = 0; i < first.size() || i < second.size(); i++) {
        Node a = i < first.size() ? first[i] : spare[nextSpare++];
        ASSERT_TRUE(placeMark(a.first, a.second)) << a.first << "," << a.second;
        if (i >= second.size() && i + 1 >= first.size()) return;
        Node b = i < second.size() ? second[i] : spare[nextSpare++];
        ASSERT_TRUE(placeMark(b.first, b.second)) << b.first << "," << b.second;
    }
}

static const std::vector<Node> SMALL_DIAMOND = {{5, 4}, {6, 5}, {5, 6}, {4, 5}};

// Red closes the small diamond around blue (5,5) one mark at a time; the
// capture comes with the last mark and outlasts everything played after it.
TEST_F(RulesTest, FourRedMarksCaptureTheBlueMarkBetweenThemForGood) {
    playAlternating({{5, 4}, {6, 5}, {5, 6}}, {{5, 5}, {1, 13}, {3, 13}});
    EXPECT_FALSE(isCaptured(5, 5));  // no capture before the ring closes
    EXPECT_EQ(board.outlineCount, 0);
    playMoves({{4, 5}});
    EXPECT_TRUE(isCaptured(5, 5));
    EXPECT_EQ(redScore(), 1);
    EXPECT_EQ(blueScore(), 0);
    ASSERT_EQ(board.outlineCount, 1);
    const uint8_t expected[] = {4, 6, 5, 7, 6, 6, 7, 5, 6};
    ASSERT_EQ(board.outlineEnd, (int)sizeof expected);
    EXPECT_EQ(memcmp(board.outlines, expected, sizeof expected), 0);

    // Blue breaks nothing by playing next to the ring; red keeps playing too.
    playMoves({{5, 3}, {9, 9}, {7, 5}, {10, 10}, {3, 5}});
    EXPECT_TRUE(isCaptured(5, 5));
    // A capture set by hand (as a restored game may hold) is kept as well.
    board.captured[nodeIndex(12, 2)] = 1;
    playMoves({{12, 5}});
    EXPECT_TRUE(isCaptured(12, 2));
    EXPECT_FALSE(placeMark(12, 2));
}

TEST_F(RulesTest, EnclosedEmptyNodeIsCapturedAndTakesNoMark) {
    playAlternating(SMALL_DIAMOND, {});
    EXPECT_TRUE(isCaptured(5, 5));
    EXPECT_EQ(redScore(), 0);
    EXPECT_EQ(blueScore(), 0);
    EXPECT_FALSE(placeMark(5, 5));
    EXPECT_EQ(markAt(5, 5), MARK_NONE);
}

TEST_F(RulesTest, CornerToCornerChainIsAWall) {
    const std::vector<Node> ring = {{5, 3}, {6, 4}, {7, 5}, {6, 6}, {5, 7}, {4, 6}, {3, 5}, {4, 4}};
    playAlternating(ring, {{5, 5}});
    expectCaptured({{5, 5}, {5, 4}, {4, 5}, {6, 5}, {5, 6}}, true);
    expectCaptured(ring, false);
    EXPECT_FALSE(isCaptured(5, 2));
    EXPECT_EQ(readOutlines(), std::vector<Outline>({ring}));
}

TEST_F(RulesTest, MarkOnTheBorderIsNeverCaptured) {
    playAlternating({{0, 4}, {1, 5}, {0, 6}}, {{0, 5}});
    EXPECT_FALSE(isCaptured(0, 5));
    EXPECT_EQ(board.outlineCount, 0);
}

TEST_F(RulesTest, OwnMarkInsideARingStaysFree) {
    std::vector<Node> red = {{5, 5}};
    for (int i = 3; i <= 7; i++) {
        red.push_back(Node(i, 3));
        red.push_back(Node(i, 7));
    }
    for (int i = 4; i <= 6; i++) {
        red.push_back(Node(3, i));
        red.push_back(Node(7, i));
    }
    playAlternating(red, {{4, 4}});
    expectCaptured({{5, 5}, {3, 3}}, false);
    expectCaptured({{4, 4}, {6, 6}, {4, 6}}, true);
    EXPECT_EQ(redScore(), 1);
}

TEST_F(RulesTest, EnclosingAnEnclosureCapturesItsWall) {
    std::vector<Node> blue = {{5, 5}};
    const Node bigDiamond[] = {{5, 2}, {6, 3}, {7, 4}, {8, 5}, {7, 6}, {6, 7},
                               {5, 8}, {4, 7}, {3, 6}, {2, 5}, {3, 4}, {4, 3}};
    std::vector<Node> red = SMALL_DIAMOND;
    std::vector<Node> spare = spareNodes();
    // Blue plays (5,5) against the small red diamond, then builds the big
    // diamond while red plays spare nodes from the end of the list.
    for (const Node& node : bigDiamond) blue.push_back(node);
    while (red.size() < blue.size()) red.push_back(spare[spare.size() - 1 - (red.size() - SMALL_DIAMOND.size())]);
    playAlternating(red, blue);
    ASSERT_TRUE(isCaptured(5, 5));
    expectCaptured(SMALL_DIAMOND, true);
    EXPECT_TRUE(isCaptured(5, 3));  // empty, between the two rings
    EXPECT_EQ(redScore(), 1);
    EXPECT_EQ(blueScore(), 4);
    std::vector<Outline> outlines = readOutlines();
    ASSERT_EQ(outlines.size(), 1u);
    EXPECT_EQ(outlines[0].size(), 12u);
    EXPECT_EQ(markAt(outlines[0][0].first, outlines[0][0].second), MARK_BLUE);
}

TEST_F(RulesTest, EmptyNodeTestTellsWhichSideEncloses) {
    setMarks(SMALL_DIAMOND, MARK_RED);
    for (int node = 0; node < BOARD_NODES; node++) {
        board.working[node] = 1;
        board.done[node] = 0;
        board.visited[node] = 0;
    }
    EXPECT_EQ(testEmptyNode(5, 5), 1);
    setMarks(SMALL_DIAMOND, MARK_BLUE);
    memset(board.visited, 0, sizeof board.visited);
    EXPECT_EQ(testEmptyNode(5, 5), 2);
    memset(board.visited, 0, sizeof board.visited);
    EXPECT_EQ(testEmptyNode(9, 9), 0);
    EXPECT_EQ(board.pathLength, 0);
}

// Random games, each move checked against the plain rule; captures never go back.
TEST_F(RulesTest, RandomGamesFollowTheEnclosureRule) {
    uint32_t seed = 12345;
    int capturedSeen = 0;
    for (int game = 0; game < 8; game++) {
        newGame();
        for (int move = 0; move < BOARD_NODES; move++) {
            int pick = randomFreeNode(&seed);
            if (pick < 0) break;
            uint8_t before[BOARD_NODES], expected[BOARD_NODES];
            memcpy(before, board.captured, BOARD_NODES);
            ASSERT_TRUE(placeMark(pick / BOARD_ROWS, pick % BOARD_ROWS));
            referenceCaptures(before, expected);
            for (int node = 0; node < BOARD_NODES; node++) {
                ASSERT_EQ(board.captured[node] != 0, expected[node] != 0)
                    << "game " << game << " move " << move << " node " << node / BOARD_ROWS << "," << node % BOARD_ROWS;
            }
            ASSERT_EQ(board.pathLength, 0);
        }
        for (int node = 0; node < BOARD_NODES; node++) capturedSeen += board.captured[node] != 0;
    }
    EXPECT_GT(capturedSeen, 100);  // the games did enclose things
}
