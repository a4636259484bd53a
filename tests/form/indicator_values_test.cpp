#include "indicator_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(IndicatorValues, SampleRate) {
    struct Case {
        double rate;
        const char* text;
    } cases[] = {
        {999, "999S/s"},          {1000, "1KS/s"}, {1e8, "100MS/s"},     {1e9, "1GS/s"}, {2.5e8, "250MS/s"},
        {12345678, "12.346MS/s"}, {0, "0S/s"},     {999999, "1000KS/s"}, {1e6, "1MS/s"},
    };
    for (const Case& c : cases) EXPECT_EQ(sampleRateText(c.rate), c.text) << c.rate;
}

TEST(IndicatorValues, DelayText) {
    struct Case {
        bool on;
        int timeDiv;
        double position;
        std::optional<std::string> text;
    } cases[] = {
        {false, 17, 250, "50%"}, {false, 17, 0, "0%"},      {false, 17, 499.9, "99%"},
        {false, 17, -10, "-2%"}, {true, 17, 250, "0s"},     {true, 17, 200, "1ms"}, // 50 px at 1 ms/div
        {true, 17, 300, "-1ms"}, {true, 29, -4500, "950s"},                         // 4750 px at 10 s/div
        {true, 8, 0, "5us"},                                                        // 250 px at 1 us/div
        {true, 11, 250.5, "0s"},                                                    // the difference truncates to 0 px
    };
    // 1 px at 2 ns/div is 4e-11 s: below 1 ns, the old text stays.
    EXPECT_EQ(delayText(true, 0, 249, 500), std::nullopt);
    for (const Case& c : cases) {
        EXPECT_EQ(delayText(c.on, c.timeDiv, c.position, 500), c.text) << c.on << " " << c.timeDiv << " " << c.position;
    }
}

TEST(IndicatorValues, TriggerLevelText) {
    struct Case {
        double offset, level;
        bool inverted;
        int probe, voltDiv;
        std::optional<std::string> text;
    } cases[] = {
        {200, 200, false, 1, 7, "0V"},
        {200, 250, false, 1, 7, "1V"}, // 50 rows = 1 div at 1 V/div
        {200, 150, false, 1, 7, "-1V"},
        {200, 210, false, 1, 1, "2mV"}, // 10 rows at 10 mV/div
        {200, 250, false, 10, 7, "10V"},
        {200, 250, true, 1, 7, "-1V"},     // mirrored: the level lies below the offset
        {200.7, 250.9, false, 1, 7, "1V"}, // trunc(250.9 - trunc(200.7)) = 50
        {0, 400, false, 1000, 10, "8E04V"},
        {200, 201, false, 1, 0, "0.1mV"}, // 0.0001 V exactly is kept as the old text
    };
    for (const Case& c : cases) {
        auto text = triggerLevelText(c.offset, c.level, c.inverted, c.probe, c.voltDiv);
        if (c.voltDiv == 0)
            EXPECT_EQ(text, std::nullopt);
        else
            EXPECT_EQ(text, c.text) << c.offset << " " << c.level;
    }
}

TEST(IndicatorValues, VoltDivItemsFollowTheProbe) {
    struct Case {
        int probe;
        int item;
        const char* first;
        const char* last;
    } cases[] = {
        {1, 0, "10mV", "10V"},    {10, 1, "100mV", "100V"}, {100, 2, "1V", "1kV"},
        {1000, 3, "10V", "10kV"}, {5, 3, "10V", "10kV"}, // not one of the four: the x1000 texts
    };
    for (const Case& c : cases) {
        EXPECT_EQ(probeItemIndex(c.probe), c.item);
        EXPECT_STREQ(voltDivItemTexts(c.probe).front(), c.first);
        EXPECT_STREQ(voltDivItemTexts(c.probe).back(), c.last);
    }
    EXPECT_EQ(probeOfItemIndex(2), 100);
    EXPECT_EQ(probeOfItemIndex(7), 1);
    EXPECT_STREQ(TIME_DIV_ITEMS[17], "1ms");
    EXPECT_STREQ(TIME_DIV_ITEMS[29], "10s");
    EXPECT_STREQ(PERSISTENCE_ITEMS[14], "5s");
    EXPECT_STREQ(PERSISTENCE_ITEMS[15], "10s");
}

TEST(IndicatorValues, MarkerPlacements) {
    struct H {
        int position, left, picture;
    } horizontal[] = {{-10, 0, 0}, {600, 500, 2}, {0, -1, 1}, {500, 499, 1}, {250, 249, 1}, {501, 500, 2}};
    for (const H& c : horizontal) {
        const MarkerPlacement m = horizontalPositionMarker(c.position, 500);
        EXPECT_EQ(m.position, c.left) << c.position;
        EXPECT_EQ(m.picture, c.picture) << c.position;
    }
    struct T {
        int ch, level;
        bool inverted;
        int top, picture;
    } trigger[] = {
        {1, 410, false, 5, 0},   {2, 410, false, 5, 3},  {1, 400, false, 5, 1},
        {1, 200, false, 205, 1}, {1, 0, false, 405, 1},  {1, -1, false, 405, 2},
        {2, -30, false, 405, 5}, {1, 410, true, 405, 2}, {2, 100, true, 105, 4},
    };
    for (const T& c : trigger) {
        const MarkerPlacement m = triggerLevelMarker(c.ch, c.level, c.inverted, 400);
        EXPECT_EQ(m.position, c.top) << c.ch << " " << c.level;
        EXPECT_EQ(m.picture, c.picture) << c.ch << " " << c.level;
    }
    EXPECT_EQ(offsetMarkerTop(200, false, 400), 205);
    EXPECT_EQ(offsetMarkerTop(300, false, 400), 105);
    EXPECT_EQ(offsetMarkerTop(300, true, 400), 305);
    EXPECT_EQ(offsetMarkerTop(0, false, 400), 405);
}

TEST(IndicatorValues, BufferOverview) {
    BufferOverviewInputs in;
    in.trigger = 0.5;
    in.markLeft = 0.25;
    in.markRight = 0.75;
    in.windowWidth = 0.1;
    in.windowLeft = 0.45;
    in.panelWidth = 201;
    in.centreImageWidth = 7;
    in.triggerImageWidth = 9;
    in.rightMarkImageWidth = 3;
    in.channelsOn = 3;
    in.triggerSource = 2;
    BufferOverviewLayout out = bufferOverviewLayout(in);
    EXPECT_EQ(out.windowWidth, 20);
    EXPECT_EQ(out.windowLeft, 90);
    EXPECT_EQ(out.centreLeft, 97);  // 100 - 3
    EXPECT_EQ(out.triggerLeft, 96); // 100 - 4
    EXPECT_EQ(out.triggerImage, BufferOverviewLayout::TriggerImage::Inside);
    EXPECT_EQ(out.channelSet, 2);
    EXPECT_EQ(out.leftMarkLeft, 51);
    EXPECT_EQ(out.rightMarkLeft, 146);

    struct Case {
        double trigger;
        int channelsOn, source;
        BufferOverviewLayout::TriggerImage image;
        int triggerLeft, set;
    } cases[] = {
        {-0.2, 1, 2, BufferOverviewLayout::TriggerImage::Left, -4, 1},
        {1.5, 2, 1, BufferOverviewLayout::TriggerImage::Right, 196, 2},
        {1.0, 3, 1, BufferOverviewLayout::TriggerImage::Inside, 196, 1},
        {0.0, 0, 1, BufferOverviewLayout::TriggerImage::Inside, -4, 0},
    };
    for (const Case& c : cases) {
        in.trigger = c.trigger;
        in.channelsOn = c.channelsOn;
        in.triggerSource = c.source;
        out = bufferOverviewLayout(in);
        EXPECT_EQ(out.triggerImage, c.image) << c.trigger;
        EXPECT_EQ(out.triggerLeft, c.triggerLeft) << c.trigger;
        EXPECT_EQ(out.channelSet, c.set) << c.channelsOn;
    }
}

TEST(IndicatorValues, GridColour) {
    const int grey = 13421772; // r = g = b = 204
    EXPECT_EQ(gridColorFor(2, 0, grey), grey);
    EXPECT_EQ(gridColorFor(2, 2, 0x0000FF), 0x0000FF);
    EXPECT_EQ(gridColorFor(0, 2, grey), (25 << 11) | (51 << 5) | 25);
    EXPECT_EQ(gridColorFor(1, 3, grey), (25 << 10) | (25 << 5) | 25);
    EXPECT_EQ(gridColorFor(0, 0, 0x0000FF), 0xFF0000); // red: BGR to RGB
    EXPECT_EQ(gridColorFor(0, 1, 0x123456), 0x563412);
}

} // namespace
