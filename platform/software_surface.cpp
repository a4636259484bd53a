#include "software_surface.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int ROW_ALIGNMENT = 16;

std::uint32_t loadPixel(const unsigned char* p, int size) {
    switch (size) {
    case 4: {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return v & 0x00FFFFFF;
    }
    case 3: return p[0] | p[1] << 8 | p[2] << 16;
    default: {
        std::uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    }
}

// `size` bytes of `value`, lowest byte first (the byte order of every format here).
void storeBytes(unsigned char* p, std::uint32_t value, int size) {
    for (int b = 0; b < size; ++b) p[b] = static_cast<unsigned char>(value >> (8 * b));
}

SurfaceRect intersect(const SurfaceRect& a, const SurfaceRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

bool inside(const SurfaceRect& r, int width, int height) {
    return r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height;
}

} // namespace

int bytesPerPixel(SurfaceFormat format) {
    switch (format) {
    case _SURFACE_32BIT: return 4;
    case _SURFACE_24BIT: return 3;
    default: return 2;
    }
}

std::uint32_t packRgb(SurfaceFormat format, int red, int green, int blue) {
    const auto r = static_cast<std::uint32_t>(std::clamp(red, 0, 255));
    const auto g = static_cast<std::uint32_t>(std::clamp(green, 0, 255));
    const auto b = static_cast<std::uint32_t>(std::clamp(blue, 0, 255));
    switch (format) {
    case _SURFACE_32BIT:
    case _SURFACE_24BIT: return r << 16 | g << 8 | b;
    case _SURFACE_16BIT_565: return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
    case _SURFACE_16BIT_555: break;
    }
    return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
}

ScreenMode ScreenMode::of(SurfaceFormat format) {
    switch (format) {
    case _SURFACE_32BIT: return {32, 0x00FF0000, 0x0000FF00};
    case _SURFACE_24BIT: return {24, 0x00FF0000, 0x0000FF00};
    case _SURFACE_16BIT_565: return {16, 0xF800, 0x07E0};
    case _SURFACE_16BIT_555: break;
    }
    return {16, 0x7C00, 0x03E0};
}

std::optional<SurfaceFormat> surfaceFormatOf(const ScreenMode& screen) {
    if (screen.bitsPerPixel < 16) return std::nullopt;
    if (screen.bitsPerPixel == 32) return _SURFACE_32BIT;
    if (screen.bitsPerPixel == 24) return _SURFACE_24BIT;
    if (screen.redMask == 0x7C00 && screen.greenMask == 0x03E0) return _SURFACE_16BIT_555;
    return _SURFACE_16BIT_565;
}

SurfaceLock::SurfaceLock(SoftwareSurface& surface)
    : p_surface(&surface), d_bits(surface.d_bits.data()), d_pitch(surface.d_pitch) {
    surface.d_locked = true;
}

SurfaceLock::SurfaceLock(SurfaceLock&& other) noexcept
    : p_surface(other.p_surface), d_bits(other.d_bits), d_pitch(other.d_pitch) {
    other.p_surface = nullptr;
    other.d_bits = nullptr;
    other.d_pitch = 0;
}

SurfaceLock& SurfaceLock::operator=(SurfaceLock&& other) noexcept {
    if (this != &other) {
        unlock();
        std::swap(p_surface, other.p_surface);
        std::swap(d_bits, other.d_bits);
        std::swap(d_pitch, other.d_pitch);
    }
    return *this;
}

void SurfaceLock::unlock() {
    if (p_surface) p_surface->d_locked = false;
    p_surface = nullptr;
    d_bits = nullptr;
    d_pitch = 0;
}

SoftwareSurface::SoftwareSurface(int width, int height, SurfaceFormat format)
    : d_width(std::max(width, 1)), d_height(std::max(height, 1)), d_format(format),
      d_pitch((d_width * bytesPerPixel(format) + ROW_ALIGNMENT - 1) / ROW_ALIGNMENT * ROW_ALIGNMENT),
      d_bits(static_cast<std::size_t>(d_pitch) * d_height, 0) {}

SurfaceLock SoftwareSurface::lock() {
    if (d_locked) return {};
    return SurfaceLock(*this);
}

std::optional<SurfaceRect> SoftwareSurface::writableArea(const SurfaceRect& rect) const {
    if (d_clip) return intersect(intersect(rect, *d_clip), bounds());
    if (!inside(rect, d_width, d_height)) return std::nullopt;
    return rect;
}

bool SoftwareSurface::fill(std::uint32_t value) { return fill(bounds(), value); }

bool SoftwareSurface::fill(const SurfaceRect& rect, std::uint32_t value) {
    if (d_locked) return false;
    if (rect.empty()) return true;
    const std::optional<SurfaceRect> area = writableArea(rect);
    if (!area) return false;
    // One row of the area pixel by pixel, then copies of it.
    const int size = bytesPerPixel(d_format);
    const std::size_t rowBytes = static_cast<std::size_t>(area->width()) * size;
    unsigned char* first = &d_bits[static_cast<std::size_t>(area->top) * d_pitch + area->left * size];
    for (std::size_t b = 0; b < rowBytes; b += size) storeBytes(first + b, value, size);
    for (int y = area->top + 1; y < area->bottom; ++y)
        std::memcpy(first + static_cast<std::size_t>(y - area->top) * d_pitch, first, rowBytes);
    return true;
}

bool SoftwareSurface::blit(const SurfaceRect& destination, const SoftwareSurface& source,
                           const SurfaceRect& sourceRect) {
    if (&source == this || source.d_locked) return false;
    return blit(destination, source.view(), sourceRect);
}

bool SoftwareSurface::blit(const SurfaceRect& destination, const PixelView& source, const SurfaceRect& sourceRect) {
    if (d_locked || source.format != d_format || source.bits == nullptr) return false;
    if (destination.empty() || sourceRect.empty()) return true;
    if (!inside(sourceRect, source.width, source.height)) return false;
    const std::optional<SurfaceRect> area = writableArea(destination);
    if (!area) return false;
    copyPixels(*area, destination, source, sourceRect);
    return true;
}

bool SoftwareSurface::blitFast(int x, int y, const SoftwareSurface& source, const SurfaceRect& sourceRect) {
    if (d_locked || &source == this || source.d_locked || source.d_format != d_format) return false;
    if (sourceRect.empty()) return true;
    if (!inside(sourceRect, source.d_width, source.d_height)) return false;
    // Compared this way round, no far-off corner overflows.
    if (x < 0 || y < 0 || x > d_width - sourceRect.width() || y > d_height - sourceRect.height()) return false;
    const SurfaceRect destination{x, y, x + sourceRect.width(), y + sourceRect.height()};
    copyPixels(destination, destination, source.view(), sourceRect);
    return true;
}

void SoftwareSurface::copyPixels(const SurfaceRect& area, const SurfaceRect& destination, const PixelView& source,
                                 const SurfaceRect& sourceRect) {
    const int size = bytesPerPixel(d_format);
    const long long dw = destination.width(), dh = destination.height();
    const long long sw = sourceRect.width(), sh = sourceRect.height();
    const std::size_t rowBytes = static_cast<std::size_t>(area.width()) * size;
    // Byte offset in a source row of each destination column of the area.
    std::vector<std::size_t> columns;
    if (sw != dw)
        for (int x = area.left; x < area.right; ++x)
            columns.push_back(static_cast<std::size_t>(sourceRect.left + (x - destination.left) * sw / dw) * size);
    long long previousRow = -1;
    for (int y = area.top; y < area.bottom; ++y) {
        const long long sy = sourceRect.top + (y - destination.top) * sh / dh;
        unsigned char* to = &d_bits[static_cast<std::size_t>(y) * d_pitch + area.left * size];
        if (sy == previousRow) { // a stretched row repeats the one above
            std::memcpy(to, to - d_pitch, rowBytes);
            continue;
        }
        previousRow = sy;
        const unsigned char* from = source.bits + sy * source.pitch;
        if (sw == dw) {
            std::memcpy(to, from + (sourceRect.left + (area.left - destination.left)) * size, rowBytes);
            continue;
        }
        for (std::size_t i = 0; i < columns.size(); ++i)
            std::memcpy(to + i * size, from + columns[i], static_cast<std::size_t>(size));
    }
}

std::uint32_t SoftwareSurface::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= d_width || y >= d_height) return 0;
    const int size = bytesPerPixel(d_format);
    return loadPixel(&d_bits[static_cast<std::size_t>(y) * d_pitch + x * size], size);
}
