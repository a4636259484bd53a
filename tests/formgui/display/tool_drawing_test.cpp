// The GDI placement is read back pixel by pixel in display_gdi_test; here the surface
// placement, which only the other renderer draws.
#include "tool_drawing.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

namespace {

using Runs = std::vector<std::pair<int, int>>;

Runs runsOf(const ToolLine& line) {
    Runs runs;
    forEachLineRun(line, [&](int first, int last) { runs.push_back({first, last}); });
    return runs;
}

TEST(ToolDrawing, SurfaceLinesLieOnTheirPositionDashedFromZero) {
    const ToolLine h = horizontalToolLine(LinePlacement::Surface, 150, false, 500);
    EXPECT_TRUE(h.horizontal);
    EXPECT_EQ(h.at, 150);
    const Runs dashes = runsOf(h);
    ASSERT_EQ(dashes.size(), 56u);
    EXPECT_EQ(dashes.front(), std::make_pair(0, 4));
    EXPECT_EQ(dashes[1], std::make_pair(9, 13));
    EXPECT_EQ(dashes.back(), std::make_pair(495, 499));

    const ToolLine v = verticalToolLine(LinePlacement::Surface, 300, false, 400);
    EXPECT_FALSE(v.horizontal);
    EXPECT_EQ(v.at, 300);
    const Runs down = runsOf(v);
    ASSERT_EQ(down.size(), 45u);
    EXPECT_EQ(down.front(), std::make_pair(0, 4));
    EXPECT_EQ(down.back(), std::make_pair(396, 400));

    EXPECT_EQ(runsOf(verticalToolLine(LinePlacement::Surface, 7, true, 400)), (Runs{{0, 399}}));
    EXPECT_EQ(verticalToolLine(LinePlacement::Gdi, 7, true, 400).at, 8);
    EXPECT_EQ(horizontalToolLine(LinePlacement::Gdi, 7, false, 500).at, 9);
    EXPECT_GT(horizontalToolLine(LinePlacement::Gdi, INT_MAX, false, 500).at, 400); // no overflow
}

} // namespace
