#include "gui_notifier.h"

#include "message_box.h"

#include <QMetaObject>
#include <QObject>

#include <memory>

GuiNotifier::GuiNotifier(QObject* context, std::function<TimePoint()> now)
    : p_context(context), d_now(now ? std::move(now) : [] { return std::chrono::steady_clock::now(); }) {}

void GuiNotifier::notify(std::string_view text) {
    std::string message(text);
    {
        const TimePoint now = d_now();
        std::lock_guard lock(d_mutex);
        std::erase_if(d_closed, [&](const auto& entry) { return now - entry.second >= QUIET; });
        if (d_closed.contains(message) || !d_pending.insert(message).second) {
            ++d_folded;
            return;
        }
    }
    QMetaObject::invokeMethod(
        p_context,
        [self = weak_from_this(), message] {
            if (auto notifier = self.lock()) {
                notifier->show(message);
            } else {
                showMessage(message);
            }
        },
        Qt::QueuedConnection);
}

void GuiNotifier::show(const std::string& text) {
    // The box is modal: while it shows, the event loop runs the next queued texts.
    showMessage(text);
    const TimePoint now = d_now();
    std::lock_guard lock(d_mutex);
    d_pending.erase(text);
    d_closed[text] = now;
}

long GuiNotifier::folded() const {
    std::lock_guard lock(d_mutex);
    return d_folded;
}
