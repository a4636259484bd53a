#pragma once
// The simulated instrument's clock. In virtual mode (tests) time moves only when someone
// sleeps or waits on it, and then at once: a 2 s wait costs no real time. In real-time
// mode (the demo) it follows the steady clock. Either way it runs scheduled actions (a
// controller re-enumerating, a capture finishing) on the thread that moves time past
// them, outside any lock of the clock.

#include "clock.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <stop_token>
#include <utility>

class SimulatedClock final : public Clock {
public:
    enum class Mode { Virtual, RealTime };

    explicit SimulatedClock(Mode mode = Mode::Virtual);

    Mode mode() const { return d_mode; }
    std::chrono::milliseconds now() override;
    void sleepFor(std::chrono::milliseconds duration) override;
    bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::chrono::milliseconds timeout,
                 const std::function<bool()>& pred) override;

    // Moves time on by `duration` (sleeps in real-time mode), running what falls due.
    void advance(std::chrono::milliseconds duration) { sleepFor(duration); }
    // Runs `action` once `delay` has passed.
    void schedule(std::chrono::milliseconds delay, std::function<void()> action);
    // Runs the actions that are due now.
    void runDue();
    // Real-time mode: runs each action when it falls due, until `stop`; sleeps in between, so
    // an instrument left alone costs nothing.
    void runUntil(std::stop_token stop);
    // Number of actions not yet run.
    size_t pending();

private:
    // Virtual mode: moves the time to `target`, running due actions in order.
    void advanceTo(std::chrono::milliseconds target);
    // The time of the next action, or `limit` when none comes sooner.
    std::chrono::milliseconds nextDue(std::chrono::milliseconds limit);

    const Mode d_mode;
    std::chrono::steady_clock::time_point d_start;
    std::mutex d_mutex; // guards the members below, never held while an action runs
    std::chrono::milliseconds d_now{0};
    std::multimap<std::pair<std::int64_t, std::uint64_t>, std::function<void()>> d_actions; // (due, order)
    std::uint64_t d_order = 0;
    std::condition_variable_any d_scheduled; // an action was scheduled
};
