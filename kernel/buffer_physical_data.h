#pragma once
// Physical values of the four traces, in double precision; empty samples are 4096.0.

#include "buffer_data.h"

class BufferPhysicalData : public BufferData<double> {
public:
    BufferPhysicalData() = default;
    ~BufferPhysicalData() override;
};
