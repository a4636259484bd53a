#pragma once
// One byte matrix, row-major: the byte of column x, row y is element y x d_sizeX + x.
// Accesses outside the matrix are assertions. A failed allocation pushes error 0.

#include <memory>

template <class T>
class BufferData2D;

template <>
class BufferData2D<unsigned char> {
public:
    // Allocates sizeX_ x sizeY_ bytes (contents undefined); throws std::bad_alloc when that
    // fails, after pushing error 0.
    BufferData2D(int sizeX_, int sizeY_);
    virtual ~BufferData2D();
    BufferData2D(const BufferData2D&) = delete;
    BufferData2D& operator=(const BufferData2D&) = delete;

    // Both sizes > 0 and no matrix yet; false (error 0) when the bytes cannot be had.
    virtual bool allocate(int sizeX_, int sizeY_);
    virtual bool resize(int sizeX_, int sizeY_);
    // Frees the matrix; its sizes become the previous sizes and 0.
    virtual void release();
    // allocate with the sizes before the last release.
    virtual bool reallocate();

    void init();
    unsigned char get(int x_, int y_) const;
    void set(int x_, int y_, unsigned char value_);
    void fill(unsigned char value_);
    unsigned char* data() { return p_buffer.get(); }
    const unsigned char* data() const { return p_buffer.get(); }

    std::unique_ptr<unsigned char[]> p_buffer;
    int d_sizeX = 0;
    int d_sizeY = 0;
    int d_previousSizeX = 0;
    int d_previousSizeY = 0;
};
