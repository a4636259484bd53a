// Preconditions with their texts and lines, argument checks, and the channel, trigger and
// horizontal actions against the kernel.
#include "action_fixture.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;

std::string assertion(const std::string& expression, int line) {
    return "Assertion failed: " + expression + ", file form\\action, line " + std::to_string(line);
}

using ActionPreconditions = ActionTest;

TEST_F(ActionPreconditions, NameTheExpressionTheUnitAndTheLine) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string anyTrace = "ch_ == _CH1 || ch_ == _CH2 || ch_ == _MATH || ch_ == _REFERENCE";
    EXPECT_DEATH(actions.actionSetVoltDiv(0, 3), HasSubstr(assertion(anyTrace, 288)));
    EXPECT_DEATH(actions.actionSetVoltDiv(_CH1, 11),
                 HasSubstr(assertion("voltDiv_ >= _5MV_DIV && voltDiv_ <= _10V_DIV", 289)));
    EXPECT_DEATH(actions.actionSetVoltDiv(_CH1, -1), HasSubstr("line 289"));
    EXPECT_DEATH(actions.actionSetProbe(5, 1), HasSubstr(assertion(anyTrace, 312)));
    EXPECT_DEATH(actions.actionSetProbe(_CH2, 1001), HasSubstr(assertion("probe_ >= _X1 && probe_ <= _X1000", 313)));
    EXPECT_DEATH(actions.actionSetCoupling(_MATH, 1), HasSubstr(assertion("ch_ == _CH1 || ch_ == _CH2", 330)));
    EXPECT_DEATH(actions.actionSetOffset(_REFERENCE, 400.5),
                 HasSubstr(assertion("offset_ >= 0 && offset_ <= 400", 366)));
    EXPECT_DEATH(actions.actionSetOffset(_CH1, -0.5), HasSubstr("line 366"));
    EXPECT_DEATH(actions.actionSetTimeDiv(33),
                 HasSubstr(assertion("timeDiv_ >= _2NS_DIV && timeDiv_ <= _100S_DIV", 700)));
    EXPECT_DEATH(actions.actionSetTriggerLevel(_MATH, 10), HasSubstr(assertion("ch_ == _CH1 || ch_ == _CH2", 876)));
}

TEST_F(ActionPreconditions, BoundaryValuesPass) {
    actions.actionSetVoltDiv(_REFERENCE, _10V_DIV);
    actions.actionSetVoltDiv(_CH1, _5MV_DIV);
    actions.actionSetProbe(_CH1, _X1000);
    actions.actionSetOffset(_CH2, 0);
    actions.actionSetOffset(_CH2, 400);
    actions.actionSetTimeDiv(_100S_DIV);
    EXPECT_EQ(controlGetVoltageDiv(_CH1), _5MV_DIV);
    EXPECT_EQ(controlGetProbeAttenuation(_CH1), _X1000);
    EXPECT_EQ(controlGetTimeDiv(), _100S_DIV);
}

TEST_F(ActionPreconditions, OutOfRangeCodesWithoutAPreconditionDoNothing) {
    const int persistence = controlGetPersistence();
    actions.actionSetPersistence(17);
    actions.actionSetPersistence(-1);
    actions.actionSelectObject(10);
    actions.actionSelectObject(0);
    actions.actionSetOffset(0, 999); // not a trace: nothing, no precondition
    actions.actionToggleChannel(5);
    EXPECT_FALSE(actions.actionSetChannelOnOff(0, true));
    EXPECT_EQ(controlGetPersistence(), persistence);
    EXPECT_EQ(views.env.selectedObject, 0);
    EXPECT_TRUE(views.calls.empty());
}

using ActionChannels = ActionTest;

TEST_F(ActionChannels, SwitchingTheSourceChannelOffMovesTheTrigger) {
    controlSetChannelOnOff(_CH1, true);
    controlSetChannelOnOff(_CH2, true);
    controlSetTriggerSource(_CH1);
    views.env.selectedObject = _CH1;
    EXPECT_TRUE(actions.actionToggleChannel(_CH1));
    EXPECT_FALSE(controlGetChannelOnOff(_CH1));
    EXPECT_EQ(controlGetTriggerSource(), _CH2);
    EXPECT_EQ(views.env.selectedObject, 0);
    EXPECT_TRUE(views.called("updateModeButtons()"));
    EXPECT_TRUE(views.called("updateAllViews()"));

    // Channel 2 off too: nothing to move to, the source stays.
    actions.actionSetChannelOnOff(_CH2, false);
    EXPECT_EQ(controlGetTriggerSource(), _CH2);
    actions.actionSetChannelOnOff(_CH1, true);
    EXPECT_EQ(controlGetTriggerSource(), _CH1);
}

TEST_F(ActionChannels, OtherSelectionsSurviveASwitch) {
    views.env.selectedObject = 5;
    actions.actionToggleChannel(_MATH);
    EXPECT_EQ(views.env.selectedObject, 5);
    EXPECT_FALSE(views.called("updateModeButtons()"));
}

TEST_F(ActionChannels, InvertMirrorsTheOffsetAndDragsFollowTheMirror) {
    controlSetChannelOnOff(_CH1, true);
    controlSetVoltageOffset(_CH1, 250);
    actions.actionToggleInvert(_CH1);
    EXPECT_TRUE(controlGetInvertOnOff(_CH1));
    EXPECT_DOUBLE_EQ(controlGetVoltageOffset(_CH1), 150);
    EXPECT_TRUE(views.called("updateOffsetMarker(1)"));
    EXPECT_TRUE(views.called("updateInvertView(1)"));

    // A drag to screen row 300 on the inverted channel stores 100.
    views.calls.clear();
    actions.actionSetOffset(_CH1, 300);
    EXPECT_DOUBLE_EQ(controlGetVoltageOffset(_CH1), 100);
    EXPECT_TRUE(views.called("updateOffsetMarker(1)"));
    EXPECT_EQ(views.countOf("updateTriggerLevelMarker(1"), 1);
}

TEST_F(ActionChannels, TriggerLevelOnlyForTheSource) {
    controlSetChannelOnOff(_CH1, true);
    controlSetChannelOnOff(_CH2, true);
    controlSetTriggerSource(_CH2);
    const double level = controlGetTriggerLevel();
    actions.actionSetTriggerLevel(_CH1, 123);
    EXPECT_DOUBLE_EQ(controlGetTriggerLevel(), level);
    controlSetInvertOnOff(_CH2, true);
    actions.actionSetTriggerLevel(_CH2, 123.7);
    EXPECT_NEAR(controlGetTriggerLevel(), 400 - 123.7, 1e-9);
    EXPECT_TRUE(views.called("updateTriggerLevelMarker(2)"));
}

TEST_F(ActionChannels, CouplingProbeAndBandLimitReachTheKernel) {
    actions.actionSetCoupling(_CH2, _GND);
    EXPECT_EQ(controlGetChannelCoupling(_CH2), _GND);
    EXPECT_TRUE(views.called("updateCouplingView(2)"));
    actions.actionSetProbe(_MATH, _X100);
    EXPECT_EQ(controlGetProbeAttenuation(_MATH), _X100);
    EXPECT_TRUE(views.called("updateChannelViews()"));
    const bool band = controlGetBandwidthLimitOnOff(_CH1);
    actions.actionToggleBandLimit(_CH1);
    EXPECT_EQ(controlGetBandwidthLimitOnOff(_CH1), !band);
}

using ActionDisplayClicks = ActionTest;

TEST_F(ActionDisplayClicks, VoltDivAndTimeDivStopAtTheirEnds) {
    struct Case {
        int object, start, button, expected;
    };
    const Case cases[] = {
        {_CH1, 1, 0, 1},                      // left at code 1 keeps 1: clicks never reach code 0
        {_CH1, 0, 0, 1},                      // from code 0 (set elsewhere) a left click gives 1
        {_CH1, 5, 0, 4},                      //
        {_CH1, 10, 1, 10},                    // right at code 10 keeps 10
        {_REFERENCE, 9, 1, 10}, {5, 0, 0, 0}, // time/div: left at 0 keeps 0
        {5, 29, 1, 29},                       // right at 29 keeps 29, the last code offered
        {5, 12, 1, 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "object " << c.object << " start " << c.start);
        views.env.selectedObject = c.object;
        if (c.object == 5)
            controlSetTimeDiv(c.start);
        else
            controlSetVoltageDiv(c.object, c.start);
        actions.actionStepSelectedScale(c.button != 0);
        EXPECT_EQ(c.object == 5 ? controlGetTimeDiv() : controlGetVoltageDiv(c.object), c.expected);
    }
}

TEST_F(ActionDisplayClicks, WheelMovesOffsetsAndPositionWithinTheirBounds) {
    bool handled = false;
    controlSetChannelOnOff(_CH1, true);
    controlSetVoltageOffset(_CH1, 200);
    views.env.selectedObject = _CH1;
    actions.actionWheelUp(true, 0, 0, handled); // not enabled yet
    EXPECT_DOUBLE_EQ(controlGetVoltageOffset(_CH1), 200);

    views.env.wheelEnabled = true;
    actions.actionWheelUp(true, 0, 0, handled);
    EXPECT_DOUBLE_EQ(controlGetVoltageOffset(_CH1), 201);
    actions.actionWheelDown(false, 0, 0, handled);
    EXPECT_DOUBLE_EQ(controlGetVoltageOffset(_CH1), 196);

    // Inverted: the stored offset goes down, the marker on screen up.
    controlSetInvertOnOff(_CH1, true);
    actions.actionWheelUp(true, 0, 0, handled);
    EXPECT_DOUBLE_EQ(controlGetVoltageOffset(_CH1), 195);

    controlSetVoltageOffset(_MATH, 398);
    views.env.selectedObject = _MATH;
    actions.actionWheelUp(false, 0, 0, handled);
    EXPECT_DOUBLE_EQ(controlGetVoltageOffset(_MATH), 400);

    views.env.selectedObject = 5;
    controlSetHorizontalPosition(3);
    actions.actionWheelUp(false, 0, 0, handled);
    EXPECT_DOUBLE_EQ(controlGetHorizontalPosition(), 0);
    actions.actionWheelDown(false, 0, 0, handled);
    EXPECT_DOUBLE_EQ(controlGetHorizontalPosition(), 5);
}

using ActionScrolling = ActionTest;

TEST_F(ActionScrolling, StopsAtTheLimitsOfTheRunState) {
    struct Case {
        int state;
        bool delay, right;
        double start, expected;
    };
    const Case cases[] = {
        {_RUN, false, true, 450, 500}, {_RUN, false, false, 100, 0},       {_RUN, true, false, -4400, -4500},
        {_RUN, false, true, 100, 225}, {_STOP, false, true, 32700, 32767}, {_STOP, true, false, -32700, -32768},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.state << " " << c.delay << " " << c.right << " " << c.start);
        controlSetRunState(_RUN);
        controlSetDelayOnOff(c.delay);
        controlSetRunState(c.state);
        controlSetHorizontalPosition(c.start);
        c.right ? actions.actionScrollRight() : actions.actionScrollLeft();
        EXPECT_DOUBLE_EQ(controlGetHorizontalPosition(), c.expected);
    }
}

} // namespace
