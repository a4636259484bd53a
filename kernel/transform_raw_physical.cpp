#include "transform_raw_physical.h"

#include <cassert>

TransformRawPhysical::TransformRawPhysical(TransformRawDisplay* transform_p, BufferPhysicalData* physical_p)
    : p_transformRawDisplay(transform_p), p_bufferPhysicalData(physical_p) {
    assert(transform_p && "transform_p");
    assert(physical_p && "physical_p");
}

TransformRawPhysical::~TransformRawPhysical() = default;
