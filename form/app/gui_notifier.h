#pragma once
// The program's notifier: a message the kernel raises (on the GUI or the worker thread) is
// passed to the GUI thread by a queued call and shown there in a message box; notify()
// returns at once. A text already waiting to be shown is not queued a second time, so a
// failure repeated by every cycle gives one box, not one per cycle.

#include "notifier.h"

#include <memory>
#include <mutex>
#include <set>
#include <string>

class QObject;

// Hold it in a shared_ptr (setNotifier): a queued call keeps only a weak reference.
class GuiNotifier final : public Notifier, public std::enable_shared_from_this<GuiNotifier> {
public:
    // `context` (not owned) lives on the GUI thread; its queued calls run there.
    explicit GuiNotifier(QObject* context);
    void notify(std::string_view text) override;

private:
    QObject* p_context;
    std::mutex d_mutex;
    std::set<std::string> d_waiting; // guarded by d_mutex
};
