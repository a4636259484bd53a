#pragma once
// Equivalent time: each read delivers pairs (channel 1 word, channel 2 word) from byte 8,
// one pair per converter period, and the status word's TDC count tells where the trigger
// fell between two converter clocks. Step i (even, below the largest multiple of 100 not
// above d_acquireLength) lands at trunc(i x d_ETSStep + phase - k); channel 2 four
// positions after channel 1. Reads accumulate in the records: each adds its own phase.

#include "data_acquisition.h"

class DataAcquisitionETS : public DataAcquisition {
public:
    using DataAcquisition::DataAcquisition;

    // A read whose TDC phase is rejected adds nothing and leaves d_triggeredFlag (true).
    // Otherwise the channels that are on are placed (into the current history slot when
    // averaging, then averaged) and d_triggeredFlag follows status bit 8. False below _HW1.
    bool acquire(SampleRecord record_, int flag_) override;
};
