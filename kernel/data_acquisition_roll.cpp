#include "data_acquisition_roll.h"

#include "buffer_raw_data.h"
#include "state.h"
#include "trevan_error.h"

#include <algorithm>

namespace {

constexpr int kBytesPerRead[7] = {120, 72, 48, 24, 24, 24, 24};
const char* const kRollSource = "kernel\\data_acquisition_roll";

} // namespace

DataAcquisitionRoll::DataAcquisitionRoll(Hardware* hardware_p, BufferRawData* bufferRawData_p, State* state_p,
                                         AverageSlotCounters* counters)
    : DataAcquisition(hardware_p, bufferRawData_p, state_p, counters),
      d_bufferSizeHardware(state_p->d_bufferSizeHardware) {}

int DataAcquisitionRoll::bytesPerRead(int timeDiv) {
    if (timeDiv < FIRST_ROLL_TIME_DIV || timeDiv > LAST_ROLL_TIME_DIV) return 0;
    return kBytesPerRead[timeDiv - FIRST_ROLL_TIME_DIV];
}

int DataAcquisitionRoll::readsPerCapture(int timeDiv) {
    switch (timeDiv) {
    case _20S_DIV: return 2;
    case _40S_DIV: return 4;
    case _100S_DIV: return 10;
    default: return 1;
    }
}

bool DataAcquisitionRoll::collect(const SampleRecord& record, int offset, bool pushConversionError) {
    const int words = d_bytesPerRead / 2;
    const int bad = firstBadSampleWord(record.data + offset, words, 2);
    if (bad >= 0) {
        const unsigned char* w = record.data + offset + 2 * bad;
        int value = 0, channel = 0;
        decodeSampleWord(w[0], w[1], value, channel);
        if (pushConversionError) push_error(_ERR_CONVERT_RAW, kRollSource, __LINE__);
        return false;
    }
    for (int i = 0; i < words; ++i) {
        const int ch = sampleWordChannelBit(record.data[offset + 2 * i]) ? _CH2 : _CH1;
        if (p_state->d_channelsOnOff & ch) d_collected[ch - 1].push_back(correctedWord(record, offset + 2 * i, true));
    }
    return true;
}

bool DataAcquisitionRoll::acquire(SampleRecord record, int /*flag_*/) {
    State& s = *p_state;
    const int td = s.d_timeDiv;
    d_bytesPerRead = bytesPerRead(td);
    if (d_bytesPerRead == 0) return false;
    const int reads = readsPerCapture(td);
    const bool averaged = reads > 1;
    const auto needed = static_cast<unsigned int>(reads * d_bytesPerRead);
    // The instrument sends each read's bytes and no more; fewer is a short read.
    if (record.bytesRead < needed) {
        push_error(_ERR_READ_BUFFER, kRollSource, __LINE__);
        return false;
    }
    if (readableBytes(record) < needed) {
        push_error(_ERR_CONVERT_RAW, kRollSource, __LINE__);
        return false;
    }

    d_collected[0].clear();
    d_collected[1].clear();
    for (int r = 0; r < reads; ++r)
        if (!collect(record, r * d_bytesPerRead, !averaged)) return false;
    if (!recordsPresent()) return false;

    for (int ch : {_CH1, _CH2}) {
        if (!(s.d_channelsOnOff & ch)) continue;
        short* record = p_bufferRawData->data(ch);
        const int size = std::min(s.d_bufferSize, p_bufferRawData->size(ch));
        if (size <= 0) continue;
        const int k = std::min(d_bytesPerRead / d_divisor, size);
        d_keep = size - k;
        std::copy(record + k, record + size, record);
        const std::vector<short>& values = d_collected[ch - 1];
        for (int m = 0; m < k; ++m) {
            short v = EMPTY_SAMPLE;
            if (!averaged) {
                if (m < static_cast<int>(values.size())) v = values[static_cast<size_t>(m)];
            } else {
                const int first = m * reads;
                const int last = std::min(first + reads, static_cast<int>(values.size()));
                if (last > first) {
                    int sum = 0;
                    for (int j = first; j < last; ++j) sum += values[static_cast<size_t>(j)];
                    v = static_cast<short>(sum / (last - first));
                }
            }
            record[d_keep + m] = v;
        }
    }
    return true;
}
