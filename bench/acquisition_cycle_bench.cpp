// One acquisition and display cycle on the simulated instrument, without its pause: the
// capture's decoding, the transforms of the traces that are on, the drawing and the copy of
// the frame for the GUI thread. The instrument replays one record of its default signals, so
// neither the bus nor the making of signals costs time here; x_bus is how many times faster
// than the bus (40 MB/s) delivers the cycle's record the cycle does its own work: above 1
// the cycle keeps up with the bus. (Only a core application: <QGuiApplication>
// brings X11's `Display` typedef, which clashes with the renderer interface.)
#include "acquisition_cycle.h"
#include "display_gdi.h"
#include "environment.h"
#include "record_source.h"
#include "sim_records.h"
#include "simulated_kernel.h"
#include "thread_flags.h"

#include "bus_rate.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <algorithm>
#include <memory>
#include <vector>

namespace {


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
        int n = 0;
        for (; n < length && d_position < d_bytes.size(); ++n, ++d_position) out[n] = d_bytes[d_position];
        return n;
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
    void showFrame(const QImage&) override {}
    void setStatusText(const std::string&) override {}
};

void BM_Cycle(benchmark::State& st) {
    const bool both = st.range(0) == 2;
    SimulatedKernel kernel(_HW4, true, both ? "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\n" : "[CHANNEL]\nchannelOnOff1=1\n");
    if (!kernel.create()) {
        st.SkipWithError("no kernel");
        return;
    }
    DisplayGDI display;
    display.init(500, 400);
    for (int type = 1; type <= 4; ++type)
        display.tableColor()->build(type, TableColor::GDI_MODE, 0, 53, false);
    Environment environment(kernel.mainFile("environment.ini"));
    NoScreen screen;
    CycleSetup setup;
    setup.display = &display;
    setup.environment = &environment;
    setup.frame = [&display] { return display.image(); };
    setup.nap = std::chrono::microseconds(0);
    AcquisitionCycle cycle(setup);
    cycle.setMainView(&screen);
    std::unique_ptr<RecordSource> records =
        SimRecords::forInstrument(kernel.generation(), kernel.bus->config().chipTemperature, nullptr);
    records->arm(kernel.instrument().settings(), kernel.bus->simulatedClock().now());
    kernel.instrument().setRecordSource(std::make_unique<ReplaySource>(std::move(records)));

    // The bytes one cycle reads from the instrument.
    cycle.acquireAndDisplay();
    kernel.bus->clearTransfers();
    cycle.acquireAndDisplay();
    double bytes = 0;
    for (const TransferRecord& t : kernel.bus->transfers())
        if (t.kind == TransferRecord::Kind::Bulk) bytes += t.transferred;

    int n = 0;
    for (auto _ : st) {
        cycle.acquireAndDisplay();
        if (++n % 256 == 0) {
            st.PauseTiming();
            kernel.bus->clearTransfers();
            QCoreApplication::processEvents();
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
    const double iterations = static_cast<double>(st.iterations());
    st.SetBytesProcessed(static_cast<int64_t>(bytes * iterations));
    st.counters["x_bus"] = benchmark::Counter(bytes / kBusBytesPerSecond * iterations, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Cycle)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // queued calls; no text is drawn here
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
