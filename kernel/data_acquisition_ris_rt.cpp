#include "data_acquisition_ris_rt.h"

#include "state.h"

bool DataAcquisitionRISRT::acquire(SampleRecord sample, int /*flag_*/) {
    State& s = *p_state;
    int status = 0;
    if (!decodeStatus(sample, status)) return false;
    const int phase = capturePhase(tdcPhaseOfStatus(status), status);
    const double k = stepOffset(phase);

    const bool ch1 = s.d_channelsOnOff & _CH1_ON_CH2_OFF;
    const bool ch2 = s.d_channelsOnOff & _CH1_OFF_CH2_ON;
    if (!ch1 && !ch2) return true;
    if (!recordsPresent()) return false;

    const int n = stepCount();
    const bool average = averaging();
    const int slot = average ? p_counters->RIS.slot(s.d_averageCount) : -1;
    if (ch1 && ch2) {
        if (!checkWords(sample, FIRST_SAMPLE_OFFSET, n, 2)) return false;
        for (int i = 0; i < n; i += 2) {
            const int p = stepPosition(i, phase, k);
            placeWord(sample, _CH1, FIRST_SAMPLE_OFFSET + 2 * i, p, slot);
            placeWord(sample, _CH2, FIRST_SAMPLE_OFFSET + 2 + 2 * i, p, slot);
        }
    } else {
        const int ch = ch1 ? _CH1 : _CH2;
        if (!checkWords(sample, FIRST_SAMPLE_OFFSET, n, 2)) return false;
        for (int i = 0; i < n; ++i) placeWord(sample, ch, FIRST_SAMPLE_OFFSET + 2 * i, stepPosition(i, phase, k), slot);
    }
    s.d_triggeredFlag = (status & STATUS_TRIGGERED) != 0;
    if (average) {
        const bool ok = averageChannelsOn();
        p_counters->RIS.advance(s.d_averageCount);
        if (!ok) return false;
    }
    return true;
}
