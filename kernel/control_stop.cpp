// The stopped capture shown at the current scales, and the re-render steps it shares with the
// reference waveform.
#include "control.h"

#include "buffer_raw_data.h"
#include "buffer_raw_data_stop.h"
#include "rerender.h"
#include "table_raw_display.h"
#include "transform_raw_display.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

bool isInputChannel(int ch) { return ch == _CH1 || ch == _CH2; }

} // namespace

bool Control::rerenderFrozen(const BufferRawDataStop& from, int fromCh, int ch) {
    const State& s = *p_state;
    short* to = p_bufferRawData->data(ch);
    const short* source = from.data(fromCh);
    if (!to || !source) return false;
    HorizontalMap map;
    if (!horizontalMap(from.d_timeDiv, from.d_horizontalPosition, from.d_bufferSize, s.d_timeDiv,
                       s.d_horizontalPosition, s.d_bufferSize, s.d_displayWidth, map))
        return false;
    rerenderRecord(source, std::min(from.d_bufferSize, from.size(fromCh)), to,
                   std::min(s.d_bufferSize, p_bufferRawData->size(ch)), map);
    return true;
}

bool Control::rescaleRows(int ch, const VerticalScales& scales) {
    const State& s = *p_state;
    TableRawDisplay& table = *p_transformRawDisplay->getTableRawDisplay();
    VerticalScales v = scales;
    v.captureFactor = table.getFactor(v.captureVoltDiv);
    v.factor = table.getFactor(v.voltDiv);
    v.adcLevels = s.d_adcLevels;
    v.displayHeight = s.d_displayHeight;
    v.hardwareVersion = s.d_hardwareVersion;
    RowRule rule;
    if (!verticalRescale(v, rule)) return false;
    return table.fillRows(ch, rule.centre, rule.scale, rule.rowNow);
}

bool Control::redrawStopped() {
    assert(p_bufferRawDataStop && "p_bufferRawDataStop");
    const State& s = *p_state;
    const BufferRawDataStop& stop = *p_bufferRawDataStop;
    // Only channels that are on and were frozen at the stop; one switched on later has no
    // snapshot of its own.
    auto frozen = [&](int ch) { return s.d_channel[ch].channelOnOff && stop.data(ch) && stop.size(ch) > 0; };

    bool ok = true;
    for (int ch : {int(_CH1), int(_CH2)})
        if (frozen(ch)) ok = rerenderFrozen(stop, ch, ch) && ok;
    if (!ok) return false;

    for (int ch : {int(_CH1), int(_CH2)}) {
        if (!frozen(ch)) continue;
        const ChannelSettings& c = s.d_channel[ch];
        const bool first = ch == _CH1;
        VerticalScales v;
        v.captureVoltDiv = first ? stop.d_voltageDivCh1 : stop.d_voltageDivCh2;
        v.voltDiv = c.voltageDiv;
        v.captureGain =
            getCalibrationGain(ch, first ? stop.d_channelCouplingCh1 : stop.d_channelCouplingCh2, v.captureVoltDiv);
        v.gain = getCalibrationGain(ch, c.channelCoupling, c.voltageDiv);
        const int offset = first ? stop.d_voltageOffsetCh1 : stop.d_voltageOffsetCh2;
        v.captureOffsetRow = c.invertOnOff ? 400 - offset : offset;
        v.offsetRow = static_cast<int>(c.invertOnOff ? 400 - c.voltageOffset : c.voltageOffset);
        ok = rescaleRows(ch, v) && ok;
    }
    return ok;
}

bool Control::getStoppedData(int ch, short** out) {
    if (!out) return false;
    *out = isInputChannel(ch) ? p_bufferRawData->data(ch) : nullptr;
    if (!*out) return false;
    p_bufferRawData->fill(ch, EMPTY_SAMPLE); // the averaging history stays
    redrawStopped();
    return true;
}

bool Control::showStoppedCapture() {
    // The records still hold the capture as it arrived; the frozen picture replaces it whole.
    for (int ch : {int(_CH1), int(_CH2)})
        if (p_state->d_channel[ch].channelOnOff) p_bufferRawData->fill(ch, EMPTY_SAMPLE);
    return redrawStopped();
}
