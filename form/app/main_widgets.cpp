#include "main_widgets.h"

#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>

// Off unless asked for (QT_LOGGING_RULES="velmora2.startup.info=true"): the moment of the first
// painted frame, which scripts/measure-demo.sh times from the start of the process.
Q_LOGGING_CATEGORY(lcStartup, "velmora2.startup", QtWarningMsg)
// Likewise (velmora2.frames.info=true): a line for every frame painted, which the script counts.
Q_LOGGING_CATEGORY(lcFrames, "velmora2.frames", QtWarningMsg)

int mouseButtonCode(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton: return 0;
    case Qt::RightButton: return 1;
    default: return 2;
    }
}

DisplayPaintBox::DisplayPaintBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true); // moves without a button, as the display's label and cursor tools expect
}

void DisplayPaintBox::setFrame(const QImage& frame) {
    d_frame = frame;
    d_framePending = true;
    update();
}

void DisplayPaintBox::setStandIn(const QImage& picture) {
    d_standIn = picture;
    if (d_frame.isNull()) update();
}

void DisplayPaintBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QImage& shown = d_frame.isNull() ? d_standIn : d_frame;
    if (shown.isNull())
        p.fillRect(rect(), Qt::black);
    else
        p.drawImage(rect(), shown);
    if (d_framePending && !d_frame.isNull()) {
        d_framePending = false;
        qCInfo(lcFrames) << "frame shown";
    }
    static bool painted = false;
    if (!painted && !shown.isNull()) {
        painted = true;
        qCInfo(lcStartup) << "first frame painted";
    }
}

void DisplayPaintBox::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    emit mouseDown(mouseButtonCode(event->button()), pos.x(), pos.y());
}

void DisplayPaintBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    emit mouseMove(pos.x(), pos.y());
}

void DisplayPaintBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    emit mouseUp(mouseButtonCode(event->button()), pos.x(), pos.y());
}

MarkerImage::MarkerImage(QWidget* parent) : QLabel(parent) { setCursor(Qt::SizeAllCursor); }

void MarkerImage::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    emit pressed(pos.x(), pos.y());
}

void MarkerImage::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    emit moved(pos.x(), pos.y());
}

void MarkerImage::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    emit released(pos.x(), pos.y());
}
