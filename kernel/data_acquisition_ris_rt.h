#pragma once
// Random interleaving: each read delivers one word per step from byte 8 (one channel on,
// from either converter) or pairs (both on); step i lands at trunc(i x d_ETSStep + phase - k)
// like ETS, but a rejected TDC phase is not skipped (the capture goes on with it).

#include "data_acquisition.h"

class DataAcquisitionRISRT : public DataAcquisition {
public:
    using DataAcquisition::DataAcquisition;

    // Places the steps (into the current history slot when averaging, then averaged) and
    // sets d_triggeredFlag from status bit 8. With no channel on only the phase is taken.
    bool acquire(SampleRecord record_, int flag_) override;
};
