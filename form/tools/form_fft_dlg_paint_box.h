#pragma once
// The spectrum window's paint box `display_fft`: shows the last plot image as it is (opaque,
// 501 x 401) and reports mouse presses, moves and releases in plot pixels. GUI thread only.

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include <functional>

class SpectrumPaintBox : public QWidget {
public:
    enum class Mouse { Down, Move, Up };

    explicit SpectrumPaintBox(QWidget* parent_) : QWidget(parent_) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
    }

    void setImage(const QImage& image_) {
        d_image = image_;
        update();
    }
    const QImage& image() const { return d_image; }

    std::function<void(Mouse, int x, int y)> onMouse;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, d_image);
    }
    void mousePressEvent(QMouseEvent* event_) override { report(Mouse::Down, event_); }
    void mouseMoveEvent(QMouseEvent* event_) override { report(Mouse::Move, event_); }
    void mouseReleaseEvent(QMouseEvent* event_) override { report(Mouse::Up, event_); }

private:
    void report(Mouse what_, QMouseEvent* event_) {
        if (onMouse) onMouse(what_, int(event_->position().x()), int(event_->position().y()));
    }

    QImage d_image;
};
