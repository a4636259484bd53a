#include "software_surface.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

namespace {

const SurfaceFormat ALL_FORMATS[] = {_SURFACE_32BIT, _SURFACE_24BIT, _SURFACE_16BIT_565, _SURFACE_16BIT_555};

std::string name(SurfaceFormat f) { return "format " + std::to_string(static_cast<int>(f)); }

// A value that differs per pixel and fits every format.
std::uint32_t pattern(int x, int y) { return static_cast<std::uint32_t>((x * 37 + y * 101) & 0x7FFF); }

void fillPattern(SoftwareSurface& s) {
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) ASSERT_TRUE(s.fill({x, y, x + 1, y + 1}, pattern(x, y)));
}

// Every pixel of `s` outside `changed` is still `background`.
int strayPixels(const SoftwareSurface& s, const SurfaceRect& changed, std::uint32_t background) {
    int n = 0;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const bool in = x >= changed.left && x < changed.right && y >= changed.top && y < changed.bottom;
            n += !in && s.pixel(x, y) != background;
        }
    return n;
}

TEST(SurfaceFormats, PackedColoursOfTheMarkers) {
    // The five marker colours as the screen formats hold them.
    struct Case {
        int r, g, b;
        std::uint32_t rgb32, rgb565, rgb555;
    };
    const Case cases[] = {
        {0, 255, 0, 0x00FF00, 0x07E0, 0x03E0},   {255, 255, 0, 0xFFFF00, 0xFFE0, 0x7FE0},
        {255, 0, 0, 0xFF0000, 0xF800, 0x7C00},   {0, 255, 255, 0x00FFFF, 0x07FF, 0x03FF},
        {255, 128, 0, 0xFF8000, 0xFC00, 0x7E00}, {254, 3, 7, 0xFE0307, 0xF800, 0x7C00},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(packRgb(_SURFACE_32BIT, c.r, c.g, c.b), c.rgb32);
        EXPECT_EQ(packRgb(_SURFACE_24BIT, c.r, c.g, c.b), c.rgb32);
        EXPECT_EQ(packRgb(_SURFACE_16BIT_565, c.r, c.g, c.b), c.rgb565) << c.r << " " << c.g << " " << c.b;
        EXPECT_EQ(packRgb(_SURFACE_16BIT_555, c.r, c.g, c.b), c.rgb555) << c.r << " " << c.g << " " << c.b;
    }
}

TEST(SurfaceFormats, ChosenFromTheScreen) {
    struct Case {
        ScreenMode screen;
        std::optional<SurfaceFormat> format;
    };
    const Case cases[] = {
        {{32, 0xFF0000, 0xFF00}, _SURFACE_32BIT},
        {{24, 0xFF0000, 0xFF00}, _SURFACE_24BIT},
        {{16, 0xF800, 0x07E0}, _SURFACE_16BIT_565},
        {{16, 0x7C00, 0x03E0}, _SURFACE_16BIT_555},
        {{16, 0x7C00, 0x07E0}, _SURFACE_16BIT_565},
        {{16, 0, 0}, _SURFACE_16BIT_565},
        {{8, 0, 0}, std::nullopt},
        {{15, 0x7C00, 0x03E0}, std::nullopt},
        {{4, 0, 0}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(surfaceFormatOf(c.screen), c.format) << c.screen.bitsPerPixel << " bits";
    for (SurfaceFormat f : ALL_FORMATS) EXPECT_EQ(surfaceFormatOf(ScreenMode::of(f)), f) << name(f);
}

TEST(SoftwareSurface, LockGivesAddressAndPitchOfEveryRow) {
    for (SurfaceFormat f : ALL_FORMATS) {
        SoftwareSurface s(501, 7, f);
        const int size = bytesPerPixel(f);
        ASSERT_GT(s.pitch(), 501 * size) << name(f); // padded rows: a pitch mistake shows
        {
            SurfaceLock lock = s.lock();
            ASSERT_TRUE(lock.valid());
            EXPECT_EQ(lock.pitch(), s.pitch());
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 501; ++x) {
                    const std::uint32_t v = pattern(x, y) | 0xAB000000; // junk in the unused byte
                    std::memcpy(lock.bits() + y * lock.pitch() + x * size, &v, size);
                }
        }
        EXPECT_FALSE(s.locked());
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 501; ++x) {
                ASSERT_EQ(s.pixel(x, y), pattern(x, y)) << name(f) << " (" << x << ", " << y << ")";
            }
        EXPECT_EQ(s.pixel(501, 0), 0u);
        EXPECT_EQ(s.pixel(-1, 0), 0u);
    }
}

TEST(SoftwareSurface, TwentyFourBitPixelsAreBlueGreenRedBytes) {
    SoftwareSurface s(2, 1, _SURFACE_24BIT);
    ASSERT_TRUE(s.fill({1, 0, 2, 1}, 0x112233));
    SurfaceLock lock = s.lock();
    const unsigned char expected[6] = {0, 0, 0, 0x33, 0x22, 0x11};
    EXPECT_EQ(std::memcmp(lock.bits(), expected, 6), 0);
}

TEST(SoftwareSurface, FillsCutTheValueToThePixel) {
    const std::pair<SurfaceFormat, std::uint32_t> cases[] = {{_SURFACE_32BIT, 0x345678},
                                                             {_SURFACE_24BIT, 0x345678},
                                                             {_SURFACE_16BIT_565, 0x5678},
                                                             {_SURFACE_16BIT_555, 0x5678}};
    for (const auto& [f, expected] : cases) {
        SoftwareSurface s(9, 5, f);
        ASSERT_TRUE(s.fill(0x12345678));
        EXPECT_EQ(strayPixels(s, {}, expected), 0) << name(f);
        ASSERT_TRUE(s.fill({2, 1, 5, 4}, 0x0101));
        EXPECT_EQ(strayPixels(s, {2, 1, 5, 4}, expected), 0) << name(f);
        EXPECT_EQ(s.pixel(2, 1), 0x0101u);
        EXPECT_EQ(s.pixel(4, 3), 0x0101u);
    }
}

TEST(SoftwareSurface, LockedSurfacesRefuseFillsBlitsAndSecondLocks) {
    SoftwareSurface a(4, 4, _SURFACE_16BIT_565);
    SoftwareSurface b(4, 4, _SURFACE_16BIT_565);
    SurfaceLock lock = a.lock();
    ASSERT_TRUE(lock.valid());
    EXPECT_FALSE(a.lock().valid());
    EXPECT_FALSE(a.fill(1));
    EXPECT_FALSE(a.blit(a.bounds(), b, b.bounds()));
    EXPECT_FALSE(b.blit(b.bounds(), a, a.bounds()));
    EXPECT_FALSE(b.blitFast(0, 0, a, {0, 0, 1, 1}));

    SurfaceLock moved = std::move(lock);
    EXPECT_FALSE(lock.valid());
    EXPECT_TRUE(a.locked());
    moved.unlock();
    EXPECT_TRUE(a.fill(1));
    EXPECT_TRUE(b.blit(b.bounds(), a, a.bounds()));
    EXPECT_EQ(b.pixel(3, 3), 1u);
}

TEST(SoftwareSurface, BlitCopiesAndStretches) {
    for (SurfaceFormat f : ALL_FORMATS) {
        SoftwareSurface src(20, 10, f);
        fillPattern(src);
        // Same size, moved.
        SoftwareSurface dst(30, 30, f);
        ASSERT_TRUE(dst.blit({5, 7, 15, 11}, src, {3, 2, 13, 6}));
        EXPECT_EQ(strayPixels(dst, {5, 7, 15, 11}, 0), 0);
        for (int y = 7; y < 11; ++y)
            for (int x = 5; x < 15; ++x) ASSERT_EQ(dst.pixel(x, y), pattern(x - 2, y - 5)) << name(f);

        // Twice the size: each source pixel covers 2 x 2.
        ASSERT_TRUE(dst.fill(0));
        ASSERT_TRUE(dst.blit({0, 0, 20, 30}, src, {0, 0, 10, 10}));
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 20; ++x) ASSERT_EQ(dst.pixel(x, y), pattern(x / 2, y / 3)) << name(f);

        // Shrunk to a third: every third pixel.
        ASSERT_TRUE(dst.fill(0));
        ASSERT_TRUE(dst.blit({1, 1, 7, 4}, src, {0, 0, 18, 9}));
        for (int y = 1; y < 4; ++y)
            for (int x = 1; x < 7; ++x) ASSERT_EQ(dst.pixel(x, y), pattern((x - 1) * 3, (y - 1) * 3)) << name(f);
    }
}

TEST(SoftwareSurface, BlitRefusals) {
    SoftwareSurface src(8, 8, _SURFACE_32BIT);
    SoftwareSurface dst(8, 8, _SURFACE_32BIT);
    SoftwareSurface other(8, 8, _SURFACE_24BIT);
    ASSERT_TRUE(src.fill(0x123456));
    EXPECT_FALSE(dst.blit(dst.bounds(), other, other.bounds())); // formats differ
    EXPECT_FALSE(dst.blit(dst.bounds(), src, {0, 0, 9, 8}));     // source outside
    EXPECT_FALSE(dst.blit({-1, 0, 7, 8}, src, src.bounds()));    // no clipper
    EXPECT_FALSE(dst.blit({4, 4, 12, 12}, src, src.bounds()));
    EXPECT_FALSE(dst.blit(dst.bounds(), dst, dst.bounds())); // onto itself
    EXPECT_FALSE(dst.blitFast(1, 0, src, src.bounds()));     // lands partly outside
    EXPECT_FALSE(dst.blitFast(2147483647, 0, src, {0, 0, 1, 1}));
    EXPECT_FALSE(dst.fill({7, 7, 9, 9}, 1));
    EXPECT_EQ(strayPixels(dst, {}, 0), 0);                  // nothing changed
    EXPECT_TRUE(dst.blit({3, 3, 3, 9}, src, src.bounds())); // empty: nothing to do
    EXPECT_EQ(strayPixels(dst, {}, 0), 0);
}

TEST(SoftwareSurface, ClipperLimitsFillsAndBlitsButNotFastBlits) {
    for (SurfaceFormat f : ALL_FORMATS) {
        SoftwareSurface src(10, 10, f);
        fillPattern(src);
        SoftwareSurface dst(20, 20, f);
        const SurfaceRect clip{4, 5, 12, 30}; // reaches past the surface
        dst.setClipper(clip);
        const SurfaceRect visible{4, 5, 12, 20};

        ASSERT_TRUE(dst.fill({-5, -5, 50, 50}, 7));
        EXPECT_EQ(strayPixels(dst, visible, 0), 0) << name(f);
        EXPECT_EQ(dst.pixel(4, 5), 7u);

        // Stretched twice over a destination that starts outside the surface; the clipped part
        // keeps the mapping of the whole destination.
        ASSERT_TRUE(dst.fill(0));
        ASSERT_TRUE(dst.blit({-2, 0, 18, 20}, src, src.bounds()));
        EXPECT_EQ(strayPixels(dst, visible, 0), 0) << name(f);
        for (int y = 5; y < 20; ++y)
            for (int x = 4; x < 12; ++x)
                ASSERT_EQ(dst.pixel(x, y), pattern((x + 2) / 2, y / 2)) << name(f) << " " << x << " " << y;

        // The fast copy ignores the clipper.
        ASSERT_TRUE(dst.blitFast(0, 0, src, {0, 0, 2, 2}));
        EXPECT_EQ(dst.pixel(1, 1), pattern(1, 1));
    }
}

} // namespace
