#include "jpeg_writer.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

struct Decoded {
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = true;
    std::vector<unsigned char> rgb;
};

// Decoded by libjpeg itself. The data come from our own encoder, so the library's default
// error handler (which ends the program) is acceptable here.
Decoded decode(const std::vector<std::uint8_t>& bytes) {
    Decoded d;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    d.progressive = cinfo.progressive_mode;
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    d.width = static_cast<int>(cinfo.output_width);
    d.height = static_cast<int>(cinfo.output_height);
    d.components = cinfo.output_components;
    d.rgb.resize(static_cast<std::size_t>(d.width) * d.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = d.rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) * d.width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return d;
}

// Like a screen picture: white margins, a black display area, a smooth green ramp, and red
// and blue traces (0xRRGGBB: a red and blue swapped on the way shows at once).
RgbPicture screenLike(int width, int height) {
    RgbPicture p(width, height, 0xFFFFFF);
    for (int y = height / 4; y < 3 * height / 4; ++y)
        for (int x = width / 4; x < 3 * width / 4; ++x) {
            const std::uint32_t g = static_cast<std::uint32_t>(255 * (x - width / 4) / (width / 2));
            const std::uint32_t trace = x < width / 2 ? 0xFF0000 : 0x0000FF;
            p.pixels[static_cast<std::size_t>(y) * width + x] = y < height / 2       ? (g << 8)
                                                                : y < 5 * height / 8 ? trace
                                                                                     : 0;
        }
    return p;
}

struct Errors {
    double mean = 0;
    int max = 0;
};

Errors compare(const RgbPicture& p, const Decoded& d) {
    Errors e;
    long long sum = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const std::uint32_t c = p.at(x, y);
            const int want[3] = {static_cast<int>(c >> 16) & 0xFF, static_cast<int>(c >> 8) & 0xFF,
                                 static_cast<int>(c) & 0xFF};
            const unsigned char* got = &d.rgb[(static_cast<std::size_t>(y) * d.width + x) * 3];
            for (int k = 0; k < 3; ++k) {
                const int diff = std::abs(got[k] - want[k]);
                sum += diff;
                e.max = std::max(e.max, diff);
            }
        }
    e.mean = static_cast<double>(sum) / (3.0 * p.width * p.height);
    return e;
}

TEST(JpegWriter, DecodesCloseToThePictureAtEverySize) {
    struct Case {
        int width, height;
        double meanError; // tiny pictures are mostly edges, where colour is halved by subsampling
    };
    // Sizes on and off the 16-pixel blocks, and the screen picture's own.
    for (const Case c : {Case{16, 16, 12.0}, Case{17, 9, 12.0}, Case{561, 441, 2.5}, Case{600, 700, 2.5}}) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const RgbPicture p = screenLike(c.width, c.height);
        std::string error;
        const auto bytes = encodeJpeg(p, JPEG_DEFAULT_QUALITY, &error);
        ASSERT_FALSE(bytes.empty()) << error;
        ASSERT_GE(bytes.size(), 4u);
        EXPECT_EQ(bytes[0], 0xFF); // start of image
        EXPECT_EQ(bytes[1], 0xD8);
        EXPECT_EQ(bytes[bytes.size() - 2], 0xFF); // end of image
        EXPECT_EQ(bytes.back(), 0xD9);

        const Decoded d = decode(bytes);
        EXPECT_EQ(d.width, c.width);
        EXPECT_EQ(d.height, c.height);
        EXPECT_EQ(d.components, 3);
        EXPECT_FALSE(d.progressive);
        const Errors e = compare(p, d);
        EXPECT_LT(e.mean, c.meanError);
        // Sharp edges ring a little, and colour is shared between neighbours; nothing is lost.
        EXPECT_LT(e.max, 210);
        // Inside the red and the blue trace, away from their edges, each keeps its colour.
        const int y = 9 * c.height / 16;
        for (const auto& [x, want] : {std::pair{3 * c.width / 8, 0xFF0000u}, std::pair{5 * c.width / 8, 0x0000FFu}}) {
            const unsigned char* got = &d.rgb[(static_cast<std::size_t>(y) * d.width + x) * 3];
            if (c.width < 100) continue; // all edge
            EXPECT_NEAR(got[0], int(want >> 16), 24) << "red at " << x;
            EXPECT_NEAR(got[1], 0, 24) << "green at " << x;
            EXPECT_NEAR(got[2], int(want & 0xFF), 24) << "blue at " << x;
        }
    }
}

TEST(JpegWriter, QualityIsClampedAndOrdered) {
    const RgbPicture p = screenLike(64, 48);
    const auto low = encodeJpeg(p, -5);
    const auto high = encodeJpeg(p, 500);
    ASSERT_FALSE(low.empty());
    ASSERT_FALSE(high.empty());
    EXPECT_EQ(low, encodeJpeg(p, 1));
    EXPECT_EQ(high, encodeJpeg(p, 100));
    EXPECT_LT(compare(p, decode(high)).mean, compare(p, decode(low)).mean);
}

TEST(JpegWriter, FailuresSayWhyAndLeaveTheOldFile) {
    std::string error;
    EXPECT_TRUE(encodeJpeg(RgbPicture(), 90, &error).empty());
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_TRUE(encodeJpeg(RgbPicture(70000, 1), 90, &error).empty());
    EXPECT_FALSE(error.empty());

    TempDir dir;
    const std::string path = dir.file("screen.jpg");
    const RgbPicture p = screenLike(32, 32);
    ASSERT_TRUE(writeJpegFile(path, p, JPEG_DEFAULT_QUALITY, &error)) << error;
    const std::string first = TempDir::read(path);
    const auto bytes = encodeJpeg(p);
    EXPECT_EQ(first, std::string(bytes.begin(), bytes.end()));

    EXPECT_FALSE(writeJpegFile(path, RgbPicture(), JPEG_DEFAULT_QUALITY, &error));
    EXPECT_EQ(TempDir::read(path), first);
    EXPECT_FALSE(writeJpegFile(dir.file("missing/screen.jpg"), p, JPEG_DEFAULT_QUALITY, &error));
}

} // namespace
