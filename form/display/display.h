#pragma once
// The contract every display renderer meets. The display area is width x height pixels
// (500 x 400: 10 x 8 divisions of 50); the drawing surface has one more column and row, so
// columns 0..width and rows 0..height exist. Screen x runs right from column 0, screen y
// down from row 0. Whatever falls outside the surface is clipped.
//
// The renderer reads the kernel, Environment and the main window only through the
// DisplayContext the caller fills before a pass; it calls no kernel function itself.

#include "environment.h"
#include "table_color.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Values a pass draws from, filled by the caller (the acquisition cycle) before drawing, on
// the thread that draws. Trace arrays are indexed by trace type - 1: channel 1, channel 2, math,
// reference.
struct DisplayContext {
    // From the kernel facade.
    std::array<bool, 4> channelOn{}; // controlGetChannelOnOff(trace)
    // controlGetVoltageOffset(trace): the trace's ground level in display rows counted from
    // the bottom (200 = centre).
    std::array<double, 4> voltageOffset{200.0, 200.0, 200.0, 200.0};
    int triggerSource = 1;        // controlGetTriggerSource(): 1 or 2
    double triggerOffset = 200.0; // controlGetTriggerOffset(triggerSource), rows from the bottom
    bool triggerInverted = false; // controlGetInvertOnOff(triggerSource)
    // controlGetHorizontalPosition(): the trigger point's column.
    double horizontalPosition = 250.0;

    // From Environment, copied under Environment::toolStateLock.
    int selectedObject = 0;
    DisplayPoint cursorA;
    DisplayPoint cursorB;
    std::vector<LabelListName> labels;

    // Current texts of the main window's combo boxes CBVoltDivCh1, CBVoltDivCh2,
    // CBVoltDivMath, CBVoltDivRef, and cbTimeDiv.
    std::array<std::string, 4> voltDivText;
    std::string timeDivText;
};

// Whether a pass would draw the same from both.
bool sameContext(const DisplayContext& a, const DisplayContext& b);

// 7 x 7 marker glyphs, GLYPH_SIZE * GLYPH_SIZE cells, row 0 first, column 0 leftmost;
// 1 = set.
constexpr int GLYPH_SIZE = 7;
extern const unsigned char GLYPH_UP_ARROW[GLYPH_SIZE * GLYPH_SIZE];
extern const unsigned char GLYPH_DOWN_ARROW[GLYPH_SIZE * GLYPH_SIZE];
extern const unsigned char GLYPH_LEFT_ARROW[GLYPH_SIZE * GLYPH_SIZE];
extern const unsigned char GLYPH_RIGHT_ARROW[GLYPH_SIZE * GLYPH_SIZE];

// Where a glyph goes: set cell (row r, column k) lands on pixel (x + k, y + r).
struct GlyphPlacement {
    const unsigned char* glyph = nullptr;
    int x = 0;
    int y = 0;
};

// One text of drawInfoText: its cell's top-left corner at (x, y), GDI colours (0x00BBGGRR)
// for the text and its opaque background.
struct DisplayText {
    int x = 0;
    int y = 0;
    std::string text;
    int colour = 0;
    int background = 0;
};

// Bit k set where p[k] != 0, for the n (1..64) bytes from p.
inline std::uint64_t litBytes(const unsigned char* p, int n) {
    std::uint64_t lit = 0;
    int k = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    if (n == 64) {
        const auto* q = reinterpret_cast<const __m128i*>(p);
        const __m128i v[4] = {_mm_loadu_si128(q), _mm_loadu_si128(q + 1), _mm_loadu_si128(q + 2),
                              _mm_loadu_si128(q + 3)};
        const __m128i any = _mm_or_si128(_mm_or_si128(v[0], v[1]), _mm_or_si128(v[2], v[3]));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, zero)) == 0xFFFF) return 0;
        for (int e = 0; e < 4; ++e)
            lit |= static_cast<std::uint64_t>(~_mm_movemask_epi8(_mm_cmpeq_epi8(v[e], zero)) & 0xFFFF) << (16 * e);
        return lit;
    }
    for (; k + 16 <= n; k += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
        lit |= static_cast<std::uint64_t>(~_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)) & 0xFFFF) << k;
    }
#endif
    for (; k < n; ++k) lit |= static_cast<std::uint64_t>(p[k] != 0) << k;
    return lit;
}

// Calls plot(column, screenRow, level) for every non-zero level of a width x height intensity
// image (row-major, row 0 at the bottom): image pixel (i, j) goes to screen (i, height - j).
// row(screenRow) is called once for each screen row with a lit pixel, before its first plot.
template <class Plot, class Row>
void forEachTracePixel(const unsigned char* image, int width, int height, Plot plot, Row row) {
    for (int j = 0; j < height; ++j) {
        const unsigned char* src = image + static_cast<std::size_t>(j) * width;
        const int y = height - j;
        bool started = false;
        // 64 pixels at a time: a dark stretch costs one test; a lit one is a mask of its lit
        // pixels, visited left to right with one mispredicted branch (a test per pixel or per
        // eight mispredicts on a trace's few pixels a stretch); a fully lit one (persistence)
        // is plotted without tests.
        for (int i = 0; i < width; i += 64) {
            const int n = std::min(64, width - i);
            std::uint64_t lit = litBytes(src + i, n);
            if (lit == 0) continue;
            if (!started) {
                row(y);
                started = true;
            }
            const std::uint64_t all = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
            if (lit == all) {
                for (int k = i; k < i + n; ++k) plot(k, y, src[k]);
                continue;
            }
            do {
                const int k = i + std::countr_zero(lit);
                plot(k, y, src[k]);
                lit &= lit - 1;
            } while (lit);
        }
    }
}

template <class Plot>
void forEachTracePixel(const unsigned char* image, int width, int height, Plot plot) {
    forEachTracePixel(image, width, height, plot, [](int) {});
}

// Calls run(frame, x0, y0, x1, y1) for every straight run of pixels that drawGrid sets in a
// w x h area (corner (0, 0); both ends included, x0 == x1 or y0 == y1; `frame` marks the
// frame's four sides), in drawing order: frame, dotted grid, border ticks, centre cross.
// The cross's axes are solid, or with `dottedCross` every second pixel (rows counted up from
// the bottom row h, columns from 0).
template <class Run>
void forEachGridRun(int w, int h, bool gridOn, bool crossOn, bool boundaryOn, bool dottedCross, Run run) {
    constexpr int GRID_STEP = 50; // one division
    constexpr int DOT_STEP = 10;  // dots of the grid, ticks
    constexpr int TICK = 4;       // ticks reach 4 pixels either side (or in from the edge)
    run(true, 0, 0, w, 0);
    run(true, 0, h, w, h);
    run(true, 0, 0, 0, h);
    run(true, w, 0, w, h);
    if (gridOn) {
        for (int y = 0; y <= h; y += DOT_STEP)
            for (int x = 0; x <= w; x += GRID_STEP) run(false, x, y, x, y);
        for (int y = 0; y <= h; y += GRID_STEP)
            for (int x = 0; x <= w; x += DOT_STEP) run(false, x, y, x, y);
    }
    if (boundaryOn) {
        for (int x = DOT_STEP; x < w; x += DOT_STEP) {
            run(false, x, 0, x, TICK);
            run(false, x, h - TICK, x, h);
        }
        for (int y = DOT_STEP; y < h; y += DOT_STEP) {
            run(false, 0, y, TICK, y);
            run(false, w - TICK, y, w, y);
        }
    }
    if (crossOn) {
        const int cx = w / 2;
        const int cy = h / 2;
        if (dottedCross) {
            for (int k = 0; k <= h; k += 2) run(false, cx, h - k, cx, h - k);
            for (int x = 0; x <= w; x += 2) run(false, x, cy, x, cy);
        } else {
            run(false, cx, 0, cx, h);
            run(false, 0, cy, w, cy);
        }
        for (int y = DOT_STEP; y < h; y += DOT_STEP)
            if (y != cy) run(false, cx - TICK, y, cx + TICK, y);
        for (int x = DOT_STEP; x < w; x += DOT_STEP)
            if (x != cx) run(false, x, cy - TICK, x, cy + TICK);
    }
}

// Qt's vector fills (QImage::fill, a wide opaque fillRect) return with the upper halves of
// the AVX registers still in use, and the plain SSE code that runs after them on the same
// thread (the kernel's fading and trace drawing, the math trace) then runs up to 2.5 times
// slower until something clears them. A renderer calls this after drawing through Qt.
void settleVectorRegisters();

// Selected objects that show the cursors (cross, horizontal, vertical).
constexpr int FIRST_CURSOR_OBJECT = 7;
constexpr int LAST_CURSOR_OBJECT = 9;

// Fixed GDI colours (0x00BBGGRR).
constexpr int GDI_GREEN = 0x00FF00;  // channel 1
constexpr int GDI_YELLOW = 0x00FFFF; // channel 2
constexpr int GDI_RED = 0x0000FF;    // math
constexpr int GDI_CYAN = 0xFFFF00;   // reference
constexpr int GDI_WHITE = 0xFFFFFF;  // time/div text
constexpr int GDI_ORANGE = 0x0080FF; // trigger position marker
constexpr int GDI_BLACK = 0x000000;

class Display {
public:
    Display() = default;
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // 1. A renderer's destructor calls its own release() first.
    virtual ~Display() = default;
    // 2. Stores the size (x_ > 0, y_ > 0, else the program ends), creates the colour table
    //    (contents to be built by the caller) and the drawing surface.
    virtual void init(int x_, int y_) = 0;
    // 3. Frees the drawing surface and the colour table.
    virtual void release() {}
    // 4. Frame always; dotted grid, centre cross with ticks and border ticks on request.
    //    `colour` is in the renderer's colour form.
    virtual void drawGrid(bool gridOn, bool crossOn, bool boundaryOn, int colour) = 0;
    // 5. Every non-zero pixel of a width x height intensity image (row-major, row 0 at the
    //    bottom, levels 1..127) in the type's colour for its level: image pixel (i, j) lands
    //    on screen (i, height - j). A null image draws nothing.
    virtual void drawChannel(int type, const unsigned char* image) = 0;
    // 6. The user text labels of the context, in list order.
    virtual void drawLabels() = 0;
    // 7. Cursor A solid and cursor B dashed, horizontal and vertical, when the selected
    //    object is a cursor tool; `source` 1..3 chooses the colour.
    virtual void drawCursors(int source) = 0;
    // 8. Full-width line at `row`; solid when `solid` is non-zero, else dashed.
    virtual void drawHorizontalLine(int colour, int row, int solid) = 0;
    // 9. Full-height line at `column`.
    virtual void drawVerticalLine(int colour, int column, int solid) = 0;
    // 10. Does nothing.
    virtual void spare() = 0;
    // 11. Fills the drawing surface black.
    virtual void clear() = 0;
    // 12. Volt/div texts of the traces that are on and the time/div text, at the foot.
    virtual void drawInfoText() = 0;
    // 13. Ground-level arrows of the traces that are on, at the left edge.
    virtual void drawChannelMarkers() = 0;
    // 14. Trigger-level arrow at the right edge.
    virtual void drawTriggerLevelMarker() = 0;
    // 15. Trigger-position arrow at the top edge.
    virtual void drawTriggerPositionMarker() = 0;

    int width() const { return d_width; }
    int height() const { return d_height; }
    int imageWidth() const { return d_imageWidth; }
    int imageHeight() const { return d_imageHeight; }
    // Null before init and after release. The caller builds it after init.
    TableColor* tableColor() { return p_tableColor.get(); }
    DisplayContext& context() { return d_context; }
    const DisplayContext& context() const { return d_context; }

protected:
    // The size part of init, after the renderer's own checks: stores the size and creates
    // the colour table.
    void initSize(int x_, int y_);
    void releaseTable() { p_tableColor.reset(); }

    // What drawInfoText writes: "CH1 : ", "CH2 : ", "MATH : ", "REF : " and the volt/div text
    // of each trace that is on, in its colour at (50, 350), (150, 350), (250, 350), (350, 350),
    // then "TIME : " and the time/div text in white at (50, 375); all on black.
    std::vector<DisplayText> infoTexts() const;

    // Marker geometry shared by the renderers, from the context.
    // Ground-level arrow of one trace (the right arrow, pointing into the area).
    GlyphPlacement channelMarker(int trace) const;
    GlyphPlacement triggerLevelMarker() const;
    GlyphPlacement triggerPositionMarker() const;
    // Floating-point pixel positions truncate toward zero; absurd values are held far
    // outside the surface instead of overflowing.
    static int truncToPixel(double value);

    int d_width = 0;
    int d_height = 0;
    int d_imageWidth = 0;
    int d_imageHeight = 0;
    std::unique_ptr<TableColor> p_tableColor;
    DisplayContext d_context;
};
