#pragma once
// Physical-value transform of the raw records. Control creates it after the raw-to-display
// transform and deletes it at shutdown; no other operation uses it.

#include "buffer_data.h"

class BufferPhysicalData;
class TransformRawDisplay;

class TransformRawPhysical : public BufferData<double> {
public:
    // Requires both pointers (assertions "transform_p", "physical_p").
    TransformRawPhysical(TransformRawDisplay* transform_p, BufferPhysicalData* physical_p);
    ~TransformRawPhysical() override;

private:
    [[maybe_unused]] TransformRawDisplay* p_transformRawDisplay = nullptr; // set, never read
    [[maybe_unused]] BufferPhysicalData* p_bufferPhysicalData = nullptr;
};
