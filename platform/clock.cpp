#include "clock.h"

#include <thread>

Clock::~Clock() = default;

std::chrono::milliseconds SteadyClock::now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyClock::sleepFor(std::chrono::milliseconds duration) {
    if (duration.count() > 0) std::this_thread::sleep_for(duration);
}

bool SteadyClock::waitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                          std::chrono::milliseconds timeout, const std::function<bool()>& pred) {
    return cv.wait_for(lock, timeout, pred);
}

Clock& steadyClock() {
    static SteadyClock clock;
    return clock;
}
