// Per-record treatments the acquisition cycle applies to a channel that arrived: ground
// coupling and inversion; and the single-sample read of the raw records.
#include "control.h"

#include "buffer_raw_data.h"
#include "data_acquisition_roll.h"

#include <algorithm>

int Control::getRawSample(int ch, int position) const {
    if (!validChannel(ch) || position < 0 || position >= p_bufferRawData->size(ch) || !p_bufferRawData->data(ch))
        return EMPTY_SAMPLE;
    return p_bufferRawData->get(ch, position);
}

bool Control::fillGroundLevel(int ch) {
    if (ch != _CH1 && ch != _CH2) return true;
    short* record = p_bufferRawData->data(ch);
    if (!record) return false;
    std::fill_n(record, std::min(p_state->d_bufferSize, p_bufferRawData->size(ch)), zeroLevelCode(ch));
    return true;
}

bool Control::invertChannel(int ch) {
    if (ch != _CH1 && ch != _CH2) return true;
    short* record = p_bufferRawData->data(ch);
    if (!record) return false;
    const State& s = *p_state;
    const int n = std::min(s.d_bufferSize, p_bufferRawData->size(ch));

    // Mirror line: halfway between the code of the offset row and that of its mirror row.
    const int z = zeroLevelCode(ch);
    const int w = rowToRaw(ch, static_cast<int>(400 - s.d_channel[ch].voltageOffset));
    const int top = std::max(s.d_adcLevels - 1, 0);
    // A roll capture appends only its newest samples; the older ones were treated before.
    const int first =
        isRoll()
            ? std::max(0, n - DataAcquisitionRoll::bytesPerRead(s.d_timeDiv) / DataAcquisitionRoll::BYTES_PER_SAMPLE)
            : 0;
    // ETS records add to themselves across captures: the flag marks a sample as treated.
    const int flag = isETSMode1() ? FLAGGED_SAMPLE_BASE : 0;
    for (int i = first; i < n; ++i) {
        const int sample = record[i];
        if (sample < 0 || sample >= EMPTY_SAMPLE) continue;
        // Clamped like the converter: an unclamped result could land on 4096, the empty code.
        record[i] = static_cast<short>(std::clamp(z + w - sample, 0, top) + flag);
    }
    return true;
}
