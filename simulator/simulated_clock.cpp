#include "simulated_clock.h"

#include <algorithm>
#include <thread>

namespace {

constexpr std::chrono::milliseconds kRealTimeSlice{10};

} // namespace

SimulatedClock::SimulatedClock(Mode mode) : d_mode(mode), d_start(std::chrono::steady_clock::now()) {}

std::chrono::milliseconds SimulatedClock::now() {
    if (d_mode == Mode::RealTime)
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - d_start);
    std::lock_guard lock(d_mutex);
    return d_now;
}

void SimulatedClock::schedule(std::chrono::milliseconds delay, std::function<void()> action) {
    const std::chrono::milliseconds due = now() + std::max(delay, std::chrono::milliseconds(0));
    {
        std::lock_guard lock(d_mutex);
        d_actions.emplace(std::make_pair(due.count(), d_order++), std::move(action));
    }
    d_scheduled.notify_all();
}

size_t SimulatedClock::pending() {
    std::lock_guard lock(d_mutex);
    return d_actions.size();
}

std::chrono::milliseconds SimulatedClock::nextDue(std::chrono::milliseconds limit) {
    std::lock_guard lock(d_mutex);
    if (d_actions.empty()) return limit;
    return std::min(limit, std::chrono::milliseconds(d_actions.begin()->first.first));
}

void SimulatedClock::runDue() {
    const std::chrono::milliseconds current = now();
    for (;;) {
        std::function<void()> action;
        {
            std::lock_guard lock(d_mutex);
            if (d_actions.empty() || d_actions.begin()->first.first > current.count()) return;
            action = std::move(d_actions.begin()->second);
            d_actions.erase(d_actions.begin());
        }
        action();
    }
}

void SimulatedClock::runUntil(std::stop_token stop) {
    std::unique_lock lock(d_mutex);
    while (!stop.stop_requested()) {
        if (d_actions.empty()) {
            d_scheduled.wait(lock, stop, [this] { return !d_actions.empty(); });
            continue;
        }
        const auto dueOf = [this](std::int64_t ms) { return d_start + std::chrono::milliseconds(ms); };
        const auto due = dueOf(d_actions.begin()->first.first);
        if (std::chrono::steady_clock::now() < due) {
            // Woken early by an action that falls due sooner.
            d_scheduled.wait_until(lock, stop, due,
                                   [&] { return !d_actions.empty() && dueOf(d_actions.begin()->first.first) < due; });
            continue;
        }
        lock.unlock();
        runDue();
        lock.lock();
    }
}

void SimulatedClock::advanceTo(std::chrono::milliseconds target) {
    for (;;) {
        std::function<void()> action;
        {
            std::lock_guard lock(d_mutex);
            if (d_actions.empty() || d_actions.begin()->first.first > target.count()) {
                d_now = std::max(d_now, target);
                return;
            }
            d_now = std::max(d_now, std::chrono::milliseconds(d_actions.begin()->first.first));
            action = std::move(d_actions.begin()->second);
            d_actions.erase(d_actions.begin());
        }
        action();
    }
}

void SimulatedClock::sleepFor(std::chrono::milliseconds duration) {
    const std::chrono::milliseconds target = now() + std::max(duration, std::chrono::milliseconds(0));
    if (d_mode == Mode::Virtual) {
        advanceTo(target);
        return;
    }
    for (std::chrono::milliseconds t = now(); t < target; t = now()) {
        std::this_thread::sleep_for(std::min(target - t, nextDue(target) - t + std::chrono::milliseconds(1)));
        runDue();
    }
    runDue();
}

bool SimulatedClock::waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                             std::chrono::milliseconds timeout, const std::function<bool()>& pred) {
    const std::chrono::milliseconds deadline = now() + timeout;
    for (;;) {
        if (pred()) return true;
        const std::chrono::milliseconds t = now();
        if (t >= deadline) return false;
        if (d_mode == Mode::Virtual) {
            const std::chrono::milliseconds next = nextDue(deadline);
            lock.unlock();
            advanceTo(std::max(next, t));
            lock.lock();
        } else {
            cv.wait_for(lock, std::min({deadline - t, kRealTimeSlice, nextDue(deadline) - t}));
            lock.unlock();
            runDue();
            lock.lock();
        }
    }
}
