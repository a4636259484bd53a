// FFT::ExecFFT against FFTW doing the same job: window, real transform, magnitudes scaled
// by 1/N and the window's gain. Prints the CPU-time ratio of each pair from the medians of
// this run (--benchmark_repetitions=5; a benchmark that ran once stands for its median).

#include "fft.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#ifdef VELMORA2_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

const char* const kWindowNames[] = {"rectangular", "hanning", "hamming", "blackman"};

std::vector<float> signal(int n) {
    std::mt19937 gen(42);
    std::normal_distribution<float> noise(0.0f, 0.01f);
    std::vector<float> x(n);
    for (int i = 0; i < n; ++i) x[i] = float(std::sin(0.37 * i) + 0.1 * std::sin(1.9 * i)) + noise(gen);
    return x;
}

void execFft(benchmark::State& state) {
    const int n = int(state.range(0));
    const auto window = static_cast<unsigned short>(state.range(1));
    auto x = signal(n);
    std::vector<float> out(n / 2);
    FFT fft;
    for (auto _ : state) {
        fft.ExecFFT(n, n, x.data(), out.data(), window, false);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(kWindowNames[window]);
}

#ifdef VELMORA2_HAVE_FFTW
void fftwSameJob(benchmark::State& state) {
    const int n = int(state.range(0));
    const auto window = static_cast<unsigned short>(state.range(1));
    auto x = signal(n);
    std::vector<float> out(n / 2);
    double* in = fftw_alloc_real(std::size_t(n));
    fftw_complex* spectrum = fftw_alloc_complex(std::size_t(n / 2 + 1));
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, in, spectrum, FFTW_MEASURE);
    // Window weights made once: FFTW gets its usual head start of a prepared plan and table.
    FFT weights;
    std::vector<double> w(n, 1.0);
    for (int i = 0; i < n; ++i) {
        if (window == _HANNING) w[i] = double(weights.hanning(n, i));
        if (window == _HAMMING) w[i] = double(weights.hamming(n, i));
        if (window == _BLACKMAN) w[i] = double(weights.blackman(n, i));
    }
    const double gains[] = {1.0, 2.0, 1.0 / 0.54, 1.0 / 0.42};
    const double scale = gains[window] / n;
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) in[i] = x[i] * w[i];
        fftw_execute(plan);
        for (int k = 0; k < n / 2; ++k)
            out[k] = float(std::sqrt(spectrum[k][0] * spectrum[k][0] + spectrum[k][1] * spectrum[k][1]) * scale);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
    fftw_free(spectrum);
    fftw_free(in);
    state.SetLabel(kWindowNames[window]);
}
#endif

void sizesAndWindows(benchmark::internal::Benchmark* b) {
    for (int n : {512, 1024, 2048, 4096, 8192})
        for (int window = 0; window < 4; ++window) b->Args({n, window});
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(execFft)->Apply(sizesAndWindows);
#ifdef VELMORA2_HAVE_FFTW
BENCHMARK(fftwSameJob)->Apply(sizesAndWindows);
#endif

// Keeps the console output and remembers each run's median CPU time per iteration for the
// ratios (the machine is shared: real time measures the neighbours too).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if ((median || single) && !run.error_occurred) d_times[run.run_name.str()] = run.GetAdjustedCPUTime();
        }
    }
    void printRatios() const {
        std::printf("\nExecFFT / FFTW, medians of CPU time (same job, same run; goal <= 2.0, stretch <= 1.5)\n");
        std::printf("%6s %-12s %12s %12s %8s\n", "N", "window", "ExecFFT us", "FFTW us", "ratio");
        for (int n : {512, 1024, 2048, 4096, 8192})
            for (int window = 0; window < 4; ++window) {
                char ourName[64], peerName[64];
                std::snprintf(ourName, sizeof ourName, "execFft/%d/%d", n, window);
                std::snprintf(peerName, sizeof peerName, "fftwSameJob/%d/%d", n, window);
                const auto ours = d_times.find(ourName);
                const auto peer = d_times.find(peerName);
                if (ours == d_times.end() || peer == d_times.end()) continue;
                std::printf("%6d %-12s %12.2f %12.2f %8.2f\n", n, kWindowNames[window], ours->second, peer->second,
                            ours->second / peer->second);
            }
    }

private:
    std::map<std::string, double> d_times;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
