// Zero calibration end to end: the simulated instrument with its inputs shorted and its zero
// points drifted away from the factory image; what the calibration finds is checked against
// the simulator's own model of that hardware.
#include "simulated_kernel.h"

#include "calibration.h"
#include "shorted_input.h"
#include "zero_calibration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>

namespace {

// Both channels on, normal trigger, averaging and a slow time base: none of it may spoil the
// measurement, and all of it must be there again afterwards.
const char* const kUserSettings = "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\nvoltageDiv1=6\nvoltageDiv2=8\n"
                                  "channelCoupling1=0\nchannelCoupling2=1\nvoltageOffset1=180\nnumberOfAverage=16\n"
                                  "[TRIGGER]\ntriggerMode=1\ntriggerSource=2\n[HORIZONTAL]\ntimeDiv=20\n";

struct Settings {
    int on[2], voltDiv[2], coupling[2];
    double offset[2];
    int timeDiv, triggerMode, triggerSource, average, bufferSizeMode;
    bool operator==(const Settings&) const = default;
};

Settings settings() {
    Settings s{};
    for (int c = 0; c < 2; ++c) {
        s.on[c] = controlGetChannelOnOff(c + 1);
        s.voltDiv[c] = controlGetVoltageDiv(c + 1);
        s.coupling[c] = controlGetChannelCoupling(c + 1);
        s.offset[c] = controlGetVoltageOffset(c + 1);
    }
    s.timeDiv = controlGetTimeDiv();
    s.triggerMode = controlGetTriggerMode();
    s.triggerSource = controlGetTriggerSource();
    s.average = controlGetNumberOfAverage();
    s.bufferSizeMode = controlGetBufferSizeMode();
    return s;
}

// The three-point fit of generation 1 rejects a term that comes out exactly 0, which a
// converter straighter than about a code over its range gives: generation-1 converters bend.
void bendConverters(SimHardware& h) {
    h.nonlinear[0] = {0.004, 0.985, 0.015};
    h.nonlinear[1] = {-0.003, 1.012, -0.012};
    h.adc1[0] = {0.005, 0.98, 0.02};
    h.adc2[0] = {0.003, 0.99, 0.011};
    h.adc1[1] = {-0.004, 1.02, -0.013};
    h.adc2[1] = {0.0035, 0.988, 0.017};
}

class ZeroCalibrationBench {
public:
    explicit ZeroCalibrationBench(int generation, double volts = 0.0, const std::string& state = kUserSettings)
        : kernel(generation, true, state), hardware(ShortedInput::drifted(generation, 40 + generation)) {
        if (generation == _HW1) bendConverters(hardware);
        created = kernel.create();
        kernel.instrument().setRecordSource(ShortedInput::records(hardware, volts));
    }

    // The hardware's truth for channel ch set up at volt/div v with the coupling, on one
    // converter or the interleaved pair, as the kernel programs it.
    ShortedInput::Truth truth(int ch, int v, bool ac, bool interleaved) {
        controlSetChannelOnOff(ch, true);
        controlSetChannelOnOff(3 - ch, false);
        controlSetChannelCoupling(ch, ac ? _AC : _DC);
        controlSetVoltageDiv(ch, v);
        controlSetTimeDiv(interleaved ? _10US_DIV : _20US_DIV);
        return ShortedInput::truth(hardware, kernel.instrument().settings(), ch - 1, base());
    }
    InstrumentSettings programmed(int ch, int v, int timeDiv) {
        controlSetChannelOnOff(ch, true);
        controlSetChannelOnOff(3 - ch, false);
        controlSetChannelCoupling(ch, _DC);
        controlSetVoltageDiv(ch, v);
        controlSetTimeDiv(timeDiv);
        return kernel.instrument().settings();
    }
    int base() const { return zeroSearchStarts(kernel.generation(), 2.4).base; }
    Calibration& calibration() { return *g_control->p_calibration; }

    SimulatedKernel kernel;
    SimHardware hardware;
    bool created = false;
};

struct Case {
    int generation;
    int ch;
};

class ZeroCalibrationFinds : public ::testing::TestWithParam<Case> {};

TEST_P(ZeroCalibrationFinds, TheHiddenZeroPointsOfEveryPathAndStoresThemInTheMemory) {
    const auto [generation, ch] = GetParam();
    ZeroCalibrationBench bench(generation);
    ASSERT_TRUE(bench.created) << get_error_text();
    const Settings before = settings();
    Calibration factory = bench.calibration();

    ASSERT_EQ(controlZeroCalibration(ch), 1) << get_error_text();
    EXPECT_EQ(error_count(), 0);
    EXPECT_EQ(settings(), before);
    EXPECT_FALSE(std::filesystem::exists(bench.kernel.mainFile("calibration.ini")));

    // The memory holds what the calibration found.
    const CalibrationImage::Bytes memory = bench.kernel.instrument().calibrationMemory();
    Calibration& cal = bench.calibration();
    const std::vector<unsigned char> expected = packCalibrationMemory(cal);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), memory.begin()));

    // Zero points within one step of the coarser of the DAC and the converter: a DAC step on
    // generations 1 and 2 (two codes), a converter code on 3 and 4 (1.4 or 2.7 DAC steps); the
    // noise of the means between captures adds a few hundredths. The AC sweep stops within
    // one code of mid-scale, its last correction one DAC step away.
    // Converter-2 offsets against what that converter really reads below the followed one:
    // within a code in DC and two in AC on generations 1 and 2. On 3 and 4 the formula takes
    // it from half the codes (512) while the search brings the followed converter to 511, and
    // truncates a truncated mean: it reads about one code high (0 to 2 in DC, -1 to 3 in AC,
    // where the search stops a code either side of mid-scale).
    double residualSum = 0;
    int residuals = 0;
    for (bool ac : {false, true}) {
        if (ac && generation < _HW3) continue;
        const ZeroOffsetTargets found = zeroOffsetTargets(cal, ch, ac);
        for (int v = _5MV_DIV; v <= _10V_DIV; ++v) {
            for (bool interleaved : {false, true}) {
                const ShortedInput::Truth t = bench.truth(ch, v, ac, interleaved);
                const int zero = interleaved ? found.interleave[v] : found.nonInterleave[v];
                const double codes = std::fabs(zero - t.zeroPoint) * t.codesPerStep;
                const double noise = 0.05;
                EXPECT_LE(codes, (ac ? 2.0 - t.codesPerStep : std::max(1.0, t.codesPerStep)) + noise)
                    << "volt/div " << v << (ac ? " AC" : " DC") << (interleaved ? " interleaved" : "") << " found "
                    << zero << " truth " << t.zeroPoint;
                if (!interleaved) continue;
                const int offset2 = generation >= _HW3 ? found.adc2New[v] : *found.adc2;
                const double residual = offset2 - t.converter2Offset;
                const double expected = generation >= _HW3 ? 1.0 : 0.0;
                EXPECT_LE(std::fabs(residual - expected), (ac ? 2.0 : 1.0) + noise)
                    << "volt/div " << v << (ac ? " AC" : " DC") << " offset " << offset2 << " truth "
                    << t.converter2Offset;
                if (!ac) {
                    residualSum += residual;
                    ++residuals;
                }
                if (v == _5MV_DIV) {
                    EXPECT_EQ(*found.adc2, offset2);
                }
            }
        }
    }
    if (generation >= _HW3) {
        EXPECT_NEAR(residualSum / residuals, 1.0, 0.5);
    }

    // The other channel keeps its constants.
    const int other = 3 - ch;
    const int* kept = zeroOffsetTargets(cal, other, false).nonInterleave;
    EXPECT_TRUE(std::equal(kept, kept + 11, zeroOffsetTargets(factory, other, false).nonInterleave));
}

INSTANTIATE_TEST_SUITE_P(EveryGenerationAndChannel, ZeroCalibrationFinds,
                         ::testing::Values(Case{_HW1, _CH1}, Case{_HW1, _CH2}, Case{_HW2, _CH1}, Case{_HW2, _CH2},
                                           Case{_HW3, _CH1}, Case{_HW3, _CH2}, Case{_HW4, _CH1}, Case{_HW4, _CH2}),
                         [](const auto& info) {
                             return "HW" + std::to_string(info.param.generation) + "_CH" +
                                    std::to_string(info.param.ch);
                         });

// Gain fit: the slope of the chain from the offset DAC to each converter of the pair, in
// volts of the converter per volt of the DAC's nominal scale.
TEST(ZeroCalibrationGain, IsTheSlopeOfEachConverterOfThePair) {
    for (int ch : {_CH1, _CH2}) {
        ZeroCalibrationBench bench(_HW4);
        ASSERT_TRUE(bench.created);
        ASSERT_EQ(controlZeroCalibration(ch), 1) << get_error_text();
        const Calibration& cal = bench.calibration();
        const ShortedInput::Truth t = bench.truth(ch, _100MV_DIV, false, true);
        const std::array<int, 3> dac = gainFitDacValues(2.4);
        const double perStep = (dac[2] - dac[0]) * 2.0 / 1024 / (GAIN_FIT_LEVELS[2] - GAIN_FIT_LEVELS[0]);
        // Pass 1 (the followed converter) and pass 2 (the other one) go to these polynomials.
        const float* followed = ch == _CH1 ? cal.nonlinearConstADC1Ch1 : cal.nonlinearConstADC2Ch2;
        const float* other = ch == _CH1 ? cal.nonlinearConstADC2Ch1 : cal.nonlinearConstADC1Ch2;
        EXPECT_NEAR(followed[1], t.codesPerStep * perStep, 0.004) << "channel " << ch;
        EXPECT_NEAR(other[1], t.otherCodesPerStep * perStep, 0.004) << "channel " << ch;
        EXPECT_EQ(followed[0], 0.0f);
        EXPECT_EQ(other[2], 0.0f);
    }
}

// Generation 1: each pass's polynomial reproduces the codes the converter gives at the three
// DAC values (the second converter's raised by the offset the sweep found for it, which its
// correction table adds during the pass); generation 2 leaves every polynomial neutral, the
// other channel's too.
TEST(ZeroCalibrationNonlinear, PolynomialsFollowTheConvertersOnGeneration1AndAreNeutralOn2) {
    {
        ZeroCalibrationBench bench(_HW1);
        ASSERT_TRUE(bench.created);
        ASSERT_EQ(controlZeroCalibration(_CH2), 1) << get_error_text();
        Calibration& cal = bench.calibration();
        const int zeroNormal = cal.offsetNonInterleaveCh2[_100MV_DIV];
        const int zeroInterleaved = cal.offsetInterleaveCh2[_100MV_DIV];
        struct Pass {
            const float* q;
            int timeDiv, bit, base, offset;
        } passes[] = {{cal.nonlinearConstCh2, _20US_DIV, 1, zeroNormal, 0},
                      {cal.nonlinearConstADC1Ch2, _10US_DIV, 1, zeroInterleaved, 0},
                      {cal.nonlinearConstADC2Ch2, _10US_DIV, 0, zeroInterleaved, cal.offsetADC2Ch2}};
        for (const Pass& p : passes) {
            const InstrumentSettings s = bench.programmed(_CH2, _100MV_DIV, p.timeDiv);
            for (int dac : NONLINEAR_FIT_DAC) {
                const double x = dac * 0.001;
                const double code = (p.q[0] * x * x + p.q[1] * x + p.q[2] - 1.5) * 2048;
                EXPECT_NEAR(code, ShortedInput::rawCode(bench.hardware, s, 1, p.bit, dac - p.base) + p.offset, 1.5)
                    << "time/div " << p.timeDiv << " converter " << p.bit << " DAC " << dac;
            }
        }
    }
    {
        ZeroCalibrationBench bench(_HW2);
        ASSERT_TRUE(bench.created);
        ASSERT_EQ(controlZeroCalibration(_CH1), 1) << get_error_text();
        const Calibration& cal = bench.calibration();
        for (const float* q : {cal.nonlinearConstCh1, cal.nonlinearConstADC1Ch1, cal.nonlinearConstADC2Ch1,
                               cal.nonlinearConstCh2, cal.nonlinearConstADC1Ch2, cal.nonlinearConstADC2Ch2}) {
            EXPECT_EQ(q[0], 0.0f);
            EXPECT_EQ(q[1], 1.0f);
            EXPECT_EQ(q[2], 0.0f);
        }
    }
}

// ---- failures leave the constants, the settings, the memory and the file as they were

struct CalibrationFault {
    const char* name;
    int generation;
    double volts; // the input: far off zero pins the converter; NAN the demo's signals
    int request;  // memory requests (0xC7 read, 0xD1 write) that fail; -1 none
    int skip;     // of them let through before the failing ones
    int count;
    int error; // on top of the error stack
};

class ZeroCalibrationFault : public ::testing::TestWithParam<CalibrationFault> {};

TEST_P(ZeroCalibrationFault, LeavesEverythingAsItWas) {
    const CalibrationFault f = GetParam();
    ZeroCalibrationBench bench(f.generation, std::isnan(f.volts) ? 0.0 : f.volts);
    ASSERT_TRUE(bench.created);
    if (std::isnan(f.volts)) bench.kernel.instrument().setRecordSource(std::make_unique<SimRecords>(bench.hardware));
    const Settings before = settings();
    const std::vector<unsigned char> constants = packCalibrationMemory(bench.calibration());
    const CalibrationImage::Bytes memory = bench.kernel.instrument().calibrationMemory();
    const InstrumentRegisters registers = bench.kernel.instrument().registers();
    if (f.request >= 0) bench.kernel.bus->injectFault({UsbFault::Kind::Stall, f.request, false, f.skip, f.count, -1});

    EXPECT_EQ(controlZeroCalibration(_CH1), 0);
    const std::string errors = get_error_text();
    EXPECT_EQ(errors.rfind(std::string("Error : ") + error_message(f.error), 0), 0u) << errors;

    EXPECT_EQ(packCalibrationMemory(bench.calibration()), constants);
    EXPECT_EQ(bench.kernel.instrument().calibrationMemory(), memory);
    EXPECT_EQ(settings(), before);
    // Both offset DACs and the trigger level of the source (the other channel's trigger DAC
    // keeps the level the calibration left: it is not in use).
    const InstrumentRegisters after = bench.kernel.instrument().registers();
    const int level = 1 + controlGetTriggerSource();
    for (int dac : {0, 1, level}) EXPECT_EQ(after.dac[dac], registers.dac[dac]) << "DAC " << dac;
    EXPECT_EQ(after.reg, registers.reg);
    EXPECT_FALSE(std::filesystem::exists(bench.kernel.mainFile("calibration.ini")));
}

INSTANTIATE_TEST_SUITE_P(SaturationAndMemoryFaults, ZeroCalibrationFault,
                         ::testing::Values(
                             // Pinned at the top: the DAC runs into its end and the corrections never converge.
                             // Neither is a shorted input, nor are the live square wave and sine.
                             CalibrationFault{"PinnedHigh", _HW4, 5.0, -1, 0, 0, _ERR_INPUT_NOT_SHORTED},
                             CalibrationFault{"PinnedLow", _HW2, -5.0, -1, 0, 0, _ERR_INPUT_NOT_SHORTED},
                             CalibrationFault{"LiveSignalHW4", _HW4, NAN, -1, 0, 0, _ERR_INPUT_NOT_SHORTED},
                             CalibrationFault{"LiveSignalHW3", _HW3, NAN, -1, 0, 0, _ERR_INPUT_NOT_SHORTED},
                             CalibrationFault{"LiveSignalHW1", _HW1, NAN, -1, 0, 0, _ERR_INPUT_NOT_SHORTED},
                             // Three pages written, the fourth refused: the three are put back.
                             CalibrationFault{"FourthPageRefused", _HW3, 0.0, 0xD1, 3, 1, _ERR_WRITE_CALIBRATION},
                             CalibrationFault{"NoPageWritten", _HW1, 0.0, 0xD1, 0, -1, _ERR_WRITE_CALIBRATION},
                             // What the memory holds cannot be read first: nothing is written.
                             CalibrationFault{"MemoryUnreadable", _HW4, 0.0, 0xC7, 5, 1, _ERR_READ_CALIBRATION}),
                         [](const auto& info) { return std::string(info.param.name); });

// Passes the shorted input's records on, spoiling the chosen captures: every sample word gets
// a code above the 10-bit range, which the correction table turns into the empty code 4096.
class SpoiledCaptures final : public RecordSource {
public:
    SpoiledCaptures(std::unique_ptr<SimRecords> inner, std::set<int> spoiled)
        : p_inner(std::move(inner)), d_spoiled(std::move(spoiled)) {}
    void arm(const InstrumentSettings& s, std::chrono::milliseconds now) override { p_inner->arm(s, now); }
    bool ready(std::chrono::milliseconds now) override { return p_inner->ready(now); }
    int read(unsigned char* out, int length) override {
        const int n = p_inner->read(out, length);
        if (d_spoiled.count(reads++))
            for (int i = 8; i < n; ++i)
                if (out[i] & 0x80) out[i] |= 0x10; // the byte with the upper value bits
        return n;
    }
    int reads = 0;

private:
    std::unique_ptr<SimRecords> p_inner;
    std::set<int> d_spoiled;
};

TEST(ZeroCalibrationMeasure, CountsTheThirdAndLaterCapturesThatHoldConverterCodes) {
    struct Row {
        std::set<int> spoiled;
        bool ok;
    } rows[] = {{{}, true},
                {{0, 1, 2, 3, 4, 5, 6}, true},  // 7, 8, 9 count
                {{2, 3, 4, 5, 6, 7, 8}, false}, // 0 and 1 never count, 9 alone is too few
                {{2, 3, 4, 5, 6, 7}, false}};   // 8 and 9 are too few
    for (const Row& r : rows) {
        ZeroCalibrationBench bench(_HW4, 0.0, ""); // auto trigger: a shorted input never triggers
        ASSERT_TRUE(bench.created);
        ASSERT_TRUE(g_control->setZeroCalibrationChannel(_CH1, _DC, _20MV_DIV, _20US_DIV));
        ASSERT_TRUE(g_control->writeOffsetDac(1784 + 20, 0));
        auto source = std::make_unique<SpoiledCaptures>(ShortedInput::records(bench.hardware), r.spoiled);
        SpoiledCaptures& spoiler = *source;
        bench.kernel.instrument().setRecordSource(std::move(source));
        g_control->writeOffsetDac(1784 + 20, 0); // arms the new source
        int even = -1, odd = -1;
        EXPECT_EQ(g_control->measureOffset(_CH1, even, odd), r.ok) << r.spoiled.size() << " spoiled";
        EXPECT_EQ(spoiler.reads, 10);
        if (r.ok) {
            EXPECT_GT(even, 0);
            EXPECT_LT(even, 1024);
            EXPECT_LT(odd, 1024);
        }
    }
}

// One glitch of the instrument during the measurements is tried again; the calibration ends
// as it would without it.
TEST(ZeroCalibrationGlitch, OneFailedTransferIsRetried) {
    struct Row {
        const char* name;
        UsbFault fault;
    } rows[] = {
        {"status stall", {UsbFault::Kind::Stall, 0xC0, false, 40, 1, -1}},
        {"status time-out", {UsbFault::Kind::Timeout, 0xC0, false, 40, 1, -1}},
        {"bulk stall", {UsbFault::Kind::Stall, -1, true, 30, 1, -1}},
        {"bulk time-out", {UsbFault::Kind::Timeout, -1, true, 30, 1, -1}},
        {"short read", {UsbFault::Kind::ShortRead, -1, true, 30, 1, -1}},
        {"DAC stall", {UsbFault::Kind::Stall, 0xB2, false, 20, 1, -1}},
    };
    for (const Row& r : rows) {
        ZeroCalibrationBench bench(_HW4);
        ASSERT_TRUE(bench.created);
        bench.kernel.bus->injectFault(r.fault);
        EXPECT_EQ(controlZeroCalibration(_CH1), 1) << r.name << ": " << get_error_text();
        get_error_text();
    }
}

// The simulator's own shorted inputs (the demo's setting): the calibration succeeds, and the
// traces of the user's settings afterwards lie on their zero lines.
TEST(ZeroCalibrationShortedSimulator, SucceedsAndTheTracesSitOnTheirZeroLines) {
    SimulatorConfig config;
    config.programmed = true;
    config.shortedInputs = true;
    SimulatedKernel kernel(std::make_shared<SimulatedBus>(config), false,
                           "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\nvoltageDiv1=6\nvoltageOffset1=300\n"
                           "voltageOffset2=100\n[HORIZONTAL]\ntimeDiv=17\n");
    ASSERT_TRUE(kernel.create()) << get_error_text();
    for (int ch : {_CH1, _CH2}) ASSERT_EQ(controlZeroCalibration(ch), 1) << ch << ": " << get_error_text();
    short* records[2] = {nullptr, nullptr};
    ASSERT_TRUE(controlAcquire(0, &records[0], &records[1])) << get_error_text();
    for (int c = 0; c < 2; ++c) {
        const int n = controlGetBufferSize();
        double sum = 0;
        for (int i = 0; i < n; ++i) sum += records[c][i];
        EXPECT_NEAR(sum / n, g_control->zeroLevelCode(c + 1), 2.0) << "channel " << c + 1;
    }
}

TEST(ZeroCalibrationDispatch, VersionBelowOneDoesNothingAndOtherChannelsFail) {
    ZeroCalibrationBench bench(_HW4);
    ASSERT_TRUE(bench.created);
    const std::vector<unsigned char> constants = packCalibrationMemory(bench.calibration());
    bench.kernel.bus->clearTransfers();
    for (int ch : {int(_MATH), 0}) EXPECT_EQ(controlZeroCalibration(ch), 0);
    g_control->p_state->d_hardwareVersion = 0;
    EXPECT_EQ(controlZeroCalibration(_CH1), 1);
    EXPECT_TRUE(bench.kernel.bus->transfers().empty());
    EXPECT_EQ(packCalibrationMemory(bench.calibration()), constants);
}

} // namespace
