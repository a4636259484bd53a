// The per-cycle drawing of the compatible renderer: four traces through the colour table
// and the grid, into the 501 x 401 image.
#include "display_gdi.h"

#include <benchmark/benchmark.h>

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

void drawFrame(benchmark::State& state, bool dense) {
    DisplayGDI display;
    display.init(W, H);
    for (int type = 1; type <= 4; ++type)
        display.tableColor()->build(type, TableColor::GDI_MODE, 0, 53, type == 1);
    std::vector<std::vector<unsigned char>> traces;
    for (int t = 0; t < 4; ++t)
        traces.push_back(makeTrace(t * 40, dense));
    const int order[] = {1, 2, 4, 3};
    for (auto _ : state) {
        display.clear();
        for (int t = 0; t < 4; ++t)
            display.drawChannel(order[t], traces[t].data());
        display.drawGrid(true, true, true, 0xCCCCCC);
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

BENCHMARK(BM_FrameSparseTraces);
BENCHMARK(BM_FrameDenseTraces);

} // namespace

BENCHMARK_MAIN();
