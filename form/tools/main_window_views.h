#pragma once
// What the action unit (app/action.h) and auto set (tools/auto_set.h) need of the main window:
// the indicator refreshes, a few setters of named controls, the tool windows and dialogs they
// open and the outputs they start. The main window implements it and installs itself with
// setMainWindowViews(); until then, and in tests without a window, every call does nothing
// (getters answer "not visible", 0 or an empty default).
//
// GUI thread only. Channel codes are _CH1 1 .. _REFERENCE 4 (codes.h); offsets, levels and
// positions are display pixels (rows from the bottom, columns from the left) truncated to int.
// Control names are the Qt object names of the main window's actions, menu items, tool buttons,
// radio buttons, combo boxes and images (e.g. "ActionAcquireETS", "Buffer10K", "tbSingleShot").
// A name the window does not know is ignored.

#include <string>

class Environment;
class MEASURE;
class QWidget;

// One tool bar as the layout capture reads it (pixels).
struct ToolbarGeometry {
    bool visible = false;
    bool floating = false;  // undocked
    int undockedWidth = 0;  // size of the floating window
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

class MainWindowViews {
public:
    virtual ~MainWindowViews() = default;

    // ---- Indicator refreshes: they read the kernel through the facade, never change it ----
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

    // ---- Named controls (the action unit's own views: run state, ETS, peak detection,
    // ---- average, buffer size, line join, persistence, intensity) ----
    virtual void setControlEnabled(const std::string& name, bool enabled) = 0;
    virtual void setControlVisible(const std::string& name, bool visible) = 0;
    // Caption of an action or a menu item.
    virtual void setControlCaption(const std::string& name, const std::string& caption) = 0;
    // Image index of an action (the main window's image list).
    virtual void setActionImage(const std::string& name, int image) = 0;
    // Check mark of a checkable action or menu item.
    virtual void setControlChecked(const std::string& name, bool checked) = 0;
    // Tool button pressed down (true) or up.
    virtual void setButtonDown(const std::string& name, bool down) = 0;
    // Selected item of a combo box (-1 none).
    virtual void setItemIndex(const std::string& name, int index) = 0;
    // Position of a track bar.
    virtual void setTrackPosition(const std::string& name, int position) = 0;

    // ---- Environment and the main window's record pointers ----
    // The main window's Environment (display options, mouse-tool state, tool-bar layout).
    virtual Environment& environment() = 0;
    // Address of p_rawDataCh1 (ch 1) or p_rawDataCh2 (ch 2), the captures' out-parameter;
    // null for another channel.
    virtual short** rawDataSlot(int ch) = 0;
    // Address of p_displayBufferCh1/Ch2/Math/Ref for ch 1..4; null for another channel.
    virtual unsigned char** displayBufferSlot(int ch) = 0;

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
    // The window the auto-set wait window centres on; null: the screen centre.
    virtual QWidget* mainWidget() = 0;

    // ---- Outputs (data export and screen image units) ----
    virtual void saveWaveformText(const std::string& path) = 0;
    virtual void saveScreenBmp(const std::string& path) = 0;
    virtual void saveScreenJpeg(const std::string& path) = 0;
    virtual void exportWaveformExcel() = 0;
    virtual void exportDisplayToWord() = 0;
    virtual void printScreen() = 0;
    virtual void copyScreenToClipboard() = 0;
};

// The installed views; a no-op implementation (with a default Environment and its own record
// pointers) when none is installed.
MainWindowViews& mainWindowViews();
// Installs `views` (not owned; null goes back to the no-op implementation).
void setMainWindowViews(MainWindowViews* views);
