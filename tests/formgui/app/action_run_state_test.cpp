// Run/stop and single shot with the saved trigger mode, the 500k range and the buffer size.
#include "action_fixture.h"

namespace {

using ActionRunState = ActionTest;

TEST_F(ActionRunState, RunStopSavesTheTriggerModeAndPutsItBack) {
    controlSetRunState(_RUN);
    controlSetTriggerMode(_AUTO);
    actionRunStop();
    EXPECT_EQ(controlGetRunState(), _STOP);
    EXPECT_EQ(views.env.savedTriggerMode, _AUTO);
    EXPECT_EQ(views.image["ActionAcquireRunStop"], 3);

    controlSetTriggerMode(_NORMAL); // as a single shot leaves it
    views.calls.clear();
    actionRunStop();
    EXPECT_EQ(controlGetRunState(), _RUN);
    EXPECT_EQ(controlGetTriggerMode(), _AUTO);
    EXPECT_TRUE(views.called("updateTriggerModeView(0)"));
    EXPECT_EQ(views.image["ActionAcquireRunStop"], 2);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ActionRunState, RunStopInSingleShotStaysThere) {
    controlSetRunState(_SINGLE);
    actionRunStop();
    EXPECT_EQ(controlGetRunState(), _SINGLE);
    EXPECT_FALSE(views.enabled["ActionAcquireAutoSet"]);
}

TEST_F(ActionRunState, SingleShotRoundTripKeepsTheUsersTriggerMode) {
    controlSetRunState(_RUN);
    controlSetTriggerMode(_AUTO);
    actionSingleShot();
    EXPECT_EQ(controlGetRunState(), _SINGLE);
    EXPECT_EQ(views.env.savedTriggerMode, _AUTO);
    EXPECT_TRUE(views.down["tbSingleShot"]);
    EXPECT_EQ(views.image["ActionAcquireSingleShot"], 4);
    EXPECT_TRUE(views.called("updateTriggerModeView(1)"));

    actionSingleShot();
    EXPECT_EQ(controlGetRunState(), _RUN);
    EXPECT_EQ(controlGetTriggerMode(), _AUTO);
    EXPECT_FALSE(views.down["tbSingleShot"]);
}

// A triggered single shot leaves the kernel stopped in NORMAL; a second single shot from there
// must not take that NORMAL for the user's mode.
TEST_F(ActionRunState, SecondSingleShotAfterATriggeredOneKeepsTheSavedMode) {
    controlSetRunState(_RUN);
    controlSetTriggerMode(_AUTO);
    actionSingleShot();
    controlSetRunState(_STOP); // what the triggered capture does
    ASSERT_EQ(controlGetTriggerMode(), _NORMAL);
    actionSingleShot();
    EXPECT_EQ(views.env.savedTriggerMode, _AUTO);
    actionSingleShot();
    EXPECT_EQ(controlGetRunState(), _RUN);
    EXPECT_EQ(controlGetTriggerMode(), _AUTO);
}

TEST_F(ActionRunState, RunFromStopIn500kBringsTheTimeBaseIntoRange) {
    struct Case {
        int timeDiv, expected;
        bool message;
    };
    for (const Case c : {Case{12, 17, true}, Case{20, 20, false}, Case{29, 25, true}}) {
        SCOPED_TRACE(c.timeDiv);
        controlSetRunState(_RUN);
        controlSetBufferSizeMode(_10K);
        controlSetTimeDiv(c.timeDiv);
        controlSetRunState(_STOP);
        controlSetBufferSizeMode(_500K);
        messages.clear();
        views.calls.clear();
        actionRunStop();
        EXPECT_EQ(controlGetRunState(), _RUN);
        EXPECT_EQ(controlGetTimeDiv(), c.expected);
        if (c.message) {
            EXPECT_EQ(messages, std::vector<std::string>{k500kRangeMessage});
            EXPECT_TRUE(views.called("updateTimeDivView(" + std::to_string(c.expected) + ")"));
        } else {
            EXPECT_TRUE(messages.empty());
        }
        EXPECT_EQ(views.countOf("updateHorizontalPositionMarker"), 1);
    }
}

TEST_F(ActionRunState, TimeDivRequestIn500kIsClampedOnceInsideTheWait) {
    controlSetRunState(_RUN);
    controlSetTimeDiv(20);
    controlSetBufferSizeMode(_500K);
    actionSetTimeDiv(3);
    EXPECT_EQ(controlGetTimeDiv(), 17);
    EXPECT_EQ(messages, std::vector<std::string>{k500kRangeMessage});
    EXPECT_EQ(views.countOf("updateTimeDivView"), 1);
    EXPECT_EQ(abortReadFlag.load(), 0);

    // Stopped, the request goes through untouched.
    controlSetRunState(_STOP);
    messages.clear();
    actionSetTimeDiv(22);
    EXPECT_EQ(controlGetTimeDiv(), 22);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ActionRunState, BufferSize500kIsRefusedForTheSpectrumAndTheXYPlot) {
    controlSetRunState(_RUN);
    controlSetTimeDiv(20);
    views.fftVisible = true;
    actionSetBufferSize(_500K);
    EXPECT_EQ(controlGetBufferSizeMode(), _10K);
    EXPECT_EQ(messages, std::vector<std::string>{kFftTenKMessage});

    views.fftVisible = false;
    controlSetXYPlotOnOff(true);
    messages.clear();
    actionSetBufferSize(_500K);
    EXPECT_EQ(controlGetBufferSizeMode(), _10K);
    EXPECT_EQ(messages, std::vector<std::string>{kXYPlotTenKMessage});

    // Asking for 10k (the spectrum's and the calibration's request) says nothing.
    messages.clear();
    views.fftVisible = true;
    actionToggleFft();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(views.called("toggleFftWindow()"));
}

TEST_F(ActionRunState, BufferSize500kResetsAnAverageAboveItsMaximum) {
    controlSetRunState(_RUN);
    controlSetTimeDiv(12);
    controlSetChannelOnOff(_CH1, true);
    controlSetNumberOfAverage(64);
    ASSERT_EQ(controlGetNumberOfAverage(), 64);
    actionSetBufferSize(_500K);
    EXPECT_EQ(controlGetBufferSizeMode(), _500K);
    EXPECT_EQ(controlGetTimeDiv(), 17);
    EXPECT_EQ(messages, (std::vector<std::string>{k500kRangeMessage, kAverageResetMessage}));
    EXPECT_EQ(controlGetNumberOfAverage(), 1);
    EXPECT_EQ(views.caption["ActionAcquireAverage"], "Average : 1");
    EXPECT_TRUE(views.checked["Buffer500K"]);
    EXPECT_FALSE(views.checked["Buffer10K"]);
    EXPECT_EQ(views.caption["BufferSize"], "Buffer Size : 500K");
}

TEST_F(ActionRunState, UnknownBufferModeChangesNothing) {
    actionSetBufferSize(5);
    EXPECT_EQ(controlGetBufferSizeMode(), _10K);
    EXPECT_TRUE(views.calls.empty());
}

TEST_F(ActionRunState, RunControlsFollowTheChannelsAndTheTriggerSource) {
    controlSetChannelOnOff(_CH1, true);
    controlSetChannelOnOff(_CH2, false);
    controlSetTriggerSource(_CH1);
    updateRunStopControls(_STOP);
    for (const char* name : {"ActionChannel1ADC", "ActionChannel2ADC", "rbTriggerCh1", "rbTriggerCh2",
                             "ActionAcquireAutoSet", "ActionTriggerAT", "ActionAcquriePeakDetection"})
        EXPECT_FALSE(views.enabled[name]) << name;
    EXPECT_FALSE(views.visible["iTriggerLevelCh1"]);

    views.enabled.clear();
    views.visible.clear();
    updateRunStopControls(_RUN);
    EXPECT_TRUE(views.enabled["ActionChannel1ADC"]);
    EXPECT_TRUE(views.enabled["ActionChannel1BandLimit"]); // _HW4
    EXPECT_EQ(views.enabled.count("ActionChannel2ADC"), 0u); // off: left as it was
    EXPECT_TRUE(views.visible["iTriggerLevelCh1"]);
    EXPECT_EQ(views.visible.count("iTriggerLevelCh2"), 0u);
    EXPECT_TRUE(views.enabled["ActionTriggerHighFrequencyReject"]);
    EXPECT_TRUE(views.called("updateBufferOverview()"));
}

TEST_F(ActionRunState, EtsAndPeakDetectionViewsFollowTheTimeBase) {
    struct Case {
        int timeDiv, state;
        bool ets;
    };
    for (const Case c : {Case{10, _RUN, true}, Case{11, _RUN, false}, Case{5, _STOP, false}}) {
        controlSetRunState(_RUN);
        controlSetTimeDiv(c.timeDiv);
        controlSetRunState(c.state);
        updateEtsView(true);
        EXPECT_EQ(views.enabled["ActionAcquireETS"], c.ets) << c.timeDiv;
    }
    EXPECT_EQ(views.caption["ActionAcquireETS"], "ETS On");
    updatePeakDetectionView(false);
    EXPECT_EQ(views.caption["ActionAcquriePeakDetection"], "Peak Detecion Off");
    EXPECT_EQ(views.image["ActionAcquriePeakDetection"], 8);
    controlSetRunState(_RUN);
    controlSetTimeDiv(26);
    updatePeakDetectionView(true);
    EXPECT_FALSE(views.enabled["ActionAcquriePeakDetection"]);
}

class ActionOlderHardware : public ActionTest {
protected:
    ActionOlderHardware() : ActionTest(_HW1) {}
};

TEST_F(ActionOlderHardware, BufferSizeControlsAreDisabledAndVoltDivResetsTheAcquisition) {
    updateBufferSizeView(_10K);
    EXPECT_FALSE(views.enabled["ActionAcquireBufferSizeChange"]);
    EXPECT_FALSE(views.enabled["BufferSize"]);
    EXPECT_EQ(views.checked.count("Buffer10K"), 0u);
    updatePeakDetectionView(false);
    EXPECT_FALSE(views.enabled["ActionAcquriePeakDetection"]);
}

} // namespace
