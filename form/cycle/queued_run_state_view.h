#pragma once
// The bridge for the kernel's single-shot upcall: the capture refreshes the run-state
// controls on the worker thread (RunStateView), and this adapter passes each refresh to the
// GUI thread by a queued call, so the worker neither touches a widget nor waits. There each
// refresh runs under the pause handshake, since it reads the kernel.
//
// Create it on the GUI thread; install it in the capture while the worker is stopped.
// Refreshes still queued when it is destroyed are dropped.

#include "capture.h"
#include "cycle_view.h"

#include <QObject>

class QueuedRunStateView : public QObject, public RunStateView {
    Q_OBJECT
public:
    // `controls` (not owned) must outlive this adapter.
    explicit QueuedRunStateView(RunStateControls& controls, QObject* parent = nullptr);

    // worker (or any thread): queue the refresh and return at once.
    void updateRunStopControls(int runState_) override;
    void updateSingleShotButton() override;

private:
    Q_INVOKABLE void deliverRunStopControls(int runState);
    Q_INVOKABLE void deliverSingleShotButton();

    RunStateControls& d_controls;
};
