#include "rerender.h"

#include "codes.h"
#include "state.h"
#include "table_raw_display.h"
#include "units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Where sample i lands before the truncation.
double positionOf(const HorizontalMap& m, int i) { return i * m.factor * m.ratio + m.offset; }

TEST(HorizontalMap, FactorsOfTimeBaseAndRecordLengthChanges) {
    struct Case {
        const char* what;
        int tc;
        double Pc;
        int Nc, t;
        double P;
        int N;
        int sample; // a sample and where it must land (worked out by hand)
        double at;
    };
    const Case cases[] = {
        // 20 us/div shown at 10 us/div: twice the spacing around the centre column.
        {"half the time per division", 12, 250, 10000, 11, 250, 10000, 2500, 0},
        {"... its centre stays", 12, 250, 10000, 11, 250, 10000, 5000, 5000},
        // 10 us/div shown at 20 us/div: half the spacing.
        {"twice the time per division", 11, 250, 10000, 12, 250, 10000, 4000, 4500},
        // Moved 10 columns right at the same scale: 10 x 20 samples later.
        {"new position", 17, 250, 10000, 17, 260, 10000, 1000, 1200},
        // 500k points shown in a 10k record at the same time/div: 50 samples per position.
        {"record length 500k to 10k", 20, 250, 500000, 20, 250, 10000, 50000, 1000},
        {"record length 10k to 500k", 20, 250, 10000, 20, 250, 500000, 1000, 50000},
        // Equivalent time, 20 ns/div in place: the window 4500..5499 spreads over the record.
        {"ETS window spread", 3, 250, 10000, 3, 250, 10000, 4500, 0},
        {"ETS window end", 3, 250, 10000, 3, 250, 10000, 5499, 9990},
        // 20 ns/div shown at 40 ns/div: the wider window 4000..5999.
        {"ETS slower", 3, 250, 10000, 4, 250, 10000, 4000, 0},
        {"ETS slower end", 3, 250, 10000, 4, 250, 10000, 5999, 9995},
    };
    for (const Case& c : cases) {
        HorizontalMap m;
        ASSERT_TRUE(horizontalMap(c.tc, c.Pc, c.Nc, c.t, c.P, c.N, 500, m)) << c.what;
        EXPECT_NEAR(positionOf(m, c.sample), c.at, 1e-6) << c.what;
    }
    HorizontalMap m;
    ASSERT_TRUE(horizontalMap(12, 250, 10000, 11, 250, 10000, 500, m));
    EXPECT_DOUBLE_EQ(m.factor, 2.0);
    EXPECT_DOUBLE_EQ(m.ratio, 1.0);
    ASSERT_TRUE(horizontalMap(20, 250, 500000, 20, 250, 10000, 500, m));
    EXPECT_DOUBLE_EQ(m.factor, 1.0);
    EXPECT_DOUBLE_EQ(m.ratio, 0.02);
}

TEST(HorizontalMap, RefusesUnusableInput) {
    HorizontalMap m;
    m.offset = 7;
    EXPECT_FALSE(horizontalMap(33, 250, 10000, 11, 250, 10000, 500, m));
    EXPECT_FALSE(horizontalMap(12, 250, 10000, -1, 250, 10000, 500, m));
    EXPECT_FALSE(horizontalMap(12, 250, 0, 11, 250, 10000, 500, m));
    EXPECT_FALSE(horizontalMap(12, 250, 10000, 11, 250, 10000, 0, m));
    EXPECT_FALSE(horizontalMap(12, std::nan(""), 10000, 11, 250, 10000, 500, m));
    EXPECT_EQ(m.offset, 7);
}

TEST(RerenderRecord, SkipsEmptySamplesAndPositionsOutsideTheRecord) {
    const std::vector<short> source = {10, EMPTY_SAMPLE, 30, 40, 20480 + 5};
    std::vector<short> to(6, EMPTY_SAMPLE);
    to[3] = 99;
    HorizontalMap m;
    m.factor = 2;
    m.offset = -1.5; // 0 -> trunc(-1.5) = -1, dropped; 1 -> 0 (empty); 2 -> 2; 3 -> 4; 4 -> 6, outside
    EXPECT_EQ(rerenderRecord(source.data(), 5, to.data(), 6, m), 2);
    EXPECT_EQ(to, (std::vector<short>{EMPTY_SAMPLE, EMPTY_SAMPLE, 30, 99, 40, EMPTY_SAMPLE}));

    // A fraction below zero truncates to position 0, as the rule says.
    m.factor = 1;
    m.offset = -0.5;
    std::fill(to.begin(), to.end(), EMPTY_SAMPLE);
    rerenderRecord(source.data(), 1, to.data(), 6, m);
    EXPECT_EQ(to[0], 10);

    // Far-off and non-finite positions are refused before any conversion to an integer.
    for (double offset : {1e300, -1e300, 3e9, std::nan("")}) {
        m.offset = offset;
        EXPECT_EQ(rerenderRecord(source.data(), 5, to.data(), 6, m), 0) << offset;
    }
}

// Volts per converter step of a volt/div code: its rows per code times its volts per row
// (the common 8 / H left out).
double voltsPerCode(const TableRawDisplay& t, int k) { return t.getFactor(k) * volt_per_div(k); }

TEST(VerticalRescale, ScaleFollowsTheVoltsOfEachCode) {
    for (int generation : {_HW1, _HW2, _HW3, _HW4}) {
        State s;
        s.d_hardwareVersion = generation;
        s.d_adcLevels = generation <= _HW2 ? 4096 : 1024;
        TableRawDisplay table(&s);
        for (int u = 0; u <= _10V_DIV; ++u) {
            for (int v = 0; v <= _10V_DIV; ++v) {
                VerticalScales in;
                in.captureVoltDiv = u;
                in.voltDiv = v;
                in.captureFactor = table.getFactor(u);
                in.factor = table.getFactor(v);
                in.captureOffsetRow = 300;
                in.offsetRow = 120;
                in.adcLevels = s.d_adcLevels;
                in.displayHeight = 400;
                in.hardwareVersion = generation;
                RowRule rule;
                ASSERT_TRUE(verticalRescale(in, rule));
                // A code taken at u is a voltage; at v it needs that voltage's rows.
                const double rowsPerCode = voltsPerCode(table, u) / volt_per_div(v);
                EXPECT_NEAR(rule.scale / rowsPerCode, 1.0, 1e-3) << generation << " " << u << " -> " << v;
                // The capture's zero row, as a code, lands on the zero row now.
                EXPECT_NEAR(rule.centre, (300 - 200) / table.getFactor(u) + s.d_adcLevels / 2, 1.0);
                EXPECT_EQ(rule.rowNow, 120);
            }
        }
    }
}

TEST(VerticalRescale, GainsAndRefusedInput) {
    VerticalScales in;
    in.captureVoltDiv = 7;
    in.voltDiv = 6;
    in.captureFactor = 0.12207;
    in.factor = 0.2441;
    in.captureOffsetRow = 200;
    in.offsetRow = 200;
    in.adcLevels = 4096;
    in.displayHeight = 400;
    in.hardwareVersion = _HW1;
    RowRule one, zero;
    ASSERT_TRUE(verticalRescale(in, one));
    in.captureGain = 0; // an unset calibration
    in.gain = 0;
    ASSERT_TRUE(verticalRescale(in, zero));
    EXPECT_EQ(zero.centre, one.centre);
    EXPECT_DOUBLE_EQ(zero.scale, one.scale);

    in.gain = 1.1;
    ASSERT_TRUE(verticalRescale(in, one));
    EXPECT_DOUBLE_EQ(one.scale, 0.2441 * 1.1); // same range, only the pixel factor and gain

    RowRule kept;
    kept.centre = 5;
    for (auto spoil : {+[](VerticalScales& v) { v.gain = 1e30; },                                   // rows past int32
                       +[](VerticalScales& v) { v.captureGain = 1e-30, v.captureOffsetRow = 300; }, // centre far off
                       +[](VerticalScales& v) { v.voltDiv = 11; }, +[](VerticalScales& v) { v.captureFactor = 0; }}) {
        VerticalScales bad = in;
        spoil(bad);
        EXPECT_FALSE(verticalRescale(bad, kept));
        EXPECT_EQ(kept.centre, 5);
    }
}

} // namespace
