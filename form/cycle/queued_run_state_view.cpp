#include "queued_run_state_view.h"

QueuedRunStateView::QueuedRunStateView(RunStateControls& controls, QObject* parent)
    : QObject(parent), d_controls(controls) {}

// By name rather than by functor: nothing of ours crosses the thread inside Qt's event.
void QueuedRunStateView::updateRunStopControls(int runState_) {
    QMetaObject::invokeMethod(this, "deliverRunStopControls", Qt::QueuedConnection, Q_ARG(int, runState_));
}

void QueuedRunStateView::updateSingleShotButton() {
    QMetaObject::invokeMethod(this, "deliverSingleShotButton", Qt::QueuedConnection);
}

void QueuedRunStateView::deliverRunStopControls(int runState) { d_controls.updateRunStopControls(runState); }

void QueuedRunStateView::deliverSingleShotButton() { d_controls.updateSingleShotButton(); }
