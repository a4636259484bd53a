#include "hardware.h"

#include "codes.h"
#include "trevan_error.h"

#include <cassert>
#include <new>

Hardware::~Hardware() = default;

void Hardware::setVersion(int hwVersion) {
    assert(hwVersion >= _HW1 && hwVersion <= _HW4 && "hwVersion_ >= _HW1 && hwVersion_ <= _HW4");
    hwVersion_ = hwVersion;
    if (hwVersion <= _HW2) {
        d_writeLength = 19;
        d_numberOfReadRegisters = 23;
    } else {
        d_writeLength = 21;
        d_numberOfReadRegisters = 25;
    }
    d_dacBlockLength = 3;
}

bool Hardware::init(int hwVersion, unsigned int size) {
    setVersion(hwVersion);
    return resize(size);
}

void Hardware::close() {
    release();
    d_bufferSize = 0;
    d_rememberedSize = 0;
}

bool Hardware::allocate(unsigned int size) {
    assert(!p_buffer && "p_buffer == 0");
    p_buffer.reset(new (std::nothrow) unsigned char[size == 0 ? 1 : size]);
    if (!p_buffer) {
        push_error(_ERR_USB_OPEN, "kernel\\hardware", 70);
        return false;
    }
    d_bufferSize = size;
    return true;
}

bool Hardware::resize(unsigned int size) {
    if (size == d_bufferSize && p_buffer) return true;
    release();
    return allocate(size);
}

SampleRecord Hardware::sampleRecord() const {
    if (!p_buffer) return {};
    return {p_buffer.get(), d_bufferSize, d_bytesRead};
}

bool Hardware::reallocate() { return allocate(d_rememberedSize); }

void Hardware::release() {
    if (!p_buffer) return;
    p_buffer.reset();
    d_rememberedSize = d_bufferSize;
    d_bufferSize = 0;
    d_bytesRead = 0;
}
