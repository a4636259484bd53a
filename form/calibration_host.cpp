#include "calibration_host.h"

#include "action.h"

#include <thread>

bool ActionCalibrationHost::actionSetChannelOnOff(int ch, bool on) { return ::actionSetChannelOnOff(ch, on); }
bool ActionCalibrationHost::actionSetVoltDiv(int ch, int voltDiv) { return ::actionSetVoltDiv(ch, voltDiv); }
bool ActionCalibrationHost::actionSetTimeDiv(int code) { return ::actionSetTimeDiv(code); }
bool ActionCalibrationHost::actionSetOffset(int ch, double row) { return ::actionSetOffset(ch, row); }
bool ActionCalibrationHost::actionSetTriggerLevel(int ch, double row) { return ::actionSetTriggerLevel(ch, row); }
bool ActionCalibrationHost::actionSetCoupling(int ch, int coupling) { return ::actionSetCoupling(ch, coupling); }
bool ActionCalibrationHost::actionSetLineJoin(int mode) { return ::actionSetLineJoin(mode); }
bool ActionCalibrationHost::actionSetHighFrequencyReject(bool on) { return ::actionSetHighFrequencyReject(on); }
bool ActionCalibrationHost::actionSetBandLimit(int ch, bool on) { return ::actionSetBandLimit(ch, on); }
bool ActionCalibrationHost::actionSetEts(bool on) { return ::actionSetEts(on); }
void ActionCalibrationHost::sleepFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }
