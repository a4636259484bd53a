#include "display_change.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

std::mutex g_mutex;
std::condition_variable g_changed;
std::atomic<unsigned> g_count{0};

} // namespace

unsigned displayChangeCount() { return g_count.load(); }

void notifyDisplayChange() {
    {
        // Under the lock: a waiter between its test and its sleep cannot miss the bump.
        std::lock_guard lock(g_mutex);
        g_count.fetch_add(1);
    }
    g_changed.notify_all();
}

bool waitForDisplayChange(unsigned seen, std::chrono::microseconds limit) {
    std::unique_lock lock(g_mutex);
    return g_changed.wait_for(lock, limit, [seen] { return g_count.load() != seen; });
}
