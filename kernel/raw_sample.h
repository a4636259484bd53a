#pragma once
// Raw record values as the program reads them: 4096 is no sample, 20480 and up carry a flag
// and are reduced by 20480, and only a code below the converter's levels is a measurement.

#include "codes.h"

// A raw value with its flag removed; other values as they are.
inline int unflaggedSample(int raw_) { return raw_ >= FLAGGED_SAMPLE_BASE ? raw_ - FLAGGED_SAMPLE_BASE : raw_; }

// The converter code of a raw value, or -1 when it has none (empty, or not below adcLevels_).
inline int sampleCodeOf(int raw_, int adcLevels_) {
    if (raw_ == EMPTY_SAMPLE) return -1;
    const int code = unflaggedSample(raw_);
    return code >= 0 && code < adcLevels_ ? code : -1;
}
