#pragma once
// The one object that owns the instrument kernel. The rest of the program reaches it only
// through the facade (control_facade.h) on the global g_control.
//
// Threading: no lock. The GUI thread and the worker thread keep apart through the pause
// handshake (thread_flags.h); a GUI action waits until the worker's cycle is idle.
// Failures: operations return false after pushing an error code (trevan_error.h).

#include "codes.h"
#include "register.h"
#include "state.h"
#include "units.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class SystemRegistry;
class Calibration;
class Hardware;
class BufferRawData;
class BufferRawDataStop;
class BufferPhysicalData;
class BufferDisplayData;
class TransformHardwareRaw;
class TransformRawDisplay;
class TransformRawPhysical;
class Capture;
class RunStateView;
class UsbBackend;
struct VerticalScales;

class Control {
public:
    Control();
    ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // Builds the kernel in its fixed order; false with the error stack telling why. What was
    // built stays in place for the destructor.
    bool init(int width_, int height_);
    // Programs a whole State into the instrument in the fixed order of applyStateSteps. The
    // errors stay on the stack for the caller to show; a failed apply is made again before
    // the next capture.
    bool applyState(State state_);
    // Reads a state file and applies it; the kernel keeps writing to its own state file.
    // False, with the settings and the instrument as they were, when path_ is not a file that
    // can be read (nothing is pushed: the caller names the file, fileFailure says why) or when
    // the instrument's FPGA version byte cannot be read (its error is pushed).
    bool loadState(const char* path_);
    // Writes the current State with `channelCount_` channel sections (callers pass 4).
    bool saveState(const char* path_, int channelCount_);
    // Why the last loadState, saveState, loadReference or saveReference failed; empty after
    // one that did not, or failed for a reason pushed on the error stack.
    const std::string& fileFailure() const { return d_fileFailure; }

    // The kernel's State; applyStateSteps reads the values it applies through it.
    const State& state() const { return *p_state; }
    // The instrument has left the bus (an apply ends there).
    bool instrumentGone() const;
    // An instrument (or its unprogrammed controller) arrived again after the active one was
    // lost, and the take-back has not yet succeeded or given up.
    bool instrumentReturned() const;
    // Takes the re-plugged instrument back: loads the firmware into a returning controller,
    // opens the instrument, reads its calibration memory and versions, and applies the
    // current State (run state and trigger mode included). False, with the error pushed,
    // when one of these fails; the next calls try again, TAKE_BACK_ATTEMPTS in all, after
    // which instrumentReturned() waits for the next arrival.
    bool reconnect();
    // The last change that failed did so because the instrument stopped answering (or left).
    bool stoppedAnswering() const { return d_stoppedAnswering.load(); }
    // A change could not be taken back on the instrument: it may hold other settings than
    // the State until the next capture applies the whole State.
    bool instrumentDiffers() const { return d_instrumentDiffers.load(); }
    static constexpr int TAKE_BACK_ATTEMPTS = 3;

    // ---- one-field getters. Per-channel getters refuse codes outside _CH1.._REFERENCE
    // (they return false / 0) before anything is indexed.
    bool getChannelOnOff(int ch_) const;
    int getChannelCoupling(int ch_) const;
    int getVoltageDiv(int ch_) const;
    double getVoltageOffset(int ch_) const; // display rows 0..400
    int getProbeAttenuation(int ch_) const;
    double getScaleFactor(int ch_) const;
    bool getInvertOnOff(int ch_) const;
    bool getBandwidthLimitOnOff(int ch_) const;
    double getTriggerOffset(int ch_) const; // the channel's stored trigger level, display rows
    bool isChannelOn(int ch_) const { return getChannelOnOff(ch_); }

    int getTriggerSource() const { return p_state->d_triggerSource; }
    int getTriggerSlope() const { return p_state->d_triggerSlope; }
    int getTriggerType() const { return p_state->d_triggerType; }
    int getTriggerMode() const { return p_state->d_triggerMode; }
    double getTriggerLevel() const { return p_state->d_triggerLevel; }
    bool getTriggerAdvanceOnOff() const { return p_state->d_triggerAdvanceOnOff; }
    bool getTriggerHighFrequencyRejectOnOff() const { return p_state->d_triggerHighFrequencyRejectOnOff; }

    bool getDelayOnOff() const { return p_state->d_delayOnOff; }
    int getTimeDiv() const { return p_state->d_timeDiv; }
    double getHorizontalPosition() const { return p_state->d_horizontalPosition; }
    int getBufferSizeMode() const { return p_state->d_bufferSizeMode; }
    bool getPeakDetectionOnOff() const { return p_state->d_peakDetectionOnOff; }
    int getNumberOfAverage() const { return p_state->d_averageCount; }
    int getNumberOfAverageMax() const { return p_state->d_averageCountMax; }
    int getBufferSize() const { return p_state->d_bufferSize; }
    int getAcquireLength() const { return p_state->d_acquireLength; }
    double getSampleRate() const { return p_state->d_sampleRate; }
    int getPeakDetectionMinTimeDiv() const { return p_state->d_peakDetectionMinTimeDiv; }
    int getRunState() const { return p_state->d_runState; }
    int getHardwareVersion() const { return p_state->d_hardwareVersion; }
    int getDefaultTimeOut() const { return p_state->d_defaultTimeOut; }
    int getTimeBaseParameter() const { return p_state->d_timeBaseParameter; }
    int getChannelsOnOff() const { return p_state->d_channelsOnOff; }
    bool getInterleaveOnOff() const { return p_state->d_interleaveOnOff; }

    int getLineJoinMode() const { return p_state->d_lineJoinMode; }
    int getPersistence() const { return p_state->d_persistence; }
    int getDisplayWidth() const { return p_state->d_displayWidth; }
    int getDisplayHeight() const { return p_state->d_displayHeight; }
    float getIntensityFactor() const { return p_state->d_intensityFactor; }
    bool getXYPlotOnOff() const { return p_state->d_XYPlotOnOff; }
    int getAdcLevels() const { return p_state->d_adcLevels; }
    double getADCAmpFactor() const { return p_state->d_ADCAmpFactor; }
    double getBufferBarTrigger() const { return p_state->d_bufferBarTrigger; }
    double getBufferBarMarkLeft() const { return p_state->d_bufferBarMarkLeft; }
    double getBufferBarMarkRight() const { return p_state->d_bufferBarMarkRight; }
    double getBufferBarWidth() const { return p_state->d_bufferBarWidth; }
    double getBufferBarLeft() const { return p_state->d_bufferBarLeft; }

    int getMathSource1() const { return p_state->d_mathSource1; }
    // The math option dialog presets its second source from it.
    int getMathSource2() const { return p_state->d_mathSource2; }
    int getMathOperation() const { return p_state->d_mathOperation; }
    bool getTriggeredFlag() const { return p_state->d_triggeredFlag; }
    bool getETSOnOff() const { return p_state->d_ETSOnOff; }

    // ---- predicates on the method of the current time base
    bool isEquivalentTime() const { return p_state->isEquivalentTime(); }
    bool isRealTime() const { return p_state->isRealTime(); }
    bool isRoll() const { return p_state->isRoll(); }
    bool isRIS() const { return p_state->isRIS(); }
    bool isETSMode1() const { return p_state->isETSMode1(); }
    bool areBothChannelsOn() const { return p_state->areBothChannelsOn(); }

    // ---- setters that touch only the State
    bool setLineJoinMode(int mode_);
    bool setPersistence(int level_);
    bool setXYPlotOnOff(bool on_);
    // The main window's X-Y plot, which the raw-to-display transform calls in X-Y mode with
    // channel 1's image, the display size and 127.0 (an empty function draws nothing). Set it
    // before the worker thread starts. false when the transform does not exist.
    bool setXYPlot(std::function<void(unsigned char*, int, int, float)> plot_);
    bool setMathSource1(int source_);
    bool setMathSource2(int source_);
    bool setMathOperation(int operation_);
    bool setETSOffsetMargin(int margin_);
    bool updateBufferBar();

    // ---- file locations
    const char* getEnvironmentPath() const;
    const char* getCalibrationPath() const;
    const char* getAdvancedTriggerPath() const;
    const char* getMainDirectory() const;
    // False when the main directory cannot be used (told at start): settings are not saved.
    bool savesSettings() const;
    int getGraphicMode() const;

    // Runs the channel's raw-to-display transform and returns its width x height intensity
    // image; null for a code outside _CH1.._REFERENCE.
    unsigned char* getDisplayBuffer(int ch_);

    // ---- conversions (display rows: 0 at the bottom; codes: converter codes)
    // rawToRow gives -1 and rawToVoltage 0.0 for a value that is no code below d_adcLevels;
    // voltageToRow and voltageToRaw saturate at the int range.
    short zeroLevelCode(int ch_) const;
    short rowToRaw(int ch_, int row_) const;
    int rawToRow(int ch_, short code_) const;
    double rawToVoltage(int ch_, short code_) const;
    int voltageToRow(int ch_, double volts_) const;
    int voltageToRaw(int ch_, double volts_) const;
    // voltageToRow and voltageToRaw of one trace with its settings taken once, for many
    // samples; equal when the settings are.
    struct VoltageScale {
        double k = 0;         // the table factor of the volt/div (times the gain of an input)
        double perScreen = 0; // volts over the display height
        int offset = 0;       // the zero row
        int height = 0;
        int halfLevels = 0;
        int halfHeight = 0;
        bool operator==(const VoltageScale&) const = default;
        int row(double volts_) const;
        int raw(double volts_) const;
    };
    VoltageScale voltageScale(int ch_) const;
    static double timeRatio(int fromCode_, int toCode_);
    static double voltRatio(int fromCode_, int toCode_);

    // ---- hardware pass-throughs (500 ms time-out)
    unsigned char* getRegisterImage();
    int getNumberOfReadRegisters() const;
    bool readRegisters(unsigned char* reg_p, int size_);
    bool readFPGAVersion(unsigned char* version_);
    bool resetAcquisition();
    bool sendCommand();
    int getChipTemperatureCalib() const;
    bool readCounter(void* out_);

    // ---- calibration
    bool writeCalibrationToHardware();
    bool readCalibrationFile(const char* path_);
    // A null path_ is the main directory's calibration file, not written (true) when the main
    // directory cannot be used.
    bool writeCalibrationFile(const char* path_);
    double getCalibrationGain(int ch_, int coupling_, int voltDiv_) const;

    // ---- zero calibration (control_zero_calibration*.cpp). GUI thread with the worker
    // stopped, the channel's input shorted; ch_ 1 or 2. Every setting, DAC value and capture
    // goes through the ordinary operations; pumpGuiEvents (advanced_trigger.h) runs after each
    // sweep step.
    // 1: the channel's zero points (and gains or converter polynomials) are in Calibration and
    // in the instrument's memory, the settings as before. 0: failed (error 24 when no start
    // value led to a result; the failing layer's error otherwise; error 28 on top when what
    // was measured is not a shorted input); constants, settings and the memory are as before. The calibration file is
    // never written here. A State whose hardware version is below _HW1 gives 1 and nothing is done.
    int zeroCalibration(int ch_);
    int zeroCalibrationHw3(int ch_);  // _HW3/_HW4: offset sweeps DC and AC, then the gains
    int zeroCalibrationHw12(int ch_); // _HW1/_HW2: one sweep, then the converter polynomials
    // The channel's calibration constants to neutral (resetZeroConstants), record length 10k.
    bool resetChannelCalibration(int ch_);
    // value_ (clamped into 0..4095) into the offset DAC of channel 1 (selector_ 0) or 2 (1).
    bool writeOffsetDac(int value_, int selector_);
    // Even and odd means of a 10k record (zero_calibration.h, sampleMeansOf). Requires one
    // channel on at _10US_DIV or _20US_DIV with the 10k record (assertions); false otherwise.
    bool sampleMeans(const short* record_, int& evenMean_, int& oddMean_) const;
    // Ten captures of the channel; the means of the third and later good ones. A capture with
    // a sample outside the converter's codes is not counted. A failed capture is tried again
    // after 50 ms; two in a row on the device (gone, or not answering) end it. False with
    // fewer than three counted, or at once for a record that is not flat (a signal).
    bool measureOffset(int ch_, int& evenMean_, int& oddMean_);
    // One sweep over the step table from DAC value start_: 1 when every step found its zero
    // point, else 0 (a failed write or measurement, the converter pinned low, no convergence).
    int sweepOffsetsDC(int ch_, int start_);
    int sweepOffsetsAC(int ch_, int start_);
    int sweepOffsetsHw12(int ch_, int start_);
    // The sweeps with the single fall-back to the high start value; error 24 when both fail.
    bool searchOffsets(int ch_);
    bool searchOffsetsHw12(int ch_);
    bool fitGain(int ch_);          // _HW3/_HW4: converter gains of the interleaved pair
    bool fitNonlinearHw12(int ch_); // _HW1: three converter polynomials; _HW2: all neutral
    // The sweep shared by the three forms: steps_ volt/div codes, coupling_ _DC or _AC.
    int sweepOffsets(int ch_, int start_, const int* steps_, int stepCount_, int coupling_, int tolerance_);
    // sweep_ from the start value, once more from the high fall-back; when both fail error 24
    // with source_ and line_.
    bool sweepWithFallBack(int ch_, int (Control::*sweep_)(int, int), const char* source_, int line_);
    // The offset DAC at value_ (selector by ch_), settleMs_ of waiting, measureOffset: the
    // means as ch_ follows them on the current time base.
    bool measureAtDac(int ch_, int value_, int settleMs_, int& followed_, int& other_);
    // Channel ch_ alone, coupling, volt/div and time/div through the setters; false when one fails.
    bool setZeroCalibrationChannel(int ch_, int coupling_, int voltDiv_, int timeDiv_);
    // Steps 1 to 5 of both generations around search_ and fit_, with the restore on failure.
    int runZeroCalibration(int ch_, bool (Control::*search_)(int), bool (Control::*fit_)(int));
    int calibrate(int ch_, bool (Control::*search_)(int), bool (Control::*fit_)(int));

    // ---- channel and time-base settings. Each command that writes the instrument is one
    // change (control_change.cpp): it takes effect whole, or false and the kernel and the
    // instrument keep the setting they had, with one error naming the setting (told to the
    // user, unless an operation such as applyState or the zero calibration reports it).
    bool setChannelCoupling(int ch_, int coupling_);
    bool setVoltageDiv(int ch_, int voltDiv_);
    bool setVoltageOffset(int ch_, double offset_); // display row, 0 bottom .. 400 top
    bool setProbeAttenuation(int ch_, int probe_);
    bool setInvertOnOff(int ch_, bool on_);
    // Inverts the trace in place: the offset row is mirrored (400 - offset, so the trace stays
    // where it is shown) and the channel's stored trigger level moves with it, source or not.
    // False when the offset write failed; the flag then follows the offset the kernel kept.
    bool setTraceInverted(int ch_, bool on_);
    bool setBandwidthLimitOnOff(int ch_, bool on_);
    bool setTimeDiv(int timeDiv_);
    bool setHorizontalPosition(double position_); // display column
    bool setDelayOnOff(bool on_);
    bool recreateAcquisition();
    void computeHorizontal(double position_);

    // ---- trigger and acquisition settings
    bool setTriggerSource(int source_);
    bool setTriggerSlope(int slope_);
    bool setTriggerLevel(double level_); // display row of the source channel
    bool setTriggerMode(int mode_);
    bool setTriggerType(int type_, int count_);
    bool setTriggerLogic(int ch1Condition_, int ch2Condition_, int kind_);
    bool setTriggerPulse(bool on_, int condition_, int value_);
    bool setTriggerLogicRegister(int kind_, bool on_);
    bool setTriggerHighFrequencyRejectOnOff(bool on_);
    bool setChannelOnOff(int ch_, bool on_);
    // The averaging history keeps to the new mode's maximum count (128 at 10k, 16 at 500k);
    // the State's count stays as it was for the caller to see and reset.
    bool setBufferSizeMode(int mode_);
    // count_ above the mode's maximum is lowered to it.
    bool setNumberOfAverage(int count_);
    bool setPeakDetectionOnOff(bool on_);
    bool setETSOnOff(bool on_);
    bool setRunState(int runState_);
    bool setIntensityFactor(float factor_);

    // ---- advanced trigger: the outside dialog (advanced_trigger.h), then its results
    bool runAdvancedTrigger();
    void showAdvancedTrigger();
    bool applyAdvancedTriggerResults(int r1_, int r2_, int r3_, int r4_, int r5_, int r6_, int r7_, int countValue_,
                                     int widthValue_);

    // DAC values as they are sent (0..4095, halved on _HW1 for the trigger).
    int offsetDac(int ch_, double offset_) const;
    int triggerLevelDac(double level_) const;
    int horizontalOffset(int position_) const;
    int delayCounter(int position_) const;

    // ---- captures (worker thread). sel_ 1 CH1, 2 CH2, 0 both; the out-pointers receive the
    // raw records. False when nothing was captured.
    bool acquire(int sel_, short** ch1Out_, short** ch2Out_);
    bool acquireSingle(int sel_, short** ch1Out_, short** ch2Out_);
    // The last capture failed because the instrument stopped answering.
    bool captureTimedOut() const;
    // Captures keep being dropped for differing status copies (Capture::statusCopiesDiffer).
    bool captureStatusCopiesDiffer() const;
    // The last capture failed on a request to the instrument (timed out or refused).
    bool captureFailedOnDevice() const;
    // The view the single-shot capture refreshes when it stops the acquisition (not owned;
    // null: none). Install it while no capture runs. False without a capture.
    bool setRunStateView(RunStateView* view_);

    // ---- reference, math and stopped capture. Records hold raw values: converter codes,
    // EMPTY_SAMPLE (4096) for no sample, codes + 20480 for flagged samples (codes.h).
    // Writes channel ch_'s record (1 or 2; d_bufferSize samples) with its settings to a *.ref
    // file (reference_file.h) through a temporary file, then makes it the reference. False, with
    // the file and the reference untouched, for another channel, a channel that is off or has no
    // record, or a failed write (error 13, naming the reason).
    bool saveReference(int ch_, const char* path_);
    // Reads a *.ref file (opened read-only) and makes it the reference. False, with nothing
    // changed, when the file cannot be read or fails a check of unpackReferenceFile.
    bool loadReference(const char* path_);
    // Empties the raw reference record (d_bufferSize samples), then redrawReference; false only
    // without a raw reference record.
    bool updateReference();
    // The reference re-rendered into the raw reference record at the current time base, and the
    // reference trace's rows re-scaled to its volt/div and offset. False for an empty reference.
    bool redrawReference();
    // Empties the math record, then computeMath.
    bool updateMath();
    // Math record = source 1 (+ - x /) source 2 per position, in volts, back to codes of the math
    // trace clamped to 0..d_adcLevels-1. An empty or invalid source sample, a zero divisor or a
    // result that is not finite gives EMPTY_SAMPLE; a source other than an enabled channel 1 or 2
    // (or an unknown operation) gives an empty trace. False only without a math record.
    bool computeMath();
    // *out_ = the raw record of ch_ (1 or 2), emptied (not its averaging history) and re-rendered
    // from the stop snapshot by redrawStopped. False, *out_ null, for another channel or without
    // a record.
    bool getStoppedData(int ch_, short** out_);
    // The stop snapshot of each channel that is on re-rendered into its raw record at the current
    // time base, then its rows re-scaled. A channel without a record in the snapshot (switched on
    // after the stop) is skipped. False when a re-render or a re-scale is impossible.
    bool redrawStopped();
    // One raw value of record ch_ (_CH1.._REFERENCE) at position_ (0-based); EMPTY_SAMPLE for a
    // bad channel, a missing record or a position outside it.
    int getRawSample(int ch_, int position_) const;
    // Ground coupling: every sample of record ch_ (1 or 2) becomes zeroLevelCode(ch_). Other
    // channels are left alone (true); false without a record.
    bool fillGroundLevel(int ch_);
    // Mirrors record ch_ (1 or 2) about its offset level: a sample s becomes z + w - s, clamped to
    // 0..d_adcLevels-1, with z the zero-level code and w the code of row 400 - offset. Roll
    // treats only the newest samples of the last capture; empty and flagged samples are left;
    // in ETS method 1 treated samples get the flag, so a later call leaves them. Other
    // channels are left alone (true); false without a record.
    bool invertChannel(int ch_);

    // ---- used by the setters
    bool loadRegisterTimeBaseTables();
    bool setTimeBaseParameter(int timeDiv_);
    bool clearChannelImages();
    int clearRawChannels(bool history_);

    // Owned members, in teardown order; each null until init creates it.
    std::unique_ptr<State> p_state;
    std::unique_ptr<SystemRegistry> p_systemRegistry;
    std::unique_ptr<Calibration> p_calibration;
    std::unique_ptr<Register> p_register;
    std::unique_ptr<Hardware> p_hardware;
    std::unique_ptr<BufferRawData> p_bufferRawData;
    std::unique_ptr<BufferRawDataStop> p_bufferRawDataStop;
    std::unique_ptr<BufferRawDataStop> p_bufferRawDataRef;
    std::unique_ptr<BufferPhysicalData> p_bufferPhysicalData;
    std::unique_ptr<BufferDisplayData> p_bufferDisplayData;
    std::unique_ptr<TransformHardwareRaw> p_transformHardwareRaw;
    std::unique_ptr<TransformRawDisplay> p_transformRawDisplay;
    std::unique_ptr<TransformRawPhysical> p_transformRawPhysical;

    // Beside the thirteen: the USB bus the hardware object talks through (real or
    // simulated, chosen by whoever starts the kernel) and the capture sequence.
    std::shared_ptr<UsbBackend> p_usbBackend;
    std::unique_ptr<Capture> p_capture;

private:
    // Runs a setter's writes as one change; see control_change.cpp. Every setter that writes
    // the instrument puts its body here, so that a failure anywhere in it (also in a setter it
    // calls and whose result it ignores) takes the whole command back.
    bool change(const std::string& what_, const std::function<bool()>& writes_);
    // An operation made of changes (applying a State, a zero calibration): the transport's
    // messages are held, its changes leave their errors on the stack for the caller to show,
    // and with dropErrorsOnSuccess_ a success leaves none of its own.
    bool operation(bool dropErrorsOnSuccess_, const std::function<bool()>& body_);
    void takeBack(const State& before_, const Register::Saved& image_);
    // Every setting of the State to the instrument, as the setters send it.
    bool sendImage();
    // Before a capture: the whole State applied when the instrument differs from it.
    bool catchUp();
    std::atomic<bool> d_instrumentDiffers{false};
    bool d_applyingState = false; // a whole State is being programmed
    std::atomic<bool> d_catchUpFailed{false};
    std::atomic<bool> d_stoppedAnswering{false};

    double gainFactor(int ch_) const;
    double etsCorrection() const;
    bool rebuildCalibrationTables();
    void emptyRecords();
    void emptyChannel(int ch_);
    bool finishFrontEndChange(int ch_);
    bool writeTimeDiv(int timeDiv_);
    // A change that sets the register image (set_) and sends the block.
    bool writeRegisterBlock(const char* what_, const std::function<void()>& set_);
    void updateReadLength();
    int averageSelection() const;
    void resizeRawRecords();
    void takeStopSnapshot();
    // reference, math and stopped capture
    bool rerenderFrozen(const BufferRawDataStop& from_, int fromCh_, int ch_);
    bool rescaleRows(int ch_, const VerticalScales& scales_);
    bool showStoppedCapture();

    static bool validChannel(int ch_) { return ch_ >= _CH1 && ch_ <= _REFERENCE; }
    // Version, converter and FPGA fields of a State about to be put into use.
    bool takeVersions(State& state_);

    // Set once the State came from its file: the teardown writes it back only then.
    bool d_stateLoaded = false;
    std::string d_fileFailure; // why the last state or reference file load or save failed
    // The take-back of a returned instrument (worker thread): under way, attempts made, and
    // given up until a device arrives again (the arrivals counted then).
    mutable bool d_takeBackPending = false;
    bool d_takeBackGaveUp = false;
    int d_arrivalsAtGiveUp = 0;
    int d_takeBackAttempts = 0;
    bool takeBack();
    // What the running zero calibration saw of a signal on the input: a record that is not
    // flat or an implausible gain (certain), a search that the DAC could not bring to
    // mid-scale (certain once the second start value fails too).
    bool d_zeroSignalSeen = false;
    bool d_zeroSearchPinned = false;
    // The last math record and what it was computed from (control_math.cpp); null before the
    // first computeMath.
    struct MathMemo;
    std::shared_ptr<MathMemo> p_mathMemo;
    // rawToVoltage(ch_, code) of every code below d_adcLevels, by code.
    std::vector<double> sourceVolts(int ch_) const;
    // rawToVoltage of a display row with a channel's settings taken once (ch_ valid).
    struct RowVolts {
        int offset = 0;
        int height = 0;
        double voltDiv = 0;
        double probe = 0;
        double scale = 0;
        double operator()(int row_) const {
            if (height == 0) return 0.0;
            return (row_ - offset) / static_cast<double>(height) * 8 * voltDiv * probe * scale;
        }
    };
    RowVolts rowVolts(int ch_) const;
};

extern Control* g_control;
