// The board: neighbour stepping, the move rule, turns and scores.
#include "board_fixture.h"

// {coordinate, direction, result} for stepColumn and for stepRow.
struct Step {
    int from, direction, to;
};

static void expectSteps(int (*step)(int, int), const char* name, const std::vector<Step>& steps) {
    for (const Step& s : steps) {
        EXPECT_EQ(step(s.from, s.direction), s.to) << name << " " << s.from << "," << s.direction;
    }
}

TEST(StepTest, StepsOffTheBoardGiveOffBoard) {
    expectSteps(stepColumn, "column",
                {{1, 7, OFF_BOARD}, {1, 6, OFF_BOARD}, {25, 3, OFF_BOARD}, {25, 2, OFF_BOARD}, {1, 0, 1}, {24, 3, 25}});
    expectSteps(stepRow, "row",
                {{1, 1, OFF_BOARD}, {1, 0, OFF_BOARD}, {19, 4, OFF_BOARD}, {19, 5, OFF_BOARD}, {18, 5, 19}, {2, 7, 1}});
}

TEST(StepTest, UnknownDirectionLeavesTheCoordinate) {
    expectSteps(stepColumn, "column", {{5, 8, 5}, {7, -1, 7}});
    expectSteps(stepRow, "row", {{5, 8, 5}, {7, 200, 7}});
}

TEST_F(RulesTest, RedMovesFirstAndTurnsAlternate) {
    EXPECT_TRUE(placeMark(3, 3));
    EXPECT_EQ(markAt(3, 3), MARK_RED);
    EXPECT_EQ(board.redToMove, 0);
    EXPECT_TRUE(placeMark(4, 3));
    EXPECT_EQ(markAt(4, 3), MARK_BLUE);
    EXPECT_EQ(board.redToMove, 1);
}

TEST_F(RulesTest, RefusedMovesChangeNothing) {
    playMoves({{3, 3}});
    board.captured[nodeIndex(8, 8)] = 1;
    Board before = board;
    EXPECT_FALSE(placeMark(3, 3));   // taken
    EXPECT_FALSE(placeMark(8, 8));   // captured
    EXPECT_FALSE(placeMark(-1, 0));  // off the board
    EXPECT_FALSE(placeMark(25, 0));
    EXPECT_FALSE(placeMark(0, 19));
    expectSameGame(before, "after refused moves");  // blue still to move, too
}

TEST_F(RulesTest, NewGameClearsTheGameAndRedMovesFirst) {
    playMoves({{5, 4}, {5, 5}, {6, 5}, {1, 1}, {5, 6}, {2, 2}, {4, 5}});
    ASSERT_GT(board.outlineCount, 0);
    newGame();
    for (int node = 0; node < BOARD_NODES; node++) {
        ASSERT_EQ(board.marks[node], 0);
        ASSERT_EQ(board.captured[node], 0);
    }
    EXPECT_EQ(board.outlineCount, 0);
    EXPECT_EQ(board.outlineEnd, 0);
    EXPECT_TRUE(placeMark(0, 0));
    EXPECT_EQ(markAt(0, 0), MARK_RED);
}

TEST_F(RulesTest, ScoresCountCapturedMarksOfTheOtherSide) {
    setMarks({{1, 1}, {2, 1}, {3, 1}}, MARK_BLUE);
    setMarks({{4, 1}, {5, 1}}, MARK_RED);  // (5,1) stays live: counts for nobody
    for (int column : {1, 2, 3, 4, 6, 7}) board.captured[nodeIndex(column, 1)] = 1;
    EXPECT_EQ(redScore(), 3);
    EXPECT_EQ(blueScore(), 1);
}

TEST_F(RulesTest, AlternatingPlayFillsTheBoardWithAtMost238RedMarks) {
    for (int node = 0; node < BOARD_NODES; node++) {
        int column = node / BOARD_ROWS, row = node % BOARD_ROWS;
        placeMark(column, row);  // refused once captured: the turn stays
    }
    int red = 0, blue = 0;
    for (int node = 0; node < BOARD_NODES; node++) {
        red += board.marks[node] == MARK_RED;
        blue += board.marks[node] == MARK_BLUE;
    }
    EXPECT_LE(red, 238);
    EXPECT_LE(blue, 237);
    EXPECT_TRUE(red == blue || red == blue + 1);
}
