// Outlines: one record per ring-closing step of the walk over each group of
// live same-colour marks, kept well formed whatever the board holds.
#include <cstdint>
#include <cstdlib>

#include "board_fixture.h"

static bool adjacent(const Node& a, const Node& b) {
    int dc = abs(a.first - b.first), dr = abs(a.second - b.second);
    return dc <= 1 && dr <= 1 && (dc + dr) > 0;
}

// Every record is a closed chain of at least three adjacent live marks of one colour.
static void expectOutlinesAreRings(const std::vector<Outline>& outlines) {
    for (const Outline& outline : outlines) {
        ASSERT_GE(outline.size(), 3u);
        ASSERT_LE(outline.size(), 255u);
        uint8_t colour = markAt(outline[0].first, outline[0].second);
        ASSERT_NE(colour, MARK_NONE);
        for (size_t i = 0; i < outline.size(); i++) {
            const Node& node = outline[i];
            EXPECT_EQ(markAt(node.first, node.second), colour);
            EXPECT_FALSE(isCaptured(node.first, node.second));
            EXPECT_TRUE(adjacent(node, outline[(i + 1) % outline.size()]));
        }
    }
}

// A triangle is one outline, and none once one of its marks is captured.
TEST_F(RulesTest, TriangleOfMarksIsOneOutlineUnlessCaptured) {
    setMarks({{1, 1}, {2, 1}, {2, 2}}, MARK_RED);
    rebuildOutlines();
    EXPECT_EQ(readOutlines(), std::vector<Outline>({{{1, 1}, {2, 1}, {2, 2}}}));
    EXPECT_EQ(board.pathLength, 0);
    board.captured[nodeIndex(2, 2)] = 1;
    rebuildOutlines();
    EXPECT_EQ(board.outlineCount, 0);
}

TEST_F(RulesTest, SolidSquareOfFourIsThreeOutlines) {
    setMarks({{8, 8}, {9, 8}, {8, 9}, {9, 9}}, MARK_BLUE);
    rebuildOutlines();
    std::vector<Outline> outlines = readOutlines();
    EXPECT_EQ(outlines.size(), 3u);
    expectOutlinesAreRings(outlines);
}

TEST_F(RulesTest, ChainsAndMixedColoursMakeNoOutline) {
    for (int column = 2; column < 20; column++) setMark(column, 4, MARK_RED);
    setMarks({{5, 8}, {6, 9}}, MARK_RED);
    setMarks({{6, 8}, {5, 9}}, MARK_BLUE);
    rebuildOutlines();
    EXPECT_EQ(board.outlineCount, 0);
    EXPECT_EQ(board.outlineEnd, 0);
}

// Dense boards (only a loaded file can hold them) close rings longer than a
// one-byte count can say: those are left out and the list stays readable.
TEST_F(RulesTest, RingsTooLongForTheCountAreLeftOut) {
    uint32_t seed = 7;
    for (int node = 0; node < BOARD_NODES; node++) {
        seed = seed * 1103515245u + 12345u;
        board.marks[node] = ((seed >> 16) % 100) < 85 ? MARK_RED : MARK_BLUE;
    }
    rebuildOutlines();
    EXPECT_LE(board.outlineEnd, OUTLINE_BYTES);
    std::vector<Outline> outlines = readOutlines();
    expectOutlinesAreRings(outlines);
    EXPECT_EQ(board.pathLength, 0);
}

TEST_F(RulesTest, WholeBoardOfOneColourFits) {
    memset(board.marks, MARK_RED, sizeof board.marks);
    rebuildOutlines();
    std::vector<Outline> outlines = readOutlines();
    EXPECT_GT(outlines.size(), 1000u);
    expectOutlinesAreRings(outlines);
}
