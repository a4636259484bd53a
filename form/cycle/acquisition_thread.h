#pragma once
// The worker thread and the pause handshake through which the GUI thread keeps it apart from
// its own kernel calls (flags in thread_flags.h).
//
// Worker: announces acquisitionBusyFlag before it looks at the pause request, so the GUI
// never sees it idle while a cycle starts; while a pause is requested it holds busy at 0
// and starts no cycle; it clears busy when a cycle ends.
//
// pauseRequestFlag counts the requests (an action started while another holds the pause
// cannot release the outer one): take it with PauseRequest or one of the forms below, never
// by storing into the flag.
//
// Everything here except the worker itself runs on the GUI thread. The waits "process
// pending GUI messages" through the pump the caller passes: the program passes
// processGuiEventsExceptInput, tests may pass a no-op.

#include "clock.h"

#include <chrono>
#include <functional>
#include <string>

using GuiEventPump = std::function<void()>;

// ---- the worker

// The cycle the worker runs (the main window's AcquisitionCycle::acquireAndDisplay).
// Install it while no worker runs; an empty function removes it.
void setAcquisitionCycle(std::function<void()> cycle);

// Starts the worker (threadRunFlag = 1, triggerTimeoutFlag = 1, the thread). Does nothing
// and returns true while a worker runs. False, after the message "Creation of Thread is
// failed.", when the thread cannot be created; false without a message when no cycle is
// installed. Either way the program runs on without acquisition.
bool startAcquisitionThread();
// Stops the worker after its current cycle and joins it, then runs the changes held for the
// end of a cycle (see below). Returns at once when no worker runs, and also when a pause is
// requested (the paused worker leaves at once).
void stopAcquisitionThread();
bool acquisitionThreadRunning();
// A cycle of the running worker threw: the worker runs no more cycles (the user was told,
// kCycleFailedMessage) until it is stopped and started again.
bool acquisitionHalted();

// Called by the cycle on the worker: the cycle has nothing new to draw, so after it the worker
// waits, idle, until displayChangeCount() differs from `seen` (display_change.h) or `limit`
// has passed. Ignored on any other thread.
void restAfterCycle(unsigned seen, std::chrono::microseconds limit);

// One cycle on the calling (GUI) thread; only while the worker is stopped. Nothing without
// an installed cycle.
void acquireAndDisplay();

// ---- the pause handshake, GUI side
//
// The rule for every GUI-thread user (actions, commands, tool windows, queued calls from the
// worker): code that reads or writes what the cycle uses (kernel state and records, the
// renderer and its colour tables, Environment's display options and measurement levels, the
// cycle's records and images, the tool windows' settings) runs inside one of the forms below,
// or with the worker stopped. Outside them only atomics, and data kept behind its own lock
// (the measurement items, the mouse tools' state), may be touched. Reads whose result is
// needed now (exports, copies of records and images) use pauseStandard; changes use
// pauseStandardHeld or one of the other forms.
//
// Every wait is bounded by PAUSE_WAIT_LIMIT, so a worker stuck in a capture never freezes the
// GUI. A wait that ends while the worker is still in its cycle never runs its work against that
// cycle: a change is held until the cycle ends, a read is refused; either way the user is told
// through the notifier (kPauseHeldMessage, kPauseRefusedMessage).

// One counted pause request for the lifetime of the object.
class PauseRequest {
public:
    PauseRequest();
    ~PauseRequest();
    PauseRequest(const PauseRequest&) = delete;
    PauseRequest& operator=(const PauseRequest&) = delete;
};

// Pending GUI events except user input (QCoreApplication::processEvents); the program's pump.
void processGuiEventsExceptInput();

// How long any form waits for a running cycle (tick count).
constexpr std::chrono::milliseconds PAUSE_WAIT_LIMIT{5000};

// The clock the forms measure their wait on unless given one: the steady clock, or the one
// set here (tests; null restores the steady clock). GUI thread only.
Clock& pauseClock();
void setPauseClock(Clock* clock);

inline constexpr const char* kPauseHeldMessage =
    "The instrument did not finish its capture in time.\nThe change is made when the capture ends.";
inline constexpr const char* kPauseRefusedMessage =
    "The instrument did not finish its capture in time.\nNothing was done.";
inline constexpr const char* kCycleFailedMessage =
    "The acquisition has stopped. Settings and files can still be used and are saved on quitting.";

// Standard form for reads: request, wait while busy pumping `pump`, the work, release. True
// when the work ran; false when the wait ended first: the work never runs (it may use the
// caller's locals).
bool pauseStandard(const GuiEventPump& pump, const std::function<void()>& work, Clock& clock = pauseClock());

// Standard form for changes (every action that changes a setting): as pauseStandard, but a
// work the wait could not run is held until the cycle ends. `work` must own what it uses
// (capture by value). True when the work ran at once.
bool pauseStandardHeld(const GuiEventPump& pump, const std::function<void()>& work, Clock& clock = pauseClock());

// Time-base form: abortReadFlag = 1 (a sample-buffer read in progress returns early), then
// as pauseStandardHeld; abortReadFlag stays raised while the change is held.
bool pauseTimeBase(const GuiEventPump& pump, const std::function<void()>& work, Clock& clock = pauseClock());

// Position form (horizontal position): as pauseStandardHeld without processing GUI messages
// while it waits.
bool pausePosition(const std::function<void()>& work, Clock& clock = pauseClock());

// No-wait form (marker drags, on every mouse move): the work runs at once when the worker is
// between cycles; otherwise it is held until the cycle ends. Held work with the same `key`
// is replaced by the newer one (only the last drag position matters); held works run in the
// order their keys were first held. True when the work ran at once.
bool pauseNoWait(const std::string& key, const std::function<void()>& work);

// Changes held until the end of a cycle run in order, under the pause, from the GUI event
// loop as soon as the worker is between cycles, before the work of any later pause form,
// and when the worker is stopped. Number of changes held now.
int heldChanges();
