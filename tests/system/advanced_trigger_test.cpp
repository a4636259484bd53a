#include "simulated_kernel.h"

#include "advanced_trigger.h"
#include "thread_flags.h"

#include <gtest/gtest.h>

namespace {

struct ScriptedDialog : AdvancedTriggerDialog {
    AdvancedTriggerResults answer;
    int initCalls = 0, showCalls = 0;
    signed char seedCh1 = -1, seedCh2 = -1;
    std::string path;
    AdvancedTriggerResults showInit(const char* p, int, signed char s1, signed char s2) override {
        ++initCalls;
        path = p;
        seedCh1 = s1;
        seedCh2 = s2;
        return answer;
    }
    AdvancedTriggerResults show(const char* p, int, signed char, signed char) override {
        ++showCalls;
        path = p;
        return answer;
    }
};

class AdvancedTrigger : public ::testing::Test {
protected:
    void SetUp() override {
        dialog = std::make_shared<ScriptedDialog>();
        setAdvancedTriggerDialog(dialog);
    }
    void TearDown() override { setAdvancedTriggerDialog(nullptr); }
    std::shared_ptr<ScriptedDialog> dialog;
};

TEST_F(AdvancedTrigger, SeededFromTheEdgeTriggerThenEdgeResultsKeepItOff) {
    SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\n[TRIGGER]\ntriggerSource=2\n");
    ASSERT_TRUE(k.create()) << get_error_text();
    g_control->p_state->setTriggerSlope(0);
    dialog->answer.r1 = 2;
    dialog->answer.countValue = 7;
    EXPECT_TRUE(controlShowAdvancedTrigger());
    EXPECT_EQ(dialog->initCalls, 1);
    EXPECT_EQ(dialog->seedCh1, 0);
    EXPECT_EQ(dialog->seedCh2, 1);
    EXPECT_EQ(dialog->path, k.mainFile("brisane.ini"));
    EXPECT_EQ(controlGetTriggerSlope(), 1);
    EXPECT_EQ(controlGetTriggerType(), 1);
    EXPECT_EQ(k.instrument().settings().triggerType, 1);
    EXPECT_FALSE(controlGetTriggerAdvanceOnOff());
    EXPECT_EQ(pauseRequestFlag.load(), 0);
}

TEST_F(AdvancedTrigger, CountedKindTurnsItOnAndNextTimeShowsTheKeptSettings) {
    SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\n");
    ASSERT_TRUE(k.create()) << get_error_text();
    dialog->answer.r7 = 1;
    dialog->answer.countValue = 1500;
    controlShowAdvancedTrigger();
    EXPECT_EQ(controlGetTriggerType(), 2);
    EXPECT_EQ(k.instrument().settings().triggerCount, 50);
    EXPECT_TRUE(controlGetTriggerAdvanceOnOff());
    controlShowAdvancedTrigger();
    EXPECT_EQ(dialog->showCalls, 1);
}

} // namespace

namespace {

TEST_F(AdvancedTrigger, SourceOtherThanTheChannelsSeedsNothing) {
    SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\n");
    ASSERT_TRUE(k.create()) << get_error_text();
    g_control->p_state->d_triggerSource = 3;
    dialog->answer.accepted = false;
    controlShowAdvancedTrigger();
    EXPECT_EQ(dialog->seedCh1, 0);
    EXPECT_EQ(dialog->seedCh2, 0);
}

TEST(AdvancedTriggerWithoutDialog, ClosingUnchangedKeepsSlopeFlagAndRegisters) {
    setAdvancedTriggerDialog(nullptr);
    for (bool on : {false, true}) {
        SimulatedKernel k(_HW4, true,
                          std::string("[CHANNEL]\nchannelOnOff1=1\ntriggerSlope1=0\n[TRIGGER]\ntriggerAdvanceOnOff=") +
                              (on ? "1\n" : "0\n"));
        ASSERT_TRUE(k.create()) << get_error_text();
        const InstrumentRegisters before = k.instrument().registers();
        controlShowAdvancedTrigger();
        EXPECT_EQ(controlGetTriggerSlope(), 0) << on;
        EXPECT_EQ(controlGetTriggerAdvanceOnOff(), on);
        EXPECT_EQ(k.instrument().registers().reg, before.reg) << on;
    }
}

} // namespace
