#include "program_calibration_host.h"

#include "acquisition_thread.h"
#include "action.h"

#include <thread>

void ProgramCalibrationHost::stopAcquisitionThread() { ::stopAcquisitionThread(); }
void ProgramCalibrationHost::startAcquisitionThread() { ::startAcquisitionThread(); }
void ProgramCalibrationHost::acquireAndDisplay() { ::acquireAndDisplay(); }
bool ProgramCalibrationHost::actionSetChannelOnOff(int ch, bool on) { return ::actionSetChannelOnOff(ch, on); }
bool ProgramCalibrationHost::actionSetVoltDiv(int ch, int voltDiv) { return ::actionSetVoltDiv(ch, voltDiv); }
bool ProgramCalibrationHost::actionSetTimeDiv(int code) { return ::actionSetTimeDiv(code); }
bool ProgramCalibrationHost::actionSetOffset(int ch, double row) { return ::actionSetOffset(ch, row); }
bool ProgramCalibrationHost::actionSetTriggerLevel(int ch, double row) { return ::actionSetTriggerLevel(ch, row); }
bool ProgramCalibrationHost::actionSetCoupling(int ch, int coupling) { return ::actionSetCoupling(ch, coupling); }
bool ProgramCalibrationHost::actionSetLineJoin(int mode) { return ::actionSetLineJoin(mode); }
bool ProgramCalibrationHost::actionSetHighFrequencyReject(bool on) { return ::actionSetHighFrequencyReject(on); }
bool ProgramCalibrationHost::actionSetBandLimit(int ch, bool on) { return ::actionSetBandLimit(ch, on); }
bool ProgramCalibrationHost::actionSetEts(bool on) { return ::actionSetEts(on); }
void ProgramCalibrationHost::sleepFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }
