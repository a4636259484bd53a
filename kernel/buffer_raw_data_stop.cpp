#include "buffer_raw_data_stop.h"

BufferRawDataStop::~BufferRawDataStop() = default;
