#pragma once
// The figures a benchmark program stands for, printed after its runs from the medians of the
// same run (run it with --benchmark_repetitions=5): each figure's median against its target,
// and each ratio as one median over another. A benchmark that ran once stands for its own
// median. A repetition's counters are only that repetition's: read the figures here.
//
// A figure names its run by the start of the run's name ("BM_Cycle/traces:4/renderer:2") and
// takes the run's CPU time per iteration in seconds, or one of its counters.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct MedianValue {
    MedianValue(std::string run_, std::string counter_ = {}) : run(std::move(run_)), counter(std::move(counter_)) {}
    MedianValue(const char* run_) : run(run_) {}
    std::string run;     // the start of the run's name
    std::string counter; // empty: CPU seconds per iteration
};

struct MedianFigure {
    std::string label;
    MedianValue value;
    double target = 0;  // 0: none
    bool atMost = true; // the target is an upper bound (times), else a lower one (rates)
    double scale = 1;   // printed value = value * scale
    std::string unit;
};

struct MedianRatio {
    std::string label; // "how many times ..."
    MedianValue numerator;
    MedianValue denominator;
    double atLeast = 0; // 0: no target
};

class MedianFigures : public benchmark::ConsoleReporter {
public:
    MedianFigures(std::vector<MedianFigure> figures, std::vector<MedianRatio> ratios)
        : d_figures(std::move(figures)), d_ratios(std::move(ratios)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (!median && !single) continue;
            Values& v = d_values[run.run_name.str()];
            v.cpuSeconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            for (const auto& [name, counter] : run.counters) v.counters[name] = counter.value;
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nMedians of this run:\n");
        for (const MedianFigure& f : d_figures) {
            double v = 0;
            if (!find(f.value, v)) {
                std::printf("  %-58s (not run)\n", f.label.c_str());
                continue;
            }
            std::printf("  %-58s %10.4g %s", f.label.c_str(), v * f.scale, f.unit.c_str());
            if (f.target > 0) {
                const double x = f.atMost ? f.target / (v * f.scale) : (v * f.scale) / f.target;
                std::printf("  target %s %g %s, x_target %.2f %s", f.atMost ? "<=" : ">=", f.target, f.unit.c_str(), x,
                            x >= 1 ? "(met)" : "(MISSED)");
            }
            std::printf("\n");
        }
        for (const MedianRatio& r : d_ratios) {
            double n = 0, d = 0;
            if (!find(r.numerator, n) || !find(r.denominator, d) || d == 0) {
                std::printf("  %-58s (not run)\n", r.label.c_str());
                continue;
            }
            std::printf("  %-58s %10.3g", r.label.c_str(), n / d);
            if (r.atLeast > 0) std::printf("  target >= %g %s", r.atLeast, n / d >= r.atLeast ? "(met)" : "(MISSED)");
            std::printf("\n");
        }
        std::fflush(stdout);
    }

private:
    struct Values {
        double cpuSeconds = 0;
        std::map<std::string, double> counters;
    };

    bool find(const MedianValue& which, double& out) const {
        for (const auto& [name, v] : d_values) {
            if (name.compare(0, which.run.size(), which.run) != 0) continue;
            // The whole name or up to a separator: "traces:4" must not match "traces:40".
            if (name.size() > which.run.size() && name[which.run.size()] != '/') continue;
            if (which.counter.empty()) {
                out = v.cpuSeconds;
                return true;
            }
            const auto c = v.counters.find(which.counter);
            if (c == v.counters.end()) return false;
            out = c->second;
            return true;
        }
        return false;
    }

    std::vector<MedianFigure> d_figures;
    std::vector<MedianRatio> d_ratios;
    std::map<std::string, Values> d_values;
};

// The usual main of a benchmark program, with its figures.
inline int runWithMedianFigures(int argc, char** argv, std::vector<MedianFigure> figures,
                                std::vector<MedianRatio> ratios = {}) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    MedianFigures reporter(std::move(figures), std::move(ratios));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
