#include "display_text.h"

#include <QFont>
#include <QFontMetrics>

namespace {

constexpr int TEXT_PIXEL_SIZE = 12;

} // namespace

void drawDisplayTexts(QPainter& painter, const std::vector<DisplayText>& texts) {
    if (texts.empty()) return;
    QFont font = painter.font();
    font.setPixelSize(TEXT_PIXEL_SIZE);
    painter.setFont(font);
    painter.setBackgroundMode(Qt::OpaqueMode);
    const int ascent = painter.fontMetrics().ascent();
    for (const DisplayText& t : texts) {
        painter.setPen(QColor::fromRgb(gdiColorToRgb(t.colour)));
        painter.setBackground(QColor::fromRgb(gdiColorToRgb(t.background)));
        painter.drawText(t.x, t.y + ascent, QString::fromStdString(t.text));
    }
}
