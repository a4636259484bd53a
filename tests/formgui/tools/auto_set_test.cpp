// Auto set: its decision tables, and whole runs on the simulated instrument.
#include "action_fixture.h"
#include "auto_set.h"
#include "measure.h"
#include "record_source.h"
#include "signal_source.h"
#include "sim_records.h"
#include "sim_records_hardware.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

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
        {1, 200.0f, 2},
        {1, 327.685f, 2},
        {1, 327.7f, 3},
        {1, 819.1f, 3},
        {1, 819.2f, -1},
        {1, 0.0f, 1},
        // 819.2f lies just above the double 819.2, as the swing is compared in double.
        {1, 163.84f, 1},
        {2, 81.92f, 3},
        {2, 81.93f, 4},
        {2, 200.0f, 5},
        {2, 500.0f, 6},
        {2, 900.0f, -1},
        {3, 327.685f, 9},
        {3, 327.68f, 8},
        {3, 900.0f, 10},
        {3, 100.0f, 7},
        {3, 1.0f, 6},
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
        {1e-3, 16},        // x = 0.935 ms: the first threshold above is 1e-3 (400 us/div)
        {0.6, 14},         // x = 0.561 >= 0.5: the fallback
        {0.5, 24},         // x = 0.4675 < 0.5
        {1e-12, 0},        //
        {5e-9 / 0.935, 1}, // exactly on the first threshold: not below it
        {0.0, 14},
        {-1e-3, 14},
        {std::numeric_limits<double>::quiet_NaN(), 14},
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

// Counts the paint events that reach the auto-set wait window or its children.
struct WaitWindowPaints : QObject {
    int count = 0;
    bool eventFilter(QObject* o, QEvent* e) override {
        auto* w = qobject_cast<QWidget*>(o);
        if (e->type() == QEvent::Paint && w && w->window()->objectName() == "FormAutoSetDlg") ++count;
        return false;
    }
};

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

// Rows of the trace at the current settings: lowest and highest over one capture.
std::pair<int, int> traceRows(AutoSet& autoSet, int ch) {
    int lo = 0, hi = 0;
    EXPECT_TRUE(autoSet.measureMinMax(ch, lo, hi));
    return {controlRawToRow(ch, static_cast<short>(lo)), controlRawToRow(ch, static_cast<short>(hi))};
}

// Channel 1's default signal, a 1 kHz square wave of 0 to 1 V: clipped at 100 mV/div (stage 1),
// 126 converter codes at 1 V/div (stage 2): 500 mV/div, two divisions high. Its 1 ms period
// shows first on the 200 us/div time base and gives 400 us/div.
TEST_F(AutoSetRun, SquareWaveOnChannel1) {
    controlSetChannelOnOff(_CH1, true);
    controlSetChannelOnOff(_CH2, false);
    controlSetVoltageDiv(_CH1, 2);
    controlSetTimeDiv(5);
    controlSetInvertOnOff(_CH1, true);
    controlSetPeakDetectionOnOff(false);
    AutoSet autoSet(&measure, views, noPause());
    EXPECT_TRUE(autoSet.run());
    EXPECT_FALSE(controlGetInvertOnOff(_CH1)); // switched off while it runs
    EXPECT_TRUE(controlGetPeakDetectionOnOff());
    EXPECT_EQ(controlGetVoltageDiv(_CH1), 6);
    EXPECT_EQ(controlGetTimeDiv(), 16);
    EXPECT_EQ(controlGetTriggerSource(), _CH1);
    EXPECT_EQ(controlGetTriggerMode(), _AUTO);
    EXPECT_DOUBLE_EQ(controlGetVoltageOffset(_CH1), 200.0);
    EXPECT_EQ(controlGetLineJoinMode(), 2);
    // Stage 1 and 2, two pauses each; time bases tried up to 200 us/div (the fifth).
    EXPECT_EQ(pauses.size(), 4u + 5u);

    const auto [rLo, rHi] = traceRows(autoSet, _CH1);
    EXPECT_GE(rLo, 0);
    EXPECT_LE(rHi, 400);
    EXPECT_GE(rHi - rLo, 100); // two divisions
    EXPECT_NEAR(controlGetTriggerLevel(), (rLo + rHi) * 0.5, 4.0);

    autoSet.restore();
    EXPECT_TRUE(controlGetInvertOnOff(_CH1)); // put back
    EXPECT_FALSE(controlGetPeakDetectionOnOff());
}

// Channel 2's default signal, a 3.3 kHz sine of 0.8 V with harmonics: 200 mV/div fills most of
// the screen; its 303 us period gives 200 us/div (0.935 x 303 us lies between 250 and 500 us).
TEST_F(AutoSetRun, SineOnChannel2) {
    controlSetChannelOnOff(_CH1, false);
    controlSetChannelOnOff(_CH2, true);
    controlSetVoltageDiv(_CH2, 9);
    AutoSet autoSet(&measure, views, noPause());
    EXPECT_TRUE(autoSet.run());
    EXPECT_EQ(controlGetVoltageDiv(_CH2), 5);
    EXPECT_EQ(controlGetTimeDiv(), 15);
    const auto [rLo, rHi] = traceRows(autoSet, _CH2);
    EXPECT_GE(rLo, 0);
    EXPECT_LE(rHi, 400);
    EXPECT_GE(rHi - rLo, 200);
    EXPECT_NEAR(controlGetTriggerLevel(), (rLo + rHi) * 0.5, 4.0);
    ASSERT_NE(views.raw[1], nullptr);
    EXPECT_NE(views.display[1], nullptr); // the main window's image was refreshed
}

// A flat record has no swing and no period: the finest volt/div of stage 1 and the fallback
// time base.
TEST_F(AutoSetRun, FlatSignal) {
    controlSetChannelOnOff(_CH1, true);
    controlSetChannelOnOff(_CH2, false);
    kernel.instrument().setRecordSource(std::make_unique<MidScaleRecordSource>());
    AutoSet autoSet(&measure, views, noPause());
    EXPECT_TRUE(autoSet.run());
    EXPECT_EQ(controlGetVoltageDiv(_CH1), 1);
    EXPECT_EQ(controlGetTimeDiv(), AutoSet::FALLBACK_TIME_DIV);
    EXPECT_EQ(pauses.size(), 2u + 7u);
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
    ASSERT_GE(pauses.size(), 8u);
    EXPECT_EQ(pauses[0], std::make_pair(4, 8)); // channel 1 first, from stage 1's start code
    EXPECT_EQ(pauses[4].second, 4);             // after its two stages, channel 2
    EXPECT_EQ(controlGetTriggerSource(), _CH2);
    EXPECT_EQ(controlGetTimeDiv(), 15); // from channel 2, the source
    EXPECT_DOUBLE_EQ(controlGetVoltageOffset(_CH1), 300.0);
    EXPECT_DOUBLE_EQ(controlGetVoltageOffset(_CH2), 300.0); // inverted: the lower half once put back
    EXPECT_EQ(controlGetVoltageDiv(_CH1), 7);               // each one step coarser than alone
    EXPECT_EQ(controlGetVoltageDiv(_CH2), 6);
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

// Inputs without a signal and an instrument that stops answering: every auto set ends within
// a few seconds of bus time. Before, each capture that timed out was retried through every
// stage and time base (220 captures, about six minutes with the GUI frozen).
TEST_F(AutoSetRun, EndsSoonWithoutASignalOrAnAnswer) {
    struct Case {
        const char* name;
        int coupling;
        std::shared_ptr<Signal> input; // null: the default signals
        std::optional<UsbFault> fault;
        bool captures; // false: nothing is judged, the time base of before stays
    };
    auto silent = [](bool bulk, int request) {
        UsbFault f;
        f.kind = UsbFault::Kind::Timeout;
        f.bulk = bulk;
        f.request = request;
        f.count = -1;
        return f;
    };
    const Case cases[] = {
        {"both grounded", _GND, nullptr, std::nullopt, true},
        {"flat 0 V", _DC, std::make_shared<DcLevel>(0.0), std::nullopt, true},
        {"level beyond the range", _DC, std::make_shared<DcLevel>(50.0), std::nullopt, true},
        {"record never read", _DC, nullptr, silent(true, -1), false},
        {"status never answered", _DC, nullptr, silent(false, 0xC0), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimRecords::Options options;
        options.signal[0] = options.signal[1] = c.input;
        kernel.instrument().setRecordSource(std::make_unique<SimRecords>(SimHardware::typical(_HW4), options));
        for (int ch : {int(_CH1), int(_CH2)}) {
            controlSetChannelOnOff(ch, true);
            controlSetChannelCoupling(ch, c.coupling);
        }
        controlSetTimeDiv(18);
        if (c.fault) kernel.bus->injectFault(*c.fault);
        const auto start = kernel.bus->simulatedClock().now();
        int captures = 0;
        {
            AutoSet autoSet(&measure, views, noPause(), [&](int ch, short** record) {
                ++captures;
                return controlAcquire(ch, record, nullptr);
            });
            EXPECT_TRUE(autoSet.run());
        }
        kernel.bus->clearFaults();
        EXPECT_LT(kernel.bus->simulatedClock().now() - start, std::chrono::seconds(5));
        if (c.captures) {
            EXPECT_LE(captures, 19); // 2 x 3 stages per channel and 7 time bases, each captured once
        } else {
            EXPECT_EQ(captures, 1);
            EXPECT_EQ(controlGetTimeDiv(), 18);
        }
    }
}

TEST_F(AutoSetRun, WithoutTheMeasurementWindowNoPeriodIsFound) {
    controlSetChannelOnOff(_CH1, true);
    AutoSet autoSet(nullptr, views, noPause());
    EXPECT_EQ(autoSet.measurePeriod(_CH1), 0.0);
    EXPECT_FALSE(autoSet.searchTimeDiv(_CH1));
    EXPECT_EQ(controlGetTimeDiv(), AutoSet::FALLBACK_TIME_DIV);
}

// Captures as the instrument gave them on the demo: the first after a change of time/div holds
// only empty samples, and in the others every third sample is flagged and every seventh empty.
// Auto set reads a copy; the kernel's own record (which equivalent-time captures add to) stays.
struct FaultyCaptures {
    int timeDiv = -1;
    int emptyRecords = 0;
    std::vector<short> copy;
    bool operator()(int ch, short** record) {
        if (!controlAcquire(ch, record, nullptr)) return false;
        copy.assign(*record, *record + controlGetBufferSize());
        const bool changed = controlGetTimeDiv() != timeDiv;
        timeDiv = controlGetTimeDiv();
        for (std::size_t i = 0; i < copy.size(); ++i) {
            short& v = copy[i];
            if (changed || i % 7 == 0)
                v = EMPTY_SAMPLE;
            else if (i % 3 == 0 && v != EMPTY_SAMPLE)
                v = static_cast<short>(v + FLAGGED_SAMPLE_BASE);
        }
        *record = copy.data();
        emptyRecords += changed;
        return true;
    }
};

// The demo's own signals reach the same settings through captures with empty and flagged
// samples as through whole ones: 500 mV to 1 V per division, a time/div that shows a few
// periods, the trigger level inside the source's trace, and a triggered capture afterwards.
TEST_F(AutoSetRun, DemoSignalsWithEmptyAndFlaggedSamples) {
    struct Case {
        const char* name;
        bool ch1, ch2;
        int voltDiv1, voltDiv2, timeDiv;
    } cases[] = {
        {"channel 1", true, false, 6, -1, 16},
        {"channel 2", false, true, -1, 5, 15},
        {"both", true, true, 7, 6, 16},
    };
    for (const Case& c : cases) {
        for (bool faulty : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (faulty ? ", faulty captures" : ", whole captures"));
            controlSetChannelOnOff(_CH1, c.ch1);
            controlSetChannelOnOff(_CH2, c.ch2);
            controlSetTriggerSource(_CH1);
            for (int ch : {int(_CH1), int(_CH2)}) controlSetVoltageDiv(ch, 9);
            controlSetTimeDiv(5);
            FaultyCaptures captures;
            {
                AutoSet autoSet(&measure, views, noPause(),
                                faulty ? AutoSet::Capture(std::ref(captures)) : AutoSet::Capture());
                EXPECT_TRUE(autoSet.run());
            }
            EXPECT_EQ(captures.emptyRecords > 0, faulty);
            if (c.ch1) {
                EXPECT_EQ(controlGetVoltageDiv(_CH1), c.voltDiv1);
            }
            if (c.ch2) {
                EXPECT_EQ(controlGetVoltageDiv(_CH2), c.voltDiv2);
            }
            EXPECT_EQ(controlGetTimeDiv(), c.timeDiv);

            const int source = controlGetTriggerSource();
            AutoSet probe(&measure, views, noPause());
            const auto [rLo, rHi] = traceRows(probe, source);
            EXPECT_GT(controlGetTriggerLevel(), rLo);
            EXPECT_LT(controlGetTriggerLevel(), rHi);
            EXPECT_TRUE(controlAcquire(source, views.rawDataSlot(source), nullptr));
            EXPECT_TRUE(controlGetTriggeredFlag());
        }
    }
}

// A capture that succeeds without a valid sample is no measurement: every attempt empty leaves
// the volt/div and the time base of before, like no capture at all.
TEST_F(AutoSetRun, CapturesOfOnlyEmptySamplesChangeNothing) {
    controlSetChannelOnOff(_CH1, true);
    controlSetChannelOnOff(_CH2, false);
    controlSetVoltageDiv(_CH1, 6);
    controlSetTimeDiv(18);
    int captures = 0;
    const AutoSet::Capture empty = [&](int ch, short** record) {
        ++captures;
        const bool ok = controlAcquire(ch, record, nullptr);
        if (ok) std::fill_n(*record, controlGetBufferSize(), EMPTY_SAMPLE);
        return ok;
    };
    {
        AutoSet autoSet(&measure, views, noPause(), empty);
        autoSet.run();
    }
    EXPECT_EQ(controlGetVoltageDiv(_CH1), 6);
    EXPECT_EQ(controlGetTimeDiv(), 18);
    // Every measurement tried its 20 captures: two of the stage, seven time bases.
    EXPECT_EQ(captures, (2 + 7) * AutoSet::CAPTURE_ATTEMPTS);
}

// The wait window is exposed and painted before the work starts, and events reach it while the
// work goes on.
TEST_F(AutoSetRun, WaitWindowIsPaintedBeforeAndDuring) {
    controlSetChannelOnOff(_CH1, true);
    controlSetChannelOnOff(_CH2, false);
    QWidget* wait = nullptr;
    WaitWindowPaints paints;
    qApp->installEventFilter(&paints);
    int paintsAtFirstPause = -1;
    const AutoSet::Pause pause = [&](int) {
        if (wait) return;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "FormAutoSetDlg" && w->isVisible()) wait = w;
        ASSERT_NE(wait, nullptr);
        EXPECT_TRUE(wait->windowHandle() && wait->windowHandle()->isExposed());
        paintsAtFirstPause = paints.count;
        wait->findChild<QWidget*>("Panel1")->update(); // as when the window system asks again
    };
    {
        AutoSet autoSet(&measure, views, pause);
        autoSet.run();
    }
    qApp->removeEventFilter(&paints);
    ASSERT_NE(wait, nullptr);
    EXPECT_GT(paintsAtFirstPause, 0);
    EXPECT_GT(paints.count, paintsAtFirstPause);
}

// The action: 500k points go back to 10k, and everything is refreshed afterwards.
TEST_F(AutoSetRun, ActionSwitchesTo10kAndRefreshesEverything) {
    controlSetChannelOnOff(_CH1, false);
    controlSetChannelOnOff(_CH2, false);
    controlSetRunState(_RUN);
    controlSetTimeDiv(20);
    controlSetBufferSizeMode(_500K);
    actions.actionAutoSet();
    EXPECT_EQ(controlGetBufferSizeMode(), _10K);
    EXPECT_EQ(views.calls.back(), "updateAllViews()");
}

} // namespace
