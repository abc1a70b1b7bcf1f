// Positions that only a saved game can hold, where a captured node touches
// open ground: the empty-node test's own steps then decide, traced by hand.
#include <cstdio>
#include <vector>

#include "board_fixture.h"
#include "file_bytes.h"
#include "savefile.h"
#include "scratch_path.h"

namespace {

struct Position {
    std::vector<Node> red;
    std::vector<Node> capturedEmpty;
};

// Writes the position as a saved game (blue to move) and restores it.
void restorePosition(const Position& position) {
    unsigned char bytes[SAVE_FILE_BYTES] = {};
    for (const Node& n : position.red) bytes[nodeIndex(n.first, n.second)] = MARK_RED;
    for (const Node& n : position.capturedEmpty) bytes[BOARD_NODES + nodeIndex(n.first, n.second)] = 1;
    const std::string path = scratchPath("orvo_restored_position.dat");
    writeFileBytes(path, bytes, sizeof bytes);
    ASSERT_TRUE(restoreGame(path.c_str()));
    remove(path.c_str());
}

// Red walls (5,5) on the left, right and below; above it a column of empty
// nodes runs up to the border.
const std::vector<Node> THREE_RED_WALLS = {{4, 5}, {6, 5}, {5, 6}};
const std::vector<Node> COLUMN_ABOVE = {{5, 0}, {5, 1}, {5, 2}, {5, 3}, {5, 4}};

}  // namespace

// The column is captured (so done before the test) but passable. Red's fill,
// which tries up first, leaves through it and marks it visited; blue's fill
// starts with that visited grid, finds its only way out taken and red's live
// marks on the other sides: the node counts as enclosed and is captured.
TEST_F(RulesTest, EmptyNodeWhoseWayOutRedAlreadyVisitedIsCaptured) {
    restorePosition({THREE_RED_WALLS, COLUMN_ABOVE});
    ASSERT_FALSE(isCaptured(5, 5));
    ASSERT_TRUE(placeMark(20, 15));  // blue, far away: the move recomputes the captures
    EXPECT_TRUE(isCaptured(5, 5));
    EXPECT_FALSE(isCaptured(5, 7));
    expectCaptured(THREE_RED_WALLS, false);
}

// The same walls with an ordinary empty column: (5,4), tested earlier in the
// scan, is found free, and (5,5) meets it through empty nodes alone, which
// frees it at once.
TEST_F(RulesTest, EmptyNodeNextToAnEmptyNodeFoundFreeIsFree) {
    restorePosition({THREE_RED_WALLS, {}});
    ASSERT_TRUE(placeMark(20, 15));
    EXPECT_FALSE(isCaptured(5, 5));
    EXPECT_FALSE(isCaptured(5, 4));
}

// Only the top of the column captured: red's fill reaches (5,1), then the
// free border node (5,0) through empty nodes only, and the tested node is
// free before blue's fill runs.
TEST_F(RulesTest, CapturedRunEndingAtAFreeBorderNodeFreesTheNode) {
    restorePosition({THREE_RED_WALLS, {{5, 1}, {5, 2}, {5, 3}, {5, 4}}});
    ASSERT_TRUE(placeMark(20, 15));
    EXPECT_FALSE(isCaptured(5, 5));
    EXPECT_FALSE(isCaptured(5, 0));
}
