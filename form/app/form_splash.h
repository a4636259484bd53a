#pragma once
// The start-up picture, shown by program entry while the kernel initialises: no caption
// bar, stays on top, centred on the screen, client 489 x 241.

#include <QWidget>

class QLabel;

class TFormSplash : public QWidget {
    Q_OBJECT
public:
    explicit TFormSplash(QWidget* parent = nullptr);

    // Shows the window and paints it at once: the kernel's start-up that follows runs on
    // this thread and lets no paint event through.
    void showAndPaint();

    QLabel* imSplash = nullptr;
    QLabel* NoticeCaption = nullptr;
    QLabel* Label1 = nullptr;
};
