#include "queued_run_state_view.h"

#include "acquisition_thread.h"

QueuedRunStateView::QueuedRunStateView(RunStateControls& controls, QObject* parent)
    : QObject(parent), d_controls(controls) {}

// By name rather than by functor: nothing of ours crosses the thread inside Qt's event.
void QueuedRunStateView::updateRunStopControls(int runState_) {
    QMetaObject::invokeMethod(this, "deliverRunStopControls", Qt::QueuedConnection, Q_ARG(int, runState_));
}

void QueuedRunStateView::updateSingleShotButton() {
    QMetaObject::invokeMethod(this, "deliverSingleShotButton", Qt::QueuedConnection);
}

// The refreshes read the kernel and write its buffer-bar figures: between two cycles.
void QueuedRunStateView::deliverRunStopControls(int runState) {
    RunStateControls* controls = &d_controls;
    pauseStandardHeld(processGuiEventsExceptInput, [controls, runState] { controls->updateRunStopControls(runState); });
}

void QueuedRunStateView::deliverSingleShotButton() {
    RunStateControls* controls = &d_controls;
    pauseStandardHeld(processGuiEventsExceptInput, [controls] { controls->updateSingleShotButton(); });
}
