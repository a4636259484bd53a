#pragma once
// Time for the layers that wait. The program runs on the steady clock; tests and the
// simulated instrument use a clock of their own (simulator/simulated_clock.h), so that
// pauses and time-outs cost no real time there. Times are milliseconds from an arbitrary
// start, never wall-clock time.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

class Clock {
public:
    virtual ~Clock();

    virtual std::chrono::milliseconds now() = 0;
    virtual void sleepFor(std::chrono::milliseconds duration) = 0;
    // Waits until pred() holds or `timeout` has passed. `lock` holds the mutex of `cv` on
    // entry and on return; pred() is evaluated with it held. Returns the last pred().
    virtual bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                         std::chrono::milliseconds timeout, const std::function<bool()>& pred) = 0;
};

class SteadyClock final : public Clock {
public:
    std::chrono::milliseconds now() override;
    void sleepFor(std::chrono::milliseconds duration) override;
    bool waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::chrono::milliseconds timeout,
                 const std::function<bool()>& pred) override;
};

// The one steady clock of the program.
Clock& steadyClock();
