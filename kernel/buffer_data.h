#pragma once
// One record per trace: channel 1, channel 2, reference and math, addressed by the channel
// codes of codes.h (_CH1 1, _CH2 2, _MATH 3, _REFERENCE 4). Records of short hold converter
// codes, records of double physical values; EMPTY_SAMPLE (4096, 4096.0) marks a sample that
// holds nothing. Positions are 0-based.
//
// Other channel codes: get returns 0, data returns null, allocate and create return true, and
// release and fill do nothing. Misuse (negative sizes, allocating over an existing array,
// get/set outside the record, set on other than channel 1 or 2) is an assertion.
// A failed allocation pushes error 0 and returns false; the channel then has no array.

#include "codes.h"
#include "trevan_error.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <memory>
#include <new>

template <class T>
class BufferData {
public:
    BufferData() = default;
    virtual ~BufferData() = default;
    BufferData(const BufferData&) = delete;
    BufferData& operator=(const BufferData&) = delete;

    // Frees every array and sets all sizes (also the previous ones) to 0.
    virtual void init();
    virtual bool create(int size_, int ch_);
    // release of channel 1, channel 2, reference and math, then init.
    virtual void releaseAll();
    // release, allocate, then every element EMPTY_SAMPLE.
    virtual bool resize(int size_, int ch_);
    // size_ elements, contents undefined; the channel must have no array.
    virtual bool allocate(int size_, int ch_);
    // allocate with the size before the last release (channels 1 and 2) or the current size
    // (reference and math, whose size a release keeps). Contents undefined.
    virtual bool reallocate(int ch_);
    // Frees the array. Channels 1 and 2 move their size to the previous size and become 0.
    virtual void release(int ch_);
    // ch_ 0 fills channels 1 and 2. Channels without an array are skipped.
    virtual void fill(int ch_, T value_);

    T get(int ch_, int pos_) const;
    void set(int ch_, int pos_, T value_);
    T* data(int ch_);
    const T* data(int ch_) const;
    // Samples in the channel's record; 0 for other codes.
    int size(int ch_) const;

    std::unique_ptr<T[]> p_bufferCh1;
    std::unique_ptr<T[]> p_bufferCh2;
    std::unique_ptr<T[]> p_bufferRef;
    std::unique_ptr<T[]> p_bufferMath;
    int d_bufferSizeCh1 = 0;
    int d_bufferSizeCh2 = 0;
    int d_bufferSizeRef = 0;
    int d_bufferSizeMath = 0;
    int d_previousSizeCh1 = 0;
    int d_previousSizeCh2 = 0;

protected:
    std::unique_ptr<T[]>* slot(int ch_);
    int* sizeOf(int ch_);
};

template <class T>
std::unique_ptr<T[]>* BufferData<T>::slot(int ch) {
    switch (ch) {
    case _CH1: return &p_bufferCh1;
    case _CH2: return &p_bufferCh2;
    case _REFERENCE: return &p_bufferRef;
    case _MATH: return &p_bufferMath;
    default: return nullptr;
    }
}

template <class T>
int* BufferData<T>::sizeOf(int ch) {
    switch (ch) {
    case _CH1: return &d_bufferSizeCh1;
    case _CH2: return &d_bufferSizeCh2;
    case _REFERENCE: return &d_bufferSizeRef;
    case _MATH: return &d_bufferSizeMath;
    default: return nullptr;
    }
}

template <class T>
void BufferData<T>::init() {
    p_bufferCh1.reset();
    p_bufferCh2.reset();
    p_bufferRef.reset();
    p_bufferMath.reset();
    d_bufferSizeCh1 = d_bufferSizeCh2 = d_bufferSizeRef = d_bufferSizeMath = 0;
    d_previousSizeCh1 = d_previousSizeCh2 = 0;
}

template <class T>
bool BufferData<T>::create(int size, int ch) {
    assert(size >= 0 && "size_ >= 0");
    return allocate(size, ch);
}

template <class T>
void BufferData<T>::releaseAll() {
    release(_CH1);
    release(_CH2);
    release(_REFERENCE);
    release(_MATH);
    init();
}

template <class T>
bool BufferData<T>::resize(int size, int ch) {
    release(ch);
    if (!allocate(size, ch)) return false;
    fill(ch, static_cast<T>(EMPTY_SAMPLE));
    return true;
}

template <class T>
bool BufferData<T>::allocate(int size, int ch) {
    assert(size >= 0 && "size_ >= 0");
    std::unique_ptr<T[]>* p = slot(ch);
    if (!p) return true;
    assert(!*p && "p_buffer == 0");
    p->reset(new (std::nothrow) T[static_cast<std::size_t>(std::max(size, 0))]);
    if (!*p) {
        push_error(_ERR_MEMORY, "kernel\\buffer_data", __LINE__);
        return false;
    }
    *sizeOf(ch) = size;
    return true;
}

template <class T>
bool BufferData<T>::reallocate(int ch) {
    switch (ch) {
    case _CH1: return allocate(d_previousSizeCh1, ch);
    case _CH2: return allocate(d_previousSizeCh2, ch);
    case _REFERENCE: return allocate(d_bufferSizeRef, ch);
    case _MATH: return allocate(d_bufferSizeMath, ch);
    default: return true;
    }
}

template <class T>
void BufferData<T>::release(int ch) {
    std::unique_ptr<T[]>* p = slot(ch);
    if (!p || !*p) return; // a second release must not forget the size to restore
    p->reset();
    if (ch == _CH1) {
        d_previousSizeCh1 = d_bufferSizeCh1;
        d_bufferSizeCh1 = 0;
    } else if (ch == _CH2) {
        d_previousSizeCh2 = d_bufferSizeCh2;
        d_bufferSizeCh2 = 0;
    }
}

template <class T>
void BufferData<T>::fill(int ch, T value) {
    if (ch == 0) {
        fill(_CH1, value);
        fill(_CH2, value);
        return;
    }
    std::unique_ptr<T[]>* p = slot(ch);
    if (!p || !*p) return;
    std::fill_n(p->get(), *sizeOf(ch), value);
}

template <class T>
T BufferData<T>::get(int ch, int pos) const {
    const T* p = data(ch);
    if (ch < _CH1 || ch > _REFERENCE) return T(0);
    assert(p && "p_buffer != 0");
    assert(pos >= 0 && pos < size(ch) && "pos_ >= 0 && pos_ < size");
    return p[pos];
}

template <class T>
void BufferData<T>::set(int ch, int pos, T value) {
    assert((ch == _CH1 || ch == _CH2) && "ch_ == _CH1 || ch_ == _CH2");
    T* p = data(ch);
    assert(p && "p_buffer != 0");
    assert(pos >= 0 && pos < size(ch) && "pos_ >= 0 && pos_ < size");
    p[pos] = value;
}

template <class T>
T* BufferData<T>::data(int ch) {
    std::unique_ptr<T[]>* p = slot(ch);
    return p ? p->get() : nullptr;
}

template <class T>
const T* BufferData<T>::data(int ch) const {
    return const_cast<BufferData*>(this)->data(ch);
}

template <class T>
int BufferData<T>::size(int ch) const {
    const int* s = const_cast<BufferData*>(this)->sizeOf(ch);
    return s ? *s : 0;
}

extern template class BufferData<short>;
extern template class BufferData<double>;
