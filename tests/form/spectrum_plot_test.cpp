#include "spectrum_analyzer.h"
#include "spectrum_plot.h"

#include "fake_tool_window_kernel.h"

#include "process_locale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>
#include <utility>
#include <vector>

namespace {

using Pixels = std::set<std::pair<int, int>>; // (column, row)

Pixels pixelsOf(const SpectrumMap& map) {
    Pixels out;
    for (int c = 0; c < kFftPlotWidth; ++c)
        for (int r = 0; r < kFftPlotHeight; ++r)
            if (map.isSet(c, r)) out.insert({c, r});
    return out;
}

std::set<int> columnsOf(const Pixels& pixels) {
    std::set<int> out;
    for (const auto& p : pixels) out.insert(p.first);
    return out;
}

// A spectrum record of `bins` bins at one level (dB and the matching volts).
struct Flat {
    std::vector<float> lin, dB;
    Flat(int bins, double level) : lin(std::size_t(bins)), dB(std::size_t(bins), float(level)) {
        for (auto& v : lin) v = float(std::pow(10.0, level / 20));
    }
};

SpectrumSettings dbSettings(int sizeIndex, double scale = 60) {
    SpectrumSettings s;
    s.setFftSize(sizeIndex);
    s.scale = scale;
    s.setVerticalPosition(-120); // top edge 0 dB
    return s;
}

} // namespace

TEST(SpectrumMap, TraceLineRunsAndClipping) {
    struct C {
        int x0, y0, x1, y1;
        Pixels expected;
    };
    const C cases[] = {
        {0, 0, 2, 4, {{0, 0}, {0, 1}, {1, 1}, {1, 2}, {1, 3}, {2, 3}, {2, 4}}},
        {5, 10, 5, 7, {{5, 7}, {5, 8}, {5, 9}, {5, 10}}},           // one column: a vertical run
        {0, 2, 2, 0, {{0, 2}, {0, 1}, {1, 1}, {1, 0}, {2, 0}}},     // walking down
        {0, 500, 1, 450, {}},                                       // wholly above the map
        {0, -5, 1, -1, {}},                                         // wholly below
        {0, 397, 1, 401, {{0, 397}, {0, 398}, {1, 398}, {1, 399}}}, // one end clamped to the top row
        {498, 0, 501, 0, {{498, 0}, {499, 0}}},                     // columns beyond the map are left out
    };
    for (const C& c : cases) {
        SpectrumMap map;
        map.DrawTraceLine(c.x0, c.y0, c.x1, c.y1);
        EXPECT_EQ(pixelsOf(map), c.expected) << c.x0 << "," << c.y0 << " - " << c.x1 << "," << c.y1;
    }
    SpectrumMap map;
    EXPECT_EQ(map.topRow(3), -1);
    map.set(3, 10);
    map.set(3, 200);
    EXPECT_EQ(map.topRow(3), 200);
}

TEST(SpectrumMap, BinsWiderThanAPixelAreJoinedBySegments) {
    const Flat flat(256, -60); // row 350 at 60 dB per division
    SpectrumMap map;
    RenderSpectrum(dbSettings(0), flat.lin.data(), flat.dB.data(), 256, map);
    const Pixels pixels = pixelsOf(map);
    // Bins 0 .. 249 at two pixels each: columns 0 .. 498.
    EXPECT_EQ(pixels.size(), 499u);
    EXPECT_EQ(*columnsOf(pixels).rbegin(), 498);
    for (const auto& p : pixels) EXPECT_EQ(p.second, 350);

    // A level above the top edge is clipped to the top row; segments wholly above vanish.
    Flat high(256, -60);
    high.dB[10] = 30.0f;
    high.dB[11] = 30.0f;
    RenderSpectrum(dbSettings(0), high.lin.data(), high.dB.data(), 256, map);
    const Pixels clipped = pixelsOf(map);
    EXPECT_TRUE(clipped.count({20, 399}));
    EXPECT_FALSE(clipped.count({21, 399})); // the segment 10 -> 11 lies above the map
    EXPECT_TRUE(clipped.count({22, 399}));
}

TEST(SpectrumMap, SeveralBinsPerColumnDrawColumnExtremes) {
    Flat flat(4096, -60);
    flat.dB[100] = -30.0f; // row 375, in column 12 (bins 96 .. 103)
    SpectrumMap map;
    RenderSpectrum(dbSettings(4), flat.lin.data(), flat.dB.data(), 4096, map);
    const Pixels pixels = pixelsOf(map);
    const std::set<int> columns = columnsOf(pixels);
    // Column 0 is never drawn; a column's bins appear with the next column's first bin.
    EXPECT_EQ(*columns.begin(), 1);
    EXPECT_EQ(*columns.rbegin(), 499);
    EXPECT_EQ(columns.size(), 499u);
    EXPECT_EQ(map.topRow(11), 350);
    EXPECT_EQ(map.topRow(13), 375); // the run of column 12's extremes, drawn in column 13
    EXPECT_TRUE(map.isSet(13, 350));
    EXPECT_EQ(map.topRow(12), 362); // half of the join from column 12's low end up to that run
    EXPECT_EQ(map.topRow(14), 350); // joined from column 13's low end
}

TEST(SpectrumPlot, AxisLabelsAndCursorReadout) {
    SpectrumSettings s = dbSettings(0, 15);
    s.typedScale = 15;
    const double t = fftSecondsPerDivision(17); // 100 Hz per bin
    EXPECT_EQ(frequencyLabelTexts(s, t), (std::array<std::string, 6>{"   0 Hz", "5.000 kHz", "10.000 kHz", "15.000 kHz",
                                                                     "20.000 kHz", "25.000 kHz"}));
    s.zoom = 2;
    s.setScroll(250); // 4 pixels per bin from bin 62
    EXPECT_EQ(frequencyLabelTexts(s, t)[0], "6.200 kHz");
    EXPECT_EQ(frequencyLabelTexts(s, t)[1], "8.700 kHz");
    s.zoom = 1;
    s.setScroll(0);
    EXPECT_EQ(frequencyLabelTexts(s, 0.0)[3], "   0 Hz");

    EXPECT_EQ(levelLabelTexts(s),
              (std::array<std::string, 9>{"0", "-15", "-30", "-45", "-60", "-75", "-90", "-105", "-120"}));
    s.typedScale = 7.5;
    EXPECT_EQ(levelLabelTexts(s)[1], "-7.5");

    EXPECT_EQ(FormatCursorReadout(s, t, 100, 0), "5.000 kHz    0.00 dB");
    EXPECT_EQ(FormatCursorReadout(s, t, 100, 200), "5.000 kHz   -60.00 dB");
    EXPECT_EQ(FormatCursorReadout(s, t, 0, 100), "---  ---");

    s.selectLinear(1.0); // 0.25 V per division
    s.typedScale = 0.25;
    const auto levels = levelLabelTexts(s);
    EXPECT_EQ(levels[0], "2.000 V");
    EXPECT_EQ(levels[4], "1.000 V");
    EXPECT_EQ(levels[5], " 750 mV");
    EXPECT_EQ(levels[8], "   0 mV");
    EXPECT_EQ(FormatCursorReadout(s, t, 100, 0), "5.000 kHz  2.000 V");
    EXPECT_EQ(FormatCursorReadout(s, t, 100, 300), "5.000 kHz   500 mV");
}

TEST(SpectrumPlot, TextExportExactContent) {
    const std::vector<float> lin = {1.0f, 0.5f, 0.25f, 0.001f};
    std::vector<float> dB;
    for (float v : lin) dB.push_back(float(20 * std::log10(v)));
    EXPECT_EQ(spectrumText(lin, dB, true, 0.02), // 5 Hz per bin
              "      Hz         Volt\n"
              "==============================\n"
              "        0      1.000000 \n"
              "        5      0.500000 \n"
              "       10      0.250000 \n"
              "       15      0.001000 \n");
    EXPECT_EQ(spectrumText(lin, dB, false, 0.02), "      Hz          dB\n"
                                                  "===============================\n"
                                                  "        0       0.000 \n"
                                                  "        5      -6.021 \n"
                                                  "       10      -12.041 \n"
                                                  "       15      -60.000 \n");
    // A bin step below 1 Hz repeats the whole hertz.
    const std::string slow = spectrumText(lin, dB, false, 0.4);
    EXPECT_NE(slow.find("        0      -6.021 \n"), std::string::npos);
    EXPECT_NE(slow.find("        0      -12.041 \n"), std::string::npos);
    const std::string inC = spectrumText(lin, dB, false, 0.02);
    const ProcessLocale german(ProcessLocale::GERMAN);
    EXPECT_EQ(spectrumText(lin, dB, false, 0.02), inC);
}

TEST(SpectrumAnalyzer, RecordSpanByAcquisitionMethod) {
    // Ten periods of a 1000-sample sine over a 10000-sample record.
    std::vector<short> record(10000);
    for (std::size_t j = 0; j < record.size(); ++j)
        record[j] = short(std::lround(1000 * std::sin(2 * std::numbers::pi * double(j) / 1000)));
    struct C {
        const char* name;
        bool ets, ris, realTime, roll, both;
        int bin;
    };
    const C cases[] = {
        {"real time, one channel", false, false, true, false, false, 10},
        {"real time, both channels", false, false, true, false, true, 5},
        {"ETS", true, false, false, false, true, 10},
        {"RIS", false, true, false, false, true, 10},
        {"roll", false, false, false, true, false, 3},
    };
    for (const C& c : cases) {
        FakeToolWindowKernel kernel;
        kernel.equivalentTime = c.ets;
        kernel.ris = c.ris;
        kernel.realTime = c.realTime;
        kernel.roll = c.roll;
        kernel.on[2] = c.both;
        SpectrumSettings s;
        s.setFftSize(1);
        SpectrumAnalyzer analyzer;
        SpectrumFrame frame;
        ASSERT_TRUE(analyzer.UpdateSpectrum(s, kernel, 0, int(record.size()), record.data(), frame));
        EXPECT_EQ(kernel.conversions.load(), 1024);
        EXPECT_EQ(frame.size(), 1024);
        EXPECT_EQ(frame.fundamentalBin(), c.bin) << c.name;
        // A 1 V sine is 0.707 V RMS.
        EXPECT_NEAR(frame.lin[std::size_t(c.bin)], std::sqrt(0.5), 0.02) << c.name;
        EXPECT_NEAR(frame.dB[std::size_t(c.bin)], -3.01, 0.3) << c.name;
        const std::string hertz = c.bin == 10 ? "1.000 kHz  " : c.bin == 5 ? " 500 Hz  " : " 300 Hz  ";
        EXPECT_EQ(frame.figures.harmonic[0].substr(0, hertz.size()), hertz) << c.name;
    }
}

// Flagged samples (20480 added) are read as their codes, as every other reader does.
TEST(SpectrumAnalyzer, FlaggedSamplesAreReduced) {
    FakeToolWindowKernel kernel;
    kernel.on[2] = false;
    std::vector<short> plain(10000), flagged(10000);
    for (std::size_t j = 0; j < plain.size(); ++j) {
        plain[j] = short(2000 + std::lround(1000 * std::sin(2 * std::numbers::pi * double(j) / 500)));
        flagged[j] = short(plain[j] + (j % 2 ? 20480 : 0));
    }
    SpectrumSettings s;
    SpectrumAnalyzer analyzer;
    SpectrumFrame a, b;
    ASSERT_TRUE(analyzer.UpdateSpectrum(s, kernel, 0, 10000, plain.data(), a));
    ASSERT_TRUE(analyzer.UpdateSpectrum(s, kernel, 0, 10000, flagged.data(), b));
    EXPECT_EQ(a.lin, b.lin);
}

TEST(SpectrumAnalyzer, ChannelShortRecordAndMarkers) {
    FakeToolWindowKernel kernel;
    kernel.on[2] = false; // a span of 10000 samples
    std::vector<short> record(10000);
    for (std::size_t j = 0; j < record.size(); ++j)
        record[j] = short(std::lround(1000 * std::sin(2 * std::numbers::pi * double(j) / 500)));
    SpectrumSettings s; // 512 points, dB, 60 dB per division, top at 0 dB
    s.setVerticalPosition(-120);
    SpectrumAnalyzer analyzer;
    SpectrumFrame one, two;
    ASSERT_TRUE(analyzer.UpdateSpectrum(s, kernel, 0, 10000, record.data(), one));
    ASSERT_TRUE(analyzer.UpdateSpectrum(s, kernel, 1, 10000, record.data(), two));
    EXPECT_EQ(one.fundamentalBin(), 20);
    EXPECT_NEAR(two.lin[20], 2 * one.lin[20], 1e-4); // channel 2's codes read double in the fake
    // The fundamental's marker sits on the trace: x = 2 pixels per bin, y from its level.
    ASSERT_TRUE(one.markerShown[0]);
    EXPECT_EQ(one.markers[0].x, 40);
    EXPECT_EQ(one.markers[0].y, int((0 - one.dB[20]) * 50.0 / 60));
    EXPECT_EQ(one.cursorText, " Cursor off");

    // A record shorter than the span reads its last sample for the indexes beyond it.
    SpectrumFrame shortFrame;
    EXPECT_TRUE(analyzer.UpdateSpectrum(s, kernel, 0, 100, record.data(), shortFrame));
    EXPECT_FALSE(analyzer.UpdateSpectrum(s, kernel, 0, 0, record.data(), shortFrame));
    EXPECT_FALSE(analyzer.UpdateSpectrum(s, kernel, 0, 100, nullptr, shortFrame));

    // The cursor takes the first trace pixel from the top of its column.
    s.cursorOn = true;
    s.cursorX = 40;
    SpectrumFrame cursor;
    ASSERT_TRUE(analyzer.UpdateSpectrum(s, kernel, 0, 10000, record.data(), cursor));
    EXPECT_TRUE(cursor.cursorFound);
    EXPECT_EQ(cursor.cursorY, 399 - cursor.map.topRow(40));
    EXPECT_EQ(cursor.cursorText.substr(0, 11), "2.000 kHz  ");
}
