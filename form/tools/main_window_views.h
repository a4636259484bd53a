#pragma once
// What the action unit (app/action.h) and auto set (tools/auto_set.h) need of the main window,
// as three small interfaces, one per kind of caller:
//   IndicatorViews   the refreshes of the main window's indicators, one per control or group;
//   WindowRecords    Environment and the cycle's record pointers (actions, auto set);
//   ToolWindows      the tool bars, the labels and the tool windows.
// A refresh takes no value: it reads what it shows, and whether its controls are enabled,
// from the kernel's getters and the run state itself, so it cannot show a setting the kernel
// does not hold. Call the refresh of what a command may have changed after the command,
// whether the kernel took it or not.
// The main window implements MainWindowViews (all three) and makes its action unit with itself
// as the views (app/action.h); tests make theirs with views of their own.
//
// GUI thread only. Channel codes are _CH1 1 .. _REFERENCE 4 (codes.h).

class Environment;
class MEASURE;
class QWidget;

class IndicatorViews {
public:
    virtual ~IndicatorViews() = default;
    // Every indicator, then the enabled state of every command.
    virtual void updateAllViews() = 0;
    // Time/div combo (item = code) and what follows the time base (ETS, sample rate, cursors,
    // peak detection, the commands the time base enables).
    virtual void updateTimeDivView() = 0;
    // Position marker iTriggerHorPos, delay text and buffer overview.
    virtual void updateHorizontalPositionMarker() = 0;
    // Delay action caption and image, then the position marker.
    virtual void updateDelayView() = 0;
    // Sample-rate panel la_sampling_rate.
    virtual void updateSampleRateView() = 0;
    // Mouse-tool buttons and the display's mouse cursor for Environment::selectedObject.
    virtual void updateModeButtons() = 0;
    // Visibility of the six tool bars and their View menu checks from Environment.
    virtual void updateToolbars() = 0;
    // All channel controls of the four traces.
    virtual void updateChannelViews() = 0;
    // The trace's on/off action, its colours and the commands it enables.
    virtual void updateChannelOnView(int ch) = 0;
    // The trace's volt/div combo (item = code - 1).
    virtual void updateVoltDivView(int ch) = 0;
    // Coupling action of channel 1 or 2.
    virtual void updateCouplingView(int ch) = 0;
    // The trace's offset marker (mirrored for an inverted channel).
    virtual void updateOffsetMarker(int ch) = 0;
    // Invert action of channel 1 or 2.
    virtual void updateInvertView(int ch) = 0;
    // Bandwidth-limit action of channel 1 or 2.
    virtual void updateBandLimitView(int ch) = 0;
    // AUTO or NORMAL indicator.
    virtual void updateTriggerModeView() = 0;
    // Trigger source indicator, radio buttons and level marker.
    virtual void updateTriggerSourceView() = 0;
    // Slope action and images.
    virtual void updateTriggerSlopeView() = 0;
    // Trigger-level marker of channel 1 or 2 and the level read-out.
    virtual void updateTriggerLevelMarker(int ch) = 0;
    // Edge or advanced trigger indicators and the commands they enable.
    virtual void updateTriggerTypeView() = 0;
    // High-frequency-reject action.
    virtual void updateHighFrequencyRejectView() = 0;
    // Buffer-overview bar.
    virtual void updateBufferOverview() = 0;
    // Caption of ActionUtilXYPlot ("XY plot" on, "normal plot" off).
    virtual void updateXYPlotView() = 0;
    // ActionAcquireETS, ActionAcquriePeakDetection, ActionAcquireAverage captions and images.
    virtual void updateEtsView() = 0;
    virtual void updatePeakDetectionView() = 0;
    virtual void updateAverageView() = 0;
    // Buffer Size menu: its checks and caption (hardware below _HW3: disabled only).
    virtual void updateBufferSizeView() = 0;
    // Line join action, persistence menu and combo, intensity slider; no change handler runs.
    virtual void updateLineJoinView() = 0;
    virtual void updatePersistenceView() = 0;
    virtual void updateIntensityView() = 0;
    // Run/stop and single-shot buttons, the trigger mode shown, and every command the run
    // state enables.
    virtual void updateRunStateViews() = 0;
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
    // The layout of the file, display, channel, trig and runstop bars as they are into
    // Environment, then the bars and their View menu checks from it.
    virtual void captureToolbarLayout() = 0;

    // ---- Labels ----
    virtual void deleteAllLabels() = 0;

    // ---- Tool windows ----
    // True when the spectrum window exists and is visible.
    virtual bool isFftWindowVisible() = 0;
    // Shows or hides the spectrum window; tbFFT down exactly when shown.
    virtual void toggleFftWindow() = 0;
    // Shows the zero-calibration window TokbdCalibADlg (not modal) and repaints it.
    virtual void showCalibrationWindow() = 0;
    // The measurement window's MEASURE object; null when that window does not exist.
    virtual const MEASURE* measureObject() = 0;
};

// Everything the main window offers the action unit.
class MainWindowViews : public IndicatorViews, public WindowRecords, public ToolWindows {};
