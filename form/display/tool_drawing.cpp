#include "tool_drawing.h"

#include "display.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int TEXT_PIXEL_SIZE = 12;

// Far enough outside any surface that the offsets below cannot overflow.
int holdOutside(int position) {
    constexpr int LIMIT = 1 << 20;
    return std::clamp(position, -LIMIT, LIMIT);
}

} // namespace

ToolLine horizontalToolLine(LinePlacement placement, int row, bool solid, int width) {
    ToolLine line;
    line.horizontal = true;
    line.solid = solid;
    line.length = width;
    line.at = holdOutside(row);
    if (placement == LinePlacement::Gdi) line.at += solid ? 1 : 2;
    return line;
}

ToolLine verticalToolLine(LinePlacement placement, int column, bool solid, int height) {
    ToolLine line;
    line.horizontal = false;
    line.solid = solid;
    line.length = height;
    line.at = holdOutside(column);
    if (placement == LinePlacement::Gdi) {
        if (solid) line.at += 1;
        line.dashesFromEnd = true;
    }
    return line;
}

bool cursorsShown(int selectedObject) {
    return selectedObject >= FIRST_CURSOR_OBJECT && selectedObject <= LAST_CURSOR_OBJECT;
}

std::array<CursorLine, 4> cursorLines(const DisplayPoint& a, const DisplayPoint& b) {
    return {{{true, a.y, true}, {true, b.y, false}, {false, a.x, true}, {false, b.x, false}}};
}

QColor gdiColor(int colour) { return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }

void beginToolText(QPainter& painter) {
    QFont font = painter.font();
    font.setPixelSize(TEXT_PIXEL_SIZE);
    painter.setFont(font);
    painter.setBackgroundMode(Qt::OpaqueMode);
}

void drawOpaqueText(QPainter& painter, int x, int y, const std::string& text, int textColour, int background) {
    painter.setPen(gdiColor(textColour));
    painter.setBackground(gdiColor(background));
    painter.drawText(x, y + painter.fontMetrics().ascent(), QString::fromStdString(text));
}

void drawLabelTexts(QPainter& painter, const std::vector<LabelListName>& labels) {
    for (const LabelListName& label : labels)
        drawOpaqueText(painter, label.x, label.y, label.text, label.textColor, label.backgroundColor);
}
