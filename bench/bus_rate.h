#pragma once
// Figures that compare a benchmark with the USB bus that delivers the records.

#include <benchmark/benchmark.h>

#include <cstdint>

constexpr double kBusBytesPerSecond = 40e6;

// Bytes processed counted in USB bytes; x_bus: how many times faster than the bus delivers
// them; x_budget: how many times inside the budget.
inline void reportBudget(benchmark::State& st, double usbBytes, double budgetSeconds) {
    const double n = static_cast<double>(st.iterations());
    if (usbBytes > 0) {
        st.SetBytesProcessed(static_cast<int64_t>(usbBytes * n));
        st.counters["x_bus"] = benchmark::Counter(usbBytes / kBusBytesPerSecond * n, benchmark::Counter::kIsRate);
    }
    st.counters["x_budget"] = benchmark::Counter(budgetSeconds * n, benchmark::Counter::kIsRate);
}
