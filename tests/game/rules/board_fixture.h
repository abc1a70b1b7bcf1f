// Helpers shared by the rules tests: a fresh board, marks set by hand, moves
// in turn, and the outline list read back as node coordinates.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "board.h"
#include "capture.h"
#include "outline.h"

typedef std::pair<int, int> Node;  // (column, row), 0-based
typedef std::vector<Node> Outline;

inline void clearBoard() {
    memset(&board, 0, sizeof board);
    board.redToMove = 1;
}

inline void setMark(int column, int row, uint8_t colour) { board.marks[nodeIndex(column, row)] = colour; }
inline void setMarks(const std::vector<Node>& nodes, uint8_t colour) {
    for (const Node& node : nodes) setMark(node.first, node.second, colour);
}
inline uint8_t markAt(int column, int row) { return board.marks[nodeIndex(column, row)]; }
inline bool isCaptured(int column, int row) { return board.captured[nodeIndex(column, row)] != 0; }

inline void expectCaptured(const std::vector<Node>& nodes, bool captured) {
    for (const Node& node : nodes) {
        EXPECT_EQ(isCaptured(node.first, node.second), captured) << node.first << "," << node.second;
    }
}

// Places marks in turn; fails the test on a refused move.
inline void playMoves(const std::vector<Node>& moves) {
    for (const Node& move : moves) {
        ASSERT_TRUE(placeMark(move.first, move.second)) << move.first << "," << move.second;
    }
}

inline std::vector<Outline> readOutlines() {
    std::vector<Outline> result;
    int at = 0;
    for (int i = 0; i < board.outlineCount; i++) {
        int count = board.outlines[at++];
        Outline outline;
        for (int v = 0; v < count; v++, at += 2) {
            outline.push_back(Node(board.outlines[at] - 1, board.outlines[at + 1] - 1));
        }
        result.push_back(outline);
    }
    EXPECT_EQ(at, board.outlineEnd);
    return result;
}

// The whole game as the player sees it: marks, captures, turn and outlines.
inline void expectSameGame(const Board& expected, const std::string& what) {
    EXPECT_EQ(memcmp(board.marks, expected.marks, BOARD_NODES), 0) << what;
    EXPECT_EQ(memcmp(board.captured, expected.captured, BOARD_NODES), 0) << what;
    EXPECT_EQ(board.redToMove, expected.redToMove) << what;
    EXPECT_EQ(board.outlineCount, expected.outlineCount) << what;
    EXPECT_EQ(board.outlineEnd, expected.outlineEnd) << what;
    EXPECT_EQ(memcmp(board.outlines, expected.outlines, expected.outlineEnd), 0) << what;
}

class RulesTest : public ::testing::Test {
protected:
    void SetUp() override { clearBoard(); }
};
