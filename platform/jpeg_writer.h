#pragma once
// JPEG files through libjpeg: baseline, 8-bit YCbCr, 4:2:0, libjpeg's standard tables scaled
// to `quality`. Plain C++ interface; libjpeg stays inside the .cpp.

#include "rgb_picture.h"

#include <cstdint>
#include <string>
#include <vector>

// The quality the program's pictures are saved with.
constexpr int JPEG_DEFAULT_QUALITY = 90;

// The whole file in memory. Empty, with `error` set when given, for a picture that is not
// valid or when the library fails. `quality` is clamped into 1..100.
std::vector<std::uint8_t> encodeJpeg(const RgbPicture& picture, int quality = JPEG_DEFAULT_QUALITY,
                                     std::string* error = nullptr);

// encodeJpeg written to `path` through a temporary file and a rename: on false the old file
// is intact and `error` (when given) says why.
bool writeJpegFile(const std::string& path, const RgbPicture& picture, int quality = JPEG_DEFAULT_QUALITY,
                   std::string* error = nullptr);
