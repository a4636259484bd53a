#include "display_gdi.h"

#include "precondition.h"
#include "tool_drawing.h"

#include <QPainter>

#include <algorithm>
#include <array>

namespace {

const std::array<int, 4> GDI_TRACE_COLOURS = {GDI_GREEN, GDI_YELLOW, GDI_RED, GDI_CYAN};

int traceColour(int trace) { return trace >= 1 && trace <= 4 ? GDI_TRACE_COLOURS[trace - 1] : GDI_WHITE; }

// Direct pixel writes into a Format_RGB32 image, clipped to it. Made under the image lock
// for one operation; its pointer is not kept beyond it.
class PixelWriter {
public:
    explicit PixelWriter(QImage& image)
        : d_bits(image.bits()), d_stride(image.bytesPerLine()), d_width(image.width()), d_height(image.height()) {}

    QRgb* row(int y) { return reinterpret_cast<QRgb*>(d_bits + y * d_stride); }

    void plot(int x, int y, QRgb c) {
        if (x >= 0 && x < d_width && y >= 0 && y < d_height) row(y)[x] = c;
    }
    // Columns x0..x1 of row y, both ends included.
    void horizontalRun(int y, int x0, int x1, QRgb c) {
        if (y < 0 || y >= d_height) return;
        x0 = std::max(x0, 0);
        x1 = std::min(x1, d_width - 1);
        QRgb* r = row(y);
        for (int x = x0; x <= x1; ++x) r[x] = c;
    }
    // Rows y0..y1 of column x, both ends included.
    void verticalRun(int x, int y0, int y1, QRgb c) {
        if (x < 0 || x >= d_width) return;
        y0 = std::max(y0, 0);
        y1 = std::min(y1, d_height - 1);
        for (int y = y0; y <= y1; ++y) row(y)[x] = c;
    }
    void glyph(const GlyphPlacement& p, QRgb c) {
        for (int r = 0; r < GLYPH_SIZE; ++r)
            for (int k = 0; k < GLYPH_SIZE; ++k)
                if (p.glyph[r * GLYPH_SIZE + k]) plot(p.x + k, p.y + r, c);
    }

private:
    uchar* d_bits;
    qsizetype d_stride;
    int d_width;
    int d_height;
};

} // namespace

DisplayGDI::~DisplayGDI() { release(); }

void DisplayGDI::init(int x_, int y_) {
    require(x_ > 0, "x_ > 0", "form\\display_gdi", __LINE__);
    require(y_ > 0, "y_ > 0", "form\\display_gdi", __LINE__);
    std::lock_guard lock(d_imageLock);
    initSize(x_, y_);
    d_image = QImage(d_imageWidth, d_imageHeight, QImage::Format_RGB32);
    d_image.fill(toRgb(GDI_BLACK));
}

void DisplayGDI::release() {
    std::lock_guard lock(d_imageLock);
    d_image = QImage();
    releaseTable();
}

QImage DisplayGDI::image() const {
    std::lock_guard lock(d_imageLock);
    return d_image;
}

void DisplayGDI::drawGrid(bool gridOn, bool crossOn, bool boundaryOn, int colour) {
    std::lock_guard lock(d_imageLock);
    if (d_image.isNull()) return;
    const QRgb c = toRgb(colour);
    drawGridPixels(d_image, 0, 0, d_width, d_height, gridOn, crossOn, boundaryOn, c, c);
}

void drawGridPixels(QImage& image, int x0, int y0, int w, int h, bool gridOn, bool crossOn, bool boundaryOn, QRgb frame,
                    QRgb grid) {
    PixelWriter px(image);
    auto run = [&](bool isFrame, int ax, int ay, int bx, int by) {
        const QRgb c = isFrame ? frame : grid;
        if (ay == by)
            px.horizontalRun(y0 + ay, x0 + ax, x0 + bx, c);
        else
            px.verticalRun(x0 + ax, y0 + ay, y0 + by, c);
    };
    forEachGridRun(w, h, gridOn, crossOn, boundaryOn, false, run);
}

void DisplayGDI::drawChannel(int type, const unsigned char* image) {
    std::lock_guard lock(d_imageLock);
    // Before the first capture a trace may have no image yet.
    if (image == nullptr || d_image.isNull() || !p_tableColor) return;

    // The type's colours as pixels, once per call; levels above 127 (never produced) are
    // shown at full intensity rather than read past the table.
    std::array<QRgb, 256> lut;
    for (int level = 0; level < 256; ++level)
        lut[level] = toRgb(p_tableColor->get(type, std::min(level, TableColor::TABLE_SIZE - 1)));

    PixelWriter px(d_image);
    forEachTracePixel(image, d_width, d_height, [&](int x, int y, unsigned char level) { px.row(y)[x] = lut[level]; });
}

void DisplayGDI::drawLabels() {
    std::lock_guard lock(d_imageLock);
    if (d_image.isNull() || d_context.labels.empty()) return;
    {
        QPainter painter(&d_image);
        beginToolText(painter);
        drawLabelTexts(painter, d_context.labels);
    }
    settleVectorRegisters();
}

void DisplayGDI::drawCursors(int source) {
    std::lock_guard lock(d_imageLock);
    if (d_image.isNull()) return;
    if (!cursorsShown(d_context.selectedObject)) return;
    const QRgb c = toRgb(traceColour(source));
    for (const CursorLine& line : cursorLines(d_context.cursorA, d_context.cursorB)) {
        if (line.horizontal)
            horizontalLine(c, line.position, line.solid);
        else
            verticalLine(c, line.position, line.solid);
    }
}

void DisplayGDI::drawHorizontalLine(int colour, int row, int solid) {
    std::lock_guard lock(d_imageLock);
    if (d_image.isNull()) return;
    horizontalLine(toRgb(colour), row, solid != 0);
}

void DisplayGDI::drawVerticalLine(int colour, int column, int solid) {
    std::lock_guard lock(d_imageLock);
    if (d_image.isNull()) return;
    verticalLine(toRgb(colour), column, solid != 0);
}

void DisplayGDI::horizontalLine(QRgb colour, int row, bool solid) {
    PixelWriter px(d_image);
    const ToolLine line = horizontalToolLine(LinePlacement::Gdi, row, solid, d_width);
    forEachLineRun(line, [&](int first, int last) { px.horizontalRun(line.at, first, last, colour); });
}

void DisplayGDI::verticalLine(QRgb colour, int column, bool solid) {
    PixelWriter px(d_image);
    const ToolLine line = verticalToolLine(LinePlacement::Gdi, column, solid, d_height);
    forEachLineRun(line, [&](int first, int last) { px.verticalRun(line.at, first, last, colour); });
}

void DisplayGDI::clear() {
    std::lock_guard lock(d_imageLock);
    if (d_image.isNull()) return;
    d_image.fill(toRgb(GDI_BLACK));
    settleVectorRegisters();
}

void DisplayGDI::drawInfoText() {
    std::lock_guard lock(d_imageLock);
    if (d_image.isNull()) return;
    {
        QPainter painter(&d_image);
        beginToolText(painter);
        for (const DisplayText& t : infoTexts()) drawOpaqueText(painter, t.x, t.y, t.text, t.colour, t.background);
    }
    settleVectorRegisters();
}

void DisplayGDI::drawChannelMarkers() {
    std::lock_guard lock(d_imageLock);
    if (d_image.isNull()) return;
    PixelWriter px(d_image);
    for (int trace = 1; trace <= 4; ++trace)
        if (d_context.channelOn[trace - 1]) px.glyph(channelMarker(trace), toRgb(GDI_TRACE_COLOURS[trace - 1]));
}

void DisplayGDI::drawTriggerLevelMarker() {
    std::lock_guard lock(d_imageLock);
    if (d_image.isNull()) return;
    PixelWriter px(d_image);
    px.glyph(triggerLevelMarker(), toRgb(d_context.triggerSource == 1 ? GDI_GREEN : GDI_YELLOW));
}

void DisplayGDI::drawTriggerPositionMarker() {
    std::lock_guard lock(d_imageLock);
    if (d_image.isNull()) return;
    PixelWriter px(d_image);
    px.glyph(triggerPositionMarker(), toRgb(GDI_ORANGE));
}
