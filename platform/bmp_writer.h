#pragma once
// Windows bitmap files (BITMAPFILEHEADER + BITMAPINFOHEADER, uncompressed, rows bottom-up,
// each row padded to 4 bytes) at 1, 8 or 24 bits per pixel, and the colour reductions the
// palette depths need. Plain C++; everything is little-endian and packed byte by byte.

#include "rgb_picture.h"

#include <cstdint>
#include <string>
#include <vector>

// Pixel density written into the header: 96 dots per inch.
constexpr std::int32_t BMP_PIXELS_PER_METRE = 3780;

// At most `maxColours` (1..256) colours. A picture with no more colours keeps every colour
// exactly, the palette sorted by value. Otherwise the most frequent colours form the palette
// (ties: the lower value first, sorted by value) and every other colour takes its nearest
// entry (squared RGB distance; ties: the lower index).
IndexedPicture reduceToPalette(const RgbPicture& picture, int maxColours = 256);

// Two colours, palette {black, white}: a pixel is white when its luminance
// (299 R + 587 G + 114 B) / 1000 is 128 or more, else black.
IndexedPicture reduceToMonochrome(const RgbPicture& picture);

// The palette colours of an indexed picture as a full-colour picture.
RgbPicture expandPalette(const IndexedPicture& picture);

// The whole file in memory. `bitsPerPixel` 24 writes the colours as they are; 8 writes
// reduceToPalette's palette (as many entries as used); 1 writes reduceToMonochrome's.
// Empty when the picture is not valid or the depth is not 1, 8 or 24.
std::vector<std::uint8_t> encodeBmp(const RgbPicture& picture, int bitsPerPixel);

// An indexed picture at 1 or 8 bits per pixel (at most 2 or 256 palette entries, every index
// inside the palette). Empty when that does not hold.
std::vector<std::uint8_t> encodeBmpIndexed(const IndexedPicture& picture, int bitsPerPixel);

// encodeBmp written to `path` through a temporary file and a rename: on false the old file is
// intact and `error` (when given) says why.
bool writeBmpFile(const std::string& path, const RgbPicture& picture, int bitsPerPixel, std::string* error = nullptr);
