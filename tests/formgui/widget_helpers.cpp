#include "widget_helpers.h"

#include <QApplication>
#include <QProcess>
#include <QTest>

void clickKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(widget, key, modifiers);
}

int shownWindowsBesides(const QWidget* besides) {
    int n = 0;
    for (const QWidget* w : QApplication::topLevelWidgets()) n += w != besides && w->isVisible();
    return n;
}

void scaleApplicationFont(double factor) {
    static const QFont original = QApplication::font();
    QFont scaled = original;
    scaled.setPointSizeF(original.pointSizeF() * factor);
    QApplication::setFont(scaled);
}

void waitForOpeners() {
    for (int i = 0; i < 500; ++i) {
        QProcess* process = QCoreApplication::instance()->findChild<QProcess*>();
        if (!process) break;
        process->waitForFinished(10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}
