#pragma once
// The kernel's flat facade: every function forwards to one operation of g_control and returns
// its result unchanged. Only controlCreate and controlDestroy may be called without a kernel.
// Channel codes: _CH1 1, _CH2 2, _MATH 3, _REFERENCE 4 (codes.h). Offsets and trigger levels
// are display rows (0 at the bottom, 400 at the top).

#include <functional>

class RunStateView;

// ---- lifecycle
// Creates the kernel and initialises it; on false g_control stays set to the partial kernel
// and get_error_text() says why.
bool controlCreate(int width, int height);
// Releases the kernel (writing its state file and calibration file); nothing without one.
void controlDestroy();

// ---- channel settings
bool controlGetChannelOnOff(int ch);
bool controlIsChannelOn(int ch);
int controlGetChannelsOnOff();
int controlGetChannelCoupling(int ch);
int controlGetVoltageDiv(int ch);
double controlGetVoltageOffset(int ch);
int controlGetProbeAttenuation(int ch);
double controlGetScaleFactor(int ch);
bool controlGetInvertOnOff(int ch);
bool controlGetBandwidthLimitOnOff(int ch);
double controlGetTriggerOffset(int ch);

bool controlSetChannelOnOff(int ch, bool on);
bool controlSetChannelCoupling(int ch, int coupling);
bool controlSetVoltageDiv(int ch, int voltDiv);
bool controlSetVoltageOffset(int ch, double offset);
bool controlSetProbeAttenuation(int ch, int probe);
bool controlSetInvertOnOff(int ch, bool on);
bool controlSetTraceInverted(int ch, bool on);
bool controlSetBandwidthLimitOnOff(int ch, bool on);

// ---- acquisition-method predicates
bool controlIsEquivalentTime();
bool controlIsRIS();
bool controlIsRealTime();
bool controlIsRoll();

// ---- trigger
bool controlSetTriggerSource(int source);
bool controlSetTriggerSlope(int slope);
bool controlSetTriggerType(int type, int count);
bool controlSetTriggerMode(int mode);
bool controlSetTriggerLevel(double level);
bool controlSetTriggerHighFrequencyRejectOnOff(bool on);
// Shows the advanced-trigger dialog and applies its results; always true.
bool controlShowAdvancedTrigger();
int controlGetTriggerSource();
int controlGetTriggerSlope();
int controlGetTriggerType();
int controlGetTriggerMode();
double controlGetTriggerLevel();
bool controlGetTriggerAdvanceOnOff();
bool controlGetTriggerHighFrequencyRejectOnOff();

// ---- horizontal
bool controlSetHorizontalPosition(double position);
bool controlSetDelayOnOff(bool on);
bool controlSetTimeDiv(int timeDiv);
bool controlGetDelayOnOff();
int controlGetTimeDiv();
double controlGetHorizontalPosition();

// ---- acquisition, run state, instrument
bool controlSetBufferSizeMode(int mode);
bool controlSetPeakDetectionOnOff(bool on);
bool controlSetETSOnOff(bool on);
bool controlSetNumberOfAverage(int count);
bool controlSetRunState(int runState);
int controlGetBufferSizeMode();
bool controlGetPeakDetectionOnOff();
int controlGetNumberOfAverage();
int controlGetNumberOfAverageMax();
int controlGetBufferSize();
int controlGetAcquireLength();
double controlGetSampleRate();
int controlGetPeakDetectionMinTimeDiv();
int controlGetRunState();
int controlGetHardwareVersion();
int controlGetAdcLevels();
double controlGetADCAmpFactor();
bool controlSetETSOffsetMargin(int margin);
bool controlGetTriggeredFlag();
bool controlGetETSOnOff();

// ---- display settings and buffer bar
bool controlSetPersistence(int level);
bool controlSetLineJoinMode(int mode);
bool controlSetXYPlotOnOff(bool on);
// The X-Y plot the raw-to-display transform calls on the worker thread in X-Y mode with both
// channels on: (channel 1's width x height image, width, height, intensity cap 127.0). Set
// it before the worker thread starts; an empty function draws nothing. false without a
// transform (a failed initialisation).
bool controlSetXYPlotCallback(std::function<void(unsigned char*, int, int, float)> plot);
bool controlSetIntensityFactor(float factor);
int controlGetLineJoinMode();
int controlGetPersistence();
int controlGetDisplayWidth();
int controlGetDisplayHeight();
float controlGetIntensityFactor();
bool controlGetXYPlotOnOff();
bool controlUpdateBufferBar();
double controlGetBufferBarTrigger();
double controlGetBufferBarMarkLeft();
double controlGetBufferBarMarkRight();
double controlGetBufferBarWidth();
double controlGetBufferBarLeft();

// ---- math trace
bool controlSetMathSource1(int source);
bool controlSetMathSource2(int source);
bool controlSetMathOperation(int operation);
int controlGetMathSource1();
int controlGetMathSource2();
int controlGetMathOperation();
bool controlUpdateMath();

// ---- captures and records
bool controlAcquire(int sel, short** ch1Out, short** ch2Out);
bool controlAcquireSingle(int sel, short** ch1Out, short** ch2Out);
// The last capture failed because the instrument stopped answering (status "Time-out").
bool controlGetCaptureTimedOut();
// Captures keep being dropped because the instrument's two status copies differ.
bool controlGetStatusCopiesDiffer();
// The instrument has left the bus; an instrument arrived again after that; take it back
// (open, calibration, the current settings; false with the error stack telling why).
bool controlGetInstrumentGone();
bool controlInstrumentReturned();
bool controlReconnect();
// The view a triggered single shot refreshes (not owned; null: none). Set it while the
// worker is stopped; the view is called on the worker thread.
bool controlSetRunStateView(RunStateView* view);
// The stopped capture of channel ch (1 or 2) re-rendered at the current scales into its raw
// record; *out receives the record (null and false without one).
bool controlGetStoppedData(int ch, short** out);
bool controlUpdateReference();
// One raw value (4096: empty) of trace ch at a 0-based position; 4096 outside the record.
int controlGetRawSample(int ch, int position);
bool controlFillGroundLevel(int ch);
bool controlInvertChannel(int ch);
// *.ref files; false, with nothing changed, for a file that cannot be read or written, a bad
// file, or (saving) a channel other than an enabled channel 1 or 2.
bool controlLoadReference(const char* path);
bool controlSaveReference(int ch, const char* path);

// display width x height intensity bytes (row 0 at the bottom), or null for a bad code.
unsigned char* controlGetDisplayBuffer(int ch);
// A value that is no converter code (empty, flagged, out of range) gives 0.0 V and row -1.
double controlRawToVoltage(int ch, short code);
int controlRawToRow(int ch, short code);

// ---- registers and instrument pass-throughs
unsigned char* controlGetRegisterImage();
int controlGetNumberOfReadRegisters();
bool controlReadRegisters(unsigned char* buffer, int size);
bool controlReadFPGAVersion(unsigned char* version);
bool controlResetAcquisition();

// ---- state file, paths, calibration
bool controlSaveState(const char* path, int channelCount);
bool controlLoadState(const char* path);
// Why the last load or save of a state or reference file failed, for its message: "it is
// not a regular file", "Permission denied", ...; empty after one that did not fail.
const char* controlFileFailure();
// The settings files; empty when the main directory is relative.
const char* controlGetEnvironmentPath();
const char* controlGetCalibrationPath();
const char* controlGetMainDirectory();
// False when the main directory cannot be used (told at start): settings are not saved.
bool controlSavesSettings();
int controlGetGraphicMode();
bool controlWriteCalibrationToHardware();
bool controlReadCalibrationFile(const char* path);
bool controlWriteCalibrationFile(const char* path);
double controlGetCalibrationGain(int ch, int coupling, int voltDiv);
// Zero calibration of channel ch (1 or 2) with its input shorted, the worker stopped: 1 done
// (constants in the instrument's memory, not yet in the calibration file), 0 failed with
// everything as before (Control::zeroCalibration).
int controlZeroCalibration(int ch);
