#pragma once
// What the tests that include the main window need of QApplication and Qt Test, which they
// must not include themselves (the X11 part of <QApplication> declares a global Display).

#include <Qt>

class QWidget;

// A key pressed and released on `widget` the way the window system delivers it, shortcuts
// first.
void clickKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// The top-level windows shown, other than `besides`.
int shownWindowsBesides(const QWidget* besides);
// The application font at `factor` times its size when the first call was made (1: back to it).
void scaleApplicationFont(double factor);
// Until the desktop openers started (children of the application) have ended and are gone,
// their failures told.
void waitForOpeners();
