#pragma once
// The program's notifier: a message the kernel raises (on the GUI or the worker thread) is
// passed to the GUI thread by a queued call and shown there in a message box; notify()
// returns at once. A burst of one text gives one box: a text already waiting, showing, or
// closed less than QUIET ago opens no other (a failure repeated by every cycle, or every
// glitch of a flaky cable, would stack modal boxes). The kernel's error stack keeps every
// failure regardless.

#include "notifier.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

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
    // Texts not shown because a box of the same text was waiting, showing or just closed.
    long folded() const;

private:
    void show(const std::string& text);

    QObject* p_context;
    std::function<TimePoint()> d_now;
    mutable std::mutex d_mutex;
    std::set<std::string> d_pending;           // waiting or showing; guarded by d_mutex
    std::map<std::string, TimePoint> d_closed; // when each recent box closed; guarded by d_mutex
    long d_folded = 0;                         // guarded by d_mutex
};
