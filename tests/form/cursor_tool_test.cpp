#include "cursor_tool.h"

#include "environment.h"

#include <gtest/gtest.h>

namespace {

constexpr int CROSS = 7;
constexpr int HORIZONTAL = 8;
constexpr int VERTICAL = 9;

Environment freshEnvironment() { return Environment("/nonexistent/environment.ini"); }

// Channel 1 at 1 V/div, x1 probe, offset 200; 1 ms/div; trigger point at column 250.
CursorScales scales(int timeDiv = 17) {
    CursorScales s;
    s.timeDiv = timeDiv;
    return s;
}

TEST(CursorReadout, PairTextsForKnownPointsAndScales) {
    struct Case {
        const char* name;
        CursorScales scales;
        DisplayPoint a;
        DisplayPoint b;
        const char* horizontal;
        const char* vertical;
    };
    CursorScales none = scales();
    none.channel = 0;
    CursorScales fineVolts = scales();
    fineVolts.voltDiv = 0; // 5 mV/div
    CursorScales probe10 = scales();
    probe10.probe = 10;
    probe10.voltageOffset = 250.9; // truncated to 250
    CursorScales late = scales();
    late.horizontalPosition = 450.5;

    // clang-format off
    const Case cases[] = {
        {"cross 1 ms/div", scales(), {100, 100}, {200, 300},
         "Horizontal : @ = 3ms, d=2ms, f=500Hz", "Vertical : @ = 2V, d=4V"},
        {"same column", scales(), {250, 200}, {250, 200},
         "Horizontal : @ = 0s, d=0s, f=0Hz", "Vertical : @ = 0mV, d=0mV"},
        {"A below the zero line, right of the trigger", scales(), {400, 350}, {100, 340},
         "Horizontal : @ = -3ms, d=6ms, f=167Hz", "Vertical : @ = -3V, d=200mV"},
        {"below 1 ns the time is empty", scales(0), {100, 200}, {101, 200},
         "Horizontal : @ = 6ns, d=, f=2.5E004MHz", "Vertical : @ = 0mV, d=0mV"},
        {"nanoseconds and megahertz", scales(1), {250, 0}, {350, 400},
         "Horizontal : @ = 0s, d=8ns, f=125MHz", "Vertical : @ = 4V, d=8V"},
        {"microseconds and kilohertz", scales(13), {213, 0}, {250, 0},
         "Horizontal : @ = 29.6us, d=29.6us, f=33.8kHz", "Vertical : @ = 4V, d=0mV"},
        {"seconds", scales(29), {0, 0}, {250, 0},
         "Horizontal : @ = 50s, d=50s, f=0.02Hz", "Vertical : @ = 4V, d=0mV"},
        {"no measured channel", none, {100, 100}, {200, 300},
         "Horizontal : @ = 3ms, d=2ms, f=500Hz", "Vertical : @ = , d="},
        {"millivolts", fineVolts, {0, 199}, {0, 200},
         "Horizontal : @ = 5ms, d=0s, f=0Hz", "Vertical : @ = 0.1mV, d=0.1mV"},
        {"probe x10, truncated offset", probe10, {0, 75}, {0, 0},
         "Horizontal : @ = 5ms, d=0s, f=0Hz", "Vertical : @ = 15V, d=15V"},
        {"trigger point truncated", late, {450, 200}, {450, 200},
         "Horizontal : @ = 20us, d=0s, f=0Hz", "Vertical : @ = 0mV, d=0mV"},
    };
    // clang-format on
    for (const Case& c : cases) {
        Environment env = freshEnvironment();
        env.cursorA = c.a;
        env.cursorB = c.b;
        const CursorReadout r = updateCursorReadout(env, c.scales);
        EXPECT_EQ(r.horizontal, c.horizontal) << c.name;
        EXPECT_EQ(r.vertical, c.vertical) << c.name;
    }
}

// An inverted channel's zero line is drawn at the mirrored offset row: cursor A reads 0 on
// it and one division either side of it reads that division's voltage, sign by the side.
TEST(CursorReadout, CursorAVoltageFollowsTheZeroLineAsDrawn) {
    for (bool inverted : {false, true})
        for (int probe : {1, 10, 100, 1000})
            for (int voltDiv = 0; voltDiv <= 10; ++voltDiv) {
                CursorScales s = scales();
                s.voltageOffset = 300;
                s.inverted = inverted;
                s.probe = probe;
                s.voltDiv = voltDiv;
                const int zeroRow = inverted ? 100 : 300;
                const std::string division = formatCursorVoltage(s, 0, 50);
                const struct {
                    int row;
                    std::string vertical;
                } cases[] = {{zeroRow, "Vertical : @ = 0mV"},
                             {zeroRow + 50, "Vertical : @ = " + division},
                             {zeroRow - 50, "Vertical : @ = -" + division}};
                for (const auto& c : cases) {
                    Environment env = freshEnvironment();
                    env.cursorA = {0, s.height - c.row};
                    EXPECT_EQ(updateCursorAReadout(env, s).vertical, c.vertical)
                        << "inverted " << inverted << ", probe " << probe << ", volt/div " << voltDiv << ", row "
                        << c.row;
                }
            }
}

TEST(CursorReadout, VoltageAndFrequencyUnitsAtTheirBounds) {
    CursorScales s = scales();
    s.voltDiv = 7; // 1 V/div: 50 pixels is exactly 1 V
    EXPECT_EQ(formatCursorVoltage(s, 0, 50), "1V");
    EXPECT_EQ(formatCursorVoltage(s, 0, 49), "980mV");
    EXPECT_EQ(formatCursorFrequency(0.5e-6), "2MHz");
    EXPECT_EQ(formatCursorFrequency(-0.5e-3), "2kHz");
    EXPECT_EQ(formatCursorFrequency(1e-3), "1kHz"); // exactly at the unit's edge
    EXPECT_EQ(formatCursorFrequency(1e-6), "1MHz");
    EXPECT_EQ(formatCursorFrequency(1.0 / 999.6), "1E003Hz");
    EXPECT_EQ(formatCursorTime(99, 0, 100), "0s"); // no such time/div code
}

TEST(CursorTool, EachKindMovesItsCoordinateOfThePressedCursor) {
    struct Step {
        char what; // p press, d drag, r release
        int button;
        int x;
        int y;
    };
    struct Case {
        int kind;
        std::vector<Step> steps;
        DisplayPoint a;
        DisplayPoint b;
    };
    const Case cases[] = {
        {CROSS, {{'p', 0, -20, 450}}, {0, 400}, {0, 0}},
        {CROSS, {{'p', 0, 100, 100}, {'d', 0, 200, 300}}, {100, 100}, {200, 300}},
        {CROSS, {{'p', 1, 100, 100}, {'d', 1, 150, 120}, {'r', 1, 600, -5}}, {100, 100}, {500, 0}},
        {HORIZONTAL, {{'p', 0, 30, 40}, {'d', 0, 35, 45}}, {0, 45}, {0, 0}},
        {HORIZONTAL, {{'p', 1, 30, 40}, {'d', 1, 35, 60}, {'r', 1, 36, 70}}, {0, 0}, {0, 70}},
        {VERTICAL, {{'p', 0, 30, 40}, {'r', 0, 31, 41}}, {31, 0}, {0, 0}},
        {VERTICAL, {{'p', 1, 30, 40}, {'d', 1, 520, 60}}, {0, 0}, {500, 0}},
        // Without a press nothing moves, and after a release neither.
        {CROSS, {{'d', 0, 200, 300}, {'r', 0, 200, 300}}, {0, 0}, {0, 0}},
        {VERTICAL, {{'p', 0, 30, 40}, {'r', 0, 31, 41}, {'d', 0, 90, 90}}, {31, 0}, {0, 0}},
    };
    for (const Case& c : cases) {
        Environment env = freshEnvironment();
        env.selectedObject = c.kind;
        for (const Step& s : c.steps) {
            if (s.what == 'p') cursorPress(env, scales(), s.button, s.x, s.y);
            if (s.what == 'd') cursorDrag(env, scales(), s.x, s.y);
            if (s.what == 'r') cursorRelease(env, scales(), s.x, s.y);
        }
        EXPECT_EQ(env.cursorA.x, c.a.x) << "kind " << c.kind;
        EXPECT_EQ(env.cursorA.y, c.a.y) << "kind " << c.kind;
        EXPECT_EQ(env.cursorB.x, c.b.x) << "kind " << c.kind;
        EXPECT_EQ(env.cursorB.y, c.b.y) << "kind " << c.kind;
        EXPECT_FALSE(env.cursorDragging && c.steps.back().what == 'r');
    }
}

TEST(CursorTool, DragOfCursorBKeepsCursorATexts) {
    Environment env = freshEnvironment();
    env.selectedObject = HORIZONTAL;
    cursorPress(env, scales(), 0, 0, 100); // A at row 300
    cursorPress(env, scales(), 1, 0, 300); // B pressed: A's texts rewritten from the stored A
    EXPECT_EQ(env.verticalReadoutText, "Vertical : @ = 2V");
    // A change of volt/div while B is dragged leaves A's stored texts alone.
    CursorScales coarser = scales();
    coarser.voltDiv = 8; // 2 V/div
    const auto r = cursorDrag(env, coarser, 0, 350);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->vertical, "Vertical : @ = 2V, d=10V");
}

} // namespace
