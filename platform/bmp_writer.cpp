#include "bmp_writer.h"

#include "ini_file.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace {

constexpr std::uint32_t FILE_HEADER_SIZE = 14;
constexpr std::uint32_t INFO_HEADER_SIZE = 40;
constexpr std::uint32_t WHITE = 0xFFFFFF;

int red(std::uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
int green(std::uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
int blue(std::uint32_t c) { return static_cast<int>(c & 0xFF); }

class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : d_out(out) {}
    void u8(std::uint32_t v) { d_out.push_back(static_cast<std::uint8_t>(v & 0xFF)); }
    void u16(std::uint32_t v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }

private:
    std::vector<std::uint8_t>& d_out;
};

std::uint32_t rowStride(int width, int bitsPerPixel) {
    const std::uint64_t bits = static_cast<std::uint64_t>(width) * bitsPerPixel;
    return static_cast<std::uint32_t>((bits + 31) / 32 * 4);
}

// File header, info header and palette; the pixel rows follow.
std::vector<std::uint8_t> headers(int width, int height, int bitsPerPixel, const std::vector<std::uint32_t>& palette) {
    const std::uint32_t paletteBytes = static_cast<std::uint32_t>(palette.size()) * 4;
    const std::uint32_t offset = FILE_HEADER_SIZE + INFO_HEADER_SIZE + paletteBytes;
    const std::uint32_t imageBytes = rowStride(width, bitsPerPixel) * static_cast<std::uint32_t>(height);

    std::vector<std::uint8_t> out;
    out.reserve(offset + imageBytes);
    ByteWriter w(out);
    w.u8('B');
    w.u8('M');
    w.u32(offset + imageBytes);
    w.u16(0);
    w.u16(0);
    w.u32(offset);

    w.u32(INFO_HEADER_SIZE);
    w.u32(static_cast<std::uint32_t>(width));
    w.u32(static_cast<std::uint32_t>(height)); // positive: rows stored bottom-up
    w.u16(1);                                  // planes
    w.u16(static_cast<std::uint32_t>(bitsPerPixel));
    w.u32(0); // uncompressed
    w.u32(imageBytes);
    w.u32(BMP_PIXELS_PER_METRE);
    w.u32(BMP_PIXELS_PER_METRE);
    w.u32(static_cast<std::uint32_t>(palette.size())); // colours used
    w.u32(0);                                          // all of them important

    for (std::uint32_t c : palette) {
        w.u8(static_cast<std::uint32_t>(blue(c)));
        w.u8(static_cast<std::uint32_t>(green(c)));
        w.u8(static_cast<std::uint32_t>(red(c)));
        w.u8(0);
    }
    return out;
}

// Pictures far beyond any screen would overflow the 32-bit sizes of the headers.
bool sizeFits(int width, int height, int bitsPerPixel) {
    if (width <= 0 || height <= 0) return false;
    const std::uint64_t bytes = static_cast<std::uint64_t>(rowStride(width, bitsPerPixel)) * height;
    return bytes < std::numeric_limits<std::uint32_t>::max() / 2;
}

int luminance(std::uint32_t c) { return (299 * red(c) + 587 * green(c) + 114 * blue(c)) / 1000; }

int distance2(std::uint32_t a, std::uint32_t b) {
    const int dr = red(a) - red(b);
    const int dg = green(a) - green(b);
    const int db = blue(a) - blue(b);
    return dr * dr + dg * dg + db * db;
}

} // namespace

IndexedPicture reduceToPalette(const RgbPicture& picture, int maxColours) {
    maxColours = std::clamp(maxColours, 1, 256);
    IndexedPicture out;
    out.width = picture.width;
    out.height = picture.height;
    if (!picture.valid()) return out;

    std::unordered_map<std::uint32_t, std::size_t> counts;
    for (std::uint32_t p : picture.pixels) ++counts[p & 0xFFFFFF];

    std::vector<std::pair<std::uint32_t, std::size_t>> colours(counts.begin(), counts.end());
    if (colours.size() > static_cast<std::size_t>(maxColours)) {
        std::partial_sort(colours.begin(), colours.begin() + maxColours, colours.end(),
                          [](const auto& a, const auto& b) {
                              return a.second != b.second ? a.second > b.second : a.first < b.first;
                          });
        colours.resize(static_cast<std::size_t>(maxColours));
    }
    std::sort(colours.begin(), colours.end());
    for (const auto& c : colours) out.palette.push_back(c.first);

    // Index of every colour of the picture, exact or nearest.
    std::unordered_map<std::uint32_t, std::uint8_t> index;
    for (const auto& [colour, count] : counts) {
        (void)count;
        std::size_t best = 0;
        int bestDistance = std::numeric_limits<int>::max();
        for (std::size_t i = 0; i < out.palette.size() && bestDistance != 0; ++i) {
            const int d = distance2(colour, out.palette[i]);
            if (d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        index[colour] = static_cast<std::uint8_t>(best);
    }
    out.indices.reserve(picture.pixels.size());
    for (std::uint32_t p : picture.pixels) out.indices.push_back(index[p & 0xFFFFFF]);
    return out;
}

IndexedPicture reduceToMonochrome(const RgbPicture& picture) {
    IndexedPicture out;
    out.width = picture.width;
    out.height = picture.height;
    out.palette = {0x000000, WHITE};
    if (!picture.valid()) return out;
    out.indices.reserve(picture.pixels.size());
    for (std::uint32_t p : picture.pixels) out.indices.push_back(luminance(p) >= 128 ? 1 : 0);
    return out;
}

RgbPicture expandPalette(const IndexedPicture& picture) {
    RgbPicture out;
    out.width = picture.width;
    out.height = picture.height;
    out.pixels.reserve(picture.indices.size());
    for (std::uint8_t i : picture.indices) out.pixels.push_back(i < picture.palette.size() ? picture.palette[i] : 0);
    return out;
}

std::vector<std::uint8_t> encodeBmpIndexed(const IndexedPicture& picture, int bitsPerPixel) {
    if (bitsPerPixel != 1 && bitsPerPixel != 8) return {};
    const std::size_t maxEntries = bitsPerPixel == 1 ? 2 : 256;
    if (!sizeFits(picture.width, picture.height, bitsPerPixel) || picture.palette.empty() ||
        picture.palette.size() > maxEntries ||
        picture.indices.size() != static_cast<std::size_t>(picture.width) * picture.height)
        return {};
    for (std::uint8_t i : picture.indices)
        if (i >= picture.palette.size()) return {};

    std::vector<std::uint8_t> out = headers(picture.width, picture.height, bitsPerPixel, picture.palette);
    const std::uint32_t stride = rowStride(picture.width, bitsPerPixel);
    for (int y = picture.height - 1; y >= 0; --y) {
        const std::uint8_t* src = picture.indices.data() + static_cast<std::size_t>(y) * picture.width;
        const std::size_t rowStart = out.size();
        out.resize(rowStart + stride, 0);
        std::uint8_t* dst = out.data() + rowStart;
        if (bitsPerPixel == 8) {
            std::copy(src, src + picture.width, dst);
        } else {
            for (int x = 0; x < picture.width; ++x) // the leftmost pixel in the top bit
                if (src[x]) dst[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    return out;
}

std::vector<std::uint8_t> encodeBmp(const RgbPicture& picture, int bitsPerPixel) {
    if (!picture.valid()) return {};
    if (bitsPerPixel == 8) return encodeBmpIndexed(reduceToPalette(picture), 8);
    if (bitsPerPixel == 1) return encodeBmpIndexed(reduceToMonochrome(picture), 1);
    if (bitsPerPixel != 24 || !sizeFits(picture.width, picture.height, 24)) return {};

    std::vector<std::uint8_t> out = headers(picture.width, picture.height, 24, {});
    const std::uint32_t stride = rowStride(picture.width, 24);
    for (int y = picture.height - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        out.resize(rowStart + stride, 0);
        std::uint8_t* dst = out.data() + rowStart;
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t c = picture.at(x, y);
            *dst++ = static_cast<std::uint8_t>(blue(c));
            *dst++ = static_cast<std::uint8_t>(green(c));
            *dst++ = static_cast<std::uint8_t>(red(c));
        }
    }
    return out;
}

bool writeBmpFile(const std::string& path, const RgbPicture& picture, int bitsPerPixel, std::string* error) {
    const std::vector<std::uint8_t> bytes = encodeBmp(picture, bitsPerPixel);
    if (bytes.empty()) {
        if (error)
            *error = "the picture cannot be stored as a bitmap of " + std::to_string(bitsPerPixel) + " bits per pixel";
        return false;
    }
    return atomicWriteFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), error);
}
