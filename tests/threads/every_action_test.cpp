// Every action of the action unit and the main window's dialog commands, fired again and again
// against the real worker running the real cycle on the simulated instrument, with the
// measurement and spectrum windows fed by it. Under ThreadSanitizer no data race may show,
// under AddressSanitizer no freed memory may be used, and frames must keep arriving.
#include "live_main_window.h"

#include "action.h"
#include "advanced_trigger.h"
#include "form_advanced_trigger.h"
#include "modal_answer.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include <chrono>
#include <functional>

namespace {

// How long each row fires its action; short enough to keep the sanitizer runs modest.
constexpr std::chrono::milliseconds ROW_TIME{500};

struct ActionRow {
    const char* name;
    // Fires the action; `n` counts the calls within the row (to vary the arguments).
    std::function<void(int n)> fire;
    bool once = false; // long jobs that stop and restart the worker
};

class EveryAction : public LiveMainWindowTest {
protected:
    void TearDown() override {
        setAdvancedTriggerDialog(nullptr);
        LiveMainWindowTest::TearDown();
    }

    void SetUp() override {
        LiveMainWindowTest::SetUp();
        if (HasFatalFailure()) return;
        setAdvancedTriggerDialog(std::make_shared<FormAdvancedTriggerDialog>());
        // The files the load actions read.
        ASSERT_TRUE(actions().actionSaveReference(_CH1));
        ASSERT_TRUE(actions().actionSaveState());
        pauseStandard(pumpEvents, [&] {
            for (int ch : {_CH1, _CH2}) startCoupling[ch - 1] = controlGetChannelCoupling(ch);
        });
    }

    // Back to a running scope with every trace on in the normal plot and the inputs coupled
    // as at the start, so that the next row starts alike. The X-Y figure of the periodic test
    // signal is the same on every capture, and so are two grounded inputs: a scope left so
    // hands over no new frame.
    void settle() {
        int state = _RUN;
        bool xy = false;
        int coupling[2] = {};
        pauseStandard(pumpEvents, [&] { state = controlGetRunState(); });
        if (state == _SINGLE) actions().actionSingleShot();
        pauseStandard(pumpEvents, [&] {
            state = controlGetRunState();
            xy = controlGetXYPlotOnOff();
            for (int ch : {_CH1, _CH2}) coupling[ch - 1] = controlGetChannelCoupling(ch);
        });
        if (state == _STOP) actions().actionRunStop();
        if (xy) actions().actionToggleXYPlot();
        for (int ch : {_CH1, _CH2})
            if (coupling[ch - 1] != startCoupling[ch - 1]) actions().actionSetCoupling(ch, startCoupling[ch - 1]);
        for (int trace = _CH1; trace <= _REFERENCE; ++trace) actions().actionSetChannelOnOff(trace, true);
        if (controlGetBufferSizeMode() != _10K) actions().actionSetBufferSize(_10K);
        actions().actionSetTriggerMode(_AUTO);
    }

    // A single shot that stopped, or a normal trigger the signal never meets, leaves the
    // display as it was, and an unchanged display is not handed over again: then the worker
    // is alive when it still comes round to a pause.
    bool displayMayRest() {
        int mode = _AUTO, state = _RUN;
        const bool turned = pauseStandard(pumpEvents, [&] {
            mode = controlGetTriggerMode();
            state = controlGetRunState();
        });
        return turned && (mode == _NORMAL || state != _RUN);
    }

    // What the worker and the scope were doing when no frame came: whether the worker still
    // turns its cycles (and the pause), and the settings that may leave the display unchanged.
    std::string diagnosis() {
        int mode = -1, state = -1, xy = -1, buffer = -1, timeDiv = -1, coupling1 = -1, coupling2 = -1;
        const bool turned = pauseStandard(pumpEvents, [&] {
            coupling1 = controlGetChannelCoupling(_CH1);
            coupling2 = controlGetChannelCoupling(_CH2);
            mode = controlGetTriggerMode();
            state = controlGetRunState();
            xy = controlGetXYPlotOnOff();
            buffer = controlGetBufferSizeMode();
            timeDiv = controlGetTimeDiv();
        });
        const int cycles = window->cycles.load();
        const int frames = window->frames;
        pumpUntil([&] { return window->cycles.load() >= cycles + 20; }, std::chrono::seconds(5));
        const auto n = [](auto v) { return std::to_string(v); };
        return "\n pause turned " + n(turned) + ", pause requests " + n(pauseRequestFlag.load()) + ", busy " +
               n(acquisitionBusyFlag.load()) + ", held " + n(heldChanges()) + ", worker running " +
               n(acquisitionThreadRunning()) + ", cycles " + n(cycles) + "->" + n(window->cycles.load()) + ", frames " +
               n(frames) + "->" + n(window->frames) + "; run state " + n(state) + ", trigger mode " + n(mode) +
               ", X-Y " + n(xy) + ", record length " + n(buffer) + ", time/div " + n(timeDiv) + ", coupling " +
               n(coupling1) + "/" + n(coupling2) + ", spectrum window " + n(spectrum->isVisible());
    }

    int startCoupling[2] = {_DC, _DC};

    void dialogCommand(QAction* action, std::function<bool(QDialog&)> answer) {
        answerNextModalDialog(std::move(answer));
        action->trigger();
    }
};

TEST_F(EveryAction, FromATableAgainstTheRunningWorker) {
    const auto optionToggle = [](QDialog& d) {
        if (auto* cross = d.findChild<QCheckBox*>("c_cross_on")) cross->setChecked(!cross->isChecked());
        if (auto* track = d.findChild<QCheckBox*>("cb_ct_ch1")) track->setChecked(!track->isChecked());
        return true;
    };
    const std::vector<ActionRow> rows = {
        {"load reference", [this](int) { EXPECT_TRUE(actions().actionLoadReference()); }},
        {"save reference", [this](int n) { EXPECT_TRUE(actions().actionSaveReference(1 + n % 2)); }},
        {"save state", [this](int) { EXPECT_TRUE(actions().actionSaveState()); }},
        {"load state", [this](int) { EXPECT_TRUE(actions().actionLoadState()); }, true},
        {"option dialog OK", [&](int) { dialogCommand(window->controls().ActionFileOption, optionToggle); }},
        {"option dialog Cancel",
         [&](int) { dialogCommand(window->controls().ActionFileOption, [](QDialog&) { return false; }); }},
        {"up/low levels",
         [&](int n) {
             dialogCommand(window->controls().ActionUtilUpperLowerLevel, [n](QDialog& d) {
                 d.findChild<QLineEdit*>("EdUpper")->setText(QString::number(60 + n % 40));
                 d.findChild<QLineEdit*>("EdLower")->setText(QString::number(n % 40));
                 d.findChild<QPushButton*>("OKBtn")->click();
                 return true;
             });
         }},
        {"measurements", [this](int n) { window->controls().actMeasure[static_cast<std::size_t>(n % 23)]->trigger(); }},
        {"volt/div", [this](int n) { actions().actionSetVoltDiv(1 + n % 4, 1 + n % 10); }},
        {"time/div", [this](int n) { actions().actionSetTimeDiv(8 + 3 * (n % 4)); }},
        // Off and on again, a trace at a time: with every trace off the display no longer
        // changes, and an unchanged display is not handed over again.
        {"channels", [this](int n) { actions().actionToggleChannel(1 + (n / 2) % 4); }},
        {"coupling", [this](int n) { actions().actionSetCoupling(1 + n % 2, n % 3); }},
        {"probe", [this](int n) { actions().actionSetProbe(1 + n % 4, n % 2 ? _X10 : _X1); }},
        {"invert", [this](int n) { actions().actionToggleInvert(1 + n % 2); }},
        {"band limit", [this](int n) { actions().actionToggleBandLimit(1 + n % 2); }},
        {"offsets", [this](int n) { actions().actionSetOffset(1 + n % 4, 100 + 7 * (n % 30)); }},
        {"math",
         [&](int n) {
             if (n % 2)
                 actions().actionToggleChannel(_MATH);
             else
                 dialogCommand(window->controls().ActionChannelMathOption, [](QDialog&) { return true; });
         }},
        {"persistence", [this](int n) { actions().actionSetPersistence(n % 17); }},
        {"intensity", [this](int n) { actions().actionSetIntensity(1 + (n * 13) % 100); }},
        {"line join", [this](int) { actions().actionToggleLineJoin(); }},
        {"record length", [this](int n) { actions().actionSetBufferSize(n % 2 ? _10K : _500K); }},
        {"averaging", [this](int n) { actions().actionSetAverage(n % 2 ? 1 : 4); }, true},
        {"ETS", [this](int) { actions().actionToggleEts(); }},
        {"peak detection", [this](int) { actions().actionTogglePeakDetection(); }},
        {"trigger",
         [this](int n) {
             switch (n % 5) {
             case 0: actions().actionSetTriggerMode(n % 2 ? _AUTO : _NORMAL); break;
             case 1: actions().actionSetTriggerSource(1 + n % 2); break;
             case 2: actions().actionSetTriggerSlope(n % 2); break;
             case 3: actions().actionSetTriggerLevel(controlGetTriggerSource(), 150 + n % 100); break;
             default: actions().actionToggleHighFrequencyReject(); break;
             }
         }},
        {"horizontal",
         [this](int n) {
             switch (n % 4) {
             case 0: actions().actionToggleDelay(); break;
             case 1: actions().actionScrollRight(); break;
             case 2: actions().actionScrollLeft(); break;
             default: actions().actionSetHorizontalPosition(50 + n % 400); break;
             }
         }},
        // The dialog runs modal inside the action's pause; OK keeps the edge trigger it opens on.
        {"advanced trigger",
         [&](int n) {
             // The dialog opens only once the pause is had: answered when it shows.
             answerModalDialogWhenShown([n](QDialog&) { return n % 2 == 0; });
             actions().actionAdvancedTrigger();
         }},
        {"single shot", [this](int) { actions().actionSingleShot(); }},
        {"run/stop", [this](int) { actions().actionRunStop(); }},
        {"auto set", [this](int) { actions().actionAutoSet(); }, true},
        {"X-Y plot", [this](int) { actions().actionToggleXYPlot(); }},
        {"spectrum window", [this](int) { actions().actionToggleFft(); }},
        {"exports",
         [this](int n) {
             switch (n % 4) {
             case 0: window->controls().ActionFileSaveAsDat->trigger(); break;
             case 1: window->controls().ActionFileSaveAsExcel->trigger(); break;
             case 2: window->controls().ActionFileSaveAsWord->trigger(); break;
             default: window->controls().ActionFileCopy->trigger(); break;
             }
         }},
        {"screen picture",
         [this](int n) {
             switch (n % 3) {
             case 0: window->controls().ActionFileSaveAsBmp->trigger(); break;
             case 1: window->controls().ActionFileSaveAsJpg->trigger(); break;
             default: window->controls().ActionFilePrint->trigger(); break;
             }
         }},
    };

    for (const ActionRow& row : rows) {
        SCOPED_TRACE(row.name);
        const auto end = std::chrono::steady_clock::now() + ROW_TIME;
        const int framesBefore = window->frames;
        int n = 0;
        do {
            row.fire(n++);
            // A running scope hands over a frame within a few refreshes; a resting display is
            // asked about before the long hang guard.
            ASSERT_TRUE(framesArrive(1, std::chrono::seconds(3)) || displayMayRest() || framesArrive(1))
                << "no frame after " << row.name;
        } while (!row.once && std::chrono::steady_clock::now() < end);
        settle();
        ASSERT_TRUE(framesArrive(2)) << "no frame after " << row.name << diagnosis();
        EXPECT_GT(window->frames, framesBefore);
        EXPECT_EQ(heldChanges(), 0);
    }
    // Nothing timed out: every pause found the worker between cycles in time.
    for (const std::string& m : kernel.notifier->messages()) {
        EXPECT_NE(m, kPauseHeldMessage);
        EXPECT_NE(m, kPauseRefusedMessage);
    }
}

} // namespace
