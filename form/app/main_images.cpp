#include "main_images.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <array>

namespace {

constexpr int ICON_SIZE = 24;

struct Badge {
    const char* text;
    QColor colour;
    bool on = true; // an "off" badge is drawn dimmed and struck through
};

QPixmap badge(const Badge& b) {
    QPixmap pm(ICON_SIZE, ICON_SIZE);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(b.on ? b.colour : COLOUR_GREY, 1));
    p.setBrush(QColor(20, 20, 20));
    p.drawRoundedRect(QRectF(0.5, 0.5, ICON_SIZE - 1, ICON_SIZE - 1), 3, 3);
    QFont f = p.font();
    const int len = static_cast<int>(qstrlen(b.text));
    f.setPixelSize(len <= 2 ? 11 : len == 3 ? 8 : 7);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 0, ICON_SIZE, ICON_SIZE), Qt::AlignCenter, QString::fromLatin1(b.text));
    if (!b.on) p.drawLine(4, ICON_SIZE - 5, ICON_SIZE - 5, 4);
    return pm;
}

// An edge symbol: rising (true) or falling.
QPixmap edge(bool rising, int size, const QColor& colour) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(colour, 2));
    const int lo = size - 4, hi = 3, mid = size / 2;
    if (rising)
        p.drawPolyline(QPolygon({QPoint(2, lo), QPoint(mid, lo), QPoint(mid, hi), QPoint(size - 2, hi)}));
    else
        p.drawPolyline(QPolygon({QPoint(2, hi), QPoint(mid, hi), QPoint(mid, lo), QPoint(size - 2, lo)}));
    p.drawLine(mid - 3, size / 2 + (rising ? 2 : -2), mid, size / 2 + (rising ? -1 : 1));
    p.drawLine(mid + 3, size / 2 + (rising ? 2 : -2), mid, size / 2 + (rising ? -1 : 1));
    return pm;
}

enum class Arrow { Left, Right, Up, Down };

QPixmap arrow(Arrow a, int w, int h, const QColor& colour) {
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    QPolygonF poly;
    switch (a) {
    case Arrow::Right: poly << QPointF(0, 0) << QPointF(w, h / 2.0) << QPointF(0, h); break;
    case Arrow::Left: poly << QPointF(w, 0) << QPointF(0, h / 2.0) << QPointF(w, h); break;
    case Arrow::Up: poly << QPointF(0, h) << QPointF(w / 2.0, 0) << QPointF(w, h); break;
    case Arrow::Down: poly << QPointF(0, 0) << QPointF(w / 2.0, h) << QPointF(w, 0); break;
    }
    p.drawPolygon(poly);
    return pm;
}

QPixmap filled(int w, int h, const QColor& colour, bool frameOnly = false) {
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    if (frameOnly) {
        p.setPen(colour);
        p.drawRect(0, 0, w - 1, h - 1);
    } else {
        p.fillRect(0, 0, w, h, colour);
    }
    return pm;
}

const Badge* badgesOf(ActionImageList list, int& count) {
    static const Badge channel[] = {
        {"1", COLOUR_GREEN},         {"1", COLOUR_GREEN, false},  {"2", COLOUR_YELLOW},
        {"2", COLOUR_YELLOW, false}, {"M", COLOUR_RED},           {"M", COLOUR_RED, false},
        {"R", COLOUR_CYAN},          {"R", COLOUR_CYAN, false},   {"AC", COLOUR_GREEN},
        {"DC", COLOUR_GREEN},        {"GND", COLOUR_GREEN},       {"AC", COLOUR_YELLOW},
        {"DC", COLOUR_YELLOW},       {"GND", COLOUR_YELLOW},      {"V1", COLOUR_GREEN},
        {"V2", COLOUR_YELLOW},       {"VM", COLOUR_RED},          {"VR", COLOUR_CYAN},
        {"T/D", COLOUR_WHITE},       {"DLY", COLOUR_WHITE},       {"DLY", COLOUR_WHITE, false},
        {"M?", COLOUR_RED},          {"INV", COLOUR_WHITE},       {"INV", COLOUR_WHITE, false},
        {"BW", COLOUR_WHITE},        {"BW", COLOUR_WHITE, false},
    };
    static const Badge trigger[] = {
        {"", COLOUR_WHITE},          {"", COLOUR_WHITE},   {"AUTO", COLOUR_MAGENTA}, {"NORM", COLOUR_TEAL},
        {"SRC", COLOUR_WHITE},       {"S1", COLOUR_GREEN}, {"S2", COLOUR_YELLOW},    {"HF", COLOUR_WHITE},
        {"HF", COLOUR_WHITE, false}, {"AT", COLOUR_CYAN},
    };
    static const Badge acquire[] = {
        {"ETS", COLOUR_WHITE, false}, {"ETS", COLOUR_WHITE}, {"RUN", COLOUR_GREEN}, {"STOP", COLOUR_RED},
        {"1x", COLOUR_WHITE},         {"AS", COLOUR_WHITE},  {"AVG", COLOUR_WHITE}, {"PD", COLOUR_WHITE},
        {"PD", COLOUR_WHITE, false},  {"BUF", COLOUR_WHITE},
    };
    static const Badge display[] = {
        {"LJ", COLOUR_WHITE, false}, {"LJ", COLOUR_WHITE}, {"T", COLOUR_WHITE},
        {"+", COLOUR_WHITE},         {"=", COLOUR_WHITE},  {"||", COLOUR_WHITE},
    };
    static const Badge file[] = {
        {"DAT", COLOUR_WHITE}, {"PRV", COLOUR_WHITE}, {"PRN", COLOUR_WHITE}, {"OPT", COLOUR_WHITE}};
    static const Badge util[] = {{"FFT", COLOUR_WHITE}};
    switch (list) {
    case ActionImageList::Channel: count = std::size(channel); return channel;
    case ActionImageList::Trigger: count = std::size(trigger); return trigger;
    case ActionImageList::Acquire: count = std::size(acquire); return acquire;
    case ActionImageList::Display: count = std::size(display); return display;
    case ActionImageList::File: count = std::size(file); return file;
    case ActionImageList::Util: count = std::size(util); return util;
    }
    count = 0;
    return nullptr;
}

} // namespace

QIcon actionImage(ActionImageList list, int index) {
    if (list == ActionImageList::Trigger && (index == 0 || index == 1)) {
        QPixmap pm = badge({"", COLOUR_WHITE});
        QPainter p(&pm);
        p.drawPixmap(2, 2, edge(index == 0, ICON_SIZE - 4, COLOUR_WHITE));
        return QIcon(pm);
    }
    int count = 0;
    const Badge* badges = badgesOf(list, count);
    if (index < 0 || index >= count) return QIcon();
    return QIcon(badge(badges[index]));
}

QPixmap markerPicture(MarkerImageList list, int picture) {
    static const QColor traceColours[4] = {COLOUR_GREEN, COLOUR_YELLOW, COLOUR_RED, COLOUR_CYAN};
    switch (list) {
    case MarkerImageList::HorizontalPosition: {
        const Arrow a[3] = {Arrow::Left, Arrow::Down, Arrow::Right};
        if (picture < 0 || picture > 2) break;
        return arrow(a[picture], POSITION_MARKER_SIZE, POSITION_MARKER_SIZE, COLOUR_ORANGE);
    }
    case MarkerImageList::TriggerLevel: {
        if (picture < 0 || picture > 5) break;
        const Arrow a[3] = {Arrow::Up, Arrow::Left, Arrow::Down};
        return arrow(a[picture % 3], LEVEL_MARKER_WIDTH, LEVEL_MARKER_HEIGHT,
                     picture < 3 ? COLOUR_GREEN : COLOUR_YELLOW);
    }
    case MarkerImageList::Offset:
        if (picture < 0 || picture > 3) break;
        return arrow(Arrow::Right, LEVEL_MARKER_WIDTH, LEVEL_MARKER_HEIGHT, traceColours[picture]);
    case MarkerImageList::TriggerSlope:
        if (picture < 0 || picture > 1) break;
        return edge(picture == 0, 16, COLOUR_WHITE);
    case MarkerImageList::BufferBar:
        switch (picture) {
        case 0: return filled(8, 12, COLOUR_GREEN, true);
        case 1: return filled(8, 12, COLOUR_YELLOW, true);
        case 2:
        case 3: return filled(2, 12, COLOUR_WHITE);
        case 4: return filled(3, 12, COLOUR_GREY);
        case 5: return arrow(Arrow::Down, 8, 6, COLOUR_ORANGE);
        case 6: return arrow(Arrow::Left, 6, 8, COLOUR_ORANGE);
        case 7: return arrow(Arrow::Right, 6, 8, COLOUR_ORANGE);
        default: break;
        }
        break;
    }
    return QPixmap();
}

QCursor programCursor(int number) {
    static const char* const texts[5] = {"1", "2", "M", "R", "T"};
    static const QColor colours[5] = {COLOUR_GREEN, COLOUR_YELLOW, COLOUR_RED, COLOUR_CYAN, COLOUR_WHITE};
    if (number < 1 || number > 5) return QCursor(Qt::ArrowCursor);
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // An up-down arrow (volt/div) or a left-right arrow (time/div) with the object's letter.
    p.setPen(QPen(Qt::black, 3));
    const bool time = number == 5;
    const QLine stem = time ? QLine(2, 8, 22, 8) : QLine(8, 2, 8, 22);
    p.drawLine(stem);
    p.setPen(QPen(colours[number - 1], 1.5));
    p.drawLine(stem);
    QFont f = p.font();
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colours[number - 1]);
    p.drawText(QRect(14, 14, 16, 16), Qt::AlignCenter, QString::fromLatin1(texts[number - 1]));
    return QCursor(pm, 8, 8);
}
