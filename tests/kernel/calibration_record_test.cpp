#include "calibration.h"

#include "calibration_test_values.h"
#include "codes.h"
#include "fixed_point.h"
#include "state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(FixedPointTest, GoldenWords) {
    struct Case {
        float value;
        std::uint16_t word;
        double decoded;
    };
    const Case fixed3[] = {
        {1.5f, 0x85F4, 1.5},     {-0.5f, 0x41F4, -0.5},      {1.0f, 0x8400, 1.0},
        {1.234f, 0x84E9, 1.233}, {0.0f, 0x8000, 0.0},        {15.5f, 0xBDF4, 15.5},
        {20.0f, 0xBFE7, 15.999}, {-100.0f, 0x7FE7, -15.999}, // saturated, not wrapped
    };
    for (const Case& c : fixed3) {
        EXPECT_EQ(encodeFixed3(c.value), c.word) << c.value;
        EXPECT_NEAR(decodeFixed3(c.word), c.decoded, 1e-9) << c.value;
    }
    const Case fixed4[] = {
        {1.2345f, 0xC929, 1.2345}, {-0.75f, 0x1D4C, -0.75},  {1.0f, 0xC000, 1.0},
        {2.5f, 0xE70F, 1.9999},    {-7.0f, 0x670F, -1.9999}, {1.9999f, 0xE70E, 1.9998},
    };
    for (const Case& c : fixed4) {
        EXPECT_EQ(encodeFixed4(c.value), c.word) << c.value;
        EXPECT_NEAR(decodeFixed4(c.word), c.decoded, 1e-9) << c.value;
    }
    EXPECT_NEAR(decodeFixed3(0xFFFF), 16.023, 1e-9);
    EXPECT_NEAR(decodeFixed4(0xFFFF), 2.6383, 1e-9);
    EXPECT_EQ(encodeFixed3(std::numeric_limits<float>::quiet_NaN()), 0x8000);
}

TEST(FixedPointTest, RoundTripsWithinOneStep) {
    for (int i = -15999; i <= 15999; i += 7) {
        const float x = i / 1000.0f + 0.0003f;
        EXPECT_NEAR(decodeFixed3(encodeFixed3(x)), x, 0.001) << x;
    }
    for (int i = -19999; i <= 19999; i += 3) {
        const float x = i / 10000.0f;
        EXPECT_NEAR(decodeFixed4(encodeFixed4(x)), x, 0.0001) << x;
    }
}

// Independent of the quadratic formula: the smallest positive root of q0 x^2 + q1 x + (q2 - r)
// found by scanning for a sign change and bisecting.
double smallestPositiveRoot(double q0, double q1, double q2, double r) {
    auto p = [&](double x) { return (q0 * x + q1) * x + (q2 - r); };
    const double step = 1e-3;
    for (double x = step; x < 200.0; x += step) {
        if ((p(x - step) > 0) == (p(x) > 0)) continue;
        double lo = x - step, hi = x;
        for (int i = 0; i < 80; ++i) {
            const double mid = (lo + hi) / 2;
            ((p(lo) > 0) == (p(mid) > 0) ? lo : hi) = mid;
        }
        return (lo + hi) / 2;
    }
    return -1.0;
}

// Expected corrected code of a 12-bit generation for coefficients q and shifted code c.
int referenceCode12(const float q[3], double c, int n) {
    const double r = c * 2.0 / n + 1.5;
    const double x = smallestPositiveRoot(q[0], q[1], q[2], r);
    if (x <= 0) return 0;
    const double f = (x - 1.5) * n * 0.5;
    return f < 0 ? 0 : f > n - 1 ? n - 1 : static_cast<int>(f);
}

TEST(CorrectCodeTest, TwelveBitPolynomialFollowsTheSmallestPositiveRoot) {
    const float sets[][3] = {
        {1.0f, 1.0f, 1.0f}, {0.01f, 1.0f, 0.0f}, {1.0f, -5.0f, 8.0f}, {-0.2f, 1.5f, 0.3f}, {0.3f, 0.2f, -0.5f}};
    for (const auto& q : sets) {
        Calibration c;
        c.HardwareVersion = _HW2;
        c.d_adcLevels = 4096;
        std::copy_n(q, 3, c.nonlinearConstCh2);
        int exact = 0, total = 0;
        for (int code = 0; code < 4096; code += 13) {
            const int expected = referenceCode12(q, code, 4096);
            const int got = c.correctCode(2, code, false, _CH1_ON_CH2_ON);
            EXPECT_NEAR(got, expected, 1) << q[0] << " " << q[1] << " " << q[2] << " code " << code;
            exact += got == expected;
            ++total;
        }
        EXPECT_GE(exact, total - 3); // only values at an exact integer may truncate apart
    }
}

TEST(CorrectCodeTest, TwelveBitSpecialCases) {
    Calibration c;
    c.HardwareVersion = _HW1;
    c.d_adcLevels = 4096;
    // All 1.0 (the file's defaults): the positive root of x^2 + x + 1 = r stays below 1.5.
    for (float& q : c.nonlinearConstCh1) q = 1.0f;
    for (int code : {0, 2048, 4095}) EXPECT_EQ(c.correctCode(1, code, false, _CH1_ON_CH2_OFF), 0);
    // No real root.
    const float none[3] = {1.0f, 0.0f, 10.0f};
    std::copy_n(none, 3, c.nonlinearConstCh1);
    EXPECT_EQ(c.correctCode(1, 100, false, _CH1_ON_CH2_OFF), 0);
    // A straight line gives the shifted code, kept inside the converter's codes.
    const float line[3] = {0.0f, 3.0f, 9.0f};
    std::copy_n(line, 3, c.nonlinearConstADC2Ch1);
    c.offsetADC2Ch1 = 100;
    EXPECT_EQ(c.correctCode(2, 50, true, _CH1_ON_CH2_OFF), 150);
    EXPECT_EQ(c.correctCode(2, 4090, true, _CH1_ON_CH2_OFF), 4095);
    c.offsetADC2Ch1 = -100;
    EXPECT_EQ(c.correctCode(2, 50, true, _CH1_ON_CH2_OFF), 0);
}

TEST(CorrectCodeTest, TenBitUsesOnlyTheLinearTerm) {
    struct Case {
        float q1;
        int code, expected;
    };
    const Case cases[] = {
        {1.0f, 0, 0},     {1.0f, 767, 767}, {1.0f, 1023, 1023}, {0.0f, 300, 300}, // 0 counts as 1
        {2.0f, 511, 511}, {2.0f, 767, 639}, {2.0f, 0, 255},     {0.5f, 0, 0},     {0.5f, 1023, 1023}, {0.5f, 600, 689},
    };
    for (const Case& k : cases) {
        Calibration c;
        c.HardwareVersion = _HW3;
        c.d_adcLevels = 1024;
        c.nonlinearConstCh1[0] = 55.0f; // square and constant terms are not used
        c.nonlinearConstCh1[1] = k.q1;
        c.nonlinearConstCh1[2] = -9.0f;
        EXPECT_EQ(c.correctCode(1, k.code, false, 0), k.expected) << k.q1 << " " << k.code;
    }
}

TEST(CorrectCodeTest, InterleavedModesChooseTheirPolynomialAndOffset) {
    // Every polynomial gets its own coefficients and every converter-2 offset its own value,
    // so the corrected code shows which of them a mode used.
    State s;
    s.d_channel[_CH1].channelCoupling = _AC;
    s.d_channel[_CH1].voltageDiv = 4;
    s.d_channel[_CH2].channelCoupling = _DC;
    s.d_channel[_CH2].voltageDiv = 9;
    auto setUp = [&](Calibration& c, int gen) {
        c.HardwareVersion = gen;
        c.d_adcLevels = gen >= _HW3 ? 1024 : 4096;
        c.setState(&s);
        float* arrays[] = {c.nonlinearConstCh1,     c.nonlinearConstCh2,     c.nonlinearConstADC1Ch1,
                           c.nonlinearConstADC2Ch1, c.nonlinearConstADC1Ch2, c.nonlinearConstADC2Ch2};
        for (int j = 0; j < 6; ++j) {
            // 10-bit generations use only the linear term, 12-bit ones the whole curve.
            arrays[j][0] = gen >= _HW3 ? 0.0f : 0.002f * static_cast<float>(j + 1);
            arrays[j][1] = gen >= _HW3 ? 1.5f + 0.5f * static_cast<float>(j) : 1.0f;
            arrays[j][2] = 0.0f;
        }
        c.offsetADC2Ch1 = 11;
        c.offsetADC2Ch2 = 22;
        c.offsetADC2Ch1New[4] = 33;
        c.offsetACADC2Ch1New[4] = 44;
        c.offsetADC2Ch2New[9] = 55;
        c.offsetACADC2Ch2New[9] = 66;
    };
    struct Row {
        int gen;
        bool interleave;
        int channels, table;
        float (Calibration::*polynomial)[3];
        int offset;
    };
    const Row rows[] = {
        {_HW2, false, _CH1_ON_CH2_ON, 1, &Calibration::nonlinearConstCh1, 0},
        {_HW4, false, _CH1_ON_CH2_OFF, 2, &Calibration::nonlinearConstCh2, 0},
        {_HW1, true, _CH1_ON_CH2_OFF, 1, &Calibration::nonlinearConstADC1Ch1, 0},
        {_HW1, true, _CH1_ON_CH2_OFF, 2, &Calibration::nonlinearConstADC2Ch1, 11},
        {_HW3, true, _CH1_ON_CH2_OFF, 2, &Calibration::nonlinearConstADC2Ch1, 44},
        {_HW2, true, _CH1_OFF_CH2_ON, 1, &Calibration::nonlinearConstADC2Ch2, 22},
        {_HW2, true, _CH1_OFF_CH2_ON, 2, &Calibration::nonlinearConstADC1Ch2, 0},
        {_HW4, true, _CH1_OFF_CH2_ON, 1, &Calibration::nonlinearConstADC1Ch2, 55},
        {_HW4, true, _CH1_OFF_CH2_ON, 2, &Calibration::nonlinearConstADC2Ch2, 0},
    };
    for (const Row& r : rows) {
        Calibration c;
        setUp(c, r.gen);
        const float* q = c.*r.polynomial;
        const int code = 900;
        int expected = 0;
        if (r.gen >= _HW3) {
            const double v = (code + r.offset + 1) * 2.0 / 1024 + 0.25;
            const double f = ((v - 1.25) / q[1] + 1.0) * 512 - 1;
            expected = f < 0 ? 0 : f > 1023 ? 1023 : static_cast<int>(f);
        } else {
            expected = referenceCode12(q, code + r.offset, 4096);
        }
        EXPECT_NEAR(c.correctCode(r.table, code, r.interleave, r.channels), expected, 1)
            << "_HW" << r.gen << " interleave " << r.interleave << " channels " << r.channels << " table " << r.table;
    }
    // Both channels or none while interleaved: the identity.
    for (int channels : {0, 3}) {
        Calibration c;
        setUp(c, _HW1);
        EXPECT_EQ(c.correctCode(1, 1234, true, channels), 1234);
        EXPECT_EQ(c.correctCode(2, 1234, true, channels), 1234);
    }
}

TEST(CorrectCodeTest, TenBitTablesMarkCodesAboveTheConverterInvalid) {
    Calibration c;
    c.HardwareVersion = _HW4;
    c.d_adcLevels = 1024;
    c.nonlinearConstCh1[1] = c.nonlinearConstCh2[1] = 1.0f;
    ASSERT_TRUE(c.buildTables(false, _CH1_ON_CH2_ON));
    for (int i = 0; i < 1024; ++i) {
        ASSERT_EQ(c.d_codeTable1[i], i);
        ASSERT_EQ(c.d_codeTable2[i], i);
    }
    for (int i = 1024; i < 4096; ++i) {
        ASSERT_EQ(c.d_codeTable1[i], EMPTY_SAMPLE) << i;
        ASSERT_EQ(c.d_codeTable2[i], EMPTY_SAMPLE) << i;
    }
}

TEST(CalibrationLookupTest, GainByChannelAndCoupling) {
    Calibration c;
    fillRandom(c, 5u, _HW3);
    EXPECT_EQ(c.getGain(_CH1, _AC, 3), c.ampACCh1[3]);
    EXPECT_EQ(c.getGain(_CH1, _DC, 10), c.ampDCCh1[10]);
    EXPECT_EQ(c.getGain(_CH2, _AC, 0), c.ampACCh2[0]);
    EXPECT_EQ(c.getGain(_CH2, _DC, 7), c.ampDCCh2[7]);
    EXPECT_EQ(c.getGain(_CH1, _GND, 3), 1.0);
    EXPECT_EQ(c.getGain(_MATH, _DC, 3), 1.0);
    EXPECT_EQ(c.getGain(_REFERENCE, _AC, 3), 1.0);
    EXPECT_EQ(c.getGain(0, _DC, 3), 0.0);
    EXPECT_EQ(c.getGain(_CH1, _DC, 11), 1.0); // outside the table
}

TEST(CalibrationLookupTest, OffsetFollowsInterleaveAndAcCouplingFromGenerationThree) {
    State s;
    s.d_channel[_CH1].channelCoupling = _AC;
    s.d_channel[_CH2].channelCoupling = _DC;
    Calibration c;
    fillRandom(c, 6u, _HW3);
    c.setState(&s);
    EXPECT_EQ(c.getOffset(_CH1, 2, true), c.offsetACInterleaveCh1[2]);
    EXPECT_EQ(c.getOffset(_CH1, 2, false), c.offsetACNonInterleaveCh1[2]);
    EXPECT_EQ(c.getOffset(_CH2, 9, true), c.offsetInterleaveCh2[9]);
    EXPECT_EQ(c.getOffset(_CH2, 9, false), c.offsetNonInterleaveCh2[9]);
    s.d_channel[_CH2].channelCoupling = _AC;
    EXPECT_EQ(c.getOffset(_CH2, 9, false), c.offsetACNonInterleaveCh2[9]);
    c.HardwareVersion = _HW2; // AC coupling is ignored on 12-bit generations
    EXPECT_EQ(c.getOffset(_CH1, 2, true), c.offsetInterleaveCh1[2]);
    EXPECT_EQ(c.getOffset(_CH2, 9, false), c.offsetNonInterleaveCh2[9]);
    EXPECT_EQ(c.getOffset(_MATH, 2, false), 0);
    EXPECT_EQ(c.getOffset(_CH1, -1, false), 0);
}

} // namespace
