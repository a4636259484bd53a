#include "data_acquisition_ets.h"

#include "state.h"

bool DataAcquisitionETS::acquire(SampleRecord sample, int /*flag_*/) {
    State& s = *p_state;
    if (s.d_hardwareVersion < _HW1) return false;
    int status = 0;
    if (!decodeStatus(sample, status)) return false;
    const int tdc = tdcPhaseOfStatus(status);
    if (tdc < 0) return true; // outside the TDC window: this read adds nothing
    const int phase = capturePhase(tdc, status);
    const double k = stepOffset(phase);

    const bool ch1 = s.d_channelsOnOff & _CH1_ON_CH2_OFF;
    const bool ch2 = s.d_channelsOnOff & _CH1_OFF_CH2_ON;
    const bool average = averaging();
    AverageSlotCounter& counter = s.d_hardwareVersion <= _HW2 ? p_counters->ETSHw12 : p_counters->ETSHw34;
    if (ch1 || ch2) {
        if (!recordsPresent()) return false;
        const int n = stepCount();
        if (ch1 && !checkWords(sample, FIRST_SAMPLE_OFFSET, n / 2, 4)) return false;
        if (ch2 && !checkWords(sample, FIRST_SAMPLE_OFFSET + 2, n / 2, 4)) return false;
        const int slot = average ? counter.slot(s.d_averageCount) : -1;
        for (int i = 0; i < n; i += 2) {
            const int p = stepPosition(i, phase, k);
            if (ch1) placeWord(sample, _CH1, FIRST_SAMPLE_OFFSET + 2 * i, p, slot);
            if (ch2) placeWord(sample, _CH2, FIRST_SAMPLE_OFFSET + 2 + 2 * i, p + 4, slot);
        }
        s.d_triggeredFlag = (status & STATUS_TRIGGERED) != 0;
    }
    if (average) {
        const bool ok = averageChannelsOn();
        counter.advance(s.d_averageCount);
        if (!ok) return false;
    }
    return true;
}
