#pragma once
// The main window: menus, the six tool bars, the channel and time-base combo boxes, the
// display paint box with its marker images, the trigger panel, the status panels and the
// buffer-overview bar. It owns Environment and the display renderer, runs the acquisition
// cycle on the worker thread from its construction until the close is confirmed, and is the
// MainWindowViews its own action unit refreshes and the MainWindowView the cycle draws into.
// The single shot's run-state refresh goes from the cycle straight to the action unit.
//
// Lifecycle (the order matters; the kernel must exist before construction, or before start()
// when the window is made in two steps):
//   construct: the controls -> Environment (environment file) -> renderer and colour
//              tables -> every indicator from the kernel -> the worker starts;
//   close:     "Do you really want to Quit?"; on OK labels emptied, tool-bar layout captured,
//              worker stopped;
//   destroy:   environment file written -> renderer deleted -> kernel destroyed (state and
//              calibration files written).
// Where this header is included, <QApplication> and <QGuiApplication> must not be: their X11
// part declares a global type named Display.
// GUI thread only, except the MainWindowView members marked "worker".

#include "action.h"
#include "coalesced_call.h"
#include "cycle_view.h"
#include "main_images.h"
#include "main_window_controls.h"
#include "main_window_lifecycle.h"
#include "main_window_views.h"
#include "screen_image.h"

#include <QMainWindow>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

class AcquisitionCycle;
class Display;
class Environment;
class QueuedRunStateView;
struct RawRecordSlots; // data_export.h
class CalibrationHost;
class TFormCalTDCOffset;
class TFormFFTDlg;
class TFormFull;
class TFormLabel;
class TFormMeasure;
class TokbdCalibADlg;
class QAction;
class QComboBox;
class QToolBar;
class QToolButton;
class QWidget;

class TFormMain : public QMainWindow, public MainWindowViews, public MainWindowView, private MainWindowControls {
    Q_OBJECT
public:
    // The kernel must be created (controlCreate) before. Starts the worker as its last step.
    explicit TFormMain(MainWindowLifecycle lifecycle = MainWindowLifecycle::standard(), QWidget* parent = nullptr);
    // The construction in two steps, for start-up: the controls, which need no kernel and may
    // be built while the kernel starts on another thread (nothing of the kernel is read), then
    // start(), once, when the kernel exists: Environment, the renderer, the indicators, the
    // worker. A window that was never started ends nothing of the kernel's when destroyed.
    struct ControlsOnly {};
    TFormMain(ControlsOnly, MainWindowLifecycle lifecycle, QWidget* parent = nullptr);
    void start();
    // Writes the environment file (a failure is shown), deletes the renderer and destroys the
    // kernel. Stops the worker first if the close was never confirmed.
    ~TFormMain() override;

    // ---- What the other windows use (GUI thread) ----
    // The window's Environment (display options, mouse-tool state, tool-bar layout); also
    // WindowRecords::environment.
    Environment& environment() override { return *p_environment; }

    // The two refresh messages: the spectrum window's and the measurement window's.
    static constexpr int WM_FFT_REFRESH = 1075;
    static constexpr int WM_MEASURE_REFRESH = 1076;
    // Delivers a message from any thread: WM_FFT_REFRESH runs refreshFftWindow and
    // WM_MEASURE_REFRESH refreshMeasureWindow on the GUI thread, at once when sent there, else
    // by a queued call (messages that pile up before it runs are handled once). False, doing
    // nothing, for a message the map does not hold.
    bool Dispatch(int message_);

    // The windows made at start-up after this one that it calls (not owned; null: not
    // there). Attach them before the event loop, and attach nulls before they are destroyed.
    struct StartupWindows {
        TFormMeasure* measure = nullptr;
        TFormFFTDlg* spectrum = nullptr;
        TokbdCalibADlg* calibration = nullptr;
        TFormLabel* label = nullptr;
        TFormFull* full = nullptr;
        TFormCalTDCOffset* etsCalibration = nullptr;
    };
    // The cycle feeds the measurement and spectrum windows attached here. Detaching (nulls)
    // stops the worker first, since the cycle may be using them.
    void attachWindows(const StartupWindows& windows);

    // The action unit of this window's commands, for the other windows that issue commands
    // (full-screen window, calibration dialogs).
    ActionUnit& actions() { return d_actions; }

    // What the calibration dialogs use of the program: the worker, the action unit and
    // channel 1's record of the cycle.
    CalibrationHost& calibrationHost();

    // A control by its object name (actions, menus, widgets); null when there is none. For
    // tests and look-ups from outside: the window itself reaches its controls by member.
    QObject* control(const std::string& name) const;

    // ---- What the window tests read besides the interfaces ----
    // The controls, as a user would drive and read them.
    const MainWindowControls& controls() const { return *this; }
    // The measurement page the btnNext switches to show (0: gbMeasureVolt1).
    int measurePage() const { return d_measurePage; }
    // An offset marker (trace 1..4) is being dragged.
    bool offsetMarkerDragged(int trace) const { return d_dragOffset[static_cast<std::size_t>(trace - 1)]; }
    // Registry graphic mode (0 "DirectX", 1 "DirectX-system graphic", 2 "GDI"), the fast
    // renderer's pixel format (0 under GDI) and the renderer.
    int graphicMode() const { return d_graphicMode; }
    int surfaceFormat() const { return d_surfaceFormat; }
    const Display* renderer() const { return p_display.get(); }
    // Grid colour from Environment, as at construction (the option dialog's work; no cycle may
    // run meanwhile).
    void updateGridColor();

signals:
    // The close was confirmed and the worker stopped; program entry ends the event loop.
    void closeConfirmed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

    // ---- MainWindowView (the cycle): reached through that interface; protected so that a
    // ---- test window can count the cycle's calls.
    int measureSource() const override { return d_measureSource.load(); }
    bool triggerLevelDragged() const override { return d_dragTriggerLevel[0].load() || d_dragTriggerLevel[1].load(); }
    int gridColor() const override { return d_gridColor.load(); }
    void comboTexts(std::array<std::string, 4>& voltDiv, std::string& timeDiv) const override;
    void showFrame(const QImage& frame) override;
    void setStatusText(const std::string& text) override;

private:
    // ---- MainWindowViews, reached through those interfaces: each refresh reads the kernel ----
    void updateAllViews() override;
    void updateTimeDivView() override;
    void updateHorizontalPositionMarker() override;
    void updateDelayView() override;
    void updateSampleRateView() override;
    void updateModeButtons() override;
    void updateToolbars() override;
    void updateChannelViews() override;
    void updateChannelOnView(int ch) override;
    void updateVoltDivView(int ch) override;
    void updateCouplingView(int ch) override;
    void updateOffsetMarker(int ch) override;
    void updateInvertView(int ch) override;
    void updateBandLimitView(int ch) override;
    void updateTriggerModeView() override;
    void updateTriggerSourceView() override;
    void updateTriggerSlopeView() override;
    void updateTriggerLevelMarker(int ch) override;
    void updateTriggerTypeView() override;
    void updateHighFrequencyRejectView() override;
    void updateBufferOverview() override;
    void updateXYPlotView() override;
    void updateEtsView() override;
    void updatePeakDetectionView() override;
    void updateAverageView() override;
    void updateBufferSizeView() override;
    void updateLineJoinView() override;
    void updatePersistenceView() override;
    void updateIntensityView() override;
    void updateRunStateViews() override;

    short** rawDataSlot(int ch) override;
    unsigned char** displayBufferSlot(int ch) override;

    void captureToolbarLayout() override;

    void deleteAllLabels() override;

    bool isFftWindowVisible() override;
    void toggleFftWindow() override;
    void showCalibrationWindow() override;
    const MEASURE* measureObject() override;
    QWidget* mainWidget() override { return this; }

    // ---- Indicators (form_main_indicators.cpp) beyond the MainWindowViews ones ----
    // The trace's probe combo and menu and its volt/div item texts for its probe.
    void fillVoltDivItems(int ch);
    void updateTriggerPanel();

    // The current intensity image of each trace and raw record of channels 1 and 2 are the
    // acquisition cycle's records (CycleRecords): rawDataSlot and displayBufferSlot give
    // their addresses.
    std::unique_ptr<Environment> p_environment;
    std::unique_ptr<Display> p_display; // DisplayDirectX in graphic modes 0 and 1, else DisplayGDI
    int d_graphicMode = 0;              // registry: 0 "DirectX", 1 "DirectX-system graphic", 2 "GDI"
    int d_surfaceFormat = 0;            // pixel format of the fast renderer's screen; 0 under GDI
    std::atomic<int> d_gridColor{0};
    std::array<bool, 4> d_dragOffset{};                    // CH1, CH2, MATH, REF
    std::array<std::atomic<bool>, 2> d_dragTriggerLevel{}; // CH1, CH2

    // ---- The window's own commands that reach no kernel setting (form_main_commands.cpp,
    // ---- form_main_outputs.cpp)
    // The display-options dialog: a fresh TFormOptionDlg shown modally; on OK its values go
    // into Environment and the grid colour is recomputed; OK or not, the colour tables of
    // channels 1 and 2 are rebuilt; the changes under the pause handshake. True on OK.
    // The display's mouse for the selected mouse tool: the label tool (6), the cursors (7..9);
    // a click with tool 1..5 steps its scale through the action unit. Button 0 left, 1 right;
    // x, y display pixels.
    void displayMouseDown(int button, int x, int y);
    void displayMouseMove(int x, int y);
    void displayMouseUp(int button, int x, int y);
    void labelMouseDown(int button, int x, int y);
    void moveLabel(int index, int x, int y);
    void cursorPress(int button, int x, int y);
    void cursorDrag(int x, int y);
    void cursorRelease(int button, int x, int y);
    // Shows or hides the bar (ToolBarIndex) as Environment's layout says the other way round.
    void toggleToolbar(int bar);
    // Shows or hides the bar and sets its View menu check.
    void showToolbar(int bar, bool visible);
    // The bar as the layout capture reads it.
    ToolbarGeometry toolbarGeometry(int bar);
    // The measurement `slot` (0..22) of the measure source into the measurement window, which
    // is shown beside this one when it was hidden.
    void showMeasure(int slot);
    bool isMeasureWindowVisible();
    // Outer width of the measurement window (0 when it does not exist).
    int measureWindowWidth();
    bool runOptionDialog();
    // TFormPreviewDlg shown modally, then deleted.
    void showPrintPreview();
    // TFormAbout with the four memory texts of this machine, shown modally, deleted.
    void showAbout();
    // The file dialog with `filter`; `save` writes the chosen file. Cancelled: nothing.
    void saveOutputAs(const char* filter, const char* extension, void (TFormMain::*save)(const std::string&));
    void saveWaveformText(const std::string& path);
    void saveScreenBmp(const std::string& path);
    void saveScreenJpeg(const std::string& path);
    void exportWaveformExcel();
    void exportDisplayToWord();
    void printScreen();
    void copyScreenToClipboard();
    // What the screen-image outputs draw from: Environment, the trace images, the combo and
    // cursor read-out texts, the measure source and the marker pictures.
    ScreenImageSource screenImageSource();
    // The addresses of the cycle's raw records of channels 1 and 2, for the data exports.
    RawRecordSlots rawRecordSlots();

    // ---- Handlers (form_main_commands.cpp), named after the control and event
    // The probe of the trace's item `item` (x1, x10, x100, x1000) of its menu or combo.
    void setProbeOfItem(int trace, int item);
    void rbMeasureCh1Click();
    void btnNextClick();
    void CBVoltDivChange(int trace);
    void CBProbeChange(int trace);
    void cbTimeDivChange();
    void cbPersistenceChange();
    void tbIntensityChange();
    void selectVoltDivObject(int object);
    void averageClick();
    void mathOptionClick();
    void upperLowerLevelClick();
    void etsCalibrationClick();
    void fullScreenClick();
    void offsetMarkerMouseDown(int trace);
    void offsetMarkerMouseMove(int trace, int y);
    void offsetMarkerMouseUp(int trace);
    void triggerLevelMouseDown(int ch);
    void triggerLevelMouseMove(int ch, int y);
    void triggerLevelMouseUp(int ch);
    void horizontalPositionMouseDown();
    void horizontalPositionMouseMove(int x);
    void horizontalPositionMouseUp();

    // The two refreshes of the message map: the spectrum window's update on channel 1's record
    // and the measurement window's update on the four trace images, each when that window
    // exists. GUI thread.
    void refreshFftWindow();
    void refreshMeasureWindow();

    // The channel colour tables from Environment (the option dialog's work).
    void rebuildChannelColorTables();
    void updateHorizontalViews();
    void updateDelayText();
    void updateTriggerLevelText(int ch);
    bool d_dragTriggerPosition = false;

    // form_main.cpp: the controls, built in the form's order.
    void buildActions();
    void buildMenus();
    void buildToolBars();
    void buildCentralArea();
    void buildStatusBar();
    QAction* newAction(const char* name, const char* caption, ActionImageList list = ActionImageList::Channel,
                       int image = -1);
    QToolButton* buttonOf(QToolBar* bar, QAction* action, const char* name);
    void indexControls();
    void createDisplay(int width, int height);
    // The trace panels' probe and volt/div combos wide enough for every item of every probe.
    void fitTracePanels();
    void buildColorTables();
    void startAcquisition();

    // form_main_commands.cpp
    void connectCommands();
    // Takes the keyboard focus from every control (the display's mouse tools then own the
    // wheel).
    void takeFocus();

    // form_main_indicators.cpp
    // Every command's enabled state (and the markers shown) from control_enables.h.
    void updateEnabledControls();
    // The action's image `image` of the list it was made with.
    void setActionImage(QAction* action, int image);
    void setComboFontColour(QComboBox* combo, const QColor& colour);
    void rememberComboTexts();
    void setMeasureSource(int source);
    void updateSpectrumChannelButtons(int ch, bool on);
    // The cursor read-out of the pair into panels 0 and 1 of sbCursorMeasure.
    void refreshCursorReadout();

    MainWindowLifecycle d_lifecycle;
    ActionUnit d_actions{*this};
    StartupWindows d_windows;
    std::function<QImage()> d_presentFrame; // the renderer's finished picture, once per cycle
    std::unique_ptr<CalibrationHost> p_calibrationHost;
    std::unique_ptr<AcquisitionCycle> p_cycle;
    std::unique_ptr<QueuedRunStateView> p_runStateView;
    std::unordered_map<std::string, QObject*> d_controls;
    std::unordered_map<const QAction*, ActionImageList> d_actionLists;
    std::array<QCursor, 5> d_screenCursors; // the program's cursors 1..5
    bool d_started = false;
    bool d_savesSettings = true; // false: the start told that the main directory cannot be used
    bool d_workerRunning = false;
    bool d_closeConfirmed = false;
    int d_measurePage = 0;

    // The message map's refreshes (Dispatch).
    CoalescedCall d_fftRefresh{this, [this] { refreshFftWindow(); }};
    CoalescedCall d_measureRefresh{this, [this] { refreshMeasureWindow(); }};

    // Copies the worker reads (MainWindowView).
    std::atomic<int> d_measureSource{1};
    mutable std::mutex d_comboTextLock; // guards d_comboVoltDivTexts and d_comboTimeDivText
    std::array<std::string, 4> d_comboVoltDivTexts;
    std::string d_comboTimeDivText;
};
