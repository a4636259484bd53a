#include "table_color.h"

#include <gtest/gtest.h>

namespace {

constexpr int GDI = TableColor::GDI_MODE;
constexpr int DIRECTX = 0;

TEST(TableColor, RampsPerPixelForm) {
    struct Case {
        int type;
        int graphicMode;
        int surfaceFormat;
        int level;
        int expected;
    };
    const Case cases[] = {
        // Channel 1 at full intensity in every form.
        {1, GDI, 0, 127, 0x00FE00},
        {1, DIRECTX, _SURFACE_32BIT, 127, 254 << 8},
        {1, DIRECTX, _SURFACE_24BIT, 127, 254 << 8},
        {1, DIRECTX, _SURFACE_16BIT_565, 127, 63 << 5},
        {1, DIRECTX, _SURFACE_16BIT_555, 127, 31 << 5},
        // Red and blue swap places between GDI and the surfaces.
        {2, GDI, 0, 127, 0x00FEFE},
        {3, GDI, 0, 127, 0x0000FE},
        {3, DIRECTX, _SURFACE_32BIT, 127, 0xFE0000},
        {4, GDI, 0, 127, 0xFEFE00},
        {4, DIRECTX, _SURFACE_32BIT, 127, 0x00FEFE},
        {2, DIRECTX, _SURFACE_16BIT_565, 127, 31 << 11 | 63 << 5},
        {3, DIRECTX, _SURFACE_16BIT_555, 127, 31 << 10},
        {4, DIRECTX, _SURFACE_16BIT_565, 127, 63 << 5 | 31},
        {4, DIRECTX, _SURFACE_16BIT_555, 127, 31 << 5 | 31},
        // Intermediate levels: v = 2 * level, shifted down into the narrow fields.
        {1, GDI, 0, 50, 100 << 8},
        {3, DIRECTX, _SURFACE_16BIT_565, 50, (100 >> 3) << 11},
        {1, DIRECTX, _SURFACE_16BIT_565, 3, (6 >> 2) << 5},
        {1, DIRECTX, _SURFACE_16BIT_555, 3, 0},
        // Level 0 is black in every form.
        {2, GDI, 0, 0, 0},
        {4, DIRECTX, _SURFACE_16BIT_555, 0, 0},
    };
    for (const Case& c : cases) {
        TableColor table;
        table.build(c.type, c.graphicMode, c.surfaceFormat, 53, false);
        EXPECT_EQ(table.get(c.type, c.level), c.expected)
            << "type " << c.type << " mode " << c.graphicMode << " format " << c.surfaceFormat << " level " << c.level;
    }
}

// Expected colours computed separately from the HSI formula (saturation 1, intensity 1/3,
// pi as 3.14, components doubled and capped).
TEST(TableColor, ColourTrackHues) {
    struct Case {
        int hueStart;
        int level;
        int graphicMode;
        int surfaceFormat;
        int expected;
    };
    const Case cases[] = {
        {0, 0, GDI, 0, 0x1300FF},                       // hue 179
        {0, 127, GDI, 0, 0x00FF71},                     // hue 52
        {53, 0, GDI, 0, 0xFF005B},                      // hue 126
        {0, 119, GDI, 0, 0x00FF00},                     // hue 60, green
        {0, 59, GDI, 0, 0xFF0000},                      // hue 120, blue
        {100, 79, GDI, 0, 0x0000FF},                    // hue 0, red
        {100, 80, GDI, 0, 0x1300FF},                    // wraps to hue 179
        {100, 49, GDI, 0, 0x00FEFF},                    // hue 30
        {100, 49, DIRECTX, _SURFACE_32BIT, 0xFFFE00},   // hue 30
        {100, 49, DIRECTX, _SURFACE_16BIT_565, 0xFFE0}, // hue 30
        {100, 49, DIRECTX, _SURFACE_16BIT_555, 0x7FE0}, // hue 30
        {0, 0, DIRECTX, _SURFACE_16BIT_565, 0xF802},    // hue 179
        {0, 0, DIRECTX, _SURFACE_16BIT_555, 0x7C02},    // hue 179
        {53, 0, DIRECTX, _SURFACE_24BIT, 0x5B00FF},     // hue 126
        {0, 79, DIRECTX, _SURFACE_16BIT_565, 0x065F},   // hue 100
        {0, 29, DIRECTX, 7, 0x7C1F},                    // hue 150, unknown format as 5:5:5
        {180, 0, GDI, 0, 0x1300FF},                     // 180 is the same as 0
        {180, 127, GDI, 0, 0x00FF71},
    };
    for (const Case& c : cases) {
        TableColor table;
        table.build(1, c.graphicMode, c.surfaceFormat, c.hueStart, true);
        EXPECT_EQ(table.get(1, c.level), c.expected)
            << "start " << c.hueStart << " level " << c.level << " format " << c.surfaceFormat;
    }
}

TEST(TableColor, ExportBankIsAlwaysGdi) {
    TableColor table;
    table.build(1, DIRECTX, _SURFACE_16BIT_565, 53, true);
    table.build(3, DIRECTX, _SURFACE_32BIT, 53, false);
    EXPECT_EQ(table.get(1, 0), 0x581F);
    EXPECT_EQ(table.getExportColor(1, 0), 0xFF005B);
    EXPECT_EQ(table.get(3, 127), 0xFE0000);
    EXPECT_EQ(table.getExportColor(3, 127), 0x0000FE);
}

TEST(TableColor, MathAndReferenceIgnoreTheColourTrack) {
    for (int type : {3, 4}) {
        TableColor plain;
        TableColor tracked;
        plain.build(type, GDI, 0, 53, false);
        tracked.build(type, GDI, 0, 53, true);
        for (int level = 0; level < TableColor::TABLE_SIZE; ++level) {
            ASSERT_EQ(tracked.get(type, level), plain.get(type, level)) << type << " " << level;
            ASSERT_EQ(tracked.getExportColor(type, level), plain.getExportColor(type, level));
        }
    }
}

TEST(TableColor, OutOfRangeStartIsClamped) {
    TableColor low;
    TableColor high;
    low.build(2, GDI, 0, -40, true);
    high.build(2, GDI, 0, 1000, true);
    EXPECT_EQ(low.get(2, 0), 0x1300FF);  // as start 0: hue 179
    EXPECT_EQ(high.get(2, 0), 0x1300FF); // as start 180
    EXPECT_EQ(high.getExportColor(2, 127), 0x00FF71);
}

TEST(TableColor, TypesOutsideTheTableAreIgnored) {
    TableColor table;
    table.build(1, GDI, 0, 53, false);
    const int before = table.get(1, 127);
    table.set(0, 127, 0x123456);
    table.set(5, 127, 0x123456);
    table.build(5, GDI, 0, 53, false);
    EXPECT_EQ(table.get(0, 127), 0);
    EXPECT_EQ(table.get(5, 127), 0);
    EXPECT_EQ(table.getExportColor(5, 1), 0);
    EXPECT_EQ(table.get(1, 127), before);
    EXPECT_EQ(table.get(1, 128), 0);
    EXPECT_EQ(table.get(1, -1), 0);
}

TEST(TableColorDeathTest, LevelBeyondTheTableEndsTheProgram) {
    TableColor table;
    EXPECT_DEATH(table.set(1, TableColor::TABLE_SIZE, 0), "pos_ < TABLE_SIZE");
    EXPECT_DEATH(table.set(1, -1, 0), "pos_ < TABLE_SIZE");
}

} // namespace
