#include "table_color.h"

#include "precondition.h"

#include <algorithm>
#include <cmath>

namespace {

enum class PixelForm { gdi, rgb32, rgb565, rgb555 };

PixelForm formFor(int graphicMode, int surfaceFormat) {
    if (graphicMode == TableColor::GDI_MODE) return PixelForm::gdi;
    switch (surfaceFormat) {
    case _SURFACE_32BIT:
    case _SURFACE_24BIT: return PixelForm::rgb32;
    case _SURFACE_16BIT_565: return PixelForm::rgb565;
    default: return PixelForm::rgb555;
    }
}

// Brightness ramp: level i puts 2i into the trace's own colour components.
int rampColor(int type, int level, PixelForm form) {
    const int v = 2 * level;
    const int r = (type == 2 || type == 3) ? v : 0;
    const int g = (type == 1 || type == 2 || type == 4) ? v : 0;
    const int b = type == 4 ? v : 0;
    switch (form) {
    case PixelForm::gdi: return r | g << 8 | b << 16;
    case PixelForm::rgb32: return r << 16 | g << 8 | b;
    case PixelForm::rgb565: return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
    case PixelForm::rgb555: break;
    }
    return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
}

// HSI to RGB at saturation 1 and intensity 1/3, with pi taken as 3.14 as the stored
// palettes were made; each component doubled and limited to 1.
int hueToColor(int hue, PixelForm form) {
    const int sector = hue / 60;
    const double theta = 2.0 * (hue - 60 * sector);
    const double h = theta / 180.0 * 3.14;
    const double a = (1.0 + std::cos(h) / std::cos(1.0466666666666666 - h)) / 3.0;
    const double b = 0.0;
    const double c = 1.0 - (a + b);
    double red = 0, green = 0, blue = 0;
    switch (sector) {
    case 0: red = a, green = c, blue = b; break;
    case 1: red = b, green = a, blue = c; break;
    default: red = c, green = b, blue = a; break;
    }
    red = std::min(2.0 * red, 1.0);
    green = std::min(2.0 * green, 1.0);
    blue = std::min(2.0 * blue, 1.0);
    // Every step truncates toward zero.
    auto t = [](double x) { return static_cast<int>(x); };
    switch (form) {
    case PixelForm::gdi: return t(red * 255) | t(green * 255) << 8 | t(blue * 255) << 16;
    case PixelForm::rgb32: return (t(red * 255) << 16) + (t(green * 255) << 8) + t(blue * 255);
    case PixelForm::rgb565: {
        const int r5 = t(red * 255 * 0.125);
        return (t(r5 * 64 + green * 255 * 0.25) << 5) + t(blue * 255 * 0.125);
    }
    case PixelForm::rgb555: break;
    }
    const int r5 = t(red * 255 * 0.125);
    return (t(r5 * 32 + green * 255 * 0.125) << 5) + t(blue * 255 * 0.125);
}

bool trackAllowed(int type) { return type == 1 || type == 2; }

} // namespace

void TableColor::set(int type, int pos_, int value) {
    require(pos_ >= 0 && pos_ < TABLE_SIZE, "pos_ < TABLE_SIZE", "form\\table_color", __LINE__);
    if (!validType(type)) return;
    d_table[(type - 1) * TABLE_SIZE + pos_] = value;
}

int TableColor::hueColor(int entry, int graphicMode, int surfaceFormat) {
    // The table runs backward through the hues.
    return hueToColor(HUE_COUNT - 1 - std::clamp(entry, 0, HUE_COUNT - 1), formFor(graphicMode, surfaceFormat));
}

int TableColor::trackEntry(int hueStart, int level) {
    const int k = std::clamp(hueStart, 0, HUE_COUNT) + level;
    return k >= HUE_COUNT ? k - HUE_COUNT : k;
}

void TableColor::buildHuePalette(int type, int graphicMode, int surfaceFormat, int hueStart) {
    for (int i = 0; i < TABLE_SIZE; ++i) set(type, i, hueColor(trackEntry(hueStart, i), graphicMode, surfaceFormat));
}

void TableColor::buildExportBank(int type, int hueStart, bool colourTrack) {
    if (!validType(type)) return;
    std::int32_t* bank = &d_table[EXPORT_BANK + (type - 1) * TABLE_SIZE];
    for (int i = 0; i < TABLE_SIZE; ++i)
        bank[i] = colourTrack && trackAllowed(type) ? hueColor(trackEntry(hueStart, i), GDI_MODE, 0)
                                                    : rampColor(type, i, PixelForm::gdi);
}

void TableColor::build(int type, int graphicMode, int surfaceFormat, int hueStart, bool colourTrack) {
    // Math and reference never take the colour track, whatever the options say.
    colourTrack = colourTrack && trackAllowed(type);
    buildExportBank(type, hueStart, colourTrack);
    if (colourTrack) {
        buildHuePalette(type, graphicMode, surfaceFormat, hueStart);
        return;
    }
    const PixelForm form = formFor(graphicMode, surfaceFormat);
    for (int i = 0; i < TABLE_SIZE; ++i) set(type, i, rampColor(type, i, form));
}
