// Zero calibration, the parts both generations share: the dispatch, the reset, the offset DAC,
// the measurement, one sweep and the frame that restores everything on failure.
#include "control.h"

#include "advanced_trigger.h"
#include "calibration.h"
#include "clock.h"
#include "hardware.h"
#include "register.h"
#include "trevan_error.h"
#include "usb_backend.h"
#include "zero_calibration.h"

#include <algorithm>
#include <cassert>
#include <vector>

namespace {

constexpr int kTimeOut = 500;
constexpr int kCaptureAttempts = 10;
constexpr int kDiscardedCaptures = 2; // the first captures after a change still settle
constexpr int kCountedMinimum = 3;
constexpr int kRetryPauseMs = 50;
constexpr int kFailuresInARow = 2; // a glitch fails one capture; a dead instrument every one
constexpr int kSettleMs = 200;

void pause(Control& c, int ms) {
    Clock& clock = c.p_usbBackend ? c.p_usbBackend->clock() : steadyClock();
    clock.sleepFor(std::chrono::milliseconds(ms));
}

// The pages writeToHardware is about to write, as the memory holds them now.
bool readMemoryImage(Hardware& hw, int length, std::vector<unsigned char>& image) {
    image.assign(static_cast<size_t>(length), 0);
    for (int offset = 0; offset < length; offset += CALIBRATION_PAGE_BYTES)
        if (!hw.readMemoryBlock(image.data() + offset, CALIBRATION_MEMORY_ADDRESS + offset, CALIBRATION_TIME_OUT))
            return false;
    return true;
}

void writeMemoryImage(Hardware& hw, const std::vector<unsigned char>& image) {
    for (size_t offset = 0; offset < image.size(); offset += CALIBRATION_PAGE_BYTES)
        hw.writeMemoryBlock(image.data() + offset, CALIBRATION_MEMORY_ADDRESS + static_cast<int>(offset),
                            CALIBRATION_PAGE_BYTES, CALIBRATION_TIME_OUT);
}

// The memory rewritten from the constants. A page that cannot be written leaves some pages
// new: the pages read beforehand are put back, so the memory keeps what it held.
bool writeCalibrationMemory(Control& c) {
    std::vector<unsigned char> before;
    const int length = calibrationMemoryLength(c.p_calibration->HardwareVersion);
    if (!readMemoryImage(*c.p_hardware, length, before)) {
        push_error(_ERR_READ_CALIBRATION, "kernel\\control_zero_calibration", __LINE__);
        return false;
    }
    if (c.writeCalibrationToHardware()) return true;
    writeMemoryImage(*c.p_hardware, before);
    return false;
}

// A DAC write that failed once is a glitch: one more after the pause.
bool writeDac(Control& c, int value, int ch) {
    const int selector = ch == _CH1 ? 0 : 1;
    if (c.writeOffsetDac(value, selector)) return true;
    pause(c, kRetryPauseMs);
    return c.writeOffsetDac(value, selector);
}

} // namespace

int Control::zeroCalibration(int ch) {
    const int version = p_state->d_hardwareVersion;
    if (version >= _HW3) return zeroCalibrationHw3(ch);
    if (version >= _HW1) return zeroCalibrationHw12(ch);
    return 1;
}

int Control::runZeroCalibration(int ch, bool (Control::*search)(int), bool (Control::*fit)(int)) {
    if (ch != _CH1 && ch != _CH2) return 0;
    // A calibration that succeeds leaves no error of a glitch it rode out.
    return operation(true, [&] { return calibrate(ch, search, fit) == 1; }) ? 1 : 0;
}

int Control::calibrate(int ch, bool (Control::*search)(int), bool (Control::*fit)(int)) {
    const State saved = *p_state;
    const Calibration savedConstants = *p_calibration;

    // A shorted input never fires a normal trigger, and averaging would mix the records of
    // earlier DAC values into a measurement; the saved settings come back at the end.
    d_zeroSignalSeen = d_zeroSearchPinned = false;
    bool ok = resetChannelCalibration(ch) && setTriggerMode(_AUTO);
    setNumberOfAverage(1); // false while no channel is on; the count holds all the same
    ok = ok && (this->*search)(ch) && (this->*fit)(ch);
    // Constants from a signal would blank the display: nothing of them is kept.
    if (!ok && (d_zeroSignalSeen || d_zeroSearchPinned))
        push_error(_ERR_INPUT_NOT_SHORTED, "kernel\\control_zero_calibration", __LINE__);
    if (ok) {
        applyState(saved);
        ok = writeCalibrationMemory(*this);
    }
    if (ok) return 1;
    *p_calibration = savedConstants;
    applyState(saved);
    return 0;
}

bool Control::resetChannelCalibration(int ch) {
    if (ch != _CH1 && ch != _CH2) return false;
    resetZeroConstants(*p_calibration, ch);
    return setBufferSizeMode(_10K);
}

bool Control::writeOffsetDac(int value, int selector) {
    const int v = std::clamp(value, 0, 4095);
    p_register->setOffsetDac(selector == 0 ? _CH1 : _CH2, v & 0xFF, (v >> 8) & 0x0F);
    return p_hardware->writeDacBlock(p_register->getDacBlock(), kTimeOut);
}

bool Control::sampleMeans(const short* record, int& evenMean, int& oddMean) const {
    const State& s = *p_state;
    assert((s.d_timeDiv == _10US_DIV || s.d_timeDiv == _20US_DIV) &&
           "p_state->d_timeDiv == _10US_DIV || p_state->d_timeDiv == _20US_DIV");
    assert(s.d_bufferSizeMode == _10K && "p_state->d_bufferSizeMode == _10K");
    assert(s.d_bufferSize == 10000 && "p_state->d_bufferSize == 10000");
    assert((s.d_channelsOnOff == _CH1_ON_CH2_OFF || s.d_channelsOnOff == _CH1_OFF_CH2_ON) &&
           "p_state->d_channelsOnOff == _CH1_ON_CH2_OFF || p_state->d_channelsOnOff == _CH1_OFF_CH2_ON");
    if ((s.d_timeDiv != _10US_DIV && s.d_timeDiv != _20US_DIV) || s.d_bufferSizeMode != _10K ||
        s.d_bufferSize != 10000 || (s.d_channelsOnOff != _CH1_ON_CH2_OFF && s.d_channelsOnOff != _CH1_OFF_CH2_ON) ||
        !record)
        return false;
    const OffsetMeans m = sampleMeansOf(record, s.d_bufferSize);
    evenMean = m.even;
    oddMean = m.odd;
    return true;
}

bool Control::measureOffset(int ch, int& evenMean, int& oddMean) {
    const int levels = p_state->d_adcLevels;
    long long sumEven = 0, sumOdd = 0;
    int counted = 0, failedInARow = 0;
    for (int attempt = 0; attempt < kCaptureAttempts; ++attempt) {
        short* record = nullptr;
        if (!acquire(ch, &record, nullptr)) {
            if (captureFailedOnDevice() && ++failedInARow >= kFailuresInARow) return false;
            pause(*this, kRetryPauseMs);
            continue;
        }
        failedInARow = 0;
        if (attempt < kDiscardedCaptures) continue;
        const RecordShape shape = recordShape(record, p_state->d_bufferSize, levels);
        if (shape == RecordShape::Signal) {
            d_zeroSignalSeen = true;
            return false;
        }
        int even = 0, odd = 0;
        if (shape == RecordShape::Incomplete || !sampleMeans(record, even, odd)) continue;
        sumEven += even;
        sumOdd += odd;
        ++counted;
    }
    if (counted < kCountedMinimum) return false;
    evenMean = static_cast<int>(sumEven / counted);
    oddMean = static_cast<int>(sumOdd / counted);
    return true;
}

bool Control::measureAtDac(int ch, int value, int settleMs, int& followed, int& other) {
    if (!writeDac(*this, value, ch)) return false;
    pause(*this, settleMs);
    OffsetMeans m;
    if (!measureOffset(ch, m.even, m.odd)) return false;
    const FollowedMeans f = followedMeans(m, ch, p_state->d_timeDiv);
    followed = f.followed;
    other = f.other;
    return true;
}

bool Control::sweepWithFallBack(int ch, int (Control::*sweep)(int, int), const char* source, int line) {
    const ZeroSearchStarts s = zeroSearchStarts(p_state->d_hardwareVersion, p_state->d_ADCAmpFactor);
    if ((this->*sweep)(ch, s.start)) return true;
    // The second start helps a search that lost its way, not a dead instrument nor a signal.
    if (!captureFailedOnDevice() && !d_zeroSignalSeen && (this->*sweep)(ch, s.high)) {
        d_zeroSearchPinned = false; // the input was shorted after all
        return true;
    }
    push_error(_ERR_ZERO_CALIBRATION, source, line);
    return false;
}

bool Control::setZeroCalibrationChannel(int ch, int coupling, int voltDiv, int timeDiv) {
    const int other = ch == _CH1 ? _CH2 : _CH1;
    return setChannelOnOff(ch, true) && setChannelOnOff(other, false) && setChannelCoupling(ch, coupling) &&
           setVoltageDiv(ch, voltDiv) && setTimeDiv(timeDiv);
}

int Control::sweepOffsets(int ch, int start, const int* steps, int stepCount, int coupling, int tolerance) {
    const int version = p_state->d_hardwareVersion;
    const int base = zeroSearchStarts(version, p_state->d_ADCAmpFactor).base;
    const ZeroOffsetTargets targets = zeroOffsetTargets(*p_calibration, ch, coupling == _AC);
    ZeroDacSearch rules;
    rules.hardwareVersion = version;
    rules.adcLevels = p_state->d_adcLevels;
    rules.tolerance = tolerance;

    for (int k = 0; k < stepCount; ++k) {
        const int timeDiv = zeroStepTimeDiv(k);
        if (!setZeroCalibrationChannel(ch, coupling, steps[k], timeDiv)) return 0;
        bool first = true;
        const auto write = [&](int v) {
            if (!writeDac(*this, v, ch)) return false;
            if (first) pause(*this, kSettleMs);
            first = false;
            return true;
        };
        const auto measure = [&]() -> std::optional<FollowedMeans> {
            OffsetMeans m;
            if (!measureOffset(ch, m.even, m.odd)) return std::nullopt;
            return followedMeans(m, ch, timeDiv);
        };
        const ZeroDacOutcome out = searchZeroDac(rules, start, write, measure);
        // Pinned at the bottom, or the DAC at its end: no offset brings this input to mid-scale.
        const bool pinned = out.result == ZeroSearchResult::AtBottom ||
                            ((out.result == ZeroSearchResult::Found || out.result == ZeroSearchResult::NoConvergence) &&
                             !dacWithinRange(out.dac));
        if (pinned) d_zeroSearchPinned = true;
        if (out.result != ZeroSearchResult::Found || pinned) return 0;
        storeZeroStep(targets, version, k, base - out.dac, converter2Offset(out.means, rules.adcLevels));
        pumpGuiEvents();
    }
    return 1;
}
