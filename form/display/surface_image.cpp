#include "surface_image.h"

#include "display.h"

#include <QScreen>

QImage::Format qImageFormat(SurfaceFormat format) {
    switch (format) {
    case _SURFACE_32BIT: return QImage::Format_RGB32;
    case _SURFACE_24BIT: return QImage::Format_BGR888;
    case _SURFACE_16BIT_565: return QImage::Format_RGB16;
    case _SURFACE_16BIT_555: break;
    }
    return QImage::Format_RGB555;
}

std::optional<SurfaceFormat> surfaceFormatOf(QImage::Format format) {
    for (SurfaceFormat f : {_SURFACE_32BIT, _SURFACE_24BIT, _SURFACE_16BIT_565, _SURFACE_16BIT_555})
        if (qImageFormat(f) == format) return f;
    return std::nullopt;
}

QImage surfaceImage(const SurfaceLock& lock) {
    const SoftwareSurface* s = lock.surface();
    if (!s) return {};
    return QImage(lock.bits(), s->width(), s->height(), lock.pitch(), qImageFormat(s->format()));
}

PixelView pixelView(const QImage& image) {
    const std::optional<SurfaceFormat> format = surfaceFormatOf(image.format());
    if (image.isNull() || !format) return {};
    return {image.constBits(), static_cast<int>(image.bytesPerLine()), image.width(), image.height(), *format};
}

ScreenMode screenModeOf(const QScreen* screen) {
    const int depth = screen ? screen->depth() : 32;
    switch (depth) {
    case 32:
    case 24: return ScreenMode::of(_SURFACE_32BIT);
    case 16: return ScreenMode::of(_SURFACE_16BIT_565);
    case 15: return ScreenMode::of(_SURFACE_16BIT_555);
    default: return {depth, 0, 0};
    }
}

SurfaceDeviceContext::SurfaceDeviceContext(SoftwareSurface& surface) : d_lock(surface.lock()) {
    if (!d_lock.valid()) return;
    d_image = surfaceImage(d_lock);
    d_painter.begin(&d_image);
}

SurfaceDeviceContext::~SurfaceDeviceContext() {
    // The painter lets go of the view before the memory is unlocked.
    if (d_painter.isActive()) d_painter.end();
    settleVectorRegisters();
}
