#include "gui_notifier.h"

#include "message_box.h"

#include <QMetaObject>
#include <QObject>

#include <algorithm>
#include <memory>

namespace {

// One box's text: the gathered texts a line each.
std::string joinedLines(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& t : texts) joined += (joined.empty() ? "" : "\n") + t;
    return joined;
}

} // namespace

GuiNotifier::GuiNotifier(QObject* context, std::function<TimePoint()> now)
    : p_context(context), d_now(now ? std::move(now) : [] { return std::chrono::steady_clock::now(); }) {}

void GuiNotifier::notify(std::string_view text) {
    std::string message(text);
    const TimePoint now = d_now();
    std::lock_guard lock(d_mutex);
    std::erase_if(d_closed, [&](const auto& entry) { return now - entry.second >= QUIET; });
    if (d_closed.contains(message) || d_showing.contains(message) ||
        std::find(d_gathered.begin(), d_gathered.end(), message) != d_gathered.end()) {
        ++d_folded;
        return;
    }
    d_gathered.push_back(std::move(message));
    if (!d_queued) queueLocked();
}

void GuiNotifier::queueLocked() {
    d_queued = true;
    QMetaObject::invokeMethod(
        p_context,
        [self = weak_from_this(), texts = d_gathered] {
            if (auto notifier = self.lock()) {
                notifier->showGathered();
                return;
            }
            // Outlived its notifier: what was gathered when it was queued.
            showMessage(joinedLines(texts));
        },
        Qt::QueuedConnection);
}

void GuiNotifier::showGathered() {
    std::vector<std::string> texts;
    {
        std::lock_guard lock(d_mutex);
        texts.swap(d_gathered);
        d_showing.insert(texts.begin(), texts.end());
    }
    const std::string joined = joinedLines(texts);
    // Modal: while it shows, the event loop runs, and new texts gather for the next box.
    if (!joined.empty()) showMessage(joined);
    const TimePoint now = d_now();
    std::lock_guard lock(d_mutex);
    for (const std::string& t : texts) {
        d_showing.erase(t);
        d_closed[t] = now;
    }
    d_queued = false;
    if (!d_gathered.empty()) queueLocked();
}

long GuiNotifier::folded() const {
    std::lock_guard lock(d_mutex);
    return d_folded;
}
