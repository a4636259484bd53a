// The per-cycle drawing of the renderers: four traces through the colour table and the grid,
// into the 501 x 401 picture, then its presentation. The compatible renderer against the fast
// one in each surface format.
#include "display_direct_x.h"
#include "display_gdi.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int W = 500;
constexpr int H = 400;

// A trace as the transform leaves it: a few lit pixels per column (dense: every pixel lit).
std::vector<unsigned char> makeTrace(int phase, bool dense) {
    std::vector<unsigned char> image(W * H, 0);
    for (int i = 0; i < W; ++i) {
        const int row = 200 + static_cast<int>(150 * std::sin((i + phase) * 0.05));
        for (int j = row - 2; j <= row + 2; ++j)
            image[j * W + i] = static_cast<unsigned char>(30 + 20 * (j - row + 2));
    }
    if (dense)
        for (auto& v : image)
            v = v ? v : 5;
    return image;
}

// format -1: the compatible renderer; 0..3: the fast one in that surface format.
void drawFrame(benchmark::State& state, bool dense) {
    const int format = static_cast<int>(state.range(0));
    DisplayGDI gdi;
    DisplayDirectX fast(ScreenMode::of(static_cast<SurfaceFormat>(std::max(format, 0))));
    Display& display = format < 0 ? static_cast<Display&>(gdi) : fast;
    display.init(W, H);
    const int mode = format < 0 ? TableColor::GDI_MODE : 0;
    for (int type = 1; type <= 4; ++type)
        display.tableColor()->build(type, mode, std::max(format, 0), 53, type == 1);
    std::vector<std::vector<unsigned char>> traces;
    for (int t = 0; t < 4; ++t)
        traces.push_back(makeTrace(t * 40, dense));
    const int order[] = {1, 2, 4, 3};
    for (auto _ : state) {
        display.clear();
        for (int t = 0; t < 4; ++t)
            display.drawChannel(order[t], traces[t].data());
        display.drawGrid(true, true, true, 0xCCCCCC);
        benchmark::DoNotOptimize(format < 0 ? gdi.image() : fast.present());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 4 * W * H);
}

void BM_FrameSparseTraces(benchmark::State& state) {
    drawFrame(state, false);
}
void BM_FrameDenseTraces(benchmark::State& state) {
    drawFrame(state, true);
}

BENCHMARK(BM_FrameSparseTraces)->DenseRange(-1, 3);
BENCHMARK(BM_FrameDenseTraces)->DenseRange(-1, 3);

} // namespace

BENCHMARK_MAIN();
