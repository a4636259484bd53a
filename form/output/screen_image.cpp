#include "screen_image.h"

#include "acquisition_thread.h"
#include "bmp_writer.h"
#include "control_facade.h"
#include "display_gdi.h"
#include "table_color.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

// Font pixel sizes of the picture's texts: the canvas default (8 pt), the date (9 pt), the
// labels (11 pt) and the title (15 pt, bold), at 96 dots per inch.
constexpr int NORMAL_TEXT_PIXELS = 11;
constexpr int DATE_TEXT_PIXELS = 12;
constexpr int LABEL_TEXT_PIXELS = 15;
constexpr int TITLE_TEXT_PIXELS = 20;

constexpr int COLOUR_MARKER_OFFSET = 21; // marker images start this far left of the display
constexpr int BW_MARKER_OFFSET = 26;
constexpr int DOT_RUN = 3; // cursor B: runs of 3 pixels, gaps of 3

constexpr int GDI_SILVER = 0xC0C0C0;

const QRgb WHITE = qRgb(255, 255, 255);
const QRgb BLACK = qRgb(0, 0, 0);

// Colours of one of the four schemes.
struct Scheme {
    bool colour = true;    // ColorGrayMode
    bool inverted = false; // BackgroundInvert
    QRgb frame = 0;
    QRgb grid = 0;
    QRgb cursor = 0;
};

Scheme schemeFor(const Environment& env, int measureSource) {
    Scheme s;
    s.colour = env.ColorGrayMode;
    s.inverted = env.BackgroundInvert;
    if (s.colour) {
        s.frame = DisplayGDI::toRgb(GDI_SILVER);
        s.grid = DisplayGDI::toRgb(env.GridOriginColor);
        const int source = measureSource == 1   ? GDI_GREEN
                           : measureSource == 2 ? GDI_YELLOW
                           : measureSource == 3 ? GDI_RED
                                                : GDI_WHITE;
        s.cursor = DisplayGDI::toRgb(source);
    } else {
        s.frame = s.grid = s.cursor = s.inverted ? BLACK : WHITE;
    }
    return s;
}

// Truncation toward zero, held inside the picture's reach for absurd values.
int toImagePixel(double v) {
    if (!(v == v)) return 0;
    return static_cast<int>(std::clamp(v, -1e6, 1e6));
}

QFont pictureFont(int pixels, bool bold = false) {
    QFont font; // the application's default family
    font.setPixelSize(pixels);
    font.setBold(bold);
    // Hard-edged glyphs keep the 8-bit and two-colour forms of the picture clean.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// Text on an opaque cell in `background`, the cell's top-left corner at (left, top).
void drawCellText(QPainter& painter, int left, int top, const std::string& text, QRgb colour, QRgb background) {
    if (text.empty()) return;
    const QString s = QString::fromStdString(text);
    const QFontMetrics fm = painter.fontMetrics();
    painter.fillRect(left, top, fm.horizontalAdvance(s), fm.height(), QColor::fromRgb(background));
    painter.setPen(QColor::fromRgb(colour));
    painter.drawText(left, top + fm.ascent(), s);
}

void plotRun(QImage& canvas, int x, int y, QRgb c) {
    if (x >= 0 && y >= 0 && x < canvas.width() && y < canvas.height()) canvas.setPixel(x, y, c);
}

// A cursor line from (x, y) over `length` pixels (the end point excluded, as a line is drawn
// to a point), solid or dotted.
void cursorLine(QImage& canvas, int x, int y, int length, bool horizontal, bool solid, QRgb c) {
    for (int i = 0; i < length; ++i) {
        if (!solid && (i / DOT_RUN) % 2 != 0) continue;
        plotRun(canvas, horizontal ? x + i : x, horizontal ? y : y + i, c);
    }
}

// Built-in marker images, for a main window that gives none: a tag in the trace's colour
// (black outline on white in black and white) pointing at the display, with the trace's
// name in it.
QImage builtInChannelMarker(int trace, bool colour) {
    static const char* const NAMES[4] = {"1", "2", "M", "R"};
    static constexpr int COLOURS[4] = {GDI_GREEN, GDI_YELLOW, GDI_RED, GDI_CYAN};
    const int width = colour ? COLOUR_MARKER_OFFSET - 1 : BW_MARKER_OFFSET - 1;
    QImage image(width, 15, QImage::Format_RGB32);
    image.fill(WHITE);
    QPainter p(&image);
    QPainterPath tag;
    tag.moveTo(0, 0);
    tag.lineTo(width - 8, 0);
    tag.lineTo(width - 1, 7);
    tag.lineTo(width - 8, 14);
    tag.lineTo(0, 14);
    tag.closeSubpath();
    p.setPen(QColor::fromRgb(colour ? DisplayGDI::toRgb(COLOURS[trace - 1]) : BLACK));
    p.setBrush(QColor::fromRgb(colour ? DisplayGDI::toRgb(COLOURS[trace - 1]) : WHITE));
    p.drawPath(tag);
    p.setFont(pictureFont(NORMAL_TEXT_PIXELS, true));
    p.setPen(QColor::fromRgb(BLACK));
    p.drawText(QRect(1, 0, width - 8, 15), Qt::AlignCenter, NAMES[trace - 1]);
    return image;
}

QImage builtInTriggerMarker(bool colour) {
    QImage image(15, 10, QImage::Format_RGB32);
    image.fill(WHITE);
    const QRgb c = colour ? DisplayGDI::toRgb(GDI_ORANGE) : BLACK;
    // A downward triangle whose tip (column 7, last row) points at the trigger column.
    for (int row = 0; row < 8; ++row)
        for (int x = row; x < 15 - row; ++x) image.setPixel(x, row + 2, c);
    return image;
}

std::tm systemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

} // namespace

ScreenKernelValues readScreenKernelValues() {
    ScreenKernelValues k;
    k.displayWidth = controlGetDisplayWidth();
    k.displayHeight = controlGetDisplayHeight();
    for (int trace = 1; trace <= 4; ++trace) {
        k.channelOn[trace - 1] = controlGetChannelOnOff(trace);
        k.voltageOffset[trace - 1] = controlGetVoltageOffset(trace);
    }
    k.coupling = {controlGetChannelCoupling(1), controlGetChannelCoupling(2)};
    k.mathOperation = controlGetMathOperation();
    k.horizontalPosition = controlGetHorizontalPosition();
    k.timeDiv = controlGetTimeDiv();
    return k;
}

ScreenSnapshot capture_screen_snapshot(const ScreenImageSource& source) {
    ScreenSnapshot snap;
    // No cycle may replace the images, or change the settings, while they are copied.
    snap.taken = pauseStandard(processGuiEventsExceptInput, [&] {
        snap.kernel = source.kernelValues ? source.kernelValues() : readScreenKernelValues();
        const std::size_t size = static_cast<std::size_t>(std::max(snap.kernel.displayWidth, 0)) *
                                 static_cast<std::size_t>(std::max(snap.kernel.displayHeight, 0));
        for (int t = 0; t < 4; ++t) {
            const unsigned char* image = source.displayBufferSlot[t] ? *source.displayBufferSlot[t] : nullptr;
            if (snap.kernel.channelOn[t] && image != nullptr) snap.images[t].assign(image, image + size);
        }
    });
    return snap;
}

QPoint prepare_screen_bitmap(QImage& bitmap, const ScreenImageSource& source, const ScreenSnapshot& snapshot, int x0,
                             int y0) {
    const PictureLayout layout =
        pictureLayout(*source.environment, snapshot.kernel, source.texts.measureWindowVisible, x0, y0);
    bitmap = QImage(layout.width, layout.height, QImage::Format_RGB32);
    bitmap.fill(WHITE);
    return {layout.x0, layout.y0};
}

void draw_trace_raster(int trace, QImage& canvas, const ScreenImageSource& source, const ScreenSnapshot& snapshot,
                       QPoint origin) {
    if (trace < 1 || trace > 4) return;
    const std::vector<unsigned char>& image = snapshot.images[trace - 1];
    const int w = snapshot.kernel.displayWidth;
    const int h = snapshot.kernel.displayHeight;
    if (w <= 0 || h <= 0 || image.size() < static_cast<std::size_t>(w) * h) return;

    const Environment& env = *source.environment;
    std::array<QRgb, TableColor::TABLE_SIZE> colours;
    if (env.ColorGrayMode) {
        // The export colours depend on the options only: the same as the main window's table.
        TableColor table;
        const bool track = (trace == 1 && env.ColorOnOffCh1) || (trace == 2 && env.ColorOnOffCh2);
        table.buildExportBank(trace, env.ColorStartPos, track);
        for (int level = 0; level < TableColor::TABLE_SIZE; ++level)
            colours[level] = DisplayGDI::toRgb(table.getExportColor(trace, level));
    } else {
        for (int level = 0; level < TableColor::TABLE_SIZE; ++level)
            colours[level] = env.BackgroundInvert ? qRgb(128 - level, 128 - level, 128 - level) : WHITE;
    }

    for (int i = 0; i < h; ++i) { // image row 0 is the bottom
        const int y = origin.y() + h - i;
        if (y < 0 || y >= canvas.height()) continue;
        const unsigned char* row = image.data() + static_cast<std::size_t>(i) * w;
        for (int j = 0; j < w; ++j) {
            const int level = std::min<int>(row[j], TableColor::TABLE_SIZE - 1);
            if (level != 0) plotRun(canvas, origin.x() + j, y, colours[level]);
        }
    }
}

void draw_screen_labels(QImage& canvas, const Environment& environment, QPoint origin) {
    if (environment.labelList.empty()) return;
    QPainter painter(&canvas);
    painter.setFont(pictureFont(LABEL_TEXT_PIXELS));
    for (const LabelListName& label : environment.labelList) {
        QRgb text = DisplayGDI::toRgb(label.textColor);
        QRgb background = DisplayGDI::toRgb(label.backgroundColor);
        if (!environment.ColorGrayMode) {
            text = environment.BackgroundInvert ? BLACK : WHITE;
            background = environment.BackgroundInvert ? WHITE : BLACK;
        }
        drawCellText(painter, origin.x() + label.x, origin.y() + label.y, label.text, text, background);
    }
}

bool render_screen(QImage& canvas, const ScreenImageSource& source, const ScreenSnapshot& snapshot, QPoint origin) {
    const Environment& env = *source.environment;
    const ScreenKernelValues& k = snapshot.kernel;
    const Scheme scheme = schemeFor(env, source.measureSource);
    const int x0 = origin.x();
    const int y0 = origin.y();
    const int w = k.displayWidth;
    const int h = k.displayHeight;

    // Background: black unless inverted; the rest keeps the bitmap's white.
    if (!env.BackgroundInvert) {
        QPainter painter(&canvas);
        painter.fillRect(x0, y0, w, h, QColor::fromRgb(BLACK));
    }

    // Traces and their ground-level markers.
    for (int trace = 1; trace <= 4; ++trace) {
        if (!k.channelOn[trace - 1]) continue;
        draw_trace_raster(trace, canvas, source, snapshot, origin);
        const QImage& given = scheme.colour ? source.markerColour[trace - 1] : source.markerBlackWhite[trace - 1];
        const QImage marker = given.isNull() ? builtInChannelMarker(trace, scheme.colour) : given;
        const int x = x0 - (scheme.colour ? COLOUR_MARKER_OFFSET : BW_MARKER_OFFSET);
        const int y = toImagePixel(h - k.voltageOffset[trace - 1] + y0 - 7);
        QPainter(&canvas).drawImage(x, y, marker);
    }

    // Trigger position above the display.
    {
        const QImage& given = scheme.colour ? source.triggerPositionColour : source.triggerPositionBlackWhite;
        const QImage marker = given.isNull() ? builtInTriggerMarker(scheme.colour) : given;
        const int t = triggerMarkerColumn(k.horizontalPosition, w);
        QPainter(&canvas).drawImage(x0 + t - 7, y0 - 10, marker);
    }

    drawGridPixels(canvas, x0, y0, w, h, env.GridOnOff, env.CrossOnOff, env.BoundaryOnOff, scheme.frame, scheme.grid);

    // Cursors sit exactly on their coordinates: A solid, B dotted.
    if (env.selectedObject >= FIRST_CURSOR_OBJECT && env.selectedObject <= LAST_CURSOR_OBJECT) {
        cursorLine(canvas, x0, y0 + env.cursorA.y, w, true, true, scheme.cursor);
        cursorLine(canvas, x0 + env.cursorA.x, y0, h, false, true, scheme.cursor);
        cursorLine(canvas, x0, y0 + env.cursorB.y, w, true, false, scheme.cursor);
        cursorLine(canvas, x0 + env.cursorB.x, y0, h, false, false, scheme.cursor);
    }

    // Texts: black on white cells.
    {
        const PictureLayout layout{canvas.width(), canvas.height(), x0, y0};
        const std::tm now = source.localTime ? source.localTime() : systemLocalTime();
        QPainter painter(&canvas);
        for (const PictureText& text : pictureTexts(env, layout, k, source.texts, now)) {
            switch (text.font) {
            case TextFont::Normal: painter.setFont(pictureFont(NORMAL_TEXT_PIXELS)); break;
            case TextFont::Date: painter.setFont(pictureFont(DATE_TEXT_PIXELS)); break;
            case TextFont::Title: painter.setFont(pictureFont(TITLE_TEXT_PIXELS, true)); break;
            }
            const int width = painter.fontMetrics().horizontalAdvance(QString::fromStdString(text.text));
            const int left = text.align == TextAlign::Left     ? text.x
                             : text.align == TextAlign::Centre ? text.x - width / 2
                                                               : text.x - width;
            drawCellText(painter, left, text.y, text.text, BLACK, WHITE);
        }
    }

    draw_screen_labels(canvas, env, origin);
    return true;
}

QImage compose_screen_picture(const ScreenImageSource& source) {
    const ScreenSnapshot snapshot = capture_screen_snapshot(source);
    if (!snapshot.taken) return {};
    QImage picture;
    const QPoint origin = prepare_screen_bitmap(picture, source, snapshot);
    render_screen(picture, source, snapshot, origin);
    return picture;
}

QImage compose_print_picture(const ScreenImageSource& source) {
    QImage picture = compose_screen_picture(source);
    if (picture.isNull() || source.environment->ColorGrayMode) return picture;
    const IndexedPicture mono = reduceToMonochrome(toRgbPicture(picture));
    QImage out(mono.width, mono.height, QImage::Format_Mono);
    out.setColorTable({BLACK, WHITE});
    for (int y = 0; y < mono.height; ++y)
        for (int x = 0; x < mono.width; ++x)
            out.setPixel(x, y, mono.indices[static_cast<std::size_t>(y) * mono.width + x]);
    return out;
}
