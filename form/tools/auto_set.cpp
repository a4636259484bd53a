#include "auto_set.h"

#include "codes.h"
#include "control_facade.h"
#include "form_auto_set_dlg.h"
#include "main_window_views.h"
#include "measure.h"
#include "raw_sample.h"
#include "units.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

constexpr int kAmplitudeTimeDivs[] = {_20MS_DIV, _20US_DIV};
constexpr int kPeriodTimeDivs[] = {_20NS_DIV, _200NS_DIV, _2US_DIV, _20US_DIV, _200US_DIV, _4MS_DIV, _20MS_DIV};
constexpr int kLastChosenTimeDiv = _200MS_DIV; // 24: the last code whose 2.5 divisions are tried

bool newerHardware() { return controlGetHardwareVersion() > _HW2; }

} // namespace

AutoSet::AutoSet(const MEASURE* measure_, WindowRecords& views_, Pause pause_, Capture capture_)
    : p_measure(measure_), d_views(views_), d_pause(std::move(pause_)), d_capture(std::move(capture_)) {
    if (!d_capture) d_capture = [](int ch, short** record) { return controlAcquire(ch, record, nullptr); };
}

AutoSet::~AutoSet() { restore(); }

bool AutoSet::run() {
    TFormAutoSetDlg wait(d_views.mainWidget());
    wait.showAndPaint();
    p_wait = &wait;
    const bool ch1 = controlGetChannelOnOff(_CH1);
    const bool ch2 = controlGetChannelOnOff(_CH2);
    bool result = false;
    if (ch1 && ch2)
        result = runTwoChannels();
    else if (ch1 || ch2)
        result = runOneChannel();
    p_wait = nullptr;
    wait.hide();
    return result;
}

void AutoSet::prepare(int ch_) {
    d_originalVoltDiv[_CH1] = controlGetVoltageDiv(_CH1);
    d_originalVoltDiv[_CH2] = controlGetVoltageDiv(_CH2);
    d_originalTimeDiv = controlGetTimeDiv();

    d_invertCh1 = controlGetInvertOnOff(_CH1);
    d_invertCh2 = controlGetInvertOnOff(_CH2);
    controlSetInvertOnOff(_CH1, false);
    controlSetInvertOnOff(_CH2, false);
    if (newerHardware()) {
        d_peakDetection = controlGetPeakDetectionOnOff();
        controlSetPeakDetectionOnOff(true);
    }
    d_prepared = true;

    controlSetVoltageOffset(ch_, 200.0);
    controlSetTimeDiv(_20MS_DIV);
    controlSetTriggerSource(ch_);
    controlSetHorizontalPosition(250.0);
    controlSetTriggerType(1, 0);
    controlSetTriggerMode(_AUTO);
    controlSetTriggerLevel(200.0);
    controlSetTriggerSlope(1);
    controlSetIntensityFactor(125.0f);
    controlSetPersistence(0);
    controlSetLineJoinMode(2);
    controlSetDelayOnOff(false);
    controlSetETSOnOff(true);
}

void AutoSet::restore() {
    if (!d_prepared) return;
    d_prepared = false;
    if (newerHardware()) controlSetPeakDetectionOnOff(d_peakDetection != 0);
    controlSetInvertOnOff(_CH1, d_invertCh1 != 0);
    controlSetInvertOnOff(_CH2, d_invertCh2 != 0);
}

bool AutoSet::runOneChannel() {
    const int ch = controlGetChannelOnOff(_CH1) ? _CH1 : _CH2;
    prepare(ch);
    searchVoltDivStage1(ch);
    searchTimeDiv(ch);
    return true;
}

bool AutoSet::runTwoChannels() {
    int source = controlGetTriggerSource();
    if (source != _CH1 && source != _CH2) source = _CH1;
    prepare(source);
    controlSetVoltageOffset(_CH1, 200.0);
    controlSetVoltageOffset(_CH2, 200.0);
    // The source last, so that the trigger level is set from its signal.
    const int first = source == _CH1 ? _CH2 : _CH1;
    searchVoltDivStage1(first);
    searchVoltDivStage1(source);
    searchTimeDiv(controlGetTriggerSource());
    // Channel 1 in the upper half, channel 2 in the lower, as seen once the invert flags are back.
    controlSetVoltageOffset(_CH1, d_invertCh1 ? 100.0 : 300.0);
    controlSetVoltageOffset(_CH2, d_invertCh2 ? 300.0 : 100.0);
    for (int ch : {int(_CH1), int(_CH2)}) {
        const int code = controlGetVoltageDiv(ch);
        if (code != _10V_DIV) controlSetVoltageDiv(ch, code + 1);
    }
    return true;
}

void AutoSet::searchVoltDivStage1(int ch_) { searchVoltDivStage(ch_, 1); }
void AutoSet::searchVoltDivStage2(int ch_) { searchVoltDivStage(ch_, 2); }
void AutoSet::searchVoltDivStage3(int ch_) { searchVoltDivStage(ch_, 3); }

void AutoSet::searchVoltDivStage(int ch_, int stage_) {
    if (d_instrumentSilent) return;
    controlSetVoltageDiv(ch_, stageStartCode(controlGetHardwareVersion(), stage_));
    int lo = 0, hi = 0;
    bool captured = false;
    for (int i = 0; i < 2; ++i) {
        controlSetTimeDiv(kAmplitudeTimeDivs[i]);
        sleep(SETTLING_PAUSE);
        int mn = 0, mx = 0;
        captured = measureMinMax(ch_, mn, mx) || captured;
        lo = i == 0 ? mn : std::min(lo, mn);
        hi = i == 0 ? mx : std::max(hi, mx);
    }
    if (!captured) {
        controlSetVoltageDiv(ch_, d_originalVoltDiv[ch_ == _CH2 ? _CH2 : _CH1]);
        return;
    }

    const double middle = controlGetAdcLevels() * 0.5;
    const int dHi = std::abs(static_cast<int>(hi - middle));
    const int dLo = std::abs(static_cast<int>(lo - middle));
    const int d = dLo > dHi ? dLo : dHi;
    float t = static_cast<float>(d) * static_cast<float>(controlGetCalibrationGain(ch_, controlGetChannelCoupling(ch_),
                                                                                   controlGetVoltageDiv(ch_)));
    const double amp = controlGetADCAmpFactor();
    if (newerHardware() && amp > 0) t = static_cast<float>(t * 4 * (2.5 / amp) * 8 / 9);

    const int code = voltDivForSwing(stage_, t);
    if (code < 0) {
        searchVoltDivStage(ch_, stage_ + 1);
        return;
    }
    setTriggerLevel(ch_, lo, hi);
    controlSetVoltageDiv(ch_, code);
}

int AutoSet::voltDivForSwing(int stage_, float swing_) {
    const double t = swing_;
    switch (stage_) {
    case 1:
        if (t > 819.2) return -1;
        if (t > 327.69) return 3;
        if (t > 163.84) return 2;
        return 1;
    case 2:
        if (t > 819.2) return -1;
        if (t > 327.69) return 6;
        if (t > 163.84) return 5;
        if (t > 81.92) return 4;
        return 3;
    default:
        if (t > 819.2) return 10;
        if (t > 327.68) return 9;
        if (t > 163.84) return 8;
        if (t > 81.92) return 7;
        return 6;
    }
}

int AutoSet::stageStartCode(int hardwareVersion_, int stage_) {
    static constexpr int older[] = {2, 5, 8};
    static constexpr int newer[] = {4, 7, 10};
    const int i = std::clamp(stage_, 1, 3) - 1;
    return hardwareVersion_ > _HW2 ? newer[i] : older[i];
}

bool AutoSet::measureMinMax(int ch_, int& min_, int& max_) {
    const int levels = controlGetAdcLevels();
    min_ = levels;
    max_ = 0;
    short** slot = d_views.rawDataSlot(ch_);
    if (!slot || d_instrumentSilent) return false;
    for (int attempt = 0; attempt < CAPTURE_ATTEMPTS; ++attempt) {
        const bool captured = d_capture(ch_, slot);
        keepWaitWindowPainted();
        // Each timed-out capture costs the kernel's whole time-out: retried through every
        // stage and time base, a silent instrument froze the GUI for minutes.
        if (!captured && controlGetCaptureTimedOut()) {
            d_instrumentSilent = true;
            return false;
        }
        const short* record = *slot;
        if (!captured || !record) continue;
        int lo = levels, hi = -1;
        const int end = controlGetBufferSize() - SKIPPED_SAMPLES - 1;
        for (int i = SKIPPED_SAMPLES; i <= end; ++i) {
            const int code = sampleCodeOf(record[i], levels);
            if (code < 0) continue;
            lo = std::min(lo, code);
            hi = std::max(hi, code);
        }
        if (hi >= 0) {
            min_ = lo;
            max_ = hi;
            return true;
        }
    }
    return false;
}

void AutoSet::setTriggerLevel(int ch_, int min_, int max_) {
    if (!newerHardware()) {
        const int code = controlGetVoltageDiv(ch_);
        controlSetVoltageDiv(ch_, code == 2 ? 4 : code == 5 ? 7 : 10);
    }
    const int rLo = controlRawToRow(ch_, static_cast<short>(min_));
    const int rHi = controlRawToRow(ch_, static_cast<short>(max_));
    controlSetTriggerLevel((rLo + rHi) * 0.5);
}

bool AutoSet::searchTimeDiv(int ch_) {
    unsigned char** image = d_views.displayBufferSlot(ch_);
    bool captured = false;
    double period = 0;
    for (int code : kPeriodTimeDivs) {
        if (d_instrumentSilent) break;
        controlSetTimeDiv(code);
        sleep(SETTLING_PAUSE);
        int lo = 0, hi = 0;
        captured = measureMinMax(ch_, lo, hi) || captured;
        if (image && controlGetChannelOnOff(ch_)) *image = controlGetDisplayBuffer(ch_);
        period = measurePeriod(ch_);
        if (period != 0) break;
    }
    if (period == 0) {
        // A signal without a period gets the fallback; no record at all leaves the time base.
        controlSetTimeDiv(captured ? FALLBACK_TIME_DIV : d_originalTimeDiv);
        return false;
    }
    chooseTimeDiv(period);
    return true;
}

double AutoSet::measurePeriod(int ch_) {
    if (!p_measure) return 0;
    unsigned char** slot = d_views.displayBufferSlot(ch_);
    const unsigned char* image = slot ? *slot : nullptr;
    if (!image || controlGetDisplayWidth() != kMeasureColumns || controlGetDisplayHeight() != kMeasureRows) return 0;

    // The kernel's image is row-major (row 0 at the bottom); the library takes columns.
    std::vector<unsigned char> columns(static_cast<size_t>(kMeasureColumns) * kMeasureRows);
    for (int row = 0; row < kMeasureRows; ++row)
        for (int column = 0; column < kMeasureColumns; ++column)
            columns[static_cast<size_t>(column) * kMeasureRows + row] = image[row * kMeasureColumns + column];

    measurement_results r{};
    r.enable[_MEASURE_PERIOD] = true;
    const double centre = std::clamp(controlGetVoltageOffset(ch_), 0.0, 65535.0);
    p_measure->measure_all(reinterpret_cast<const unsigned char(*)[kMeasureRows]>(columns.data()),
                           static_cast<unsigned short>(centre),
                           static_cast<float>(volt_per_div(controlGetVoltageDiv(ch_))),
                           sec_per_div(controlGetTimeDiv()), r.enable, r.result, 90, 10);
    return r.result[_MEASURE_PERIOD];
}

int AutoSet::timeDivForPeriod(double period_) {
    if (!(period_ > 0) || !std::isfinite(period_)) return FALLBACK_TIME_DIV;
    const double x = PERIOD_FACTOR * period_;
    for (int k = 0; k <= kLastChosenTimeDiv; ++k)
        if (x < 2.5 * sec_per_div(k)) return k;
    return FALLBACK_TIME_DIV;
}

void AutoSet::chooseTimeDiv(double period_) { controlSetTimeDiv(timeDivForPeriod(period_)); }

void AutoSet::sleep(int milliseconds) {
    if (d_pause) {
        d_pause(milliseconds);
    } else {
        constexpr auto nap = std::chrono::milliseconds(10);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end) {
            keepWaitWindowPainted();
            std::this_thread::sleep_for(nap);
        }
    }
    keepWaitWindowPainted();
}

void AutoSet::keepWaitWindowPainted() {
    if (p_wait) p_wait->keepPainted();
}
