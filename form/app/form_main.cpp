// The main window's construction and destruction, its renderer and cycle, and the parts of
// the views interface that reach its records, tool bars, labels, cursors and other windows.
// Its controls are built in form_main_controls.cpp.
#include "form_main.h"
#include "velmora2_version.h"

#include "acquisition_cycle.h"
#include "acquisition_thread.h"
#include "action.h"
#include "codes.h"
#include "command_values.h"
#include "control_facade.h"
#include "cursor_tool.h"
#include "display_direct_x.h"
#include "display_gdi.h"
#include "environment.h"
#include "form_about.h"
#include "form_fft_dlg.h"
#include "form_full.h"
#include "form_measure.h"
#include "form_option_dlg.h"
#include "form_preview_dlg.h"
#include "label_tool.h"
#include "labels.h"
#include "main_widgets.h"
#include "message_box.h"
#include "okbd_calib_a_dlg.h"
#include "program_calibration_host.h"
#include "queued_run_state_view.h"
#include "screen_saver.h"
#include "surface_image.h"
#include "xy_plot.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QToolBar>

MainWindowLifecycle MainWindowLifecycle::standard() {
    return {[] { ::startAcquisitionThread(); }, [] { ::stopAcquisitionThread(); }, [] { controlDestroy(); }};
}

TFormMain::TFormMain(MainWindowLifecycle lifecycle, QWidget* parent)
    : TFormMain(ControlsOnly{}, std::move(lifecycle), parent) {
    start();
}

TFormMain::TFormMain(ControlsOnly, MainWindowLifecycle lifecycle, QWidget* parent)
    : QMainWindow(parent), d_lifecycle(std::move(lifecycle)) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Velmora " VELMORA2_VERSION));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    buildActions();
    buildMenus();
    buildToolBars();
    buildCentralArea();
    buildStatusBar();
    indexControls();
    connectCommands();
    // A fixed border whose size follows the tool bars shown.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // The screen saver stays off while the program runs.
    inhibitScreenSaver(true);
    for (int i = 0; i < 5; ++i) d_screenCursors[static_cast<std::size_t>(i)] = programCursor(i + 1);
}

void TFormMain::start() {
    d_started = true;
    p_environment = std::make_unique<Environment>(controlGetEnvironmentPath());
    d_savesSettings = controlSavesSettings();
    d_graphicMode = controlGetGraphicMode();
    createDisplay(MAIN_DISPLAY_WIDTH, MAIN_DISPLAY_HEIGHT);
    installXYPlot(); // the kernel's transform draws the X-Y plot through it
    updateAllViews();
    fitTracePanels();
    startAcquisition();

    // Centred on the screen at its fixed size.
    adjustSize();
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

TFormMain::~TFormMain() {
    if (!d_started) {
        inhibitScreenSaver(false);
        return;
    }
    // A window destroyed without a confirmed close still must not leave the worker drawing.
    if (d_workerRunning) {
        d_lifecycle.stopAcquisitionThread();
        d_workerRunning = false;
    }
    // Long actions restart the worker themselves; none may outlive the cycle it runs.
    ::stopAcquisitionThread();
    setAcquisitionCycle({});
    controlSetRunStateView(nullptr);
    d_windows = {};
    p_runStateView.reset();
    p_cycle.reset();
    inhibitScreenSaver(false);

    if (p_environment && d_savesSettings && !p_environment->save())
        showMessage("Cannot save " + p_environment->environmentPath + " : " + p_environment->saveError(), "",
                    MessageButtons::Ok, MessageIcon::Warning);
    p_environment.reset();
    p_display.reset();
    d_lifecycle.destroyKernel();
}

void TFormMain::createDisplay(int width, int height) {
    // Both renderers present into a picture that the paint box shows: no screen origin needed.
    if (d_graphicMode == 0 || d_graphicMode == 1) {
        auto fast = std::make_unique<DisplayDirectX>(screenModeOf(screen()));
        fast->init(width, height);
        d_surfaceFormat = fast->surfaceFormat();
        DisplayDirectX* renderer = fast.get();
        d_presentFrame = [renderer] { return renderer->present(); };
        p_display = std::move(fast);
    } else {
        auto gdi = std::make_unique<DisplayGDI>();
        gdi->init(width, height);
        DisplayGDI* renderer = gdi.get();
        d_presentFrame = [renderer] { return renderer->image(); };
        p_display = std::move(gdi);
    }
    buildColorTables();
    updateGridColor();
}

void TFormMain::buildColorTables() {
    rebuildChannelColorTables();
    TableColor* table = p_display->tableColor();
    const int hueStart = p_environment->ColorStartPos;
    table->build(_MATH, d_graphicMode, d_surfaceFormat, hueStart, false);
    table->build(_REFERENCE, d_graphicMode, d_surfaceFormat, hueStart, false);
}

void TFormMain::updateGridColor() {
    d_gridColor = gridColorFor(d_graphicMode, d_surfaceFormat, p_environment->GridOriginColor);
}

void TFormMain::rebuildChannelColorTables() {
    TableColor* table = p_display->tableColor();
    const Environment& e = *p_environment;
    table->build(_CH1, d_graphicMode, d_surfaceFormat, e.ColorStartPos, e.ColorOnOffCh1);
    table->build(_CH2, d_graphicMode, d_surfaceFormat, e.ColorStartPos, e.ColorOnOffCh2);
}

void TFormMain::startAcquisition() {
    CycleSetup setup;
    setup.display = p_display.get();
    setup.environment = p_environment.get();
    setup.graphicMode = d_graphicMode;
    setup.frame = d_presentFrame;
    // One frame per screen refresh reaches the window; the cycles in between draw only.
    const QScreen* shown = screen();
    const double hertz = shown && shown->refreshRate() >= 1.0 ? shown->refreshRate() : 60.0;
    setup.frameInterval = std::chrono::microseconds(static_cast<long long>(1e6 / hertz));
    setup.restWhenUnchanged = true;
    p_cycle = std::make_unique<AcquisitionCycle>(std::move(setup));
    p_cycle->setMainView(this);
    // A triggered single shot refreshes the run-state controls from the worker: queued to the
    // action unit's refresh of them.
    p_runStateView = std::make_unique<QueuedRunStateView>(d_actions.runStateControls());
    controlSetRunStateView(p_runStateView.get());
    AcquisitionCycle* cycle = p_cycle.get();
    // The display is there at once, whenever the first capture comes.
    display->setStandIn(cycle->drawEmptyDisplay());
    setAcquisitionCycle([cycle] { cycle->acquireAndDisplay(); });
    d_lifecycle.startAcquisitionThread();
    d_workerRunning = true;
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (d_closeConfirmed) {
        event->accept();
        return;
    }
    if (showMessage("Do you really want to Quit?", "", MessageButtons::OkCancel, MessageIcon::Question) ==
        MessageResult::Cancel) {
        event->ignore();
        return;
    }
    deleteAllLabels();
    captureToolbarLayout();
    if (d_workerRunning) {
        d_lifecycle.stopAcquisitionThread();
        d_workerRunning = false;
    }
    d_closeConfirmed = true;
    event->accept();
    emit closeConfirmed();
}

// ---- Records

// The records are the cycle's: the captures it runs and those of auto set (worker stopped)
// fill the same pointers.
short** TFormMain::rawDataSlot(int ch) {
    if (!p_cycle) return nullptr;
    CycleRecords& r = p_cycle->records();
    switch (ch) {
    case _CH1: return &r.p_rawDataCh1;
    case _CH2: return &r.p_rawDataCh2;
    default: return nullptr;
    }
}

unsigned char** TFormMain::displayBufferSlot(int ch) {
    if (!p_cycle) return nullptr;
    CycleRecords& r = p_cycle->records();
    switch (ch) {
    case _CH1: return &r.p_displayBufferCh1;
    case _CH2: return &r.p_displayBufferCh2;
    case _MATH: return &r.p_displayBufferMath;
    case _REFERENCE: return &r.p_displayBufferRef;
    default: return nullptr;
    }
}

// ---- Tool bars

namespace {

QToolBar* barOf(const MainWindowControls& w, int bar) {
    switch (bar) {
    case _TOOLBAR_FILE: return w.tbFile;
    case _TOOLBAR_DISPLAY: return w.tbDisplay;
    case _TOOLBAR_CHANNEL: return w.tbChannel;
    case _TOOLBAR_TRIG: return w.tbTrig;
    case _TOOLBAR_RUNSTOP: return w.tbRunStop;
    case _TOOLBAR_UTIL: return w.tbUtil;
    default: return nullptr;
    }
}

QAction* viewItemOf(const MainWindowControls& w, int bar) {
    switch (bar) {
    case _TOOLBAR_FILE: return w.FileToolBar1;
    case _TOOLBAR_DISPLAY: return w.DisplayToolBar1;
    case _TOOLBAR_CHANNEL: return w.ChannelToolBar1;
    case _TOOLBAR_TRIG: return w.TriggerToolBar1;
    case _TOOLBAR_RUNSTOP: return w.RunStopToolBar1;
    case _TOOLBAR_UTIL: return w.UtilTollBar1;
    default: return nullptr;
    }
}

} // namespace

ToolbarGeometry TFormMain::toolbarGeometry(int bar) {
    ToolbarGeometry g;
    QToolBar* t = barOf(*this, bar);
    if (!t) return g;
    // A bar hidden with its window is still "visible" as far as the layout goes.
    g.visible = !t->isHidden();
    g.floating = t->isFloating();
    if (g.floating) {
        g.undockedWidth = t->width();
        g.undockedHeight = t->height();
    } else {
        // Docked: the position within the tool-bar area under the menu bar.
        g.left = t->x();
        g.top = t->y() - (menuWidget() ? menuWidget()->height() : 0);
        g.width = t->width();
        g.height = t->height();
    }
    return g;
}

void TFormMain::showToolbar(int bar, bool visible) {
    QToolBar* t = barOf(*this, bar);
    if (!t) return;
    t->setVisible(visible);
    viewItemOf(*this, bar)->setChecked(visible);
}

void TFormMain::toggleToolbar(int bar) {
    ToolBarLayout& layout = p_environment->toolBarLayout[bar];
    layout.Visible = !layout.Visible;
    showToolbar(bar, layout.Visible);
}

void TFormMain::captureToolbarLayout() {
    for (int bar : {_TOOLBAR_FILE, _TOOLBAR_DISPLAY, _TOOLBAR_CHANNEL, _TOOLBAR_TRIG, _TOOLBAR_RUNSTOP})
        recordToolbarGeometry(p_environment->toolBarLayout[bar], toolbarGeometry(bar));
    updateToolbars();
}

// ---- Labels and cursors

void TFormMain::deleteAllLabels() { ::deleteAllLabels(*p_environment); }

void TFormMain::labelMouseDown(int button, int x, int y) {
    if (d_windows.label) ::labelMouseDown(*p_environment, *d_windows.label, button, x, y);
}

void TFormMain::moveLabel(int index, int x, int y) { ::moveLabel(*p_environment, index, x, y); }

namespace {

void showReadout(const std::array<QLabel*, 2>& panels, const CursorReadout& readout) {
    panels[0]->setText(QString::fromStdString(readout.horizontal));
    panels[1]->setText(QString::fromStdString(readout.vertical));
}

} // namespace

void TFormMain::cursorPress(int button, int x, int y) {
    showReadout(sbCursorMeasurePanel, ::cursorPress(*p_environment, cursorScales(measureSource()), button, x, y));
}

void TFormMain::cursorDrag(int x, int y) {
    if (const auto readout = ::cursorDrag(*p_environment, cursorScales(measureSource()), x, y))
        showReadout(sbCursorMeasurePanel, *readout);
}

void TFormMain::cursorRelease(int, int x, int y) {
    ::cursorRelease(*p_environment, cursorScales(measureSource()), x, y);
}

void TFormMain::refreshCursorReadout() {
    showReadout(sbCursorMeasurePanel, updateCursorReadout(*p_environment, cursorScales(measureSource())));
}

// ---- Tool windows and dialogs

namespace {

// The calibration dialogs' host: the program's, with channel 1's record of the window's cycle.
class MainCalibrationHost final : public ProgramCalibrationHost {
public:
    MainCalibrationHost(ActionUnit& actions, WindowRecords& window)
        : ProgramCalibrationHost(actions), d_window(window) {}
    const short* rawDataCh1() override {
        short** slot = d_window.rawDataSlot(_CH1);
        return slot ? *slot : nullptr;
    }

private:
    WindowRecords& d_window;
};

} // namespace

CalibrationHost& TFormMain::calibrationHost() {
    if (!p_calibrationHost) p_calibrationHost = std::make_unique<MainCalibrationHost>(d_actions, *this);
    return *p_calibrationHost;
}

void TFormMain::attachWindows(const StartupWindows& windows) {
    const bool detaching = (d_windows.measure && !windows.measure) || (d_windows.spectrum && !windows.spectrum) ||
                           (d_windows.full && !windows.full);
    if (detaching) ::stopAcquisitionThread();
    d_windows = windows;
    if (p_cycle) {
        p_cycle->setMeasurementView(windows.measure);
        p_cycle->setSpectrumView(windows.spectrum);
        p_cycle->setFullScreenView(windows.full);
    }
    if (windows.spectrum) windows.spectrum->setCloseHandler([this] { toggleFftWindow(); });
    // The full-screen window takes the keyboard: Alt+Enter must toggle from there too.
    if (windows.full) windows.full->addAction(ActionViewFullScreen);
}

bool TFormMain::isFftWindowVisible() { return d_windows.spectrum && d_windows.spectrum->isVisible(); }

void TFormMain::toggleFftWindow() {
    if (d_windows.spectrum) d_windows.spectrum->setVisible(!d_windows.spectrum->isVisible());
    ActionUtilFFT->setChecked(isFftWindowVisible()); // tbFFT shows its action's check
}

void TFormMain::showCalibrationWindow() {
    if (!d_windows.calibration) return;
    d_windows.calibration->show();
    d_windows.calibration->repaint();
}

void TFormMain::showMeasure(int slot) {
    TFormMeasure* measure = d_windows.measure;
    if (!measure) return;
    measure->AddMeasureItem(measureSource(), slot);
    if (measure->isVisible()) return;
    const QRect main = frameGeometry();
    const QScreen* s = screen();
    const int left = measureWindowLeft(main.left(), main.width(), measureWindowWidth(), s ? s->geometry().width() : 0);
    measure->move(left, main.top());
    measure->show();
}

bool TFormMain::isMeasureWindowVisible() { return d_windows.measure && d_windows.measure->isVisible(); }

int TFormMain::measureWindowWidth() {
    TFormMeasure* measure = d_windows.measure;
    if (!measure) return 0;
    // A window never shown nor sized has no width of its own yet: take the one its layout asks.
    if (!measure->isVisible() && !measure->testAttribute(Qt::WA_Resized)) measure->adjustSize();
    return measure->frameGeometry().width();
}

const MEASURE* TFormMain::measureObject() { return d_windows.measure ? &d_windows.measure->measureObject() : nullptr; }

bool TFormMain::runOptionDialog() {
    return ::runOptionDialog(this, *p_environment, p_display->tableColor(), d_graphicMode, d_surfaceFormat,
                             [this] { updateGridColor(); });
}

void TFormMain::showPrintPreview() {
    TFormPreviewDlg preview(this, screenImageSource());
    preview.exec();
}

void TFormMain::showAbout() {
    const AboutTexts texts = aboutTexts(readMemoryStatus());
    TFormAbout about(this);
    about.lbTotalPhys->setText(QString::fromStdString(texts.totalPhysical));
    about.lbAvailPhys->setText(QString::fromStdString(texts.availablePhysical));
    about.lbTotalVirtual->setText(QString::fromStdString(texts.totalVirtual));
    about.lbAvailVirtual->setText(QString::fromStdString(texts.availableVirtual));
    about.repaint();
    about.exec();
}

void TFormMain::refreshFftWindow() {
    short** record = rawDataSlot(_CH1);
    if (d_windows.spectrum && record && *record)
        d_windows.spectrum->UpdateSpectrum(0, AcquisitionCycle::SPECTRUM_LENGTH, *record);
}

bool TFormMain::Dispatch(int message) {
    switch (message) {
    case WM_FFT_REFRESH: d_fftRefresh.request(); return true;
    case WM_MEASURE_REFRESH: d_measureRefresh.request(); return true;
    default: return false;
    }
}

void TFormMain::refreshMeasureWindow() {
    if (!d_windows.measure) return;
    const auto image = [this](int trace) {
        unsigned char** slot = displayBufferSlot(trace);
        return slot ? *slot : nullptr;
    };
    d_windows.measure->UpdateMeasurements(image(_CH1), image(_CH2), image(_MATH), image(_REFERENCE));
}

// ---- What the cycle hands over

void TFormMain::comboTexts(std::array<std::string, 4>& voltDiv, std::string& timeDiv) const {
    std::lock_guard lock(d_comboTextLock);
    voltDiv = d_comboVoltDivTexts;
    timeDiv = d_comboTimeDivText;
}

void TFormMain::showFrame(const QImage& frame) { display->setFrame(frame); }

void TFormMain::setStatusText(const std::string& text) { pnlStatus->setText(QString::fromStdString(text)); }
