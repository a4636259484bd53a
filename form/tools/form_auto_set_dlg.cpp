#include "form_auto_set_dlg.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QThread>
#include <QWindow>

TFormAutoSetDlg::TFormAutoSetDlg(QWidget* centreOn)
    : QDialog(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("FormAutoSetDlg");
    setWindowTitle("Autoset in process");
    setFixedSize(296, 99);

    auto* panel = new QWidget(this);
    panel->setObjectName("Panel1");
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(palette);
    panel->setGeometry(0, 0, 296, 99);

    auto* layout = new QHBoxLayout(panel);
    auto* image = new QLabel(panel);
    image->setObjectName("Image1");
    image->setPixmap(style()->standardIcon(QStyle::SP_BrowserReload).pixmap(48, 48));
    auto* text = new QLabel("Autoset in progress ...", panel);
    text->setObjectName("Label1");
    layout->addWidget(image);
    layout->addWidget(text, 1);

    const QRect area = centreOn ? centreOn->frameGeometry()
                                : (QApplication::primaryScreen() ? QApplication::primaryScreen()->geometry() : QRect());
    if (area.isValid()) move(area.center() - rect().center());
}

void TFormAutoSetDlg::showAndPaint() {
    show();
    raise();
    // A window is drawn only once the window system has mapped and exposed it; a repaint before
    // that draws nothing, and the old contents of the screen show through.
    const QDeadlineTimer limit(1000);
    while (!(windowHandle() && windowHandle()->isExposed()) && !limit.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
    repaint();
    keepPainted();
}

void TFormAutoSetDlg::keepPainted() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }
