#pragma once
// A picture in memory for the image writers: plain C++, no toolkit types.

#include <cstdint>
#include <vector>

// width x height pixels, row 0 at the top, each 0x00RRGGBB (the top byte is ignored).
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    RgbPicture() = default;
    RgbPicture(int width_, int height_, std::uint32_t fill = 0xFFFFFF)
        : width(width_), height(height_),
          pixels(width_ > 0 && height_ > 0 ? static_cast<std::size_t>(width_) * height_ : 0, fill) {}

    // A picture with no pixels, or whose pixel count does not match its size, cannot be written.
    bool valid() const { return width > 0 && height > 0 && pixels.size() == static_cast<std::size_t>(width) * height; }
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The same picture as palette indices: each pixel one byte, an index into `palette`
// (0x00RRGGBB entries, at most 256).
struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> palette;
    std::vector<std::uint8_t> indices;

    std::uint32_t colourAt(int x, int y) const { return palette[indices[static_cast<std::size_t>(y) * width + x]]; }
};
