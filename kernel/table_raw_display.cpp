#include "table_raw_display.h"

#include "calibration.h"
#include "state.h"

#include <cassert>

namespace {

constexpr double kFactorHw12[VOLT_DIV_CODES] = {2.4414, 1.2207,  0.610335, 0.2441, 0.12207, 0.610335,
                                                0.2441, 0.12207, 0.610335, 0.2441, 0.12207};
constexpr double kFactorHw34[VOLT_DIV_CODES] = {3.90625, 1.953125, 0.9765625, 0.78125, 0.390625, 0.9765625,
                                                0.78125, 0.390625, 0.9765625, 0.78125, 0.390625};

} // namespace

TableRawDisplay::TableRawDisplay(State* state_) : p_state(state_) {
    assert(p_state && "p_state");
    if (!p_state || p_state->d_hardwareVersion < _HW1) return;
    if (p_state->d_hardwareVersion <= _HW2) {
        for (int v = 0; v < VOLT_DIV_CODES; ++v) d_factor[v] = kFactorHw12[v];
    } else {
        const float k = static_cast<float>(2.5 / p_state->d_ADCAmpFactor);
        for (int v = 0; v < VOLT_DIV_CODES; ++v) d_factor[v] = kFactorHw34[v] * k;
    }
}

bool TableRawDisplay::build(int ch_) {
    assert(p_state && "p_state");
    if (!p_state || ch_ < _CH1 || ch_ > _REFERENCE) return false;
    const ChannelSettings& channel = p_state->d_channel[ch_];
    const int v = channel.voltageDiv;
    if (v < 0 || v >= VOLT_DIV_CODES) return false;
    const double gain = p_state->p_calibration ? p_state->p_calibration->getGain(ch_, channel.channelCoupling, v) : 1.0;
    return fillRows(ch_, p_state->d_adcLevels / 2, gain * d_factor[v], p_state->d_displayHeight / 2);
}

bool TableRawDisplay::fillRows(int ch_, int centre_, double scale_, int rowNow_) {
    if (!p_state || ch_ < _CH1 || ch_ > _REFERENCE) return false;
    int levels = p_state->d_adcLevels;
    if (levels > TABLE_RAW_DISPLAY_CODES) levels = TABLE_RAW_DISPLAY_CODES;
    int32_t* row = d_table[ch_ - 1];
    for (int i = 0; i < levels; ++i) row[i] = static_cast<int32_t>((i - centre_) * scale_ + rowNow_ + 0.5);
    return true;
}
