// Channel and time-base settings: State first, then the register image, then the instrument.
#include "control.h"

#include "bounded_conversion.h"
#include "buffer_display_data.h"
#include "buffer_raw_data.h"
#include "calibration.h"
#include "hardware.h"
#include "register.h"
#include "time_base_tables.h"
#include "transform_hardware_raw.h"
#include "transform_raw_display.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <string>

namespace {

constexpr int kChannelTimeOut = 500;

// Offset-DAC steps per display row, by volt/div code.
constexpr double K12[11] = {0.2, 0.4, 0.8, 2.0, 4.0, 0.8, 2.0, 4.0, 0.8, 2.0, 4.0};
constexpr double K3Base[11] = {0.05, 0.1, 0.2, 0.5, 1, 0.2, 0.5, 1, 0.2, 0.5, 1};

// A remainder that keeps the sign of the dividend, as the instrument's counter expects.
int modKeep(int a, int b) { return a % b; }

int clampDac(long long v) { return static_cast<int>(std::clamp<long long>(v, 0, 4095)); }

bool isInput(int ch) { return ch == _CH1 || ch == _CH2; }

std::string channelSetting(const char* what, int ch) { return std::string(what) + " of channel " + std::to_string(ch); }

} // namespace

double Control::gainFactor(int ch) const {
    const ChannelSettings& c = p_state->d_channel[ch];
    const double gain = getCalibrationGain(ch, c.channelCoupling, c.voltageDiv);
    return gain == 0 || !std::isfinite(gain) ? 1.0 : 1.0 / gain;
}

bool Control::rebuildCalibrationTables() {
    return p_calibration->buildTables(p_state->d_interleaveOnOff, p_state->d_channelsOnOff);
}

void Control::emptyRecords() {
    clearRawChannels(false);
    clearChannelImages();
}

void Control::emptyChannel(int ch) {
    if (!isInput(ch)) return;
    p_bufferRawData->fill(ch, EMPTY_SAMPLE, false);
    p_bufferDisplayData->clear(ch);
}

void Control::updateReadLength() { p_hardware->d_readLength = 2 * p_state->d_acquireLength; }

bool Control::recreateAcquisition() { return p_transformHardwareRaw->createAcquisition(); }

// The common end of a coupling or volt/div change: the offset follows the new gain, the
// correction tables the new path, and the newer generations take the block at once.
bool Control::finishFrontEndChange(int ch) {
    setVoltageOffset(ch, p_state->d_channel[ch].voltageOffset);
    rebuildCalibrationTables();
    if (p_state->d_hardwareVersion >= _HW3 &&
        !p_hardware->writeRegisters2(p_register->getWriteBlock(), kChannelTimeOut))
        return false;
    emptyChannel(ch);
    return true;
}

bool Control::setChannelCoupling(int ch, int coupling) {
    assert(p_state && p_register && p_hardware);
    if (ch < _CH1 || ch > _REFERENCE || coupling < _AC || coupling > _GND) return false;
    return change(channelSetting("coupling", ch), [&] {
        p_state->d_channel[ch].channelCoupling = coupling;
        p_transformRawDisplay->buildTable(ch);
        if (!isInput(ch)) return true;
        p_register->setCoupling(ch, coupling);
        if (!p_hardware->setRelays(p_register->getRelayByte(), kChannelTimeOut)) return false;
        if (ch == p_state->d_triggerSource && !setTriggerLevel(p_state->d_triggerLevel)) return false;
        if (!finishFrontEndChange(ch)) return false;
        // The next record is asked for at once: it reads the input without its DC. A whole
        // State (start-up, take-back) does not wait: the live trace settles as on the bench.
        if (!d_applyingState) p_hardware->waitForFrontEnd();
        return true;
    });
}

bool Control::setVoltageDiv(int ch, int voltDiv) {
    assert(p_state && p_register && p_hardware);
    if (ch < _CH1 || ch > _REFERENCE || voltDiv < _5MV_DIV || voltDiv > _10V_DIV) return false;
    return change(channelSetting("volt/div", ch), [&] {
        const int oldVoltDiv = p_state->d_channel[ch].voltageDiv;
        p_state->d_channel[ch].voltageDiv = voltDiv;
        p_transformRawDisplay->buildTable(ch);
        if (!isInput(ch)) return true;
        p_register->setVoltDiv(ch, voltDiv, p_state->d_hardwareVersion);
        if (!p_hardware->setRelays(p_register->getRelayByte(), kChannelTimeOut)) return false;
        if (ch == p_state->d_triggerSource) {
            // The trigger level keeps its voltage: its distance from the offset scales.
            const double offset = p_state->d_channel[ch].voltageOffset;
            const double level = offset + (p_state->d_triggerLevel - offset) * voltRatio(oldVoltDiv, voltDiv);
            if (!setTriggerLevel(level)) return false;
        }
        return finishFrontEndChange(ch);
    });
}

int Control::offsetDac(int ch, double offset) const {
    const ChannelSettings& c = p_state->d_channel[ch];
    const int v = c.voltageDiv;
    // The offset is any finite number and the gain any float of the calibration file.
    const int p = boundedInt(offset);
    const int centre = p_state->d_displayHeight / 2;
    const double factor = gainFactor(ch);
    long long value;
    if (p_state->d_hardwareVersion <= _HW2) {
        value = boundedInt((p - centre) * K12[v] * factor + 2500 + 0.5);
    } else {
        const int base = 2 * static_cast<int>(1250 / (p_state->d_ADCAmpFactor - 1));
        value = boundedInt((p - centre) * 6.75 * K3Base[v] * factor + base + 0.5);
    }
    value -= p_calibration->getOffset(ch, v, p_state->d_interleaveOnOff);
    return clampDac(value);
}

bool Control::setVoltageOffset(int ch, double offset) {
    assert(p_state && p_register && p_hardware);
    if (ch < _CH1 || ch > _REFERENCE || !std::isfinite(offset)) return false;
    return change(channelSetting("offset", ch), [&] {
        const int oldOffset = boundedInt(p_state->d_channel[ch].voltageOffset);
        p_state->d_channel[ch].voltageOffset = offset;
        bool written = true;
        if (isInput(ch)) {
            const int dac = offsetDac(ch, offset);
            p_register->setOffsetDac(ch, dac & 0xFF, (dac >> 8) & 0x0F);
            written = p_hardware->writeDacBlock(p_register->getDacBlock(), kChannelTimeOut);
        }
        if (written && ch == p_state->d_triggerSource)
            written = setTriggerLevel(boundedInt(offset - oldOffset) + p_state->d_channel[ch].triggerOffset);
        emptyRecords();
        return written;
    });
}

bool Control::setProbeAttenuation(int ch, int probe) {
    if (ch < _CH1 || ch > _REFERENCE || probe_factor(probe) == 0) return false;
    p_state->d_channel[ch].probeAttenuation = probe;
    return true;
}

bool Control::setInvertOnOff(int ch, bool on) {
    if (ch < _CH1 || ch > _REFERENCE) return false;
    p_state->d_channel[ch].invertOnOff = on;
    return true;
}

bool Control::setTraceInverted(int ch, bool on) {
    if (ch < _CH1 || ch > _REFERENCE) return false;
    ChannelSettings& c = p_state->d_channel[ch];
    if (c.invertOnOff == on) return true;
    const int oldOffset = boundedInt(c.voltageOffset);
    const double mirrored = 400 - oldOffset;
    c.invertOnOff = on;
    const bool written = setVoltageOffset(ch, mirrored);
    if (!written && c.voltageOffset != mirrored) {
        // The instrument kept the old offset: the trace stays as it was.
        c.invertOnOff = !on;
        return false;
    }
    // The source's level moved with its offset; any other channel's does so too, or it would
    // be far from the trace once that channel becomes the source.
    if (ch != p_state->d_triggerSource) c.triggerOffset += boundedInt(c.voltageOffset - oldOffset);
    return written;
}

bool Control::setBandwidthLimitOnOff(int ch, bool on) {
    if (p_state->d_hardwareVersion <= _HW2) return true;
    if (!isInput(ch)) return false;
    return change(channelSetting("bandwidth limit", ch), [&] {
        p_state->d_channel[ch].bandwidthLimitOnOff = on;
        p_register->setBandwidthLimit(ch, on);
        return p_hardware->writeRegisters(p_register->getWriteBlock(), kChannelTimeOut);
    });
}

bool Control::setTimeDiv(int timeDiv) {
    assert(p_state && p_register && p_hardware);
    if (timeDiv < 0 || timeDiv >= NUMBER_OF_TIME_DIVS) return false;
    return change("time/div", [&] { return writeTimeDiv(timeDiv); });
}

bool Control::writeTimeDiv(int timeDiv) {
    State& s = *p_state;
    const int oldMethod = s.d_acquisitionMode;
    const int oldTimeDiv = s.d_timeDiv;
    s.setTimeDiv(timeDiv);

    if (!s.isRoll() && !p_hardware->writeByte(static_cast<unsigned char>(timeBaseParameter(timeDiv)), kChannelTimeOut))
        return false;
    p_register->setTimebaseAndPeak(timeDiv, s.d_channelsOnOff, s.d_acquisitionMode,
                                   timeDiv >= s.d_peakDetectionMinTimeDiv && s.d_peakDetectionOnOff);
    if (s.isRoll()) {
        p_register->setTriggerModeBit(1);
        p_register->setRollBit(1);
    } else {
        p_register->setTriggerModeBit(s.d_triggerMode != 0 ? 1 : 0);
        p_register->setRollBit(0);
    }
    if (s.d_acquisitionMode != oldMethod && !recreateAcquisition()) return false;

    rebuildCalibrationTables();
    p_transformRawDisplay->initDecayTable();
    p_transformRawDisplay->updateETSWindow();
    updateReadLength();

    double x = s.d_horizontalPosition;
    if (s.d_delayOnOff) {
        const double W = s.d_displayWidth;
        const double r = timeRatio(oldTimeDiv, timeDiv);
        if (r != 0) x = (x - W / 2) / r + W / 2;
    }
    computeHorizontal(x);

    if (!p_hardware->writeRegisters(p_register->getWriteBlock(), kChannelTimeOut)) return false;
    emptyRecords();
    return true;
}

double Control::etsCorrection() const {
    const State& s = *p_state;
    const int code = s.d_timeDiv;
    return s.areBothChannelsOn() ? p_calibration->pppETS2Ch[code] : p_calibration->pppETS1Ch[code];
}

int Control::horizontalOffset(int p) const {
    const State& s = *p_state;
    int b = s.d_displayWidth - p;
    if (s.isEquivalentTime()) b = static_cast<int>(b + etsCorrection());
    switch (s.d_timeDiv) {
    case 0: return modKeep(b + 250, 500) - 500;
    case 1: return modKeep(b, 250) - 250;
    case 2: return modKeep(b + 50, 100) - 100;
    case 3: return modKeep(b, 50) - 50;
    case 4: return modKeep(b, 25) - 25;
    case 5: return modKeep(b, 10) - 10;
    case 6:
    case 7: return modKeep(b, 5) - 5;
    default: return 0;
    }
}

int Control::delayCounter(int p) const {
    const State& s = *p_state;
    const int code = s.d_timeDiv;
    const bool both = s.areBothChannelsOn();
    double g = s.d_displayWidth - p;
    double h = 0;
    if (s.isEquivalentTime()) g += etsCorrection();
    if (s.isRealTime()) h = both ? p_calibration->pppRealTime2Ch[code] : p_calibration->pppRealTime1Ch[code];
    auto t = [](double v) { return static_cast<int>(v); };
    switch (code) {
    case 0: return t((g + 250) * 0.002) + 50;
    case 1: return t(g * 0.004) + 50;
    case 2: return t((g + 50) * 0.01) + 48;
    case 3: return t(g * 0.02) + 46;
    case 4: return t(g * 0.04) + 41;
    case 5: return t(g * 0.1) + 26;
    case 6: return t(g * 0.2) + 1;
    case 7: return 2 * t(g * 0.2 + 1);
    case 8: return t(g);
    case 9: return t(2 * g);
    case 10: return t(4 * g);
    case 11: return t(h + 10 * g);
    default: break;
    }
    if (code > 25) return 0;
    if (s.d_bufferSizeMode == _500K) return both ? t(h + 500 * g) : t(h + 1000 * g);
    return both ? t(h + 10 * g) : t(h + 20 * g);
}

void Control::computeHorizontal(double x) {
    State& s = *p_state;
    if (!std::isfinite(x)) x = s.d_displayWidth / 2.0;
    if (s.d_runState == _STOP)
        x = std::clamp(x, -32768.0, 32767.0);
    else if (s.d_delayOnOff)
        x = std::clamp(x, -4500.0, 500.0);
    else
        x = std::clamp(x, 0.0, 500.0);
    s.setHorizontalPosition(x);

    const int p = static_cast<int>(x);
    s.d_horizontalOffset = horizontalOffset(p);

    int counter = delayCounter(p);
    const bool both = s.areBothChannelsOn();
    if (!both && s.d_acquisitionMode == _RIS) counter += 1;
    counter += !both && s.isRealTime() ? 32 : 16;
    p_register->setCounter(counter, s.d_hardwareVersion);
}

bool Control::setHorizontalPosition(double position) {
    assert(p_state && p_register && p_hardware);
    return change("position", [&] {
        computeHorizontal(position);
        if (!p_hardware->writeRegisters(p_register->getWriteBlock(), kChannelTimeOut)) return false;
        emptyRecords();
        return true;
    });
}

bool Control::setDelayOnOff(bool on) {
    return change("delay", [&] {
        p_state->setDelayOnOff(on);
        return setHorizontalPosition(std::trunc(p_state->d_horizontalPosition));
    });
}
