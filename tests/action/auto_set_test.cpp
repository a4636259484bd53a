// Auto set: its decision tables, and whole runs on the simulated instrument.
#include "action_fixture.h"
#include "auto_set.h"
#include "measure.h"

#include <cmath>
#include <limits>
#include <utility>

namespace {

TEST(AutoSetTables, VoltDivStagesByTheSwing) {
    struct Case {
        int stage;
        float swing;
        int code; // -1: on to the next stage
    };
    const Case cases[] = {
        {1, 200.0f, 2},     {1, 327.685f, 2}, {1, 327.7f, 3},  {1, 819.1f, 3},  {1, 819.2f, -1}, {1, 0.0f, 1},
        // 819.2f lies just above the double 819.2, as the swing is compared in double.
        {1, 163.84f, 1},    {2, 81.92f, 3},   {2, 81.93f, 4},  {2, 200.0f, 5},  {2, 500.0f, 6},  {2, 900.0f, -1},
        {3, 327.685f, 9},   {3, 327.68f, 8},  {3, 900.0f, 10}, {3, 100.0f, 7},  {3, 1.0f, 6},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AutoSet::voltDivForSwing(c.stage, c.swing), c.code) << "stage " << c.stage << " swing " << c.swing;
}

TEST(AutoSetTables, TimeDivShowsAFewPeriods) {
    struct Case {
        double period;
        int code;
    };
    const Case cases[] = {
        {1e-3, 16},   // x = 0.935 ms: the first threshold above is 1e-3 (400 us/div)
        {0.6, 14},    // x = 0.561 >= 0.5: the fallback
        {0.5, 24},    // x = 0.4675 < 0.5
        {1e-12, 0},   //
        {5e-9 / 0.935, 1}, // exactly on the first threshold: not below it
        {0.0, 14},    {-1e-3, 14}, {std::numeric_limits<double>::quiet_NaN(), 14},
        {std::numeric_limits<double>::infinity(), 14},
    };
    for (const Case& c : cases) EXPECT_EQ(AutoSet::timeDivForPeriod(c.period), c.code) << c.period;
}

TEST(AutoSetTables, StageStartCodesByGeneration) {
    const std::pair<int, int> expected[] = {{2, 4}, {5, 7}, {8, 10}};
    for (int stage = 1; stage <= 3; ++stage) {
        for (int hw : {_HW1, _HW2}) EXPECT_EQ(AutoSet::stageStartCode(hw, stage), expected[stage - 1].first);
        for (int hw : {_HW3, _HW4}) EXPECT_EQ(AutoSet::stageStartCode(hw, stage), expected[stage - 1].second);
    }
}

class AutoSetRun : public ActionTest {
protected:
    AutoSet::Pause noPause() {
        return [this](int ms) {
            pauses.push_back({controlGetVoltageDiv(_CH1), controlGetVoltageDiv(_CH2)});
            EXPECT_EQ(ms, 250);
        };
    }
    std::vector<std::pair<int, int>> pauses; // volt/div of CH1 and CH2 at each settling pause
    MEASURE measure;
};

TEST_F(AutoSetRun, NeitherChannelOnChangesNothing) {
    controlSetChannelOnOff(_CH1, false);
    controlSetChannelOnOff(_CH2, false);
    controlSetTimeDiv(9);
    controlSetInvertOnOff(_CH1, true);
    {
        AutoSet autoSet(&measure, views, noPause());
        EXPECT_FALSE(autoSet.run());
    }
    EXPECT_EQ(controlGetTimeDiv(), 9);
    EXPECT_TRUE(controlGetInvertOnOff(_CH1));
    EXPECT_TRUE(pauses.empty());
}

// A flat record (the instrument's mid-scale signal) has no swing and no period: the finest
// volt/div of stage 1, the trigger level at the trace, the fallback time base.
TEST_F(AutoSetRun, FlatSignalOnOneChannel) {
    controlSetChannelOnOff(_CH1, false);
    controlSetChannelOnOff(_CH2, true);
    controlSetVoltageDiv(_CH2, 8);
    controlSetInvertOnOff(_CH2, true);
    controlSetPeakDetectionOnOff(false);
    {
        AutoSet autoSet(&measure, views, noPause());
        EXPECT_TRUE(autoSet.run());
        EXPECT_FALSE(controlGetInvertOnOff(_CH2)); // switched off while it runs
        EXPECT_TRUE(controlGetPeakDetectionOnOff());
    }
    EXPECT_TRUE(controlGetInvertOnOff(_CH2)); // put back
    EXPECT_FALSE(controlGetPeakDetectionOnOff());
    EXPECT_EQ(controlGetVoltageDiv(_CH2), 1);
    EXPECT_EQ(controlGetTriggerSource(), _CH2);
    EXPECT_EQ(controlGetTimeDiv(), AutoSet::FALLBACK_TIME_DIV);
    EXPECT_DOUBLE_EQ(controlGetVoltageOffset(_CH2), 200.0);
    EXPECT_EQ(controlGetTriggerMode(), _AUTO);
    EXPECT_EQ(controlGetLineJoinMode(), 2);
    // Two pauses for stage 1, one per tried time base (seven).
    EXPECT_EQ(pauses.size(), 2u + 7u);
    ASSERT_NE(views.raw[1], nullptr);
    EXPECT_NE(views.display[1], nullptr);
}

TEST_F(AutoSetRun, BothChannelsSearchTheSourceLastAndSplitTheScreen) {
    controlSetChannelOnOff(_CH1, true);
    controlSetChannelOnOff(_CH2, true);
    controlSetTriggerSource(_CH2);
    controlSetVoltageDiv(_CH1, 8);
    controlSetVoltageDiv(_CH2, 8);
    controlSetInvertOnOff(_CH2, true);
    {
        AutoSet autoSet(&measure, views, noPause());
        EXPECT_TRUE(autoSet.run());
    }
    ASSERT_GE(pauses.size(), 4u);
    EXPECT_EQ(pauses[0], std::make_pair(4, 8)); // channel 1 first, from stage 1's start code
    EXPECT_EQ(pauses[2].second, 4);             // then channel 2
    EXPECT_EQ(controlGetTriggerSource(), _CH2);
    EXPECT_DOUBLE_EQ(controlGetVoltageOffset(_CH1), 300.0);
    EXPECT_DOUBLE_EQ(controlGetVoltageOffset(_CH2), 300.0); // inverted: the lower half once put back
    EXPECT_EQ(controlGetVoltageDiv(_CH1), 2); // code 1 chosen, one step coarser
    EXPECT_EQ(controlGetVoltageDiv(_CH2), 2);
    EXPECT_TRUE(controlGetInvertOnOff(_CH2));
}

// Without any record there is nothing to judge: the volt/div and the time base of before stay.
TEST_F(AutoSetRun, NoCaptureLeavesVoltDivAndTimeBase) {
    controlSetChannelOnOff(_CH1, true);
    controlSetChannelOnOff(_CH2, false);
    controlSetVoltageDiv(_CH1, 6);
    controlSetTimeDiv(18);
    kernel.instrument().setTriggers(false);
    {
        AutoSet autoSet(&measure, views, noPause());
        autoSet.run();
    }
    EXPECT_EQ(controlGetVoltageDiv(_CH1), 6);
    EXPECT_EQ(controlGetTimeDiv(), 18);
    EXPECT_EQ(pauses.size(), 2u + 7u); // one stage, every time base: every loop ends
}

TEST_F(AutoSetRun, WithoutTheMeasurementWindowNoPeriodIsFound) {
    controlSetChannelOnOff(_CH1, true);
    AutoSet autoSet(nullptr, views, noPause());
    EXPECT_EQ(autoSet.measurePeriod(_CH1), 0.0);
    EXPECT_FALSE(autoSet.searchTimeDiv(_CH1));
    EXPECT_EQ(controlGetTimeDiv(), AutoSet::FALLBACK_TIME_DIV);
}

// The action: 500k points go back to 10k, and everything is refreshed afterwards.
TEST_F(AutoSetRun, ActionSwitchesTo10kAndRefreshesEverything) {
    controlSetChannelOnOff(_CH1, false);
    controlSetChannelOnOff(_CH2, false);
    controlSetRunState(_RUN);
    controlSetTimeDiv(20);
    controlSetBufferSizeMode(_500K);
    actionAutoSet();
    EXPECT_EQ(controlGetBufferSizeMode(), _10K);
    EXPECT_EQ(views.caption["BufferSize"], "Buffer Size : 10K");
    EXPECT_EQ(views.calls.back(), "updateAllViews()");
}

} // namespace
