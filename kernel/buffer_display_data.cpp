#include "buffer_display_data.h"

#include "codes.h"
#include "trevan_error.h"

#include <cassert>
#include <new>

BufferDisplayData::~BufferDisplayData() {
    releaseAll();
    d_x = d_y = 0;
}

std::unique_ptr<BufferData2D<unsigned char>>* BufferDisplayData::slot(int ch) {
    switch (ch) {
    case _CH1: return &p_bufferCh1;
    case _CH2: return &p_bufferCh2;
    case _MATH: return &p_bufferMath;
    case _REFERENCE: return &p_bufferRef;
    default: return nullptr;
    }
}

const BufferData2D<unsigned char>* BufferDisplayData::image(int ch) const {
    auto* p = const_cast<BufferDisplayData*>(this)->slot(ch);
    return p ? p->get() : nullptr;
}

bool BufferDisplayData::create(int ch, int x, int y) {
    d_x = x;
    d_y = y;
    auto* p = slot(ch);
    if (!p) return true;
    p->reset();
    try {
        *p = std::make_unique<BufferData2D<unsigned char>>(x, y);
    } catch (const std::bad_alloc&) {
        push_error(_ERR_MEMORY, "Kernel\\buffer_display_data", 59);
        return false;
    }
    (*p)->fill(0);
    return true;
}

void BufferDisplayData::release(int ch) {
    if (auto* p = slot(ch)) p->reset();
}

void BufferDisplayData::releaseAll() {
    release(_CH1);
    release(_CH2);
    release(_MATH);
    release(_REFERENCE);
}

void BufferDisplayData::clear(int ch) {
    if (auto* p = slot(ch); p && *p) (*p)->fill(0);
}

void BufferDisplayData::setPixel(int ch, int x, int y, unsigned char value) {
    auto* p = slot(ch);
    if (!p || !*p) return;
    // Clip against the image's own size: images created at different sizes share d_x, d_y.
    if (x < 0 || x >= (*p)->d_sizeX || y < 0 || y >= (*p)->d_sizeY) return;
    (*p)->set(x, y, value);
}

unsigned char BufferDisplayData::getPixel(int ch, int x, int y) const {
    if (ch < _CH1 || ch > _REFERENCE) return 0;
    const BufferData2D<unsigned char>* img = image(ch);
    assert(img && "p_buffer != 0");
    return img->get(x, y);
}

unsigned char* BufferDisplayData::getImage(int ch) {
    auto* p = slot(ch);
    return p && *p ? (*p)->data() : nullptr;
}
