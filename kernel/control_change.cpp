// One command to the instrument, taken whole or not at all. A setter's writes run as one
// change: a write that fails is asked again once by the transport (a glitch); a write that
// fails twice takes the change back. The kernel returns to the settings it had and sends
// them again (every write is idempotent); if even that fails, or the instrument has stopped
// answering, the instrument is marked as differing and the next capture applies the whole
// State first. Either way one error, naming the setting, tells what failed.
#include "control.h"

#include "buffer_display_data.h"
#include "hardware.h"
#include "notifier.h"
#include "register.h"
#include "time_base_tables.h"
#include "transform_hardware_raw.h"
#include "transform_raw_display.h"
#include "trevan_error.h"
#include "usb_windriver.h"

namespace {

constexpr int kTimeOut = 500;

// Per thread: the GUI thread's setters and the worker's take-back and single-shot stop must
// not see each other's nesting.
thread_local int t_changes = 0;
thread_local int t_operations = 0;

struct Nesting {
    explicit Nesting(int& depth_) : depth(depth_) { ++depth; }
    ~Nesting() { --depth; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;
    int& depth;
};

} // namespace

bool Control::change(const std::string& what, const std::function<bool()>& writes) {
    // A setter inside another (volt/div moves the trigger level) is part of the outer change.
    if (t_changes > 0 || !p_state || !p_register || !p_hardware) return writes();
    Nesting nesting(t_changes);
    MessageHold hold;
    const unsigned long mark = error_mark();
    const State before = *p_state;
    const Register::Saved image = p_register->save();
    d_stoppedAnswering = false;
    const bool ok = writes();
    // A refused argument pushes nothing and has written nothing; a write that failed twice
    // pushed its error, whether or not the setter looked at the result.
    if (!errors_since(mark)) return ok;

    const bool silent = p_hardware->lastTransferTimedOut() || p_hardware->instrumentGone();
    d_stoppedAnswering = silent;
    keep_first_error_since(mark, silent ? what + ": the instrument does not answer" : what);
    const unsigned long kept = error_mark();
    takeBack(before, image);
    if (silent || !sendImage()) d_instrumentDiffers = true;
    drop_errors_since(kept); // the take-back's own failures: the one error says enough
    if (t_operations == 0) {
        const std::string text = take_errors_since(mark);
        if (!text.empty()) notifyUser(text);
    }
    return false;
}

bool Control::operation(bool dropErrorsOnSuccess, const std::function<bool()>& body) {
    Nesting nesting(t_operations);
    MessageHold hold;
    const unsigned long mark = error_mark();
    const bool ok = body();
    if (ok && dropErrorsOnSuccess) drop_errors_since(mark);
    return ok;
}

void Control::takeBack(const State& before, const Register::Saved& image) {
    const State failed = *p_state;
    *p_state = before;
    p_register->restore(image);
    State& s = *p_state;
    for (int ch = _CH1; ch <= _REFERENCE; ++ch) {
        if (failed.d_channel[ch].channelOnOff == s.d_channel[ch].channelOnOff) continue;
        if (s.d_channel[ch].channelOnOff)
            p_bufferDisplayData->create(ch, s.d_displayWidth, s.d_displayHeight);
        else
            p_bufferDisplayData->release(ch);
    }
    resizeRawRecords();
    if (failed.d_bufferSizeHardware != s.d_bufferSizeHardware)
        p_hardware->resize(static_cast<unsigned>(s.d_bufferSizeHardware));
    if (failed.d_acquisitionMode != s.d_acquisitionMode || failed.d_ETSOnOff != s.d_ETSOnOff) recreateAcquisition();
    for (int ch = _CH1; ch <= _REFERENCE; ++ch) p_transformRawDisplay->buildTable(ch);
    rebuildCalibrationTables();
    p_transformRawDisplay->initDecayTable();
    p_transformRawDisplay->updateETSWindow();
    updateReadLength();
    emptyRecords();
}

bool Control::sendImage() {
    const State& s = *p_state;
    Hardware& hw = *p_hardware;
    if (!hw.setRelays(p_register->getRelayByte(), kTimeOut)) return false;
    if (!s.isRoll() && !hw.writeByte(static_cast<unsigned char>(timeBaseParameter(s.d_timeDiv)), kTimeOut))
        return false;
    for (int ch : {int(_CH1), int(_CH2)}) {
        const int dac = offsetDac(ch, s.d_channel[ch].voltageOffset);
        p_register->setOffsetDac(ch, dac & 0xFF, (dac >> 8) & 0x0F);
        if (!hw.writeDacBlock(p_register->getDacBlock(), kTimeOut)) return false;
    }
    const int level = triggerLevelDac(s.d_triggerLevel);
    p_register->setTriggerLevelDac(s.d_triggerSource, level & 0xFF, (level >> 8) & 0x0F);
    if (!hw.writeDacBlock(p_register->getDacBlock(), kTimeOut)) return false;
    if (!hw.writeRegisters(p_register->getWriteBlock(), kTimeOut)) return false;
    return s.d_hardwareVersion < _HW3 || hw.writeRegisters2(p_register->getWriteBlock(), kTimeOut);
}

bool Control::catchUp() {
    d_catchUpFailed = false;
    if (!d_instrumentDiffers.exchange(false)) return true;
    const bool ok = applyState(*p_state) && !d_instrumentDiffers.load();
    if (!ok) {
        d_instrumentDiffers = true;
        d_catchUpFailed = true;
    }
    return ok;
}
