#pragma once
// One acquisition and display cycle, acquireAndDisplay: capture by the run state, the
// per-record treatments, reference and math, the traces drawn by the renderer, the tool
// windows fed, grid, labels, cursors and the dragged trigger level, the status text, and
// the finished frame handed to the GUI thread (frame_delivery.h).
//
// Threads: the worker runs it (acquisition_thread.h); GUI-thread code may run it directly
// only while the worker is stopped. It reaches the kernel only through the facade, draws only
// through the Display, and reaches the windows only through cycle_view.h. It reads the
// options of Environment and the renderer's colour table without a lock: the GUI thread
// changes them under the pause handshake (labels, cursors and the selected object under
// Environment::toolStateLock instead).

#include "cycle_status.h"
#include "cycle_view.h"
#include "frame_delivery.h"

#include <QImage>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

class Display;
class Environment;

// The main window's record and image pointers, set by the cycle. Owned by the kernel: an
// image is null while its trace is off, a record null while its channel is off or before
// its first capture. Read them on the GUI thread only under the pause handshake or with
// the worker stopped; they change with every cycle.
struct CycleRecords {
    short* p_rawDataCh1 = nullptr;
    short* p_rawDataCh2 = nullptr;
    unsigned char* p_displayBufferCh1 = nullptr;
    unsigned char* p_displayBufferCh2 = nullptr;
    unsigned char* p_displayBufferMath = nullptr;
    unsigned char* p_displayBufferRef = nullptr;
};

struct CycleSetup {
    Display* display = nullptr;         // the main window's renderer, initialised, table built
    Environment* environment = nullptr; // the main window's options
    int graphicMode = 2;                // d_graphicMode: 0, 1 the fast renderer, 2 GDI
    // The renderer's finished picture, taken once per cycle (DisplayGDI::image).
    std::function<QImage()> frame;
    // The pause at the start of each cycle; benchmarks of the cycle's own work set 0.
    std::chrono::microseconds nap{1000};
    // The shortest time between two frames handed to the GUI thread: one screen refresh in
    // the program. A cycle inside it neither takes nor hands over its frame (a later cycle
    // hands over a newer one), and a frame equal to the last one handed over is not handed
    // over again. 0: every cycle's frame (tests that count frames).
    std::chrono::microseconds frameInterval{0};
};

class AcquisitionCycle {
public:
    // Samples handed to the spectrum window (the window forces the 10k record).
    static constexpr int SPECTRUM_LENGTH = 10000;

    // GUI thread. display, environment and frame are required; all must outlive the cycle.
    explicit AcquisitionCycle(CycleSetup setup);
    AcquisitionCycle(const AcquisitionCycle&) = delete;
    AcquisitionCycle& operator=(const AcquisitionCycle&) = delete;

    // GUI thread, at any time (a window created after the worker started). Null: no window.
    void setMainView(MainWindowView* view);
    void setFullScreenView(FullScreenView* view);
    void setMeasurementView(MeasurementView* view);
    void setSpectrumView(SpectrumView* view);

    // One cycle. Kernel failures do not stop it: a capture that fails draws nothing new
    // unless the trigger timed out.
    void acquireAndDisplay();

    // Under the pause handshake or with the worker stopped. Writable for the main window's
    // record slots, which a capture outside the cycle (auto set) fills.
    CycleRecords& records() { return d_records; }
    const CycleRecords& records() const { return d_records; }
    const CycleStatus& status() const { return d_status; }
    FrameDelivery& delivery() { return d_delivery; }

private:
    // Step 2; returns whether something arrived.
    bool capture(int runState, int channels);
    // Steps 3 and 4.
    void treatRecords(int runState, bool arrived);
    void fillContext();
    // Step 5: traces and tool windows.
    void drawTraces();
    void feedToolWindows();
    // Steps 6 and 7.
    void drawOverlay();
    void drawDraggedTriggerLevel();
    // Step 9: markers of the full-screen frame, then the hand-over.
    void present(const std::string* statusText);

    Display& d_display;
    Environment& d_environment;
    const int d_graphicMode;
    const std::chrono::microseconds d_nap;
    const std::chrono::microseconds d_frameInterval;
    std::optional<std::chrono::steady_clock::time_point> d_lastFrame; // when the last frame was taken
    std::function<QImage()> d_frame;

    std::atomic<MainWindowView*> p_mainView{nullptr};
    std::atomic<FullScreenView*> p_fullScreenView{nullptr};
    std::atomic<MeasurementView*> p_measurementView{nullptr};
    std::atomic<SpectrumView*> p_spectrumView{nullptr};

    CycleRecords d_records;
    CycleStatus d_status;
    FrameDelivery d_delivery;
};
