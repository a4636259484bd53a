#include "notifier.h"

#include <cstdio>

Notifier::~Notifier() = default;

void StderrNotifier::notify(std::string_view text) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

void RecordingNotifier::notify(std::string_view text) {
    std::lock_guard lock(d_mutex);
    d_messages.emplace_back(text);
}

std::vector<std::string> RecordingNotifier::messages() const {
    std::lock_guard lock(d_mutex);
    return d_messages;
}

void RecordingNotifier::clear() {
    std::lock_guard lock(d_mutex);
    d_messages.clear();
}

namespace {

std::mutex g_notifierMutex;
std::shared_ptr<Notifier> g_notifier;

} // namespace

void setNotifier(std::shared_ptr<Notifier> notifier) {
    std::lock_guard lock(g_notifierMutex);
    g_notifier = std::move(notifier);
}

void notifyUser(std::string_view text) {
    std::shared_ptr<Notifier> notifier;
    {
        std::lock_guard lock(g_notifierMutex);
        notifier = g_notifier;
    }
    if (notifier) {
        notifier->notify(text);
    } else {
        static StderrNotifier fallback;
        fallback.notify(text);
    }
}
