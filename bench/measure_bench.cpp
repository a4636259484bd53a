// MEASURE::measure_all on a 500 x 400 image with all 23 slots enabled (limit: 50 us per call),
// and with only the period, as the auto set asks. BM_Transpose is the measurement window's
// copy of a display image into columns before each measurement, against the column-strided
// loop it replaced; it must stay well below the measurements themselves.

#include "measure.h"
#include "measure_set.h"
#include "median_figures.h"
#include "trace_raster.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

void measure(benchmark::State& state, const TraceImage& image, bool allSlots) {
    bool enable[kMeasureSlots] = {};
    for (int s = 0; s < kMeasureSlots; ++s) enable[s] = allSlots || s == _MEASURE_PERIOD;
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
            for (auto& pixel : column) pixel = 60;
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

// The copy the window made before: every row written across all 500 columns.
void columnStrided(const unsigned char* image, int width, int height, unsigned char (*wave)[kMeasureRows]) {
    for (int c = 0; c < kMeasureColumns; ++c) std::fill(wave[c], wave[c] + kMeasureRows, 0);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) wave[c][r] = image[r * width + c];
}

// range(0): 1 the window's transpose, 0 the column-strided loop.
void BM_Transpose(benchmark::State& state) {
    std::vector<unsigned char> image(kMeasureColumns * kMeasureRows);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<unsigned char>(i * 7);
    auto wave = std::make_unique<unsigned char[][kMeasureRows]>(kMeasureColumns);
    for (auto _ : state) {
        if (state.range(0) != 0)
            transposeDisplayImage(image.data(), kMeasureColumns, kMeasureRows, wave.get());
        else
            columnStrided(image.data(), kMeasureColumns, kMeasureRows, wave.get());
        benchmark::DoNotOptimize(wave.get());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Transpose)->ArgName("tiled")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return runWithMedianFigures(
        argc, argv,
        {{"23 measurements of a sine, us", {"allSlotsSine"}, 50, true, 1e6, "us"},
         {"transpose of a 500 x 400 image, us", {"BM_Transpose/tiled:1"}, 0, true, 1e6, "us"}},
        {{"transpose: tiled faster than column-strided, times",
          {"BM_Transpose/tiled:0"},
          {"BM_Transpose/tiled:1"},
          1.0},
         {"23 measurements over the transpose before them, times", {"allSlotsSine"}, {"BM_Transpose/tiled:1"}, 1.0}});
}
