#include "display_direct_x.h"

#include "message_box.h"
#include "precondition.h"
#include "surface_image.h"
#include "tool_drawing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int MAX_INTENSITY = 127;
// Qt's 32-bit form wants 0xFF in the byte a 32-bit surface leaves unused: every value written
// carries it, so that the presented picture is a valid image as it stands. Smaller pixels
// drop it.
constexpr std::uint32_t QT_OPAQUE = 0xFF000000;
constexpr std::uint32_t OPAQUE_BLACK = QT_OPAQUE;

std::uint32_t stored(int colour) { return static_cast<std::uint32_t>(colour) | QT_OPAQUE; }
constexpr SurfaceRect ONE_PIXEL{0, 0, 1, 1};

template <int SIZE>
void storePixel(unsigned char* p, std::uint32_t value) {
    if constexpr (SIZE == 4) {
        std::memcpy(p, &value, 4);
    } else if constexpr (SIZE == 2) {
        const auto v = static_cast<std::uint16_t>(value);
        std::memcpy(p, &v, 2);
    } else {
        p[0] = static_cast<unsigned char>(value);
        p[1] = static_cast<unsigned char>(value >> 8);
        p[2] = static_cast<unsigned char>(value >> 16);
    }
}

// Direct writes with the address and pitch of a held lock; runs are clipped to the surface.
template <int SIZE>
class LockedWriter {
public:
    explicit LockedWriter(const SurfaceLock& lock)
        : d_bits(lock.bits()), d_pitch(lock.pitch()), d_width(lock.surface()->width()),
          d_height(lock.surface()->height()) {}

    // The run from (x0, y0) to (x1, y1), both ends included, along a row (y0 == y1) or a
    // column (x0 == x1).
    void run(int x0, int y0, int x1, int y1, std::uint32_t value) {
        const std::ptrdiff_t pitch = d_pitch;
        if (y0 == y1) {
            if (y0 < 0 || y0 >= d_height) return;
            x0 = std::max(x0, 0);
            x1 = std::min(x1, d_width - 1);
            unsigned char* p = d_bits + y0 * pitch + x0 * SIZE;
            for (int x = x0; x <= x1; ++x, p += SIZE) storePixel<SIZE>(p, value);
            return;
        }
        if (x0 < 0 || x0 >= d_width) return;
        y0 = std::max(y0, 0);
        y1 = std::min(y1, d_height - 1);
        unsigned char* p = d_bits + y0 * pitch + x0 * SIZE;
        for (int y = y0; y <= y1; ++y, p += pitch) storePixel<SIZE>(p, value);
    }

private:
    unsigned char* d_bits;
    int d_pitch;
    int d_width;
    int d_height;
};

template <int SIZE>
void writeGrid(const SurfaceLock& lock, int w, int h, bool gridOn, bool crossOn, bool boundaryOn,
               std::uint32_t colour) {
    LockedWriter<SIZE> px(lock);
    forEachGridRun(w, h, gridOn, crossOn, boundaryOn, true,
                   [&](bool, int x0, int y0, int x1, int y1) { px.run(x0, y0, x1, y1, colour); });
}

template <int SIZE, class Row>
void writeTrace(const SurfaceLock& lock, int w, int h, const unsigned char* image,
                const std::array<std::uint32_t, 256>& lut, Row row) {
    // The address and pitch held by the plot itself: the byte stores could alias a writer's
    // members, which would then be read again per pixel.
    auto plot = [bits = lock.bits(), pitch = static_cast<std::ptrdiff_t>(lock.pitch()), &lut](
                    int x, int y, unsigned char level) { storePixel<SIZE>(bits + y * pitch + x * SIZE, lut[level]); };
    forEachTracePixel(image, w, h, plot, row);
}

// Calls f.template operator()<SIZE>() with the pixel size of `format`.
template <class F>
void withPixelSize(SurfaceFormat format, F&& f) {
    switch (bytesPerPixel(format)) {
    case 4: f.template operator()<4>(); break;
    case 3: f.template operator()<3>(); break;
    default: f.template operator()<2>(); break;
    }
}

} // namespace

DisplayDirectX::DisplayDirectX(ScreenMode screen)
    : d_screen(screen), d_format(surfaceFormatOf(screen).value_or(_SURFACE_32BIT)) {}

DisplayDirectX::~DisplayDirectX() { release(); }

std::array<std::uint32_t, 5> DisplayDirectX::markerColours(SurfaceFormat format) {
    return {packRgb(format, 0, 255, 0), packRgb(format, 255, 255, 0), packRgb(format, 255, 0, 0),
            packRgb(format, 0, 255, 255), packRgb(format, 255, 128, 0)};
}

void DisplayDirectX::init(int x_, int y_) {
    require(x_ > 0, "x_ > 0", "form\\display_direct_x", __LINE__);
    require(y_ > 0, "y_ > 0", "form\\display_direct_x", __LINE__);
    initSize(x_, y_);
    const std::optional<SurfaceFormat> format = surfaceFormatOf(d_screen);
    if (!format) {
        showMessage("This program is not supported in 16 or 256 color mode.");
        // At once: destructors of the toolkit's globals must not run under a live application.
        std::fflush(nullptr);
        std::_Exit(0);
    }
    d_format = *format;
    makePrimary(d_imageWidth, d_imageHeight);
    p_background = std::make_unique<SoftwareSurface>(d_imageWidth, d_imageHeight, d_format);
    p_background->fill(OPAQUE_BLACK);
    d_rows.assign(static_cast<std::size_t>(p_background->height()), 0);
    d_blackRow.assign(static_cast<std::size_t>(p_background->width() * bytesPerPixel(d_format)), 0);
    withPixelSize(d_format, [&]<int SIZE>() {
        for (std::size_t b = 0; b < d_blackRow.size(); b += SIZE) storePixel<SIZE>(d_blackRow.data() + b, OPAQUE_BLACK);
    });
    d_clearPending = false;
    d_gridKey.reset();
    p_grid = std::make_unique<SoftwareSurface>(d_imageWidth, d_imageHeight, d_format);
    p_grid->fill(OPAQUE_BLACK);
    p_pixel = std::make_unique<SoftwareSurface>(1, 1, d_format);
    d_markerColours = markerColours(d_format);
}

void DisplayDirectX::makePrimary(int width, int height) {
    d_primaryView = QImage();
    p_primary = std::make_unique<SoftwareSurface>(width, height, d_format);
    p_primary->fill(OPAQUE_BLACK);
    // The clipper of the paint box the primary stands for.
    p_primary->setClipper(p_primary->bounds());
    const PixelView v = p_primary->view();
    d_primaryView = QImage(v.bits, v.width, v.height, v.pitch, qImageFormat(v.format));
}

void DisplayDirectX::release() {
    d_primaryView = QImage();
    p_primary.reset();
    p_background.reset();
    p_grid.reset();
    p_pixel.reset();
    d_rows.clear();
    d_blackRow.clear();
    d_clearPending = false;
    d_gridKey.reset();
    releaseTable();
}

void DisplayDirectX::drawGrid(bool gridOn, bool crossOn, bool boundaryOn, int colour) {
    if (!p_background) return;
    SurfaceLock lock = p_background->lock();
    if (!lock.valid()) return;
    const std::uint32_t c = stored(colour);
    const GridKey key{gridOn, crossOn, boundaryOn, c};
    const bool sameGrid = d_gridKey == key;
    for (std::size_t y = 0; y < d_rows.size(); ++y) {
        unsigned char& r = d_rows[y];
        if (r & ROW_PENDING) {
            // A row of the same grid alone is what the clear and this grid would make of it.
            if (sameGrid && (r & ROW_GRID))
                r &= ~ROW_PENDING;
            else
                fillRow(lock, static_cast<int>(y));
        }
        const bool gridAlone = !(r & ROW_DRAWN) || (sameGrid && (r & ROW_GRID));
        r = ROW_DRAWN | (gridAlone ? ROW_GRID : 0);
    }
    d_clearPending = false;
    d_gridKey = key;
    withPixelSize(d_format,
                  [&]<int SIZE>() { writeGrid<SIZE>(lock, d_width, d_height, gridOn, crossOn, boundaryOn, c); });
}

void DisplayDirectX::drawChannel(int type, const unsigned char* image) {
    // Before the first capture a trace may have no image yet.
    if (!p_background || !p_tableColor || image == nullptr) return;
    // Levels above 127 (never produced) show at full intensity rather than read past the table.
    std::array<std::uint32_t, 256> lut;
    for (int level = 0; level < 256; ++level)
        lut[level] = stored(p_tableColor->get(type, std::min(level, MAX_INTENSITY)));
    SurfaceLock lock = p_background->lock();
    if (!lock.valid()) return;
    auto row = [&](int y) {
        if (d_rows[static_cast<std::size_t>(y)] & ROW_PENDING) fillRow(lock, y);
        d_rows[static_cast<std::size_t>(y)] = ROW_DRAWN;
    };
    withPixelSize(d_format, [&]<int SIZE>() { writeTrace<SIZE>(lock, d_width, d_height, image, lut, row); });
}

void DisplayDirectX::drawLabels() {
    if (!p_background || d_context.labels.empty()) return;
    drawOver();
    SurfaceDeviceContext dc(*p_background);
    if (!dc.valid()) return;
    beginToolText(dc.painter());
    drawLabelTexts(dc.painter(), d_context.labels);
}

void DisplayDirectX::drawCursors(int source) {
    if (!p_background || !p_tableColor) return;
    if (!cursorsShown(d_context.selectedObject)) return;
    const auto c = static_cast<std::uint32_t>(p_tableColor->get(source, MAX_INTENSITY));
    for (const CursorLine& line : cursorLines(d_context.cursorA, d_context.cursorB)) {
        if (line.horizontal)
            horizontalLine(c, line.position, line.solid);
        else
            verticalLine(c, line.position, line.solid);
    }
}

void DisplayDirectX::drawHorizontalLine(int colour, int row, int solid) {
    if (!p_background) return;
    horizontalLine(static_cast<std::uint32_t>(colour), row, solid != 0);
}

void DisplayDirectX::drawVerticalLine(int colour, int column, int solid) {
    if (!p_background) return;
    verticalLine(static_cast<std::uint32_t>(colour), column, solid != 0);
}

void DisplayDirectX::horizontalLine(std::uint32_t colour, int row, bool solid) {
    toolLine(colour, horizontalToolLine(LinePlacement::Surface, row, solid, d_width));
}

void DisplayDirectX::verticalLine(std::uint32_t colour, int column, bool solid) {
    toolLine(colour, verticalToolLine(LinePlacement::Surface, column, solid, d_height));
}

void DisplayDirectX::toolLine(std::uint32_t colour, const ToolLine& line) {
    const int across = line.horizontal ? d_imageHeight : d_imageWidth;
    if (line.at < 0 || line.at >= across) return;
    drawOver();
    setPixelColour(colour);
    forEachLineRun(line, [&](int first, int last) {
        for (int along = first; along <= last; ++along) line.horizontal ? plot(along, line.at) : plot(line.at, along);
    });
}

void DisplayDirectX::setPixelColour(std::uint32_t colour) { p_pixel->fill(colour | QT_OPAQUE); }

void DisplayDirectX::plot(int x, int y) {
    if (x < 0 || y < 0 || x >= d_imageWidth || y >= d_imageHeight) return;
    p_background->blitFast(x, y, *p_pixel, ONE_PIXEL);
}

void DisplayDirectX::glyph(const GlyphPlacement& p, std::uint32_t colour) {
    drawOver();
    setPixelColour(colour);
    for (int r = 0; r < GLYPH_SIZE; ++r)
        for (int k = 0; k < GLYPH_SIZE; ++k)
            if (p.glyph[r * GLYPH_SIZE + k]) plot(p.x + k, p.y + r);
}

void DisplayDirectX::clear() {
    if (!p_background) return;
    // The fill follows row by row (fillRow).
    d_clearPending = true;
    for (unsigned char& r : d_rows) r |= ROW_PENDING;
}

void DisplayDirectX::fillRow(const SurfaceLock& lock, int y) const {
    std::memcpy(lock.bits() + static_cast<std::ptrdiff_t>(y) * lock.pitch(), d_blackRow.data(), d_blackRow.size());
    d_rows[static_cast<std::size_t>(y)] = 0;
}

void DisplayDirectX::finishClear() const {
    if (!d_clearPending || !p_background) return;
    SurfaceLock lock = p_background->lock();
    if (!lock.valid()) return;
    for (std::size_t y = 0; y < d_rows.size(); ++y)
        if (d_rows[y] & ROW_PENDING) fillRow(lock, static_cast<int>(y));
    d_clearPending = false;
}

void DisplayDirectX::drawOver() {
    finishClear();
    std::fill(d_rows.begin(), d_rows.end(), ROW_DRAWN);
}

void DisplayDirectX::drawInfoText() {
    if (!p_background) return;
    drawChannelMarkers();
    drawTriggerLevelMarker();
    drawTriggerPositionMarker();
    drawOver();
    SurfaceDeviceContext dc(*p_background);
    if (!dc.valid()) return;
    beginToolText(dc.painter());
    for (const DisplayText& t : infoTexts()) drawOpaqueText(dc.painter(), t.x, t.y, t.text, t.colour, t.background);
}

void DisplayDirectX::drawChannelMarkers() {
    if (!p_background) return;
    for (int trace = 1; trace <= 4; ++trace)
        if (d_context.channelOn[trace - 1]) glyph(channelMarker(trace), d_markerColours[trace - 1]);
}

void DisplayDirectX::drawTriggerLevelMarker() {
    if (!p_background) return;
    glyph(triggerLevelMarker(), d_markerColours[d_context.triggerSource == 1 ? CH1_MARKER : CH2_MARKER]);
}

void DisplayDirectX::drawTriggerPositionMarker() {
    if (!p_background) return;
    glyph(triggerPositionMarker(), d_markerColours[POSITION_MARKER]);
}

QImage DisplayDirectX::present() {
    if (!p_background) return {};
    if (p_primary->width() != d_imageWidth || p_primary->height() != d_imageHeight)
        makePrimary(d_imageWidth, d_imageHeight);
    finishClear();
    p_primary->blit(p_primary->bounds(), *p_background, p_background->bounds());
    return primaryImage();
}

QImage DisplayDirectX::present(const QImage& frame, int width, int height) {
    if (!p_primary || frame.isNull() || frame.format() != qImageFormat(d_format) || width <= 0 || height <= 0)
        return {};
    if (p_primary->width() != width || p_primary->height() != height) makePrimary(width, height);
    p_primary->blit(p_primary->bounds(), pixelView(frame), {0, 0, frame.width(), frame.height()});
    return primaryImage();
}

const SoftwareSurface* DisplayDirectX::background() const {
    finishClear();
    return p_background.get();
}

QImage DisplayDirectX::primaryImage() const { return p_primary ? d_primaryView : QImage(); }
