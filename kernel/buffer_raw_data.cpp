#include "buffer_raw_data.h"

BufferRawData::~BufferRawData() = default;
