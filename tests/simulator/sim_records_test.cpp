// The simulated instrument's record encoder against independent references: analytic
// signal values and crossings, the kernel's TDC phase and correction tables decoding what
// the simulator encoded from its own model.

#include "sim_scope.h"

#include "data_acquisition.h"
#include "simulated_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

using sim_scope::Scope;
using sim_scope::ScopeSetup;

namespace {

constexpr double kPi = 3.141592653589793;

TEST(SimSignal, SquareWaveLevelsEdgesAndMean) {
    const SquareWave square(1000.0, -0.2, 0.8, 1e-6, 0.25);
    struct Case {
        double t, volts;
    };
    const Case cases[] = {
        {0.0, 0.3},     // middle of the rising edge
        {0.1e-3, 0.8},  // high for the first quarter
        {0.25e-3, 0.3}, // middle of the falling edge
        {0.5e-3, -0.2}, // low
        {1.0e-3 + 0.1e-3, 0.8},
        {-0.9e-3, 0.8},  // periodic, also before 0
        {0.25e-6, 0.55}, // three quarters up the edge
    };
    for (const Case& c : cases) EXPECT_NEAR(square.volts(c.t), c.volts, 1e-9) << c.t;
    EXPECT_NEAR(square.mean(), 0.05, 1e-12);
}

TEST(SimSignal, CrossingsAreWhereTheWaveformPassesTheLevel) {
    const HarmonicSine sine(1000.0, 1.0, 0.5);
    // sin(2 pi f t) = 0.25 rising at 40.215 us (asin 0.25 = 0.25268), falling at 459.785 us.
    EXPECT_NEAR(*nextCrossing(sine, 0.75, true, 0.0), 40.21531e-6, 1e-9);
    EXPECT_NEAR(*nextCrossing(sine, 0.75, false, 0.0), 459.78469e-6, 1e-9);
    EXPECT_NEAR(*nextCrossing(sine, 0.75, true, 41.3e-6), 1040.21531e-6, 1e-9);
    EXPECT_FALSE(nextCrossing(sine, 1.6, true, 0.0));
    EXPECT_FALSE(nextCrossing(DcLevel(0.3), 0.3, true, 0.0));

    const SquareWave square(2000.0, 0.0, 1.0);
    EXPECT_NEAR(*nextCrossing(square, 0.5, true, 0.1e-3), 0.5e-3, 1e-9);
    EXPECT_NEAR(*nextCrossing(square, 0.5, false, 0.1e-3), 0.25e-3, 1e-9);
}

TEST(SimSignal, NoiseIsSeededAndStandard) {
    GaussianNoise a(7), b(7), c(8);
    double sum = 0, sum2 = 0;
    bool differs = false;
    constexpr int n = 200000;
    for (int i = 0; i < n; ++i) {
        const double x = a.next();
        EXPECT_EQ(x, b.next());
        differs = differs || x != c.next();
        sum += x;
        sum2 += x * x;
    }
    EXPECT_TRUE(differs);
    EXPECT_NEAR(sum / n, 0.0, 0.01);
    EXPECT_NEAR(std::sqrt(sum2 / n), 1.0, 0.01);
}

TEST(SimSignal, NoiseTailsAreGaussian) {
    // Shares beyond 1, 2, 3 and 3.5 deviations against erfc: the last lies in the
    // generator's tail region, the others in its layers' wedges.
    GaussianNoise noise(20240611);
    constexpr int n = 1000000;
    const double limits[] = {1.0, 2.0, 3.0, 3.5};
    int beyond[4] = {};
    for (int i = 0; i < n; ++i) {
        const double x = std::fabs(noise.next());
        for (int k = 0; k < 4; ++k) beyond[k] += x > limits[k];
    }
    for (int k = 0; k < 4; ++k) {
        const double expected = std::erfc(limits[k] / std::sqrt(2.0));
        EXPECT_NEAR(double(beyond[k]) / n, expected, 5 * std::sqrt(expected / n)) << limits[k];
    }
}

TEST(SimSignal, WholeRecordsMatchTheValuesOneByOne) {
    const std::vector<std::shared_ptr<Signal>> signals = {
        defaultSignal(0), defaultSignal(1), std::make_shared<SquareWave>(2000.0, -0.2, 0.8, 1e-6, 0.25),
        std::make_shared<HarmonicSine>(1000.0, 1.0, 0.5), std::make_shared<DcLevel>(0.3)};
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> start(-0.01, 5.0);
    const double steps[] = {1e-9, 2e-8, 3.3e-7, 1e-6, 4e-5};
    for (size_t s = 0; s < signals.size(); ++s)
        for (double dt : steps) {
            const double t0 = start(rng);
            std::vector<double> record(4000);
            signals[s]->sampleEvenly(t0, dt, 4000, record.data());
            // Within rounding of the sample times (the steepest edge: 1 V in 20 ns).
            for (int k = 0; k < 4000; ++k)
                ASSERT_NEAR(record[static_cast<size_t>(k)], signals[s]->volts(t0 + k * dt), 1e-6)
                    << "signal " << s << " dt " << dt << " k " << k;
        }
}

// Every trigger-to-clock phase the simulator reports decodes, through the kernel's TDC
// mapping with the factory constants, to the phase it sampled at.
TEST(SimRecordsTdc, StatusWordsDecodeToTheSampledPhase) {
    for (int hw : {_HW1, _HW2, _HW3, _HW4})
        for (int temperature : {30, 58, -20}) {
            ScopeSetup setup;
            setup.hw = hw;
            setup.timeDiv = _20NS_DIV;
            SimRecords::Options options;
            options.chipTemperature = temperature;
            Scope scope(setup, options);
            const SimHardware& h = scope.sim().hardware();
            // What the kernel sets on _HW4 from the counter request; 0 before.
            const int margin = hw >= _HW4 ? (temperature - h.chipTemperatureCalib) / 9 : 0;
            // 1200 captures miss one of the 100 phases with a chance of about 1 in 1700.
            std::vector<bool> seen(100, false);
            for (int n = 0; n < 1200; ++n) {
                std::vector<unsigned char> bytes(512);
                scope.sim().read(bytes.data(), 512);
                const SimRecords::CaptureInfo& info = scope.sim().lastCapture();
                const int status = info.status;
                int phase = tdcPhaseOf(status, hw, h.ETSOffset, h.ETSMin, h.ETSMax, margin, 0.03);
                ASSERT_GE(phase, 0) << hw << " " << temperature << " status " << status;
                if (!(status & STATUS_HALF_PHASE)) phase += 50;
                ASSERT_EQ(phase, info.phase) << hw << " " << temperature;
                if (hw <= _HW2) {
                    EXPECT_NE(status & STATUS_TDC_MASK, 0);
                }
                seen[static_cast<size_t>(phase)] = true;
            }
            EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 100) << hw << " " << temperature;
        }
}

// The converters' raw codes, corrected by the kernel's tables built from the factory image,
// give back the true codes the simulator started from, on both converters of every mode.
TEST(SimRecordsConverters, KernelTablesUndoTheConverterErrors) {
    struct Case {
        int hw, timeDiv;
        bool ch1, ch2;
    };
    const Case cases[] = {
        {_HW1, _1MS_DIV, true, true}, {_HW1, _10US_DIV, true, false}, {_HW2, _10US_DIV, false, true},
        {_HW3, _1MS_DIV, true, true}, {_HW3, _10US_DIV, true, false}, {_HW4, _10US_DIV, false, true},
    };
    for (const Case& c : cases) {
        ScopeSetup setup;
        setup.hw = c.hw;
        setup.timeDiv = c.timeDiv;
        setup.ch1 = c.ch1;
        setup.ch2 = c.ch2;
        Scope scope(setup);
        const int levels = scope.s.d_adcLevels;
        for (int ch : {_CH1, _CH2}) {
            if (!scope.s.isChannelOn(ch)) continue;
            for (int bit : {0, 1}) {
                const auto& table = bit ? scope.cal.d_codeTable2 : scope.cal.d_codeTable1;
                for (int f = levels / 50; f < levels - levels / 50; f += levels / 64) {
                    const double raw = scope.sim().converterCode(scope.settings, ch - 1, bit, f + 0.5);
                    const int code = static_cast<int>(std::floor(raw + 0.5));
                    ASSERT_GE(code, 0);
                    ASSERT_LT(code, levels);
                    EXPECT_NEAR(table[static_cast<size_t>(code)], f, 1.0)
                        << "hw " << c.hw << " td " << c.timeDiv << " ch " << ch << " converter " << bit;
                }
            }
        }
    }
}

TEST(SimRecordsLayout, RecordLengthAndWordsFollowTheRegisters) {
    struct Case {
        int timeDiv;
        bool ch2Only, both;
        int words;       // MC x 16 or x 32
        int channelBits; // of the first two sample words
    };
    const Case cases[] = {
        {_1MS_DIV, false, false, 10048, 0x00},  // one converter, channel 1
        {_1MS_DIV, true, false, 10048, 0x11},   // channel 2's converter
        {_1MS_DIV, false, true, 10048, 0x01},   // pairs
        {_10US_DIV, false, false, 10048, 0x01}, // both converters on channel 1
        {_20NS_DIV, false, false, 256, 0x01},   // equivalent time: pairs whatever is on
    };
    for (const Case& c : cases) {
        ScopeSetup setup;
        setup.hw = _HW3;
        setup.timeDiv = c.timeDiv;
        setup.ch1 = !c.ch2Only;
        setup.ch2 = c.ch2Only || c.both;
        setup.triggerSource = c.ch2Only ? _CH2 : _CH1;
        Scope scope(setup);
        std::vector<unsigned char> bytes(static_cast<size_t>(2 * c.words) + 64, 0xEE);
        ASSERT_TRUE(scope.sim().ready(std::chrono::milliseconds(0)));
        // The record ends with a short packet: nothing past it is sent.
        EXPECT_EQ(scope.sim().read(bytes.data(), static_cast<int>(bytes.size())), 2 * c.words) << c.timeDiv;
        EXPECT_EQ(scope.sim().lastCapture().words, c.words - 4) << c.timeDiv;
        EXPECT_EQ(bytes[static_cast<size_t>(2 * c.words)], 0xEE) << c.timeDiv;
        EXPECT_EQ(firstBadSampleWord(bytes.data() + 8, c.words - 4, 2), -1) << c.timeDiv;
        const int bits = sampleWordChannelBit(bytes[8]) << 4 | sampleWordChannelBit(bytes[10]);
        EXPECT_EQ(bits, c.channelBits) << c.timeDiv;
        // The status word twice, in the same byte order.
        EXPECT_EQ(bytes[0], bytes[2]);
        EXPECT_EQ(bytes[1], bytes[3]);
    }
}

TEST(SimRecordsPaced, TheCaptureRunsFromTheStartNotFromTheFirstPoll) {
    // At 20 ms/div a record takes 200 ms: a host that waits after the start finds it ready at
    // its first status request, as a real instrument would have captured meanwhile.
    SimulatedClock clock(SimulatedClock::Mode::Virtual);
    ScopeSetup setup;
    setup.hw = _HW4;
    setup.timeDiv = _20MS_DIV;
    SimRecords::Options options;
    options.pace = &clock;
    Scope scope(setup, options);
    clock.advance(std::chrono::milliseconds(400));
    EXPECT_TRUE(scope.sim().ready(clock.now()));
    std::vector<unsigned char> bytes(2 * static_cast<size_t>(scope.s.d_acquireLength));
    EXPECT_EQ(scope.sim().read(bytes.data(), static_cast<int>(bytes.size())), static_cast<int>(bytes.size()));
    EXPECT_LT(scope.sim().lastCapture().triggerTime, 0.2);
    // Read out, the instrument captures anew: nothing is ready until that record is complete.
    EXPECT_FALSE(scope.sim().ready(clock.now()));
    clock.advance(std::chrono::milliseconds(400));
    EXPECT_TRUE(scope.sim().ready(clock.now()));
    EXPECT_GE(scope.sim().lastCapture().triggerTime, 0.4);
}

TEST(SimRecordsRoll, PacedReadsWaitForTheirSamples) {
    SimulatedClock clock(SimulatedClock::Mode::Virtual);
    ScopeSetup setup;
    setup.hw = _HW2;
    setup.timeDiv = _1S_DIV;
    setup.ch2 = true;
    SimRecords::Options options;
    options.pace = &clock;
    Scope scope(setup, options);
    std::vector<unsigned char> bytes(128);
    for (int n = 1; n <= 10; ++n) {
        // The instrument sends the record's 120 bytes, however many the host asks.
        EXPECT_EQ(scope.sim().read(bytes.data(), 128), 120);
        // 30 sample pairs at 300 per second: 100 ms per read.
        EXPECT_EQ(clock.now().count(), 100 * n);
    }
    EXPECT_EQ(firstBadSampleWord(bytes.data(), 60, 2), -1);
    EXPECT_EQ(sampleWordChannelBit(bytes[2]), 1);
}

} // namespace
