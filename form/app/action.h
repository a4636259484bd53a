#pragma once
// The action unit: the object through which the main window's commands, the full-screen
// window's menu and the calibration dialogs change the instrument and the display. The main
// window makes it with itself as its views and hands it to whoever issues commands. Each
// action checks its arguments, takes the pause handshake while the worker may run, calls the
// kernel facade and then has its window (tools/main_window_views.h) refresh what the command
// may have changed; the window reads the values and enabled states from the kernel, so a
// setting the instrument refused shows as the kernel kept it.
//
// GUI thread only. Channel codes _CH1 1 .. _REFERENCE 4; offsets, trigger levels and rows are
// display rows (0 bottom, 400 top); positions are display columns. Unless said otherwise an
// action returns true and does not report a failure of the kernel; those that would lose the
// user's data (state and reference files) show the kernel's error text instead and return false.
// Every action that touches what the worker's cycle uses takes the pause handshake
// (form/acquisition_thread.h): a change whose wait ends while a capture still runs is made when
// it ends, so the unit must outlive the worker's cycles; a file action is refused then and
// returns false (the user is told either way).
// A broken precondition (named on each) ends the program with the expression, "form\action" and
// the line.

#include "main_window_views.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class RunStateControls;

// ---- Texts shown by the actions ----
inline constexpr const char* k500kRangeMessage = "500k points Mode Range : 1ms/Div ~ 400ms/Div";
inline constexpr const char* kFftTenKMessage = "FFT is processing : 10k points";
inline constexpr const char* kXYPlotTenKMessage = "X-Y plot is processing : 10k points";
inline constexpr const char* kAverageResetMessage =
    "Warning! : Average Value\nThe maximum value is 128 (10K mode) or 16 (500K mode).\nThe value was set to 1.";

class ActionUnit {
public:
    // `views`: the window the actions refresh; it outlives the unit.
    explicit ActionUnit(MainWindowViews& views);
    ~ActionUnit();
    ActionUnit(const ActionUnit&) = delete;
    ActionUnit& operator=(const ActionUnit&) = delete;

    // ---- Acquisition ----
    // _RUN -> _STOP (saving the trigger mode); _STOP -> _RUN (500k range enforced, trigger mode put
    // back); _SINGLE stays.
    bool actionRunStop();
    // Enters single shot from _RUN or _STOP, returns to _RUN from _SINGLE.
    bool actionSingleShot();
    // Stops the worker, runs auto set (10k points), refreshes everything, starts the worker.
    bool actionAutoSet();
    bool actionToggleEts();
    bool actionSetEts(bool on);
    bool actionTogglePeakDetection();
    // Stops the worker while the count changes.
    bool actionSetAverage(int count);
    // mode 3 (_10K) or 7 (_500K); anything else does nothing. 500k is refused (10k kept, with a
    // message) while the spectrum window is visible or the X-Y plot is on.
    bool actionSetBufferSize(int mode);
    bool actionToggleFft();
    bool actionToggleXYPlot();
    bool actionShowCalibration();

    // ---- Channels (ch 1..4 unless said; other channels do nothing) ----
    bool actionToggleChannel(int ch);
    // Returns the facade's result (false for a channel outside 1..4).
    bool actionSetChannelOnOff(int ch, bool on);
    // Preconditions: ch 1..4 (line 288), voltDiv 0..10 (line 289).
    bool actionSetVoltDiv(int ch, int voltDiv);
    // Preconditions: ch 1..4 (line 312), probe 1..1000 (line 313).
    bool actionSetProbe(int ch, int probe);
    // Precondition: ch 1 or 2 (line 330).
    bool actionSetCoupling(int ch, int coupling);
    // AC -> DC -> GND -> AC; ch 1 or 2, others do nothing.
    bool actionCycleCoupling(int ch);
    // row 0..400 as shown on screen (precondition, line 366); an inverted channel stores 400 - row.
    // Does not wait for a running cycle (marker drags call it on every mouse move).
    bool actionSetOffset(int ch, double row);
    bool actionToggleInvert(int ch);
    bool actionToggleBandLimit(int ch);
    bool actionSetBandLimit(int ch, bool on);

    // ---- Display ----
    bool actionToggleLineJoin();
    // modes 0, 1, 2; others leave the kernel unchanged.
    bool actionSetLineJoin(int mode);
    bool actionSetIntensity(int value);
    // The intensity plus `step`, held to 1..100 (command_values.h).
    bool actionStepIntensity(int step);
    // code 0..16 (Min .. Infinity); others do nothing.
    bool actionSetPersistence(int code);
    // Mouse tool 1..9; selecting the selected one again clears it (0). Others do nothing.
    bool actionSelectObject(int code);

    // ---- Horizontal and trigger ----
    // Precondition: 0..32 (line 700), after the 500k range is enforced.
    bool actionSetTimeDiv(int code);
    bool actionToggleDelay();
    bool actionSetHorizontalPosition(double position);
    // One quarter of the display width to the right or left.
    bool actionScrollRight();
    bool actionScrollLeft();
    bool actionSetTriggerMode(int mode);
    // AUTO <-> NORMAL.
    bool actionToggleTriggerMode();
    bool actionSetTriggerSource(int source);
    // The other input, when it is on.
    bool actionToggleTriggerSource();
    bool actionSetTriggerSlope(int slope);
    bool actionToggleTriggerSlope();
    // Precondition: ch 1 or 2 (line 876). Only for the trigger source; no wait.
    bool actionSetTriggerLevel(int ch, double row);
    bool actionAdvancedTrigger();
    bool actionToggleHighFrequencyReject();
    bool actionSetHighFrequencyReject(bool on);

    // ---- Files and windows ----
    bool actionLoadState();
    bool actionSaveState();
    bool actionLoadReference();
    // ch 1 or 2.
    bool actionSaveReference(int ch);
    // Opens the main directory's help file with the desktop's opener (desktop_opener.h): 0 with
    // "Error! hh.exe file not found" when there is no file, else 1, the same message coming when
    // the opener cannot start or ends in failure.
    int actionHelp();

    // ---- Display clicks and wheel ----
    // A click on the display with mouse tool 1..5: the volt/div of the selected trace, or the
    // time/div, one step up (`increase`) or down, held to the codes the combo boxes offer.
    // Other tools do nothing.
    bool actionStepSelectedScale(bool increase);
    // `ctrl`: Ctrl held (step 1 instead of 5). Only while Environment::wheelEnabled.
    bool actionWheelUp(bool ctrl, int x, int y, bool& handled);
    bool actionWheelDown(bool ctrl, int x, int y, bool& handled);

    // ---- Run state ----
    // What the cycle's single-shot capture refreshes (cycle_view.h): the window's run-state
    // views, for QueuedRunStateView to call on the GUI thread. Lives as long as the unit.
    RunStateControls& runStateControls();

private:
    MainWindowViews& views() { return d_views; }
    Environment& env() { return d_views.environment(); }
    void applyCurrent500kRange();
    void setSelectedObject(int code);
    std::optional<std::string> askFile(bool save, const char* filter, const char* extension);
    void wheelStep(bool up, bool ctrl);

    MainWindowViews& d_views;
    std::unique_ptr<RunStateControls> p_runStateControls;
};

// ---- Replaceable pieces (tests) ----
// File dialogs: common/file_dialog.h (setFileDialogHandler).

// The four value texts of TFormAbout (lbTotalPhys, lbAvailPhys, lbTotalVirtual, lbAvailVirtual).
struct AboutTexts {
    std::string totalPhysical;
    std::string availablePhysical;
    std::string totalVirtual;
    std::string availableVirtual;
};

// Memory figures of the About window, bytes.
struct MemoryStatus {
    unsigned long long totalPhysical = 0;
    unsigned long long availablePhysical = 0;
    unsigned long long totalVirtual = 0;
    unsigned long long availableVirtual = 0;
};
// Physical: KB (/ 1024) followed by "KB Total"; virtual: MB (/ 1048576) followed by "MB Total".
AboutTexts aboutTexts(const MemoryStatus& status);
// From /proc/meminfo: RAM, and RAM plus swap as the virtual figures; zeros when unreadable.
MemoryStatus readMemoryStatus();
