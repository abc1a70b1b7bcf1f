// The hard level's forcing lines, in a position from its games against a
// careful player.
#include <gtest/gtest.h>

#include "board_fixture.h"
#include "opponent.h"
#include "search_board.h"

template <size_t N>
static void playGame(const int (&moves)[N][2]) {
    for (const auto& move : moves) ASSERT_TRUE(placeMark(move[0], move[1]));
}

static void playNode(int node) { ASSERT_TRUE(placeMark(node / BOARD_ROWS, node % BOARD_ROWS)); }

// The first node where a mark of side would capture something; -1 for none.
static int firstCapturePoint(SearchBoard& b, int side) {
    for (int node = 0; node < BOARD_NODES; node++) {
        if (isOpen(b, node) && capturesAt(b, node, side) > 0) return node;
    }
    return -1;
}

// The fewest marks side still captures at once after the other side's best
// answer.
static int captureAfterBestAnswer(int side) {
    static SearchBoard b;
    loadSearchBoard(b, board);
    int fewest = BOARD_NODES;
    for (int answer = 0; answer < BOARD_NODES; answer++) {
        if (!isOpen(b, answer)) continue;
        int taken = playSearchMove(b, answer), most = 0;
        for (int node = 0; node < BOARD_NODES; node++) {
            if (isOpen(b, node) && capturesAt(b, node, side) > most) most = capturesAt(b, node, side);
        }
        undoSearchMove(b, answer, taken);
        if (most < fewest) fewest = most;
    }
    return fewest;
}

// Blue (hard) to move, with nothing to capture and nothing to block. It wins
// by a threat on red's (15,16)-(15,17), which red blocks, and then a second
// threat that leaves two capture points. The main search alone, whose lists
// hold few quiet moves, missed it.
TEST_F(RulesTest, TheHardLevelWinsByThreatAfterThreat) {
    static const int GAME[][2] = {
        {16, 11}, {14, 11}, {8, 10}, {15, 6}, {15, 12}, {15, 11}, {14, 12}, {13, 12}, {15, 10}, {14, 10},
        {14, 13}, {13, 11}, {13, 13}, {12, 12}, {12, 13}, {13, 14}, {12, 14}, {14, 14}, {15, 13}, {11, 13},
        {13, 15}, {14, 15}, {12, 15}, {15, 14}, {11, 14}, {13, 16}, {16, 13}, {12, 16}, {11, 15}, {11, 16},
        {12, 17}, {11, 17}, {13, 17}, {12, 18}, {10, 16}, {10, 17}, {10, 15}, {9, 16}, {10, 14}, {11, 18},
        {9, 15}, {10, 13}, {9, 14}, {11, 12}, {10, 18}, {12, 11}, {13, 18}, {13, 10}, {8, 15}, {14, 17},
        {8, 16}, {9, 17}, {8, 17}, {9, 18}, {8, 18}, {14, 16}, {15, 16}, {15, 15}, {15, 17}, {16, 14}, {14, 18},
        {15, 18}, {9, 13}, {15, 9}, {16, 10}};
    playGame(GAME);
    playNode(chooseMove(board, LEVEL_HARD, nullptr));
    static SearchBoard b;
    loadSearchBoard(b, board);
    int point = firstCapturePoint(b, MARK_BLUE);
    ASSERT_GE(point, 0) << "the first move makes no threat";
    playNode(point);  // red blocks
    playNode(chooseMove(board, LEVEL_HARD, nullptr));
    EXPECT_GE(captureAfterBestAnswer(MARK_BLUE), 2);
}
