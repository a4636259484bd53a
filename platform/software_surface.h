#pragma once
// Off-screen pixel surfaces in the screen's own pixel format: what the fast renderer draws
// into and presents from. A surface is a block of rows `pitch` bytes apart; a row may be
// longer than its pixels, so code that writes pixels directly takes the address and the pitch
// of a lock and nothing else.
//
// Rectangles are [left, right) x [top, bottom): right and bottom are exclusive.
// Colour values are in the surface's own format (packRgb), never 0x00BBGGRR.
//
// No lock of its own: one thread at a time uses a surface. A surface is never "lost": its
// memory stays valid until it is destroyed.

#include <cstdint>
#include <optional>
#include <vector>

// Pixel format of a surface; the numbers are stored as the main window's d_surfaceFormat.
enum SurfaceFormat {
    _SURFACE_32BIT = 0,     // one 32-bit value 0x00RRGGBB per pixel; the top byte is unused
    _SURFACE_24BIT = 1,     // three bytes: blue, green, red (bits 0..7, 8..15, 16..23 of 0x00RRGGBB)
    _SURFACE_16BIT_565 = 2, // one 16-bit value: red 5 bits at bit 11, green 6 at bit 5, blue 5 at bit 0
    _SURFACE_16BIT_555 = 3  // one 16-bit value: red 5 bits at bit 10, green 5 at bit 5, blue 5 at bit 0
};

// 4, 3 or 2.
int bytesPerPixel(SurfaceFormat format);
// 8-bit components (0..255) packed for `format`; the low bits of each component are dropped
// for the 16-bit formats.
std::uint32_t packRgb(SurfaceFormat format, int red, int green, int blue);

// What the desktop reports of the screen: bits per pixel and, for 16 bits, the red and
// green masks.
struct ScreenMode {
    int bitsPerPixel = 32;
    std::uint32_t redMask = 0x00FF0000;
    std::uint32_t greenMask = 0x0000FF00;

    // A screen that shows `format` as it is.
    static ScreenMode of(SurfaceFormat format);
};
// The surface format for a screen: 32 bits -> 32-bit, 24 -> 24-bit, 16 bits with red mask
// 0x7C00 and green mask 0x03E0 -> 5:5:5, any other 16-bit screen -> 5:6:5. Nothing for
// fewer than 16 bits per pixel (the program cannot run there). Other depths from 16 up are
// taken as 5:6:5.
std::optional<SurfaceFormat> surfaceFormatOf(const ScreenMode& screen);

struct SurfaceRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
};

// Read-only pixels of any owner (a surface, or an image of the windowing side): the source
// of a blit. The owner keeps them alive and unchanged during the blit.
struct PixelView {
    const unsigned char* bits = nullptr;
    int pitch = 0; // bytes from one row to the next
    int width = 0;
    int height = 0;
    SurfaceFormat format = _SURFACE_32BIT;
};

class SoftwareSurface;

// Direct access to a surface's memory, for as long as the object lives (move-only). While a
// surface is locked, fills and blits from or into it fail and a second lock is refused.
class SurfaceLock {
public:
    SurfaceLock() = default;
    ~SurfaceLock() { unlock(); }
    SurfaceLock(SurfaceLock&& other) noexcept;
    SurfaceLock& operator=(SurfaceLock&& other) noexcept;
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;

    // False when the lock was refused (the surface was already locked).
    bool valid() const { return p_surface != nullptr; }
    // First byte of row 0; row y starts at bits() + y * pitch(). Null when not valid.
    unsigned char* bits() const { return d_bits; }
    int pitch() const { return d_pitch; }
    // The locked surface; null when not valid.
    SoftwareSurface* surface() const { return p_surface; }
    void unlock();

private:
    friend class SoftwareSurface;
    explicit SurfaceLock(SoftwareSurface& surface);

    SoftwareSurface* p_surface = nullptr;
    unsigned char* d_bits = nullptr;
    int d_pitch = 0;
};

class SoftwareSurface {
public:
    // Every row is padded to a multiple of 16 bytes (so the pitch of a 501-pixel row is never
    // its pixel count times the pixel size). Starts black. width and height must be > 0; a
    // smaller value gives a 1-pixel dimension.
    SoftwareSurface(int width, int height, SurfaceFormat format);
    SoftwareSurface(const SoftwareSurface&) = delete;
    SoftwareSurface& operator=(const SoftwareSurface&) = delete;

    int width() const { return d_width; }
    int height() const { return d_height; }
    SurfaceFormat format() const { return d_format; }
    int pitch() const { return d_pitch; }
    SurfaceRect bounds() const { return {0, 0, d_width, d_height}; }
    bool locked() const { return d_locked; }

    // An invalid lock when the surface is locked already.
    SurfaceLock lock();

    // The clipper: fills and blits into the surface land only inside `clip` (and the
    // surface). Without one, a destination rectangle that is not wholly inside the surface
    // makes the fill or blit fail and change nothing.
    void setClipper(std::optional<SurfaceRect> clip) { d_clip = clip; }
    const std::optional<SurfaceRect>& clipper() const { return d_clip; }

    // Colour fill of the whole surface or of `rect`, through the clipper. The value is cut
    // to the pixel size. False while locked or for a rectangle outside without a clipper.
    bool fill(std::uint32_t value);
    bool fill(const SurfaceRect& rect, std::uint32_t value);
    // Copies `sourceRect` of `source` to `destination`, stretching (nearest pixel) when the
    // sizes differ, through the clipper; the mapping follows the whole destination even where
    // it is clipped. False when either surface is locked, the formats differ, the source
    // rectangle is not inside the source, the source is this surface, or (without a clipper)
    // the destination is not inside this surface. Empty rectangles copy nothing and succeed.
    bool blit(const SurfaceRect& destination, const SoftwareSurface& source, const SurfaceRect& sourceRect);
    bool blit(const SurfaceRect& destination, const PixelView& source, const SurfaceRect& sourceRect);
    // An unstretched copy of `sourceRect` with its top-left corner at (x, y). Ignores the
    // clipper: fails unless the whole copy lands inside the surface, and for the reasons of
    // blit.
    bool blitFast(int x, int y, const SoftwareSurface& source, const SurfaceRect& sourceRect);

    // Read-back of one pixel in the surface's format (32-bit: the top byte reads 0); 0 outside.
    std::uint32_t pixel(int x, int y) const;
    // The surface's own pixels as a blit source.
    PixelView view() const { return {d_bits.data(), d_pitch, d_width, d_height, d_format}; }

private:
    friend class SurfaceLock;

    // The part of `rect` that a write may touch: through the clipper, or all of `rect` when
    // it lies inside the surface. Nothing when the write must fail.
    std::optional<SurfaceRect> writableArea(const SurfaceRect& rect) const;
    // Writes `area` (inside `destination` and this surface) from `sourceRect` of `source`,
    // mapped over the whole of `destination`.
    void copyPixels(const SurfaceRect& area, const SurfaceRect& destination, const PixelView& source,
                    const SurfaceRect& sourceRect);

    int d_width;
    int d_height;
    SurfaceFormat d_format;
    int d_pitch;
    std::vector<unsigned char> d_bits;
    std::optional<SurfaceRect> d_clip;
    bool d_locked = false;
};
