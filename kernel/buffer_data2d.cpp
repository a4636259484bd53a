#include "buffer_data2d.h"

#include "trevan_error.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <new>

BufferData2D<unsigned char>::BufferData2D(int sizeX, int sizeY) {
    init();
    if (!allocate(sizeX, sizeY)) throw std::bad_alloc();
}

BufferData2D<unsigned char>::~BufferData2D() {
    release();
    init();
}

void BufferData2D<unsigned char>::init() {
    p_buffer.reset();
    d_sizeX = d_sizeY = d_previousSizeX = d_previousSizeY = 0;
}

bool BufferData2D<unsigned char>::allocate(int sizeX, int sizeY) {
    assert(!p_buffer && "p_buffer == 0");
    assert(sizeX > 0 && sizeY > 0 && "sizeX_ > 0 && sizeY_ > 0");
    if (sizeX <= 0 || sizeY <= 0) return false;
    p_buffer.reset(new (std::nothrow) unsigned char[static_cast<std::size_t>(sizeX) * static_cast<std::size_t>(sizeY)]);
    if (!p_buffer) {
        push_error(_ERR_MEMORY, "kernel\\buffer_data2d", 42);
        return false;
    }
    d_sizeX = sizeX;
    d_sizeY = sizeY;
    return true;
}

bool BufferData2D<unsigned char>::resize(int sizeX, int sizeY) {
    release();
    return allocate(sizeX, sizeY);
}

void BufferData2D<unsigned char>::release() {
    if (!p_buffer) return; // keep the sizes a reallocate restores
    p_buffer.reset();
    d_previousSizeX = d_sizeX;
    d_previousSizeY = d_sizeY;
    d_sizeX = d_sizeY = 0;
}

bool BufferData2D<unsigned char>::reallocate() { return allocate(d_previousSizeX, d_previousSizeY); }

unsigned char BufferData2D<unsigned char>::get(int x, int y) const {
    assert(x >= 0 && x < d_sizeX && y >= 0 && y < d_sizeY && "x_ < d_sizeX && y_ < d_sizeY");
    return p_buffer[static_cast<std::size_t>(y) * d_sizeX + x];
}

void BufferData2D<unsigned char>::set(int x, int y, unsigned char value) {
    assert(x >= 0 && x < d_sizeX && y >= 0 && y < d_sizeY && "x_ < d_sizeX && y_ < d_sizeY");
    p_buffer[static_cast<std::size_t>(y) * d_sizeX + x] = value;
}

void BufferData2D<unsigned char>::fill(unsigned char value) {
    if (p_buffer) std::fill_n(p_buffer.get(), static_cast<std::size_t>(d_sizeX) * d_sizeY, value);
}
