// MEASURE::measure_all on a 500 x 400 image with all 23 slots enabled (limit: 50 us per call),
// and with only the period, as the auto set asks.

#include "measure.h"
#include "trace_raster.h"

#include <benchmark/benchmark.h>

namespace {

void measure(benchmark::State& state, const TraceImage& image, bool allSlots) {
    bool enable[kMeasureSlots] = {};
    for (int s = 0; s < kMeasureSlots; ++s)
        enable[s] = allSlots || s == _MEASURE_PERIOD;
    double result[kMeasureSlots];
    const MEASURE m;
    for (auto _ : state) {
        m.measure_all(image.wave, 200, 1.0f, 1e-3, enable, result, 90, 10);
        benchmark::DoNotOptimize(result);
        benchmark::ClobberMemory();
    }
}

const TraceImage& sineImage() {
    static const auto image = drawTrace(sineShape(200, 120, 125, 3));
    return *image;
}

const TraceImage& squareImage() {
    static const auto image = drawTrace(pulseShape(138, 263, 100, 37.5, 50));
    return *image;
}

// Every pixel hit: the scans for first and last rows end at once, the histogram does not.
const TraceImage& fullImage() {
    static const auto image = [] {
        auto full = std::make_unique<TraceImage>();
        for (auto& column : full->wave)
            for (auto& pixel : column)
                pixel = 60;
        return full;
    }();
    return *image;
}

void allSlotsSine(benchmark::State& state) { measure(state, sineImage(), true); }
void allSlotsSquare(benchmark::State& state) { measure(state, squareImage(), true); }
void allSlotsFull(benchmark::State& state) { measure(state, fullImage(), true); }
void periodOnlySine(benchmark::State& state) { measure(state, sineImage(), false); }

BENCHMARK(allSlotsSine)->Unit(benchmark::kMicrosecond);
BENCHMARK(allSlotsSquare)->Unit(benchmark::kMicrosecond);
BENCHMARK(allSlotsFull)->Unit(benchmark::kMicrosecond);
BENCHMARK(periodOnlySine)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
