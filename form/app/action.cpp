#include "action.h"

#include "acquisition_thread.h"
#include "auto_set.h"
#include "bounded_conversion.h"
#include "codes.h"
#include "command_values.h"
#include "control_facade.h"
#include "cycle_view.h"
#include "desktop_opener.h"
#include "display_change.h"
#include "environment.h"
#include "file_dialog.h"
#include "message_box.h"
#include "precondition.h"
#include "thread_flags.h"
#include "trevan_error.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <fstream>
#include <memory>
#include <mutex>

namespace {

constexpr const char* kSource = "form\\action";

constexpr const char* kStateFilter = "INI files (*.ini)|*.ini";
constexpr const char* kReferenceFilter = "Reference files (*.ref)|*.REF";

constexpr int k500kLowestTimeDiv = _1MS_DIV;    // 17
constexpr int k500kHighestTimeDiv = _400MS_DIV; // 25
constexpr int kHighestClickTimeDiv = _10S_DIV;  // 29, the last code the main window offers

bool isTraceChannel(int ch) { return ch >= _CH1 && ch <= _REFERENCE; }
bool isInputChannel(int ch) { return ch == _CH1 || ch == _CH2; }

// ---- Pause handshake (cycle/acquisition_thread.h, which states the rule every action follows).
// ---- The request is counted, so a nested user (an action started from the messages a wait
// ---- pumps, the advanced-trigger call) cannot release an outer one. A change whose wait ends
// ---- while the worker is still capturing is held until the capture ends: every work of a
// ---- change captures by value.
template <class Work>
void withStandardWait(Work&& work) {
    pauseStandardHeld(processGuiEventsExceptInput, work);
}
// Reads whose result is needed now: refused (the user is told) when the wait ends first.
template <class Work>
bool withStandardRead(Work&& work) {
    return pauseStandard(processGuiEventsExceptInput, work);
}
template <class Work>
void withTimeBaseWait(Work&& work) {
    pauseTimeBase(processGuiEventsExceptInput, work);
}
template <class Work>
void withPositionWait(Work&& work) {
    pausePosition(work);
}
// Marker drags: only the newest value of a held change matters, so each marker has a key.
template <class Work>
void withoutWait(const std::string& key, Work&& work) {
    pauseNoWait(key, work);
}

// Stops the worker for a long job on the GUI thread and starts a new one at its end.
template <class Work>
void withWorkerStopped(Work&& work) {
    stopAcquisitionThread();
    work();
    startAcquisitionThread();
}

// ---- The 500k range ----

// The time/div the 500k record length allows for `code`; shows the range message when it
// differs.
int clampTo500kRange(int code) {
    if (code >= k500kLowestTimeDiv && code <= k500kHighestTimeDiv) return code;
    showMessage(k500kRangeMessage);
    return code < k500kLowestTimeDiv ? k500kLowestTimeDiv : k500kHighestTimeDiv;
}

// Bounded: the intensity factor comes from the state file, where any float is allowed.
int truncated(double value) { return boundedInt(value); }

// ---- Files ----

// A file the user asked for could not be read or written: say so, with the kernel's reasons.
void reportFileFailure(const char* what, const std::string& path) {
    std::string text = get_error_text();
    if (text.empty()) {
        text = std::string(what) + path;
        if (const std::string why = controlFileFailure(); !why.empty()) text += ": " + why;
    }
    showMessage(text);
}

// The viewer that cannot be started: the same words whether the file, the opener or the
// viewer behind it is missing.
void reportNoHelpViewer() { showMessage("Error! hh.exe file not found"); }

} // namespace

namespace {

// The cycle's hand-over of a finished single shot, queued to the GUI thread; the window reads
// the run state from the kernel.
class ViewsRunStateControls final : public RunStateControls {
public:
    explicit ViewsRunStateControls(IndicatorViews& views) : d_views(views) {}
    void updateRunStopControls(int) override { d_views.updateRunStateViews(); }
    void updateSingleShotButton() override { d_views.updateRunStateViews(); }

private:
    IndicatorViews& d_views;
};

} // namespace

ActionUnit::ActionUnit(MainWindowViews& views)
    : d_views(views), p_runStateControls(std::make_unique<ViewsRunStateControls>(views)) {}

ActionUnit::~ActionUnit() = default;

// Brings the current time/div into the 500k range (inside a pause).
void ActionUnit::applyCurrent500kRange() {
    const int current = controlGetTimeDiv();
    const int allowed = clampTo500kRange(current);
    if (allowed == current) return;
    controlSetTimeDiv(allowed);
    views().updateTimeDivView();
}

void ActionUnit::setSelectedObject(int code) {
    {
        std::lock_guard lock(env().toolStateLock);
        env().selectedObject = code;
    }
    notifyDisplayChange();
}

std::optional<std::string> ActionUnit::askFile(bool save, const char* filter, const char* extension) {
    return save ? runSaveDialog(filter, extension, views().mainWidget())
                : runOpenDialog(filter, extension, views().mainWidget());
}

void ActionUnit::wheelStep(bool up, bool ctrl) {
    if (!env().wheelEnabled) return;
    const int step = ctrl ? 1 : 5;
    const int object = env().selectedObject;
    if (object >= _CH1 && object <= _REFERENCE) {
        const double offset = controlGetVoltageOffset(object);
        double row;
        if (isInputChannel(object) && controlGetInvertOnOff(object))
            row = up ? 400 - (offset - step) : 400 - (offset + step);
        else
            row = up ? offset + step : offset - step;
        actionSetOffset(object, std::clamp(truncated(row), 0, 400));
    } else if (object == 5) {
        const double position = controlGetHorizontalPosition();
        actionSetHorizontalPosition(std::clamp(up ? position - step : position + step, 0.0, 500.0));
    }
}

// ======================================================================== Acquisition

bool ActionUnit::actionRunStop() {
    withStandardWait([this] {
        const int state = controlGetRunState();
        int next = state;
        if (state == _RUN) {
            next = _STOP;
            env().savedTriggerMode = controlGetTriggerMode();
        } else if (state == _STOP) {
            next = _RUN;
            if (controlGetBufferSizeMode() == _500K) {
                applyCurrent500kRange();
                views().updateHorizontalPositionMarker();
            }
            controlSetTriggerMode(env().savedTriggerMode);
        }
        controlSetRunState(next);
        controlSetPeakDetectionOnOff(controlGetPeakDetectionOnOff());
        views().updateRunStateViews();
    });
    return true;
}

bool ActionUnit::actionSingleShot() {
    withStandardWait([this] {
        const int state = controlGetRunState();
        if (state != _SINGLE) {
            // While stopped, savedTriggerMode already holds the mode of the last run; the kernel's
            // mode may be the NORMAL of an earlier single shot.
            if (state == _RUN) env().savedTriggerMode = controlGetTriggerMode();
            controlSetRunState(_SINGLE);
        } else {
            controlSetTriggerMode(env().savedTriggerMode);
            controlSetRunState(_RUN);
        }
        views().updateRunStateViews();
    });
    return true;
}

bool ActionUnit::actionAutoSet() {
    withWorkerStopped([this] {
        if (controlGetBufferSizeMode() == _500K) controlSetBufferSizeMode(_10K);
        {
            AutoSet autoSet(views().measureObject(), views());
            autoSet.run();
        }
        views().updateAllViews();
    });
    return true;
}

bool ActionUnit::actionToggleEts() {
    withStandardWait([this] {
        controlSetETSOnOff(!controlGetETSOnOff());
        views().updateEtsView();
    });
    return true;
}

bool ActionUnit::actionSetEts(bool on) {
    withStandardWait([this, on] {
        controlSetETSOnOff(on);
        views().updateEtsView();
    });
    return true;
}

bool ActionUnit::actionTogglePeakDetection() {
    withStandardWait([this] {
        controlSetPeakDetectionOnOff(!controlGetPeakDetectionOnOff());
        views().updatePeakDetectionView();
    });
    return true;
}

bool ActionUnit::actionSetAverage(int count) {
    withWorkerStopped([this, count] {
        controlSetNumberOfAverage(count);
        views().updateAverageView();
    });
    return true;
}

bool ActionUnit::actionSetBufferSize(int mode) {
    if (mode != _10K && mode != _500K) return true;
    withStandardWait([this, mode]() mutable {
        // A 500k request is refused while the spectrum or the X-Y plot needs 10k records.
        if (mode == _500K && views().isFftWindowVisible()) {
            showMessage(kFftTenKMessage);
            mode = _10K;
        }
        if (mode == _500K && controlGetXYPlotOnOff()) {
            showMessage(kXYPlotTenKMessage);
            mode = _10K;
        }
        if (mode == _500K && controlGetRunState() == _RUN) applyCurrent500kRange();
        controlSetBufferSizeMode(mode);
        views().updateBufferSizeView();
        if (mode == _500K && controlGetNumberOfAverage() > controlGetNumberOfAverageMax()) {
            showMessage(kAverageResetMessage);
            controlSetNumberOfAverage(1);
            views().updateAverageView();
        }
    });
    return true;
}

bool ActionUnit::actionToggleFft() {
    actionSetBufferSize(_10K);
    views().toggleFftWindow();
    return true;
}

bool ActionUnit::actionToggleXYPlot() {
    actionSetBufferSize(_10K);
    withStandardWait([this] {
        controlSetXYPlotOnOff(!controlGetXYPlotOnOff());
        views().updateXYPlotView();
    });
    return true;
}

bool ActionUnit::actionShowCalibration() {
    actionSetBufferSize(_10K);
    views().showCalibrationWindow();
    return true;
}

// ======================================================================== Channels

bool ActionUnit::actionToggleChannel(int ch) {
    if (!isTraceChannel(ch)) return true;
    return actionSetChannelOnOff(ch, !controlGetChannelOnOff(ch));
}

bool ActionUnit::actionSetChannelOnOff(int ch, bool on) {
    if (!isTraceChannel(ch)) return false;
    // Shared with a change held for the end of a capture; true until the facade says otherwise.
    const auto result = std::make_shared<bool>(true);
    withStandardWait([this, ch, on, result] {
        *result = controlSetChannelOnOff(ch, on);
        // The trigger source follows the channel that is still on.
        const int source = controlGetTriggerSource();
        const bool ch1 = controlGetChannelOnOff(_CH1);
        const bool ch2 = controlGetChannelOnOff(_CH2);
        if (source == _CH1 && !ch1 && ch2)
            controlSetTriggerSource(_CH2);
        else if (source == _CH2 && !ch2 && ch1)
            controlSetTriggerSource(_CH1);
        if (controlGetChannelOnOff(ch)) controlSetChannelCoupling(ch, controlGetChannelCoupling(ch));
        views().updateAllViews();
        // The mode buttons empty the cursor read-out: only when the selection goes.
        if (env().selectedObject == ch) {
            setSelectedObject(0);
            views().updateModeButtons();
        }
    });
    return *result;
}

bool ActionUnit::actionSetVoltDiv(int ch, int voltDiv) {
    require(isTraceChannel(ch), "ch_ == _CH1 || ch_ == _CH2 || ch_ == _MATH || ch_ == _REFERENCE", kSource, 288);
    require(voltDiv >= _5MV_DIV && voltDiv <= _10V_DIV, "voltDiv_ >= _5MV_DIV && voltDiv_ <= _10V_DIV", kSource, 289);
    withStandardWait([=, this] {
        controlSetVoltageDiv(ch, voltDiv);
        views().updateVoltDivView(ch);
        views().updateTriggerLevelMarker(ch);
        if (controlGetHardwareVersion() < _HW3) controlResetAcquisition();
    });
    return true;
}

bool ActionUnit::actionSetProbe(int ch, int probe) {
    require(isTraceChannel(ch), "ch_ == _CH1 || ch_ == _CH2 || ch_ == _MATH || ch_ == _REFERENCE", kSource, 312);
    require(probe >= _X1 && probe <= _X1000, "probe_ >= _X1 && probe_ <= _X1000", kSource, 313);
    withStandardWait([this, ch, probe] {
        controlSetProbeAttenuation(ch, probe);
        views().updateChannelViews();
    });
    return true;
}

bool ActionUnit::actionSetCoupling(int ch, int coupling) {
    withStandardWait([=, this] {
        require(isInputChannel(ch), "ch_ == _CH1 || ch_ == _CH2", kSource, 330);
        controlSetChannelCoupling(ch, coupling);
        views().updateCouplingView(ch);
    });
    return true;
}

bool ActionUnit::actionCycleCoupling(int ch) {
    if (!isInputChannel(ch)) return true;
    withStandardWait([this, ch] {
        controlSetChannelCoupling(ch, nextCoupling(controlGetChannelCoupling(ch)));
        views().updateCouplingView(ch);
    });
    return true;
}

bool ActionUnit::actionSetOffset(int ch, double row) {
    if (!isTraceChannel(ch)) return true;
    require(row >= 0 && row <= 400, "offset_ >= 0 && offset_ <= 400", kSource, 366);
    withoutWait("offset" + std::to_string(ch), [=, this] {
        const double value = controlGetInvertOnOff(ch) ? 400 - row : row;
        controlSetVoltageOffset(ch, value);
        views().updateOffsetMarker(ch);
        views().updateTriggerLevelMarker(ch);
    });
    return true;
}

bool ActionUnit::actionToggleInvert(int ch) {
    if (!isTraceChannel(ch)) return true;
    withStandardWait([this, ch] {
        controlSetTraceInverted(ch, !controlGetInvertOnOff(ch));
        views().updateInvertView(ch);
        views().updateOffsetMarker(ch);
        views().updateTriggerLevelMarker(ch);
    });
    return true;
}

bool ActionUnit::actionToggleBandLimit(int ch) {
    if (!isTraceChannel(ch)) return true;
    return actionSetBandLimit(ch, !controlGetBandwidthLimitOnOff(ch));
}

bool ActionUnit::actionSetBandLimit(int ch, bool on) {
    if (!isTraceChannel(ch)) return true;
    withStandardWait([this, ch, on] {
        controlSetBandwidthLimitOnOff(ch, on);
        views().updateBandLimitView(ch);
    });
    return true;
}

// ======================================================================== Display

// The display settings below are read by every cycle's transform: changed under the pause
// like the rest.
bool ActionUnit::actionToggleLineJoin() {
    withStandardWait([this] {
        const int mode = controlGetLineJoinMode();
        if (mode == 0)
            controlSetLineJoinMode(2);
        else if (mode == 1 || mode == 2)
            controlSetLineJoinMode(0);
        views().updateLineJoinView();
    });
    return true;
}

bool ActionUnit::actionSetLineJoin(int mode) {
    withStandardWait([this, mode] {
        if (mode >= 0 && mode <= 2) controlSetLineJoinMode(mode);
        views().updateLineJoinView();
    });
    return true;
}

bool ActionUnit::actionSetIntensity(int value) {
    withStandardWait([this, value] {
        controlSetIntensityFactor(static_cast<float>(value));
        views().updateIntensityView();
    });
    return true;
}

bool ActionUnit::actionStepIntensity(int step) {
    withStandardWait([this, step] {
        controlSetIntensityFactor(static_cast<float>(intensityAfterStep(controlGetIntensityFactor(), step)));
        views().updateIntensityView();
    });
    return true;
}

bool ActionUnit::actionSetPersistence(int code) {
    if (code < 0 || code > 16) return true;
    withStandardWait([this, code] {
        controlSetPersistence(code);
        views().updatePersistenceView();
    });
    return true;
}

bool ActionUnit::actionSelectObject(int code) {
    if (code < 1 || code > 9) return true;
    if (code == env().selectedObject) code = 0;
    setSelectedObject(code);
    views().updateModeButtons();
    return true;
}

// ======================================================================== Horizontal, trigger

bool ActionUnit::actionSetTimeDiv(int code) {
    withTimeBaseWait([this, requested = code] {
        // The 500k range is enforced inside the wait: the cycle writes the run state when a
        // single shot ends. The one change of the time base follows.
        int code = requested;
        if (controlGetBufferSizeMode() == _500K && controlGetRunState() == _RUN) code = clampTo500kRange(code);
        require(code >= _2NS_DIV && code <= _100S_DIV, "timeDiv_ >= _2NS_DIV && timeDiv_ <= _100S_DIV", kSource, 700);
        controlSetTimeDiv(code);
        views().updateTimeDivView();
        views().updateHorizontalPositionMarker();
    });
    return true;
}

bool ActionUnit::actionToggleDelay() {
    withStandardWait([this] {
        controlSetDelayOnOff(!controlGetDelayOnOff());
        views().updateDelayView();
    });
    return true;
}

bool ActionUnit::actionSetHorizontalPosition(double position) {
    withPositionWait([this, position] {
        controlSetHorizontalPosition(position);
        views().updateHorizontalPositionMarker();
    });
    return true;
}

bool ActionUnit::actionScrollRight() {
    withStandardWait([this] {
        const int width = controlGetDisplayWidth();
        const double limit = controlGetRunState() == _STOP ? 32767.0 : width;
        const double position = std::min(controlGetHorizontalPosition() + width / 4, limit);
        controlSetHorizontalPosition(position);
        views().updateHorizontalPositionMarker();
    });
    return true;
}

bool ActionUnit::actionScrollLeft() {
    withStandardWait([this] {
        const int width = controlGetDisplayWidth();
        double limit = -32768.0;
        if (controlGetRunState() != _STOP) limit = controlGetDelayOnOff() ? -9.0 * width : 0.0;
        const double position = std::max(controlGetHorizontalPosition() - width / 4, limit);
        controlSetHorizontalPosition(position);
        views().updateHorizontalPositionMarker();
    });
    return true;
}

bool ActionUnit::actionSetTriggerMode(int mode) {
    withStandardWait([this, mode] {
        controlSetTriggerMode(mode);
        views().updateTriggerModeView();
    });
    return true;
}

bool ActionUnit::actionToggleTriggerMode() {
    withStandardWait([this] {
        controlSetTriggerMode(controlGetTriggerMode() == _AUTO ? _NORMAL : _AUTO);
        views().updateTriggerModeView();
    });
    return true;
}

bool ActionUnit::actionSetTriggerSource(int source) {
    withStandardWait([this, source] {
        controlSetTriggerSource(source);
        views().updateTriggerSourceView();
    });
    return true;
}

bool ActionUnit::actionToggleTriggerSource() {
    withStandardWait([this] {
        const int other = controlGetTriggerSource() == _CH1 ? _CH2 : _CH1;
        if (!controlGetChannelOnOff(other)) return;
        controlSetTriggerSource(other);
        views().updateTriggerSourceView();
    });
    return true;
}

bool ActionUnit::actionSetTriggerSlope(int slope) {
    withStandardWait([this, slope] {
        controlSetTriggerSlope(slope);
        views().updateTriggerSlopeView();
    });
    return true;
}

bool ActionUnit::actionToggleTriggerSlope() {
    withStandardWait([this] {
        controlSetTriggerSlope(toggledSlope(controlGetTriggerSlope()));
        views().updateTriggerSlopeView();
    });
    return true;
}

bool ActionUnit::actionSetTriggerLevel(int ch, double row) {
    require(isInputChannel(ch), "ch_ == _CH1 || ch_ == _CH2", kSource, 876);
    if (controlGetTriggerSource() != ch) return true;
    withoutWait("triggerLevel", [=, this] {
        const double value = controlGetInvertOnOff(ch) ? 400 - row : row;
        controlSetTriggerLevel(value);
        views().updateTriggerLevelMarker(ch);
    });
    return true;
}

bool ActionUnit::actionAdvancedTrigger() {
    withStandardWait([this] {
        controlShowAdvancedTrigger();
        views().updateTriggerTypeView();
    });
    return true;
}

bool ActionUnit::actionToggleHighFrequencyReject() {
    return actionSetHighFrequencyReject(!controlGetTriggerHighFrequencyRejectOnOff());
}

bool ActionUnit::actionSetHighFrequencyReject(bool on) {
    withStandardWait([this, on] {
        controlSetTriggerHighFrequencyRejectOnOff(on);
        views().updateHighFrequencyRejectView();
    });
    return true;
}

// ======================================================================== Files, output, windows

bool ActionUnit::actionLoadState() {
    const auto path = askFile(false, kStateFilter, "ini");
    if (!path) return true;
    bool loaded = false;
    withWorkerStopped([&] {
        views().deleteAllLabels();
        views().captureToolbarLayout();
        showMessage("State loading");
        loaded = controlLoadState(path->c_str());
        // A file that could not be read changed nothing; the user learns why.
        if (!loaded) reportFileFailure("Cannot read ", *path);
        // Loaded, but a setting the instrument did not take is told, not lost.
        if (loaded && error_count() > 0) showMessage(get_error_text());
        views().updateModeButtons();
        views().updateAllViews();
    });
    return loaded;
}

bool ActionUnit::actionSaveState() {
    const auto path = askFile(true, kStateFilter, "ini");
    if (!path) return true;
    // The cycle writes the run state (single shot) while it captures.
    bool saved = false;
    if (!withStandardRead([&] { saved = controlSaveState(path->c_str(), 4); })) return false;
    if (saved) return true;
    reportFileFailure("Cannot write ", *path);
    return false;
}

bool ActionUnit::actionLoadReference() {
    const auto path = askFile(false, kReferenceFilter, "ref");
    if (!path) return true;
    // The cycle re-renders the reference buffer that a load replaces.
    bool loaded = false;
    if (!withStandardRead([&] { loaded = controlLoadReference(path->c_str()); })) return false;
    if (loaded) return true;
    reportFileFailure("Cannot read ", *path);
    return false;
}

bool ActionUnit::actionSaveReference(int ch) {
    if (!isInputChannel(ch)) return true;
    const auto path = askFile(true, kReferenceFilter, "ref");
    if (!path) return true;
    bool saved = false;
    if (!withStandardRead([&] { saved = controlSaveReference(ch, path->c_str()); })) return false;
    if (!saved) reportFileFailure("Cannot write ", *path);
    return saved;
}

int ActionUnit::actionHelp() {
    // By its full path: the working directory is the whole process's, and stays the user's.
    const char* mainDirectory = controlGetMainDirectory();
    const QDir folder(mainDirectory ? QString::fromLocal8Bit(mainDirectory) : QString());
    if (!mainDirectory || !*mainDirectory || !folder.exists()) {
        showMessage("Cannot open the help");
        return 0;
    }
    const QString helpFile = QDir::cleanPath(folder.absoluteFilePath(QStringLiteral("help.chm")));
    if (!QFileInfo(helpFile).isFile()) {
        reportNoHelpViewer();
        return 0;
    }
    openWithDesktop(helpFile.toStdString(), reportNoHelpViewer);
    return 1;
}

// ======================================================================== Mouse and wheel

bool ActionUnit::actionStepSelectedScale(bool increase) {
    const int object = env().selectedObject;
    if (object >= _CH1 && object <= _REFERENCE) {
        const int code = controlGetVoltageDiv(object);
        // Clicks reach code 1 at the lowest: the combo boxes offer no code 0.
        const int next = increase ? std::min(code + 1, int(_10V_DIV)) : (code >= 2 ? code - 1 : 1);
        actionSetVoltDiv(object, next);
    } else if (object == 5) {
        const int code = controlGetTimeDiv();
        actionSetTimeDiv(increase ? std::min(code + 1, kHighestClickTimeDiv) : std::max(code - 1, 0));
    }
    return true;
}

bool ActionUnit::actionWheelUp(bool ctrl, int, int, bool&) {
    wheelStep(true, ctrl);
    return true;
}

bool ActionUnit::actionWheelDown(bool ctrl, int, int, bool&) {
    wheelStep(false, ctrl);
    return true;
}

// ======================================================================== Run state

RunStateControls& ActionUnit::runStateControls() { return *p_runStateControls; }

// ======================================================================== Replaceable pieces

AboutTexts aboutTexts(const MemoryStatus& status) {
    AboutTexts texts;
    texts.totalPhysical = std::to_string(status.totalPhysical / 1024) + "KB Total";
    texts.availablePhysical = std::to_string(status.availablePhysical / 1024) + "KB Total";
    texts.totalVirtual = std::to_string(status.totalVirtual / 1048576) + "MB Total";
    texts.availableVirtual = std::to_string(status.availableVirtual / 1048576) + "MB Total";
    return texts;
}

MemoryStatus readMemoryStatus() {
    unsigned long long memTotal = 0, memAvailable = 0, swapTotal = 0, swapFree = 0;
    std::ifstream in("/proc/meminfo");
    std::string key;
    unsigned long long kb = 0;
    std::string unit;
    while (in >> key >> kb) {
        std::getline(in, unit);
        if (key == "MemTotal:")
            memTotal = kb;
        else if (key == "MemAvailable:")
            memAvailable = kb;
        else if (key == "SwapTotal:")
            swapTotal = kb;
        else if (key == "SwapFree:")
            swapFree = kb;
    }
    MemoryStatus status;
    status.totalPhysical = memTotal * 1024;
    status.availablePhysical = memAvailable * 1024;
    status.totalVirtual = (memTotal + swapTotal) * 1024;
    status.availableVirtual = (memAvailable + swapFree) * 1024;
    return status;
}
