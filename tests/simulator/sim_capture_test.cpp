// The simulated instrument's records decode, through the kernel's capture, to the signal
// that was programmed: levels, period and trigger point, in every mode and generation.

#include "sim_scope.h"
#include "thread_flags.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using sim_scope::Scope;
using sim_scope::ScopeSetup;

namespace {

// Valid samples of a record with their positions.
struct Points {
    std::vector<int> position;
    std::vector<double> value;
};

Points valid(const std::vector<short>& record) {
    Points p;
    for (size_t i = 0; i < record.size(); ++i) {
        if (record[i] == EMPTY_SAMPLE) continue;
        p.position.push_back(static_cast<int>(i));
        p.value.push_back(record[i]);
    }
    return p;
}

double median(std::vector<double> v) {
    if (v.empty()) return NAN;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Low and high plateau of a square wave: the medians below and above the middle.
std::pair<double, double> plateaus(const Points& p) {
    const auto [lo, hi] = std::minmax_element(p.value.begin(), p.value.end());
    const double mid = (*lo + *hi) / 2;
    std::vector<double> low, high;
    for (double v : p.value) (v < mid ? low : high).push_back(v);
    return {median(low), median(high)};
}

// Positions (interpolated between neighbouring valid samples) where the samples cross
// `level` in the direction asked; a crossing needs `hysteresis` on both sides.
std::vector<double> crossings(const Points& p, double level, bool rising, double hysteresis = 3) {
    std::vector<double> out;
    bool armed = false;
    for (size_t i = 1; i < p.value.size(); ++i) {
        const double a = p.value[i - 1], b = p.value[i];
        const double before = rising ? level - hysteresis : level + hysteresis;
        if (rising ? a <= before : a >= before) armed = true;
        const bool crossed = rising ? (a < level && b >= level) : (a > level && b <= level);
        if (armed && crossed) {
            out.push_back(p.position[i - 1] + (level - a) / (b - a) * (p.position[i] - p.position[i - 1]));
            armed = false;
        }
    }
    return out;
}

double nearest(const std::vector<double>& xs, double x) {
    double best = NAN;
    for (double v : xs)
        if (std::isnan(best) || std::fabs(v - x) < std::fabs(best - x)) best = v;
    return best;
}

// Mean period in positions from the first to the last crossing.
double period(const std::vector<double>& xs) {
    return xs.size() < 2 ? NAN : (xs.back() - xs.front()) / static_cast<double>(xs.size() - 1);
}

std::string describe(const ScopeSetup& s) {
    return "hw " + std::to_string(s.hw) + (s.bufferSizeMode == _500K ? " 500k" : " 10k") + " td " +
           std::to_string(s.timeDiv) + (s.ch2 ? (s.ch1 ? " both" : " ch2") : " ch1") + (s.ETS ? "" : " RIS") +
           (s.slope ? " rising" : " falling");
}

// Checks a square wave of `low`..`high` volts on channel ch: plateau codes within 2, period
// within 1 %, and, on the trigger channel, an edge of the trigger's slope at the trigger point.
void checkSquare(const Scope& scope, int ch, double low, double high, double frequency, double triggerTolerance) {
    SCOPED_TRACE(describe(scope.setup) + " channel " + std::to_string(ch));
    const Points p = valid(scope.record(ch));
    ASSERT_GT(p.value.size(), 50u);
    const auto [lo, hi] = plateaus(p);
    EXPECT_NEAR(lo, scope.expectedCode(ch, low), 2.0);
    EXPECT_NEAR(hi, scope.expectedCode(ch, high), 2.0);

    const double mid = (lo + hi) / 2;
    const std::vector<double> up = crossings(p, mid, true);
    const double expectedPeriod = 1.0 / frequency / scope.positionSeconds();
    EXPECT_NEAR(period(up), expectedPeriod, expectedPeriod * 0.01);

    if (ch != scope.setup.triggerSource) return;
    const bool rising = scope.setup.slope != 0;
    const std::vector<double> edges = crossings(p, mid, rising);
    const double at = scope.triggerPosition();
    EXPECT_NEAR(nearest(edges, at), at, triggerTolerance) << (rising ? "rising" : "falling");
    // An edge of the other slope is at least a quarter period away.
    const std::vector<double> others = crossings(p, mid, !rising);
    if (!others.empty()) {
        EXPECT_GT(std::fabs(nearest(others, at) - at), expectedPeriod / 4);
    }
}

class SimCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        get_error_text();
        triggerTimeoutFlag = 0;
    }
    void TearDown() override {
        get_error_text();
        triggerTimeoutFlag = 0;
    }
};

TEST_F(SimCaptureTest, RealTimeRecordsShowTheProgrammedSquareWave) {
    for (int hw : {_HW1, _HW2, _HW3, _HW4})
        for (int channels : {1, 2, 3})
            for (int slope : {1, 0}) {
                ScopeSetup setup;
                setup.hw = hw;
                setup.ch1 = channels & 1;
                setup.ch2 = channels & 2;
                setup.triggerSource = setup.ch1 ? _CH1 : _CH2;
                setup.slope = slope;
                setup.offsetRow[1] = 100;
                setup.voltDiv[1] = _200MV_DIV;
                setup.position = slope ? 250 : 90;
                SimRecords::Options options;
                options.signal[1] = std::make_shared<SquareWave>(2000.0, 0.0, 1.0, 50e-9);
                Scope scope(setup, options);
                ASSERT_TRUE(scope.acquire()) << describe(setup) << get_error_text();
                EXPECT_TRUE(scope.s.d_triggeredFlag);
                if (setup.ch1) checkSquare(scope, _CH1, 0.0, 1.0, 1000.0, 2.0);
                if (setup.ch2) checkSquare(scope, _CH2, 0.0, 1.0, 2000.0, 2.0);
            }
}

TEST_F(SimCaptureTest, FiveHundredThousandPointRecords) {
    for (int hw : {_HW3, _HW4})
        for (int channels : {1, 3}) {
            ScopeSetup setup;
            setup.hw = hw;
            setup.bufferSizeMode = _500K;
            setup.timeDiv = _2MS_DIV;
            setup.ch2 = channels == 3;
            setup.position = 120;
            Scope scope(setup);
            ASSERT_TRUE(scope.acquire()) << describe(setup) << get_error_text();
            EXPECT_EQ(scope.s.d_bufferSize, channels == 3 ? 250000 : 500000);
            checkSquare(scope, _CH1, 0.0, 1.0, 1000.0, 3.0);
        }
}

TEST_F(SimCaptureTest, InterleavedConvertersAgreeAfterCorrection) {
    // The fastest real-time base samples one channel with both converters in turn; the second
    // converter's offset and gain errors are corrected by its own table.
    for (int hw : {_HW1, _HW2, _HW3, _HW4})
        for (int ch : {_CH1, _CH2}) {
            ScopeSetup setup;
            setup.hw = hw;
            setup.timeDiv = _10US_DIV;
            setup.ch1 = ch == _CH1;
            setup.ch2 = ch == _CH2;
            setup.triggerSource = ch;
            setup.voltDiv[ch - 1] = _200MV_DIV;
            setup.offsetRow[ch - 1] = 100;
            SimRecords::Options options;
            options.signal[ch - 1] = std::make_shared<SquareWave>(50e3, 0.0, 1.0, 20e-9);
            Scope scope(setup, options);
            ASSERT_TRUE(scope.s.d_interleaveOnOff);
            ASSERT_TRUE(scope.acquire()) << describe(setup) << get_error_text();
            checkSquare(scope, ch, 0.0, 1.0, 50e3, 3.0);
            const std::vector<short> r = scope.record(ch);
            for (int parity : {0, 1}) {
                Points p;
                for (size_t i = static_cast<size_t>(parity); i < r.size(); i += 2) {
                    p.position.push_back(static_cast<int>(i));
                    p.value.push_back(r[i]);
                }
                const auto [lo, hi] = plateaus(p);
                EXPECT_NEAR(lo, scope.expectedCode(ch, 0.0), 2.0) << describe(setup) << " parity " << parity;
                EXPECT_NEAR(hi, scope.expectedCode(ch, 1.0), 2.0) << describe(setup) << " parity " << parity;
            }
        }
}

TEST_F(SimCaptureTest, EquivalentTimeRecordsFillInAtTheirPhases) {
    struct Case {
        int timeDiv;
        double frequency;
        double tolerance; // record positions
    };
    const Case cases[] = {{_20NS_DIV, 10e6, 3}, {_200NS_DIV, 2e6, 3}, {_1US_DIV, 1e6, 3}, {_4US_DIV, 250e3, 2}};
    for (int hw : {_HW1, _HW2, _HW3, _HW4})
        for (const Case& c : cases)
            for (int channels : {1, 3}) {
                ScopeSetup setup;
                setup.hw = hw;
                setup.timeDiv = c.timeDiv;
                setup.ch2 = channels == 3;
                setup.voltDiv[1] = _200MV_DIV;
                setup.offsetRow[1] = 100;
                setup.position = 300;
                SimRecords::Options options;
                options.signal[0] = std::make_shared<SquareWave>(c.frequency, 0.0, 1.0, 0.5e-9);
                options.signal[1] = std::make_shared<SquareWave>(c.frequency, 0.0, 1.0, 0.5e-9);
                Scope scope(setup, options);
                ASSERT_EQ(scope.s.d_acquisitionMode, _ETS_MODE1);
                for (int n = 0; n < 3; ++n) ASSERT_TRUE(scope.acquire()) << describe(setup) << get_error_text();
                checkSquare(scope, _CH1, 0.0, 1.0, c.frequency, c.tolerance);
                if (setup.ch2) {
                    // Channel 2 is the same wave, sampled four positions later and placed there.
                    checkSquare(scope, _CH2, 0.0, 1.0, c.frequency, c.tolerance);
                    const Points p1 = valid(scope.record(_CH1)), p2 = valid(scope.record(_CH2));
                    const double at = scope.triggerPosition();
                    const auto [lo, hi] = plateaus(p2);
                    EXPECT_NEAR(nearest(crossings(p2, (lo + hi) / 2, true), at), at, c.tolerance) << describe(setup);
                }
            }
}

TEST_F(SimCaptureTest, RandomInterleavingPlacesEachCaptureAtItsPhase) {
    for (int hw : {_HW1, _HW2, _HW3, _HW4})
        for (int channels : {1, 2, 3}) {
            ScopeSetup setup;
            setup.hw = hw;
            setup.ETS = false;
            setup.timeDiv = _1US_DIV;
            setup.ch1 = channels & 1;
            setup.ch2 = channels & 2;
            setup.triggerSource = setup.ch1 ? _CH1 : _CH2;
            setup.voltDiv[1] = _200MV_DIV;
            setup.offsetRow[1] = 100;
            setup.position = 200;
            SimRecords::Options options;
            options.signal[0] = std::make_shared<SquareWave>(1e6, 0.0, 1.0, 1e-9);
            options.signal[1] = std::make_shared<SquareWave>(1e6, 0.0, 1.0, 1e-9);
            Scope scope(setup, options);
            ASSERT_EQ(scope.s.d_acquisitionMode, _RIS);
            ASSERT_TRUE(scope.acquire()) << describe(setup) << get_error_text();
            EXPECT_EQ(scope.s.d_ETSPointsPerSample, 1);
            // One capture: a sample every 10 (one channel) or 20 record positions.
            const double spacing = channels == 3 ? 20 : 10;
            for (int ch : {_CH1, _CH2})
                if (ch & channels) checkSquare(scope, ch, 0.0, 1.0, 1e6, spacing);
        }
}

TEST_F(SimCaptureTest, RollAppendsTheNewestSamplesOfBothChannels) {
    struct Case {
        int timeDiv;
        int captures;
        double samplesPerSecond;
    };
    const Case cases[] = {{_1S_DIV, 100, 300}, {_4S_DIV, 200, 75}, {_20S_DIV, 120, 15}};
    for (int hw : {_HW1, _HW2, _HW3, _HW4})
        for (const Case& c : cases) {
            ScopeSetup setup;
            setup.hw = hw;
            setup.timeDiv = c.timeDiv;
            setup.ch2 = true;
            setup.voltDiv[1] = _200MV_DIV;
            setup.offsetRow[1] = 100;
            const double f = c.samplesPerSecond / 60; // 60 samples per period
            SimRecords::Options options;
            options.signal[0] = std::make_shared<SquareWave>(f, 0.0, 1.0, 0.0);
            options.signal[1] = std::make_shared<SquareWave>(f / 2, 0.0, 1.0, 0.0);
            Scope scope(setup, options);
            ASSERT_TRUE(scope.s.isRoll());
            for (int n = 0; n < c.captures; ++n) ASSERT_TRUE(scope.acquire()) << describe(setup) << get_error_text();
            EXPECT_EQ(scope.link->count("pollTrigger"), 0);
            for (int ch : {_CH1, _CH2}) {
                SCOPED_TRACE(describe(setup) + " channel " + std::to_string(ch));
                const Points p = valid(scope.record(ch));
                ASSERT_GT(p.value.size(), 600u);
                const auto [lo, hi] = plateaus(p);
                EXPECT_NEAR(lo, scope.expectedCode(ch, 0.0), 2.0);
                EXPECT_NEAR(hi, scope.expectedCode(ch, 1.0), 2.0);
                const double samplesPerPeriod = ch == _CH1 ? 60 : 120;
                EXPECT_NEAR(period(crossings(p, (lo + hi) / 2, true)), samplesPerPeriod, samplesPerPeriod * 0.01);
            }
        }
}

TEST_F(SimCaptureTest, PeakDetectionKeepsTheExtremesOfEachInterval) {
    for (int hw : {_HW3, _HW4}) {
        ScopeSetup setup;
        setup.hw = hw;
        setup.timeDiv = _10MS_DIV; // 100 kS/s: 10 us between samples
        setup.peak = true;
        setup.triggerMode = _AUTO;
        SimRecords::Options options;
        options.signal[0] = std::make_shared<HarmonicSine>(137e3, 0.4, 0.5);
        Scope scope(setup, options);
        ASSERT_TRUE(scope.acquire()) << get_error_text();
        const std::vector<short> r = scope.record(_CH1);
        std::vector<double> even, odd;
        for (size_t i = 0; i < r.size(); ++i) (i % 2 ? odd : even).push_back(r[i]);
        EXPECT_NEAR(median(even), scope.expectedCode(_CH1, 0.9), 2.0) << hw;
        EXPECT_NEAR(median(odd), scope.expectedCode(_CH1, 0.1), 2.0) << hw;
    }
}

TEST_F(SimCaptureTest, NormalModeWithoutACrossingNeverTriggers) {
    for (int hw : {_HW1, _HW4}) {
        ScopeSetup setup;
        setup.hw = hw;
        setup.triggerRow = 390; // above the square wave's 1 V at row 350
        setup.triggerMode = _NORMAL;
        Scope normal(setup);
        EXPECT_FALSE(normal.acquire());
        EXPECT_EQ(triggerTimeoutFlag.load(), 1);
        EXPECT_EQ(normal.link->count("pollTrigger"), 20);
        EXPECT_EQ(normal.link->count("readSampleBuffer"), 0);

        setup.triggerMode = _AUTO;
        Scope automatic(setup);
        ASSERT_TRUE(automatic.acquire());
        EXPECT_EQ(triggerTimeoutFlag.load(), 0);
        EXPECT_FALSE(automatic.s.d_triggeredFlag);
        EXPECT_FALSE(automatic.sim().lastCapture().triggered);
    }
}

TEST_F(SimCaptureTest, AveragingReducesTheNoiseByTheRootOfTheCount) {
    auto plateauDeviation = [](int average) {
        ScopeSetup setup;
        setup.hw = _HW1;
        setup.average = average;
        SimRecords::Options options;
        options.converterNoise = 6.0;
        options.inputNoise = 0.0;
        Scope scope(setup, options);
        for (int n = 0; n < average; ++n) EXPECT_TRUE(scope.acquire());
        // The high plateaus: samples well inside each half period (20 samples per 0.1 ms... ).
        const std::vector<short> r = scope.record(_CH1);
        const double high = scope.expectedCode(_CH1, 1.0);
        double sum = 0, sum2 = 0;
        int n = 0;
        for (short v : r)
            if (std::fabs(v - high) < 60) {
                sum += v;
                sum2 += static_cast<double>(v) * v;
                ++n;
            }
        const double mean = sum / n;
        return std::sqrt(sum2 / n - mean * mean);
    };
    const double single = plateauDeviation(1);
    const double averaged = plateauDeviation(16);
    EXPECT_NEAR(single, 6.0, 1.0);
    EXPECT_NEAR(single / averaged, 4.0, 0.8);
}

TEST_F(SimCaptureTest, CoupledACTheMeanIsRemoved) {
    ScopeSetup setup;
    setup.hw = _HW3;
    setup.coupling[0] = _AC;
    setup.offsetRow[0] = 200;
    setup.triggerRow = 200;
    Scope scope(setup);
    ASSERT_TRUE(scope.acquire()) << get_error_text();
    checkSquare(scope, _CH1, -0.5, 0.5, 1000.0, 2.0);
}

TEST_F(SimCaptureTest, InjectedRecordFaultsFailTheCapture) {
    ScopeSetup setup;
    setup.hw = _HW3;
    Scope scope(setup);
    SimRecords::Fault corrupt;
    corrupt.corruptWord = 1234;
    scope.sim().injectFault(corrupt);
    EXPECT_FALSE(scope.acquire());
    EXPECT_EQ(std::string(get_error_text()),
              std::string("Error : ") + error_message(_ERR_CONVERT_RAW) + "\nError : " + error_message(18) + "\n");

    SimRecords::Fault status;
    status.mismatchedStatus = true;
    scope.sim().injectFault(status);
    EXPECT_FALSE(scope.acquire());
    EXPECT_EQ(scope.link->count("writeRegisters2"), 1);
    EXPECT_TRUE(scope.acquire());
}

} // namespace

namespace {

// The same records through the kernel's USB on the simulated bus: the calibration comes from
// the instrument's memory and every setting travels as the setters send it.
TEST_F(SimCaptureTest, ThroughTheUsbTransport) {
    struct Case {
        const char* what;
        int hw, bufferSizeMode, timeDiv;
        bool ETS, ch2;
        double frequency;
        int captures;
    };
    const Case cases[] = {
        {"real time", _HW1, _10K, _1MS_DIV, true, true, 1000, 1},
        {"real time 500k", _HW4, _500K, _2MS_DIV, true, false, 1000, 1},
        {"interleaved", _HW2, _10K, _10US_DIV, true, false, 50e3, 1},
        {"ETS", _HW3, _10K, _1US_DIV, true, true, 1e6, 3},
        {"RIS", _HW4, _10K, _1US_DIV, false, false, 1e6, 1},
        {"roll", _HW2, _10K, _1S_DIV, true, true, 5, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopeSetup setup;
        setup.hw = c.hw;
        setup.bufferSizeMode = c.bufferSizeMode;
        setup.timeDiv = c.timeDiv;
        setup.ETS = c.ETS;
        setup.ch2 = c.ch2;
        setup.voltDiv[1] = _200MV_DIV;
        setup.offsetRow[1] = 100;
        setup.position = 200;
        SimRecords::Options options;
        for (auto& signal : options.signal) signal = std::make_shared<SquareWave>(c.frequency, 0.0, 1.0, 1e-9);
        Scope scope(setup, options, sim_scope::Link::Usb);
        ASSERT_TRUE(scope.cal.d_fromHardware);
        EXPECT_EQ(scope.settings.timeDivCode, scope.reg.registerByte(27) & 0x7F);
        for (int n = 0; n < c.captures; ++n) ASSERT_TRUE(scope.acquire()) << get_error_text();
        if (scope.s.isRoll()) {
            const Points p = valid(scope.record(_CH1));
            const auto [lo, hi] = plateaus(p);
            EXPECT_NEAR(lo, scope.expectedCode(_CH1, 0.0), 2.0);
            EXPECT_NEAR(hi, scope.expectedCode(_CH1, 1.0), 2.0);
            continue;
        }
        checkSquare(scope, _CH1, 0.0, 1.0, c.frequency, 3.0);
        if (c.ch2) checkSquare(scope, _CH2, 0.0, 1.0, c.frequency, 3.0);
    }
}

TEST_F(SimCaptureTest, TransportFaultsFailTheCapture) {
    ScopeSetup setup;
    setup.hw = _HW3;
    Scope scope(setup, {}, sim_scope::Link::Usb);
    ASSERT_TRUE(scope.acquire()) << get_error_text();

    // A short bulk transfer: no record, the start request goes out.
    UsbFault shortRead;
    shortRead.kind = UsbFault::Kind::ShortRead;
    shortRead.bulk = true;
    scope.rig->bus->injectFault(shortRead);
    const int starts = scope.rig->instrument().starts();
    EXPECT_FALSE(scope.acquire());
    EXPECT_EQ(std::string(get_error_text()), std::string("Error : ") + error_message(_ERR_READ_BUFFER) + "\n");
    EXPECT_EQ(scope.rig->instrument().starts(), starts + 1);
    EXPECT_TRUE(scope.acquire());

    // Status copies that differ on _HW3: the register block goes out again with 0xB3.
    SimRecords::Fault status;
    status.mismatchedStatus = true;
    scope.sim().injectFault(status);
    scope.rig->bus->clearTransfers();
    EXPECT_FALSE(scope.acquire());
    int blocks = 0;
    for (const TransferRecord& t : scope.rig->controls()) blocks += t.setup.request == 0xB3;
    EXPECT_EQ(blocks, 1);
    EXPECT_TRUE(scope.acquire());
}

} // namespace
