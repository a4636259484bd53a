#include "empty_sample.h"
#include "transform_raw_display_canvas.h"
#include "transform_raw_display_draw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

namespace {

TEST(TransformRawDisplayDraw, IntensityStepIsClamped) {
    const std::vector<std::pair<double, int>> cases = {{20.9, 20},   {0.5, 0},      {-3.0, 0},
                                                       {127.0, 127}, {6000.0, 127}, {std::nan(""), 0}};
    for (auto [in, out] : cases) EXPECT_EQ(clampIntensityStep(in), out) << in;
}

TEST(TransformRawDisplayDraw, HitsStopAtTheCap) {
    TestCanvas t(1, 4, 16, 20);
    t.image[0] = 120;
    t.image[1] = 100;
    plotHit(t.c, 0, 0);
    plotHit(t.c, 0, 1);
    plotHit(t.c, 0, 4);  // off the image
    plotHit(t.c, 0, -1); // off the image
    EXPECT_EQ(t.image, (std::vector<unsigned char>{127, 120, 0, 0}));
}

TEST(TransformRawDisplayDraw, DotsOverTheWholeRecord) {
    TestCanvas t(5, 8);
    // Two samples per column; the eleventh sample has no column.
    const std::vector<short> record = {1, 1, E, 20480 + 3, 16, 9, -1, 7, 0, 2, 5};
    drawDots(t.c, record.data(), int(record.size()), nullptr);
    EXPECT_EQ(t.picture(), (Picture{
                               "...1.",
                               ".....",
                               ".....",
                               ".....",
                               ".1...",
                               "....1",
                               "2....",
                               "....1",
                           }));
}

TEST(TransformRawDisplayDraw, SamplesPerColumnFollowTheRecordLength) {
    for (auto [size, perColumn] : {std::pair{10000, 20}, std::pair{3000, 6}}) {
        TestCanvas t(500, 8, 16, 1);
        std::vector<short> record(static_cast<size_t>(size), 3);
        drawDots(t.c, record.data(), size, nullptr);
        for (int x : {0, 250, 499}) EXPECT_EQ(t.at(x, 3), perColumn) << size;
    }
}

TEST(TransformRawDisplayDraw, JitterSequence) {
    const std::set<int> zero = {1,   16,  22,  26,  32,  35,  37,  38,  41,  42,  43,  45,  46,  48,  49,  50,
                                51,  56,  57,  60,  66,  67,  69,  72,  74,  75,  76,  77,  78,  84,  86,  95,
                                102, 110, 112, 113, 116, 117, 119, 121, 126, 131, 138, 147, 152, 155, 157, 161,
                                164, 166, 169, 175, 178, 180, 181, 184, 188, 189, 191, 197, 198};
    JitterSequence jitter;
    // The first read is entry 1; the 200th wraps to entry 0; then it starts over.
    for (int read = 1; read <= 400; ++read) {
        const int entry = read % 200;
        ASSERT_EQ(jitter.next(), zero.count(entry) ? 0 : 1) << read;
    }

    TestCanvas t(4, 8);
    JitterSequence fresh;
    const std::vector<short> record = {2, 2, E, 2};
    drawDots(t.c, record.data(), 4, &fresh);
    // Reads: entry 1 (0), entry 2 (1), the empty sample reads nothing, entry 3 (1).
    EXPECT_EQ(t.picture(), (Picture{"....", "....", "....", "....", ".1.1", "1...", "....", "...."}));
}

TEST(TransformRawDisplayDraw, VectorsJoinNeighbouringColumns) {
    TestCanvas t(5, 8);
    const std::vector<short> record = {1, 3, 6, 6, E, E, 2, 4, 0, 0};
    drawVectors(t.c, record.data(), int(record.size()));
    EXPECT_EQ(t.picture(), (Picture{
                               ".....",
                               "13...",
                               "1....",
                               "1..2.",
                               "3..1.",
                               "1..3.",
                               "2..1.",
                               "...12",
                           }));
}

TEST(TransformRawDisplayDraw, VectorsCountRowsOffTheImage) {
    TestCanvas t(2, 4);
    t.c.adcLevels = 16;
    const std::vector<short> record = {9, 0, E, E}; // rows 9 and 0: the span covers all rows
    drawVectors(t.c, record.data(), 4);
    EXPECT_EQ(t.picture(), (Picture{"1.", "1.", "1.", "2."}));
}

TEST(TransformRawDisplayDraw, JoinStopsBeforeTheLastColumn) {
    for (auto [left, right, col498] :
         {std::tuple{2, 5, Picture{"...", "...", "1..", "1..", "1..", "4..", "...", "..."}},
          std::tuple{5, 1, Picture{"...", "...", "4..", "1..", "1..", "1..", "1..", "..."}}}) {
        TestCanvas t(500, 8);
        std::vector<short> record(1000, E);
        record[996] = record[997] = static_cast<short>(left);
        record[998] = record[999] = static_cast<short>(right);
        drawVectors(t.c, record.data(), 1000);
        for (int y = 0; y < 8; ++y) {
            const std::string& line = col498[static_cast<size_t>(7 - y)];
            EXPECT_EQ(t.at(498, y), line[0] == '.' ? 0 : line[0] - '0') << left << " y " << y;
            EXPECT_EQ(t.at(499, y), y == right ? 2 : 0) << "column 499 keeps its dots only";
        }
        for (int x = 0; x < 498; ++x)
            for (int y = 0; y < 8; ++y) ASSERT_EQ(t.at(x, y), 0);
    }
}

TEST(TransformRawDisplayDraw, DecayTable) {
    double decay[PERSISTENCE_LEVELS];
    const std::vector<std::pair<int, double>> cs = {{0, 0.0575}, {1, 0.05},   {7, 0.05},   {8, 0.035},   {9, 0.0275},
                                                    {10, 0.023}, {11, 0.055}, {13, 0.055}, {14, 0.0565}, {18, 0.085},
                                                    {19, 0.115}, {25, 6.055}, {26, 0.05},  {32, 0.05}};
    for (auto [timeDiv, c] : cs) {
        fillDecayTable(decay, timeDiv);
        EXPECT_DOUBLE_EQ(decay[0], 0.1);
        EXPECT_NEAR(decay[1], std::exp(-c / 0.05), 1e-12) << timeDiv;
        EXPECT_NEAR(decay[9], std::exp(-c / 0.45), 1e-12) << timeDiv;
        EXPECT_NEAR(decay[10], std::exp(-c / 0.5), 1e-12) << timeDiv;
        EXPECT_NEAR(decay[15], std::exp(-c / 3.0), 1e-12) << timeDiv;
        EXPECT_DOUBLE_EQ(decay[16], 1.0);
    }
}

TEST(TransformRawDisplayDraw, FadeEqualsTruncatedProductAtEveryLevel) {
    std::vector<unsigned char> image(1000);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<unsigned char>(i % 128);
    double decay[PERSISTENCE_LEVELS];
    for (int timeDiv = 0; timeDiv <= 32; ++timeDiv) {
        fillDecayTable(decay, timeDiv);
        for (int level = 0; level < PERSISTENCE_LEVELS; ++level) {
            std::vector<unsigned char> faded = image;
            fadeImage(faded.data(), faded.size(), decay[level]);
            for (size_t i = 0; i < image.size(); ++i)
                ASSERT_EQ(faded[i], static_cast<unsigned char>(image[i] * decay[level]))
                    << "time/div " << timeDiv << " level " << level << " pixel " << int(image[i]);
        }
    }
    // Level 16 leaves the picture as it is; any other factor works too.
    std::vector<unsigned char> faded = image;
    fadeImage(faded.data(), faded.size(), 1.0);
    EXPECT_EQ(faded, image);
    fadeImage(faded.data(), faded.size(), 0.3);
    for (size_t i = 0; i < image.size(); ++i) ASSERT_EQ(faded[i], static_cast<unsigned char>(image[i] * 0.3));
}

TEST(TransformRawDisplayDraw, Hold) {
    const std::vector<std::pair<std::vector<short>, std::vector<short>>> cases = {
        {{E, E, 5, E, 7, E}, {5, 5, 5, 5, 7, 7}},
        {{3, E, E}, {3, 3, 3}},
        {{E, E, E}, {E, E, E}}, // no data: stays empty, never zeros
    };
    for (auto [in, out] : cases) {
        holdRecord(in.data(), int(in.size()));
        EXPECT_EQ(in, out);
    }
}

} // namespace
