#pragma once
// The display images of the four traces: one intensity byte per display pixel, 0 (dark) to
// 127 (full), row-major (row y, column x at y x width + x), row 0 at the bottom of the screen.
// Channel codes _CH1, _CH2, _MATH, _REFERENCE; other codes reach no image.

#include "buffer_data2d.h"

#include <memory>

class BufferDisplayData {
public:
    BufferDisplayData() = default;
    ~BufferDisplayData();
    BufferDisplayData(const BufferDisplayData&) = delete;
    BufferDisplayData& operator=(const BufferDisplayData&) = delete;

    // Sets the shared size d_x x d_y and replaces the channel's image by a zeroed one of that
    // size. False (error 0) when the image cannot be had; the channel then has none. Other
    // codes only set the size.
    bool create(int ch_, int x_, int y_);
    void release(int ch_);
    // Releases channel 1, channel 2, math and reference.
    void releaseAll();
    // Fills the channel's image with 0.
    void clear(int ch_);
    // Does nothing outside the channel's image: the drawing code relies on it to clip.
    void setPixel(int ch_, int x_, int y_, unsigned char value_);
    // Position inside the image (assertion); 0 for other codes.
    unsigned char getPixel(int ch_, int x_, int y_) const;
    // The image bytes, or null when the channel has none.
    unsigned char* getImage(int ch_);

    int d_x = 0;
    int d_y = 0;
    std::unique_ptr<BufferData2D<unsigned char>> p_bufferCh1;
    std::unique_ptr<BufferData2D<unsigned char>> p_bufferCh2;
    std::unique_ptr<BufferData2D<unsigned char>> p_bufferMath;
    std::unique_ptr<BufferData2D<unsigned char>> p_bufferRef;

private:
    std::unique_ptr<BufferData2D<unsigned char>>* slot(int ch_);
    const BufferData2D<unsigned char>* image(int ch_) const;
};
