// Every function forwards to one operation of g_control; none tests it for null.
#include "control_facade.h"

#include "control.h"

bool controlCreate(int width, int height) {
    g_control = new Control();
    return g_control->init(width, height);
}

void controlDestroy() {
    if (!g_control) return;
    delete g_control;
    g_control = nullptr;
}

bool controlGetChannelOnOff(int ch) { return g_control->getChannelOnOff(ch); }
bool controlIsChannelOn(int ch) { return g_control->isChannelOn(ch); }
int controlGetChannelsOnOff() { return g_control->getChannelsOnOff(); }
int controlGetChannelCoupling(int ch) { return g_control->getChannelCoupling(ch); }
int controlGetVoltageDiv(int ch) { return g_control->getVoltageDiv(ch); }
double controlGetVoltageOffset(int ch) { return g_control->getVoltageOffset(ch); }
int controlGetProbeAttenuation(int ch) { return g_control->getProbeAttenuation(ch); }
double controlGetScaleFactor(int ch) { return g_control->getScaleFactor(ch); }
bool controlGetInvertOnOff(int ch) { return g_control->getInvertOnOff(ch); }
bool controlGetBandwidthLimitOnOff(int ch) { return g_control->getBandwidthLimitOnOff(ch); }
double controlGetTriggerOffset(int ch) { return g_control->getTriggerOffset(ch); }
bool controlSetChannelOnOff(int ch, bool on) { return g_control->setChannelOnOff(ch, on); }
bool controlSetChannelCoupling(int ch, int coupling) { return g_control->setChannelCoupling(ch, coupling); }
bool controlSetVoltageDiv(int ch, int voltDiv) { return g_control->setVoltageDiv(ch, voltDiv); }
bool controlSetVoltageOffset(int ch, double offset) { return g_control->setVoltageOffset(ch, offset); }
bool controlSetProbeAttenuation(int ch, int probe) { return g_control->setProbeAttenuation(ch, probe); }
bool controlSetInvertOnOff(int ch, bool on) { return g_control->setInvertOnOff(ch, on); }
bool controlSetTraceInverted(int ch, bool on) { return g_control->setTraceInverted(ch, on); }
bool controlSetBandwidthLimitOnOff(int ch, bool on) { return g_control->setBandwidthLimitOnOff(ch, on); }
bool controlIsEquivalentTime() { return g_control->isEquivalentTime(); }
bool controlIsRIS() { return g_control->isRIS(); }
bool controlIsRealTime() { return g_control->isRealTime(); }
bool controlIsRoll() { return g_control->isRoll(); }
bool controlSetTriggerSource(int source) { return g_control->setTriggerSource(source); }
bool controlSetTriggerSlope(int slope) { return g_control->setTriggerSlope(slope); }
bool controlSetTriggerType(int type, int count) { return g_control->setTriggerType(type, count); }
bool controlSetTriggerMode(int mode) { return g_control->setTriggerMode(mode); }
bool controlSetTriggerLevel(double level) { return g_control->setTriggerLevel(level); }
bool controlSetTriggerHighFrequencyRejectOnOff(bool on) { return g_control->setTriggerHighFrequencyRejectOnOff(on); }
bool controlShowAdvancedTrigger() { return g_control->runAdvancedTrigger(); }
int controlGetTriggerSource() { return g_control->getTriggerSource(); }
int controlGetTriggerSlope() { return g_control->getTriggerSlope(); }
int controlGetTriggerType() { return g_control->getTriggerType(); }
int controlGetTriggerMode() { return g_control->getTriggerMode(); }
double controlGetTriggerLevel() { return g_control->getTriggerLevel(); }
bool controlGetTriggerAdvanceOnOff() { return g_control->getTriggerAdvanceOnOff(); }
bool controlGetTriggerHighFrequencyRejectOnOff() { return g_control->getTriggerHighFrequencyRejectOnOff(); }
bool controlSetHorizontalPosition(double position) { return g_control->setHorizontalPosition(position); }
bool controlSetDelayOnOff(bool on) { return g_control->setDelayOnOff(on); }
bool controlSetTimeDiv(int timeDiv) { return g_control->setTimeDiv(timeDiv); }
bool controlGetDelayOnOff() { return g_control->getDelayOnOff(); }
int controlGetTimeDiv() { return g_control->getTimeDiv(); }
double controlGetHorizontalPosition() { return g_control->getHorizontalPosition(); }
bool controlSetBufferSizeMode(int mode) { return g_control->setBufferSizeMode(mode); }
bool controlSetPeakDetectionOnOff(bool on) { return g_control->setPeakDetectionOnOff(on); }
bool controlSetETSOnOff(bool on) { return g_control->setETSOnOff(on); }
bool controlSetNumberOfAverage(int count) { return g_control->setNumberOfAverage(count); }
bool controlSetRunState(int runState) { return g_control->setRunState(runState); }
int controlGetBufferSizeMode() { return g_control->getBufferSizeMode(); }
bool controlGetPeakDetectionOnOff() { return g_control->getPeakDetectionOnOff(); }
int controlGetNumberOfAverage() { return g_control->getNumberOfAverage(); }
int controlGetNumberOfAverageMax() { return g_control->getNumberOfAverageMax(); }
int controlGetBufferSize() { return g_control->getBufferSize(); }
int controlGetAcquireLength() { return g_control->getAcquireLength(); }
double controlGetSampleRate() { return g_control->getSampleRate(); }
int controlGetPeakDetectionMinTimeDiv() { return g_control->getPeakDetectionMinTimeDiv(); }
int controlGetRunState() { return g_control->getRunState(); }
int controlGetHardwareVersion() { return g_control->getHardwareVersion(); }
int controlGetAdcLevels() { return g_control->getAdcLevels(); }
double controlGetADCAmpFactor() { return g_control->getADCAmpFactor(); }
bool controlSetETSOffsetMargin(int margin) { return g_control->setETSOffsetMargin(margin); }
bool controlGetTriggeredFlag() { return g_control->getTriggeredFlag(); }
bool controlGetETSOnOff() { return g_control->getETSOnOff(); }
bool controlSetPersistence(int level) { return g_control->setPersistence(level); }
bool controlSetLineJoinMode(int mode) { return g_control->setLineJoinMode(mode); }
bool controlSetXYPlotOnOff(bool on) { return g_control->setXYPlotOnOff(on); }
bool controlSetXYPlotCallback(std::function<void(unsigned char*, int, int, float)> plot) {
    return g_control->setXYPlot(std::move(plot));
}
bool controlSetIntensityFactor(float factor) { return g_control->setIntensityFactor(factor); }
int controlGetLineJoinMode() { return g_control->getLineJoinMode(); }
int controlGetPersistence() { return g_control->getPersistence(); }
int controlGetDisplayWidth() { return g_control->getDisplayWidth(); }
int controlGetDisplayHeight() { return g_control->getDisplayHeight(); }
float controlGetIntensityFactor() { return g_control->getIntensityFactor(); }
bool controlGetXYPlotOnOff() { return g_control->getXYPlotOnOff(); }
bool controlUpdateBufferBar() { return g_control->updateBufferBar(); }
double controlGetBufferBarTrigger() { return g_control->getBufferBarTrigger(); }
double controlGetBufferBarMarkLeft() { return g_control->getBufferBarMarkLeft(); }
double controlGetBufferBarMarkRight() { return g_control->getBufferBarMarkRight(); }
double controlGetBufferBarWidth() { return g_control->getBufferBarWidth(); }
double controlGetBufferBarLeft() { return g_control->getBufferBarLeft(); }
bool controlSetMathSource1(int source) { return g_control->setMathSource1(source); }
bool controlSetMathSource2(int source) { return g_control->setMathSource2(source); }
bool controlSetMathOperation(int operation) { return g_control->setMathOperation(operation); }
int controlGetMathSource1() { return g_control->getMathSource1(); }
int controlGetMathSource2() { return g_control->getMathSource2(); }
int controlGetMathOperation() { return g_control->getMathOperation(); }
bool controlUpdateMath() { return g_control->updateMath(); }
bool controlAcquire(int sel, short** ch1Out, short** ch2Out) { return g_control->acquire(sel, ch1Out, ch2Out); }
bool controlAcquireSingle(int sel, short** ch1Out, short** ch2Out) {
    return g_control->acquireSingle(sel, ch1Out, ch2Out);
}
bool controlGetCaptureTimedOut() { return g_control && g_control->captureTimedOut(); }
bool controlGetStatusCopiesDiffer() { return g_control && g_control->captureStatusCopiesDiffer(); }
bool controlGetInstrumentGone() { return g_control && g_control->instrumentGone(); }
bool controlInstrumentReturned() { return g_control && g_control->instrumentReturned(); }
bool controlReconnect() { return g_control && g_control->reconnect(); }
bool controlSetRunStateView(RunStateView* view) { return g_control->setRunStateView(view); }
bool controlGetStoppedData(int ch, short** out) { return g_control->getStoppedData(ch, out); }
bool controlUpdateReference() { return g_control->updateReference(); }
int controlGetRawSample(int ch, int position) { return g_control->getRawSample(ch, position); }
bool controlFillGroundLevel(int ch) { return g_control->fillGroundLevel(ch); }
bool controlInvertChannel(int ch) { return g_control->invertChannel(ch); }
bool controlLoadReference(const char* path) { return g_control->loadReference(path); }
bool controlSaveReference(int ch, const char* path) { return g_control->saveReference(ch, path); }
unsigned char* controlGetDisplayBuffer(int ch) { return g_control->getDisplayBuffer(ch); }
double controlRawToVoltage(int ch, short code) { return g_control->rawToVoltage(ch, code); }
int controlRawToRow(int ch, short code) { return g_control->rawToRow(ch, code); }
unsigned char* controlGetRegisterImage() { return g_control->getRegisterImage(); }
int controlGetNumberOfReadRegisters() { return g_control->getNumberOfReadRegisters(); }
bool controlReadRegisters(unsigned char* buffer, int size) { return g_control->readRegisters(buffer, size); }
bool controlReadFPGAVersion(unsigned char* version) { return g_control->readFPGAVersion(version); }
bool controlResetAcquisition() { return g_control->resetAcquisition(); }
bool controlSaveState(const char* path, int channelCount) { return g_control->saveState(path, channelCount); }
bool controlLoadState(const char* path) { return g_control->loadState(path); }
const char* controlGetEnvironmentPath() { return g_control->getEnvironmentPath(); }
const char* controlGetCalibrationPath() { return g_control->getCalibrationPath(); }
const char* controlGetMainDirectory() { return g_control->getMainDirectory(); }
bool controlSavesSettings() { return g_control->savesSettings(); }
const char* controlFileFailure() { return g_control->fileFailure().c_str(); }
int controlGetGraphicMode() { return g_control->getGraphicMode(); }
bool controlWriteCalibrationToHardware() { return g_control->writeCalibrationToHardware(); }
bool controlReadCalibrationFile(const char* path) { return g_control->readCalibrationFile(path); }
bool controlWriteCalibrationFile(const char* path) { return g_control->writeCalibrationFile(path); }
double controlGetCalibrationGain(int ch, int coupling, int voltDiv) {
    return g_control->getCalibrationGain(ch, coupling, voltDiv);
}
int controlZeroCalibration(int ch) { return g_control->zeroCalibration(ch); }
