#include "control_enables.h"

#include "codes.h"

#include <gtest/gtest.h>

namespace {

// Each row changes one input from a running fourth-generation instrument with CH1 on, CH2 off,
// an edge trigger on CH1 and a time base that allows ETS and peak detection.
TEST(ControlEnables, EachRuleFollowsItsInputs) {
    struct Expected {
        bool coupling1, coupling2, bandLimit1, radio1, marker1, marker2, slope, at, reject, ets, peak, autoSet,
            bufferSize, etsCalibration;
    };
    struct Case {
        const char* what;
        void (*change)(EnableInputs&);
        Expected e;
    } cases[] = {
        {"running", [](EnableInputs&) {}, {1, 0, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 0}},
        {"stopped", [](EnableInputs& in) { in.runState = _STOP; }, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}},
        {"single shot", [](EnableInputs& in) { in.runState = _SINGLE; }, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}},
        {"advanced trigger",
         [](EnableInputs& in) { in.advancedTrigger = true; },
         {1, 0, 1, 0, 1, 0, 0, 1, 1, 1, 1, 1, 1, 0}},
        {"source CH2", [](EnableInputs& in) { in.triggerSource = 2; }, {1, 0, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0}},
        {"first generation",
         [](EnableInputs& in) { in.hardwareVersion = _HW1; },
         {1, 0, 0, 1, 1, 0, 1, 1, 0, 1, 0, 1, 0, 1}},
        {"past ETS", [](EnableInputs& in) { in.timeDiv = 11; }, {1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 0}},
        {"below peak detection", [](EnableInputs& in) { in.timeDiv = 2; }, {1, 0, 1, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1, 0}},
        {"past peak detection", [](EnableInputs& in) { in.timeDiv = 26; }, {1, 0, 1, 1, 1, 0, 1, 1, 1, 0, 0, 1, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EnableInputs in;
        in.runState = _RUN;
        in.traceOn = {true, false, false, false};
        in.hardwareVersion = _HW4;
        in.triggerSource = 1;
        in.timeDiv = 5;
        in.peakDetectionMinTimeDiv = 3;
        c.change(in);
        const ControlEnables got = controlEnables(in);
        const Expected& e = c.e;
        EXPECT_EQ(got.coupling[0], e.coupling1);
        EXPECT_EQ(got.invert[0], e.coupling1);
        EXPECT_EQ(got.coupling[1], e.coupling2);
        EXPECT_EQ(got.bandLimit[0], e.bandLimit1);
        EXPECT_FALSE(got.bandLimit[1]);
        EXPECT_EQ(got.triggerRadio[0], e.radio1);
        EXPECT_FALSE(got.triggerRadio[1]);
        EXPECT_EQ(got.triggerLevelMarker[0], e.marker1);
        EXPECT_EQ(got.triggerLevelMarker[1], e.marker2);
        EXPECT_EQ(got.triggerSlope, e.slope);
        EXPECT_EQ(got.triggerMode, e.slope);
        EXPECT_EQ(got.advancedTrigger, e.at);
        EXPECT_EQ(got.highFrequencyReject, e.reject);
        EXPECT_EQ(got.ets, e.ets);
        EXPECT_EQ(got.peakDetection, e.peak);
        EXPECT_EQ(got.autoSet, e.autoSet);
        EXPECT_EQ(got.traceOnOff[3], e.autoSet);
        EXPECT_EQ(got.bufferSize, e.bufferSize);
        EXPECT_EQ(got.etsCalibration, e.etsCalibration);
        // A trace's own settings follow only whether it is on.
        EXPECT_EQ(got.traceSettings, (std::array<bool, 4>{true, false, false, false}));
        EXPECT_EQ(got.measureRadio, (std::array<bool, 2>{true, false}));
    }
}

TEST(ControlEnables, StoppedShowsTheModeRunPutsBack) {
    EXPECT_EQ(shownTriggerMode(_STOP, _NORMAL, _AUTO), _AUTO);
    EXPECT_EQ(shownTriggerMode(_SINGLE, _NORMAL, _AUTO), _NORMAL);
    EXPECT_EQ(shownTriggerMode(_RUN, _NORMAL, _AUTO), _NORMAL);
}

} // namespace
