#pragma once
// State: the record of every acquisition and display setting, with the values derived from
// them for the current time base, kept in a state file (an INI file; state_file.cpp).
//
// The setters only update the record and re-derive what depends on the changed value;
// programming the instrument is the business of Control. Display rows count from 0 at the
// bottom to 400 at the top; horizontal positions are display columns.
//
// A State is a plain value: copying it copies every field, including the file name and the
// calibration pointer. Destroying one writes nothing; whoever wants the file written calls
// writeIni.

#include <string>

#include "codes.h"
#include "time_base_tables.h"

class Calibration;

// One channel's settings; State keeps one per channel code. The state-file key of a field
// is its name followed by the channel number, in section "CHANNEL".
struct ChannelSettings {
    bool channelOnOff = false;
    int channelCoupling = _AC;
    int voltageDiv = _1V_DIV;
    double voltageOffset = 250.0; // display row of the trace's zero
    int probeAttenuation = _X1;
    double scaleFactor = 1.0;   // applied to physical values
    int channelMode = 0;        // carried in the state file only
    double currentFactor = 1.0; // carried in the state file only
    bool invertOnOff = false;
    bool bandwidthLimitOnOff = false;
    double triggerOffset = 250.0; // this channel's trigger level as a display row
    int triggerSlope = _UP_EDGE;  // 1 rising, 0 falling
};

class State {
public:
    // Every field at its state-file default, the derived values worked out for them.
    State();
    // Remembers `path` as d_fileName and reads it (readIni(path, 4)). A missing or
    // unreadable file gives the defaults.
    explicit State(const std::string& path);

    // Reads every key; a missing key, or a value outside the key's range, gives the key's
    // default. Channel keys are read for channels 1..channelCount_ (at most 4). The derived
    // values are then worked out again. False when the file cannot be read, or holds none
    // of the keys (no state file: every field then has its default); `why` then says which.
    bool readIni(const std::string& path, int channelCount_, std::string* why = nullptr);
    // Writes every key to `path` (channel keys for channels 1..channelCount_, at most 4),
    // keeping the file's other keys, through a temporary file and a rename. False when the
    // file cannot be written, or exists but cannot be read (it is not written over); the
    // old file is then intact and `error` tells why.
    bool writeIni(const std::string& path, int channelCount_, std::string* error = nullptr) const;

    // Setters. All return true, except for an argument that would index a table out of
    // range (channel other than 1..4, trigger source other than 1..2, time/div other than
    // 0..32, record-length mode other than _10K/_500K): false, and nothing changes.
    bool setChannelOnOff(int ch_, bool on_);
    bool setTriggerSource(int source_);
    bool setTriggerSlope(int slope_);
    bool setTriggerLevel(double level_);
    bool setTriggerLogic(int ch1_, int ch2_, int logic_);
    bool setTriggerPulse(bool onOff_, int pulseMode_, int pulse_);
    bool setTriggerHighFrequencyRejectOnOff(bool on_);
    bool setPeakDetectionOnOff(bool on_);
    bool setLineJoinMode(int mode_);
    bool setXYPlotOnOff(bool on_);
    bool setPersistence(int level_);
    bool setMathSource1(int source_);
    bool setMathSource2(int source_);
    bool setMathOperation(int operation_);
    bool setETSOnOff(bool on_);
    // Lowered to d_bufferSizeMax, and to _10K on _HW1/_HW2.
    bool setBufferSizeMode(int mode_);
    // Method, row, ETS step (record positions per delivered sample) and intensity step.
    bool setTimeDiv(int timeDiv_);
    bool setHorizontalPosition(double position_);
    bool setDelayOnOff(bool on_);
    // d_intensityStep = factor x intensityBase of the current row; 0 with no channel on.
    bool setIntensityFactor(float factor_);
    // See timeBaseParameter (time_base_tables.h).
    bool setTimeBaseParameter(int timeDiv_);

    // Method per time/div code: the mode's method table, roll from d_firstRollTimeDiv on,
    // and ETS (1) or RIS (3) on the first d_numberOfETSTimeDiv codes; then
    // updateAcquisitionMode. Run it again after loadTimeBaseTables, which sets that count.
    void fillAcquisitionModes();
    // The mode's values (record length, hardware bytes, average maximum, ETS count, buffer
    // bar and peak-detection limits) and its pair of time-base tables (skipped below _HW1);
    // then selectTimeBaseRow and the intensity step.
    void loadTimeBaseTables();
    // d_acquisitionMode from the method table at d_timeDiv; then updateInterleave.
    void updateAcquisitionMode();
    // The interleaved converter pair serves one channel at the first real-time code or in RIS.
    void updateInterleave();
    // Copies the d_timeDiv row (one- or two-channel table) into the current values. With no
    // channel on they are 0, except d_bufferSize, which keeps its value.
    void selectTimeBaseRow();

    // The five buffer-bar fractions (d_bufferBar...) for the current run state, time base
    // and position. False, with the fractions unchanged, only when the display width or a
    // time/div code is unusable.
    bool updateBufferBar();

    // Method group of d_acquisitionMode: 0 equivalent time, 1 real time, 2 roll.
    bool isEquivalentTime() const;
    bool isRealTime() const;
    bool isRoll() const;
    bool isRIS() const;
    bool isETSMode1() const;
    // False for a channel code outside 1..4.
    bool isChannelOn(int ch_) const;
    bool areBothChannelsOn() const;
    // Running, dots (line join 0), and not the reference trace.
    bool isRunningDots(int ch_) const;

    // The record. Fields with a state-file key start at the key's default.
    Calibration* p_calibration = nullptr;          // not owned
    ChannelSettings d_channel[NUMBER_OF_CHANNELS]; // index = channel code; 0 is unused
    int d_channelsOnOff = _CH1_OFF_CH2_OFF;        // derived from CH1 and CH2
    int d_triggerSource = _CH1;
    int d_triggerSlope = _UP_EDGE; // = the source channel's triggerSlope
    int d_triggerType = 1;         // 1 edge; 2 and 3 advanced
    int d_triggerMode = _AUTO;
    double d_triggerLevel = 250.0; // = the source channel's triggerOffset
    int d_triggerLogic = 0;
    int d_triggerLogicCh1 = 0;
    int d_triggerLogicCh2 = 0;
    bool d_triggerPulseOnOff = false;
    int d_triggerPulse = 0;
    int d_triggerPulseMode = 0;
    bool d_triggerAdvanceOnOff = false;
    bool d_triggerHighFrequencyRejectOnOff = false;
    bool d_delayOnOff = false;
    int d_timeDiv = _10US_DIV;
    int d_acquisitionMode = _REAL_TIME; // method of the current time base
    int d_firstRollTimeDiv = _1S_DIV;
    int d_acquisitionModeTable[NUMBER_OF_TIME_DIVS] = {};
    double d_horizontalPosition = 250.0;
    double d_horizontalPositionOn = 250.0;  // kept while the delay is on
    double d_horizontalPositionOff = 250.0; // kept while the delay is off
    double d_horizontalOffset = 0;
    double d_stopHorizontalPosition = 250.0;
    int d_stopTimeDiv = _10US_DIV;
    int d_bufferSizeMode = _10K;
    int d_bufferSizeMax = _10K;
    bool d_peakDetectionOnOff = false;
    int d_averageCount = 1; // 1 = no averaging
    int d_averageCountMax = 128;
    TimeBaseTable d_timeBaseRowsOneChannel = {};
    TimeBaseTable d_timeBaseRowsTwoChannels = {};
    int d_recordLength = 10000;
    int d_bufferSize = 10000;
    int d_bufferSizeHardware = 20096; // bytes read from the instrument's sample memory
    int d_acquireLength = 0;
    float d_intensityStep = 0;
    double d_samplesPerPixel = 0;
    double d_sampleRate = 0; // samples per second
    int d_numberOfETSTimeDiv = 11;
    int d_ETSReadCount = 0;
    int d_peakDetectionMinTimeDiv = 14;
    int d_bufferBarTimeDivMax = 5;
    int d_runState = _RUN;
    int d_firmwareVersion = 1;
    int d_hardwareVersion = _HW1;
    int d_calibrationVersion = 1;
    int d_FPGAVersion = 1;
    int d_APIVersion = 1;
    int d_lineJoinMode = 0; // 0 dots, otherwise vectors
    int d_persistence = 1;  // 0..16
    int d_displayWidth = 500;
    int d_displayHeight = 400;
    float d_intensityFactor = 50.0f;
    bool d_XYPlotOnOff = false;
    int d_adcBits = 12;
    int d_adcLevels = 4096;
    int d_adcMaxCode = 4095;
    double d_ADCAmpFactor = 2.4;
    int d_defaultTimeOut = 500; // milliseconds
    double d_fullSizeVoltageRange = 1.25;
    int d_timeBaseParameter = 20;
    double d_bufferBarTrigger = 0;
    double d_bufferBarMarkLeft = 0;
    double d_bufferBarMarkRight = 1;
    double d_bufferBarWidth = 1;
    double d_bufferBarLeft = 0;
    int d_ETSPointsPerSample = 0;
    int d_ETSWindowLength = 0;
    int d_ETSWindowStart = 0;
    int d_ETSPhase = 0;
    double d_ETSStep = 0;
    int d_mathSource1 = _CH1;
    int d_mathSource2 = _CH2;
    int d_mathOperation = _ADD;
    double d_ETSRejectMargin = 0.03;
    int d_ETSOffsetMargin = 0;
    bool d_triggeredFlag = false;
    bool d_ETSOnOff = true;
    std::string d_fileName; // the file the record was read from
    bool d_interleaveOnOff = false;

private:
    // Makes the derived fields agree with the settings just read.
    void deriveAll();
    void updateChannelsOnOff();
    const TimeBaseRow* currentRow() const;
};
