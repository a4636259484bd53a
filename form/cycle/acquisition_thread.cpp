#include "acquisition_thread.h"

#include "display_change.h"
#include "message_box.h"
#include "notifier.h"
#include "precondition.h"
#include "thread_flags.h"
#include "trevan_error.h"

#include <QCoreApplication>
#include <QTimer>

#include <exception>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// Short naps in the spin loops: nothing is timed by them, they only spare a core.
constexpr std::chrono::microseconds WORKER_NAP{100};
constexpr std::chrono::microseconds GUI_NAP{100};
constexpr std::chrono::milliseconds BOUNDED_NAP{1};
constexpr std::chrono::milliseconds HELD_RETRY{1};

// Written on the GUI thread while no worker runs; the thread's start orders it before the
// worker's reads.
std::function<void()> g_cycle;
std::thread g_worker;          // GUI thread only
Clock* g_pauseClock = nullptr; // GUI thread only; null: the steady clock

// Set by a cycle that threw; the worker then runs no cycle until it is started again.
std::atomic<bool> g_halted{false};

// A cycle that throws (running out of memory) must not end the program: the worker stops
// acquiring, says why, and waits for the stop like any worker, so Quit still saves.
void runCycleGuarded() {
    try {
        g_cycle();
        return;
    } catch (const std::bad_alloc&) {
        notifyUser(std::string(error_message(_ERR_MEMORY)) + "\n" + kCycleFailedMessage);
    } catch (const std::exception& e) {
        notifyUser(std::string(e.what()) + "\n" + kCycleFailedMessage);
    } catch (...) {
        notifyUser(kCycleFailedMessage);
    }
    g_halted = true;
}
// The rest the cycle asked for (restAfterCycle); the worker's own.
struct Rest {
    bool asked = false;
    unsigned seen = 0;
    std::chrono::microseconds limit{0};
};
thread_local Rest t_rest;

void acquisitionThreadProc() {
    acquisitionBusyFlag = 0;
    abortReadFlag = 0;
    while (threadRunFlag.load() == 1) {
        acquisitionBusyFlag = 1;
        if (pauseRequestFlag.load() != 0 || g_halted.load()) {
            acquisitionBusyFlag = 0;
            while ((pauseRequestFlag.load() != 0 || g_halted.load()) && threadRunFlag.load() == 1)
                std::this_thread::sleep_for(WORKER_NAP);
            continue;
        }
        t_rest = {};
        runCycleGuarded();
        acquisitionBusyFlag = 0;
        // Idle, not busy: a pause request is granted at once, and its release, a stop or any
        // other change ends the rest.
        if (t_rest.asked && threadRunFlag.load() == 1) waitForDisplayChange(t_rest.seen, t_rest.limit);
    }
    threadRunFlag = 1; // acknowledges the stop
}

// The pause requests a release leaves; what was changed under them is drawn.
void releasePause() {
    pauseRequestFlag.fetch_sub(1);
    notifyDisplayChange();
}

// ---- changes held until the end of a cycle (GUI thread only)

struct HeldChange {
    std::string key;
    std::function<void()> work;
};

std::vector<HeldChange> g_held;
bool g_heldAbortRead = false;
bool g_retryArmed = false;

// The worker is between cycles and kept there (by our own request or the held one).
void runHeldNow() {
    if (g_held.empty()) return;
    std::vector<HeldChange> held = std::move(g_held);
    g_held.clear();
    for (HeldChange& change : held) change.work();
    if (g_heldAbortRead) {
        g_heldAbortRead = false;
        abortReadFlag = 0;
    }
    releasePause(); // the request the held changes kept
}

void armHeldRetry();

void retryHeld() {
    g_retryArmed = false;
    if (g_held.empty()) return;
    if (acquisitionBusyFlag.load() == 0)
        runHeldNow();
    else
        armHeldRetry();
}

void armHeldRetry() {
    QCoreApplication* app = QCoreApplication::instance();
    // Without an event loop the changes run with the next pause form or the next stop.
    if (g_retryArmed || app == nullptr) return;
    g_retryArmed = true;
    QTimer::singleShot(HELD_RETRY, app, retryHeld);
}

void holdChange(const std::string& key, const std::function<void()>& work, bool abortRead) {
    if (g_held.empty()) pauseRequestFlag.fetch_add(1);
    bool replaced = false;
    // An empty key is never replaced: each standard change counts (two toggles cancel out).
    for (HeldChange& change : g_held) {
        if (!key.empty() && change.key == key) {
            change.work = work;
            replaced = true;
            break;
        }
    }
    if (!replaced) g_held.push_back({key, work});
    g_heldAbortRead = g_heldAbortRead || abortRead;
    armHeldRetry();
}

// Waits while the worker is in a cycle; false when `clock` passed the limit first.
bool waitWhileBusyFor(const GuiEventPump& pump, Clock& clock) {
    const std::chrono::milliseconds start = clock.now();
    while (acquisitionBusyFlag.load() != 0) {
        if (clock.now() - start > PAUSE_WAIT_LIMIT) return false;
        if (pump) pump();
        clock.sleepFor(BOUNDED_NAP);
    }
    return true;
}

// Every form but the no-wait one. `key` names a held change that a newer one replaces (empty:
// never replaced); `abortRead` raises abortReadFlag for the wait and keeps it raised while the
// change is held; without `hold` a work the wait could not run is dropped.
bool boundedPause(const GuiEventPump& pump, const std::function<void()>& work, Clock& clock, const char* key,
                  bool abortRead, bool hold) {
    const unsigned char abortBefore = abortRead ? abortReadFlag.exchange(1) : 0;
    PauseRequest request;
    if (!waitWhileBusyFor(pump, clock)) {
        if (hold) {
            holdChange(key, work, abortRead);
        } else if (abortRead) {
            abortReadFlag = abortBefore;
        }
        notifyUser(hold ? kPauseHeldMessage : kPauseRefusedMessage);
        return false;
    }
    runHeldNow();
    work();
    if (abortRead) abortReadFlag = abortBefore;
    return true;
}

} // namespace

void setAcquisitionCycle(std::function<void()> cycle) {
    require(!g_worker.joinable(), "!acquisitionThreadRunning()", "form\\acquisition_thread", __LINE__);
    g_cycle = std::move(cycle);
}

bool startAcquisitionThread() {
    if (g_worker.joinable()) return true;
    if (!g_cycle) return false;
    // Before the thread exists: the first cycle redraws, and the flag is not written after
    // the worker's first capture.
    triggerTimeoutFlag = 1;
    threadRunFlag = 1;
    g_halted = false;
    // What changed while no worker ran is drawn by its first cycle.
    notifyDisplayChange();
    try {
        g_worker = std::thread(acquisitionThreadProc);
    } catch (const std::system_error&) {
        threadRunFlag = 0;
        showMessage("Creation of Thread is failed.");
        return false;
    }
    return true;
}

void stopAcquisitionThread() {
    if (g_worker.joinable()) {
        threadRunFlag = 0;
        notifyDisplayChange(); // ends a rest
        while (threadRunFlag.load() == 0) std::this_thread::sleep_for(GUI_NAP);
        g_worker.join();
        threadRunFlag = 0;
    }
    runHeldNow();
}

bool acquisitionThreadRunning() { return g_worker.joinable(); }

bool acquisitionHalted() { return g_halted.load(); }
void restAfterCycle(unsigned seen, std::chrono::microseconds limit) { t_rest = {true, seen, limit}; }

void acquireAndDisplay() {
    require(!g_worker.joinable(), "!acquisitionThreadRunning()", "form\\acquisition_thread", __LINE__);
    if (g_cycle) g_cycle();
}

Clock& pauseClock() { return g_pauseClock ? *g_pauseClock : steadyClock(); }

void setPauseClock(Clock* clock) { g_pauseClock = clock; }

PauseRequest::PauseRequest() {
    require(pauseRequestFlag.fetch_add(1) < 255, "pauseRequestFlag < 255", "form\\acquisition_thread", __LINE__);
}

PauseRequest::~PauseRequest() { releasePause(); }

void processGuiEventsExceptInput() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool pauseStandard(const GuiEventPump& pump, const std::function<void()>& work, Clock& clock) {
    return boundedPause(pump, work, clock, "", false, false);
}

bool pauseStandardHeld(const GuiEventPump& pump, const std::function<void()>& work, Clock& clock) {
    return boundedPause(pump, work, clock, "", false, true);
}

bool pauseTimeBase(const GuiEventPump& pump, const std::function<void()>& work, Clock& clock) {
    return boundedPause(pump, work, clock, "time base", true, true);
}

bool pausePosition(const std::function<void()>& work, Clock& clock) {
    return boundedPause(nullptr, work, clock, "position", false, true);
}

bool pauseNoWait(const std::string& key, const std::function<void()>& work) {
    PauseRequest request;
    if (acquisitionBusyFlag.load() != 0) {
        holdChange(key, work, false);
        return false;
    }
    runHeldNow();
    work();
    return true;
}

int heldChanges() { return static_cast<int>(g_held.size()); }
