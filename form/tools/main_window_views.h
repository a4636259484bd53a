#pragma once
// What the action unit (app/action.h) and auto set (tools/auto_set.h) need of the main window,
// as four small interfaces, one per kind of caller:
//   IndicatorViews   the refreshes of the main window's indicators;
//   AcquireViews     the action unit's own acquisition and display controls, one call per
//                    control or group of controls (the window maps each to its members, so a
//                    control the window does not have is a compile error, not a silent no-op);
//   WindowRecords    Environment and the cycle's record pointers (actions, auto set);
//   ToolWindows      the tool bars, labels, cursors, tool windows, dialogs and outputs.
// The main window implements MainWindowViews (all four) and installs itself with
// setMainWindowViews(); until then, and in tests without a window, every call does nothing
// (getters answer "not visible", 0 or an empty default).
//
// GUI thread only. Channel codes are _CH1 1 .. _REFERENCE 4 (codes.h); offsets, levels and
// positions are display pixels (rows from the bottom, columns from the left) truncated to int.

#include <array>
#include <string>

class Environment;
class MEASURE;
class QWidget;

// One tool bar as the layout capture reads it (pixels).
struct ToolbarGeometry {
    bool visible = false;
    bool floating = false; // undocked
    int undockedWidth = 0; // size of the floating window
    int undockedHeight = 0;
    int left = 0; // the bar's own position and size while docked
    int top = 0;
    int width = 0;
    int height = 0;
};

// A window's outer rectangle in screen pixels.
struct WindowRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The four value texts of TFormAbout (lbTotalPhys, lbAvailPhys, lbTotalVirtual, lbAvailVirtual).
struct AboutTexts {
    std::string totalPhysical;
    std::string availablePhysical;
    std::string totalVirtual;
    std::string availableVirtual;
};

// What the run state _RUN enables beyond the fixed set (trigger slope, source, mode and
// advanced trigger, the four channel on/off actions, auto set, average, calibration, X-Y plot).
struct RunningControls {
    std::array<bool, 2> inputOn{}; // CH1, CH2 on: their coupling, trigger radio and invert
    bool newerHardware = false;    // _HW3 and later: band limits, frequency reject, peak detection
    int triggerSource = 1;         // the trigger-level marker shown (1 or 2)
    bool equivalentTime = false;   // the time base allows ETS
};

class IndicatorViews {
public:
    virtual ~IndicatorViews() = default;
    // Every indicator, in the order of the full refresh (calls back updateDisplayViews and
    // updateAcquireViews of the action unit).
    virtual void updateAllViews() = 0;
    // Time/div combo (item = code) and what follows the time base (ETS, sample rate, cursors,
    // peak detection).
    virtual void updateTimeDivView(int timeDiv) = 0;
    // Position marker iTriggerHorPos, delay text and buffer overview; position in pixels.
    virtual void updateHorizontalPositionMarker(int position) = 0;
    // Delay action caption and image, then the position marker.
    virtual void updateDelayView(bool on) = 0;
    // Sample-rate panel la_sampling_rate.
    virtual void updateSampleRateView() = 0;
    // Mouse-tool buttons and the display's mouse cursor for selected object 0..9.
    virtual void updateModeButtons(int selectedObject) = 0;
    // Visibility of the six tool bars and their View menu checks from Environment.
    virtual void updateToolbars() = 0;
    // All channel controls of the four traces.
    virtual void updateChannelViews() = 0;
    // The trace's on/off action and the controls it enables.
    virtual void updateChannelOnView(int ch, bool on) = 0;
    // The trace's volt/div combo (item = code - 1).
    virtual void updateVoltDivView(int ch, int voltDiv) = 0;
    // Coupling action of channel 1 or 2 (0 AC, 1 DC, 2 GND).
    virtual void updateCouplingView(int ch, int coupling) = 0;
    // The trace's offset marker; row as stored (the view mirrors an inverted channel).
    virtual void updateOffsetMarker(int ch, int row) = 0;
    // Invert action of channel 1 or 2.
    virtual void updateInvertView(int ch, bool on) = 0;
    // Bandwidth-limit action of channel 1 or 2.
    virtual void updateBandLimitView(int ch, bool on) = 0;
    // AUTO (0) or NORMAL (1) indicator.
    virtual void updateTriggerModeView(int mode) = 0;
    // Trigger source indicator and radio buttons (1 or 2).
    virtual void updateTriggerSourceView(int source) = 0;
    // Slope action and images (1 rising, else falling).
    virtual void updateTriggerSlopeView(int slope) = 0;
    // Trigger-level marker of channel 1 or 2 and the level read-out; level row as stored.
    virtual void updateTriggerLevelMarker(int ch, int level) = 0;
    // Edge or advanced trigger indicators.
    virtual void updateTriggerTypeView() = 0;
    // High-frequency-reject action.
    virtual void updateHighFrequencyRejectView(bool on) = 0;
    // Buffer-overview bar.
    virtual void updateBufferOverview() = 0;
    // Caption of ActionUtilXYPlot: "XY plot" when on, "normal plot" when off.
    virtual void setXYPlotCaption(bool on) = 0;
};

// The action unit's acquisition and display controls; the action unit decides the states
// from the kernel, the window owns the images and captions.
class AcquireViews {
public:
    virtual ~AcquireViews() = default;
    // ActionAcquireETS: enabled; image 1 on, 0 off; "ETS On" / "ETS Off".
    virtual void setEtsView(bool enabled, bool on) = 0;
    // ActionAcquriePeakDetection: enabled; image 7 on, 8 off; "Peak Detecion On" / "Off".
    virtual void setPeakDetectionView(bool enabled, bool on) = 0;
    // ActionAcquireAverage: image 6, "Average : <count>".
    virtual void setAverageView(int count) = 0;
    // _RUN: ActionAcquireRunStop image 2, the fixed set and what `running` allows enabled,
    // the trigger source's level marker shown; nothing is disabled.
    virtual void setRunningViews(const RunningControls& running) = 0;
    // _STOP and _SINGLE: ActionAcquireRunStop image 3, every acquisition, channel and trigger
    // control disabled, both trigger-level markers hidden.
    virtual void setStoppedViews() = 0;
    // tbSingleShot down or up; down also gives ActionAcquireSingleShot image 4.
    virtual void setSingleShotView(bool down) = 0;
    // ActionAcquireBufferSizeChange and the BufferSize menu: disabled when not `available`
    // (nothing else changes); else enabled, Buffer10K / Buffer500K checked for mode 3 / 7 and
    // the caption "Buffer Size" with " : 10K", " : 500K" or nothing.
    virtual void setBufferSizeView(bool available, int mode) = 0;
    // ActionDisplayLineJoin: image 1 on, 0 off.
    virtual void setLineJoinView(bool on) = 0;
    // Persistence menu items (code 0..16 checked, others unchecked) and cbPersistence (item
    // = code, none outside 0..16); no change handler runs.
    virtual void setPersistenceView(int code) = 0;
    // tbIntensity position; no change handler runs.
    virtual void setIntensityView(int value) = 0;
};

class WindowRecords {
public:
    virtual ~WindowRecords() = default;
    // The main window's Environment (display options, mouse-tool state, tool-bar layout).
    virtual Environment& environment() = 0;
    // Address of p_rawDataCh1 (ch 1) or p_rawDataCh2 (ch 2), the captures' out-parameter;
    // null for another channel.
    virtual short** rawDataSlot(int ch) = 0;
    // Address of p_displayBufferCh1/Ch2/Math/Ref for ch 1..4; null for another channel.
    virtual unsigned char** displayBufferSlot(int ch) = 0;
    // The window the auto-set wait window and file dialogs centre on; null: the screen centre.
    virtual QWidget* mainWidget() = 0;
};

class ToolWindows {
public:
    virtual ~ToolWindows() = default;
    // ---- Tool bars ----
    // Index: ToolBarIndex of environment.h (_TOOLBAR_FILE .. _TOOLBAR_UTIL).
    virtual ToolbarGeometry toolbarGeometry(int bar) = 0;
    // Shows or hides the bar and sets its View menu check.
    virtual void setToolbarVisible(int bar, bool visible) = 0;

    // ---- Labels and cursors (the label and cursor units) ----
    virtual void deleteAllLabels() = 0;
    // button 0 left, 1 right; x, y display pixels.
    virtual void labelMouseDown(int button, int x, int y) = 0;
    virtual void moveLabel(int index, int x, int y) = 0;
    virtual void cursorPress(int button, int x, int y) = 0;
    virtual void cursorDrag(int x, int y) = 0;
    virtual void cursorRelease(int button, int x, int y) = 0;

    // ---- Tool windows and dialogs ----
    // True when the spectrum window exists and is visible.
    virtual bool isFftWindowVisible() = 0;
    // Shows or hides the spectrum window; tbFFT down exactly when shown.
    virtual void toggleFftWindow() = 0;
    // Shows the zero-calibration window TokbdCalibADlg (not modal) and repaints it.
    virtual void showCalibrationWindow() = 0;
    // TFormMeasure::AddMeasureItem(source 1..3, slot 0..22).
    virtual void addMeasureItem(int source, int slot) = 0;
    virtual bool isMeasureWindowVisible() = 0;
    // Outer width of the measurement window (0 when it does not exist).
    virtual int measureWindowWidth() = 0;
    // Moves the measurement window's left top corner there and shows it.
    virtual void showMeasureWindowAt(int left, int top) = 0;
    // The measurement window's MEASURE object; null when that window does not exist.
    virtual const MEASURE* measureObject() = 0;
    // The main window's outer rectangle and the screen's width, screen pixels.
    virtual WindowRect mainWindowRect() = 0;
    virtual int screenWidth() = 0;
    // The display-options command: a fresh TFormOptionDlg shown modally; on OK its values go
    // into Environment and the grid colour is recomputed; OK or not, the colour tables of
    // channels 1 and 2 are rebuilt; the changes under the pause handshake. True on OK.
    virtual bool runOptionDialog() = 0;
    // TFormPreviewDlg shown modally, then deleted.
    virtual void showPrintPreview() = 0;
    // TFormAbout with the four memory texts, repainted, shown modally, deleted.
    virtual void showAbout(const AboutTexts& texts) = 0;

    // ---- Outputs (data export and screen image units) ----
    virtual void saveWaveformText(const std::string& path) = 0;
    virtual void saveScreenBmp(const std::string& path) = 0;
    virtual void saveScreenJpeg(const std::string& path) = 0;
    virtual void exportWaveformExcel() = 0;
    virtual void exportDisplayToWord() = 0;
    virtual void printScreen() = 0;
    virtual void copyScreenToClipboard() = 0;
};

// Everything the main window offers the action unit.
class MainWindowViews : public IndicatorViews, public AcquireViews, public WindowRecords, public ToolWindows {};

// The installed views; a no-op implementation (with a default Environment and its own record
// pointers) when none is installed.
MainWindowViews& mainWindowViews();
// Installs `views` (not owned; null goes back to the no-op implementation).
void setMainWindowViews(MainWindowViews* views);
// The installed views as each caller sees them.
inline IndicatorViews& indicatorViews() { return mainWindowViews(); }
inline AcquireViews& acquireViews() { return mainWindowViews(); }
inline WindowRecords& windowRecords() { return mainWindowViews(); }
inline ToolWindows& toolWindows() { return mainWindowViews(); }
