// Pass-throughs to the instrument and the calibration, and helpers of the setters.
#include "control.h"

#include "buffer_display_data.h"
#include "buffer_raw_data.h"
#include "calibration.h"
#include "capture.h"
#include "hardware.h"
#include "register.h"

#include <cassert>

namespace {
constexpr int kHardwareTimeOut = 500;
}

unsigned char* Control::getRegisterImage() {
    assert(p_register && "p_register");
    return p_register->getWriteBlock();
}

int Control::getNumberOfReadRegisters() const { return static_cast<int>(p_hardware->d_numberOfReadRegisters); }

bool Control::readRegisters(unsigned char* reg_p, int size) {
    assert(reg_p && "reg_p");
    assert(size == static_cast<int>(p_hardware->d_numberOfReadRegisters) &&
           "size_ == p_hardware->d_numberOfReadRegisters");
    if (!reg_p || size != static_cast<int>(p_hardware->d_numberOfReadRegisters)) return false;
    return p_hardware->readRegisters(reg_p, kHardwareTimeOut);
}

bool Control::readFPGAVersion(unsigned char* version) { return p_hardware->readVersionByte(version, kHardwareTimeOut); }
bool Control::resetAcquisition() { return p_hardware->start(kHardwareTimeOut); }
bool Control::sendCommand() { return p_hardware->command(kHardwareTimeOut); }
int Control::getChipTemperatureCalib() const { return p_calibration->chipTemperatureCalib; }

bool Control::readCounter(void* out) {
    p_hardware->readCounter(out, kHardwareTimeOut);
    return true;
}

bool Control::writeCalibrationToHardware() { return p_calibration->writeToHardware(); }
bool Control::readCalibrationFile(const char* path) { return p_calibration->readIni(path); }
bool Control::writeCalibrationFile(const char* path) {
    // The own copy in a main directory that cannot be used: the start said it is not kept.
    if (!path && !savesSettings()) return true;
    return p_calibration->writeIni(path);
}

double Control::getCalibrationGain(int ch, int coupling, int voltDiv) const {
    return p_calibration->getGain(ch, coupling, voltDiv);
}

bool Control::loadRegisterTimeBaseTables() {
    p_register->loadTimeBaseTables(p_state->d_bufferSizeMode);
    p_register->setTimebaseFirstBytes(p_state->d_ETSOnOff, p_state->d_channelsOnOff, p_state->d_numberOfETSTimeDiv);
    return true;
}

bool Control::setTimeBaseParameter(int timeDiv) {
    p_state->setTimeBaseParameter(timeDiv);
    return true;
}

bool Control::clearChannelImages() {
    const int on = p_state->d_channelsOnOff;
    if (on & _CH1_ON_CH2_OFF) p_bufferDisplayData->clear(_CH1);
    if (on & _CH1_OFF_CH2_ON) p_bufferDisplayData->clear(_CH2);
    return true;
}

int Control::clearRawChannels(bool history) {
    const int on = p_state->d_channelsOnOff;
    for (int ch : {int(_CH1), int(_CH2)}) {
        if (!(on & (ch == _CH1 ? _CH1_ON_CH2_OFF : _CH1_OFF_CH2_ON))) continue;
        p_bufferRawData->fill(ch, EMPTY_SAMPLE, history && p_bufferRawData->d_numberOfAverage > 1);
    }
    return 1;
}

bool Control::acquire(int sel, short** ch1Out, short** ch2Out) {
    return catchUp() && p_capture->acquire(sel, ch1Out, ch2Out);
}

bool Control::captureTimedOut() const {
    if (d_catchUpFailed) return d_stoppedAnswering;
    return p_capture && p_capture->lastFailure() == CaptureFailure::TimedOut;
}

bool Control::captureStatusCopiesDiffer() const { return p_capture && p_capture->statusCopiesDiffer(); }

bool Control::captureFailedOnDevice() const {
    if (d_catchUpFailed) return true;
    return p_capture &&
           (p_capture->lastFailure() == CaptureFailure::TimedOut || p_capture->lastFailure() == CaptureFailure::Device);
}

bool Control::setRunStateView(RunStateView* view) {
    if (!p_capture) return false;
    p_capture->setRunStateView(view);
    return true;
}

bool Control::acquireSingle(int sel, short** ch1Out, short** ch2Out) {
    return catchUp() && p_capture->acquireSingle(sel, ch1Out, ch2Out);
}
