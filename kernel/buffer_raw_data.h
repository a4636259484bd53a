#pragma once
// The live capture records of Control: channel 1, channel 2, reference and math, with the
// averaging history of channels 1 and 2.

#include "buffer_average_data.h"

class BufferRawData : public BufferAverageData<short> {
public:
    BufferRawData() = default;
    ~BufferRawData() override;
};
