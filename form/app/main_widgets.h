#pragma once
// Two small widgets of the main window: the paint box that shows the frames the acquisition
// cycle hands over, and the marker images beside the display that the user drags.
// Mouse buttons are numbered as the action unit takes them: 0 left, 1 right, 2 middle.

#include <QImage>
#include <QLabel>
#include <QWidget>

class DisplayPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit DisplayPaintBox(QWidget* parent = nullptr);

    // Shows `frame` stretched over the whole client rectangle at the next repaint. The image
    // is kept (shared) until the next call; a null image paints black.
    void setFrame(const QImage& frame);
    const QImage& frame() const { return d_frame; }
    // Shown instead while there is no frame: the display before the first capture.
    void setStandIn(const QImage& picture);

signals:
    void mouseDown(int button, int x, int y);
    void mouseMove(int x, int y);
    void mouseUp(int button, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage d_frame;
    bool d_framePending = false; // a frame set and not yet painted
    QImage d_standIn;
};

// A picture the user drags with a mouse button held; positions are relative to the image as it
// stands when the event arrives.
class MarkerImage : public QLabel {
    Q_OBJECT
public:
    explicit MarkerImage(QWidget* parent = nullptr);

signals:
    void pressed(int x, int y);
    void moved(int x, int y);
    void released(int x, int y);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// 0 left, 1 right, 2 middle (and any other button).
int mouseButtonCode(Qt::MouseButton button);
