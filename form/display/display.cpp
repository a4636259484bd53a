#include "display.h"

#include <algorithm>
#include <cmath>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>

namespace {
__attribute__((target("avx"))) void zeroUpperHalves() { _mm256_zeroupper(); }
} // namespace

void settleVectorRegisters() {
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx) zeroUpperHalves();
}
#else
void settleVectorRegisters() {}
#endif

// clang-format off
const unsigned char GLYPH_UP_ARROW[GLYPH_SIZE * GLYPH_SIZE] = {
    0,0,0,1,0,0,0,
    0,0,1,1,1,0,0,
    0,1,1,1,1,1,0,
    1,1,1,1,1,1,1,
    0,0,0,1,0,0,0,
    0,0,0,1,0,0,0,
    0,0,0,1,0,0,0,
};
const unsigned char GLYPH_DOWN_ARROW[GLYPH_SIZE * GLYPH_SIZE] = {
    0,0,0,1,0,0,0,
    0,0,0,1,0,0,0,
    0,0,0,1,0,0,0,
    1,1,1,1,1,1,1,
    0,1,1,1,1,1,0,
    0,0,1,1,1,0,0,
    0,0,0,1,0,0,0,
};
const unsigned char GLYPH_LEFT_ARROW[GLYPH_SIZE * GLYPH_SIZE] = {
    0,0,0,1,0,0,0,
    0,0,1,1,0,0,0,
    0,1,1,1,0,0,0,
    1,1,1,1,1,1,1,
    0,1,1,1,0,0,0,
    0,0,1,1,0,0,0,
    0,0,0,1,0,0,0,
};
const unsigned char GLYPH_RIGHT_ARROW[GLYPH_SIZE * GLYPH_SIZE] = {
    0,0,0,1,0,0,0,
    0,0,0,1,1,0,0,
    0,0,0,1,1,1,0,
    1,1,1,1,1,1,1,
    0,0,0,1,1,1,0,
    0,0,0,1,1,0,0,
    0,0,0,1,0,0,0,
};
// clang-format on

namespace {

// Markers sit in the top-right corner region: columns 492..498, rows 1..7 or 392..398.
constexpr int MARKER_RIGHT_X = 492;
constexpr int MARKER_BOTTOM_Y = 392;
constexpr int MARKER_EDGE = 1;
constexpr int GLYPH_HALF = GLYPH_SIZE / 2;

bool validTrace(int trace) { return trace >= 1 && trace <= 4; }

} // namespace

void Display::initSize(int x_, int y_) {
    d_width = x_;
    d_height = y_;
    d_imageWidth = x_ + 1;
    d_imageHeight = y_ + 1;
    p_tableColor = std::make_unique<TableColor>();
}

int Display::truncToPixel(double value) {
    constexpr double FAR_OUTSIDE = 1.0e6;
    if (std::isnan(value)) return static_cast<int>(FAR_OUTSIDE);
    if (value > FAR_OUTSIDE) return static_cast<int>(FAR_OUTSIDE);
    if (value < -FAR_OUTSIDE) return static_cast<int>(-FAR_OUTSIDE);
    return static_cast<int>(value);
}

std::vector<DisplayText> Display::infoTexts() const {
    struct Place {
        const char* label;
        int x;
        int colour;
    };
    static constexpr Place TRACE_TEXT[4] = {
        {"CH1 : ", 50, GDI_GREEN}, {"CH2 : ", 150, GDI_YELLOW}, {"MATH : ", 250, GDI_RED}, {"REF : ", 350, GDI_CYAN}};
    std::vector<DisplayText> texts;
    for (int t = 0; t < 4; ++t) {
        if (!d_context.channelOn[t]) continue;
        const Place& p = TRACE_TEXT[t];
        texts.push_back({p.x, 350, p.label + d_context.voltDivText[t], p.colour, GDI_BLACK});
    }
    texts.push_back({50, 375, "TIME : " + d_context.timeDivText, GDI_WHITE, GDI_BLACK});
    return texts;
}

GlyphPlacement Display::channelMarker(int trace) const {
    const double offset = validTrace(trace) ? d_context.voltageOffset[trace - 1] : 0.0;
    const int o = truncToPixel(offset);
    // Spans rows height - o - 3 .. height - o + 3. The arrow is symmetric top to bottom, so
    // drawing its rows upward or downward sets the same pixels.
    return {GLYPH_RIGHT_ARROW, 1, d_height - o - GLYPH_HALF};
}

GlyphPlacement Display::triggerLevelMarker() const {
    const int s = d_context.triggerSource;
    const int b = truncToPixel(d_context.triggerOffset);
    int c = 0;
    if (d_context.triggerInverted) {
        // The level mirrored about the source's offset.
        const double offset = validTrace(s) ? d_context.voltageOffset[s - 1] : 0.0;
        c = truncToPixel(d_height - (2.0 * offset - b));
    } else {
        c = d_height - b;
    }
    if (c > d_height) return {GLYPH_DOWN_ARROW, MARKER_RIGHT_X, MARKER_BOTTOM_Y};
    if (c < 0) return {GLYPH_UP_ARROW, MARKER_RIGHT_X, MARKER_EDGE};
    return {GLYPH_LEFT_ARROW, MARKER_RIGHT_X, c - GLYPH_HALF};
}

GlyphPlacement Display::triggerPositionMarker() const {
    const int a = truncToPixel(d_context.horizontalPosition);
    if (a < 0) return {GLYPH_LEFT_ARROW, MARKER_EDGE, MARKER_EDGE};
    if (a > d_width) return {GLYPH_RIGHT_ARROW, MARKER_RIGHT_X, MARKER_EDGE};
    return {GLYPH_DOWN_ARROW, a - GLYPH_HALF, MARKER_EDGE};
}

bool sameContext(const DisplayContext& a, const DisplayContext& b) {
    auto samePoint = [](const DisplayPoint& p, const DisplayPoint& q) { return p.x == q.x && p.y == q.y; };
    auto sameLabel = [](const LabelListName& l, const LabelListName& m) {
        return l.backgroundColor == m.backgroundColor && l.textColor == m.textColor && l.x == m.x && l.y == m.y &&
               l.width == m.width && l.height == m.height && l.text == m.text;
    };
    return a.channelOn == b.channelOn && a.voltageOffset == b.voltageOffset && a.triggerSource == b.triggerSource &&
           a.triggerOffset == b.triggerOffset && a.triggerInverted == b.triggerInverted &&
           a.horizontalPosition == b.horizontalPosition && a.selectedObject == b.selectedObject &&
           samePoint(a.cursorA, b.cursorA) && samePoint(a.cursorB, b.cursorB) &&
           std::equal(a.labels.begin(), a.labels.end(), b.labels.begin(), b.labels.end(), sameLabel) &&
           a.voltDivText == b.voltDivText && a.timeDivText == b.timeDivText;
}
