#include "cursor_tool.h"

#include "bounded_conversion.h"
#include "control_facade.h"
#include "display_change.h"
#include "environment.h"
#include "indicator_values.h"
#include "text_format.h"
#include "units.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace {

constexpr double CURSOR_DIVISIONS_PER_PIXEL = 0.02;
constexpr int DIGITS = 3;
constexpr int EXPONENT_DIGITS = 3;

constexpr int CROSS_CURSOR = 7;
constexpr int HORIZONTAL_CURSORS = 8;
constexpr int VERTICAL_CURSORS = 9;

std::string cursorNumber(double v) { return formatGeneral(v, DIGITS, EXPONENT_DIGITS); }

// Toward zero; positions far outside any display are held there instead of overflowing.
int truncToCursorPixel(double v) { return boundedTruncation<int>(v, -1000000, 1000000, 0); }

DisplayPoint clampToDisplay(int width, int height, int x, int y) {
    return {std::clamp(x, 0, std::max(width, 0)), std::clamp(y, 0, std::max(height, 0))};
}

DisplayPoint& activePoint(Environment& env) { return env.activeCursor == 0 ? env.cursorA : env.cursorB; }

// Puts a point where the selected kind puts it: the cross cursor moves `crossPoint` (A on a
// press, B on a drag) to it, the horizontal cursors take its y, the vertical cursors its x for
// the active cursor.
void storePoint(Environment& env, DisplayPoint Environment::*crossPoint, DisplayPoint p) {
    std::lock_guard lock(env.toolStateLock);
    switch (env.selectedObject) {
    case CROSS_CURSOR: env.*crossPoint = p; break;
    case HORIZONTAL_CURSORS: activePoint(env).y = p.y; break;
    case VERTICAL_CURSORS: activePoint(env).x = p.x; break;
    default: break;
    }
    notifyDisplayChange();
}

} // namespace

CursorScales cursorScales(int measureSource) {
    CursorScales s;
    s.width = controlGetDisplayWidth();
    s.height = controlGetDisplayHeight();
    s.channel = measureSource >= 1 && measureSource <= 3 ? measureSource : 0;
    if (s.channel != 0) {
        s.voltageOffset = controlGetVoltageOffset(s.channel);
        s.probe = controlGetProbeAttenuation(s.channel);
        s.voltDiv = controlGetVoltageDiv(s.channel);
        s.inverted = s.channel != 3 && controlGetInvertOnOff(s.channel);
    }
    s.timeDiv = controlGetTimeDiv();
    s.horizontalPosition = controlGetHorizontalPosition();
    return s;
}

std::string formatCursorVoltage(const CursorScales& scales, int a, int b) {
    if (scales.channel == 0) return {};
    const double v = scales.probe * volt_per_div(scales.voltDiv) * std::abs(a - b) * CURSOR_DIVISIONS_PER_PIXEL;
    if (v >= 1) return cursorNumber(v) + "V";
    return cursorNumber(v * 1000) + "mV";
}

std::string formatCursorTime(int timeDiv, int a, int b) {
    const double t = sec_per_div(timeDiv) * std::abs(a - b) * CURSOR_DIVISIONS_PER_PIXEL;
    if (t >= 1 || t == 0) return cursorNumber(t) + "s";
    if (t >= 0.001) return cursorNumber(t * 1000) + "ms";
    if (t >= 1e-6) return cursorNumber(t * 1e6) + "us";
    if (t >= 1e-9) return cursorNumber(t * 1e9) + "ns";
    return {};
}

std::string formatCursorFrequency(double dt) {
    const double f = dt == 0 ? 0.0 : std::fabs(1 / dt);
    if (f >= 1e6) return cursorNumber(f * 1e-6) + "MHz";
    if (f >= 1000) return cursorNumber(f * 0.001) + "kHz";
    return cursorNumber(f) + "Hz";
}

CursorReadout cursorPress(Environment& env, const CursorScales& scales, int button, int x, int y) {
    const DisplayPoint p = clampToDisplay(scales.width, scales.height, x, y);
    env.cursorDragging = true;
    env.activeCursor = button == 0 ? 0 : 1;
    storePoint(env, &Environment::cursorA, p);
    return updateCursorAReadout(env, scales);
}

std::optional<CursorReadout> cursorDrag(Environment& env, const CursorScales& scales, int x, int y) {
    if (!env.cursorDragging) return std::nullopt;
    storePoint(env, &Environment::cursorB, clampToDisplay(scales.width, scales.height, x, y));
    return updateCursorReadout(env, scales);
}

void cursorRelease(Environment& env, const CursorScales& scales, int x, int y) {
    if (!env.cursorDragging) return;
    storePoint(env, &Environment::cursorB, clampToDisplay(scales.width, scales.height, x, y));
    env.cursorDragging = false;
}

CursorReadout updateCursorAReadout(Environment& env, const CursorScales& scales) {
    const DisplayPoint a = env.cursorA;
    const int row = scales.height - a.y;

    // Without a measured trace there is no zero line, so no sign either.
    const int o = truncToCursorPixel(rowAsDrawn(scales.voltageOffset, scales.inverted));
    const bool below = scales.channel != 0 && row - o < 0;
    env.verticalReadoutText =
        std::string(below ? "Vertical : @ = -" : "Vertical : @ = ") + formatCursorVoltage(scales, row, o);

    // Left of the trigger point reads positive.
    const double p = scales.horizontalPosition;
    env.horizontalReadoutText =
        std::string(p - a.x < 0 ? "Horizontal : @ = -" : "Horizontal : @ = ") +
        formatCursorTime(scales.timeDiv, scales.width - a.x, truncToCursorPixel(scales.width - p));
    return {env.horizontalReadoutText, env.verticalReadoutText};
}

CursorReadout updateCursorReadout(Environment& env, const CursorScales& scales) {
    if (env.activeCursor == 0) updateCursorAReadout(env, scales);
    const DisplayPoint a = env.cursorA;
    const DisplayPoint b = env.cursorB;
    const double dt = sec_per_div(scales.timeDiv) * std::abs(a.x - b.x) * CURSOR_DIVISIONS_PER_PIXEL;
    CursorReadout r;
    r.vertical = env.verticalReadoutText + ", d=" + formatCursorVoltage(scales, a.y, b.y);
    r.horizontal = env.horizontalReadoutText + ", d=" + formatCursorTime(scales.timeDiv, a.x, b.x) +
                   ", f=" + formatCursorFrequency(dt);
    return r;
}
