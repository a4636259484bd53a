// The per-cycle drawing of the renderers: four traces through the colour table and the grid,
// into the 501 x 401 picture, then its presentation. The compatible renderer against the fast
// one in each surface format.
//
// BM_TraceWalk is the visit of a trace image's lit pixels that both renderers share, against
// the plain byte loop it replaced, on sparse traces and on dense ones (persistence keeps many
// pixels lit): the walk must be at least as fast on both.
#include "display_gdi.h"
#include "display_direct_x.h"

#include "median_figures.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int W = 500;
constexpr int H = 400;

// A trace as the transform leaves it: a few lit pixels per column (dense: every pixel lit).
std::vector<unsigned char> makeTrace(int phase, bool dense) {
    std::vector<unsigned char> image(W * H, 0);
    for (int i = 0; i < W; ++i) {
        const int row = 200 + static_cast<int>(150 * std::sin((i + phase) * 0.05));
        for (int j = row - 2; j <= row + 2; ++j) image[j * W + i] = static_cast<unsigned char>(30 + 20 * (j - row + 2));
    }
    if (dense)
        for (auto& v : image) v = v ? v : 5;
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
    for (int type = 1; type <= 4; ++type) display.tableColor()->build(type, mode, std::max(format, 0), 53, type == 1);
    std::vector<std::vector<unsigned char>> traces;
    for (int t = 0; t < 4; ++t) traces.push_back(makeTrace(t * 40, dense));
    const int order[] = {1, 2, 4, 3};
    for (auto _ : state) {
        display.clear();
        for (int t = 0; t < 4; ++t) display.drawChannel(order[t], traces[t].data());
        display.drawGrid(true, true, true, 0xCCCCCC);
        benchmark::DoNotOptimize(format < 0 ? gdi.image() : fast.present());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 4 * W * H);
}

void BM_FrameSparseTraces(benchmark::State& state) { drawFrame(state, false); }
void BM_FrameDenseTraces(benchmark::State& state) { drawFrame(state, true); }

BENCHMARK(BM_FrameSparseTraces)->DenseRange(-1, 3);
BENCHMARK(BM_FrameDenseTraces)->DenseRange(-1, 3);

// The walk before the lit-pixel scan: every byte tested.
template <class Plot>
void byteLoop(const unsigned char* image, int width, int height, Plot plot) {
    for (int j = 0; j < height; ++j) {
        const unsigned char* src = image + static_cast<std::size_t>(j) * width;
        for (int i = 0; i < width; ++i)
            if (src[i] != 0) plot(i, height - j, src[i]);
    }
}

// range(0): 1 dense; range(1): 1 the renderers' walk, 0 the byte loop. The plot writes a
// colour through a table into a 501 x 401 picture, as the renderers do.
void BM_TraceWalk(benchmark::State& state) {
    const bool dense = state.range(0) != 0;
    const bool walk = state.range(1) != 0;
    const std::vector<unsigned char> trace = makeTrace(0, dense);
    std::vector<std::uint32_t> picture((W + 1) * (H + 1));
    std::uint32_t table[256];
    for (int v = 0; v < 256; ++v) table[v] = 0xFF000000u | static_cast<std::uint32_t>(v * 0x010101);
    auto plot = [&](int x, int y, unsigned char level) { picture[y * (W + 1) + x] = table[level]; };
    for (auto _ : state) {
        if (walk)
            forEachTracePixel(trace.data(), W, H, plot);
        else
            byteLoop(trace.data(), W, H, plot);
        benchmark::DoNotOptimize(picture.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TraceWalk)->ArgNames({"dense", "walk"})->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1});

} // namespace

int main(int argc, char** argv) {
    return runWithMedianFigures(argc, argv, {},
                                {{"sparse traces: walk faster than the byte loop, times",
                                  {"BM_TraceWalk/dense:0/walk:0"},
                                  {"BM_TraceWalk/dense:0/walk:1"},
                                  1.0},
                                 {"dense traces: walk faster than the byte loop, times",
                                  {"BM_TraceWalk/dense:1/walk:0"},
                                  {"BM_TraceWalk/dense:1/walk:1"},
                                  1.0},
                                 {"dense frame: fast renderer (32-bit) faster than GDI, times",
                                  {"BM_FrameDenseTraces/-1"},
                                  {"BM_FrameDenseTraces/0"},
                                  0},
                                 {"sparse frame: fast renderer (32-bit) faster than GDI, times",
                                  {"BM_FrameSparseTraces/-1"},
                                  {"BM_FrameSparseTraces/0"},
                                  0}});
}
