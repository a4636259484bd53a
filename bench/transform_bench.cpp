// Raw-to-display transform against its budgets. Bytes are counted as USB bytes (the bytes
// the instrument sends for the record), so bytes_per_second compares with the bus (40 MB/s);
// x_bus is how many times faster than the bus delivers the record the transform draws it,
// x_budget how many times faster than its budget it runs.

#include "buffer_display_data.h"
#include "buffer_raw_data.h"
#include "interpolation_sinc.h"
#include "state.h"
#include "transform_raw_display.h"
#include "transform_raw_display_window.h"

#include "bus_rate.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

// A noisy sine of about two screen heights' worth of codes, as a live record looks.
void fillSignal(short* record, int size, int levels, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, levels / 200.0);
    for (int i = 0; i < size; ++i) {
        const double v = levels / 2 + levels / 3 * std::sin(i * 2 * 3.141592653589793 / 2000.0) + noise(rng);
        record[i] = static_cast<short>(v < 0 ? 0 : v >= levels ? levels - 1 : v);
    }
}

struct Scope {
    // Real time, vectors, both channels on, at a record-length mode and time/div code.
    Scope(int hardware, int mode, int timeDiv) {
        s.d_hardwareVersion = hardware;
        s.d_adcLevels = hardware <= _HW2 ? 4096 : 1024;
        s.d_bufferSizeMax = hardware <= _HW2 ? _10K : _500K;
        s.setBufferSizeMode(mode);
        s.setChannelOnOff(_CH1, true);
        s.setChannelOnOff(_CH2, true);
        s.setTimeDiv(timeDiv);
        s.setLineJoinMode(1);
        s.setPersistence(4);
        s.d_runState = _RUN;
        for (int ch = _CH1; ch <= _REFERENCE; ++ch) {
            raw.resize(s.d_bufferSize, ch);
            fillSignal(raw.data(ch), s.d_bufferSize, s.d_adcLevels, static_cast<unsigned>(ch));
            display.create(ch, s.d_displayWidth, s.d_displayHeight);
        }
        transform = std::make_unique<TransformRawDisplay>(&raw, &display, &s, nullptr);
        transform->initDecayTable();
        for (int ch = _CH1; ch <= _REFERENCE; ++ch) transform->buildTable(ch);
    }
    State s;
    BufferRawData raw;
    BufferDisplayData display;
    std::unique_ptr<TransformRawDisplay> transform;
};

// One display cycle at 10k points with both channels on: four traces drawn.
void BM_Cycle10kTwoChannelsFourTraces(benchmark::State& st) {
    Scope scope(_HW1, _10K, 15);
    for (auto _ : st) {
        for (int ch : {_CH1, _CH2, _REFERENCE, _MATH}) scope.transform->transform(ch);
        benchmark::ClobberMemory();
    }
    reportBudget(st, scope.s.d_bufferSizeHardware, 0.3e-3);
}
BENCHMARK(BM_Cycle10kTwoChannelsFourTraces)->Unit(benchmark::kMicrosecond);

// One 500k-point record of both channels.
void BM_Record500kTwoChannels(benchmark::State& st) {
    Scope scope(_HW3, _500K, 17);
    for (auto _ : st) {
        for (int ch : {_CH1, _CH2}) scope.transform->transform(ch);
        benchmark::ClobberMemory();
    }
    reportBudget(st, scope.s.d_bufferSizeHardware, 5e-3);
}
BENCHMARK(BM_Record500kTwoChannels)->Unit(benchmark::kMillisecond);

// Sinc completion of a 10k RIS record at 2 ns/div: a real sample every 100 positions.
void BM_Sinc10k(benchmark::State& st) {
    const int size = 10000;
    const int interval = static_cast<int>(st.range(0));
    std::vector<short> record(size, 4096);
    std::vector<short> work(size);
    fillSignal(work.data(), size, 4096, 3);
    for (int p = 7; p < size; p += interval) record[static_cast<size_t>(p)] = work[static_cast<size_t>(p)];
    InterpolationSinc<short> sinc;
    for (auto _ : st) {
        work = record;
        sinc.init(size, 7.0, interval);
        sinc.interpolate(work.data());
        benchmark::DoNotOptimize(work.data());
    }
    reportBudget(st, 0, 2e-3);
}
BENCHMARK(BM_Sinc10k)->Arg(100)->Arg(20)->Unit(benchmark::kMicrosecond);

// Gap filling with one valid sample, at the end: the case that costs quadratic time when
// every empty position searches for the next value on its own.
void BM_GapFillOneValidSample(benchmark::State& st) {
    const int size = static_cast<int>(st.range(0));
    std::vector<short> record(static_cast<size_t>(size), 4096);
    for (auto _ : st) {
        std::fill(record.begin(), record.end(), 4096);
        record.back() = 100;
        fillRecordGaps(record.data(), size);
        benchmark::DoNotOptimize(record.data());
    }
    st.SetComplexityN(size);
}
BENCHMARK(BM_GapFillOneValidSample)->RangeMultiplier(5)->Range(10000, 1250000)->Complexity(benchmark::oN);

// The same worst case inside the window: ETS at 200 ns/div draws the whole 10k record.
void BM_WindowGapFillOneValidSample(benchmark::State& st) {
    const int size = static_cast<int>(st.range(0));
    std::vector<short> record(static_cast<size_t>(size), 4096);
    record.back() = 100;
    std::vector<unsigned char> image(500 * 400);
    std::vector<int32_t> rows(4096);
    for (int i = 0; i < 4096; ++i) rows[static_cast<size_t>(i)] = i / 10;
    std::vector<int> lo(500), hi(500);
    TraceCanvas c{image.data(), 500, 400, 10, rows.data(), 4096, lo.data(), hi.data()};
    for (auto _ : st) {
        drawWindowVectors(c, record.data(), {0, size, 1}, true);
        benchmark::DoNotOptimize(image.data());
    }
    st.SetComplexityN(size);
}
BENCHMARK(BM_WindowGapFillOneValidSample)->RangeMultiplier(5)->Range(10000, 1250000)->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
