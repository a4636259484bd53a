#include "queued_run_state_view.h"

#include "acquisition_thread.h"

QueuedRunStateView::QueuedRunStateView(RunStateControls& controls, QObject* parent)
    : QObject(parent), d_controls(controls) {}

// The event holds only the run state; it dies with this adapter if still queued.
void QueuedRunStateView::updateRunStopControls(int runState_) {
    QMetaObject::invokeMethod(this, [this, runState_] { deliverRunStopControls(runState_); }, Qt::QueuedConnection);
}

void QueuedRunStateView::updateSingleShotButton() {
    QMetaObject::invokeMethod(this, &QueuedRunStateView::deliverSingleShotButton, Qt::QueuedConnection);
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
