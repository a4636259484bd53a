#pragma once
// Text of the display's labels and information line, drawn as the desktop's text-out draws
// it: the cell's top-left corner at the given point, an opaque background, the image's default
// font at a fixed pixel size. Shared by the renderers, whatever the surface under the painter.

#include "display.h"

#include <QPainter>
#include <QRgb>

#include <vector>

// A GDI colour value (0x00BBGGRR) as a Qt colour.
inline QRgb gdiColorToRgb(int gdiColour) {
    return qRgb(gdiColour & 0xFF, (gdiColour >> 8) & 0xFF, (gdiColour >> 16) & 0xFF);
}

void drawDisplayTexts(QPainter& painter, const std::vector<DisplayText>& texts);
