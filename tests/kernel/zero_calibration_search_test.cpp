// One sweep step's DAC search against a model converter, and the two fits.
#include "codes.h"
#include "zero_calibration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A shorted input: the mean code rises by `slope` codes per DAC step from `at` at `dac0`,
// pinned into 0 .. levels - 1 like a converter.
struct ModelInput {
    ModelInput(double slope_, double dac0_, double at_, int levels_, int failWriteAt_ = -1, int failMeasureAt_ = -1)
        : slope(slope_), dac0(dac0_), at(at_), levels(levels_), failWriteAt(failWriteAt_),
          failMeasureAt(failMeasureAt_) {}
    double slope;
    double dac0;
    double at;
    int levels;
    std::vector<int> written;
    int failWriteAt = -1; // the n-th write fails
    int failMeasureAt = -1;
    int dac = 0;

    bool write(int v) {
        if (static_cast<int>(written.size()) == failWriteAt) return false;
        written.push_back(v);
        dac = v;
        return true;
    }
    std::optional<FollowedMeans> measure() {
        if (static_cast<int>(written.size()) - 1 == failMeasureAt) return std::nullopt;
        const double code = std::clamp(at + (dac - dac0) * slope, 0.0, levels - 1.0);
        const int m = static_cast<int>(code);
        return FollowedMeans{m, m - 3};
    }
    ZeroDacOutcome search(int version, int tolerance, int start) {
        ZeroDacSearch rules;
        rules.hardwareVersion = version;
        rules.adcLevels = levels;
        rules.tolerance = tolerance;
        return searchZeroDac(
            rules, start, [this](int v) { return write(v); }, [this] { return measure(); });
    }
};

TEST(ZeroDacSearch, GenerationFourDcStopsOnlyAtTheMidScaleCode) {
    // 0.364 codes per step: mid-scale 511 at DAC 1800.5.
    ModelInput in{0.364, 1800.5, 511.0, 1024};
    const ZeroDacOutcome out = in.search(_HW4, 0, 1784);
    EXPECT_EQ(out.result, ZeroSearchResult::Found);
    EXPECT_EQ(static_cast<int>(511 + (out.dac - 1800.5) * 0.364), 511);
    EXPECT_EQ(out.means.followed, 511);
    EXPECT_EQ(out.means.other, 508);
    EXPECT_EQ(in.written.front(), 1784);
    EXPECT_EQ(out.corrections, static_cast<int>(in.written.size()));
}

TEST(ZeroDacSearch, GenerationsOneAndTwoStepHalfTheDistanceAndToleratesOne) {
    // 2.048 codes per step, mid-scale 2048 at DAC 2518.
    ModelInput in{2.048, 2518, 2048, 4096};
    const ZeroDacOutcome out = in.search(_HW1, 1, 2000);
    EXPECT_EQ(out.result, ZeroSearchResult::Found);
    EXPECT_LE(std::abs(out.dac - 2518), 1);
    // The first correction: (mean - 2048) / 2 truncated toward zero.
    const int firstMean = static_cast<int>(2048 + (2000 - 2518) * 2.048);
    ASSERT_GE(in.written.size(), 2u);
    EXPECT_EQ(in.written[1], 2000 - static_cast<int>((firstMean - 2048) * 0.5));
    EXPECT_EQ(zeroDacStep(_HW2, 2045, 4096), -1);
    EXPECT_EQ(zeroDacStep(_HW2, 2051, 4096), 1);
    EXPECT_EQ(zeroDacStep(_HW3, 509, 1024), -2);
}

TEST(ZeroDacSearch, FailsInsteadOfRunningForEver) {
    struct Row {
        const char* name;
        ModelInput in;
        int start;
        ZeroSearchResult result;
    } rows[] = {
        // Pinned at the top whatever the DAC does: the DAC runs into 0, then the cap.
        {"pinned high", {0.0, 0, 1023, 1024}, 1784, ZeroSearchResult::NoConvergence},
        // Pinned at the bottom: at once.
        {"pinned low", {0.364, 9000, 0, 1024}, 1784, ZeroSearchResult::AtBottom},
        {"write refused", {0.364, 1800, 511, 1024, 2}, 1784, ZeroSearchResult::WriteFailed},
        {"no captures", {0.364, 1800, 511, 1024, -1, 1}, 1784, ZeroSearchResult::MeasureFailed},
        // A slope of the wrong sign drives the value away: clamped at the end, then the cap.
        {"runs away", {-0.364, 1800, 511, 1024}, 1700, ZeroSearchResult::NoConvergence},
    };
    for (Row& r : rows) {
        const ZeroDacOutcome out = r.in.search(_HW4, 0, r.start);
        EXPECT_EQ(out.result, r.result) << r.name;
        EXPECT_LE(r.in.written.size(), static_cast<size_t>(ZeroDacSearch::ITERATION_CAP)) << r.name;
        for (int v : r.in.written) {
            EXPECT_GE(v, 0) << r.name;
            EXPECT_LE(v, 4095) << r.name;
        }
    }
}

TEST(ZeroDacSearch, StartOutsideTheDacIsClamped) {
    ModelInput in{0.364, 1800, 511, 1024};
    in.search(_HW4, 0, 5000);
    EXPECT_EQ(in.written.front(), 4095);
}

TEST(ZeroCalibrationFit, GainFromTheOuterLevels) {
    // Codes of an ideal chain: 2000 / 1.4 steps per volt at 0.3584 codes per step.
    const std::array<int, 3> dac = gainFitDacValues(2.4);
    const auto code = [&](int i, double g) { return static_cast<int>(511 + (dac[i] - dac[1]) * 0.3584 * g); };
    EXPECT_NEAR(gainFromCodes(code(0, 1.0), code(2, 1.0)), 1.0, 0.003);
    EXPECT_NEAR(gainFromCodes(code(0, 1.02), code(2, 1.02)), 1.02, 0.003);
    EXPECT_DOUBLE_EQ(gainFromCodes(100, 100), 0.0);
}

TEST(ZeroCalibrationFit, QuadraticThroughThreePointsAndItsLimits) {
    const Quadratic p{0.004, 0.985, 0.015};
    const auto y = [&](double x) { return p.q0 * x * x + p.q1 * x + p.q2; };
    const Quadratic q = quadraticThrough({2.0, 2.5, 3.0}, {y(2.0), y(2.5), y(3.0)});
    EXPECT_NEAR(q.q0, p.q0, 1e-12);
    EXPECT_NEAR(q.q1, p.q1, 1e-12);
    EXPECT_NEAR(q.q2, p.q2, 1e-12);

    // Codes from the polynomial: x = DAC / 1000, code = (y - 1.5) x 4096 / 2.
    std::array<int, 3> codes{};
    for (size_t i = 0; i < 3; ++i) codes[i] = static_cast<int>((y(NONLINEAR_FIT_DAC[i] * 0.001) - 1.5) * 2048);
    const Quadratic fit = nonlinearFromCodes(codes, 4096);
    EXPECT_NEAR(fit.q1, p.q1, 0.002);
    EXPECT_TRUE(nonlinearWithinLimits(fit));

    struct Row {
        Quadratic q;
        bool ok;
    } rows[] = {{{0.01, 0.99, 0.02}, true},   {{0.0, 0.99, 0.02}, false},  {{0.01, 1.0, 0.02}, false},
                {{0.01, 0.99, 0.0}, false},   {{0.6, 0.99, 0.02}, false},  {{-0.6, 0.99, 0.02}, false},
                {{0.01, 0.99, -0.51}, false}, {{0.01, 0.49, 0.02}, false}, {{0.01, 1.51, 0.02}, false},
                {{-0.5, 1.5, 0.5}, true}};
    for (const Row& r : rows) EXPECT_EQ(nonlinearWithinLimits(r.q), r.ok) << r.q.q0 << " " << r.q.q1 << " " << r.q.q2;
}

} // namespace
