#include "apply_state_steps.h"
#include "units.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Records every setter call; a chosen call fails. Setters that re-derive State values do so
// the way the kernel does, so the test sees values read at the moment of each call.
struct RecordingTarget {
    State s;
    std::vector<std::string> calls;
    std::string failOn;
    bool failureIsGone = false; // the failing call is the instrument leaving the bus
    bool forGood = false;       // ... or the first of calls that all fail
    bool silent = false;        // ... or a write that timed out twice: the instrument is not answering
    bool gone = false;
    bool failing = false;

    const State& state() const { return s; }
    bool instrumentGone() const { return gone; }
    bool stoppedAnswering() const { return silent && failing; }
    bool rec(const std::string& c) {
        calls.push_back(c);
        if (c == failOn && failureIsGone) gone = true;
        if (c == failOn && (forGood || silent)) failing = true;
        return c != failOn && !gone && !failing;
    }
    bool setTriggerSource(int v) { return rec("triggerSource " + std::to_string(v)); }
    bool setTriggerMode(int v) { return rec("triggerMode " + std::to_string(v)); }
    bool setTriggerSlope(int v) { return rec("triggerSlope " + std::to_string(v)); }
    bool setTriggerLevel(double v) { return rec("triggerLevel " + std::to_string(int(v))); }
    bool setXYPlotOnOff(bool v) { return rec("xy " + std::to_string(v)); }
    bool setTriggerHighFrequencyRejectOnOff(bool v) { return rec("hfReject " + std::to_string(v)); }
    bool setDelayOnOff(bool v) {
        s.d_delayOnOff = v;
        return rec("delay " + std::to_string(v));
    }
    bool setBufferSizeMode(int v) { return rec("bufferSizeMode " + std::to_string(v)); }
    // With the delay on a time-base change rescales the position about the centre and clamps
    // it, as the kernel does.
    bool setTimeDiv(int v) {
        if (s.d_delayOnOff) {
            const double x = (s.d_horizontalPosition - 250) * sec_per_div(s.d_timeDiv) / sec_per_div(v) + 250;
            s.d_horizontalPosition = std::clamp(x, -4500.0, 500.0);
        }
        s.d_timeDiv = v;
        return rec("timeDiv " + std::to_string(v));
    }
    bool setHorizontalPosition(double v) {
        s.d_horizontalPosition = v;
        return rec("position " + std::to_string(v));
    }
    bool setPeakDetectionOnOff(bool v) { return rec("peak " + std::to_string(v)); }
    bool setNumberOfAverage(int v) { return rec("average " + std::to_string(v)); }
    bool setChannelOnOff(int ch, bool on) { return rec("on " + std::to_string(ch) + " " + std::to_string(on)); }
    bool setChannelCoupling(int ch, int v) { return rec("coupling " + std::to_string(ch) + " " + std::to_string(v)); }
    bool setVoltageDiv(int ch, int v) { return rec("voltDiv " + std::to_string(ch) + " " + std::to_string(v)); }
    bool setVoltageOffset(int ch, double v) {
        return rec("offset " + std::to_string(ch) + " " + std::to_string(int(v)));
    }
    bool setBandwidthLimitOnOff(int ch, bool v) {
        return rec("bwLimit " + std::to_string(ch) + " " + std::to_string(v));
    }
    bool setETSOnOff(bool v) { return rec("ets " + std::to_string(v)); }
};

RecordingTarget makeTarget() {
    RecordingTarget t;
    State& s = t.s;
    s.d_triggerSource = 2;
    s.d_triggerMode = 1;
    s.d_triggerSlope = 1;
    s.d_triggerLevel = 210;
    s.d_bufferSizeMode = _10K;
    s.d_timeDiv = 17;
    s.d_horizontalPosition = 250.7;
    s.d_averageCount = 4;
    s.d_ETSOnOff = true;
    s.d_channel[_CH1].channelOnOff = true;
    s.d_channel[_CH1].channelCoupling = _DC;
    s.d_channel[_CH1].voltageDiv = 7;
    s.d_channel[_CH1].voltageOffset = 250;
    s.d_channel[_CH2].channelOnOff = false;
    s.d_channel[_MATH].channelOnOff = true;
    s.d_channel[_MATH].channelCoupling = _DC;
    s.d_channel[_MATH].voltageDiv = 8;
    s.d_channel[_MATH].voltageOffset = 100;
    s.d_channel[_REFERENCE].channelOnOff = false;
    return t;
}

TEST(ApplyStateSteps, RunsTheSettersInTheFixedOrder) {
    RecordingTarget t = makeTarget();
    ASSERT_TRUE(applyStateSteps(t));
    const std::vector<std::string> expected = {
        "triggerSource 2", "triggerMode 1", "triggerSlope 1", "triggerLevel 210", "xy 0", "hfReject 0", "delay 0",
        "bufferSizeMode 3", "timeDiv 17", "position 250.700000", "peak 0", "average 4",
        // channel 1 on: coupling, volt/div, offset, then the bandwidth limit
        "on 1 1", "coupling 1 1", "voltDiv 1 7", "offset 1 250", "bwLimit 1 0",
        // channel 2 off: no coupling, volt/div or offset, but the bandwidth limit
        "on 2 0", "bwLimit 2 0",
        // reference before math; reference off gets only its switch
        "on 4 0", "on 3 1", "coupling 3 1", "voltDiv 3 8", "offset 3 100", "ets 1", "peak 0", "xy 0", "timeDiv 11",
        "timeDiv 17", "position 0.000000", "position 250.000000"};
    EXPECT_EQ(t.calls, expected);
    EXPECT_DOUBLE_EQ(t.s.d_horizontalPosition, 250.0);
}

// The second pass through the time base moves a delayed position (to 202 here); the saved one
// is applied all the same.
TEST(ApplyStateSteps, TheDelayedPositionIsAppliedAsSaved) {
    RecordingTarget t = makeTarget();
    t.s.d_delayOnOff = true;
    t.s.d_horizontalPosition = 100;
    ASSERT_TRUE(applyStateSteps(t));
    EXPECT_EQ(t.calls.back(), "position 100.000000");
    EXPECT_DOUBLE_EQ(t.s.d_horizontalPosition, 100.0);
}

// A failed write is reported by its setter and the apply goes on; only an instrument that
// is gone, does not answer, or fails two setters in a row, ends it.
TEST(ApplyStateSteps, GoesOnAfterAFailedSetterAndStopsOnlyWhenTheInstrumentStoppedAnswering) {
    struct Case {
        std::string failOn;
        bool gone;
        bool result;
        size_t callsMade;
        bool forGood = false;
        bool silent = false;
    };
    const Case cases[] = {
        {"triggerSource 2", false, true, 31},
        {"triggerMode 1", false, true, 31},
        {"delay 0", false, true, 31},
        {"timeDiv 17", false, true, 31},
        {"offset 1 250", false, true, 31},
        {"on 4 0", false, true, 31},
        {"timeDiv 11", false, true, 31},
        {"position 250.000000", false, true, 31},
        {"triggerSource 2", true, false, 1},
        {"timeDiv 17", true, false, 9},
        {"coupling 1 1", true, false, 14},
        {"on 3 1", true, false, 21},
        {"position 250.000000", true, false, 31},
        {"triggerSource 2", false, false, 2, true},
        {"voltDiv 1 7", false, false, 16, true},
        {"position 250.000000", false, true, 31, true},
        {"timeDiv 17", false, false, 9, false, true},
        {"coupling 1 1", false, false, 14, false, true},
    };
    for (const Case& c : cases) {
        RecordingTarget t = makeTarget();
        t.failOn = c.failOn;
        t.failureIsGone = c.gone;
        t.forGood = c.forGood;
        t.silent = c.silent;
        EXPECT_EQ(applyStateSteps(t), c.result) << c.failOn;
        EXPECT_EQ(t.calls.size(), c.callsMade) << c.failOn;
    }
}

} // namespace
