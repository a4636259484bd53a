#include "spectrum_settings.h"

#include <gtest/gtest.h>

TEST(SpectrumSettings, GeometryPerSizeAndZoom) {
    struct C {
        int sizeIndex, zoom, scroll;
        double ppb;
        int start, last, scrollMax;
    };
    const C cases[] = {
        {0, 1, 0, 2.0, 0, 249, 0},                                         // 250 of the 256 bins visible
        {1, 1, 0, 1.0, 0, 499, 0},           {4, 1, 0, 0.125, 0, 3999, 0}, // eight bins per column
        {0, 16, 7500, 32.0, 234, 248, 7500},                               // the scroll bar spans 7500 pixels
        {0, 16, 0, 32.0, 0, 14, 7500},       {2, 4, 1500, 2.0, 750, 999, 1500},
    };
    for (const C& c : cases) {
        SpectrumSettings s;
        s.setFftSize(c.sizeIndex);
        s.zoom = c.zoom;
        s.setScroll(c.scroll);
        EXPECT_DOUBLE_EQ(s.pixelsPerBin(), c.ppb) << c.sizeIndex << " x" << c.zoom;
        EXPECT_EQ(s.startBin(), c.start) << c.sizeIndex << " x" << c.zoom;
        EXPECT_EQ(s.lastBin(s.size() / 2), c.last) << c.sizeIndex << " x" << c.zoom;
        EXPECT_EQ(fftScrollMaximum(c.zoom), c.scrollMax);
        EXPECT_EQ(s.span(), c.scrollMax + 500);
    }
    SpectrumSettings s;
    s.setScroll(600); // beyond the range of zoom 1
    EXPECT_EQ(s.scroll, 0);
    EXPECT_EQ(s.lastBin(100), 99); // never past the spectrum
}

TEST(SpectrumSettings, ZoomKeepsTheCentrePixel) {
    SpectrumSettings s;
    struct Step {
        bool up;
        int zoom, scroll;
    };
    const Step steps[] = {{true, 2, 250},   {true, 4, 750},  {true, 8, 1750}, {true, 16, 3750}, {true, 16, 3750},
                          {false, 8, 1750}, {false, 4, 750}, {false, 2, 250}, {false, 1, 0},    {false, 1, 0}};
    for (const Step& step : steps) {
        s.stepZoom(step.up);
        EXPECT_EQ(s.zoom, step.zoom);
        EXPECT_EQ(s.scroll, step.scroll) << "zoom " << s.zoom;
    }
    s.stepZoom(true);
    s.setScroll(0);
    s.stepZoom(false); // (0 + 250) / 2 - 250 is below the range
    EXPECT_EQ(s.scroll, 0);
}

TEST(SpectrumSettings, ScaleTypeButtonsPlaceTheTopEdge) {
    struct C {
        double fundamentalDb;
        int position, offset;
    };
    for (const C& c : {C{-20, -120, 0}, C{0, -120, 0}, C{3, -128, 8}, C{44.5, -169, 49}, C{100, -170, 50}}) {
        SpectrumSettings s;
        s.selectDb(c.fundamentalDb);
        EXPECT_EQ(s.scale, 15.0);
        EXPECT_EQ(s.scaleText, "15");
        EXPECT_EQ(s.tablePosition[0], -1);
        EXPECT_EQ(s.verticalPosition, c.position) << c.fundamentalDb;
        EXPECT_EQ(s.offset, c.offset) << c.fundamentalDb;
        EXPECT_EQ(s.verticalPageStep(), 15);
    }
    SpectrumSettings s;
    s.selectDb(-20);
    s.setVerticalPosition(-100);
    s.selectLinear(1.0); // 1 V RMS: 0.25 V per division
    EXPECT_TRUE(s.linear);
    EXPECT_DOUBLE_EQ(s.scale, 0.25);
    EXPECT_EQ(s.scaleText, " 0.250");
    EXPECT_EQ(s.offset, 0);
    EXPECT_EQ(s.verticalPosition, 0);
    EXPECT_EQ(s.verticalPageStep(), 1);
    s.selectLinear(0.0);
    EXPECT_DOUBLE_EQ(s.scale, 0.01);
    EXPECT_EQ(s.scaleText, "0.01");
}

TEST(SpectrumSettings, TypedScaleAndUpDown) {
    SpectrumSettings s;
    s.selectDb(-20);
    EXPECT_TRUE(s.typeScale("7"));
    EXPECT_EQ(s.scale, 7.0);
    EXPECT_EQ(s.tablePosition[0], 11); // no entry among the first eleven is smaller
    s.stepScale(true);
    EXPECT_EQ(s.scale, 5.0);
    EXPECT_EQ(s.scaleText, " 5.000");
    s.stepScale(true); // already the last entry
    EXPECT_EQ(s.scale, 5.0);
    s.stepScale(false);
    EXPECT_EQ(s.scale, 10.0);

    EXPECT_TRUE(s.typeScale("50"));
    EXPECT_EQ(s.tablePosition[0], 3); // the first entry below 50 is 45
    EXPECT_TRUE(s.typeScale(" 61"));
    EXPECT_EQ(s.tablePosition[0], 0);

    const SpectrumSettings before = s;
    EXPECT_FALSE(s.typeScale("abc"));
    EXPECT_FALSE(s.typeScale("inf"));
    EXPECT_FALSE(s.typeScale(""));
    EXPECT_EQ(s.scale, before.scale);
    EXPECT_EQ(s.offset, before.offset);

    // After a radio button the first press only finds the entry at or below the edit's value.
    s.selectDb(-20);
    s.stepScale(true);
    EXPECT_EQ(s.scale, 15.0);
    EXPECT_EQ(s.tablePosition[0], 9);
    s.stepScale(true);
    EXPECT_EQ(s.scale, 10.0);
    s.selectDb(-20);
    s.setScaleText("3"); // below every entry: the last one
    s.stepScale(false);
    EXPECT_EQ(s.scale, 5.0);

    s.selectLinear(1.0);
    EXPECT_TRUE(s.typeScale("0.3"));
    EXPECT_EQ(s.tablePosition[1], 5);  // 0.2
    EXPECT_EQ(s.tablePosition[0], 11); // the dB position is kept apart
    EXPECT_TRUE(s.typeScale("0.0005"));
    EXPECT_EQ(s.tablePosition[1], 12);
}

TEST(SpectrumSettings, RecentreKeepsTheCentreLevel) {
    SpectrumSettings s;
    s.selectDb(-20); // top 0 dB, 15 dB per division: centre -60 dB
    ASSERT_TRUE(s.typeScale("10"));
    EXPECT_EQ(s.offset, -20);
    EXPECT_EQ(s.verticalPosition, -100);
    EXPECT_DOUBLE_EQ(s.offset - 4 * s.scale, -60.0);
    ASSERT_TRUE(s.typeScale("60")); // -60 + 240: beyond the top of the range
    EXPECT_EQ(s.offset, 50);
    EXPECT_FALSE(s.typeScale("0")); // no divisions to draw: refused
    EXPECT_EQ(s.scale, 60.0);

    s.selectLinear(1.0);
    s.setVerticalPosition(-10); // 10 divisions up
    ASSERT_TRUE(s.typeScale("0.5"));
    EXPECT_EQ(s.offset, 3); // (10 + 4) x 0.25 / 0.5 - 4
    EXPECT_EQ(s.verticalPosition, -3);
    ASSERT_TRUE(s.typeScale("5"));
    EXPECT_EQ(s.offset, 0); // never below 0
    EXPECT_FALSE(s.typeScale("0"));
    EXPECT_FALSE(s.typeScale("-10")); // would turn the trace upside down
    EXPECT_DOUBLE_EQ(s.scale, 5.0);
    EXPECT_EQ(s.offset, 0);
}

TEST(SpectrumSettings, RowsOfLevels) {
    SpectrumSettings s; // dB, 60 per division, top edge at 0 dB
    s.setVerticalPosition(-120);
    EXPECT_DOUBLE_EQ(s.rowOf(0), 400);
    EXPECT_DOUBLE_EQ(s.rowOf(-60), 350);
    s.setVerticalPosition(-150); // top edge at +30 dB
    EXPECT_DOUBLE_EQ(s.rowOf(30), 400);
    s.selectLinear(1.0);
    EXPECT_DOUBLE_EQ(s.rowOf(0.25), 50);
    s.setVerticalPosition(-2); // two divisions up
    EXPECT_DOUBLE_EQ(s.rowOf(0.25), -50);
}

TEST(SpectrumSettings, BinStepTimeBase) {
    for (int code = 0; code <= 5; ++code) EXPECT_DOUBLE_EQ(fftSecondsPerDivision(code), 2e-7) << code;
    EXPECT_DOUBLE_EQ(fftSecondsPerDivision(6), 2e-7);
    EXPECT_DOUBLE_EQ(fftSecondsPerDivision(17), 1e-3);
    EXPECT_DOUBLE_EQ(fftSecondsPerDivision(29), 10.0);
    EXPECT_EQ(fftSecondsPerDivision(33), 0.0);
}
