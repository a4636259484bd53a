#include "state.h"

#include <algorithm>
#include <cstddef>

#include "units.h"

namespace {

bool isChannelCode(int ch_) { return ch_ >= _CH1 && ch_ <= _REFERENCE; }
bool isTimeDivCode(int timeDiv_) { return timeDiv_ >= _2NS_DIV && timeDiv_ <= _100S_DIV; }
bool isTriggerSource(int source_) { return source_ == _CH1 || source_ == _CH2; }

int methodGroup(int method_) { return (method_ & 0xC) >> 2; }

} // namespace

State::State() { deriveAll(); }

State::State(const std::string& path) : d_fileName(path) { readIni(path, 4); }

void State::deriveAll() {
    updateChannelsOnOff();
    setTriggerSource(d_triggerSource);
    setDelayOnOff(d_delayOnOff);
    fillAcquisitionModes();
    loadTimeBaseTables();
    fillAcquisitionModes();
    setTimeDiv(d_timeDiv);
    setTimeBaseParameter(d_timeDiv);
}

void State::updateChannelsOnOff() {
    d_channelsOnOff =
        (d_channel[_CH1].channelOnOff ? _CH1_ON_CH2_OFF : 0) | (d_channel[_CH2].channelOnOff ? _CH1_OFF_CH2_ON : 0);
}

const TimeBaseRow* State::currentRow() const {
    if (!isTimeDivCode(d_timeDiv)) return nullptr;
    const size_t row = static_cast<size_t>(d_timeDiv);
    switch (d_channelsOnOff) {
    case _CH1_ON_CH2_OFF:
    case _CH1_OFF_CH2_ON: return &d_timeBaseRowsOneChannel[row];
    case _CH1_ON_CH2_ON: return &d_timeBaseRowsTwoChannels[row];
    default: return nullptr;
    }
}

bool State::setChannelOnOff(int ch_, bool on_) {
    if (!isChannelCode(ch_)) return false;
    d_channel[ch_].channelOnOff = on_;
    updateChannelsOnOff();
    selectTimeBaseRow();
    setIntensityFactor(d_intensityFactor);
    return true;
}

bool State::setTriggerSource(int source_) {
    if (!isTriggerSource(source_)) return false;
    d_triggerSource = source_;
    d_triggerLevel = d_channel[source_].triggerOffset;
    d_triggerSlope = d_channel[source_].triggerSlope;
    return true;
}

bool State::setTriggerSlope(int slope_) {
    d_triggerSlope = slope_;
    if (isTriggerSource(d_triggerSource)) d_channel[d_triggerSource].triggerSlope = slope_;
    return true;
}

bool State::setTriggerLevel(double level_) {
    d_triggerLevel = level_;
    if (isTriggerSource(d_triggerSource)) d_channel[d_triggerSource].triggerOffset = level_;
    return true;
}

bool State::setTriggerLogic(int ch1_, int ch2_, int logic_) {
    d_triggerLogicCh1 = ch1_;
    d_triggerLogicCh2 = ch2_;
    d_triggerLogic = logic_;
    return true;
}

bool State::setTriggerPulse(bool onOff_, int pulseMode_, int pulse_) {
    d_triggerPulseOnOff = onOff_;
    d_triggerPulseMode = pulseMode_;
    d_triggerPulse = pulse_;
    return true;
}

bool State::setTriggerHighFrequencyRejectOnOff(bool on_) {
    d_triggerHighFrequencyRejectOnOff = on_;
    return true;
}

bool State::setPeakDetectionOnOff(bool on_) {
    d_peakDetectionOnOff = on_;
    return true;
}

bool State::setLineJoinMode(int mode_) {
    d_lineJoinMode = mode_;
    return true;
}

bool State::setXYPlotOnOff(bool on_) {
    d_XYPlotOnOff = on_;
    return true;
}

bool State::setPersistence(int level_) {
    d_persistence = level_;
    return true;
}

bool State::setMathSource1(int source_) {
    d_mathSource1 = source_;
    return true;
}

bool State::setMathSource2(int source_) {
    d_mathSource2 = source_;
    return true;
}

bool State::setMathOperation(int operation_) {
    d_mathOperation = operation_;
    return true;
}

bool State::setETSOnOff(bool on_) {
    d_ETSOnOff = on_;
    // The ETS count that fillAcquisitionModes uses is set by loadTimeBaseTables.
    fillAcquisitionModes();
    loadTimeBaseTables();
    fillAcquisitionModes();
    return true;
}

bool State::setBufferSizeMode(int mode_) {
    if (mode_ != _10K && mode_ != _500K) return false;
    if (mode_ > d_bufferSizeMax || d_hardwareVersion <= _HW2) mode_ = _10K;
    d_bufferSizeMode = mode_;
    fillAcquisitionModes();
    loadTimeBaseTables();
    fillAcquisitionModes();
    return true;
}

bool State::setTimeDiv(int timeDiv_) {
    if (!isTimeDivCode(timeDiv_)) return false;
    d_timeDiv = timeDiv_;
    updateAcquisitionMode();
    selectTimeBaseRow();
    if (!isEquivalentTime()) {
        d_ETSStep = 0;
    } else if (d_acquireLength >= 100) {
        d_ETSStep = static_cast<double>(d_bufferSize) / (d_acquireLength - d_acquireLength % 100);
    }
    setIntensityFactor(d_intensityFactor);
    return true;
}

bool State::setHorizontalPosition(double position_) {
    d_horizontalPosition = position_;
    (d_delayOnOff ? d_horizontalPositionOn : d_horizontalPositionOff) = position_;
    return true;
}

bool State::setDelayOnOff(bool on_) {
    d_delayOnOff = on_;
    d_horizontalPosition = on_ ? d_horizontalPositionOn : d_horizontalPositionOff;
    return true;
}

bool State::setIntensityFactor(float factor_) {
    d_intensityFactor = factor_;
    // With no channel on nothing is drawn from the inputs; a zero step is harmless.
    const TimeBaseRow* row = currentRow();
    d_intensityStep = row ? factor_ * row->intensityBase : 0.0f;
    return true;
}

bool State::setTimeBaseParameter(int timeDiv_) {
    d_timeBaseParameter = timeBaseParameter(timeDiv_);
    return true;
}

void State::fillAcquisitionModes() {
    const AcquisitionMethodTable& methods = acquisitionMethodTable(d_bufferSizeMode);
    const int firstRoll = std::clamp(d_firstRollTimeDiv, 0, NUMBER_OF_METHOD_ENTRIES);
    for (int code = 0; code < NUMBER_OF_TIME_DIVS; ++code)
        d_acquisitionModeTable[code] = code < firstRoll ? methods[static_cast<size_t>(code)] : _ROLL;
    const int fast = std::clamp(d_numberOfETSTimeDiv, 0, NUMBER_OF_TIME_DIVS);
    std::fill_n(d_acquisitionModeTable, fast, d_ETSOnOff ? _ETS_MODE1 : _RIS);
    updateAcquisitionMode();
}

void State::loadTimeBaseTables() {
    if (d_hardwareVersion >= _HW1) {
        if (d_bufferSizeMode == _10K) {
            d_recordLength = 10000;
            d_bufferSizeHardware = 20096;
            d_averageCountMax = 128;
            d_numberOfETSTimeDiv = 11;
            d_bufferBarTimeDivMax = 5;
            d_peakDetectionMinTimeDiv = 14;
        } else if (d_bufferSizeMode == _500K) {
            d_recordLength = 500000;
            d_bufferSizeHardware = 1000128;
            d_averageCountMax = 16;
            d_numberOfETSTimeDiv = 17;
            d_bufferBarTimeDivMax = 10;
            d_peakDetectionMinTimeDiv = 20;
        }
        const TimeBaseTable* one = timeBaseTable(d_bufferSizeMode, d_ETSOnOff, false);
        const TimeBaseTable* two = timeBaseTable(d_bufferSizeMode, d_ETSOnOff, true);
        if (one && two) {
            d_timeBaseRowsOneChannel = *one;
            d_timeBaseRowsTwoChannels = *two;
        }
    }
    selectTimeBaseRow();
    setIntensityFactor(d_intensityFactor);
}

void State::updateAcquisitionMode() {
    if (isTimeDivCode(d_timeDiv)) d_acquisitionMode = d_acquisitionModeTable[d_timeDiv];
    updateInterleave();
}

void State::updateInterleave() {
    d_interleaveOnOff = (d_timeDiv == d_numberOfETSTimeDiv || isRIS()) && !areBothChannelsOn();
}

void State::selectTimeBaseRow() {
    const TimeBaseRow* row = currentRow();
    if (!row) {
        // d_bufferSize keeps its value: the math and reference records are sized by it.
        d_acquireLength = 0;
        d_intensityStep = 0;
        d_samplesPerPixel = 0;
        d_sampleRate = 0;
        d_ETSReadCount = 0;
        return;
    }
    d_bufferSize = row->bufferSize;
    d_acquireLength = row->acquireLength;
    d_intensityStep = row->intensityBase;
    d_samplesPerPixel = row->samplesPerPixel;
    d_sampleRate = row->sampleRate;
    d_ETSReadCount = row->readCount;
}

bool State::updateBufferBar() {
    const double width = d_displayWidth;
    const double T = sec_per_div(d_timeDiv);
    if (width <= 0 || T <= 0) return false;
    const double pos = d_horizontalPosition / width;

    if (d_runState == _RUN) {
        if (d_timeDiv > d_bufferBarTimeDivMax) {
            d_bufferBarTrigger = pos;
            d_bufferBarMarkLeft = 0;
            d_bufferBarMarkRight = 1;
        } else {
            const double h = T / sec_per_div(_200NS_DIV);
            if (d_delayOnOff) {
                d_bufferBarMarkLeft = 0.5 - h / 2;
                d_bufferBarMarkRight = 0.5 + h / 2;
                d_bufferBarTrigger = (pos - 0.5) * h + 0.5;
            } else {
                d_bufferBarTrigger = pos;
                d_bufferBarMarkLeft = pos - pos * h;
                d_bufferBarMarkRight = pos + h * (1 - pos);
            }
        }
        d_bufferBarWidth = 1;
        d_bufferBarLeft = 0;
        return true;
    }

    // A stopped or single capture shown at another time base.
    const double stopT = sec_per_div(std::max(d_stopTimeDiv, static_cast<int>(_200NS_DIV)));
    if (stopT <= 0) return false;
    const double s = d_stopHorizontalPosition / width;
    const double v = T / stopT;
    if (v >= 1) {
        d_bufferBarWidth = 1 / v;
        d_bufferBarMarkLeft = 0;
        d_bufferBarMarkRight = 1;
        d_bufferBarLeft = pos - s / v;
        d_bufferBarTrigger = pos;
    } else {
        d_bufferBarWidth = 1;
        d_bufferBarLeft = (d_horizontalPosition - d_stopHorizontalPosition) / width;
        d_bufferBarTrigger = (pos - 0.5) * v + 0.5;
        if (d_delayOnOff) {
            d_bufferBarMarkLeft = 0.5 - v / 2;
            d_bufferBarMarkRight = 0.5 + v / 2;
        } else {
            const float c = static_cast<float>((pos - 0.5) * v + 0.5);
            d_bufferBarMarkLeft = c - v / 2;
            d_bufferBarMarkRight = c + v / 2;
        }
    }
    return true;
}

bool State::isEquivalentTime() const { return methodGroup(d_acquisitionMode) == 0; }
bool State::isRealTime() const { return methodGroup(d_acquisitionMode) == 1; }
bool State::isRoll() const { return methodGroup(d_acquisitionMode) == 2; }
bool State::isRIS() const { return d_acquisitionMode == _RIS; }
bool State::isETSMode1() const { return d_acquisitionMode == _ETS_MODE1; }

bool State::isChannelOn(int ch_) const { return isChannelCode(ch_) && d_channel[ch_].channelOnOff; }

bool State::areBothChannelsOn() const { return d_channel[_CH1].channelOnOff && d_channel[_CH2].channelOnOff; }

bool State::isRunningDots(int ch_) const { return d_runState == _RUN && d_lineJoinMode == 0 && ch_ != _REFERENCE; }
