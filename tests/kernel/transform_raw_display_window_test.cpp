#include "empty_sample.h"
#include "interpolation_linear.h"
#include "transform_raw_display_canvas.h"
#include "transform_raw_display_window.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(TransformRawDisplayWindow, WindowOfTheTimeBase) {
    struct Case {
        int timeDiv, bufferSize;
        double position;
        int start, length, pointsPerSample;
    };
    const std::vector<Case> cases = {
        {0, 10000, 250, 4950, 100, 100},  {1, 10000, 250, 4900, 200, 50},      {2, 10000, 250, 4750, 500, 20},
        {6, 10000, 0, 0, 10000, 1},       {7, 10000, 0, 0, 10000, 1},          {12, 10000, 0, 0, 10000, 1},
        {0, 10000, -100, 4930, 100, 100}, {5, 10000, -0.5, 2495, 5000, 2},     {3, 10000, -4500, 0, 1000, 10},
        {6, 10000, -100, 0, 10000, 1},    {0, 500000, 250, 247500, 5000, 100}, {0, 0, 250, 0, 0, 100},
    };
    for (const Case& c : cases) {
        const ETSWindow w = computeETSWindow(c.timeDiv, c.bufferSize, c.position);
        EXPECT_EQ(w.start, c.start) << c.timeDiv << " " << c.position;
        EXPECT_EQ(w.length, c.length) << c.timeDiv << " " << c.position;
        EXPECT_EQ(w.pointsPerSample, c.pointsPerSample) << c.timeDiv;
    }
}

TEST(TransformRawDisplayWindow, StaleWindowIsCutToTheRecord) {
    // A 500k window seen with a 10k record: nothing left to draw.
    ETSWindow w = clampETSWindow({247500, 5000, 100}, 10000);
    EXPECT_EQ(w.start, 10000);
    EXPECT_EQ(w.length, 0);
    w = clampETSWindow({9990, 100, 0}, 10000);
    EXPECT_EQ(w.start, 9990);
    EXPECT_EQ(w.length, 10);
    EXPECT_EQ(w.pointsPerSample, 1);
    w = clampETSWindow({-5, 20, 20}, 10);
    EXPECT_EQ(w.start, 0);
    EXPECT_EQ(w.length, 10);
}

TEST(TransformRawDisplayWindow, WindowDots) {
    TestCanvas t(30, 8);
    std::vector<short> record(20, 5);
    const std::vector<short> window = {1, E, 3, 20480 + 4, 99, 7};
    std::copy(window.begin(), window.end(), record.begin() + 5);
    drawWindowDots(t.c, record.data(), {5, 6, 100}, nullptr);
    EXPECT_EQ(t.picture(), (Picture{
                               ".........................1....",
                               "..............................",
                               "..............................",
                               "...............1..............",
                               "..........1...................",
                               "..............................",
                               "1.............................",
                               "..............................",
                           }));

    TestCanvas j(3, 8);
    JitterSequence jitter;
    drawWindowDots(j.c, std::vector<short>{2, 2, 2}.data(), {0, 3, 20}, &jitter);
    EXPECT_EQ(j.picture(), (Picture{"...", "...", "...", "...", ".11", "1..", "...", "..."}));
}

TEST(TransformRawDisplayWindow, ColumnsPastTheDisplayAreSkipped) {
    // 500k points at 2 ns/div: a 5000-position window would reach column 25,000.
    TestCanvas t(500, 8);
    std::vector<short> record(500000, 2);
    const ETSWindow w = computeETSWindow(0, 500000, 250);
    drawWindowDots(t.c, record.data(), w, nullptr);
    drawWindowVectors(t.c, record.data(), w, false);
    drawWindowVectors(t.c, record.data(), w, true);
    InterpolationLinear<short> linear;
    std::vector<short> codes(500);
    drawColumnInterpolation(t.c, record.data(), w, true, linear, codes.data());
    // Window positions 0..99 land on columns 0, 5, ..., 495 at row 2; the rest is skipped.
    for (int x = 0; x < 500; ++x)
        for (int y = 0; y < 8; ++y) ASSERT_EQ(t.at(x, y) != 0, y == 2 && x % 5 == 0) << x << " " << y;
}

TEST(TransformRawDisplayWindow, EmptyWindowDrawsNothing) {
    TestCanvas t(20, 8);
    std::vector<short> record(10, 3);
    InterpolationLinear<short> linear;
    std::vector<short> codes(20);
    const ETSWindow none = clampETSWindow({247500, 5000, 100}, 10);
    drawWindowDots(t.c, record.data(), none, nullptr);
    drawWindowVectors(t.c, record.data(), none, false);
    drawWindowVectors(t.c, record.data(), none, true);
    drawColumnInterpolation(t.c, record.data(), none, false, linear, codes.data());
    drawColumnInterpolation(t.c, record.data(), none, true, linear, codes.data());
    EXPECT_EQ(t.image, std::vector<unsigned char>(160, 0));
}

TEST(TransformRawDisplayWindow, WindowVectorsHoldEmptySamples) {
    TestCanvas t(6, 8);
    const std::vector<short> record = {2, E, E, 5, E, 1};
    drawWindowVectors(t.c, record.data(), {0, 6, 20}, false);
    EXPECT_EQ(t.picture(), (Picture{
                               "......",
                               "......",
                               "..123.",
                               "..1.1.",
                               "..1.1.",
                               "223.1.",
                               "....11",
                               "......",
                           }));
}

TEST(TransformRawDisplayWindow, WindowVectorsFillGaps) {
    // Leading empties take the first value, a lone empty the value before it, a run steps
    // in a straight line, trailing empties hold.
    TestCanvas t(10, 8);
    std::vector<short> record(13, 7);
    const std::vector<short> window = {E, E, 4, E, 6, E, E, E, 2, E};
    std::copy(window.begin(), window.end(), record.begin() + 3);
    drawWindowVectors(t.c, record.data(), {3, 10, 20}, true);
    EXPECT_EQ(t.picture(), (Picture{
                               "..........",
                               "...13.....",
                               "...113....",
                               "2223.13...",
                               "......13..",
                               ".......121",
                               "..........",
                               "..........",
                           }));
}

TEST(TransformRawDisplayWindow, ColumnInterpolationDrawsJoinsOnly) {
    // Time/div 0: window positions land on every fifth column.
    TestCanvas t(20, 8);
    InterpolationLinear<short> linear;
    std::vector<short> codes(20);
    const std::vector<short> record = {1, 6, 6, 2};
    drawColumnInterpolation(t.c, record.data(), {0, 4, 100}, false, linear, codes.data());
    EXPECT_EQ(t.picture(), (Picture{
                               "....................",
                               "....1111112.........",
                               "...12.....12........",
                               "..12.......12.......",
                               ".12.........12......",
                               "12...........111111.",
                               "2...................",
                               "....................",
                           }));
}

TEST(TransformRawDisplayWindow, ColumnInterpolationWithGapsLeavesLeadingEmptiesUndrawn) {
    for (int adcLevels : {16, 10}) { // an empty column is empty whatever the converter
        TestCanvas t(20, 8, adcLevels);
        InterpolationLinear<short> linear;
        std::vector<short> codes(20);
        const std::vector<short> record = {E, 6, E, 2};
        drawColumnInterpolation(t.c, record.data(), {0, 4, 100}, true, linear, codes.data());
        EXPECT_EQ(t.picture(), (Picture{
                                   "....................",
                                   ".....111112.........",
                                   "..........12........",
                                   "...........12.......",
                                   "............12......",
                                   ".............111111.",
                                   "....................",
                                   "....................",
                               }))
            << adcLevels;
    }
}

TEST(TransformRawDisplayWindow, RecordGapFilling) {
    const std::vector<std::pair<std::vector<short>, std::vector<short>>> cases = {
        {{100, E, E, E, 200}, {100, 125, 150, 175, 200}},
        {{200, E, E, E, 100}, {200, 175, 150, 125, 100}},
        {{10, E, E, 0}, {10, 7, 4, 0}},
        {{E, E, 100, E, 300, E, E}, {E, E, 100, 100, 300, 300, 300}},
        {{E, E, E}, {E, E, E}},
        {{E, 50}, {E, 50}},
    };
    for (auto [in, out] : cases) {
        fillRecordGaps(in.data(), int(in.size()));
        EXPECT_EQ(in, out);
    }
}

} // namespace
