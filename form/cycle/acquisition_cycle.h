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
#include "display.h"
#include "frame_delivery.h"

#include <QImage>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

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
    // One screen refresh in the program: frames are handed to the GUI thread on a grid of
    // this step, at most one per step. A cycle before the next step neither takes nor hands
    // over its frame (a later cycle hands over a newer one), and a frame equal to the last one
    // handed over is not handed over again. 0: every cycle's frame (tests that count frames).
    std::chrono::microseconds frameInterval{0};
    // The program's worker: a cycle draws only what is new. Without a new record, a change to
    // what the display draws from (displayChangeCount, the settings and tool state it reads), a
    // persistence still fading or a frame waiting for its step, it draws nothing; when it also
    // has nothing to capture (stopped, no channel on) it does nothing and the worker rests
    // until the next change; a capture that brought nothing is repeated after a short rest
    // that a change ends. Off: every cycle draws (tests and benchmarks of the drawing).
    bool restWhenUnchanged = false;
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
    // The display before the first capture: grid, labels and cursors on an empty picture, for
    // the window to show at once (a NORMAL trigger may keep the first capture waiting for its
    // polls). A copy of its own; GUI thread, with the worker stopped.
    QImage drawEmptyDisplay();

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
    // newRecord: the traces show a record captured by this cycle.
    void feedToolWindows(bool newRecord);
    // Steps 6 and 7.
    void drawOverlay();
    void drawDraggedTriggerLevel();
    // What a frame is drawn from besides the records: compared between cycles.
    struct Inputs {
        int runState = -1;
        int channels = -1;
        DisplayContext context;
        bool grid = false, cross = false, boundary = false, fullInfo = false;
        int gridColour = 0;
        int measureSource = 0;
        bool dragged = false;
        double triggerLevel = 0.0;
        bool fullScreen = false, measurement = false, spectrum = false;
        int fftChannel = 0;
        int persistence = 0;
    };
    Inputs readInputs(int runState, int channels) const;
    bool sameAsDrawn(unsigned generation, const Inputs& now) const;
    // The worker rests after this cycle until the next change, `limit` or a waiting frame's
    // step, whichever comes first.
    void rest(unsigned generation, std::chrono::microseconds limit);

    enum class Shown { New, Repeat, Deferred };
    // Step 9: markers of the full-screen frame when `drawn` (this cycle drew it), then the
    // hand-over of the frame when it was drawn now or is still waiting, on the refresh grid.
    Shown present(const std::string* statusText, bool drawn);

    Display& d_display;
    Environment& d_environment;
    const int d_graphicMode;
    const std::chrono::microseconds d_nap;
    const std::chrono::microseconds d_frameInterval;
    const bool d_rest;
    std::optional<std::chrono::steady_clock::time_point> d_nextFrame; // the grid's next step
    bool d_framePending = false;                                      // a drawn frame not yet taken (before its step)
    bool d_fading = false;                                // persistence may still change the stopped picture
    std::chrono::steady_clock::time_point d_lastRecord{}; // the last capture that brought one
    bool d_drawnOnce = false;
    unsigned d_drawnGeneration = 0;
    Inputs d_drawn; // what the last drawn frame was drawn from
    std::function<QImage()> d_frame;

    std::atomic<MainWindowView*> p_mainView{nullptr};
    std::atomic<FullScreenView*> p_fullScreenView{nullptr};
    std::atomic<MeasurementView*> p_measurementView{nullptr};
    std::atomic<SpectrumView*> p_spectrumView{nullptr};

    CycleRecords d_records;
    CycleStatus d_status;
    FrameDelivery d_delivery;
};
