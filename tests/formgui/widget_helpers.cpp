#include "widget_helpers.h"

#include <QApplication>
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
