// Conversions between raw codes, display rows and physical values.
#include "control.h"

#include "calibration.h"
#include "table_raw_display.h"
#include "transform_raw_display.h"

#include <cassert>
#include <cmath>
#include <limits>

namespace {

int half(int x) { return x / 2; }

// Truncation toward zero that saturates instead of overflowing; NaN gives 0.
int truncSaturated(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return std::numeric_limits<int>::max();
    if (x <= -2147483648.0) return std::numeric_limits<int>::min();
    return static_cast<int>(x);
}

} // namespace

double Control::timeRatio(int fromCode, int toCode) {
    const double from = sec_per_div(fromCode);
    assert(from != 0 && "from != 0");
    return from == 0 ? 0.0 : sec_per_div(toCode) / from;
}

double Control::voltRatio(int fromCode, int toCode) {
    const double to = volt_per_div(toCode);
    assert(volt_per_div(fromCode) != 0 && "from != 0");
    return to == 0 ? 0.0 : volt_per_div(fromCode) / to;
}

short Control::zeroLevelCode(int ch) const {
    if (!validChannel(ch)) return 0;
    return rowToRaw(ch, static_cast<int>(p_state->d_channel[ch].voltageOffset));
}

short Control::rowToRaw(int ch, int row) const {
    if (!validChannel(ch)) return 0;
    const ChannelSettings& c = p_state->d_channel[ch];
    double k = p_transformRawDisplay->getTableRawDisplay()->getFactor(c.voltageDiv) *
               getCalibrationGain(ch, c.channelCoupling, c.voltageDiv);
    // A zero gain (an unset calibration) would divide by zero; take it as 1.
    if (k == 0 || !std::isfinite(k)) k = p_transformRawDisplay->getTableRawDisplay()->getFactor(c.voltageDiv);
    if (k == 0) return 0;
    return static_cast<short>((row + 0.5 + k * half(p_state->d_adcLevels) - half(p_state->d_displayHeight)) / k);
}

int Control::rawToRow(int ch, short code) const {
    // Codes the converter cannot give (the empty and flagged values too) have no row.
    if (!validChannel(ch) || code < 0 || code >= p_state->d_adcLevels) return -1;
    return p_transformRawDisplay->getTableRawDisplay()->getRow(ch, code);
}

double Control::rawToVoltage(int ch, short code) const {
    if (!validChannel(ch) || code < 0 || code >= p_state->d_adcLevels) return 0.0;
    return rowVolts(ch)(rawToRow(ch, code));
}

Control::RowVolts Control::rowVolts(int ch) const {
    const ChannelSettings& c = p_state->d_channel[ch];
    RowVolts v;
    v.offset = static_cast<int>(c.invertOnOff ? 400 - c.voltageOffset : c.voltageOffset);
    v.height = p_state->d_displayHeight;
    v.voltDiv = volt_per_div(c.voltageDiv);
    v.probe = probe_factor(c.probeAttenuation);
    v.scale = c.scaleFactor;
    return v;
}

Control::VoltageScale Control::voltageScale(int ch) const {
    const ChannelSettings& c = p_state->d_channel[ch];
    VoltageScale v;
    v.k = p_transformRawDisplay->getTableRawDisplay()->getFactor(c.voltageDiv);
    if (ch != _MATH) {
        const double gain = getCalibrationGain(ch, c.channelCoupling, c.voltageDiv);
        if (gain != 0 && std::isfinite(gain)) v.k *= gain;
    }
    v.perScreen = c.scaleFactor * probe_factor(c.probeAttenuation) * volt_per_div(c.voltageDiv) * 8;
    v.offset = static_cast<int>(c.voltageOffset);
    v.height = p_state->d_displayHeight;
    v.halfLevels = half(p_state->d_adcLevels);
    v.halfHeight = half(p_state->d_displayHeight);
    return v;
}

int Control::VoltageScale::row(double volts) const {
    if (perScreen == 0) return offset;
    return truncSaturated(offset + volts / perScreen * height);
}

int Control::VoltageScale::raw(double volts) const {
    if (k == 0) return 0;
    return truncSaturated((row(volts) + 0.5 + k * halfLevels - halfHeight) / k);
}

int Control::voltageToRow(int ch, double volts) const {
    if (!validChannel(ch)) return 0;
    return voltageScale(ch).row(volts);
}

int Control::voltageToRaw(int ch, double volts) const {
    if (!validChannel(ch)) return 0;
    return voltageScale(ch).raw(volts);
}
