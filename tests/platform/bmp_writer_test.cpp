#include "bmp_writer.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void le16(Bytes& b, std::uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void le32(Bytes& b, std::uint32_t v) {
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
}

// The two headers as the file format lays them out, written out field by field.
Bytes expectedHeaders(int width, int height, int bits, std::uint32_t paletteEntries, std::uint32_t imageBytes) {
    Bytes b;
    const std::uint32_t offset = 14 + 40 + 4 * paletteEntries;
    b.push_back('B');
    b.push_back('M');
    le32(b, offset + imageBytes);
    le32(b, 0);
    le32(b, offset);
    le32(b, 40);
    le32(b, static_cast<std::uint32_t>(width));
    le32(b, static_cast<std::uint32_t>(height));
    le16(b, 1);
    le16(b, static_cast<std::uint32_t>(bits));
    le32(b, 0);
    le32(b, imageBytes);
    le32(b, 3780);
    le32(b, 3780);
    le32(b, paletteEntries);
    le32(b, 0);
    return b;
}

void append(Bytes& b, std::initializer_list<int> bytes) {
    for (int v : bytes) b.push_back(static_cast<std::uint8_t>(v));
}

std::uint32_t rd32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint32_t rd16(const Bytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

// A reader written from the file format, independent of the writer: every pixel's colour.
RgbPicture parseBmp(const Bytes& b) {
    RgbPicture p;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || rd32(b, 2) != b.size()) return p;
    const int width = static_cast<int>(rd32(b, 18));
    const int height = static_cast<int>(rd32(b, 22));
    const int bits = static_cast<int>(rd16(b, 28));
    const std::uint32_t offset = rd32(b, 10);
    const std::uint32_t used = rd32(b, 46);
    std::vector<std::uint32_t> palette;
    for (std::uint32_t i = 0; i < used; ++i) {
        const std::size_t at = 54 + 4 * i;
        palette.push_back((b[at + 2] << 16) | (b[at + 1] << 8) | b[at]);
    }
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    if (offset + stride * height != b.size()) return p;
    p = RgbPicture(width, height, 0);
    for (int y = 0; y < height; ++y) {
        const std::size_t row = offset + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            std::uint32_t c = 0;
            if (bits == 24) {
                const std::size_t at = row + 3 * x;
                c = (b[at + 2] << 16) | (b[at + 1] << 8) | b[at];
            } else if (bits == 8) {
                c = palette.at(b[row + x]);
            } else {
                c = palette.at((b[row + x / 8] >> (7 - x % 8)) & 1);
            }
            p.pixels[static_cast<std::size_t>(y) * width + x] = c;
        }
    }
    return p;
}

RgbPicture randomPicture(int width, int height, unsigned seed, int colours = 0) {
    std::mt19937 rng(seed);
    std::vector<std::uint32_t> pool;
    for (int i = 0; i < colours; ++i) pool.push_back(rng() & 0xFFFFFF);
    RgbPicture p(width, height, 0);
    for (auto& px : p.pixels) px = colours > 0 ? pool[rng() % pool.size()] : (rng() & 0xFFFFFF);
    return p;
}

TEST(BmpWriter, TwentyFourBitFileByteForByte) {
    // 3 x 2: rows of 9 bytes padded to 12, the bottom row first, blue-green-red.
    RgbPicture p(3, 2);
    p.pixels = {0x112233, 0x445566, 0x778899, // top row
                0xAABBCC, 0xDDEEFF, 0x010203};
    Bytes expected = expectedHeaders(3, 2, 24, 0, 24);
    append(expected, {0xCC, 0xBB, 0xAA, 0xFF, 0xEE, 0xDD, 0x03, 0x02, 0x01, 0, 0, 0});
    append(expected, {0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0x99, 0x88, 0x77, 0, 0, 0});
    EXPECT_EQ(encodeBmp(p, 24), expected);
}

TEST(BmpWriter, EightBitFileByteForByte) {
    // Three colours: a palette of three, sorted by value, one byte per pixel, rows padded to 4.
    RgbPicture p(3, 2);
    p.pixels = {0xFF0000, 0x00FF00, 0xFF0000, // top row
                0x0000FF, 0x0000FF, 0x00FF00};
    Bytes expected = expectedHeaders(3, 2, 8, 3, 8);
    append(expected, {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0}); // 0x0000FF, 0x00FF00, 0xFF0000
    append(expected, {0, 0, 1, 0});
    append(expected, {2, 1, 2, 0});
    EXPECT_EQ(encodeBmp(p, 8), expected);
}

TEST(BmpWriter, OneBitFileByteForByte) {
    // Ten pixels a row: two bytes of bits, leftmost pixel in the top bit, padded to 4.
    RgbPicture p(10, 2, 0x000000);
    for (int x : {0, 2, 9}) p.pixels[x] = 0xFFFFFF; // top row
    p.pixels[10 + 1] = 0x808080;                    // luminance 128: white
    p.pixels[10 + 8] = 0x7F7F7F;                    // luminance 127: black
    p.pixels[10 + 3] = 0xFF6400;                    // red 255, green 100: 134, white
    p.pixels[10 + 5] = 0x0064FF;                    // blue 255, green 100: 87, black
    Bytes expected = expectedHeaders(10, 2, 1, 2, 8);
    append(expected, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0});
    append(expected, {0x50, 0x00, 0, 0});
    append(expected, {0xA0, 0x40, 0, 0});
    EXPECT_EQ(encodeBmp(p, 1), expected);
}

TEST(BmpWriter, ParsesBackAtEveryDepthAndRowPadding) {
    for (int width = 1; width <= 9; ++width) {
        SCOPED_TRACE("width " + std::to_string(width));
        const RgbPicture full = randomPicture(width, 3, 7u + width);
        EXPECT_EQ(parseBmp(encodeBmp(full, 24)).pixels, full.pixels);

        const RgbPicture few = randomPicture(width, 3, 70u + width, 5);
        EXPECT_EQ(parseBmp(encodeBmp(few, 8)).pixels, few.pixels);

        RgbPicture bw = randomPicture(width, 3, 700u + width, 2);
        for (auto& px : bw.pixels) px = (px & 1) ? 0xFFFFFF : 0;
        EXPECT_EQ(parseBmp(encodeBmp(bw, 1)).pixels, bw.pixels);
    }
}

TEST(BmpWriter, PaletteKeepsTheMostFrequentColoursAndMapsTheRestToTheNearest) {
    // 256 colours twice each, and two rare ones close to two of them.
    RgbPicture p(2 * 256 + 2, 1, 0);
    for (int i = 0; i < 256; ++i) p.pixels[2 * i] = p.pixels[2 * i + 1] = static_cast<std::uint32_t>(i) << 16;
    p.pixels[512] = (40u << 16) | 3;  // nearest: 40 << 16
    p.pixels[513] = (200u << 16) | 1; // nearest: 200 << 16
    const IndexedPicture r = reduceToPalette(p);
    ASSERT_EQ(r.palette.size(), 256u);
    for (int i = 0; i < 512; ++i) EXPECT_EQ(r.colourAt(i, 0), p.pixels[i]);
    EXPECT_EQ(r.colourAt(512, 0), 40u << 16);
    EXPECT_EQ(r.colourAt(513, 0), 200u << 16);

    // A 1000-colour picture at 8 bits still writes 256 entries and a readable file.
    const RgbPicture many = randomPicture(40, 25, 3);
    const RgbPicture back = parseBmp(encodeBmp(many, 8));
    EXPECT_EQ(back.width, 40);
    EXPECT_EQ(rd32(encodeBmp(many, 8), 46), 256u);
}

TEST(BmpWriter, RefusesWhatItCannotWrite) {
    EXPECT_TRUE(encodeBmp(RgbPicture(), 24).empty());
    EXPECT_TRUE(encodeBmp(RgbPicture(2, 2), 16).empty());
    RgbPicture shortPixels(2, 2);
    shortPixels.pixels.pop_back();
    EXPECT_TRUE(encodeBmp(shortPixels, 8).empty());

    IndexedPicture bad;
    bad.width = 2;
    bad.height = 1;
    bad.palette = {0, 0xFFFFFF, 0x808080};
    bad.indices = {0, 2};
    EXPECT_TRUE(encodeBmpIndexed(bad, 1).empty()); // three entries do not fit one bit
    bad.palette.pop_back();
    EXPECT_TRUE(encodeBmpIndexed(bad, 8).empty()); // index 2 outside the palette
}

TEST(BmpWriter, WritesTheFileWholeOrNotAtAll) {
    TempDir dir;
    const RgbPicture p = randomPicture(5, 4, 11);
    const std::string path = dir.file("screen.bmp");
    std::string error;
    ASSERT_TRUE(writeBmpFile(path, p, 24, &error)) << error;
    const std::string bytes = TempDir::read(path);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), encodeBmp(p, 24));

    // An unwritable picture leaves the old file as it was.
    EXPECT_FALSE(writeBmpFile(path, RgbPicture(), 24, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(TempDir::read(path), bytes);

    EXPECT_FALSE(writeBmpFile(dir.file("missing/screen.bmp"), p, 8, &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
}

} // namespace
