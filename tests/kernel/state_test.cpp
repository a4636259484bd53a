#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "codes.h"
#include "register.h"
#include "state.h"
#include "units.h"

namespace {

// A record on a generation that allows both record lengths.
State makeState(int mode, bool ets, bool both) {
    State s;
    s.d_hardwareVersion = _HW4;
    s.d_bufferSizeMax = _500K;
    s.setChannelOnOff(_CH1, true);
    s.setChannelOnOff(_CH2, both);
    s.setETSOnOff(ets);
    s.setBufferSizeMode(mode);
    return s;
}

struct RowCase {
    int mode;
    bool ets;
    bool both;
    int code;
    int method;
    int bufferSize;
    int acquireLength;
    double sampleRate;
    int readCount;
    float intensityBase;
    bool interleave;
    double etsStep;
};

// Expected values worked out by hand from the instrument's time-base and method tables.
const RowCase kRows[] = {
    // _10K, ETS, one channel
    {_10K, true, false, 0, 1, 10000, 256, 5e9, 25, 20, false, 50},
    {_10K, true, false, 8, 1, 10000, 1056, 1e9, 10, 1, false, 10},
    {_10K, true, false, 10, 1, 10000, 4064, 2.5e8, 2, 1, false, 2.5},
    {_10K, true, false, 11, 4, 10000, 10048, 1e8, 1, 1, true, 0},
    {_10K, true, false, 16, 4, 10000, 10048, 2.5e6, 1, 1, false, 0},
    {_10K, true, false, 4, 1, 10000, 256, 5e9, 25, 5, false, 50},
    {_10K, true, false, 17, 4, 10000, 10048, 1e6, 1, 1, false, 0},
    {_10K, true, false, 25, 4, 10000, 10048, 2.5e3, 1, 1, false, 0},
    {_10K, true, false, 26, 8, 3000, 64, 300, 1, 1, false, 0},
    {_10K, true, false, 32, 8, 3000, 32, 10, 1, 1, false, 0},
    // _10K, ETS, two channels
    {_10K, true, true, 0, 1, 10000, 256, 5e9, 25, 20, false, 50},
    {_10K, true, true, 7, 1, 10000, 448, 2.5e9, 25, 1, false, 25},
    {_10K, true, true, 10, 1, 10000, 4064, 2.5e8, 2, 1, false, 2.5},
    {_10K, true, true, 11, 4, 5000, 10048, 5e7, 1, 1, false, 0},
    {_10K, true, true, 16, 4, 5000, 10048, 1.25e6, 1, 1, false, 0},
    {_10K, true, true, 17, 4, 5000, 10048, 5e5, 1, 1, false, 0},
    {_10K, true, true, 25, 4, 5000, 10048, 1.25e3, 1, 1, false, 0},
    {_10K, true, true, 26, 8, 3000, 64, 300, 1, 1, false, 0},
    {_10K, true, true, 32, 8, 3000, 32, 10, 1, 1, false, 0},
    // _10K, RIS, one channel
    {_10K, false, false, 0, 3, 10000, 256, 1e8, 1, 1, true, 50},
    {_10K, false, false, 10, 3, 10000, 4064, 1e8, 1, 1, true, 2.5},
    {_10K, false, false, 11, 4, 10000, 10048, 1e8, 1, 1, true, 0},
    {_10K, false, false, 16, 4, 10000, 10048, 2.5e6, 1, 1, false, 0},
    {_10K, false, false, 17, 4, 10000, 10048, 1e6, 1, 1, false, 0},
    {_10K, false, false, 25, 4, 10000, 10048, 2.5e3, 1, 1, false, 0},
    {_10K, false, false, 26, 8, 3000, 64, 300, 1, 1, false, 0},
    {_10K, false, false, 32, 8, 3000, 32, 10, 1, 1, false, 0},
    // _10K, RIS, two channels
    {_10K, false, true, 0, 3, 10000, 256, 5e7, 1, 20, false, 50},
    {_10K, false, true, 10, 3, 10000, 4064, 5e7, 1, 1, false, 2.5},
    {_10K, false, true, 11, 4, 5000, 10048, 5e7, 1, 1, false, 0},
    {_10K, false, true, 16, 4, 5000, 10048, 1.25e6, 1, 1, false, 0},
    {_10K, false, true, 17, 4, 5000, 10048, 5e5, 1, 1, false, 0},
    {_10K, false, true, 25, 4, 5000, 10048, 1.25e3, 1, 1, false, 0},
    {_10K, false, true, 26, 8, 3000, 64, 300, 1, 1, false, 0},
    {_10K, false, true, 32, 8, 3000, 32, 10, 1, 1, false, 0},
    // _500K, ETS, one channel
    {_500K, true, false, 0, 1, 500000, 10064, 5e9, 40, 100, false, 50},
    {_500K, true, false, 10, 1, 500000, 10064, 5e9, 40, 2.5, false, 50},
    {_500K, true, false, 11, 1, 500000, 10064, 5e9, 40, 1, false, 50},
    {_500K, true, false, 14, 1, 500000, 100064, 5e8, 4, 1, false, 5},
    {_500K, true, false, 16, 1, 500000, 400064, 1.25e8, 1, 1, false, 1.25},
    {_500K, true, false, 17, 4, 500000, 500064, 5e7, 1, 1, true, 0},
    {_500K, true, false, 25, 4, 500000, 500064, 1.25e5, 1, 1, false, 0},
    {_500K, true, false, 26, 8, 3000, 64, 300, 1, 1, false, 0},
    {_500K, true, false, 32, 8, 3000, 32, 10, 1, 1, false, 0},
    // _500K, ETS, two channels
    {_500K, true, true, 0, 1, 10000, 448, 0, 0, 224, false, 25},
    {_500K, true, true, 10, 1, 10000, 8064, 0, 0, 4032, false, 1.25},
    {_500K, true, true, 11, 1, 5000, 20032, 0, 0, 10016, false, 0.25},
    {_500K, true, true, 16, 1, 5000, 20032, 0, 0, 10016, false, 0.25},
    {_500K, true, true, 17, 4, 250000, 500064, 2.5e7, 1, 1, false, 0},
    {_500K, true, true, 25, 4, 250000, 500064, 6.25e4, 1, 1, false, 0},
    {_500K, true, true, 26, 8, 3000, 128, 0, 0, 64, false, 0},
    {_500K, true, true, 32, 8, 3000, 64, 0, 0, 32, false, 0},
    // _500K, RIS, one channel
    {_500K, false, false, 0, 3, 10000, 448, 0, 0, 224, true, 25},
    {_500K, false, false, 10, 3, 10000, 8064, 0, 0, 4032, true, 1.25},
    {_500K, false, false, 11, 3, 10000, 20032, 0, 0, 10016, true, 0.5},
    {_500K, false, false, 16, 3, 10000, 20032, 0, 0, 10016, true, 0.5},
    {_500K, false, false, 17, 4, 500000, 500064, 5e7, 1, 1, true, 0},
    {_500K, false, false, 25, 4, 500000, 500064, 1.25e5, 1, 1, false, 0},
    {_500K, false, false, 26, 8, 3000, 64, 300, 1, 1, false, 0},
    {_500K, false, false, 32, 8, 3000, 32, 10, 1, 1, false, 0},
    // _500K, RIS, two channels
    {_500K, false, true, 0, 3, 10000, 448, 0, 0, 224, false, 25},
    {_500K, false, true, 10, 3, 10000, 8064, 0, 0, 4032, false, 1.25},
    {_500K, false, true, 11, 3, 10000, 20032, 0, 0, 10016, false, 0.5},
    {_500K, false, true, 16, 3, 10000, 20032, 0, 0, 10016, false, 0.5},
    {_500K, false, true, 17, 4, 250000, 500064, 2.5e7, 1, 1, false, 0},
    {_500K, false, true, 25, 4, 250000, 500064, 6.25e4, 1, 1, false, 0},
    {_500K, false, true, 26, 8, 3000, 64, 300, 1, 1, false, 0},
    {_500K, false, true, 32, 8, 3000, 32, 10, 1, 1, false, 0},
};

TEST(State, DerivedValuesAtTableBoundaries) {
    for (const RowCase& c : kRows) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + (c.ets ? " ETS" : " RIS") + (c.both ? " two" : " one") +
                     " code " + std::to_string(c.code));
        State s = makeState(c.mode, c.ets, c.both);
        ASSERT_TRUE(s.setTimeDiv(c.code));
        EXPECT_EQ(s.d_acquisitionMode, c.method);
        EXPECT_EQ(s.d_bufferSize, c.bufferSize);
        EXPECT_EQ(s.d_acquireLength, c.acquireLength);
        EXPECT_DOUBLE_EQ(s.d_sampleRate, c.sampleRate);
        EXPECT_EQ(s.d_ETSReadCount, c.readCount);
        EXPECT_FLOAT_EQ(s.d_intensityStep, 50.0f * c.intensityBase);
        EXPECT_EQ(s.d_interleaveOnOff, c.interleave);
        EXPECT_DOUBLE_EQ(s.d_ETSStep, c.etsStep);
    }
}

// Every real-time row at once: the record spans the ten divisions of the screen, and the
// instrument's register bytes divide its 100 MHz clock down to the same sample rate (two
// dividers, byte 1 and bytes 2-3, each plus one; doubled where one channel interleaves both
// converters, bit 3 of byte 0).
TEST(State, RealTimeRecordsSpanTheScreenAtTheRegistersRate) {
    for (int mode : {int(_10K), int(_500K)})
        for (bool both : {false, true})
            for (bool ets : {true, false}) {
                State s = makeState(mode, ets, both);
                const RegisterTimeBaseTable& table = mode == _10K ? (both ? TIME_BASE_10K_B : TIME_BASE_10K_A)
                                                                  : (both ? TIME_BASE_500K_B : TIME_BASE_500K_A);
                for (int code = 0; code <= 25; ++code) {
                    SCOPED_TRACE("mode " + std::to_string(mode) + (both ? " two" : " one") + (ets ? " ETS" : " RIS") +
                                 " code " + std::to_string(code));
                    ASSERT_TRUE(s.setTimeDiv(code));
                    if (s.d_acquisitionMode != _REAL_TIME) continue;
                    EXPECT_NEAR(s.d_bufferSize / s.d_sampleRate, 10 * sec_per_div(code), 1e-9 * sec_per_div(code));
                    // The instrument's own bytes at 400 ms/div with both channels divide otherwise
                    // (625 S/s at 10k points, 61.9 kS/s at 500k).
                    if (both && code == 25) continue;
                    const TimeBaseEntry& e = table[std::size_t(code)];
                    const bool interleaved = (e[0] & 0x08) != 0 && !both;
                    const double rate = 100e6 / (e[1] + 1) / ((e[2] | e[3] << 8) + 1) * (interleaved ? 2 : 1);
                    EXPECT_DOUBLE_EQ(rate, s.d_sampleRate);
                }
            }
}

TEST(State, ModeValuesFollowTheRecordLength) {
    struct Case {
        int mode;
        int recordLength, hardwareBytes, averageMax, etsCodes, barMax, peakMin;
    };
    for (const Case& c : {Case{_10K, 10000, 20096, 128, 11, 5, 14}, Case{_500K, 500000, 1000128, 16, 17, 10, 20}}) {
        State s = makeState(c.mode, true, false);
        EXPECT_EQ(s.d_bufferSizeMode, c.mode);
        EXPECT_EQ(s.d_recordLength, c.recordLength);
        EXPECT_EQ(s.d_bufferSizeHardware, c.hardwareBytes);
        EXPECT_EQ(s.d_averageCountMax, c.averageMax);
        EXPECT_EQ(s.d_numberOfETSTimeDiv, c.etsCodes);
        EXPECT_EQ(s.d_bufferBarTimeDivMax, c.barMax);
        EXPECT_EQ(s.d_peakDetectionMinTimeDiv, c.peakMin);
        for (int code = _1S_DIV; code <= _100S_DIV; ++code) EXPECT_EQ(s.d_acquisitionModeTable[code], _ROLL);
    }
}

TEST(State, RecordLengthIsLimitedByTheGeneration) {
    struct Case {
        int hardware, max, asked, expected;
    };
    for (const Case& c : {Case{_HW2, _500K, _500K, _10K}, Case{_HW4, _10K, _500K, _10K},
                          Case{_HW3, _500K, _500K, _500K}, Case{_HW4, _500K, _10K, _10K}}) {
        State s;
        s.d_hardwareVersion = c.hardware;
        s.d_bufferSizeMax = c.max;
        EXPECT_TRUE(s.setBufferSizeMode(c.asked));
        EXPECT_EQ(s.d_bufferSizeMode, c.expected);
    }
}

TEST(State, TriggerFollowsTheSourceChannel) {
    State s;
    s.d_channel[_CH2].triggerOffset = 123.0;
    s.d_channel[_CH2].triggerSlope = 0;
    ASSERT_TRUE(s.setTriggerSource(_CH2));
    EXPECT_DOUBLE_EQ(s.d_triggerLevel, 123.0);
    EXPECT_EQ(s.d_triggerSlope, 0);

    s.setTriggerLevel(77.0);
    s.setTriggerSlope(1);
    EXPECT_DOUBLE_EQ(s.d_channel[_CH2].triggerOffset, 77.0);
    EXPECT_EQ(s.d_channel[_CH2].triggerSlope, 1);
    EXPECT_DOUBLE_EQ(s.d_channel[_CH1].triggerOffset, 250.0);
}

TEST(State, BufferSizeDependsOnTheChannelsOn) {
    State s;
    s.setChannelOnOff(_CH1, true);
    s.setTimeDiv(15);
    EXPECT_EQ(s.d_bufferSize, 10000);
    s.setChannelOnOff(_CH2, true);
    EXPECT_EQ(s.d_channelsOnOff, _CH1_ON_CH2_ON);
    EXPECT_EQ(s.d_bufferSize, 5000);
    // With no channel on the record size stays for math and reference.
    s.setChannelOnOff(_CH1, false);
    const int lastSize = s.d_bufferSize;
    s.setChannelOnOff(_CH2, false);
    EXPECT_EQ(s.d_channelsOnOff, _CH1_OFF_CH2_OFF);
    EXPECT_EQ(s.d_bufferSize, lastSize);
    EXPECT_EQ(s.d_acquireLength, 0);
    EXPECT_EQ(s.d_intensityStep, 0.0f);
    EXPECT_EQ(s.d_sampleRate, 0.0);
}

TEST(State, IntensityStepScalesTheRowBase) {
    State s = makeState(_10K, true, false);
    s.setTimeDiv(_2NS_DIV);
    s.setIntensityFactor(10.0f);
    EXPECT_FLOAT_EQ(s.d_intensityStep, 200.0f);
    s.setIntensityFactor(10.0f); // not cumulative
    EXPECT_FLOAT_EQ(s.d_intensityStep, 200.0f);
    s.setChannelOnOff(_CH1, false);
    EXPECT_EQ(s.d_intensityStep, 0.0f);
    EXPECT_FLOAT_EQ(s.d_intensityFactor, 10.0f);
}

TEST(State, DelayKeepsAPositionForEachSetting) {
    State s;
    s.setDelayOnOff(false);
    s.setHorizontalPosition(300.0);
    s.setDelayOnOff(true);
    s.setHorizontalPosition(100.0);
    EXPECT_DOUBLE_EQ(s.d_horizontalPositionOn, 100.0);
    s.setDelayOnOff(false);
    EXPECT_DOUBLE_EQ(s.d_horizontalPosition, 300.0);
    s.setDelayOnOff(true);
    EXPECT_DOUBLE_EQ(s.d_horizontalPosition, 100.0);
}

TEST(State, TimeBaseParameter) {
    const std::vector<std::pair<int, int>> cases = {{0, 20},   {18, 20},  {19, 40},  {20, 100}, {21, 100},
                                                    {22, 200}, {23, 250}, {25, 250}, {26, 250}, {32, 250}};
    State s;
    for (const auto& [code, expected] : cases) {
        s.setTimeBaseParameter(code);
        EXPECT_EQ(s.d_timeBaseParameter, expected) << "code " << code;
    }
}

TEST(State, ArgumentsOutsideTheTablesChangeNothing) {
    const std::vector<std::pair<const char*, std::function<bool(State&)>>> calls = {
        {"time/div 33", [](State& s) { return s.setTimeDiv(33); }},
        {"time/div -1", [](State& s) { return s.setTimeDiv(-1); }},
        {"channel 0", [](State& s) { return s.setChannelOnOff(0, true); }},
        {"channel 5", [](State& s) { return s.setChannelOnOff(5, true); }},
        {"trigger source 3", [](State& s) { return s.setTriggerSource(3); }},
        {"record length 5", [](State& s) { return s.setBufferSizeMode(5); }},
    };
    const State before;
    for (const auto& [what, call] : calls) {
        State s;
        EXPECT_FALSE(call(s)) << what;
        EXPECT_EQ(s.d_timeDiv, before.d_timeDiv) << what;
        EXPECT_EQ(s.d_channelsOnOff, before.d_channelsOnOff) << what;
        EXPECT_EQ(s.d_triggerSource, before.d_triggerSource) << what;
        EXPECT_EQ(s.d_bufferSizeMode, before.d_bufferSizeMode) << what;
        EXPECT_EQ(s.d_bufferSize, before.d_bufferSize) << what;
    }
    EXPECT_FALSE(State().isChannelOn(7));
}

TEST(State, MethodPredicates) {
    struct Case {
        int method;
        bool equivalent, real, roll, ris, ets1;
    };
    for (const Case& c : {Case{1, true, false, false, false, true}, Case{2, true, false, false, false, false},
                          Case{3, true, false, false, true, false}, Case{4, false, true, false, false, false},
                          Case{8, false, false, true, false, false}, Case{10, false, false, true, false, false}}) {
        State s;
        s.d_acquisitionMode = c.method;
        EXPECT_EQ(s.isEquivalentTime(), c.equivalent) << c.method;
        EXPECT_EQ(s.isRealTime(), c.real) << c.method;
        EXPECT_EQ(s.isRoll(), c.roll) << c.method;
        EXPECT_EQ(s.isRIS(), c.ris) << c.method;
        EXPECT_EQ(s.isETSMode1(), c.ets1) << c.method;
    }
    State s;
    s.d_runState = _RUN;
    s.d_lineJoinMode = 0;
    EXPECT_TRUE(s.isRunningDots(_CH1));
    EXPECT_FALSE(s.isRunningDots(_REFERENCE));
    s.d_lineJoinMode = 1;
    EXPECT_FALSE(s.isRunningDots(_CH1));
}

struct BarCase {
    const char* what;
    int runState;
    bool delay;
    int timeDiv;
    double position;
    int stopTimeDiv;
    double stopPosition;
    double trigger, markLeft, markRight, width, left;
};

TEST(State, BufferBar) {
    const BarCase cases[] = {
        {"run, whole record", _RUN, false, 20, 250, 0, 0, 0.5, 0, 1, 1, 0},
        {"run, part, delay off", _RUN, false, 3, 100, 0, 0, 0.2, 0.18, 0.28, 1, 0},
        {"run, part, delay on", _RUN, true, 3, 100, 0, 0, 0.47, 0.45, 0.55, 1, 0},
        {"stop, zoomed out", _STOP, false, 14, 300, 11, 200, 0.6, 0, 1, 0.1, 0.56},
        {"stop, zoomed in, delay off", _STOP, false, 11, 300, 14, 200, 0.51, 0.46, 0.56, 1, 0.2},
        {"stop, zoomed in, delay on", _STOP, true, 11, 300, 14, 200, 0.51, 0.45, 0.55, 1, 0.2},
        {"single, fast capture counts as 200 ns", _SINGLE, false, 6, 250, 2, 100, 0.5, 0, 1, 1, 0.3},
    };
    for (const BarCase& c : cases) {
        SCOPED_TRACE(c.what);
        State s;
        s.d_runState = c.runState;
        s.d_delayOnOff = c.delay;
        s.setTimeDiv(c.timeDiv);
        s.d_horizontalPosition = c.position;
        s.d_stopTimeDiv = c.stopTimeDiv;
        s.d_stopHorizontalPosition = c.stopPosition;
        ASSERT_TRUE(s.updateBufferBar());
        EXPECT_NEAR(s.d_bufferBarTrigger, c.trigger, 1e-6);
        EXPECT_NEAR(s.d_bufferBarMarkLeft, c.markLeft, 1e-6);
        EXPECT_NEAR(s.d_bufferBarMarkRight, c.markRight, 1e-6);
        EXPECT_NEAR(s.d_bufferBarWidth, c.width, 1e-9);
        EXPECT_NEAR(s.d_bufferBarLeft, c.left, 1e-9);
    }
    State s;
    s.d_displayWidth = 0;
    EXPECT_FALSE(s.updateBufferBar());
}

TEST(State, CopyCarriesEveryField) {
    int calibrationStandIn = 0;
    State a = makeState(_500K, false, true);
    a.p_calibration = reinterpret_cast<Calibration*>(&calibrationStandIn);
    a.d_fileName = "/some/where/state.ini";
    a.setTimeDiv(20);
    a.d_channel[_REFERENCE].voltageOffset = 12.5;
    const State b = a;
    EXPECT_EQ(b.p_calibration, a.p_calibration);
    EXPECT_EQ(b.d_fileName, a.d_fileName);
    EXPECT_EQ(b.d_bufferSize, 250000);
    EXPECT_EQ(b.d_timeBaseRowsTwoChannels[17].bufferSize, 250000);
    EXPECT_EQ(b.d_acquisitionModeTable[16], _RIS);
    EXPECT_DOUBLE_EQ(b.d_channel[_REFERENCE].voltageOffset, 12.5);
}

TEST(Units, TablesAndTheirEnds) {
    struct Case {
        double value, expected;
    };
    for (const Case& c : {Case{sec_per_div(0), 2e-9}, Case{sec_per_div(11), 1e-5}, Case{sec_per_div(17), 1e-3},
                          Case{sec_per_div(25), 0.4}, Case{sec_per_div(32), 100}, Case{sec_per_div(33), 0},
                          Case{sec_per_div(-1), 0}, Case{volt_per_div(0), 0.005}, Case{volt_per_div(7), 1},
                          Case{volt_per_div(10), 10}, Case{volt_per_div(11), 0}, Case{probe_factor(1), 1},
                          Case{probe_factor(1000), 1000}, Case{probe_factor(5), 0}, Case{probe_factor(0), 0}}) {
        EXPECT_DOUBLE_EQ(c.value, c.expected);
    }
    // 1-2-4 steps: every code is 2 or 2.5 times the one before.
    for (int code = 1; code <= _100S_DIV; ++code) {
        const double r = sec_per_div(code) / sec_per_div(code - 1);
        EXPECT_TRUE(std::abs(r - 2) < 1e-9 || std::abs(r - 2.5) < 1e-9) << code;
    }
}

} // namespace
