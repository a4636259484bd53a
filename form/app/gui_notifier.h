#pragma once
// The program's notifier: a message the kernel raises (on the GUI or the worker thread) is
// passed to the GUI thread by a queued call and shown there in a message box; notify()
// returns at once. One box at a time: the texts that come while it waits or shows are
// gathered into the next one, each text once (a failed transfer tells the driver's status
// and the operation; a flaky cable fails transfer after transfer, which would otherwise stack
// modal boxes). A text shown less than QUIET ago, or showing, is folded away. The kernel's
// error stack keeps every failure regardless.

#include "notifier.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class QObject;

// Hold it in a shared_ptr (setNotifier): a queued call keeps only a weak reference.
class GuiNotifier final : public Notifier, public std::enable_shared_from_this<GuiNotifier> {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr std::chrono::seconds QUIET{2};

    // `context` (not owned) lives on the GUI thread; its queued calls run there. `now` is the
    // clock of the quiet time (the steady clock when empty).
    explicit GuiNotifier(QObject* context, std::function<TimePoint()> now = {});
    void notify(std::string_view text) override;
    // Texts not shown because the same text was waiting, showing or just shown.
    long folded() const;

private:
    // Queues the showing of the gathered texts; needs d_mutex.
    void queueLocked();
    // GUI thread: shows the gathered texts in one box, then the next gathered ones.
    void showGathered();

    QObject* p_context;
    std::function<TimePoint()> d_now;
    mutable std::mutex d_mutex;                // guards the members below
    std::vector<std::string> d_gathered;       // for the next box, in order
    std::set<std::string> d_showing;           // in the box now open
    std::map<std::string, TimePoint> d_closed; // when each recent text's box closed
    bool d_queued = false;                     // a showing is queued or running
    long d_folded = 0;
};
