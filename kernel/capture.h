#pragma once
// One capture from the instrument into the raw records: the trigger-status polling, the
// sample-buffer read, the check of the two status words and the hand-over of the record
// (Hardware::sampleRecord) to TransformHardwareRaw. Control::acquire and Control::acquireSingle forward here.
//
// Runs on the worker thread. It writes triggerTimeoutFlag (thread_flags.h); the reads watch
// abortReadFlag inside the Hardware. Failures push their codes and return false.

#include "hardware.h"

#include <functional>
#include <vector>

class State;
class BufferRawData;
class TransformHardwareRaw;

// What the main window shows of the run state; a finished single shot refreshes it on the
// worker thread. The defaults do nothing (no main window yet, or none at all).
class RunStateView {
public:
    virtual ~RunStateView();
    virtual void updateRunStopControls(int runState_);
    virtual void updateSingleShotButton();
};

// Why the last capture brought no new record.
enum class CaptureFailure {
    None,      // it did bring one
    NoTrigger, // the status polls saw no capture ready (triggerTimeoutFlag)
    NoNewData, // rejected status words, undecodable or empty record, or abortReadFlag
    Device,    // a request to the instrument failed (its error is on the stack)
    TimedOut,  // ... because the instrument stopped answering ("Time-out" on the stack)
};

class Capture {
public:
    static constexpr int TRIGGER_POLL_ATTEMPTS = 10;
    static constexpr int POLL_TIME_OUT = 500;  // ms, each status request
    static constexpr int READ_TIME_OUT = 500;  // ms, ETS and RIS reads
    static constexpr int START_TIME_OUT = 100; // ms, the start request after a failed read
    static constexpr int REGISTER_TIME_OUT = 500;
    // Captures in a row with differing status copies after which the user is told (error 27).
    static constexpr int STATUS_MISMATCHES_TOLD = 5;

    // All four required; none owned.
    Capture(Hardware* hardware_p, State* state_p, BufferRawData* bufferRawData_p, TransformHardwareRaw* transform_p);

    // The register block (the image from register 1 on) sent again with the second block
    // request when the two status copies differ on _HW3/_HW4. Null: nothing is sent.
    void setRegisterBlock(unsigned char* block_p) { p_registerBlock = block_p; }
    // Runs after a triggered single shot (and after every roll single shot): Control puts
    // the switch to _STOP and the re-render of the stopped capture here.
    void setSingleShotStop(std::function<void()> stop_) { d_singleShotStop = std::move(stop_); }
    // Not owned; null restores the no-op view.
    void setRunStateView(RunStateView* view_);

    // One capture in the running state. sel_ 1 or 2 one channel, 0 both. *out1_ receives
    // the raw record of the selected channel (channel 1 for sel_ 0), *out2_ channel 2's for
    // sel_ 0 (left alone otherwise); either may be null. False means no new record: no trigger
    // (triggerTimeoutFlag set), a failed status request or read, a rejected status, an
    // undecodable buffer, a record left without a single sample, a missing record (error
    // 16); lastFailure() says which. A failed status request is a failed capture: it pushes
    // error 7, and "Time-out" when the instrument did not answer (outside NORMAL mode, see
    // pollTrigger). abortReadFlag ends it.
    bool acquire(int sel_, short** out1_, short** out2_);
    // One capture in the single-shot state. sel_ 1: *out2_ null; sel_ 2: *out1_ null and
    // *out2_ channel 2's record. Real time and RIS return true without a trigger and stay in
    // single shot; a triggered capture (or any roll capture) runs the single-shot stop and
    // refreshes the view. ETS does not read at all (true). A missing record: false, no error.
    bool acquireSingle(int sel_, short** out1_, short** out2_);

    // Up to ten attempts of one status request, plus a second when the first reply is not 1.
    // True when a reply of 1 ended the polling or the second reply of the tenth attempt is
    // 1; otherwise triggerTimeoutFlag is set and false returned. A request that fails ends
    // the polling with false at once (see acquire), as does abortReadFlag. In NORMAL mode and
    // in single shot a request that timed out is no failure but no trigger yet (no error).
    bool pollTrigger();
    CaptureFailure lastFailure() const { return d_failure; }
    // The last STATUS_MISMATCHES_TOLD or more status checks in a row saw differing copies.
    bool statusCopiesDiffer() const { return d_mismatchRun >= STATUS_MISMATCHES_TOLD; }
    // The status words of the buffer just read. _HW1/_HW2: both copies equal and bits 0-6
    // not all 0; _HW3/_HW4: copies equal, else the register block is sent again. A copy that
    // does not decode counts as differing. False pushes nothing, except that the
    // STATUS_MISMATCHES_TOLD-th differing check in a row pushes error 27.
    bool checkStatus();

private:
    // NORMAL mode or single shot, not roll: the instrument may wait for its trigger without
    // limit, and a status request or read that times out means no trigger yet.
    bool waitsForTrigger() const;
    // The selected records into the out-pointers; false when one is missing.
    bool fetchRecords(int sel_, short** out1_, short** out2_, bool single_);
    void fillSelected(int sel_);
    // Read with the time-out; on failure optionally the start request.
    bool read(int timeOut_, bool startOnFailure_);
    // Records why the capture failed; returns false. A failed request pushes errorCode_ (none
    // when negative) and "Time-out" when it timed out; one ended by abortReadFlag pushes nothing.
    bool fail(CaptureFailure failure_, int errorCode_ = -1, int line_ = 0);
    // transform of record_, flag 1; its failure is no new data.
    bool decode(SampleRecord record_);
    // The reads of one roll capture, each read's bytes after the last's in d_rollBytes.
    bool readRoll();
    SampleRecord rollRecord() const;
    // The selected records hold at least one sample.
    bool hasSamples(int sel_) const;
    void finishSingleShot();

    Hardware* p_hardware;
    State* p_state;
    BufferRawData* p_bufferRawData;
    TransformHardwareRaw* p_transform;
    unsigned char* p_registerBlock = nullptr;
    std::function<void()> d_singleShotStop;
    RunStateView d_noView;
    RunStateView* p_view = &d_noView;
    CaptureFailure d_failure = CaptureFailure::None;
    int d_mismatchRun = 0;
    std::vector<unsigned char> d_rollBytes;
};
