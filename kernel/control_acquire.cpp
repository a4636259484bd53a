// Trigger and acquisition settings: State first, then the register image, then the instrument.
#include "control.h"

#include "bounded_conversion.h"
#include "buffer_display_data.h"
#include "buffer_raw_data.h"
#include "buffer_raw_data_stop.h"
#include "calibration.h"
#include "hardware.h"
#include "register.h"
#include "transform_raw_display.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr int kAcquireTimeOut = 500;
constexpr double T12[11] = {0.2, 0.4, 0.8, 2.0, 4.0, 0.8, 2.0, 4.0, 0.8, 2.0, 4.0};
constexpr double T3Base[11] = {0.05, 0.1, 0.2, 0.5, 1, 0.2, 0.5, 1, 0.2, 0.5, 1};

} // namespace

bool Control::setTriggerSource(int source) {
    if (source != _CH1 && source != _CH2) return false;
    return change("trigger source", [&] {
        p_state->setTriggerSource(source);
        return setTriggerSlope(p_state->d_triggerSlope) && setTriggerLevel(p_state->d_triggerLevel);
    });
}

bool Control::setTriggerSlope(int slope) {
    return change("trigger slope", [&] {
        State& s = *p_state;
        s.setTriggerSlope(slope);
        p_register->setEdgeTrigger(s.d_triggerSource, slope, s.d_hardwareVersion);
        const bool written = p_hardware->writeRegisters(p_register->getWriteBlock(), kAcquireTimeOut) &&
                             setTriggerLevel(s.d_triggerLevel);
        emptyRecords();
        return written;
    });
}

int Control::triggerLevelDac(double level) const {
    const State& s = *p_state;
    const int src = s.d_triggerSource;
    const ChannelSettings& c = s.d_channel[src];
    const int v = c.voltageDiv;
    const double factor = gainFactor(src);
    const int centre = s.d_displayHeight / 2;
    // The level is any finite number and the gain any float of the calibration file.
    const int L = boundedInt(level);
    long long value;
    switch (s.d_hardwareVersion) {
    case _HW1: value = boundedInt((L - centre) * T12[v] * factor + 2500); break;
    case _HW2: value = boundedInt(T12[v] * (c.triggerOffset - c.voltageOffset) * factor * 0.5 + 2500); break;
    default: value = boundedInt((L - centre) * 4.75 * T3Base[v] * factor + 1250 + 0.5); break;
    }
    const int t = src == _CH1 ? p_calibration->triggerCh1[v] : p_calibration->triggerCh2[v];
    if (s.d_hardwareVersion <= _HW2)
        value -= p_calibration->getOffset(src, v, s.d_interleaveOnOff) + t;
    else
        value -= t;
    if (s.d_triggerSlope == 0) value += s.d_hardwareVersion == _HW1 ? 20 : s.d_hardwareVersion == _HW2 ? 7 : 25;
    int dac = static_cast<int>(std::clamp<long long>(value, 0, 4095));
    if (s.d_hardwareVersion == _HW1) dac /= 2;
    return dac;
}

bool Control::setTriggerLevel(double level) {
    assert(p_state && p_register && p_hardware);
    State& s = *p_state;
    if (!std::isfinite(level)) return false;
    return change("trigger level", [&] {
        s.setTriggerLevel(level);
        const int dac = triggerLevelDac(level);
        p_register->setTriggerLevelDac(s.d_triggerSource, dac & 0xFF, (dac >> 8) & 0x0F);
        if (!p_hardware->writeDacBlock(p_register->getDacBlock(), kAcquireTimeOut)) return false;
        emptyRecords();
        return true;
    });
}

bool Control::writeRegisterBlock(const char* what, const std::function<void()>& set) {
    return change(what, [&] {
        set();
        return p_hardware->writeRegisters(p_register->getWriteBlock(), kAcquireTimeOut);
    });
}

bool Control::setTriggerMode(int mode) {
    return writeRegisterBlock("trigger mode", [&] {
        p_state->d_triggerMode = mode;
        p_register->setTriggerModeBit(mode != 0 ? 1 : 0);
    });
}

bool Control::setTriggerType(int type, int count) {
    return writeRegisterBlock("trigger type", [&] {
        p_state->d_triggerType = type;
        p_register->setTriggerType(type, count);
    });
}

bool Control::setTriggerLogic(int ch1Condition, int ch2Condition, int kind) {
    p_state->setTriggerLogic(ch1Condition, ch2Condition, kind);
    p_register->setTriggerLogic(ch1Condition, ch2Condition, kind, p_state->d_hardwareVersion);
    return true;
}

bool Control::setTriggerPulse(bool on, int condition, int value) {
    p_state->setTriggerPulse(on, condition, value);
    p_register->setTriggerPulse(on, condition, value);
    return true;
}

bool Control::setTriggerLogicRegister(int kind, bool on) {
    return writeRegisterBlock("trigger logic", [&] { p_register->setTriggerLogicKind(kind, on); });
}

bool Control::setTriggerHighFrequencyRejectOnOff(bool on) {
    return writeRegisterBlock("high-frequency reject", [&] {
        p_state->setTriggerHighFrequencyRejectOnOff(on);
        p_register->setHighFrequencyReject(on);
    });
}

int Control::averageSelection() const {
    switch (p_state->d_channelsOnOff) {
    case _CH1_ON_CH2_OFF: return _CH1;
    case _CH1_OFF_CH2_ON: return _CH2;
    case _CH1_ON_CH2_ON: return 0;
    default: return -1;
    }
}

void Control::resizeRawRecords() {
    // Every record holds the whole record length, so a later time base with a larger
    // record never overruns it.
    State& s = *p_state;
    const int size = s.d_recordLength;
    // Each history record is a whole record: the history keeps to the mode's count, and a
    // larger one goes before the records grow (128 records of 500k points would be 256 MB).
    const int count = std::min(s.d_averageCount, s.d_averageCountMax);
    if (p_bufferRawData->d_numberOfAverage > count) p_bufferRawData->setNumberOfAverage(1, 0);
    for (int ch : {int(_CH1), int(_CH2), int(_MATH), int(_REFERENCE)}) {
        if (s.d_channel[ch].channelOnOff) {
            if (p_bufferRawData->size(ch) != size) p_bufferRawData->resize(size, ch);
        } else if (ch == _CH1 || ch == _CH2) {
            p_bufferRawData->release(ch);
        }
    }
    const int sel = averageSelection();
    if (sel >= 0 && p_bufferRawData->d_numberOfAverage != count) p_bufferRawData->setNumberOfAverage(count, sel);
}

bool Control::setChannelOnOff(int ch, bool on) {
    assert(p_state && p_register && p_hardware);
    State& s = *p_state;
    if (ch < _CH1 || ch > _REFERENCE) return false;
    return change(std::string("channel ") + std::to_string(ch) + (on ? " on" : " off"), [&] {
        if (on)
            p_bufferDisplayData->create(ch, s.d_displayWidth, s.d_displayHeight);
        else
            p_bufferDisplayData->release(ch);

        s.setChannelOnOff(ch, on);
        p_register->setChannelEnable(ch, on);
        if (!p_hardware->writeRegisters(p_register->getWriteBlock(), kAcquireTimeOut)) return false;
        resizeRawRecords();

        if (s.d_channelsOnOff == _CH1_ON_CH2_OFF && s.d_triggerSource == _CH2 && !setTriggerSource(_CH1)) return false;
        if (s.d_channelsOnOff == _CH1_OFF_CH2_ON && s.d_triggerSource == _CH1 && !setTriggerSource(_CH2)) return false;

        if (on && !setVoltageDiv(ch, s.d_channel[ch].voltageDiv)) return false;

        loadRegisterTimeBaseTables();
        if (!setTimeDiv(s.d_timeDiv)) return false;
        updateReadLength();
        return true;
    });
}

bool Control::setBufferSizeMode(int mode) {
    assert(p_state && p_register && p_hardware);
    State& s = *p_state;
    if (mode != _10K && mode != _500K) return false;
    return change("record length", [&] {
        if (!s.setBufferSizeMode(mode)) return false;
        loadRegisterTimeBaseTables();
        p_register->setTimebaseAndPeak(s.d_timeDiv, s.d_channelsOnOff, s.d_acquisitionMode, s.d_peakDetectionOnOff);
        resizeRawRecords();
        p_hardware->resize(static_cast<unsigned>(s.d_bufferSizeHardware));
        p_transformRawDisplay->updateETSWindow();
        if (!p_hardware->writeRegisters(p_register->getWriteBlock(), kAcquireTimeOut)) return false;
        updateReadLength();
        return setTimeDiv(s.d_timeDiv);
    });
}

bool Control::setNumberOfAverage(int count) {
    State& s = *p_state;
    if (count < 1) return false;
    s.d_averageCount = std::min(count, s.d_averageCountMax);
    const int sel = averageSelection();
    if (sel < 0) return false;
    // Both channels at once: a channel at a time would drop the other's history.
    const bool ok = p_bufferRawData->setNumberOfAverage(s.d_averageCount, sel);
    clearChannelImages();
    return ok;
}

bool Control::setPeakDetectionOnOff(bool on) {
    State& s = *p_state;
    return change("peak detection", [&] {
        s.setPeakDetectionOnOff(on);
        p_register->setPeakDetection(on && s.d_timeDiv >= s.d_peakDetectionMinTimeDiv);
        return s.d_hardwareVersion < _HW3 || p_hardware->writeRegisters(p_register->getWriteBlock(), kAcquireTimeOut);
    });
}

bool Control::setETSOnOff(bool on) {
    State& s = *p_state;
    return change("ETS", [&] {
        s.setETSOnOff(on);
        p_register->setTimebaseETS(on, s.d_channelsOnOff, s.d_numberOfETSTimeDiv, s.d_timeDiv, s.d_acquisitionMode);
        recreateAcquisition();
        p_register->setTriggerModeBit(s.d_triggerMode != 0 ? 1 : 0);
        rebuildCalibrationTables();
        p_transformRawDisplay->updateETSWindow();
        if (!p_hardware->writeRegisters(p_register->getWriteBlock(), kAcquireTimeOut)) return false;
        updateReadLength();
        const bool placed = setHorizontalPosition(s.d_horizontalPosition);
        clearChannelImages();
        emptyRecords();
        return placed;
    });
}

void Control::takeStopSnapshot() {
    State& s = *p_state;
    BufferRawDataStop& stop = *p_bufferRawDataStop;
    for (int ch : {int(_CH1), int(_CH2)}) {
        const int size = p_bufferRawData->size(ch);
        const short* from = p_bufferRawData->data(ch);
        // A channel without a record now must not be shown later from an older snapshot.
        if (!s.d_channel[ch].channelOnOff || !from || size <= 0) {
            stop.release(ch);
            continue;
        }
        if (stop.size(ch) != size && !stop.resize(size, ch)) continue;
        std::memcpy(stop.data(ch), from, static_cast<size_t>(size) * sizeof(short));
        const ChannelSettings& c = s.d_channel[ch];
        if (ch == _CH1) {
            stop.d_voltageDivCh1 = c.voltageDiv;
            stop.d_voltageOffsetCh1 = boundedInt(c.voltageOffset);
            stop.d_channelCouplingCh1 = c.channelCoupling;
        } else {
            stop.d_voltageDivCh2 = c.voltageDiv;
            stop.d_voltageOffsetCh2 = boundedInt(c.voltageOffset);
            stop.d_channelCouplingCh2 = c.channelCoupling;
        }
    }
    stop.d_bufferSize = s.d_bufferSize;
    stop.d_timeDiv = s.d_timeDiv;
    stop.d_horizontalPosition = s.d_horizontalPosition;
}

bool Control::setRunState(int runState) {
    State& s = *p_state;
    if (runState < _SINGLE || runState > _STOP) return false;
    if (runState == _STOP) {
        s.d_runState = runState;
        takeStopSnapshot();
        s.d_stopTimeDiv = s.d_timeDiv;
        s.d_stopHorizontalPosition = s.d_horizontalPosition;
        return true;
    }
    return change("run state", [&] {
        s.d_runState = runState;
        bool ok = true;
        if (runState == _RUN) {
            ok = setETSOnOff(s.d_ETSOnOff) && setTriggerMode(s.d_triggerMode);
            for (int ch : {int(_CH1), int(_CH2)})
                if (s.d_channel[ch].channelOnOff) p_transformRawDisplay->buildTable(ch);
        } else {
            ok = setETSOnOff(false) && setTriggerMode(_NORMAL);
            s.d_stopTimeDiv = s.d_timeDiv;
            s.d_stopHorizontalPosition = s.d_horizontalPosition;
        }
        return ok;
    });
}

bool Control::setIntensityFactor(float factor) {
    if (!std::isfinite(factor) || factor < 0) return false;
    p_state->setIntensityFactor(factor);
    return true;
}
