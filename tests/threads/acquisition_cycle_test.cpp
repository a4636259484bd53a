// The cycle on the simulated instrument: run on the test thread with the worker stopped
// (exact cycle counts), and on the real worker (the sequence the status panel receives).
#include "cycle_rig.h"
#include "form_measure.h"
#include "tool_window_kernel.h"

#include "advanced_trigger.h"
#include "advanced_trigger_choice.h"
#include "capture.h"
#include "label_tool.h"

#include "record_source.h"
#include "signal_source.h"
#include "sim_records.h"
#include "sim_records_hardware.h"
#include "units.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <set>

namespace {

// Mid-scale records whose status word says whether a trigger arrived (the simulator's own
// records always report one).
class StatusRecordSource final : public RecordSource {
public:
    explicit StatusRecordSource(bool triggered) : d_triggered(triggered) {}

    void arm(const InstrumentSettings& settings, std::chrono::milliseconds) override { d_settings = settings; }
    bool ready(std::chrono::milliseconds) override {
        d_position = 0;
        return true;
    }
    int read(unsigned char* out, int length) override {
        const int midScale = d_settings.generation >= _HW3 ? 512 : 2048;
        const int status = (d_triggered ? 0x100 : 0) | 0x80 | 0x30;
        unsigned char word[2];
        for (int i = 0; i < length; ++i, ++d_position) {
            if (d_position < 8) {
                MidScaleRecordSource::encodeWord(status, 0, word);
                out[i] = d_position < 4 ? word[d_position % 2] : 0;
                continue;
            }
            const long n = d_position - 8;
            MidScaleRecordSource::encodeWord(midScale, 0, word);
            out[i] = word[n % 2];
        }
        return length;
    }

private:
    bool d_triggered;
    InstrumentSettings d_settings;
    long d_position = 0;
};

struct TimeoutCase {
    int triggerMode;
    const char* afterTwenty;
};

void PrintTo(const TimeoutCase& c, std::ostream* os) { *os << c.afterTwenty; }

class CycleStatusOnInstrument : public ::testing::TestWithParam<TimeoutCase> {};

TEST_P(CycleStatusOnInstrument, TimeoutsChangeTheTextFromTheTwentiethOn) {
    CycleRig rig;
    ASSERT_TRUE(rig.created) << get_error_text();
    ASSERT_TRUE(controlSetTriggerMode(GetParam().triggerMode));

    rig.runCycles(1);
    EXPECT_EQ(rig.cycle->status().text(), "Trig'd");

    rig.kernel.instrument().setTriggers(false);
    for (int i = 1; i < CycleStatus::TIMEOUTS_BEFORE_CHANGE; ++i) {
        rig.runCycles(1);
        ASSERT_EQ(rig.cycle->status().text(), "Trig'd") << "time-out " << i;
    }
    rig.runCycles(1);
    EXPECT_EQ(rig.cycle->status().text(), GetParam().afterTwenty);
    EXPECT_EQ(rig.cycle->status().waitCount(), CycleStatus::TIMEOUTS_BEFORE_CHANGE);

    // One captured record resets the count.
    rig.kernel.instrument().setTriggers(true);
    rig.runCycles(1);
    EXPECT_EQ(rig.cycle->status().text(), "Trig'd");
    EXPECT_EQ(rig.cycle->status().waitCount(), 0);
}

TEST(CycleOnInstrument, StatusPanelGetsOnlyChangesAndTheNewestOfThem) {
    CycleRig rig;
    ASSERT_TRUE(rig.created) << get_error_text();
    ASSERT_TRUE(controlSetTriggerMode(_NORMAL));
    for (int i = 0; i < 3; ++i) {
        rig.runCycles(1);
        pumpEvents();
    }
    EXPECT_EQ(rig.main.texts, std::vector<std::string>{"Trig'd"});

    // Texts that the GUI did not show in time are replaced by the newest.
    ASSERT_TRUE(controlSetRunState(_STOP));
    rig.runCycles(1);
    ASSERT_TRUE(controlSetRunState(_SINGLE));
    rig.runCycles(1);
    pumpEvents();
    EXPECT_EQ(rig.main.texts, (std::vector<std::string>{"Trig'd", "Ready"}));
}

INSTANTIATE_TEST_SUITE_P(TriggerModes, CycleStatusOnInstrument,
                         ::testing::Values(TimeoutCase{_NORMAL, "Trig?"}, TimeoutCase{_AUTO, "Auto"}),
                         [](const auto& info) {
                             return std::string(info.param.triggerMode == _NORMAL ? "Normal" : "Auto");
                         });

TEST(CycleOnInstrument, PulseWidthTriggerNeedsAPulseOfTheSquareWaveThatLong) {
    struct Chosen : AdvancedTriggerDialog {
        AdvancedTriggerChoice choice;
        AdvancedTriggerResults showInit(const char*, int, signed char, signed char) override {
            return resultsOf(choice);
        }
        AdvancedTriggerResults show(const char*, int, signed char, signed char) override { return resultsOf(choice); }
    };
    CycleRig rig;
    ASSERT_TRUE(rig.created) << get_error_text();
    ASSERT_TRUE(controlSetTriggerMode(_NORMAL));
    // Between the 0 and 1 V of the 1 kHz square: half a division above the trace's zero at
    // 500 mV/div (the square's edges are steep: any level inside it sees 500 us pulses).
    ASSERT_TRUE(controlSetVoltageDiv(_CH1, 6));
    ASSERT_TRUE(controlSetVoltageOffset(_CH1, 200));
    ASSERT_TRUE(controlSetTriggerLevel(225));
    const auto dialog = std::make_shared<Chosen>();
    seedEdge(dialog->choice, 2, 0); // CH1 rising: the high half periods of 500 us
    dialog->choice.pulseOn = true;
    setAdvancedTriggerDialog(dialog);
    struct Case {
        bool longer;
        double microseconds;
        const char* text;
    } cases[] = {{true, 400, "Trig'd"}, {true, 600, "Trig?"}, {false, 600, "Trig'd"}, {false, 400, "Trig?"}};
    for (const Case& c : cases) {
        dialog->choice.pulseLonger = c.longer;
        dialog->choice.pulseWidth = c.microseconds;
        controlShowAdvancedTrigger();
        ASSERT_TRUE(controlGetTriggerAdvanceOnOff());
        rig.runCycles(CycleStatus::TIMEOUTS_BEFORE_CHANGE);
        EXPECT_EQ(rig.cycle->status().text(), c.text)
            << (c.longer ? "longer than " : "shorter than ") << c.microseconds;
    }
    setAdvancedTriggerDialog(nullptr);
}

TEST(CycleOnInstrument, RunStatesAndRollSetTheirTexts) {
    CycleRig rig;
    ASSERT_TRUE(rig.created) << get_error_text();
    ASSERT_TRUE(controlSetTriggerMode(_NORMAL));

    rig.kernel.instrument().setRecordSource(std::make_unique<StatusRecordSource>(false));
    rig.runCycles(1);
    EXPECT_EQ(rig.cycle->status().text(), "Trig?"); // a record, but no trigger

    // Waiting for its trigger, an instrument may leave the status request unanswered: that
    // is no trigger yet, without an error.
    get_error_text();
    rig.kernel.bus->injectFault({UsbFault::Kind::Timeout, 0xC0, false, 0, UsbFault::FOR_GOOD, -1});
    rig.runCycles(3);
    EXPECT_EQ(rig.cycle->status().text(), "Trig?");
    EXPECT_STREQ(get_error_text(), "");
    // In AUTO mode an instrument that stops answering is no trigger matter: the panel says so at once.
    ASSERT_TRUE(controlSetTriggerMode(_AUTO));
    rig.runCycles(1);
    EXPECT_EQ(rig.cycle->status().text(), "Time-out");
    rig.kernel.bus->clearFaults();

    // Captures dropped one after another for differing status copies are told, not frozen.
    auto records = SimRecords::forInstrument(rig.kernel.generation(), 30, nullptr);
    SimRecords::Fault mismatch;
    mismatch.captures = 1 << 30;
    mismatch.mismatchedStatus = true;
    records->injectFault(mismatch);
    rig.kernel.instrument().setRecordSource(std::move(records));
    ASSERT_TRUE(controlSetTriggerMode(_AUTO)); // the register block arms the new records
    get_error_text();
    rig.runCycles(Capture::STATUS_MISMATCHES_TOLD - 1);
    EXPECT_NE(rig.cycle->status().text(), "Status error");
    EXPECT_STREQ(get_error_text(), "");
    rig.runCycles(1);
    EXPECT_EQ(rig.cycle->status().text(), "Status error");
    EXPECT_STREQ(get_error_text(), "Error : The two status words of the instrument differ\n");
    rig.kernel.instrument().setRecordSource(SimRecords::forInstrument(rig.kernel.generation(), 30, nullptr));

    ASSERT_TRUE(controlSetTimeDiv(_1S_DIV));
    ASSERT_TRUE(controlIsRoll());
    rig.runCycles(1);
    EXPECT_EQ(rig.cycle->status().text(), "Auto");

    ASSERT_TRUE(controlSetTimeDiv(_10US_DIV));
    ASSERT_TRUE(controlSetRunState(_STOP));
    rig.runCycles(1);
    EXPECT_EQ(rig.cycle->status().text(), "Stop");

    ASSERT_TRUE(controlSetRunState(_SINGLE));
    rig.runCycles(1);
    EXPECT_EQ(rig.cycle->status().text(), "Ready");
}

// Pulled and put back, the instrument returns unprogrammed and is taken back by the cycle, in
// the user's single shot and NORMAL mode, riding out a glitch of its take-back, and the
// status panel says what happened.
TEST(CycleOnInstrument, AReplugedInstrumentIsTakenBackAndTheStatusSaysSo) {
    CycleRig rig;
    ASSERT_TRUE(rig.created) << get_error_text();
    ASSERT_TRUE(controlSetRunState(_SINGLE));
    rig.kernel.instrument().setTriggers(false); // waiting for its trigger when pulled
    rig.runCycles(1);
    ASSERT_EQ(controlGetRunState(), _SINGLE);
    ASSERT_TRUE(rig.kernel.bus->replug(rig.kernel.bus->attached().front(), std::chrono::milliseconds(300)));
    rig.runCycles(1);
    EXPECT_EQ(rig.cycle->status().text(), "Unplugged");
    rig.kernel.bus->simulatedClock().advance(std::chrono::milliseconds(300));
    ASSERT_NE(rig.kernel.bus->controller(), nullptr);
    // The version read is asked again once within a take-back: two stalls fail this one.
    rig.kernel.bus->injectFault({UsbFault::Kind::Stall, 0xC5, false, 0, 2});
    rig.runCycles(1);
    EXPECT_EQ(rig.cycle->status().text(), "Unplugged"); // tried again at the next cycle
    rig.runCycles(1);
    EXPECT_EQ(rig.cycle->status().text(), "Reconnected");
    EXPECT_TRUE(rig.kernel.instrument().settings().normalTriggerMode);
    get_error_text();
    rig.runCycles(1);
    EXPECT_EQ(controlGetRunState(), _STOP); // the single shot triggered on the re-plugged instrument
    EXPECT_STREQ(get_error_text(), "");

    // A version read that always fails: the attempts end in one message that says what failed.
    ASSERT_TRUE(rig.kernel.bus->replug(rig.kernel.bus->attached().front(), std::chrono::milliseconds(300)));
    rig.runCycles(1);
    rig.kernel.bus->simulatedClock().advance(std::chrono::milliseconds(300));
    rig.kernel.bus->injectFault({UsbFault::Kind::Stall, 0xC5, false, 0, UsbFault::FOR_GOOD});
    rig.runCycles(Control::TAKE_BACK_ATTEMPTS);
    EXPECT_EQ(rig.cycle->status().text(), "Reconnection failed");
    rig.runCycles(2);
    std::vector<std::string> told;
    for (const std::string& m : rig.kernel.notifier->messages())
        if (m.rfind("Reconnection failed\n", 0) == 0) told.push_back(m);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("Error : Can't read FPGA registers\n"), std::string::npos) << told[0];
}

TEST(CycleOnInstrument, PacedFramesLeaveOutTheCyclesInBetweenButNoText) {
    // One frame per refresh, the refresh longer than the test: the first cycle hands over its
    // frame, the later ones none, while every change of the status text still arrives.
    CycleRig rig;
    ASSERT_TRUE(rig.created) << get_error_text();
    FakeMainView screen;
    CycleSetup setup;
    setup.display = &rig.display;
    setup.environment = rig.environment.get();
    setup.graphicMode = TableColor::GDI_MODE;
    setup.frame = [&rig] { return rig.display.image(); };
    setup.frameInterval = std::chrono::hours(1);
    AcquisitionCycle paced(setup);
    paced.setMainView(&screen);

    paced.acquireAndDisplay();
    pumpEvents();
    EXPECT_EQ(screen.frames, 1);
    ASSERT_EQ(screen.texts.size(), 1u);
    ASSERT_TRUE(controlSetRunState(_STOP));
    paced.acquireAndDisplay();
    pumpEvents();
    ASSERT_TRUE(controlSetRunState(_SINGLE));
    paced.acquireAndDisplay();
    pumpEvents();
    EXPECT_EQ(screen.frames, 1);
    EXPECT_EQ(screen.texts, (std::vector<std::string>{screen.texts.front(), "Stop", "Ready"}));
}

TEST(CycleOnInstrument, InvertedSingleShotStopsOnlyOnATrigger) {
    CycleRig rig;
    ASSERT_TRUE(rig.created) << get_error_text();
    ASSERT_TRUE(controlSetInvertOnOff(_CH1, true));
    ASSERT_TRUE(controlSetRunState(_SINGLE));

    rig.kernel.instrument().setRecordSource(std::make_unique<StatusRecordSource>(false));
    rig.runCycles(3);
    EXPECT_EQ(controlGetRunState(), _SINGLE);
    EXPECT_EQ(rig.cycle->status().text(), "Ready");

    rig.kernel.instrument().setRecordSource(std::make_unique<StatusRecordSource>(true));
    rig.runCycles(1);
    EXPECT_EQ(controlGetRunState(), _STOP);
    rig.runCycles(1);
    EXPECT_EQ(rig.cycle->status().text(), "Stop");
}

TEST(CycleOnInstrument, WithNoChannelOnEveryCycleClearsAndRedraws) {
    CycleRig rig("[CHANNEL]\nchannelOnOff1=0\nchannelOnOff2=0\n");
    ASSERT_TRUE(rig.created) << get_error_text();
    rig.environment->GridOnOff = false;
    rig.environment->CrossOnOff = false;
    rig.environment->BoundaryOnOff = false;
    for (int i = 0; i < 3; ++i) {
        rig.display.drawHorizontalLine(GDI_RED, 100, 1);
        rig.runCycles(1);
        pumpEvents();
        // The frame is drawn at row 0 and 400 and column 0 and 500 only.
        const QImage frame = rig.main.frame;
        ASSERT_FALSE(frame.isNull());
        EXPECT_EQ(frame.pixel(250, 101), qRgb(0, 0, 0)) << "cycle " << i;
        EXPECT_EQ(frame.pixel(0, 101), DisplayGDI::toRgb(0x808080));
    }
    EXPECT_EQ(rig.main.frames, 3);
}

TEST(CycleOnInstrument, ToolWindowsGetTheTracesThatAreOn) {
    CycleRig rig;
    ASSERT_TRUE(rig.created) << get_error_text();
    FakeMeasurementView measurement;
    FakeSpectrumView spectrum;
    rig.cycle->setMeasurementView(&measurement);
    rig.cycle->setSpectrumView(&spectrum);

    rig.runCycles(1);
    ASSERT_EQ(measurement.updates.load(), 1);
    EXPECT_NE(measurement.images[0], nullptr);
    EXPECT_EQ(measurement.images[0], rig.cycle->records().p_displayBufferCh1);
    EXPECT_EQ(measurement.images[1], nullptr);
    EXPECT_EQ(measurement.images[2], nullptr);
    EXPECT_EQ(measurement.images[3], nullptr);
    ASSERT_EQ(spectrum.calls.size(), 1u);
    EXPECT_EQ(spectrum.calls[0].channel, 0);
    EXPECT_EQ(spectrum.calls[0].length, AcquisitionCycle::SPECTRUM_LENGTH);
    EXPECT_EQ(spectrum.calls[0].record, rig.cycle->records().p_rawDataCh1);
    EXPECT_NE(spectrum.calls[0].record, nullptr);

    // Channel 2 is off: its spectrum is not computed; hidden windows get nothing.
    spectrum.channel = 1;
    rig.runCycles(1);
    EXPECT_EQ(spectrum.calls.size(), 1u);
    measurement.visible = false;
    spectrum.channel = 0;
    spectrum.visible = false;
    rig.runCycles(1);
    EXPECT_EQ(measurement.updates.load(), 2);
    EXPECT_EQ(spectrum.calls.size(), 1u);

    // A channel switched off leaves no pointer to its released record or image.
    ASSERT_TRUE(controlSetChannelOnOff(_CH1, false));
    rig.runCycles(1);
    EXPECT_EQ(rig.cycle->records().p_rawDataCh1, nullptr);
    EXPECT_EQ(rig.cycle->records().p_displayBufferCh1, nullptr);
}

TEST(CycleOnInstrument, GroundedChannelAndMathTraceAreTreatedBeforeDrawing) {
    CycleRig rig;
    ASSERT_TRUE(rig.created) << get_error_text();
    ASSERT_TRUE(controlSetChannelCoupling(_CH1, _GND));
    ASSERT_TRUE(controlSetChannelOnOff(_MATH, true));
    rig.runCycles(1);
    const short* record = rig.cycle->records().p_rawDataCh1;
    ASSERT_NE(record, nullptr);
    const int n = controlGetBufferSize();
    ASSERT_GT(n, 0);
    EXPECT_NE(record[0], EMPTY_SAMPLE);
    EXPECT_EQ(std::count(record, record + n, record[0]), n);
    EXPECT_NE(rig.cycle->records().p_displayBufferMath, nullptr);
    EXPECT_EQ(rig.cycle->records().p_displayBufferRef, nullptr);
}

TEST(CycleOnInstrument, DraggedTriggerLevelIsDrawnInTheSourceColour) {
    CycleRig rig;
    ASSERT_TRUE(rig.created) << get_error_text();
    rig.environment->GridOnOff = false;
    rig.environment->CrossOnOff = false;
    rig.environment->BoundaryOnOff = false;
    ASSERT_TRUE(controlSetTriggerLevel(300.0));
    rig.main.dragging = true;
    rig.runCycles(1);
    pumpEvents();
    // Level 300 of 400: row 100 from the top; a solid line sits one row below.
    EXPECT_EQ(rig.main.frame.pixel(250, 101), DisplayGDI::toRgb(GDI_GREEN));

    rig.main.dragging = false;
    rig.runCycles(1);
    pumpEvents();
    EXPECT_NE(rig.main.frame.pixel(250, 101), DisplayGDI::toRgb(GDI_GREEN));
}

struct StoppedRig : CycleRig {
    FakeMeasurementView measurement;
    FakeSpectrumView spectrum;
};

struct StoppedChange {
    const char* name;
    std::function<void(StoppedRig&)> change;
};

TEST(CycleOnInstrument, StoppedDisplayRedrawsOnceAfterEachChangeAndNeverWithout) {
    const StoppedChange changes[] = {
        {"volt/div", [](StoppedRig& r) { r.paused([] { controlSetVoltageDiv(_CH1, _2V_DIV); }); }},
        {"position", [](StoppedRig& r) { r.paused([] { controlSetHorizontalPosition(300); }); }},
        {"math on", [](StoppedRig& r) { r.paused([] { controlSetChannelOnOff(_MATH, true); }); }},
        // Outside the pause, with their own announcement or none.
        {"label",
         [](StoppedRig& r) {
             addLabel(*r.environment, {0xFFFFFF, 0, "A"});
         }},
        {"measure source", [](StoppedRig& r) { r.main.source = 2; }},
        {"spectrum window", [](StoppedRig& r) { r.spectrum.visible = true; }},
        {"run state",
         [](StoppedRig& r) {
             r.paused([] {
                 controlSetRunState(_RUN);
                 controlSetRunState(_STOP);
             });
         }},
    };
    StoppedRig rig;
    ASSERT_TRUE(rig.created) << get_error_text();
    rig.makeCycle(true);
    rig.spectrum.visible = false;
    rig.cycle->setMeasurementView(&rig.measurement);
    rig.cycle->setSpectrumView(&rig.spectrum);
    // Without persistence: one frame draws the change completely.
    ASSERT_TRUE(controlSetPersistence(0));
    rig.runCycles(1); // a record to stop with
    ASSERT_TRUE(controlSetRunState(_STOP));

    rig.runCycles(3);
    EXPECT_EQ(rig.measurement.updates.load(), 2);
    for (const StoppedChange& c : changes) {
        const int before = rig.measurement.updates;
        c.change(rig);
        rig.runCycles(3);
        EXPECT_EQ(rig.measurement.updates.load(), before + 1) << c.name;
        EXPECT_TRUE(rig.measurement.lastRedrawn) << c.name; // no new record: measured whole
    }

    // A persistence image fades in over a few frames after the change, then rests.
    rig.paused([] { controlSetPersistence(1); });
    rig.runCycles(300);
    const int faded = rig.measurement.updates;
    rig.runCycles(3);
    EXPECT_EQ(rig.measurement.updates.load(), faded);

    // Running, every record is drawn.
    ASSERT_TRUE(controlSetRunState(_RUN));
    const int before = rig.measurement.updates;
    rig.runCycles(3);
    EXPECT_EQ(rig.measurement.updates.load(), before + 3);
    EXPECT_FALSE(rig.measurement.lastRedrawn);
}

// The demo's settings: the 1 kHz square wave on channel 1, the 3.3 kHz sine (not triggered on,
// so earlier records sit at other phases in the fading picture) on channel 2, at 1 ms/div.
constexpr const char* kDemoState = "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\nvoltageOffset1=300\n"
                                   "voltageOffset2=100\ntriggerOffset1=300\ntriggerOffset2=100\n"
                                   "[HORIZONTAL]\ntimeDiv=17\n[DISPLAY]\nlineJoinMode=2\n";

std::vector<std::string> labelTexts(const TFormMeasure& form) {
    std::vector<std::string> texts;
    for (int i = 0; i < form.itemCount(); ++i) texts.push_back(form.labelText(i).toStdString());
    return texts;
}

TEST(CycleOnInstrument, MeasurementsPickedWhileStoppedReadWhatTheRunningCycleRead) {
    for (int mode : {int(_10K), int(_500K)}) {
        CycleRig rig(kDemoState);
        ASSERT_TRUE(rig.created) << get_error_text();
        ASSERT_TRUE(controlSetBufferSizeMode(mode));
        rig.makeCycle(true); // the program's cycle: a stopped display rests until a change
        FacadeToolWindowKernel kernel;
        rig.runCycles(3);
        for (int source : {1, 2})
            for (int first = 0; first < kMeasureSlots; first += kMeasureLines) {
                const int last = std::min(first + kMeasureLines, kMeasureSlots);
                TFormMeasure running(kernel, rig.environment.get());
                running.show();
                for (int slot = first; slot < last; ++slot) running.AddMeasureItem(source, slot);
                rig.cycle->setMeasurementView(&running);
                rig.runCycles(1); // a new record, measured at once for the new items
                pumpEvents();
                rig.paused([] { controlSetRunState(_STOP); }); // the snapshot of that record
                rig.runCycles(3);

                TFormMeasure stopped(kernel, rig.environment.get());
                stopped.show();
                rig.cycle->setMeasurementView(&stopped);
                rig.runCycles(3);
                for (int slot = first; slot < last; ++slot) stopped.AddMeasureItem(source, slot);
                rig.runCycles(1);
                pumpEvents();
                const std::vector<std::string> want = labelTexts(running);
                EXPECT_EQ(labelTexts(stopped), want) << "mode " << mode;
                for (const std::string& text : want) EXPECT_NE(text.back(), '=') << text << ", mode " << mode;
                rig.cycle->setMeasurementView(nullptr);
                rig.paused([] { controlSetRunState(_RUN); });
            }

        // Time/div and volt/div changed while stopped: measured again on the picture drawn at
        // them, at once.
        TFormMeasure after(kernel, rig.environment.get());
        after.show();
        rig.cycle->setMeasurementView(&after);
        for (int slot : {_MEASURE_FREQUENCY, _MEASURE_P_TO_P, _MEASURE_PERIOD}) after.AddMeasureItem(1, slot);
        rig.runCycles(1);
        rig.paused([] { controlSetRunState(_STOP); });
        rig.runCycles(2);
        rig.paused([] {
            controlSetTimeDiv(_2MS_DIV);
            controlSetVoltageDiv(_CH1, _500MV_DIV);
        });
        rig.runCycles(2);
        pumpEvents();
        const std::vector<std::string> texts = labelTexts(after);
        ASSERT_EQ(texts.size(), 3u);
        EXPECT_EQ(texts[0], "Ch1 : Frequency=1KHz") << "mode " << mode;
        EXPECT_EQ(texts[1].substr(0, 16), "Ch1 : P to P=1.0") << texts[1] << ", mode " << mode; // 1 V, row by row
        EXPECT_EQ(texts[2], "Ch1 : Period=1ms") << "mode " << mode;
        rig.cycle->setMeasurementView(nullptr);
    }
}

TEST(CycleOnInstrument, DemoSineNeverReadsAZeroItDoesNotHave) {
    CycleRig rig(kDemoState);
    ASSERT_TRUE(rig.created) << get_error_text();
    FacadeToolWindowKernel kernel;
    TFormMeasure form(kernel, rig.environment.get());
    form.show();
    for (int slot : {_MEASURE_P_TO_P, _MEASURE_AMPLITUDE, _MEASURE_PERIOD, _MEASURE_RISE_TIME, _MEASURE_FALL_TIME,
                     _MEASURE_P_PULSE_WIDTH, _MEASURE_N_PULSE_WIDTH, _MEASURE_FREQUENCY, _MEASURE_P_DUTY_CYCLE,
                     _MEASURE_N_DUTY_CYCLE})
        form.AddMeasureItem(2, slot);
    rig.cycle->setMeasurementView(&form);
    int wrong = 0;
    for (int refresh = 0; refresh < 200; ++refresh) {
        rig.runCycles(1);
        pumpEvents();
        if (refresh == 0) continue;
        for (const std::string& text : labelTexts(form)) {
            const std::string number = text.substr(text.find('=') + 1);
            const bool zero = number.empty() || (number[0] == '0' && (number.size() == 1 || number[1] != '.'));
            if (zero && wrong++ < 5) ADD_FAILURE() << "refresh " << refresh << ": " << text;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(CycleOnWorker, StoppedWorkerRestsUntilAChangeAndDrawsItAtOnce) {
    CycleRig rig;
    ASSERT_TRUE(rig.created) << get_error_text();
    FakeMeasurementView measurement;
    rig.makeCycle(true);
    rig.cycle->setMeasurementView(&measurement);
    ASSERT_TRUE(controlSetPersistence(0));
    rig.startWorker();
    ASSERT_TRUE(pumpUntil([&] { return measurement.updates.load() >= 1; }));
    rig.paused([] { controlSetRunState(_STOP); });
    int cycles = rig.cycles;
    ASSERT_TRUE(pumpUntil([&] { return rig.cycles >= cycles + 3; }));
    // Atomics, read without a pause: its release would count as a change.
    const int drawn = measurement.updates;
    cycles = rig.cycles;
    ASSERT_TRUE(pumpUntil([&] { return rig.cycles >= cycles + 3; }));
    EXPECT_EQ(measurement.updates.load(), drawn);

    rig.paused([] { controlSetVoltageDiv(_CH1, _2V_DIV); });
    ASSERT_TRUE(pumpUntil([&] { return measurement.updates.load() > drawn; }));
    cycles = rig.cycles;
    ASSERT_TRUE(pumpUntil([&] { return rig.cycles >= cycles + 3; }));
    EXPECT_EQ(measurement.updates.load(), drawn + 1);
    stopAcquisitionThread();
}

TEST(CycleOnWorker, StatusPanelSeesTrigdThenTheTimeoutText) {
    CycleRig rig;
    ASSERT_TRUE(rig.created) << get_error_text();
    ASSERT_TRUE(controlSetTriggerMode(_NORMAL));
    rig.startWorker();
    ASSERT_TRUE(pumpUntil([&] { return !rig.main.texts.empty(); }));
    EXPECT_EQ(rig.main.texts.front(), "Trig'd");

    rig.paused([&] { rig.kernel.instrument().setTriggers(false); });
    ASSERT_TRUE(pumpUntil([&] { return rig.main.texts.back() == "Trig?"; }));
    rig.paused([&] {
        EXPECT_GE(rig.cycle->status().waitCount(), CycleStatus::TIMEOUTS_BEFORE_CHANGE);
        EXPECT_EQ(rig.main.texts, (std::vector<std::string>{"Trig'd", "Trig?"}));
        EXPECT_TRUE(controlSetTimeDiv(_2S_DIV));
    });
    ASSERT_TRUE(pumpUntil([&] { return rig.main.texts.back() == "Auto"; }));
    stopAcquisitionThread();
    EXPECT_EQ(pauseRequestFlag.load(), 0);
}

TEST(CycleOnWorker, FrameShowsTheProgrammedSquareWaveInChannelOnesColour) {
    CycleRig rig("[CHANNEL]\nchannelOnOff1=1\nchannelCoupling1=1\n[DISPLAY]\nlineJoinMode=1\n");
    ASSERT_TRUE(rig.created) << get_error_text();
    SimRecords::Options options;
    options.signal[0] = std::make_shared<SquareWave>(1000.0, 0.0, 1.0);
    rig.kernel.instrument().setRecordSource(
        std::make_unique<SimRecords>(SimHardware::typical(rig.kernel.generation()), options));
    // 0 V at row 200, 1 V at row 250 (counted from the bottom); five periods on screen.
    ASSERT_TRUE(controlSetTimeDiv(_1MS_DIV));
    ASSERT_TRUE(controlSetVoltageDiv(_CH1, _1V_DIV));
    ASSERT_TRUE(controlSetVoltageOffset(_CH1, 200));
    ASSERT_TRUE(controlSetTriggerMode(_NORMAL));
    ASSERT_TRUE(controlSetTriggerLevel(225));
    ASSERT_TRUE(controlSetHorizontalPosition(250));
    // The centre cross would cover row 200.
    rig.environment->GridOnOff = rig.environment->CrossOnOff = rig.environment->BoundaryOnOff = false;

    rig.startWorker();
    ASSERT_TRUE(pumpUntil([&] { return rig.cycles >= 10; }));
    const int shown = rig.main.frames;
    ASSERT_TRUE(pumpUntil([&] { return rig.main.frames > shown; }));
    stopAcquisitionThread();
    pumpEvents();

    std::set<QRgb> channel1;
    for (int level = 1; level < TableColor::TABLE_SIZE; ++level)
        channel1.insert(DisplayGDI::toRgb(rig.display.tableColor()->get(_CH1, level)));
    const QImage frame = rig.main.frame;
    // Columns whose screen row y, or a row next to it, is lit in channel 1's colour.
    auto litColumns = [&](int y) {
        int n = 0;
        for (int x = 0; x < 500; ++x)
            for (int dy = -1; dy <= 1; ++dy)
                if (channel1.count(frame.pixel(x, y + dy))) {
                    ++n;
                    break;
                }
        return n;
    };
    const int low = litColumns(400 - 200), high = litColumns(400 - 250);
    EXPECT_GT(low, 150);
    EXPECT_GT(high, 150);
    EXPECT_EQ(litColumns(400 - 100), 0);
    EXPECT_EQ(litColumns(400 - 300), 0);
    EXPECT_EQ(rig.main.texts.back(), "Trig'd");
}

TEST(CycleOnWorker, WorkerDoesNotWaitForTheGuiAndFramesCoalesce) {
    CycleRig rig;
    ASSERT_TRUE(rig.created) << get_error_text();
    rig.startWorker();
    ASSERT_TRUE(pumpUntil([&] { return rig.main.frames > 0; }));
    const int posts = rig.cycle->delivery().posts();
    const int frames = rig.main.frames;

    // The GUI thread processes nothing while the worker runs 30 cycles.
    const int start = rig.cycles;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (rig.cycles < start + 30 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GE(rig.cycles, start + 30);
    EXPECT_LE(rig.cycle->delivery().posts(), posts + 1);

    stopAcquisitionThread();
    pumpEvents();
    EXPECT_LE(rig.main.frames, frames + 1);
}

} // namespace
