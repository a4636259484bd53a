#include "data_acquisition_rt.h"

#include "buffer_raw_data.h"
#include "calibration.h"
#include "state.h"

#include <algorithm>
#include <cstdint>

namespace {

// The hot loop: `count` words `stride` bytes apart into `out`.
template <bool Correct>
void decodeRun(const unsigned char* d, int count, int stride, const std::int16_t* table1, const std::int16_t* table2,
               short* out) {
    for (int j = 0; j < count; ++j, d += stride) {
        const unsigned char a = d[0];
        const int value = sampleWordValue(a, d[1]);
        if constexpr (Correct)
            out[j] = (a & 0x40) ? table2[value] : table1[value];
        else
            out[j] = static_cast<short>(value);
    }
}

} // namespace

bool DataAcquisitionRT::acquire(SampleRecord sample, int flag) {
    State& s = *p_state;
    int status = 0;
    if (!decodeStatus(sample, status)) return false;

    const bool both = s.d_channelsOnOff == _CH1_ON_CH2_ON;
    const int stride = both ? 4 : 2;
    int channels[2] = {0, 0};
    int channelCount = 0;
    if (both) {
        channels[channelCount++] = _CH1;
        channels[channelCount++] = _CH2;
    } else if (s.d_channelsOnOff == _CH1_ON_CH2_OFF) {
        channels[channelCount++] = _CH1;
    } else if (s.d_channelsOnOff == _CH1_OFF_CH2_ON) {
        channels[channelCount++] = _CH2;
    }
    if (channelCount > 0) {
        if (!recordsPresent()) return false;
        const int samples = std::max(s.d_bufferSize, 0);
        for (int c = 0; c < channelCount; ++c)
            if (!checkWords(sample, FIRST_SAMPLE_OFFSET + 2 * c, samples, stride)) return false;

        const Calibration* cal = p_state->p_calibration;
        const bool correct = flag != 0 && cal;
        const bool average = averaging();
        const int slot = average ? p_counters->realTime.slot(s.d_averageCount) : -1;
        for (int c = 0; c < channelCount; ++c) {
            const int ch = channels[c];
            short* record = p_bufferRawData->data(ch);
            const int n = std::min(samples, p_bufferRawData->size(ch));
            const unsigned char* d = sample.data + FIRST_SAMPLE_OFFSET + 2 * c;
            // With averaging the record is the scratch copy of the history slot; average
            // then rebuilds it.
            if (correct)
                decodeRun<true>(d, n, stride, cal->d_codeTable1.data(), cal->d_codeTable2.data(), record);
            else
                decodeRun<false>(d, n, stride, nullptr, nullptr, record);
            if (average) p_bufferRawData->setHistoryRecord(slot, ch, record, n);
        }
        if (average) {
            const bool ok = averageChannelsOn();
            p_counters->realTime.advance(s.d_averageCount);
            if (!ok) return false;
        }
    }
    s.d_triggeredFlag = (status & STATUS_TRIGGERED) != 0;
    return true;
}
