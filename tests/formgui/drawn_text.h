#pragma once
// How wide a text came out on a drawn widget, to tell a whole text from a clipped one or from
// one whose '&' was taken for a mnemonic.

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

// From the first to the last column of `area` (all of the image when null) that holds dark ink.
inline int inkWidth(const QImage& image, QRect area = {}) {
    if (area.isNull()) area = image.rect();
    area &= image.rect();
    int first = -1, last = -1;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            if (qGray(image.pixel(x, y)) < 128) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return first < 0 ? 0 : last - first + 1;
}

// The ink width of `text` drawn as it stands, in `font`, with room to spare.
inline int plainTextInkWidth(const QFont& font, const QString& text) {
    QImage image(600, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, 600, 40), Qt::AlignLeft | Qt::AlignVCenter, text);
    p.end();
    return inkWidth(image);
}
