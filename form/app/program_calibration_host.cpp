#include "program_calibration_host.h"

#include "acquisition_thread.h"
#include "action.h"

#include <thread>

void ProgramCalibrationHost::stopAcquisitionThread() { ::stopAcquisitionThread(); }
void ProgramCalibrationHost::startAcquisitionThread() { ::startAcquisitionThread(); }
void ProgramCalibrationHost::acquireAndDisplay() { ::acquireAndDisplay(); }
bool ProgramCalibrationHost::actionSetChannelOnOff(int ch, bool on) { return d_actions.actionSetChannelOnOff(ch, on); }
bool ProgramCalibrationHost::actionSetVoltDiv(int ch, int voltDiv) { return d_actions.actionSetVoltDiv(ch, voltDiv); }
bool ProgramCalibrationHost::actionSetTimeDiv(int code) { return d_actions.actionSetTimeDiv(code); }
bool ProgramCalibrationHost::actionSetOffset(int ch, double row) { return d_actions.actionSetOffset(ch, row); }
bool ProgramCalibrationHost::actionSetTriggerLevel(int ch, double row) {
    return d_actions.actionSetTriggerLevel(ch, row);
}
bool ProgramCalibrationHost::actionSetCoupling(int ch, int coupling) {
    return d_actions.actionSetCoupling(ch, coupling);
}
bool ProgramCalibrationHost::actionSetLineJoin(int mode) { return d_actions.actionSetLineJoin(mode); }
bool ProgramCalibrationHost::actionSetHighFrequencyReject(bool on) {
    return d_actions.actionSetHighFrequencyReject(on);
}
bool ProgramCalibrationHost::actionSetBandLimit(int ch, bool on) { return d_actions.actionSetBandLimit(ch, on); }
bool ProgramCalibrationHost::actionSetEts(bool on) { return d_actions.actionSetEts(on); }
void ProgramCalibrationHost::sleepFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }
