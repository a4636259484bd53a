#include "command_values.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandValues, IntensitySteps) {
    struct Case {
        double factor;
        int step, after;
    } cases[] = {{95, 10, 100},
                 {100, 10, 100},
                 {50, 10, 60},
                 {125, 10, 100},
                 {5, -10, 1},
                 {10, -10, 1},
                 {55.5, -10, 45},
                 {0.5, 10, 10},
                 // The largest a state file may hold.
                 {3.4e38, 10, 100}};
    for (const Case& c : cases) EXPECT_EQ(intensityAfterStep(c.factor, c.step), c.after) << c.factor << " " << c.step;
}

TEST(CommandValues, CouplingAndSlopeCycles) {
    EXPECT_EQ(nextCoupling(0), 1);
    EXPECT_EQ(nextCoupling(1), 2);
    EXPECT_EQ(nextCoupling(2), 0);
    EXPECT_EQ(nextCoupling(nextCoupling(nextCoupling(1))), 1);
    EXPECT_EQ(toggledSlope(1), 0);
    EXPECT_EQ(toggledSlope(0), 1);
    EXPECT_EQ(toggledSlope(2), 2);
}

TEST(CommandValues, MarkerDrags) {
    struct Level {
        int top, y, panel, after, row;
    } levels[] = {
        {205, 5, 416, 205, 200},
        {205, -1000, 416, 5, 400},
        {205, 1000, 416, 405, 0},
        {100, 15, 416, 110, 295},
    };
    for (const Level& c : levels) {
        const int top = levelMarkerTopAfterDrag(c.top, c.y, c.panel);
        EXPECT_EQ(top, c.after) << c.top << " " << c.y;
        EXPECT_EQ(rowOfLevelMarkerTop(top, 400), c.row);
    }
    EXPECT_EQ(positionMarkerLeftAfterDrag(100, 7, 514), 100);
    EXPECT_EQ(positionMarkerLeftAfterDrag(100, 57, 514), 150);
    EXPECT_EQ(positionMarkerLeftAfterDrag(10, -100, 514), 0);
    EXPECT_EQ(positionMarkerLeftAfterDrag(490, 100, 514), 500);
}

} // namespace

TEST(CommandValues, MeasureWindowGoesBesideTheMainWindowWhenThereIsRoom) {
    struct Case {
        int screen, left;
    } cases[] = {
        {1920, 715}, // 100 + 605 + 10
        {1006, 715},
        {1005, -200}, // 100 + 605 + 300 is not below 1005: ends at the main window's left
        {1000, -200},
    };
    for (const Case& c : cases) EXPECT_EQ(measureWindowLeft(100, 605, 300, c.screen), c.left) << c.screen;
}
