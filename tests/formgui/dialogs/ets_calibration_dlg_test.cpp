// The time-offset (ETS) calibration window: the margin search, the record test, and the whole
// search on a kernel over the simulated instrument.
#include "calibration_test_host.h"
#include "form_cal_tdc_offset.h"
#include "simulated_kernel.h"

#include "signal_source.h"
#include "sim_records.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <set>

namespace {

TEST(EtsCalibrationSearch, LowThenHighFromFiveAboveAndTheTruncatedMiddle) {
    struct Row {
        const char* name;
        std::set<int> good;
        int low, high, margin;
        std::vector<int> tried;
    } rows[] = {
        {"window -3..2", {-3, -2, -1, 0, 1, 2}, -3, 2, 0, {-7, -6, -5, -4, -3, 2}},
        {"window -4..1", {-4, -3, -2, -1, 0, 1}, -4, 1, -1, {-7, -6, -5, -4, 1}},
        {"everything", {-7, -6, -5, -4, -3, -2, -1, 0, 1, 2, 3, 4, 5, 6, 7}, -7, -2, -4, {-7, -2}},
        {"near the top", {5, 6, 7}, 5, 7, 6, {-7, -6, -5, -4, -3, -2, -1, 0, 1, 2, 3, 4, 5, 7}},
        // Nothing passes: low 0, then from 5 down to -7; the margin stays 0.
        {"nothing", {}, 0, 0, 0, {-7, -6, -5, -4, -3, -2, -1, 0,  1,  2,  3,  4,  5,  6,
                                  7,  5,  4,  3,  2,  1,  0,  -1, -2, -3, -4, -5, -6, -7}},
    };
    for (const Row& r : rows) {
        std::vector<int> tried;
        const TFormCalTDCOffset::Search s = TFormCalTDCOffset::searchMargin(7, [&](int i) {
            tried.push_back(i);
            return r.good.count(i) > 0;
        });
        EXPECT_EQ(s.low, r.low) << r.name;
        EXPECT_EQ(s.high, r.high) << r.name;
        EXPECT_EQ(s.margin, r.margin) << r.name;
        EXPECT_EQ(tried, r.tried) << r.name;
        EXPECT_EQ(s.tried, static_cast<int>(tried.size())) << r.name;
    }
}

TEST(EtsCalibrationSearch, RecordTestLooksForSteps) {
    const auto volts = [](short code) { return code / 64.0; }; // 0.1 V is 6.4 codes
    struct Row {
        const char* name;
        std::vector<std::pair<int, short>> samples; // position, code; the rest stays as filled
        short fill;
        bool smooth;
    } rows[] = {
        {"all empty", {}, 4096, true},
        {"all flagged", {}, 20480 + 100, true},
        {"a step between flagged samples", {{5000, 20480 + 107}}, 20480 + 100, false},
        {"a step onto a flagged sample", {{5000, 20480 + 600}}, 500, false},
        {"flagged samples of a flat signal", {{5000, 20480 + 500}, {5001, 20480 + 503}}, 500, true},
        {"flat", {}, 500, true},
        {"step of 0.094 V", {{5000, 506}}, 500, true},
        {"step of 0.109 V", {{5000, 507}}, 500, false},
        {"step before the window", {{4499, 900}}, 500, true},
        {"step after the window", {{5500, 900}}, 500, true},
        {"empty samples are skipped", {{5000, 4096}, {5001, 505}}, 500, true},
        {"a step after empty samples", {{5000, 4096}, {5001, 510}}, 500, false},
        {"a step across empty samples", {{5000, 4096}, {5001, 4096}, {5002, 600}, {5003, 600}}, 4096, true},
        {"first codes start late", {{5200, 300}, {5201, 500}}, 4096, false},
    };
    for (const Row& r : rows) {
        std::vector<short> record(10000, r.fill);
        for (const auto& [k, code] : r.samples) record[static_cast<size_t>(k)] = code;
        EXPECT_EQ(TFormCalTDCOffset::isSmooth(record.data(), 10000, 1024, volts), r.smooth) << r.name;
    }
    std::vector<short> flat(5499, 500);
    EXPECT_FALSE(TFormCalTDCOffset::isSmooth(flat.data(), 5499, 1024, volts));
    EXPECT_FALSE(TFormCalTDCOffset::isSmooth(nullptr, 10000, 1024, volts));
}

TEST(EtsCalibrationWindow, TextsAndTheHiddenRange) {
    RecordingCalibrationHost idle;
    TFormCalTDCOffset w(idle);
    EXPECT_EQ(w.windowTitle(), "ETS Calibration");
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w.Label1->text(), "Connect channel 1 probe ");
    EXPECT_EQ(w.Label4->text(), "to the calibration terminal.");
    EXPECT_EQ(w.Label2->text(), "Set probe attenuation factor to 1:1");
    EXPECT_EQ(w.Label3->text(), "Set search range");
    EXPECT_EQ(w.BtnTDCOffset->text(), "START");
    EXPECT_EQ(w.Btn_exit->text(), "Exit");
    EXPECT_EQ(w.searchRange(), 7);
    EXPECT_EQ(w.lb_range->text(), "7");
    EXPECT_EQ(w.UpDownRange->minimum(), 3);
    EXPECT_EQ(w.UpDownRange->maximum(), 10);
    for (QWidget* hidden : std::initializer_list<QWidget*>{w.Label3, w.lb_range, w.UpDownRange}) {
        EXPECT_TRUE(hidden->isHidden());
        EXPECT_FALSE(hidden->isEnabled());
    }
    w.UpDownRange->setValue(4);
    EXPECT_EQ(w.searchRange(), 4);
    EXPECT_EQ(w.lb_range->text(), "4");

    w.show();
    w.Btn_exit->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(idle.events.empty());
}

// The whole search on a generation-3 kernel. The record the cycles leave is made to depend on
// the margin the kernel holds: smooth inside -5..-1, a step outside.
TEST(EtsCalibrationWindow, ForcesTheSettingsSearchesAndSetsTheMiddle) {
    SimulatedKernel kernel(_HW3, true);
    ASSERT_TRUE(kernel.create()) << get_error_text();
    RecordingCalibrationHost host;
    TFormCalTDCOffset window(host);
    std::vector<short> record;
    std::vector<int> margins; // the kernel's margin at each cycle
    bool busyShown = true;
    host.cycle = [&] {
        const int margin = g_control->p_state->d_ETSOffsetMargin;
        margins.push_back(margin);
        record.assign(static_cast<size_t>(controlGetBufferSize()), 512);
        if (margin < -5 || margin > -1) record[5000] = 700;
        host.record = record.data();
        busyShown = busyShown && window.BtnTDCOffset->text() == "PROCESSING" && !window.BtnTDCOffset->isEnabled() &&
                    !window.Btn_exit->isEnabled();
    };
    window.BtnTDCOffset->click();

    const std::vector<std::string> forced = {
        "stop",         "channel 1 1", "channel 2 0", "voltDiv 1 6",   "timeDiv 6", "offset 1 50", "triggerLevel 1 200",
        "coupling 1 1", "lineJoin 2",  "hfReject 0",  "bandLimit 1 0", "ets 1",     "start"};
    EXPECT_EQ(host.events, forced);
    // Low: -7, -6, -5; high from min(-5 + 5, 7) = 0 down: 0, -1. Forty cycles each.
    std::vector<int> expected;
    for (int m : {-7, -6, -5, 0, -1}) expected.insert(expected.end(), 40, m);
    EXPECT_EQ(margins, expected);
    EXPECT_EQ(host.sleeps, std::vector<long>(5, 100));
    EXPECT_TRUE(busyShown);
    EXPECT_EQ(g_control->p_state->d_ETSOffsetMargin, -3);

    EXPECT_EQ(window.BtnTDCOffset->text(), "START");
    EXPECT_TRUE(window.BtnTDCOffset->isEnabled());
    EXPECT_TRUE(window.Btn_exit->isEnabled());
    // The forced settings stay.
    EXPECT_TRUE(controlGetChannelOnOff(_CH1));
    EXPECT_FALSE(controlGetChannelOnOff(_CH2));
    EXPECT_EQ(controlGetVoltageDiv(_CH1), _500MV_DIV);
    EXPECT_EQ(controlGetTimeDiv(), _200NS_DIV);
    EXPECT_EQ(controlGetVoltageOffset(_CH1), 50.0);
    EXPECT_EQ(controlGetTriggerLevel(), 200.0);
    EXPECT_EQ(controlGetChannelCoupling(_CH1), _DC);
    EXPECT_EQ(controlGetLineJoinMode(), 2);
    EXPECT_FALSE(controlGetTriggerHighFrequencyRejectOnOff());
    EXPECT_TRUE(controlGetETSOnOff());
}

// The same on real equivalent-time captures of a 5 MHz sine that crosses the trigger level: the
// values are tried on the records the cycles leave, and the result stays in range. An inverted
// channel 1 finds the same margin (the search runs with the inversion off) and stays inverted.
TEST(EtsCalibrationWindow, RunsOnRealCapturesWithOrWithoutInversion) {
    int plainMargin = 0;
    for (bool inverted : {false, true}) {
        SCOPED_TRACE(inverted);
        SimulatedKernel kernel(_HW3, true);
        ASSERT_TRUE(kernel.create()) << get_error_text();
        RecordingCalibrationHost host;
        TFormCalTDCOffset window(host);
        auto records = SimRecords::forInstrument(_HW3, 30, nullptr);
        records->setSignal(0, std::make_shared<HarmonicSine>(5e6, 1.5, 1.5));
        kernel.instrument().setRecordSource(std::move(records));
        controlSetInvertOnOff(_CH1, inverted);
        bool invertedDuringSearch = false;
        host.cycle = [&] { // as the worker's cycle treats a record that arrived
            if (controlAcquire(_CH1, &host.record, nullptr) && controlGetInvertOnOff(_CH1)) {
                invertedDuringSearch = true;
                controlInvertChannel(_CH1);
            }
        };
        window.BtnTDCOffset->click();
        EXPECT_GE(host.cycles, 2 * TFormCalTDCOffset::CYCLES_PER_VALUE);
        EXPECT_EQ(host.cycles % TFormCalTDCOffset::CYCLES_PER_VALUE, 0);
        ASSERT_NE(host.record, nullptr);
        const int margin = g_control->p_state->d_ETSOffsetMargin;
        EXPECT_GE(margin, -7);
        EXPECT_LE(margin, 7);
        EXPECT_TRUE(controlIsEquivalentTime());
        EXPECT_FALSE(invertedDuringSearch);
        EXPECT_EQ(controlGetInvertOnOff(_CH1), inverted);
        if (inverted) {
            EXPECT_EQ(margin, plainMargin);
        } else {
            plainMargin = margin;
        }
    }
}

} // namespace
