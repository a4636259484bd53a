#include "empty_sample.h"
#include "interpolation_linear.h"
#include "interpolation_sinc.h"
#include "table_interpolation_sinc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;

std::vector<short> linear(std::vector<short> v, double start, double interval) {
    InterpolationLinear<short> lin;
    lin.init(static_cast<int>(v.size()), start, interval);
    EXPECT_TRUE(lin.interpolate(v.data()));
    return v;
}

TEST(InterpolationLinear, TableOfSegments) {
    struct Case {
        const char* name;
        std::vector<short> in;
        double start, interval;
        std::vector<short> out;
    };
    const std::vector<Case> cases = {
        {"steps of three", {30, 0, 0, 60, 0, 0, 90, 0, 0, 90}, 0, 3, {30, 40, 50, 60, 70, 80, 90, 90, 90, 90}},
        {"flat before a late first sample", {0, 0, 50, 0, 0, 80, 0, 0}, 2.0, 3, {50, 50, 50, 60, 70, 80, 80, 80}},
        {"falling slope truncates toward zero", {10, 0, 0, 0}, 0, 3, {10, 6, 3, 0}},
        {"flat after the last sample", {10, 0, 0, 0, 0}, 0, 3, {10, 6, 3, 0, 0}},
        {"negative values", {-10, 0, 0, 0, 0, 5, 0}, 0, 5, {-10, -7, -4, -1, 2, 5, 5}},
        {"fractional interval", {0, 0, 10, 0, 0, 20, 0, 30}, 0, 2.5, {0, 5, 10, 13, 16, 20, 25, 30}},
        {"negative start skips outside positions", {7, 0, 0, 13, 0, 0, 19, 0}, -2.5, 3, {7, 9, 11, 13, 15, 17, 19, 19}},
        {"start past the array leaves it", {1, 2, 3, 4}, 7.0, 2, {1, 2, 3, 4}},
        {"empty ends keep their segments empty",
         {100, 0, 0, E, 5, 5, 200, 0, 0, 300},
         0,
         3,
         {100, E, E, E, E, E, 200, 233, 266, 300}},
        {"empty first sample", {0, 0, E, 0, 0, 40}, 2, 3, {E, E, E, E, E, 40}},
        {"empty last sample", {8, 0, E, 0}, 0, 2, {8, E, E, E}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(linear(c.in, c.start, c.interval), c.out);
    }
}

TEST(InterpolationLinear, DeclinesAnIntervalOutsideTheArray) {
    for (double interval : {0.0, -1.0, 4.0, 9.0}) {
        std::vector<short> v = {1, 2, 3, 4};
        InterpolationLinear<short> lin(4, 0.0, interval);
        EXPECT_FALSE(lin.interpolate(v.data())) << interval;
        EXPECT_EQ(v, (std::vector<short>{1, 2, 3, 4}));
    }
}

TEST(TableInterpolationSinc, WeightsAndReuse) {
    TableInterpolationSinc<short> table(8, 2.0);
    EXPECT_DOUBLE_EQ(table.get(0), 1.0);
    EXPECT_NEAR(table.get(1), 0.63662, 1e-5);
    EXPECT_NEAR(table.get(2), 0.0, 1e-15);
    EXPECT_NEAR(table.get(3), -0.21221, 1e-5);

    const double* before = table.data();
    EXPECT_TRUE(table.init(8, 2.0));
    EXPECT_EQ(table.data(), before);
    EXPECT_TRUE(table.init(8, 4.0));
    EXPECT_NEAR(table.get(2), 0.63662, 1e-5);
    // The interval is kept in single precision.
    EXPECT_TRUE(table.init(8, 0.1));
    EXPECT_FLOAT_EQ(table.interval(), 0.1f);
    EXPECT_DOUBLE_EQ(table.get(1), std::sin(kPi / double(0.1f)) / (kPi / double(0.1f)));
}

TEST(InterpolationSinc, SecondInitKeepsTheTable) {
    InterpolationSinc<short> sinc;
    ASSERT_TRUE(sinc.init(100, 0.0, 4.0));
    const double* coefficients = sinc.table()->data();
    ASSERT_TRUE(sinc.init(100, 3.0, 4.0)); // a new start alone needs no new weights
    EXPECT_EQ(sinc.table()->data(), coefficients);
    EXPECT_DOUBLE_EQ(sinc.start(), 3.0);
}

// The sum of the definition, written out plainly.
short referenceSinc(const std::vector<short>& v, int i, double start, double interval) {
    double sum = 0;
    const double w = kPi / double(float(interval));
    for (int c = 0;; ++c) {
        const int p = int(start + c * interval);
        if (p >= int(v.size())) break;
        if (p < 0) continue;
        const int d = std::abs(i - p);
        sum += v[static_cast<size_t>(p)] * (d == 0 ? 1.0 : std::sin(d * w) / (d * w));
    }
    return static_cast<short>(sum);
}

TEST(InterpolationSinc, MatchesThePlainSumAndKeepsRealSamples) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> code(0, 4095);
    for (double interval : {2.0, 3.0, 10.0, 2.5}) {
        for (double start : {0.0, 1.0, 4.0, -3.0}) {
            SCOPED_TRACE(testing::Message() << "interval " << interval << " start " << start);
            std::vector<short> v(203, E);
            std::vector<bool> real(v.size(), false);
            for (int k = 0;; ++k) {
                const int p = int(start + k * interval);
                if (p >= int(v.size())) break;
                if (p < 0) continue;
                v[static_cast<size_t>(p)] = static_cast<short>(code(rng));
                real[static_cast<size_t>(p)] = true;
            }
            std::vector<short> out = v;
            InterpolationSinc<short> sinc;
            ASSERT_TRUE(sinc.init(int(v.size()), start, interval));
            ASSERT_TRUE(sinc.interpolate(out.data()));
            int firstReal = 0;
            while (!real[static_cast<size_t>(firstReal)]) ++firstReal;
            for (int i = 0; i < int(v.size()); ++i) {
                if (real[static_cast<size_t>(i)])
                    ASSERT_EQ(out[static_cast<size_t>(i)], v[static_cast<size_t>(i)]) << i;
                else
                    ASSERT_EQ(out[static_cast<size_t>(i)], referenceSinc(v, i, start, interval)) << i;
            }
        }
    }
}

TEST(InterpolationSinc, EmptySamplesAreNotData) {
    // Real samples at 0, 4, 8, 12; the one at 8 was never delivered.
    std::vector<short> v = {100, E, E, E, 200, E, E, E, E, E, E, E, 300, E, E, E};
    InterpolationSinc<short> sinc(16, 0.0, 4.0);
    ASSERT_TRUE(sinc.interpolate(v.data()));
    for (int i : {5, 6, 7, 9, 10, 11}) EXPECT_EQ(v[static_cast<size_t>(i)], E) << i;
    for (int i : {1, 2, 3, 13, 14, 15}) EXPECT_NE(v[static_cast<size_t>(i)], E) << i;
    // Positions 1..3 draw only on the delivered samples.
    std::vector<short> withoutEmpty = {100, E, E, E, 200, E, E, E, 0, E, E, E, 300, E, E, E};
    EXPECT_EQ(v[2], referenceSinc(withoutEmpty, 2, 0.0, 4.0));

    std::vector<short> none(16, E);
    ASSERT_TRUE(sinc.interpolate(none.data()));
    EXPECT_EQ(none, std::vector<short>(16, E));
}

TEST(InterpolationSinc, SumsSaturate) {
    // Signs chosen so that every real sample pushes position 50 up (or down).
    for (int sign : {1, -1}) {
        std::vector<short> v(101, E);
        for (int p = 0; p <= 100; p += 2) {
            const int d = std::abs(50 - p + 1);
            v[static_cast<size_t>(p)] = static_cast<short>(sign * (d % 4 == 1 ? 30000 : -30000));
        }
        const int i = 51;
        double sum = 0;
        for (int p = 0; p <= 100; p += 2) {
            const int d = std::abs(i - p);
            sum += v[static_cast<size_t>(p)] * std::sin(d * kPi / 2) / (d * kPi / 2);
        }
        ASSERT_GT(std::abs(sum), 40000.0);
        InterpolationSinc<short> sinc(101, 0.0, 2.0);
        ASSERT_TRUE(sinc.interpolate(v.data()));
        EXPECT_EQ(v[static_cast<size_t>(i)], sign > 0 ? 20479 : -32768);
    }
}

TEST(InterpolationSinc, DeclinesAFirstIntervalPastTheArray) {
    std::vector<short> v = {1, 2, 3, 4, 5, 6};
    InterpolationSinc<short> sinc(6, 3.0, 3.0);
    EXPECT_FALSE(sinc.interpolate(v.data()));
    EXPECT_EQ(v, (std::vector<short>{1, 2, 3, 4, 5, 6}));
}

} // namespace
