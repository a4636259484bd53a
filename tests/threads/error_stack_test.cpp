// The error stack pushed from two threads at once (the GUI and the worker both push).
#include "trevan_error.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(ErrorStackThreads, TwoThreadsPushing) {
    get_error_text();
    // Each thread cycles through twelve codes of its own: 0..11 and 12..23.
    constexpr int kCycle = 12, kPushes = 1000;
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kPushes; ++i) push_error(t * kCycle + i % kCycle, "kernel\\usb", i);
        });
    for (auto& t : threads) t.join();
    // Every tenth push fills the stack and the next one empties it: 2000 pushes leave 10.
    ASSERT_EQ(error_count(), MAX_ERROR_STACK);

    // Newest first; per thread the codes must follow on from each other.
    std::vector<std::string> lines;
    std::istringstream text(get_error_text());
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), std::size_t(MAX_ERROR_STACK));
    int last[2] = {-1, -1};
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        int code = 0;
        while (code < 2 * kCycle && *line != std::string("Error : ") + error_message(code)) ++code;
        ASSERT_LT(code, 2 * kCycle) << *line;
        const int t = code / kCycle;
        if (last[t] >= 0) {
            EXPECT_EQ(code, t * kCycle + (last[t] - t * kCycle + 1) % kCycle) << "thread " << t;
        }
        last[t] = code;
    }
}

} // namespace
