#include "cursors.h"

#include "environment.h"

#include <QLabel>

namespace {

void show(const CursorPanels& panels, const CursorReadout& readout) {
    if (panels[0]) panels[0]->setText(QString::fromStdString(readout.horizontal));
    if (panels[1]) panels[1]->setText(QString::fromStdString(readout.vertical));
}

} // namespace

void cursorPress(Environment& env, const CursorPanels& panels, int measureSource, int button, int x, int y) {
    show(panels, cursorPress(env, cursorScales(measureSource), button, x, y));
}

void cursorDrag(Environment& env, const CursorPanels& panels, int measureSource, int x, int y) {
    if (!env.cursorDragging) return;
    if (const auto readout = cursorDrag(env, cursorScales(measureSource), x, y)) show(panels, *readout);
}

void cursorRelease(Environment& env, int /*button*/, int x, int y) {
    if (!env.cursorDragging) return;
    cursorRelease(env, cursorScales(0), x, y);
}

void updateCursorReadout(Environment& env, const CursorPanels& panels, int measureSource) {
    show(panels, updateCursorReadout(env, cursorScales(measureSource)));
}
