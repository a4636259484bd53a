#pragma once
// What the acquisition cycle hands to the windows, and what it reads of them. The windows
// implement these interfaces; the cycle knows nothing else of them.
//
// Two kinds of member, marked on each:
//  - "worker": called on the worker thread during a cycle. Never touch a widget here and
//    never wait for the GUI thread: answer from atomics or from copies the window keeps
//    under its own short lock, and hand results to the GUI thread by a queued call.
//  - "GUI": called on the GUI thread (by the queued frame delivery, or by the queued
//    run-state adapter).
//
// A window pointer handed to the cycle must stay valid until it is replaced or the cycle is
// destroyed; stop the worker before destroying a window whose pointer the cycle holds.

#include <QImage>

#include <array>
#include <string>

// The main window: its paint box `display`, its status panel `pnlStatus` and the few control
// states the cycle draws from.
class MainWindowView {
public:
    virtual ~MainWindowView() = default;

    // worker: measure source of the cursors: 1 when rbMeasureCh1 is checked, else 2 for
    // rbMeasureCh2, else 3 (rbMeasureMath).
    virtual int measureSource() const = 0;
    // worker: a trigger-level marker (CH1 or CH2) is being dragged (d_dragTriggerLevel).
    virtual bool triggerLevelDragged() const = 0;
    // worker: d_gridColor, in the renderer's colour form.
    virtual int gridColor() const = 0;
    // worker: current texts of CBVoltDivCh1, CBVoltDivCh2, CBVoltDivMath, CBVoltDivRef and
    // cbTimeDiv (for the information text of the full-screen frame).
    virtual void comboTexts(std::array<std::string, 4>& voltDiv, std::string& timeDiv) const = 0;

    // GUI: the newest finished frame for the paint box `display` (stretch it over the whole
    // client rectangle). Keep the image until the next call and pass it on to nobody: the
    // cycle reuses its buffer once it is released.
    virtual void showFrame(const QImage& frame) = 0;
    // GUI: the caption of pnlStatus: "Ready", "Stop", "Auto", "Trig'd" or "Trig?". Called
    // only when it changes.
    virtual void setStatusText(const std::string& text) = 0;
};

// A tool window the cycle feeds while it is visible.
class CycleToolWindow {
public:
    virtual ~CycleToolWindow() = default;
    // worker: the window is shown (keep an atomic copy of the visibility).
    virtual bool visibleToCycle() const = 0;
};

// The full-screen window TFormFull.
class FullScreenView : public CycleToolWindow {
public:
    // GUI: the newest finished frame for PbDisplay; same rules as MainWindowView::showFrame.
    virtual void showFrame(const QImage& frame) = 0;
};

// The measurement window TFormMeasure.
class MeasurementView : public CycleToolWindow {
public:
    // worker: the display images (width x height bytes, row 0 at the bottom) of channel 1,
    // channel 2, math and reference, after each redrawn frame. An image is null while its
    // trace is off; skip null images. The images are the kernel's and change in the next
    // cycle: measure them here, then queue the refresh of the read-out. `redrawn`: the frame
    // shows no new record (the stopped capture drawn again after a change); no other frame
    // may follow until the next change, so measure what it shows now.
    virtual void updateMeasurements(const unsigned char* ch1, const unsigned char* ch2, const unsigned char* math,
                                    const unsigned char* ref, bool redrawn) = 0;
};

// The spectrum window TFormFFTDlg.
class SpectrumView : public CycleToolWindow {
public:
    // worker: 0 channel 1, 1 channel 2 (fftChannel).
    virtual int fftChannel() const = 0;
    // worker: the raw record (converter codes, 4096 = empty) of `channel` (0 or 1), `length`
    // samples, after each redrawn frame; never null. Compute here, then queue the repaint.
    virtual void updateSpectrum(int channel, int length, const short* record) = 0;
};

// The run/stop controls and the single-shot button (the action unit refreshes them).
class RunStateControls {
public:
    virtual ~RunStateControls() = default;
    // GUI: refresh the controls for `runState` (_SINGLE, _RUN, _STOP).
    virtual void updateRunStopControls(int runState) = 0;
    // GUI: refresh the single-shot button from the kernel's run state.
    virtual void updateSingleShotButton() = 0;
};
