// The zero calibration's tables and stores: start values, step ranges, which mean is followed,
// the means of a record and where each step's result lands in Calibration.
#include "calibration.h"
#include "codes.h"
#include "zero_calibration.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ZeroCalibrationStarts, FromTheAmplifierFactorOnGenerations3And4AndFixedOn1And2) {
    const ZeroSearchStarts wide = zeroSearchStarts(_HW3, 2.4);
    EXPECT_EQ(wide.start, 1784);
    EXPECT_EQ(wide.low, 892);
    EXPECT_EQ(wide.high, 2676);
    EXPECT_EQ(wide.base, 1784);
    EXPECT_EQ(zeroSearchStarts(_HW4, 2.5).start, 2 * 833);

    const ZeroSearchStarts narrow = zeroSearchStarts(_HW2, 2.4);
    EXPECT_EQ(narrow.start, 2000);
    EXPECT_EQ(narrow.low, 1300);
    EXPECT_EQ(narrow.high, 2800);
    EXPECT_EQ(narrow.base, 2500);

    EXPECT_EQ(gainFitDacValues(2.4), (std::array<int, 3>{428, 1784, 3142}));
}

TEST(ZeroCalibrationSteps, TimeBaseAlternatesAndEveryVoltDivIsCoveredOnce) {
    EXPECT_EQ(zeroStepTimeDiv(0), _20US_DIV);
    EXPECT_EQ(zeroStepTimeDiv(1), _10US_DIV);
    EXPECT_EQ(zeroStepTimeDiv(10), _20US_DIV);
    // The measured code lies in its own range, the ranges of the even steps tile 0..10.
    struct Table {
        int version;
        const int* steps;
        int count;
    } tables[] = {{_HW4, zeroVoltDivStepsHw3.data(), 12}, {_HW1, zeroVoltDivStepsHw12.data(), 6}};
    for (const Table& t : tables) {
        int next = 0;
        for (int k = 0; k < t.count; ++k) {
            const VoltDivRange r = zeroStepRange(t.version, k);
            EXPECT_LE(r.first, t.steps[k]);
            EXPECT_GE(r.last, t.steps[k]);
            EXPECT_EQ(r.first, zeroStepRange(t.version, k ^ 1).first);
            EXPECT_EQ(r.last, zeroStepRange(t.version, k ^ 1).last);
            if (k % 2 == 0) {
                EXPECT_EQ(r.first, next) << "step " << k;
                next = r.last + 1;
            }
        }
        EXPECT_EQ(next, 11);
    }
}

TEST(ZeroCalibrationMeans, FollowTheChannelsOwnConverter) {
    const OffsetMeans m{100, 300};
    struct Row {
        int ch, timeDiv, followed, other;
    } rows[] = {{_CH1, _20US_DIV, 100, 300},
                {_CH1, _10US_DIV, 100, 300},
                {_CH2, _20US_DIV, 100, 300},
                {_CH2, _10US_DIV, 300, 100}};
    for (const Row& r : rows) {
        const FollowedMeans f = followedMeans(m, r.ch, r.timeDiv);
        EXPECT_EQ(f.followed, r.followed) << "channel " << r.ch << " time/div " << r.timeDiv;
        EXPECT_EQ(f.other, r.other);
    }
    // Half the converter's codes, not the code the followed converter's search stopped at.
    EXPECT_EQ(converter2Offset({511, 508}, 1024), 4);
    EXPECT_EQ(converter2Offset({2046, 2052}, 4096), -4);
}

TEST(ZeroCalibrationMeans, LeaveOutTheEndsAndTruncate) {
    std::vector<short> record(10000, 4096); // the ends hold what must not count
    for (int i = 1000; i < 9000; ++i) record[static_cast<size_t>(i)] = static_cast<short>(i % 2 ? 301 : 100);
    record[1000] = 100 + 3999; // adds 0.99975 to the even mean: truncated away
    const OffsetMeans m = sampleMeansOf(record.data(), 10000);
    EXPECT_EQ(m.even, 100);
    EXPECT_EQ(m.odd, 301);
    EXPECT_EQ(sampleMeansOf(nullptr, 10000).even, 0);
    EXPECT_EQ(sampleMeansOf(record.data(), 2000).odd, 0);
}

TEST(ZeroCalibrationMeans, OnlyANoisyFlatRecordIsAShortedInput) {
    // Each converter on its own level; the ends are not looked at.
    const auto record = [](int even, int odd, int at, int value) {
        std::vector<short> r(10000, 4096);
        for (int i = 1000; i < 9000; ++i) r[static_cast<size_t>(i)] = static_cast<short>(i % 2 ? odd : even);
        if (at >= 0) r[static_cast<size_t>(at)] = static_cast<short>(value);
        return r;
    };
    struct Row {
        const char* name;
        std::vector<short> r;
        int levels;
        RecordShape shape;
    } rows[] = {
        {"converters apart, each flat", record(500, 520, -1, 0), 1024, RecordShape::Flat},
        {"noise of a spread of N / 16", record(500, 520, 1001, 584), 1024, RecordShape::Flat},
        {"one edge of a signal", record(500, 520, 5000, 565), 1024, RecordShape::Signal},
        {"clipped at the bottom", record(1000, 1010, 3000, 0), 1024, RecordShape::Signal},
        {"12 bits", record(2040, 2050, 3000, 2040 + 256), 4096, RecordShape::Flat},
        {"an empty sample", record(500, 520, 4000, 4096), 1024, RecordShape::Incomplete},
        {"a spoiled one", record(500, 520, 4000, -1), 1024, RecordShape::Incomplete},
    };
    for (const Row& row : rows) EXPECT_EQ(recordShape(row.r.data(), 10000, row.levels), row.shape) << row.name;
    EXPECT_EQ(recordShape(nullptr, 10000, 1024), RecordShape::Incomplete);

    EXPECT_TRUE(gainPlausible(1.02));
    EXPECT_FALSE(gainPlausible(0.256)); // a square wave that does not follow the DAC
    EXPECT_TRUE(dacWithinRange(1));
    EXPECT_FALSE(dacWithinRange(0));
    EXPECT_FALSE(dacWithinRange(4095));
}

TEST(ZeroCalibrationStore, EachStepFillsItsRangeAndTheConverterOffsets) {
    Calibration cal;
    const ZeroOffsetTargets dc = zeroOffsetTargets(cal, _CH2, false);
    for (int k = 0; k < 12; ++k) storeZeroStep(dc, _HW3, k, 100 + k, 50 + k);
    const int normal[11] = {100, 100, 100, 102, 102, 104, 106, 106, 108, 110, 110};
    const int interleaved[11] = {101, 101, 101, 103, 103, 105, 107, 107, 109, 111, 111};
    const int offsets[11] = {51, 51, 51, 53, 53, 55, 57, 57, 59, 61, 61};
    for (int v = 0; v < 11; ++v) {
        EXPECT_EQ(cal.offsetNonInterleaveCh2[v], normal[v]) << v;
        EXPECT_EQ(cal.offsetInterleaveCh2[v], interleaved[v]) << v;
        EXPECT_EQ(cal.offsetADC2Ch2New[v], offsets[v]) << v;
        EXPECT_EQ(cal.offsetACInterleaveCh2[v], 0);
        EXPECT_EQ(cal.offsetNonInterleaveCh1[v], 0);
    }
    EXPECT_EQ(cal.offsetADC2Ch2, 51); // step 1 only

    // AC targets; generations 1 and 2 keep no per-volt/div converter offsets.
    const ZeroOffsetTargets ac = zeroOffsetTargets(cal, _CH1, true);
    storeZeroStep(ac, _HW3, 1, -7, 4);
    EXPECT_EQ(cal.offsetACInterleaveCh1[2], -7);
    EXPECT_EQ(cal.offsetACADC2Ch1New[0], 4);
    EXPECT_EQ(cal.offsetACADC2Ch1, 4);
    for (int k = 0; k < 6; ++k) storeZeroStep(zeroOffsetTargets(cal, _CH1, false), _HW1, k, 10 * k, 9);
    EXPECT_EQ(cal.offsetNonInterleaveCh1[4], 0);
    EXPECT_EQ(cal.offsetInterleaveCh1[7], 30);
    EXPECT_EQ(cal.offsetNonInterleaveCh1[8], 40);
    EXPECT_EQ(cal.offsetADC2Ch1, 9);
    EXPECT_EQ(cal.offsetADC2Ch1New[0], 0);
}

TEST(ZeroCalibrationStore, ResetClearsOneChannel) {
    Calibration cal;
    for (float* q :
         {cal.nonlinearConstCh1, cal.nonlinearConstADC1Ch1, cal.nonlinearConstADC2Ch1, cal.nonlinearConstCh2})
        q[0] = q[1] = q[2] = 0.5f;
    for (bool ac : {false, true})
        for (int ch : {_CH1, _CH2}) {
            const ZeroOffsetTargets t = zeroOffsetTargets(cal, ch, ac);
            for (int v = 0; v < 11; ++v) t.nonInterleave[v] = t.interleave[v] = t.adc2New[v] = 9;
            *t.adc2 = 9;
        }
    resetZeroConstants(cal, _CH1);
    for (const float* q : {cal.nonlinearConstCh1, cal.nonlinearConstADC1Ch1, cal.nonlinearConstADC2Ch1}) {
        EXPECT_EQ(q[0], 0.0f);
        EXPECT_EQ(q[1], 1.0f);
        EXPECT_EQ(q[2], 0.0f);
    }
    EXPECT_EQ(cal.nonlinearConstCh2[1], 0.5f);
    for (bool ac : {false, true}) {
        const ZeroOffsetTargets one = zeroOffsetTargets(cal, _CH1, ac);
        const ZeroOffsetTargets two = zeroOffsetTargets(cal, _CH2, ac);
        EXPECT_EQ(*one.adc2, 0);
        EXPECT_EQ(*two.adc2, 9);
        for (int v = 0; v < 11; ++v) {
            EXPECT_EQ(one.nonInterleave[v] + one.interleave[v] + one.adc2New[v], 0);
            EXPECT_EQ(two.nonInterleave[v] + two.interleave[v] + two.adc2New[v], 27);
        }
    }
}

} // namespace
