#include "screen_layout.h"

#include "bounded_conversion.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

constexpr int FIRST_CURSOR_TOOL = 7;
constexpr int LAST_CURSOR_TOOL = 9;

bool cursorTool(int selectedObject) {
    return selectedObject >= FIRST_CURSOR_TOOL && selectedObject <= LAST_CURSOR_TOOL;
}

// Truncation toward zero, held inside int for absurd values.
int toLayoutPixel(double v) { return boundedInt(v); }

const char* couplingText(int coupling) {
    switch (coupling) {
    case 0: return "AC";
    case 1: return "DC";
    case 2: return "GND";
    default: return "";
    }
}

const char* mathText(int operation) {
    switch (operation) {
    case 0: return "Math(Add) : ";
    case 1: return "Math(Sub) : ";
    case 2: return "Math(Mult) : ";
    case 3: return "Math(Div) : ";
    default: return "None : ";
    }
}

} // namespace

PictureLayout pictureLayout(const Environment& environment, const ScreenKernelValues& kernel, bool measureWindowVisible,
                            int x0, int y0) {
    PictureLayout l;
    l.x0 = x0;
    l.y0 = y0;
    if (environment.TitleOnOff) {
        l.height += TITLE_BAND;
        l.y0 += TITLE_BAND;
    } else if (environment.DateInclude) {
        l.height += DATE_BAND;
        l.y0 += DATE_BAND;
    }
    if (environment.SetupInformationInclude) {
        l.height += SETUP_BAND;
        if (kernel.channelOn[2]) l.height += MATH_BAND;
        if (kernel.channelOn[3]) l.height += REFERENCE_BAND;
        if (cursorTool(environment.selectedObject)) l.height += CURSOR_BAND;
        if (measureWindowVisible) l.height += MEASUREMENT_BAND;
    }
    return l;
}

namespace {

// Nanoseconds per division of a valid code: 2, 4 or 10 times a power of ten, exact in a double.
double nanosecondsPerDivision(int timeDiv) {
    static constexpr double MANTISSA[3] = {2.0, 4.0, 10.0};
    double ns = MANTISSA[timeDiv % 3];
    for (int k = 0; k < timeDiv / 3; ++k) ns *= 10.0;
    return ns;
}

} // namespace

double secondsPerDivision(int timeDiv) {
    if (timeDiv < 0 || timeDiv > 32) return 0.0;
    return nanosecondsPerDivision(timeDiv) / 1e9;
}

std::string formatTimeText(double t) {
    const double a = std::fabs(t);
    double scaled = t;
    const char* unit = "s";
    if (a >= 1.0 || t == 0.0) {
        unit = "s";
    } else if (a >= 1e-3) {
        scaled = t * 1e3;
        unit = "ms";
    } else if (a >= 1e-6) {
        scaled = t * 1e6;
        unit = "us";
    } else if (a >= 1e-9) {
        scaled = t * 1e9;
        unit = "ns";
    } else {
        scaled = t * 1e12;
        unit = "ps";
    }
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, scaled, std::chars_format::fixed, 2);
    std::string number = ec == std::errc() ? std::string(buffer, end) : std::string("0.00");
    if (number.size() < 4) number.insert(0, 4 - number.size(), ' '); // "%4.2f" pads to four
    return number + unit;
}

std::string format_time_label(int pixels, int timeDiv) {
    if (timeDiv < 0 || timeDiv > 32) return formatTimeText(0.0);
    // pixels x 0.02 divisions, in one rounding: 1 ms/div over 50 pixels is exactly the
    // double nearest 0.001 and reads "1.00ms", not "1000.00us".
    return formatTimeText(nanosecondsPerDivision(timeDiv) * pixels / (50.0 * 1e9));
}

std::string formatPictureDate(const std::tm& time) {
    static const char* const MONTHS[12] = {"Jan",  "Feb", "Mar",  "Apr", "May", "Jun",
                                           "July", "Aug", "Sept", "Oct", "Nov", "Dec"};
    const char* month = time.tm_mon >= 0 && time.tm_mon < 12 ? MONTHS[time.tm_mon] : "";
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%d-%s-%d %d:%d:%d", time.tm_mday, month, time.tm_year + 1900, time.tm_hour,
                  time.tm_min, time.tm_sec);
    return buffer;
}

std::vector<PictureText> pictureTexts(const Environment& environment, const PictureLayout& layout,
                                      const ScreenKernelValues& kernel, const ScreenTexts& texts, const std::tm& now) {
    const int x0 = layout.x0;
    const int y0 = layout.y0;
    const int w = kernel.displayWidth;
    const int h = kernel.displayHeight;
    const int centre = x0 + w / 2;
    const int bottom = y0 + h;
    std::vector<PictureText> out;

    // Times of the centre, right and left edges relative to the trigger point.
    const int half = w / 2;
    const int r = toLayoutPixel(w - kernel.horizontalPosition - half);
    out.push_back({format_time_label(r, kernel.timeDiv), centre, bottom + 5, TextAlign::Centre});
    out.push_back({format_time_label(r + half, kernel.timeDiv), x0 + w, bottom + 5, TextAlign::Right});
    out.push_back({format_time_label(r - half, kernel.timeDiv), x0, bottom + 5, TextAlign::Left});

    if (environment.SetupInformationInclude) {
        int p = 20;
        if (kernel.channelOn[0]) {
            out.push_back(
                {"Ch1 : " + texts.voltDivText[0] + "  " + couplingText(kernel.coupling[0]) + "  ", x0, bottom + p + 5});
            out.push_back({texts.timeDivText, centre, bottom + p + 5, TextAlign::Centre});
        }
        if (kernel.channelOn[1])
            out.push_back({"Ch2 : " + texts.voltDivText[1] + "  " + couplingText(kernel.coupling[1]) + "  ", x0,
                           bottom + p + 20});
        p += SETUP_BAND;
        if (kernel.channelOn[2]) {
            out.push_back({mathText(kernel.mathOperation) + texts.voltDivText[2], x0, bottom + p});
            p += MATH_BAND;
        }
        if (kernel.channelOn[3]) {
            out.push_back({"Reference : " + texts.voltDivText[3], x0, bottom + p});
            p += REFERENCE_BAND;
        }
        if (cursorTool(environment.selectedObject)) {
            out.push_back({"Cursor", x0, bottom + p + 5});
            out.push_back({texts.cursorReadout[0], x0, bottom + p + 20});
            out.push_back({texts.cursorReadout[1], x0 + 300, bottom + p + 20});
            p += CURSOR_BAND;
        }
        if (texts.measureWindowVisible) {
            out.push_back({"Measurements", x0, bottom + p + 5});
            for (int i = 0; i < 10; ++i)
                out.push_back({texts.measureLabels[i], x0 + 180 * (i % 3), bottom + p + 20 + 15 * (i / 3)});
        }
    }
    if (environment.DateInclude)
        out.push_back({formatPictureDate(now), x0 + w, y0 - 26, TextAlign::Right, TextFont::Date});
    if (environment.TitleOnOff) out.push_back({environment.Title, centre, y0 - 50, TextAlign::Centre, TextFont::Title});
    return out;
}

int triggerMarkerColumn(double horizontalPosition, int width) {
    if (horizontalPosition > width) return width;
    if (horizontalPosition < 0) return 0;
    return toLayoutPixel(horizontalPosition);
}

PixelRect printTargetRect(int bmpW, int bmpH, const PrinterCaps& caps) {
    // One picture pixel is 0.01 inch: 10 x dpi / 1000 device pixels.
    const double kx = caps.horizontalDpi * 0.001;
    const double ky = caps.verticalDpi * 0.001;
    PixelRect r;
    r.left = toLayoutPixel(caps.pageWidth / 2 - bmpW * 10 * kx * 0.5);
    r.right = toLayoutPixel(r.left + bmpW * 10 * kx);
    r.top = toLayoutPixel(caps.pageHeight / 2 - bmpH * 10 * ky * 0.5);
    r.bottom = toLayoutPixel(r.top + bmpH * 10 * ky);
    return r;
}

PreviewGeometry previewGeometry(bool paperView, int pbW, int pbH, int bmpW, int bmpH, const PrinterCaps& caps) {
    PreviewGeometry g;
    const int cx = pbW / 2;
    const int cy = pbH / 2;
    if (paperView) {
        const double kx = caps.horizontalDpi * 0.001;
        const double ky = caps.verticalDpi * 0.001;
        const double pageW = caps.pageWidth;
        const double pageH = caps.pageHeight;
        // A page or resolution of zero cannot be drawn to scale, in either orientation.
        if (kx == 0 || ky == 0) return g;
        double s = 0;
        if (pageH >= pageW) {
            if (pageH == 0 || pbH == 0) return g;
            const double outlineW = pageW / pageH * pbH;
            g.outline.left = toLayoutPixel(cx - outlineW * 0.5);
            g.outline.right = toLayoutPixel(g.outline.left + outlineW);
            g.outline.top = 0;
            g.outline.bottom = pbH;
            s = 10.0 * pbH / pageH; // preview pixels per device pixel, times 10 per 0.01 inch
        } else {
            if (pageW == 0 || pbW == 0) return g;
            const double outlineH = pageH / pageW * pbW;
            g.outline.left = 0;
            g.outline.right = pbW;
            g.outline.top = toLayoutPixel(cy - outlineH * 0.5);
            g.outline.bottom = toLayoutPixel(g.outline.top + outlineH);
            s = 10.0 * pbW / pageW;
        }
        g.picture.left = toLayoutPixel(cx - bmpW * s * kx * 0.5);
        g.picture.right = toLayoutPixel(g.picture.left + bmpW * s * kx);
        g.picture.top = toLayoutPixel(cy - bmpH * s * ky * 0.5);
        g.picture.bottom = toLayoutPixel(g.picture.top + bmpH * s * ky);
        g.ok = true;
        return g;
    }

    if (bmpW <= 0 || bmpH <= 0) return g;
    g.outline = {0, 0, pbW, pbH};
    const bool wide = bmpW > pbW;
    const bool tall = bmpH > pbH;
    if (!wide && !tall) {
        g.picture.left = cx - bmpW / 2;
        g.picture.top = cy - bmpH / 2;
        g.picture.right = g.picture.left + bmpW;
        g.picture.bottom = g.picture.top + bmpH;
    } else if (wide && tall) {
        g.picture = {0, 0, pbW, pbH}; // each axis scaled on its own: the picture fills the box
    } else {
        const double s = wide ? static_cast<double>(pbW) / bmpW : static_cast<double>(pbH) / bmpH;
        const double w = bmpW * s;
        const double h = bmpH * s;
        g.picture.left = toLayoutPixel(cx - w * 0.5);
        g.picture.right = toLayoutPixel(g.picture.left + w);
        g.picture.top = toLayoutPixel(cy - h * 0.5);
        g.picture.bottom = toLayoutPixel(g.picture.top + h);
    }
    g.ok = true;
    return g;
}
