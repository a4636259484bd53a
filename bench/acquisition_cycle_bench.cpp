// The acquisition and display cycle as the demo runs it: both channels at 1 ms/div drawn as
// vectors with the default persistence, offsets as the demo starts with, math and reference
// on for four traces; GDI and the fast renderer; the frames handed to the GUI thread at
// most once per screen refresh, as the program does.
//
// BM_Cycle replays one record of the default signals, so neither the bus nor the making of
// signals costs time: what is timed is the product's own work (CPU time of a cycle; budget
// 0.3 ms for 10k, 6 ms for 500k averaging 16; the fast renderer at least as fast as GDI).
//
// BM_Demo runs the program's worker on the instrument in real time, drawing only what is new
// as the program does, for three seconds a repetition while this thread shows the frames
// every refresh: the process's CPU per second of display (cpu_per_s, a fraction of one core)
// and the frames a second handed over. Scenarios: stopped at 10k and 500k (target 2 %),
// 100 ms/div where a record takes a second (5 %), NORMAL trigger mode without a trigger (2 %),
// running at 1 ms/div (frames on the refresh grid: 60 a second at 60 Hz, never more) and at
// 500k points (at least 18 frames a second: the bus sets the pace). BM_FirstFrame is the start on the demo
// installation (firmware, re-enumeration, relays) to the first frame handed over (target
// 1.2 s; scripts/measure-demo.sh measures the whole program to its first paint).
//
// Every target and ratio is printed at the end from the medians of the run
// (--benchmark_repetitions=5); the counters of a single repetition are only that one's.
//
// (Only a core application: <QGuiApplication> brings X11's `Display` typedef, which clashes
// with the renderer interface.)
#include "acquisition_cycle.h"
#include "acquisition_thread.h"
#include "display_direct_x.h"
#include "display_gdi.h"
#include "environment.h"
#include "record_source.h"
#include "sim_records.h"
#include "simulated_kernel.h"
#include "thread_flags.h"

#include "bus_rate.h"
#include "median_figures.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr double kCycleBudget = 0.3e-3;   // seconds a 10k cycle
constexpr double kAverageBudget = 6e-3;   // seconds a 500k cycle averaging 16 records
constexpr double kFirstFrameTarget = 1.2; // seconds from the start to the first frame
// Frames a second of the demo at 500k points: a two-channel record takes 25 ms on the bus,
// and its acquisition time before that.
constexpr double kFramesTarget500k = 18.0;
constexpr double kRestingCpu = 0.02;  // of one core: stopped, or no trigger in NORMAL
constexpr double kSlowCpu = 0.05;     // of one core at 100 ms/div
constexpr double kRefreshRate = 59.5; // frames a second on a 60 Hz grid, rounding allowed
// The program's pace without a screen to ask: 60 Hz.
constexpr std::chrono::microseconds kRefresh{16667};

enum Renderer { FAST = 0, GDI = 2 };

// The demo's first state (scripts/run-demo.sh), with math and reference for four traces.
std::string demoState(int traces, bool large) {
    std::string s = "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\nvoltageOffset1=300\nvoltageOffset2=100\n"
                    "triggerOffset1=300\ntriggerOffset2=100\n";
    if (traces == 4) s += "channelOnOff3=1\nchannelOnOff4=1\n";
    if (large) s += "numberOfAverage=16\n[ACQUIRE]\nbufferSizeMax=7\nbufferSizeMode=7\n";
    return s + "[HORIZONTAL]\ntimeDiv=17\n[DISPLAY]\nlineJoinMode=2\n";
}

// Keeps the bytes the host reads of the first record of `inner` (armed), then replays them.
class ReplaySource final : public RecordSource {
public:
    explicit ReplaySource(std::unique_ptr<RecordSource> inner) : p_inner(std::move(inner)) {}
    void arm(const InstrumentSettings& settings, std::chrono::milliseconds now) override {
        if (p_inner) p_inner->arm(settings, now);
    }
    bool ready(std::chrono::milliseconds now) override {
        d_position = 0;
        if (p_inner && !d_bytes.empty()) p_inner.reset(); // one record is kept
        return p_inner ? p_inner->ready(now) : true;
    }
    int read(unsigned char* out, int length) override {
        if (p_inner) {
            const int n = p_inner->read(out, length);
            d_bytes.insert(d_bytes.end(), out, out + n);
            return n;
        }
        const size_t n = d_position < d_bytes.size() ? std::min(d_bytes.size() - d_position, size_t(length)) : 0;
        std::copy_n(d_bytes.begin() + static_cast<std::ptrdiff_t>(d_position), n, out);
        d_position += n;
        return static_cast<int>(n);
    }

private:
    std::unique_ptr<RecordSource> p_inner;
    std::vector<unsigned char> d_bytes;
    size_t d_position = 0;
};

class NoScreen : public MainWindowView {
public:
    int measureSource() const override { return 1; }
    bool triggerLevelDragged() const override { return false; }
    int gridColor() const override { return 0xCCCCCC; }
    void comboTexts(std::array<std::string, 4>&, std::string&) const override {}
    void showFrame(const QImage&) override { ++frames; }
    void setStatusText(const std::string&) override {}
    int frames = 0;
};

// The program's cycle on a simulated kernel, with the main window's renderer.
struct Rig {
    Rig(const std::string& state, Renderer renderer, std::chrono::microseconds interval,
        SimulatedClock::Mode clock = SimulatedClock::Mode::Virtual, bool resting = false)
        : kernel(_HW4, clock == SimulatedClock::Mode::Virtual, state, clock) {
        const auto start = std::chrono::steady_clock::now();
        if (!kernel.create()) return;
        environment = std::make_unique<Environment>(kernel.mainFile("environment.ini"));
        CycleSetup setup;
        if (renderer == GDI) {
            auto gdi = std::make_unique<DisplayGDI>();
            gdi->init(500, 400);
            DisplayGDI* g = gdi.get();
            setup.frame = [g] { return g->image(); };
            display = std::move(gdi);
        } else {
            auto fast = std::make_unique<DisplayDirectX>(ScreenMode::of(_SURFACE_32BIT));
            fast->init(500, 400);
            DisplayDirectX* f = fast.get();
            setup.frame = [f] { return f->present(); };
            display = std::move(fast);
        }
        const int format = renderer == GDI ? 0 : static_cast<DisplayDirectX*>(display.get())->surfaceFormat();
        for (int type = 1; type <= 4; ++type) display->tableColor()->build(type, renderer, format, 53, false);
        setup.display = display.get();
        setup.environment = environment.get();
        setup.graphicMode = renderer;
        setup.frameInterval = interval;
        setup.restWhenUnchanged = resting;
        if (clock == SimulatedClock::Mode::Virtual) setup.nap = std::chrono::microseconds(0);
        cycle = std::make_unique<AcquisitionCycle>(std::move(setup));
        cycle->setMainView(&screen);
        created = std::chrono::steady_clock::now() - start;
        ok = true;
    }

    SimulatedKernel kernel;
    std::unique_ptr<Environment> environment;
    std::unique_ptr<Display> display;
    NoScreen screen;
    std::unique_ptr<AcquisitionCycle> cycle;
    std::chrono::steady_clock::duration created{};
    bool ok = false;
};

// range(0): traces (2 or 4); range(1): renderer; range(2): 1 for 500k averaging 16.
void BM_Cycle(benchmark::State& st) {
    const int traces = static_cast<int>(st.range(0));
    const auto renderer = static_cast<Renderer>(st.range(1));
    const bool large = st.range(2) != 0;
    Rig rig(demoState(traces, large), renderer, kRefresh);
    if (!rig.ok) {
        st.SkipWithError("no kernel");
        return;
    }
    AcquisitionCycle& cycle = *rig.cycle;
    std::unique_ptr<RecordSource> records =
        SimRecords::forInstrument(rig.kernel.generation(), rig.kernel.bus->config().chipTemperature, nullptr);
    records->arm(rig.kernel.instrument().settings(), rig.kernel.bus->simulatedClock().now());
    rig.kernel.instrument().setRecordSource(std::make_unique<ReplaySource>(std::move(records)));

    // The reference: channel 2's first record.
    cycle.acquireAndDisplay();
    if (traces == 4 && !controlSaveReference(_CH2, rig.kernel.mainFile("ch2.ref").c_str())) {
        st.SkipWithError("no reference");
        return;
    }
    // The bytes one cycle reads from the instrument.
    rig.kernel.bus->clearTransfers();
    cycle.acquireAndDisplay();
    double bytes = 0;
    for (const TransferRecord& t : rig.kernel.bus->transfers())
        if (t.kind == TransferRecord::Kind::Bulk) bytes += t.transferred;

    int n = 0;
    for (auto _ : st) {
        cycle.acquireAndDisplay();
        if (++n % 64 == 0) {
            st.PauseTiming();
            rig.kernel.bus->clearTransfers();
            QCoreApplication::processEvents(); // the GUI thread shows the frames handed over
            st.ResumeTiming();
        }
    }
    // The replayed record must still be a captured one.
    const short* record = cycle.records().p_rawDataCh1;
    const int length = controlGetBufferSize();
    if (!record || triggerTimeoutFlag.load() || std::count(record, record + length, EMPTY_SAMPLE) == length) {
        st.SkipWithError("the replayed record was not captured");
        return;
    }
    if (traces == 4 && (!cycle.records().p_displayBufferMath || !cycle.records().p_displayBufferRef)) {
        st.SkipWithError("math or reference not drawn");
        return;
    }
    reportBudget(st, bytes, large ? kAverageBudget : kCycleBudget);
}
BENCHMARK(BM_Cycle)
    ->ArgNames({"traces", "renderer", "500k_avg16"})
    ->Args({2, GDI, 0})
    ->Args({2, FAST, 0})
    ->Args({4, GDI, 0})
    ->Args({4, FAST, 0})
    ->Args({2, GDI, 1})
    ->Args({2, FAST, 1})
    ->Unit(benchmark::kMillisecond);

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

enum Scenario { RUNNING = 0, STOPPED = 1, NO_TRIGGER = 2 };

// The demo on the program's worker in real time, three seconds a repetition. range(0):
// time/div code; range(1): 1 for 500k points; range(2): the scenario.
void BM_Demo(benchmark::State& st) {
    const int timeDiv = static_cast<int>(st.range(0));
    const bool large = st.range(1) != 0;
    const auto scenario = static_cast<Scenario>(st.range(2));
    std::string state = "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\nvoltageOffset1=300\nvoltageOffset2=100\n"
                        "[HORIZONTAL]\ntimeDiv=" +
                        std::to_string(timeDiv) + "\n[DISPLAY]\nlineJoinMode=2\n";
    if (large) state += "[ACQUIRE]\nbufferSizeMax=7\nbufferSizeMode=7\n";
    Rig rig(state, GDI, kRefresh, SimulatedClock::Mode::RealTime, true);
    if (!rig.ok) {
        st.SkipWithError("no kernel");
        return;
    }
    AcquisitionCycle* cycle = rig.cycle.get();
    setAcquisitionCycle([cycle] { cycle->acquireAndDisplay(); });
    startAcquisitionThread();
    auto show = [](std::chrono::milliseconds span) {
        // The GUI thread's event loop: woken only by the frames it is handed.
        QEventLoop loop;
        QTimer::singleShot(span, &loop, &QEventLoop::quit);
        loop.exec();
    };
    // A first record on screen (and a stopped capture to show).
    const auto firstEnd = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (rig.screen.frames == 0 && std::chrono::steady_clock::now() < firstEnd) show(std::chrono::milliseconds(10));
    if (scenario == STOPPED) pauseStandard(processGuiEventsExceptInput, [] { controlSetRunState(_STOP); });
    if (scenario == NO_TRIGGER)
        pauseStandard(processGuiEventsExceptInput, [&rig] {
            controlSetTriggerMode(_NORMAL);
            rig.kernel.instrument().setTriggers(false);
        });
    show(std::chrono::milliseconds(300)); // the change drawn, persistence faded
    double cpu = 0, wall = 0;
    int frames = 0;
    for (auto _ : st) {
        const int framesStart = rig.screen.frames;
        const double cpuStart = processSeconds();
        const auto start = std::chrono::steady_clock::now();
        show(std::chrono::seconds(3));
        cpu += processSeconds() - cpuStart;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        frames += rig.screen.frames - framesStart;
    }
    stopAcquisitionThread();
    setAcquisitionCycle({});
    st.counters["cpu_per_s"] = cpu / wall;
    st.counters["frames_per_s"] = frames / wall;
}
BENCHMARK(BM_Demo)
    ->ArgNames({"timediv", "500k", "scenario"})
    ->Args({17, 0, STOPPED})
    ->Args({17, 1, STOPPED})
    ->Args({23, 0, RUNNING})
    ->Args({17, 0, NO_TRIGGER})
    ->Args({17, 0, RUNNING})
    ->Args({17, 1, RUNNING})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

void BM_FirstFrame(benchmark::State& st) {
    double seconds = 0;
    for (auto _ : st) {
        const auto start = std::chrono::steady_clock::now();
        Rig rig(demoState(2, false), GDI, kRefresh, SimulatedClock::Mode::RealTime);
        if (!rig.ok) {
            st.SkipWithError("no kernel");
            return;
        }
        while (rig.screen.frames == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
            rig.cycle->acquireAndDisplay();
            QCoreApplication::processEvents();
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        st.counters["start_s"] = std::chrono::duration<double>(rig.created).count();
    }
    st.counters["first_frame_s"] = seconds;
}
BENCHMARK(BM_FirstFrame)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // queued calls; no text is drawn here
    const MedianValue gdi4{"BM_Cycle/traces:4/renderer:2/500k_avg16:0"};
    const MedianValue fast4{"BM_Cycle/traces:4/renderer:0/500k_avg16:0"};
    auto demo = [](const char* args, const char* counter) {
        return MedianValue{std::string("BM_Demo/timediv:") + args, counter};
    };
    return runWithMedianFigures(
        argc, argv,
        {{"cycle, 2 traces 10k, GDI, ms", {"BM_Cycle/traces:2/renderer:2/500k_avg16:0"}, 0, true, 1e3, "ms"},
         {"cycle, 2 traces 10k, fast renderer, ms", {"BM_Cycle/traces:2/renderer:0/500k_avg16:0"}, 0, true, 1e3, "ms"},
         {"cycle, 4 traces 10k, GDI, ms", gdi4, kCycleBudget * 1e3, true, 1e3, "ms"},
         {"cycle, 4 traces 10k, fast renderer, ms", fast4, kCycleBudget * 1e3, true, 1e3, "ms"},
         {"cycle, 500k averaging 16, GDI, ms",
          {"BM_Cycle/traces:2/renderer:2/500k_avg16:1"},
          kAverageBudget * 1e3,
          true,
          1e3,
          "ms"},
         {"cycle, 500k averaging 16, fast renderer, ms",
          {"BM_Cycle/traces:2/renderer:0/500k_avg16:1"},
          kAverageBudget * 1e3,
          true,
          1e3,
          "ms"},
         {"demo stopped at 10k, % of a core", demo("17/500k:0/scenario:1", "cpu_per_s"), kRestingCpu * 100, true, 100,
          "%"},
         {"demo stopped at 500k, % of a core", demo("17/500k:1/scenario:1", "cpu_per_s"), kRestingCpu * 100, true, 100,
          "%"},
         {"demo at 100 ms/div, % of a core", demo("23/500k:0/scenario:0", "cpu_per_s"), kSlowCpu * 100, true, 100, "%"},
         {"demo NORMAL without a trigger, % of a core", demo("17/500k:0/scenario:2", "cpu_per_s"), kRestingCpu * 100,
          true, 100, "%"},
         {"demo at 1 ms/div 10k, frames a second", demo("17/500k:0/scenario:0", "frames_per_s"), kRefreshRate, false, 1,
          "/s"},
         {"demo at 1 ms/div 10k, % of a core", demo("17/500k:0/scenario:0", "cpu_per_s"), 0, true, 100, "%"},
         {"demo at 500k, frames a second", demo("17/500k:1/scenario:0", "frames_per_s"), kFramesTarget500k, false, 1,
          "/s"},
         {"first frame handed over, s", {"BM_FirstFrame", "first_frame_s"}, kFirstFrameTarget, true, 1, "s"}},
        {{"4 traces 10k: fast renderer faster than GDI, times", gdi4, fast4, 1.0}});
}
