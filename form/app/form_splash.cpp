#include "form_splash.h"
#include "velmora2_version.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

namespace {

constexpr int SPLASH_WIDTH = 489;
constexpr int SPLASH_HEIGHT = 241;

// A dark screen with a green trace: the instrument's own look.
QPixmap splashPicture() {
    QPixmap picture(SPLASH_WIDTH, SPLASH_HEIGHT);
    QPainter p(&picture);
    QLinearGradient sky(0, 0, 0, SPLASH_HEIGHT);
    sky.setColorAt(0, QColor(10, 30, 60));
    sky.setColorAt(1, QColor(0, 0, 0));
    p.fillRect(picture.rect(), sky);
    p.setPen(QPen(QColor(60, 60, 60), 1, Qt::DotLine));
    for (int x = 0; x < SPLASH_WIDTH; x += 49) p.drawLine(x, 0, x, SPLASH_HEIGHT);
    for (int y = 0; y < SPLASH_HEIGHT; y += 40) p.drawLine(0, y, SPLASH_WIDTH, y);
    p.setPen(QPen(QColor(0, 255, 0), 2));
    QPoint last(0, 150);
    for (int x = 0; x < SPLASH_WIDTH; x += 4) {
        const QPoint next(x, (x / 60) % 2 ? 110 : 170);
        p.drawLine(last, next);
        last = next;
    }
    QFont title = p.font();
    title.setPointSize(28);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 30, SPLASH_WIDTH, 60), Qt::AlignCenter, QStringLiteral("Velmora2"));
    return picture;
}

} // namespace

TFormSplash::TFormSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FormSplash"));
    setFixedSize(SPLASH_WIDTH, SPLASH_HEIGHT);

    imSplash = new QLabel(this);
    imSplash->setObjectName(QStringLiteral("imSplash"));
    imSplash->setGeometry(0, 0, SPLASH_WIDTH, SPLASH_HEIGHT);
    imSplash->setPixmap(splashPicture());

    NoticeCaption = new QLabel(QStringLiteral("Welcome to Velmora2 " VELMORA2_VERSION), this);
    NoticeCaption->setObjectName(QStringLiteral("NoticeCaption"));
    NoticeCaption->setGeometry(0, 190, SPLASH_WIDTH, 20);
    NoticeCaption->setAlignment(Qt::AlignCenter);
    NoticeCaption->setStyleSheet(QStringLiteral("color: white;"));

    Label1 = new QLabel(QStringLiteral("Version " VELMORA2_VERSION), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(0, 212, SPLASH_WIDTH - 10, 20);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1->setStyleSheet(QStringLiteral("color: lightgray;"));

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFormSplash::showAndPaint() {
    show();
    repaint();
    // Let the window system map the window before the long start-up blocks this thread.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
