// GUI actions against a worker that does not leave its cycle (a capture that hangs): none may
// touch what the cycle uses meanwhile, and none may freeze the GUI. A change is held and made
// when the cycle ends; a read is refused. The user is told either way.
#include "live_main_window.h"

#include "action.h"
#include "environment.h"
#include "modal_answer.h"
#include "queued_run_state_view.h"
#include "simulated_clock.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>
#include <functional>

namespace {

class StuckWorker : public LiveMainWindowTest {
protected:
    void SetUp() override {
        LiveMainWindowTest::SetUp();
        if (HasFatalFailure()) return;
        // The files the refused reads would load.
        ASSERT_TRUE(actions().actionSaveReference(_CH1));
        ASSERT_TRUE(actions().actionSaveState());
        stopAcquisitionThread();
        setAcquisitionCycle([this] {
            inCycle = true;
            while (gateClosed) std::this_thread::sleep_for(std::chrono::microseconds(50));
            inCycle = false;
        });
        gateClosed = true;
        ASSERT_TRUE(startAcquisitionThread());
        ASSERT_TRUE(pumpUntil([&] { return inCycle.load(); }));
        setPauseClock(&clock);
        kernel.notifier->clear();
    }
    void TearDown() override {
        gateClosed = false;
        setPauseClock(nullptr);
        LiveMainWindowTest::TearDown();
    }

    int told(const char* text) const {
        int n = 0;
        for (const std::string& m : kernel.notifier->messages()) n += m == text;
        return n;
    }

    SimulatedClock clock; // the 5 s waits cost no real time
    std::atomic<bool> inCycle{false};
    std::atomic<bool> gateClosed{false};
};

// Each row: the action, and what it changes (as text) read back after the cycle ends.
struct HeldRow {
    const char* name;
    std::function<void()> act;
    std::function<std::string(Environment&)> value;
};

TEST_F(StuckWorker, ChangesAreHeldUntilTheCycleEnds) {
    const std::vector<HeldRow> rows = {
        {"probe", [this] { actions().actionSetProbe(_CH1, _X10); },
         [](Environment&) { return std::to_string(controlGetProbeAttenuation(_CH1)); }},
        {"band limit", [this] { actions().actionSetBandLimit(_CH2, true); },
         [](Environment&) { return std::to_string(controlGetBandwidthLimitOnOff(_CH2)); }},
        {"line join", [this] { actions().actionToggleLineJoin(); },
         [](Environment&) { return std::to_string(controlGetLineJoinMode()); }},
        {"intensity", [this] { actions().actionSetIntensity(37); },
         [](Environment&) { return std::to_string(int(controlGetIntensityFactor())); }},
        {"persistence", [this] { actions().actionSetPersistence(14); },
         [](Environment&) { return std::to_string(controlGetPersistence()); }},
        {"volt/div", [this] { actions().actionSetVoltDiv(_CH1, 3); },
         [](Environment&) { return std::to_string(controlGetVoltageDiv(_CH1)); }},
        {"up/low levels",
         [this] {
             answerNextModalDialog([](QDialog& d) {
                 d.findChild<QLineEdit*>("EdUpper")->setText("70");
                 d.findChild<QLineEdit*>("EdLower")->setText("20");
                 d.findChild<QPushButton*>("OKBtn")->click();
                 return true;
             });
             window->controls().ActionUtilUpperLowerLevel->trigger();
         },
         [](Environment& e) { return std::to_string(e.UpperLevel) + "/" + std::to_string(e.LowerLevel); }},
    };
    Environment& env = window->environment();
    std::vector<std::string> before;
    for (const HeldRow& row : rows) {
        before.push_back(row.value(env));
        row.act();
        EXPECT_EQ(row.value(env), before.back()) << row.name << " changed during the cycle";
        EXPECT_TRUE(inCycle);
    }
    EXPECT_EQ(heldChanges(), static_cast<int>(rows.size()));
    // Each wait ended after its limit: none froze the GUI.
    EXPECT_GE(clock.now(), static_cast<long>(rows.size()) * PAUSE_WAIT_LIMIT);
    EXPECT_GE(told(kPauseHeldMessage), 1);

    gateClosed = false;
    ASSERT_TRUE(pumpUntil([] { return heldChanges() == 0; }));
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_NE(rows[i].value(env), before[i]) << rows[i].name << " was lost";
    EXPECT_EQ(window->environment().UpperLevel, 70);
}

TEST_F(StuckWorker, ReadsAndWholeReplacementsAreRefused) {
    Environment& env = window->environment();
    const bool titleBefore = env.TitleOnOff;
    std::filesystem::remove(kernel.dir().file("answer.bmp"));
    std::filesystem::remove(kernel.dir().file("answer.dat"));

    // The reference buffer that the cycle re-renders would be replaced under it.
    EXPECT_FALSE(actions().actionLoadReference());
    EXPECT_FALSE(actions().actionSaveState());
    EXPECT_FALSE(actions().actionSaveReference(_CH2));
    window->controls().ActionFileSaveAsBmp->trigger();
    window->controls().ActionFileSaveAsDat->trigger();
    // File > Option, OK: the options and colour tables the cycle draws with.
    answerNextModalDialog([](QDialog& d) {
        d.findChild<QCheckBox*>("c_title")->setChecked(!d.findChild<QCheckBox*>("c_title")->isChecked());
        return true;
    });
    window->controls().ActionFileOption->trigger();
    EXPECT_EQ(env.TitleOnOff, titleBefore);
    EXPECT_FALSE(std::filesystem::exists(kernel.dir().file("answer.bmp")));
    EXPECT_FALSE(std::filesystem::exists(kernel.dir().file("answer.dat")));
    EXPECT_TRUE(inCycle);
    EXPECT_EQ(heldChanges(), 0);
    EXPECT_GE(told(kPauseRefusedMessage), 1);

    gateClosed = false;
    EXPECT_TRUE(actions().actionLoadReference());
    window->controls().ActionFileSaveAsBmp->trigger();
    EXPECT_TRUE(std::filesystem::exists(kernel.dir().file("answer.bmp")));
}

// The single-shot capture's refresh reaches the GUI thread by a queued call; it reads the kernel
// and writes its buffer-bar figures, so it waits for the end of the cycle too.
TEST_F(StuckWorker, QueuedRunStateRefreshWaitsForTheCycle) {
    struct Recording : RunStateControls {
        void updateRunStopControls(int state) override { calls.push_back("runStop " + std::to_string(state)); }
        void updateSingleShotButton() override { calls.push_back("singleShot"); }
        std::vector<std::string> calls;
    } controls;
    QueuedRunStateView view(controls);
    std::thread worker([&] {
        view.updateRunStopControls(_STOP);
        view.updateSingleShotButton();
    });
    worker.join();
    ASSERT_TRUE(pumpUntil([] { return heldChanges() == 2; }));
    EXPECT_TRUE(controls.calls.empty());

    gateClosed = false;
    ASSERT_TRUE(pumpUntil([] { return heldChanges() == 0; }));
    EXPECT_EQ(controls.calls, (std::vector<std::string>{"runStop 2", "singleShot"}));
}

} // namespace
