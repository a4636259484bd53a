#include "capture.h"

#include "buffer_raw_data.h"
#include "calibration.h"
#include "data_acquisition.h"
#include "data_acquisition_roll.h"
#include "hardware.h"
#include "state.h"
#include "thread_flags.h"
#include "transform_hardware_raw.h"
#include "trevan_error.h"

#include <algorithm>
#include <cassert>

namespace {

const char* const kCaptureSource = "kernel\\capture";

} // namespace

RunStateView::~RunStateView() = default;
void RunStateView::updateRunStopControls(int) {}
void RunStateView::updateSingleShotButton() {}

Capture::Capture(Hardware* hardware_p, State* state_p, BufferRawData* bufferRawData_p,
                 TransformHardwareRaw* transform_p)
    : p_hardware(hardware_p), p_state(state_p), p_bufferRawData(bufferRawData_p), p_transform(transform_p) {
    assert(hardware_p && "hardware_p");
    assert(state_p && "state_p");
    assert(bufferRawData_p && "bufferRawData_p");
    assert(transform_p && "transform_p");
}

void Capture::setRunStateView(RunStateView* view) { p_view = view ? view : &d_noView; }

bool Capture::fail(CaptureFailure failure, int errorCode, int line) {
    if (failure == CaptureFailure::Device || failure == CaptureFailure::TimedOut) {
        if (abortReadFlag.load()) {
            // Cut short on purpose (a time-base change): no new data, and nothing went wrong.
            d_failure = CaptureFailure::NoNewData;
            return false;
        }
        if (errorCode >= 0) push_error(errorCode, kCaptureSource, line);
        if (failure == CaptureFailure::TimedOut) push_error(_ERR_TIME_OUT, kCaptureSource, line);
    }
    d_failure = failure;
    return false;
}

bool Capture::pollTrigger() {
    int failed = 0;
    const auto failedRequest = [&] {
        const bool timedOut = p_hardware->lastTransferTimedOut();
        // Waiting for its trigger, an instrument may leave the status request unanswered:
        // not triggered yet, however long the user waits. Refusals and a lost device stay failures.
        if (timedOut && waitsForTrigger() && !abortReadFlag.load()) {
            triggerTimeoutFlag = 1;
            return fail(CaptureFailure::NoTrigger);
        }
        return fail(timedOut ? CaptureFailure::TimedOut : CaptureFailure::Device, _ERR_READ_REGISTERS, __LINE__);
    };
    for (int attempt = 1; attempt <= TRIGGER_POLL_ATTEMPTS; ++attempt) {
        if (abortReadFlag.load()) return fail(CaptureFailure::NoNewData);
        if (p_hardware->pollTrigger(&failed, POLL_TIME_OUT) == 1) return true;
        if (failed) return failedRequest();
        // Only the tenth attempt's second reply decides; earlier ones just pace the polling.
        const int second = p_hardware->pollTrigger(&failed, POLL_TIME_OUT);
        if (failed) return failedRequest();
        if (second != 1 && attempt == TRIGGER_POLL_ATTEMPTS) {
            triggerTimeoutFlag = 1;
            return fail(CaptureFailure::NoTrigger);
        }
    }
    return true;
}

bool Capture::waitsForTrigger() const {
    return !p_state->isRoll() && (p_state->d_triggerMode == _NORMAL || p_state->d_runState == _SINGLE);
}

bool Capture::checkStatus() {
    const SampleRecord record = p_hardware->sampleRecord();
    const unsigned char* d = record.data;
    if (!d || record.bytes < 4) return fail(CaptureFailure::NoNewData);
    const bool good = !sampleWordError(d[STATUS_WORD_OFFSET], d[STATUS_WORD_OFFSET + 1]) &&
                      !sampleWordError(d[STATUS_COPY_OFFSET], d[STATUS_COPY_OFFSET + 1]);
    const int first = sampleWordValue(d[STATUS_WORD_OFFSET], d[STATUS_WORD_OFFSET + 1]);
    const int copy = sampleWordValue(d[STATUS_COPY_OFFSET], d[STATUS_COPY_OFFSET + 1]);
    if (!good || first != copy) {
        // One such capture is a glitch; an instrument that keeps sending them would leave a
        // frozen display without a word.
        if (d_mismatchRun < STATUS_MISMATCHES_TOLD && ++d_mismatchRun == STATUS_MISMATCHES_TOLD)
            push_error(_ERR_STATUS_MISMATCH, kCaptureSource, __LINE__);
    } else {
        d_mismatchRun = 0;
    }
    if (p_state->d_hardwareVersion <= _HW2) {
        if (!good || first != copy || (first & STATUS_TDC_MASK) == 0) return fail(CaptureFailure::NoNewData);
    } else if (!good || first != copy) {
        if (p_registerBlock) p_hardware->writeRegisters2(p_registerBlock, REGISTER_TIME_OUT);
        return fail(CaptureFailure::NoNewData);
    }
    return true;
}

bool Capture::fetchRecords(int sel, short** out1, short** out2, bool single) {
    short* ch1 = p_bufferRawData->data(_CH1);
    short* ch2 = p_bufferRawData->data(_CH2);
    bool present = true;
    if (single) {
        if (sel == 0 || sel == _CH1) present = ch1 != nullptr;
        if (sel == 0 || sel == _CH2) present = present && ch2 != nullptr;
        if (out1) *out1 = sel == _CH2 ? nullptr : ch1;
        if (out2) *out2 = sel == _CH1 ? nullptr : ch2;
        if (!present) return false;
        fillSelected(sel);
        return true;
    }
    short* first = sel == _CH2 ? ch2 : ch1;
    if (out1) *out1 = first;
    if (sel == 0 && out2) *out2 = ch2;
    present = first != nullptr && (sel != 0 || ch2 != nullptr);
    if (!present) push_error(_ERR_NO_BUFFER, kCaptureSource, __LINE__);
    return present;
}

void Capture::fillSelected(int sel) {
    if (sel == 0 || sel == _CH1) p_bufferRawData->fill(_CH1, EMPTY_SAMPLE);
    if (sel == 0 || sel == _CH2) p_bufferRawData->fill(_CH2, EMPTY_SAMPLE);
}

bool Capture::read(int timeOut, bool startOnFailure) {
    if (!p_hardware->readSampleBuffer(timeOut)) {
        const bool timedOut = p_hardware->lastTransferTimedOut();
        if (startOnFailure) p_hardware->start(START_TIME_OUT);
        // As for the status request: an instrument waiting for its trigger may hold back
        // its record too.
        if (timedOut && waitsForTrigger() && !abortReadFlag.load()) {
            triggerTimeoutFlag = 1;
            return fail(CaptureFailure::NoTrigger);
        }
        return fail(timedOut ? CaptureFailure::TimedOut : CaptureFailure::Device);
    }
    return true;
}

bool Capture::hasSamples(int sel) const {
    for (int ch : {int(_CH1), int(_CH2)}) {
        if (sel != 0 && sel != ch) continue;
        const short* record = p_bufferRawData->data(ch);
        const int n = std::min(p_state->d_bufferSize, p_bufferRawData->size(ch));
        if (!record || n <= 0) continue;
        if (std::any_of(record, record + n, [](short v) { return v != EMPTY_SAMPLE; })) return true;
    }
    return false;
}

void Capture::finishSingleShot() {
    if (d_singleShotStop) d_singleShotStop();
    p_view->updateRunStopControls(_STOP);
    p_view->updateSingleShotButton();
}

bool Capture::decode(SampleRecord record) {
    return p_transform->transform(record, 1) || fail(CaptureFailure::NoNewData);
}

bool Capture::readRoll() {
    const int bytes = DataAcquisitionRoll::bytesPerRead(p_state->d_timeDiv);
    if (bytes == 0) return fail(CaptureFailure::NoNewData);
    d_rollBytes.clear();
    for (int r = 0; r < DataAcquisitionRoll::readsPerCapture(p_state->d_timeDiv); ++r) {
        if (!read(DataAcquisitionRoll::READ_TIME_OUT, false)) return false;
        // Each read's own bytes: a short one leaves the record short, which the decoder refuses.
        const SampleRecord one = p_hardware->sampleRecord();
        const unsigned int n = std::min({one.bytesRead, one.bytes, static_cast<unsigned int>(bytes)});
        if (one.data) d_rollBytes.insert(d_rollBytes.end(), one.data, one.data + n);
    }
    return true;
}

SampleRecord Capture::rollRecord() const {
    const auto n = static_cast<unsigned int>(d_rollBytes.size());
    return {d_rollBytes.data(), n, n};
}

bool Capture::acquire(int sel, short** out1, short** out2) {
    triggerTimeoutFlag = 0;
    d_failure = CaptureFailure::None;
    const int timeOut = p_state->d_defaultTimeOut;
    if (!fetchRecords(sel, out1, out2, false)) return fail(CaptureFailure::NoNewData);
    p_state->d_triggeredFlag = false;

    switch (p_state->d_acquisitionMode) {
    case _REAL_TIME:
        if (!pollTrigger()) return false;
        fillSelected(sel);
        if (!read(timeOut, true) || !checkStatus() || !decode(p_hardware->sampleRecord())) return false;
        break;
    case _ETS_MODE1:
    case _ETS_MODE2: {
        if (!pollTrigger()) return false;
        if (p_state->d_hardwareVersion >= _HW4) {
            unsigned char counter[2] = {0, 0};
            const Calibration* cal = p_state->p_calibration;
            if (p_hardware->readCounter(counter, REGISTER_TIME_OUT) && cal)
                p_state->d_ETSOffsetMargin = (static_cast<signed char>(counter[0]) - cal->chipTemperatureCalib) / 9;
        }
        const int reads = std::max(p_state->d_ETSReadCount, 1);
        for (int r = 0; r < reads; ++r)
            if (!read(READ_TIME_OUT, false) || !checkStatus() || !decode(p_hardware->sampleRecord())) return false;
        updateETSWindow(*p_state);
        break;
    }
    case _ROLL:
    case _ROLL2:
    case _ROLL3:
        if (!readRoll() || !decode(rollRecord())) return false;
        break;
    case _RIS:
        if (!pollTrigger()) return false;
        fillSelected(sel);
        if (!read(READ_TIME_OUT, true) || !checkStatus() || !decode(p_hardware->sampleRecord())) return false;
        updateETSWindow(*p_state);
        break;
    default: return fail(CaptureFailure::NoNewData);
    }
    // Success means a record to show: every phase rejected, or a record the decoder left
    // empty, is no new data.
    return hasSamples(sel) || fail(CaptureFailure::NoNewData);
}

bool Capture::acquireSingle(int sel, short** out1, short** out2) {
    d_failure = CaptureFailure::None;
    const int timeOut = p_state->d_defaultTimeOut;
    if (!fetchRecords(sel, out1, out2, true)) return fail(CaptureFailure::NoNewData);

    switch (p_state->d_acquisitionMode) {
    case _REAL_TIME:
        if (!pollTrigger() || !read(timeOut, false) || !decode(p_hardware->sampleRecord())) return false;
        if (!p_state->d_triggeredFlag) return true;
        break;
    case _RIS:
        if (!pollTrigger() || !read(READ_TIME_OUT, false) || !decode(p_hardware->sampleRecord())) return false;
        if (!p_state->d_triggeredFlag) return true;
        updateETSWindow(*p_state);
        break;
    case _ROLL:
    case _ROLL2:
    case _ROLL3:
        if (!readRoll() || !decode(rollRecord())) return false;
        break;
    default: return true;
    }
    finishSingleShot();
    return true;
}
