#pragma once
// The acquisition cycle on a whole kernel on the simulated instrument, with recording fakes
// of the windows it feeds, and helpers for waiting on the worker from the test (GUI) thread.

#include "acquisition_cycle.h"
#include "acquisition_thread.h"
#include "display_gdi.h"
#include "environment.h"
#include "simulated_kernel.h"
#include "thread_flags.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// Pumps GUI events until `done` holds; false after `limit` of real time (a hang guard, not a
// measurement).
inline bool pumpUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(60)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

inline void pumpEvents() { QCoreApplication::processEvents(); }

class FakeMainView : public MainWindowView {
public:
    // Read by the worker.
    std::atomic<int> source{1};
    std::atomic<bool> dragging{false};
    std::atomic<int> grid{0x808080};

    int measureSource() const override { return source; }
    bool triggerLevelDragged() const override { return dragging; }
    int gridColor() const override { return grid; }
    void comboTexts(std::array<std::string, 4>& voltDiv, std::string& timeDiv) const override {
        voltDiv = {"1V", "1V", "1V", "1V"};
        timeDiv = "10us";
    }

    // GUI thread.
    void showFrame(const QImage& f) override {
        frame = f;
        ++frames;
    }
    void setStatusText(const std::string& text) override { texts.push_back(text); }

    QImage frame;
    int frames = 0;
    std::vector<std::string> texts;
};

class FakeMeasurementView : public MeasurementView {
public:
    std::atomic<bool> visible{true};
    bool visibleToCycle() const override { return visible; }
    void updateMeasurements(const unsigned char* ch1, const unsigned char* ch2, const unsigned char* math,
                            const unsigned char* ref, bool redrawn) override {
        images = {ch1, ch2, math, ref};
        lastRedrawn = redrawn;
        ++updates;
    }
    // Written by the cycle; read with the worker stopped.
    std::array<const unsigned char*, 4> images{};
    std::atomic<bool> lastRedrawn{false};
    std::atomic<int> updates{0};
};

class FakeSpectrumView : public SpectrumView {
public:
    std::atomic<bool> visible{true};
    std::atomic<int> channel{0};
    bool visibleToCycle() const override { return visible; }
    int fftChannel() const override { return channel; }
    void updateSpectrum(int ch, int length, const short* record) override { calls.push_back({ch, length, record}); }
    struct Call {
        int channel;
        int length;
        const short* record;
    };
    std::vector<Call> calls;
};

class CycleRig {
public:
    explicit CycleRig(const std::string& stateFile = "[CHANNEL]\nchannelOnOff1=1\n", int generation = _HW4)
        : kernel(generation, /*programmed=*/true, stateFile) {
        created = kernel.create();
        display.init(500, 400);
        for (int type = 1; type <= 4; ++type) display.tableColor()->build(type, TableColor::GDI_MODE, 0, 53, false);
        environment = std::make_unique<Environment>(kernel.mainFile("environment.ini"));
        makeCycle(false);
    }

    // The program's cycle, which draws only what is new, with `resting`.
    void makeCycle(bool resting) {
        CycleSetup setup;
        setup.display = &display;
        setup.environment = environment.get();
        setup.graphicMode = TableColor::GDI_MODE;
        setup.frame = [this] { return display.image(); };
        setup.restWhenUnchanged = resting;
        cycle = std::make_unique<AcquisitionCycle>(setup);
        cycle->setMainView(&main);
    }

    ~CycleRig() {
        stopAcquisitionThread();
        setAcquisitionCycle(nullptr);
    }

    // Runs the real worker on this rig's cycle; `cycles` counts finished cycles.
    void startWorker() {
        setAcquisitionCycle([this] {
            cycle->acquireAndDisplay();
            ++cycles;
        });
        startAcquisitionThread();
    }

    // One cycle on this thread, the worker stopped.
    void runCycles(int n) {
        for (int i = 0; i < n; ++i) cycle->acquireAndDisplay();
    }

    // Runs `work` under the standard pause, pumping events while it waits.
    static void paused(const std::function<void()>& work) { pauseStandard(pumpEvents, work); }

    SimulatedKernel kernel;
    bool created = false;
    DisplayGDI display;
    std::unique_ptr<Environment> environment;
    FakeMainView main;
    std::unique_ptr<AcquisitionCycle> cycle;
    std::atomic<int> cycles{0};
};
