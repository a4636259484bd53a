#pragma once
// A record set frozen together with the settings it was captured under: the stopped capture
// and the reference waveform. The settings are filled by whoever stores the records; they
// start at 0.

#include "buffer_data.h"

class BufferRawDataStop : public BufferData<short> {
public:
    BufferRawDataStop() = default;
    ~BufferRawDataStop() override;

    int d_voltageDivCh1 = 0; // volt/div code of channel 1 (of the waveform's channel, for a reference)
    int d_voltageDivCh2 = 0;
    int d_timeDiv = 0;          // time/div code
    int d_bufferSize = 0;       // samples in the records
    int d_voltageOffsetCh1 = 0; // vertical offset in display rows, truncated toward zero
    int d_voltageOffsetCh2 = 0;
    double d_horizontalPosition = 0.0;
    int d_channelCouplingCh1 = 0;
    int d_channelCouplingCh2 = 0;
    int d_sourceChannel = 0; // channel (1 or 2) a reference waveform came from
};
