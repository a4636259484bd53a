// Run/stop and single shot with the saved trigger mode, the 500k range and the buffer size.
#include "action_fixture.h"

namespace {

using ActionRunState = ActionTest;

TEST_F(ActionRunState, RunStopSavesTheTriggerModeAndPutsItBack) {
    controlSetRunState(_RUN);
    controlSetTriggerMode(_AUTO);
    actions.actionRunStop();
    EXPECT_EQ(controlGetRunState(), _STOP);
    EXPECT_EQ(views.env.savedTriggerMode, _AUTO);
    EXPECT_TRUE(views.called("updateRunStateViews()"));

    controlSetTriggerMode(_NORMAL); // as a single shot leaves it
    views.calls.clear();
    actions.actionRunStop();
    EXPECT_EQ(controlGetRunState(), _RUN);
    EXPECT_EQ(controlGetTriggerMode(), _AUTO);
    EXPECT_TRUE(views.called("updateRunStateViews()"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ActionRunState, RunStopInSingleShotStaysThere) {
    controlSetRunState(_SINGLE);
    actions.actionRunStop();
    EXPECT_EQ(controlGetRunState(), _SINGLE);
}

TEST_F(ActionRunState, SingleShotRoundTripKeepsTheUsersTriggerMode) {
    controlSetRunState(_RUN);
    controlSetTriggerMode(_AUTO);
    actions.actionSingleShot();
    EXPECT_EQ(controlGetRunState(), _SINGLE);
    EXPECT_EQ(views.env.savedTriggerMode, _AUTO);
    EXPECT_EQ(controlGetTriggerMode(), _NORMAL);
    EXPECT_TRUE(views.called("updateRunStateViews()"));

    actions.actionSingleShot();
    EXPECT_EQ(controlGetRunState(), _RUN);
    EXPECT_EQ(controlGetTriggerMode(), _AUTO);
}

// A triggered single shot leaves the kernel stopped in NORMAL; a second single shot from there
// must not take that NORMAL for the user's mode.
TEST_F(ActionRunState, SecondSingleShotAfterATriggeredOneKeepsTheSavedMode) {
    controlSetRunState(_RUN);
    controlSetTriggerMode(_AUTO);
    actions.actionSingleShot();
    controlSetRunState(_STOP); // what the triggered capture does
    ASSERT_EQ(controlGetTriggerMode(), _NORMAL);
    actions.actionSingleShot();
    EXPECT_EQ(views.env.savedTriggerMode, _AUTO);
    actions.actionSingleShot();
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
        actions.actionRunStop();
        EXPECT_EQ(controlGetRunState(), _RUN);
        EXPECT_EQ(controlGetTimeDiv(), c.expected);
        if (c.message) {
            EXPECT_EQ(messages, std::vector<std::string>{k500kRangeMessage});
            EXPECT_TRUE(views.called("updateTimeDivView()"));
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
    actions.actionSetTimeDiv(3);
    EXPECT_EQ(controlGetTimeDiv(), 17);
    EXPECT_EQ(messages, std::vector<std::string>{k500kRangeMessage});
    EXPECT_EQ(views.countOf("updateTimeDivView"), 1);
    EXPECT_EQ(abortReadFlag.load(), 0);

    // Stopped, the request goes through untouched.
    controlSetRunState(_STOP);
    messages.clear();
    actions.actionSetTimeDiv(22);
    EXPECT_EQ(controlGetTimeDiv(), 22);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ActionRunState, BufferSize500kIsRefusedForTheSpectrumAndTheXYPlot) {
    controlSetRunState(_RUN);
    controlSetTimeDiv(20);
    views.fftVisible = true;
    actions.actionSetBufferSize(_500K);
    EXPECT_EQ(controlGetBufferSizeMode(), _10K);
    EXPECT_EQ(messages, std::vector<std::string>{kFftTenKMessage});

    views.fftVisible = false;
    controlSetXYPlotOnOff(true);
    messages.clear();
    actions.actionSetBufferSize(_500K);
    EXPECT_EQ(controlGetBufferSizeMode(), _10K);
    EXPECT_EQ(messages, std::vector<std::string>{kXYPlotTenKMessage});

    // Asking for 10k (the spectrum's and the calibration's request) says nothing.
    messages.clear();
    views.fftVisible = true;
    actions.actionToggleFft();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(views.called("toggleFftWindow()"));
}

TEST_F(ActionRunState, BufferSize500kResetsAnAverageAboveItsMaximum) {
    controlSetRunState(_RUN);
    controlSetTimeDiv(12);
    controlSetChannelOnOff(_CH1, true);
    controlSetNumberOfAverage(64);
    ASSERT_EQ(controlGetNumberOfAverage(), 64);
    actions.actionSetBufferSize(_500K);
    EXPECT_EQ(controlGetBufferSizeMode(), _500K);
    EXPECT_EQ(controlGetTimeDiv(), 17);
    EXPECT_EQ(messages, (std::vector<std::string>{k500kRangeMessage, kAverageResetMessage}));
    EXPECT_EQ(controlGetNumberOfAverage(), 1);
    EXPECT_TRUE(views.called("updateAverageView()"));
    EXPECT_TRUE(views.called("updateBufferSizeView()"));
}

TEST_F(ActionRunState, UnknownBufferModeChangesNothing) {
    actions.actionSetBufferSize(5);
    EXPECT_EQ(controlGetBufferSizeMode(), _10K);
    EXPECT_TRUE(views.calls.empty());
}

} // namespace
