// Reading and writing the calibration file, the largest settings file (about a thousand keys,
// each looked up or written on its own): at start-up, and after a calibration.
#include "calibration.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string scratchFile(const char* name) {
    return (std::filesystem::temp_directory_path() / ("velmora2-bench-" + std::to_string(getpid()) + "-" + name))
        .string();
}

// A file with every key, as the program writes it.
std::string writtenFile() {
    const std::string path = scratchFile("calibration.ini");
    std::remove(path.c_str());
    Calibration cal;
    cal.HardwareVersion = 3;
    if (!cal.writeIni(path.c_str())) std::abort();
    return path;
}

void BM_ReadCalibrationFile(benchmark::State& state) {
    const std::string path = writtenFile();
    for (auto _ : state) {
        Calibration cal;
        benchmark::DoNotOptimize(cal.readIni(path.c_str()));
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_ReadCalibrationFile)->Unit(benchmark::kMicrosecond);

// Written over a file of all its keys (each key found and replaced) and into a new one
// (each key added).
void BM_WriteCalibrationFile(benchmark::State& state) {
    const bool fresh = state.range(0) != 0;
    const std::string path = writtenFile();
    Calibration cal;
    cal.HardwareVersion = 3;
    for (auto _ : state) {
        if (fresh) std::remove(path.c_str());
        benchmark::DoNotOptimize(cal.writeIni(path.c_str()));
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteCalibrationFile)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
