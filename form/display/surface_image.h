#pragma once
// The windowing side of the software surfaces (software_surface.h): QImage views of their
// memory, the device context through which text is drawn into a surface, and the screen's
// mode as the desktop reports it.

#include "software_surface.h"

#include <QImage>
#include <QPainter>

#include <optional>

class QScreen;

// The QImage format that lays pixels out as `format` does: Format_RGB32, Format_BGR888,
// Format_RGB16, Format_RGB555.
QImage::Format qImageFormat(SurfaceFormat format);
// The surface format of an image of one of those four formats; nothing for any other.
std::optional<SurfaceFormat> surfaceFormatOf(QImage::Format format);

// A QImage over the memory of a held lock (no copy): valid while the lock is held, writable.
// Null for an invalid lock.
QImage surfaceImage(const SurfaceLock& lock);
// The pixels of an image as a blit source (no copy); bits null when the image is null or of
// another format. Valid while the image lives unchanged.
PixelView pixelView(const QImage& image);

// The screen's mode: a depth of 24 or 32 is shown by 32-bit pixels, 16 by 5:6:5 and 15 by
// 5:5:5 pixels; a lower depth is reported as it is. Without a screen, a 32-bit one.
ScreenMode screenModeOf(const QScreen* screen);

// The device context of a surface: holds its lock and a painter on a view of its memory for
// as long as the object lives. valid() is false when the surface was locked already; nothing
// may then be drawn.
class SurfaceDeviceContext {
public:
    explicit SurfaceDeviceContext(SoftwareSurface& surface);
    ~SurfaceDeviceContext();
    SurfaceDeviceContext(const SurfaceDeviceContext&) = delete;
    SurfaceDeviceContext& operator=(const SurfaceDeviceContext&) = delete;

    bool valid() const { return d_lock.valid(); }
    // Only when valid().
    QPainter& painter() { return d_painter; }

private:
    SurfaceLock d_lock;
    QImage d_image;
    QPainter d_painter;
};
