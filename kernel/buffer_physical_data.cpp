#include "buffer_physical_data.h"

BufferPhysicalData::~BufferPhysicalData() = default;
