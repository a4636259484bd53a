#include "measure.h"

#include "trace_raster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace {

constexpr float kVoltDiv = 1.0f;  // 0.02 V per row
constexpr double kTimeDiv = 1e-3; // 20 us per column
constexpr double kVolt = 0.02 * kVoltDiv;
constexpr double kSecond = 0.02 * kTimeDiv;

struct Results {
    std::array<double, kMeasureSlots> value{};
    bool measured[kMeasureSlots] = {};
    double operator[](int slot) const { return value[std::size_t(slot)]; }
    int measuredCount() const { return int(std::count(std::begin(measured), std::end(measured), true)); }
};

Results measureAll(const TraceImage& image, unsigned short centre, int upper = 90, int lower = 10,
                   std::optional<int> onlySlot = std::nullopt) {
    bool enable[kMeasureSlots];
    for (int s = 0; s < kMeasureSlots; ++s) enable[s] = !onlySlot || *onlySlot == s;
    Results r;
    r.value.fill(-99.0);
    MEASURE().measure_all(image.wave, centre, kVoltDiv, kTimeDiv, enable, r.value.data(), upper, lower, r.measured);
    Results plain; // the values do not depend on who asks what was measured
    MEASURE().measure_all(image.wave, centre, kVoltDiv, kTimeDiv, enable, plain.value.data(), upper, lower);
    EXPECT_EQ(plain.value, r.value);
    return r;
}

// Volts of a row, seconds of a column count.
double volts(double rows) { return rows * kVolt; }
double seconds(double columns) { return columns * kSecond; }

// A column profile with the given middles (first = last = middle).
std::vector<std::array<unsigned short, 3>> profile(const std::vector<int>& middles) {
    std::vector<std::array<unsigned short, 3>> columns(kMeasureColumns);
    for (int c = 0; c < kMeasureColumns; ++c) {
        const auto m = static_cast<unsigned short>(middles[std::size_t(std::min<int>(c, int(middles.size()) - 1))]);
        columns[std::size_t(c)] = {m, m, m};
    }
    return columns;
}

struct Edges {
    std::vector<std::array<unsigned short, 2>> events = std::vector<std::array<unsigned short, 2>>(kMeasureEvents);
    int count = -1;
    unsigned short rises[2][3] = {};
    unsigned short falls[2][3] = {};
};

Edges detect(const std::vector<std::array<unsigned short, 3>>& columns, int lower, int middle, int upper) {
    unsigned short level[15] = {};
    level[_MEASURE_LOWER] = static_cast<unsigned short>(lower);
    level[_MEASURE_MIDDLE] = static_cast<unsigned short>(middle);
    level[_MEASURE_UPPER] = static_cast<unsigned short>(upper);
    Edges e;
    MEASURE().detect_edge(reinterpret_cast<const unsigned short(*)[3]>(columns.data()), level,
                          reinterpret_cast<unsigned short(*)[2]>(e.events.data()), &e.count, e.rises, e.falls);
    return e;
}

} // namespace

// Traces drawn with known levels and timing; the library must find them within one row
// (0.02 V) and one or two columns.
TEST(MeasureTraces, DcLevel) {
    const auto image = drawTrace(flatShape(250));
    const auto r = measureAll(*image, 200);
    for (int s : {_MEASURE_MINIMUM, _MEASURE_MAXIMUM, _MEASURE_BASE, _MEASURE_TOP, _MEASURE_LOWER, _MEASURE_MIDDLE,
                  _MEASURE_UPPER, _MEASURE_MEAN, _MEASURE_RMS})
        EXPECT_NEAR(r[s], 1.0, 1e-12) << "slot " << s;
    for (int s : {_MEASURE_P_TO_P, _MEASURE_AMPLITUDE, _MEASURE_P_OVERSHOOT, _MEASURE_N_OVERSHOOT})
        EXPECT_EQ(r[s], 0.0) << "slot " << s;
    for (int s = _MEASURE_PERIOD; s <= _MEASURE_N_DUTY_CYCLE; ++s) EXPECT_EQ(r[s], 0.0) << "slot " << s;
    // No cycle: the cycle levels stay at row 0, which reads as 0 - centre.
    EXPECT_NEAR(r[_MEASURE_CYCLE_MEAN], volts(-200), 1e-12);
    EXPECT_NEAR(r[_MEASURE_CYCLE_RMS], volts(-200), 1e-12);
}

TEST(MeasureTraces, SquareWave) {
    // 2.5 divisions (125 rows) centred on row 200, period 100 columns, 50 % duty.
    const auto image = drawTrace(pulseShape(138, 263, 100, 37.5, 50));
    const auto r = measureAll(*image, 200);
    EXPECT_NEAR(r[_MEASURE_MINIMUM], volts(-62), 1e-12);
    EXPECT_NEAR(r[_MEASURE_MAXIMUM], volts(63), 1e-12);
    EXPECT_NEAR(r[_MEASURE_BASE], volts(-62), 1e-12);
    EXPECT_NEAR(r[_MEASURE_TOP], volts(63), 1e-12);
    EXPECT_NEAR(r[_MEASURE_LOWER], volts(150 - 200), 1e-12); // 138 + trunc(12.5)
    EXPECT_NEAR(r[_MEASURE_UPPER], volts(250 - 200), 1e-12); // 138 + trunc(112.4999..)
    EXPECT_NEAR(r[_MEASURE_MIDDLE], volts(0), 1e-12);
    EXPECT_NEAR(r[_MEASURE_P_TO_P], 2.5, 1e-12);
    EXPECT_NEAR(r[_MEASURE_AMPLITUDE], 2.5, 1e-12);
    EXPECT_NEAR(r[_MEASURE_MEAN], 0.0, volts(1));
    EXPECT_NEAR(r[_MEASURE_RMS], 1.25, volts(1));
    EXPECT_NEAR(r[_MEASURE_CYCLE_MEAN], 0.0, volts(1));
    EXPECT_NEAR(r[_MEASURE_CYCLE_RMS], 1.25, volts(1));
    EXPECT_NEAR(r[_MEASURE_PERIOD], seconds(100), 1e-12);
    EXPECT_NEAR(r[_MEASURE_FREQUENCY], 500.0, 1e-9);
    EXPECT_NEAR(r[_MEASURE_P_PULSE_WIDTH], seconds(50), seconds(1));
    EXPECT_NEAR(r[_MEASURE_N_PULSE_WIDTH], seconds(50), seconds(1));
    EXPECT_NEAR(r[_MEASURE_P_DUTY_CYCLE], 50.0, 1.0);
    EXPECT_NEAR(r[_MEASURE_N_DUTY_CYCLE], 50.0, 1.0);
    EXPECT_LE(r[_MEASURE_RISE_TIME], seconds(1)); // vertical edges: at most the join column
    EXPECT_LE(r[_MEASURE_FALL_TIME], seconds(1));
    EXPECT_EQ(r[_MEASURE_P_OVERSHOOT], 0.0);
    EXPECT_EQ(r[_MEASURE_N_OVERSHOOT], 0.0);
    EXPECT_EQ(r.measuredCount(), kMeasureSlots); // a 0 V overshoot is a measurement too
}

TEST(MeasureTraces, SineWave) {
    const double amplitude = 100, period = 125;
    const auto image = drawTrace(sineShape(200, amplitude, period, 3));
    const auto r = measureAll(*image, 200);
    EXPECT_NEAR(r[_MEASURE_MAXIMUM], volts(amplitude), volts(1));
    EXPECT_NEAR(r[_MEASURE_MINIMUM], volts(-amplitude), volts(1));
    EXPECT_NEAR(r[_MEASURE_P_TO_P], volts(2 * amplitude), volts(1));
    EXPECT_NEAR(r[_MEASURE_RMS], volts(amplitude / std::sqrt(2.0)), volts(1));
    EXPECT_NEAR(r[_MEASURE_CYCLE_RMS], volts(amplitude / std::sqrt(2.0)), volts(1));
    EXPECT_NEAR(r[_MEASURE_MEAN], 0.0, volts(1));
    EXPECT_NEAR(r[_MEASURE_CYCLE_MEAN], 0.0, volts(1));
    EXPECT_NEAR(r[_MEASURE_PERIOD], seconds(period), seconds(1));
    EXPECT_NEAR(r[_MEASURE_FREQUENCY], 1.0 / seconds(period), 1.0 / seconds(period) * 0.01);
    EXPECT_NEAR(r[_MEASURE_P_DUTY_CYCLE], 50.0, 2.0);
    // From the Lower to the Upper row of a sine: (asin(U) - asin(L)) / 2 pi of a period.
    const double lowerRow = r[_MEASURE_LOWER] / kVolt, upperRow = r[_MEASURE_UPPER] / kVolt;
    const double riseColumns =
        (std::asin(upperRow / amplitude) - std::asin(lowerRow / amplitude)) * period / (2 * std::numbers::pi);
    EXPECT_NEAR(r[_MEASURE_RISE_TIME], seconds(riseColumns), seconds(2));
    EXPECT_NEAR(r[_MEASURE_FALL_TIME], seconds(riseColumns), seconds(2));
}

TEST(MeasureTraces, TrapezoidRiseAndFallTimes) {
    // Period 200: rise 40, high 60, fall 20, low 80 columns; 10 % - 90 % is 0.8 of each ramp.
    const auto image = drawTrace(trapezoidShape(150, 250, 200, 30, 40, 60, 20));
    const auto r = measureAll(*image, 200);
    EXPECT_NEAR(r[_MEASURE_BASE], volts(-50), 1e-12);
    EXPECT_NEAR(r[_MEASURE_TOP], volts(50), 1e-12);
    EXPECT_NEAR(r[_MEASURE_RISE_TIME], seconds(32), seconds(1));
    EXPECT_NEAR(r[_MEASURE_FALL_TIME], seconds(16), seconds(1));
    EXPECT_NEAR(r[_MEASURE_PERIOD], seconds(200), seconds(1));
    // Widths run between the 50 % points: 20 + 60 + 10 columns high.
    EXPECT_NEAR(r[_MEASURE_P_PULSE_WIDTH], seconds(90), seconds(2));
    EXPECT_NEAR(r[_MEASURE_N_PULSE_WIDTH], seconds(110), seconds(2));
    EXPECT_NEAR(r[_MEASURE_P_DUTY_CYCLE], 45.0, 1.0);
}

TEST(MeasureTraces, PulseWithOvershoot) {
    // 20 % duty; 20 rows of overshoot for 3 columns after each edge.
    const TraceShape pulse = pulseShape(150, 250, 100, 25, 20);
    const auto image = drawTrace([&](double x) {
        const double t = std::fmod(x - 25, 100);
        if (x >= 25 && t < 3) return 270.0;
        if (x >= 25 && t >= 20 && t < 23) return 130.0;
        return pulse(x);
    });
    const auto r = measureAll(*image, 200);
    EXPECT_NEAR(r[_MEASURE_MAXIMUM], volts(70), 1e-12);
    EXPECT_NEAR(r[_MEASURE_TOP], volts(50), 1e-12);
    EXPECT_NEAR(r[_MEASURE_P_OVERSHOOT], volts(20), 1e-12);
    EXPECT_NEAR(r[_MEASURE_N_OVERSHOOT], volts(20), 1e-12);
    EXPECT_NEAR(r[_MEASURE_PERIOD], seconds(100), seconds(1));
    EXPECT_NEAR(r[_MEASURE_P_PULSE_WIDTH], seconds(20), seconds(1));
    EXPECT_NEAR(r[_MEASURE_N_PULSE_WIDTH], seconds(80), seconds(1));
    EXPECT_NEAR(r[_MEASURE_P_DUTY_CYCLE], 20.0, 1.0);
    EXPECT_NEAR(r[_MEASURE_N_DUTY_CYCLE], 80.0, 1.0);
}

TEST(MeasureTraces, TracesWithoutAPeriod) {
    struct Case {
        const char* what;
        TraceShape shape;
        bool cycleFound;
        bool riseFound, fallFound, widthFound; // the first of each edge, the positive width
    };
    const Case cases[] = {
        // Base 200, Top 205: Lower 200 and Upper 204 are four rows apart; the cycle stays.
        {"tiny signal", pulseShape(200, 205, 100, 37.5, 50), true, true, true, true},
        {"edge within the first ten columns", pulseShape(150, 250, 1000, 5, 1000), false, false, false, false},
        {"flat trace", flatShape(180), false, false, false, false},
        // One pulse: both edges and the positive width, no second edge of either direction.
        {"single pulse", pulseShape(150, 250, 1000, 200, 10), false, true, true, true},
        {"one step up", pulseShape(150, 250, 1000, 200, 1000), false, true, false, false},
        {"one step down", pulseShape(250, 150, 1000, 200, 1000), false, false, true, false},
    };
    for (const auto& c : cases) {
        const auto r = measureAll(*drawTrace(c.shape), 200);
        for (int s : {_MEASURE_PERIOD, _MEASURE_FREQUENCY, _MEASURE_P_DUTY_CYCLE, _MEASURE_N_DUTY_CYCLE}) {
            EXPECT_EQ(r[s], 0.0) << c.what << ", slot " << s;
            EXPECT_FALSE(r.measured[s]) << c.what << ", slot " << s; // no number, not 0 Hz
        }
        // Without a cycle the cycle levels stay at row 0, which is no measurement.
        EXPECT_EQ(r[_MEASURE_CYCLE_MEAN] > volts(-200), c.cycleFound) << c.what;
        EXPECT_EQ(r.measured[_MEASURE_CYCLE_MEAN], c.cycleFound) << c.what;
        EXPECT_EQ(r.measured[_MEASURE_CYCLE_RMS], c.cycleFound) << c.what;
        EXPECT_EQ(r.measured[_MEASURE_RISE_TIME], c.riseFound) << c.what;
        EXPECT_EQ(r.measured[_MEASURE_FALL_TIME], c.fallFound) << c.what;
        EXPECT_EQ(r.measured[_MEASURE_P_PULSE_WIDTH], c.widthFound) << c.what;
        EXPECT_EQ(r.measured[_MEASURE_N_PULSE_WIDTH], c.cycleFound) << c.what; // needs the second edge
        for (int s = _MEASURE_MINIMUM; s <= _MEASURE_N_OVERSHOOT; ++s) {
            if (s != _MEASURE_CYCLE_MEAN && s != _MEASURE_CYCLE_RMS) {
                EXPECT_TRUE(r.measured[s]) << c.what << ", slot " << s;
            }
        }
    }
    // Base 200, Top 206: Lower 200 and Upper 205 are five rows apart, enough for a period.
    EXPECT_TRUE(measureAll(*drawTrace(pulseShape(200, 206, 100, 37.5, 50)), 200).measured[_MEASURE_PERIOD]);
}

TEST(MeasureAll, EmptyImageReadsMinusTheCentre) {
    const TraceImage image;
    const auto r = measureAll(image, 150);
    for (int s : {_MEASURE_MINIMUM, _MEASURE_MAXIMUM, _MEASURE_BASE, _MEASURE_TOP, _MEASURE_MEAN, _MEASURE_RMS})
        EXPECT_NEAR(r[s], volts(-150), 1e-12) << "slot " << s;
    EXPECT_EQ(r[_MEASURE_FREQUENCY], 0.0);
    EXPECT_EQ(r.measuredCount(), 0);
}

// Each measurement asked alone reads what it reads among all, and the others read 0.
TEST(MeasureAll, DisabledSlotsReadZeroEvenWhenComputed) {
    const auto image = drawTrace(trapezoidShape(150, 250, 200, 30, 40, 60, 20));
    const auto all = measureAll(*image, 200);
    for (int only = 0; only < kMeasureSlots; ++only) {
        const auto r = measureAll(*image, 200, 90, 10, only);
        EXPECT_EQ(r.measured[only], all.measured[only]) << "slot " << only;
        for (int s = 0; s < kMeasureSlots; ++s) EXPECT_EQ(r[s], s == only ? all[s] : 0.0) << only << ", slot " << s;
    }
}

TEST(MeasureAll, UnusableArguments) {
    bool enable[kMeasureSlots];
    double result[kMeasureSlots];
    std::fill(std::begin(enable), std::end(enable), true);
    std::fill(std::begin(result), std::end(result), 5.0);
    MEASURE m;
    m.measure_all(nullptr, 200, 1.0f, 1e-3, enable, result, 90, 10);
    for (double v : result) EXPECT_EQ(v, 0.0);
    m.measure_all(nullptr, 200, 1.0f, 1e-3, nullptr, result, 90, 10); // nothing to do, no crash
    m.measure_all(nullptr, 200, 1.0f, 1e-3, enable, nullptr, 90, 10);
}

TEST(MeasureAll, BrightImageDoesNotWrapItsSums) {
    // 500 x 255 per row is above 16 bits, the moment sum above 32 bits.
    auto image = std::make_unique<TraceImage>();
    for (auto& column : image->wave) std::fill(std::begin(column), std::end(column), 255);
    unsigned short hist[kMeasureRows];
    unsigned short columns[kMeasureColumns][3];
    MEASURE().make_histogram(image->wave, hist, columns);
    EXPECT_EQ(hist[0], 65535);
    EXPECT_EQ(hist[399], 65535);
    EXPECT_EQ(columns[7][0], 0);
    EXPECT_EQ(columns[7][1], 399);
    EXPECT_EQ(columns[7][2], 199);
    const auto r = measureAll(*image, 0);
    EXPECT_NEAR(r[_MEASURE_MEAN], volts(199), 1e-12); // trunc(199.5)
}

TEST(MeasureSteps, ReferenceLevels) {
    // Histogram peaks at rows 100 and 200: Base 100, Top 200.
    struct Case {
        int upper, lower, upperRow, lowerRow;
    };
    const Case cases[] = {
        {90, 10, 189, 110}, // 0.9f is a little below 0.9: the product truncates to 89
        {100, 0, 200, 100},
        {150, -20, 200, 100}, // clamped to 0..100
        {50, 50, 150, 150},
    };
    unsigned short hist[kMeasureRows] = {};
    hist[100] = 1000;
    hist[200] = 1000;
    bool enable[kMeasureSlots] = {};
    auto image = std::make_unique<TraceImage>();
    for (const auto& c : cases) {
        unsigned short level[15] = {};
        MEASURE().decide_voltage(image->wave, 0, hist, enable, level, c.upper, c.lower);
        EXPECT_EQ(level[_MEASURE_BASE], 100);
        EXPECT_EQ(level[_MEASURE_TOP], 200);
        EXPECT_EQ(level[_MEASURE_MIDDLE], 150);
        EXPECT_EQ(level[_MEASURE_UPPER], c.upperRow) << c.upper;
        EXPECT_EQ(level[_MEASURE_LOWER], c.lowerRow) << c.lower;
    }
}

TEST(MeasureSteps, BaseAndTopNeedFivePercentOfTheHits) {
    // A ramp spreads its hits: no row holds 5 %, so Base and Top fall back to Minimum and Maximum.
    unsigned short hist[kMeasureRows] = {};
    for (int r = 50; r <= 350; ++r) hist[r] = 10;
    bool enable[kMeasureSlots] = {};
    auto image = std::make_unique<TraceImage>();
    unsigned short level[15] = {};
    MEASURE().decide_voltage(image->wave, 0, hist, enable, level, 90, 10);
    EXPECT_EQ(level[_MEASURE_BASE], 50);
    EXPECT_EQ(level[_MEASURE_TOP], 350);
    EXPECT_EQ(level[_MEASURE_MEAN], 200);
}

TEST(MeasureSteps, BrightestRow) {
    auto image = std::make_unique<TraceImage>();
    image->wave[3][10] = 40;
    image->wave[3][20] = 90;
    image->wave[3][30] = 90;
    MEASURE m;
    EXPECT_EQ(m.get_y(image->wave, 3), 20); // the lowest of equals
    EXPECT_EQ(m.get_y(image->wave, 4), -1);
    EXPECT_EQ(m.get_y(image->wave, 500), -1);
    EXPECT_EQ(m.get_y(image->wave, -1), -1);
}

TEST(MeasureSteps, CrossingEvents) {
    // Lower 120, Middle 200, Upper 280.
    struct Case {
        const char* what;
        std::vector<int> middles; // per column from 0; the last value repeats
        std::vector<std::array<unsigned short, 2>> events;
    };
    std::vector<int> vertical(500, 100), verticalDown(500, 300), throughLower(500, 100), late(500, 100),
        lastColumn(500, 100);
    std::fill(vertical.begin() + 51, vertical.end(), 300);
    std::fill(verticalDown.begin() + 51, verticalDown.end(), 100);
    throughLower[50] = 120;
    std::fill(throughLower.begin() + 51, throughLower.end(), 250);
    std::fill(late.begin() + 5, late.end(), 300);
    lastColumn[499] = 280;
    // A vertical edge from column 9 to 10 lies before the first examined column; 10 to 11 not.
    std::vector<int> beforeTen(500, 100), atTen(500, 100);
    std::fill(beforeTen.begin() + 10, beforeTen.end(), 300);
    std::fill(atTen.begin() + 11, atTen.end(), 300);
    const Case cases[] = {
        {"vertical rising edge", vertical, {{50, 1}, {50, 3}}},
        {"vertical falling edge", verticalDown, {{50, 3}, {50, 1}}},
        {"exactly on Lower, then past Middle", throughLower, {{50, 1}}},
        {"edge before column 10", late, {}},
        {"last column on Upper", lastColumn, {{498, 1}, {499, 3}}},
        {"edge from column 9 to 10", beforeTen, {}},
        {"edge from column 10 to 11", atTen, {{10, 1}, {10, 3}}},
    };
    for (const auto& c : cases) {
        const auto e = detect(profile(c.middles), 120, 200, 280);
        ASSERT_EQ(e.count, int(c.events.size())) << c.what;
        for (std::size_t k = 0; k < c.events.size(); ++k)
            EXPECT_EQ(e.events[k], c.events[k]) << c.what << " event " << k;
    }
}

TEST(MeasureSteps, VerticalEdgeHasWidthZero) {
    std::vector<int> middles(500, 100);
    std::fill(middles.begin() + 101, middles.begin() + 201, 300);
    std::fill(middles.begin() + 301, middles.begin() + 401, 300);
    const auto e = detect(profile(middles), 120, 200, 280);
    EXPECT_EQ(e.rises[0][0], 100);
    EXPECT_EQ(e.rises[0][1], 1);
    EXPECT_EQ(e.rises[0][2], 0);
    EXPECT_EQ(e.rises[1][0], 300);
    EXPECT_EQ(e.falls[0][0], 200);
    EXPECT_EQ(e.falls[1][0], 400);
    unsigned short time[5], cycle[2];
    bool enable[kMeasureSlots];
    std::fill(std::begin(enable), std::end(enable), true);
    MEASURE().decide_time(e.rises, e.falls, enable, time, cycle);
    EXPECT_EQ(time[0], 200); // period on the rising edges, which come first
    EXPECT_EQ(cycle[0], 100);
    EXPECT_EQ(cycle[1], 300);
    EXPECT_EQ(time[3], 100);
    EXPECT_EQ(time[4], 100);
}

TEST(MeasureSteps, EdgeThroughARunOfMiddleCrossings) {
    // Lower at 60, then the middle row wobbles about Middle, then Upper at 70.
    std::vector<int> middles(500, 100);
    for (int c = 61; c < 70; ++c) middles[std::size_t(c)] = c % 2 ? 190 : 210;
    std::fill(middles.begin() + 70, middles.end(), 300);
    const auto e = detect(profile(middles), 120, 200, 280);
    EXPECT_EQ(e.rises[0][1], 1);
    EXPECT_EQ(e.rises[0][0], (61 + 68) >> 1); // half-way along the Middle crossings
    EXPECT_EQ(e.rises[0][2], 69 - 60);
}

TEST(MeasureSteps, NoisyTraceStopsAtTheEventListsRoom) {
    std::vector<int> middles(500);
    for (int c = 0; c < 500; ++c) middles[std::size_t(c)] = c % 2 ? 300 : 100; // two crossings in every column
    const auto e = detect(profile(middles), 120, 200, 280);
    EXPECT_EQ(e.count, kMeasureEvents);
}

TEST(MeasureSteps, SecondPeriodDetector) {
    const auto image = drawTrace(pulseShape(150, 250, 100, 37.5, 30));
    unsigned short out[3];
    MEASURE().decide_time2(150, 250, image->wave, out);
    EXPECT_EQ(out[0], 100);
    EXPECT_NEAR(out[1], 30, 1);
    EXPECT_NEAR(out[2], 70, 1);
}

// Base and Top: the first of equal histogram peaks (the lowest row), and a peak needs at least
// 5 % of all hits. Minimum 50, Maximum 350: Base is searched in rows 50..170, Top in 230..350.
TEST(MeasureSteps, BaseAndTopPeaks) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, unsigned short>> rows; // row, hits; rows 50 and 350 hold 1 each
        int base, top;
    };
    const Case cases[] = {
        {"equal peaks", {{100, 500}, {110, 500}, {290, 500}, {300, 500}}, 100, 290},
        // 1 + 100 + 100 + 1798 + 1 = 2000 hits: 100 is exactly 5 %.
        {"peaks of exactly 5 %", {{100, 100}, {300, 100}, {200, 1798}}, 100, 300},
        {"peaks just below 5 %", {{100, 99}, {300, 99}, {200, 1800}}, 50, 350},
        // Base is sought from Minimum up, Top from Maximum down, over 40 % of the span each.
        {"peaks at the 40 % bounds", {{170, 500}, {230, 500}}, 170, 230},
        {"peaks just beyond them", {{171, 500}, {229, 500}}, 50, 350},
    };
    for (const Case& c : cases) {
        unsigned short hist[kMeasureRows] = {};
        hist[50] = hist[350] = 1;
        for (const auto& [row, hits] : c.rows) hist[row] = hits;
        bool enable[kMeasureSlots] = {};
        auto image = std::make_unique<TraceImage>();
        unsigned short level[15] = {};
        MEASURE().decide_voltage(image->wave, 0, hist, enable, level, 90, 10);
        EXPECT_EQ(level[_MEASURE_BASE], c.base) << c.what;
        EXPECT_EQ(level[_MEASURE_TOP], c.top) << c.what;
    }
}

// An edge lies on whichever of its Lower and Upper events has its middle row nearer to Middle
// (Lower 120, Middle 200, Upper 280); on a tie, on the first event.
TEST(MeasureSteps, EdgeColumnNearerToMiddle) {
    struct Case {
        const char* what;
        std::vector<int> middles; // columns 48.. ; earlier columns take the first value
        bool rising;
        int column;
    };
    const Case cases[] = {
        {"rising, tie", {100, 100, 120, 280, 300}, true, 50},
        {"falling, tie", {300, 300, 280, 120, 100}, false, 50},
        {"rising, the Upper event nearer", {100, 100, 120, 250, 300}, true, 51},
        {"falling, the Lower event nearer", {300, 300, 280, 140, 100}, false, 51},
    };
    for (const Case& c : cases) {
        std::vector<int> middles(48, c.middles.front());
        middles.insert(middles.end(), c.middles.begin(), c.middles.end());
        const auto e = detect(profile(middles), 120, 200, 280);
        const unsigned short* edge = c.rising ? e.rises[0] : e.falls[0];
        EXPECT_EQ(edge[1], 1) << c.what;
        EXPECT_EQ(edge[0], c.column) << c.what;
    }
}

// The period is measured on the direction whose first edge comes first, unless that direction
// has no second edge.
TEST(MeasureSteps, PeriodOnTheFirstEdgesDirection) {
    struct Edge {
        unsigned short column, found;
    };
    struct Case {
        const char* what;
        Edge r0, r1, f0, f1;
        int period, cycleFirst, cycleLast, positive, negative;
    };
    const Case cases[] = {
        {"rising first", {100, 1}, {300, 1}, {200, 1}, {350, 1}, 200, 100, 300, 100, 100},
        {"falling first", {200, 1}, {400, 1}, {100, 1}, {350, 1}, 250, 100, 350, 150, 100},
        {"falling first without a second fall", {200, 1}, {400, 1}, {100, 1}, {0, 0}, 200, 200, 400, 0, 100},
    };
    for (const Case& c : cases) {
        const unsigned short rises[2][3] = {{c.r0.column, c.r0.found, 0}, {c.r1.column, c.r1.found, 0}};
        const unsigned short falls[2][3] = {{c.f0.column, c.f0.found, 0}, {c.f1.column, c.f1.found, 0}};
        bool enable[kMeasureSlots];
        std::fill(std::begin(enable), std::end(enable), true);
        unsigned short time[5], cycle[2];
        MEASURE().decide_time(rises, falls, enable, time, cycle);
        EXPECT_EQ(time[0], c.period) << c.what;
        EXPECT_EQ(cycle[0], c.cycleFirst) << c.what;
        EXPECT_EQ(cycle[1], c.cycleLast) << c.what;
        EXPECT_EQ(time[3], c.positive) << c.what;
        EXPECT_EQ(time[4], c.negative) << c.what;
    }
}

TEST(MeasureSteps, CycleLevelsIncludeTheCyclesLastColumn) {
    // Cycle 100..102: rows 50, 50 and 80, centre row 0.
    auto image = std::make_unique<TraceImage>();
    image->wave[100][50] = image->wave[101][50] = image->wave[102][80] = 10;
    bool enable[kMeasureSlots] = {};
    enable[_MEASURE_CYCLE_MEAN] = enable[_MEASURE_CYCLE_RMS] = true;
    const unsigned short cycle[2] = {100, 102};
    unsigned short level[15] = {};
    level[_MEASURE_MINIMUM] = 50;
    level[_MEASURE_MAXIMUM] = 80;
    MEASURE().decide_voltage2(0, image->wave, enable, cycle, level);
    EXPECT_EQ(level[_MEASURE_CYCLE_MEAN], 60); // (50 + 50 + 80) / 3
    EXPECT_EQ(level[_MEASURE_CYCLE_RMS], 61);  // sqrt((2500 + 2500 + 6400) / 3) = 61.6
}
