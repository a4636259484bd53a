#include "buffer_data.h"

// The two record types the kernel uses, compiled once here.
template class BufferData<short>;
template class BufferData<double>;
