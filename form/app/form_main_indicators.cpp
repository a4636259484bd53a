// The main window's indicators: every refresh reads the current settings through the kernel
// facade and puts them into the window's controls; none changes a setting. Which commands are
// enabled is worked out in one place (control_enables.h) and applied by updateEnabledControls
// after every refresh that changes one of its inputs. Programmatic changes never run the
// controls' change handlers (those react to the user only).
#include "form_main.h"

#include "bounded_conversion.h"
#include "codes.h"
#include "control_enables.h"
#include "control_facade.h"
#include "environment.h"
#include "form_fft_dlg.h"
#include "indicator_values.h"
#include "main_widgets.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>

namespace {

const QColor PALE_GREEN(192, 220, 192);
const QColor TRACE_COLOURS[4] = {COLOUR_GREEN, COLOUR_YELLOW, COLOUR_RED, COLOUR_CYAN};

bool isTrace(int ch) { return ch >= _CH1 && ch <= _REFERENCE; }
bool isInput(int ch) { return ch == _CH1 || ch == _CH2; }
std::size_t slot(int ch) { return static_cast<std::size_t>(ch - 1); }
int toPixel(double v) { return static_cast<int>(v); }

// Every style sheet set is parsed and re-polishes the widget (most of a millisecond for a combo
// box), so a colour is set only when it changes.
bool hasFontColour(const QWidget* w, const QColor& c) { return w->property("fontColour").value<QColor>() == c; }

void setTextColour(QLabel* l, const QColor& c) {
    if (hasFontColour(l, c)) return;
    l->setStyleSheet(QStringLiteral("color: %1;").arg(c.name()));
    l->setProperty("fontColour", c);
}

bool cursorToolSelected(const Environment& e) { return e.selectedObject >= 7 && e.selectedObject <= 9; }

} // namespace

// ---- Full refresh

void TFormMain::updateAllViews() {
    updateLineJoinView();
    updatePersistenceView();
    updateIntensityView();
    updateChannelViews();
    updateHorizontalViews();
    updateTriggerPanel();
    updateDelayView();
    updateEtsView();
    updatePeakDetectionView();
    updateAverageView();
    updateBufferSizeView();
    updateToolbars();
    updateXYPlotView();
    updateRunStateViews();
}

// ---- Horizontal

void TFormMain::updateHorizontalViews() {
    updateHorizontalPositionMarker();
    updateTimeDivView();
    updateDelayView();
    updateSampleRateView();
}

void TFormMain::updateTimeDivView() {
    const int timeDiv = controlGetTimeDiv();
    {
        const QSignalBlocker block(cbTimeDiv);
        cbTimeDiv->setCurrentIndex(timeDiv >= 0 && timeDiv < cbTimeDiv->count() ? timeDiv : -1);
    }
    rememberComboTexts();
    updateEtsView();
    updateSampleRateView();
    if (cursorToolSelected(*p_environment)) refreshCursorReadout();
    updatePeakDetectionView();
    updateEnabledControls();
}

void TFormMain::updateDelayView() {
    const bool on = controlGetDelayOnOff();
    setActionImage(ActionHorizontalDelayOnOff, on ? 19 : 20);
    ActionHorizontalDelayOnOff->setText(on ? QStringLiteral("Delay On") : QStringLiteral("Delay Off"));
    updateHorizontalPositionMarker();
}

void TFormMain::updateHorizontalPositionMarker() {
    const MarkerPlacement m =
        horizontalPositionMarker(toPixel(controlGetHorizontalPosition()), controlGetDisplayWidth());
    iTriggerHorPos->move(m.position, 0);
    iTriggerHorPos->setPixmap(markerPicture(MarkerImageList::HorizontalPosition, m.picture));
    iTriggerHorPos->setProperty("picture", m.picture);
    updateDelayText();
    updateBufferOverview();
}

void TFormMain::updateDelayText() {
    const auto text = delayText(controlGetDelayOnOff(), controlGetTimeDiv(), controlGetHorizontalPosition(),
                                controlGetDisplayWidth());
    if (text) pnDelay->setText(QString::fromStdString(*text));
}

void TFormMain::updateSampleRateView() {
    la_sampling_rate->setText(QString::fromStdString(sampleRateText(controlGetSampleRate())));
}

// ---- Mouse tools

void TFormMain::updateModeButtons() {
    const int selectedObject = p_environment->selectedObject;
    if (selectedObject == 0) display->unsetCursor();
    QAction* const tools[9] = {ActionChannelVoltage[0],  ActionChannelVoltage[1],       ActionChannelVoltage[2],
                               ActionChannelVoltage[3],  ActionHorizontalTimeDiv,       ActionDisplayLabel,
                               ActionDisplayCrossCursor, ActionDisplayHorizontalCursor, ActionDisplayVerticalCursor};
    for (int k = 1; k <= 9; ++k) {
        const bool down = k == selectedObject;
        tools[k - 1]->setChecked(down);
        if (down) {
            if (k <= 5)
                display->setCursor(d_screenCursors[static_cast<std::size_t>(k - 1)]);
            else if (k == 6)
                display->setCursor(Qt::IBeamCursor);
            else
                display->setCursor(Qt::CrossCursor);
        } else if (k >= 7) {
            // A cursor tool that is not the selected one empties the cursor read-out.
            for (QLabel* p : sbCursorMeasurePanel) p->clear();
        }
    }
}

// ---- Tool bars

void TFormMain::updateToolbars() {
    for (int bar = 0; bar < NUMBER_OF_TOOLBARS; ++bar)
        showToolbar(bar, p_environment->toolBarLayout[static_cast<std::size_t>(bar)].Visible);
}

// ---- Channels

void TFormMain::updateChannelViews() {
    for (int ch = _CH1; ch <= _REFERENCE; ++ch) {
        updateChannelOnView(ch);
        fillVoltDivItems(ch);
        updateVoltDivView(ch);
        updateOffsetMarker(ch);
    }
    for (int ch = _CH1; ch <= _CH2; ++ch) {
        updateCouplingView(ch);
        updateInvertView(ch);
        updateBandLimitView(ch);
    }
}

void TFormMain::setComboFontColour(QComboBox* combo, const QColor& colour) {
    if (hasFontColour(combo, colour)) return;
    combo->setStyleSheet(QStringLiteral("QComboBox { color: %1; background-color: #101010; }"
                                        "QComboBox QAbstractItemView { color: %1; background-color: #101010; }")
                             .arg(colour.name()));
    combo->setProperty("fontColour", colour);
}

void TFormMain::updateChannelOnView(int ch) {
    if (!isTrace(ch)) return;
    const bool on = controlGetChannelOnOff(ch);
    const std::size_t i = slot(ch);
    setActionImage(ActionChannelOnOff[i], on ? 2 * (ch - 1) : 2 * (ch - 1) + 1);
    const QColor colour = on ? TRACE_COLOURS[i] : COLOUR_GREY;
    setComboFontColour(CBProbe[i], colour);
    setComboFontColour(CBVoltDiv[i], colour);
    updateEnabledControls();
    // A trace switched on becomes the measured one.
    if (on && isInput(ch)) (ch == _CH1 ? rbMeasureCh1 : rbMeasureCh2)->setChecked(true);
    if (on && ch == _MATH) rbMeasureMath->setChecked(true);
    if (isInput(ch)) updateSpectrumChannelButtons(ch, on);
    if (cursorToolSelected(*p_environment)) refreshCursorReadout();
}

// The spectrum window offers only channels that are on, and looks at one of them.
void TFormMain::updateSpectrumChannelButtons(int ch, bool on) {
    TFormFFTDlg* spectrum = d_windows.spectrum;
    if (!spectrum) return;
    spectrum->channelSwitched(ch == _CH1 ? 0 : 1, on);
}

void TFormMain::updateVoltDivView(int ch) {
    if (!isTrace(ch)) return;
    const int voltDiv = controlGetVoltageDiv(ch);
    QComboBox* combo = CBVoltDiv[slot(ch)];
    {
        const QSignalBlocker block(combo);
        // The combos start at code 1 (10 mV): code 0 selects nothing.
        combo->setCurrentIndex(voltDiv >= 1 && voltDiv <= combo->count() ? voltDiv - 1 : -1);
    }
    rememberComboTexts();
    if (cursorToolSelected(*p_environment)) refreshCursorReadout();
}

void TFormMain::fillVoltDivItems(int ch) {
    if (!isTrace(ch)) return;
    const int probe = controlGetProbeAttenuation(ch);
    const std::size_t i = slot(ch);
    const int item = probeItemIndex(probe);
    {
        const QSignalBlocker block(CBProbe[i]);
        CBProbe[i]->setCurrentIndex(item);
    }
    for (int p = 0; p < 4; ++p) mnProbeAtt[i][static_cast<std::size_t>(p)]->setChecked(p == item);
    {
        const QSignalBlocker block(CBVoltDiv[i]);
        CBVoltDiv[i]->clear();
        for (const char* text : voltDivItemTexts(probe)) CBVoltDiv[i]->addItem(QString::fromLatin1(text));
    }
    rememberComboTexts();
}

void TFormMain::updateCouplingView(int ch) {
    if (!isInput(ch)) return;
    const int coupling = controlGetChannelCoupling(ch);
    const int which = coupling == _AC ? 0 : coupling == _DC ? 1 : 2;
    static const char* const hints[3] = {"AC", "DC", "GND"};
    QAction* a = ActionChannelADC[slot(ch)];
    setActionImage(a, (ch == _CH1 ? 8 : 11) + which);
    a->setToolTip(QString::fromLatin1(hints[which]));
}

void TFormMain::updateOffsetMarker(int ch) {
    if (!isTrace(ch)) return;
    MarkerImage* marker = iVoltOffsetPos[slot(ch)];
    marker->move(
        0, offsetMarkerTop(toPixel(controlGetVoltageOffset(ch)), controlGetInvertOnOff(ch), controlGetDisplayHeight()));
}

void TFormMain::updateInvertView(int ch) {
    if (!isInput(ch)) return;
    const bool on = controlGetInvertOnOff(ch);
    QAction* a = ActionChannelInvertOnOff[slot(ch)];
    setActionImage(a, on ? 22 : 23);
    a->setText(on ? QStringLiteral("Invert On") : QStringLiteral("Invert Off"));
}

void TFormMain::updateBandLimitView(int ch) {
    if (!isInput(ch)) return;
    const bool on = controlGetBandwidthLimitOnOff(ch);
    QAction* a = ActionChannelBandLimit[slot(ch)];
    setActionImage(a, on ? 24 : 25);
    a->setText(on ? QStringLiteral("Bandwidth Limit On") : QStringLiteral("Bandwidth Limit Off"));
}

// ---- Trigger panel

void TFormMain::updateTriggerPanel() {
    updateTriggerModeView();
    updateTriggerSourceView();
    updateTriggerSlopeView();
    updateTriggerLevelMarker(_CH1);
    updateTriggerLevelMarker(_CH2);
    updateTriggerTypeView();
    updateHighFrequencyRejectView();
}

void TFormMain::updateTriggerModeView() {
    const int mode = shownTriggerMode(controlGetRunState(), controlGetTriggerMode(), p_environment->savedTriggerMode);
    const bool normal = mode != _AUTO;
    setActionImage(ActionTriggerMode, normal ? 3 : 2);
    lbTriggerNormalAuto->setText(normal ? QStringLiteral("NORMAL") : QStringLiteral("AUTO"));
    setTextColour(lbTriggerNormalAuto, normal ? COLOUR_TEAL : COLOUR_MAGENTA);
}

void TFormMain::updateTriggerSourceView() {
    const int source = controlGetTriggerSource();
    const bool ch1 = source == _CH1;
    (ch1 ? rbTriggerCh1 : rbTriggerCh2)->setChecked(true);
    setActionImage(ActionTriggerSource, ch1 ? 5 : 6);
    lbTriggerSource->setText(ch1 ? QStringLiteral("CH1") : QStringLiteral("CH2"));
    setTextColour(lbTriggerSource, ch1 ? COLOUR_GREEN : COLOUR_YELLOW);
    updateTriggerSlopeView();
    updateTriggerLevelText(source);
    updateBufferOverview();
    updateEnabledControls();
}

void TFormMain::updateTriggerSlopeView() {
    const bool rising = controlGetTriggerSlope() == _UP_EDGE;
    setActionImage(ActionTriggerSlope, rising ? 0 : 1);
    ActionTriggerSlope->setText(rising ? QStringLiteral("Up Edge") : QStringLiteral("Down Edge"));
    lbTriggerSlopeRising->setVisible(rising);
    lbTriggerSlopeFalling->setVisible(!rising);
}

void TFormMain::updateTriggerLevelMarker(int ch) {
    if (isInput(ch)) {
        const MarkerPlacement m = triggerLevelMarker(ch, toPixel(controlGetTriggerOffset(ch)),
                                                     controlGetInvertOnOff(ch), controlGetDisplayHeight());
        MarkerImage* marker = iTriggerLevel[slot(ch)];
        marker->move(0, m.position);
        marker->setPixmap(markerPicture(MarkerImageList::TriggerLevel, m.picture));
        marker->setProperty("picture", m.picture);
    }
    updateTriggerLevelText(controlGetTriggerSource());
}

void TFormMain::updateTriggerLevelText(int ch) {
    const auto text =
        triggerLevelText(controlGetVoltageOffset(ch), controlGetTriggerOffset(ch), controlGetInvertOnOff(ch),
                         controlGetProbeAttenuation(ch), controlGetVoltageDiv(ch));
    if (text) ebTriggerLevel->setText(QString::fromStdString(*text));
}

void TFormMain::updateTriggerTypeView() {
    const bool advanced = controlGetTriggerAdvanceOnOff();
    ActionTriggerAT->setChecked(advanced);
    lbTriggerType->setText(advanced ? QStringLiteral("Ad.T.") : QStringLiteral("Edge"));
    setTextColour(lbTriggerType, advanced ? COLOUR_CYAN : PALE_GREEN);
    if (!advanced) updateTriggerSlopeView();
    updateEnabledControls();
}

void TFormMain::updateHighFrequencyRejectView() {
    const bool on = controlGetTriggerHighFrequencyRejectOnOff();
    setActionImage(ActionTriggerHighFrequencyReject, on ? 7 : 8);
    ActionTriggerHighFrequencyReject->setText(on ? QStringLiteral("High Frequency Rejection On")
                                                 : QStringLiteral("High Frequency Rejection Off"));
}

// ---- Buffer overview

void TFormMain::updateBufferOverview() {
    controlUpdateBufferBar();
    BufferOverviewInputs in;
    in.trigger = controlGetBufferBarTrigger();
    in.markLeft = controlGetBufferBarMarkLeft();
    in.markRight = controlGetBufferBarMarkRight();
    in.windowWidth = controlGetBufferBarWidth();
    in.windowLeft = controlGetBufferBarLeft();
    in.panelWidth = Panel8->width();
    in.centreImageWidth = iBufferWindowBufferCenter->width();
    in.triggerImageWidth = iBufferWindowTrigger->width();
    in.rightMarkImageWidth = iBufferWindowBufferRightCh1->width();
    in.channelsOn = controlGetChannelsOnOff();
    in.triggerSource = controlGetTriggerSource();
    const BufferOverviewLayout out = bufferOverviewLayout(in);

    for (QLabel* w : {iBufferWindowBufferCh1, iBufferWindowBufferCh2}) {
        w->resize(std::max(out.windowWidth, 0), w->height());
        w->move(out.windowLeft, w->y());
    }
    iBufferWindowBufferCenter->move(out.centreLeft, iBufferWindowBufferCenter->y());
    iBufferWindowBufferCenter->show();
    using T = BufferOverviewLayout::TriggerImage;
    iBufferWindowTrigger->setVisible(out.triggerImage == T::Inside);
    iBufferWindowTriggerLeft->setVisible(out.triggerImage == T::Left);
    iBufferWindowTriggerRight->setVisible(out.triggerImage == T::Right);
    for (QLabel* w : {iBufferWindowTrigger, iBufferWindowTriggerLeft, iBufferWindowTriggerRight})
        w->move(out.triggerLeft, w->y());
    for (QLabel* w : {iBufferWindowBufferCh1, iBufferWindowBufferLeftCh1, iBufferWindowBufferRightCh1})
        w->setVisible(out.channelSet == 1);
    for (QLabel* w : {iBufferWindowBufferCh2, iBufferWindowBufferLeftCh2, iBufferWindowBufferRightCh2})
        w->setVisible(out.channelSet == 2);
    for (QLabel* w : {iBufferWindowBufferLeftCh1, iBufferWindowBufferLeftCh2}) w->move(out.leftMarkLeft, w->y());
    for (QLabel* w : {iBufferWindowBufferRightCh1, iBufferWindowBufferRightCh2}) w->move(out.rightMarkLeft, w->y());
}

// ---- XY plot and spectrum

void TFormMain::updateXYPlotView() {
    ActionUtilXYPlot->setText(controlGetXYPlotOnOff() ? QStringLiteral("XY plot") : QStringLiteral("normal plot"));
}

// ---- The action unit's controls

void TFormMain::setActionImage(QAction* action, int image) {
    const auto list = d_actionLists.find(action);
    action->setIcon(actionImage(list == d_actionLists.end() ? ActionImageList::Channel : list->second, image));
    action->setProperty("imageIndex", image);
}

void TFormMain::updateEtsView() {
    const bool on = controlGetETSOnOff();
    setActionImage(ActionAcquireETS, on ? 1 : 0);
    ActionAcquireETS->setText(on ? QStringLiteral("ETS On") : QStringLiteral("ETS Off"));
    updateSampleRateView();
}

void TFormMain::updatePeakDetectionView() {
    const bool on = controlGetPeakDetectionOnOff();
    setActionImage(ActionAcquriePeakDetection, on ? 7 : 8);
    ActionAcquriePeakDetection->setText(on ? QStringLiteral("Peak Detecion On") : QStringLiteral("Peak Detecion Off"));
}

void TFormMain::updateAverageView() {
    setActionImage(ActionAcquireAverage, 6);
    ActionAcquireAverage->setText(QStringLiteral("Average : %1").arg(controlGetNumberOfAverage()));
}

void TFormMain::updateRunStateViews() {
    const int state = controlGetRunState();
    setActionImage(ActionAcquireRunStop, state == _RUN ? 2 : 3);
    const bool single = state == _SINGLE;
    if (single) setActionImage(ActionAcquireSingleShot, 4);
    // tbSingleShot shows its action's check.
    ActionAcquireSingleShot->setCheckable(true);
    ActionAcquireSingleShot->setChecked(single);
    updateTriggerModeView();
    updateEtsView();
    updateEnabledControls();
    updateBufferOverview();
}

void TFormMain::updateEnabledControls() {
    EnableInputs in;
    in.runState = controlGetRunState();
    for (int ch = _CH1; ch <= _REFERENCE; ++ch) in.traceOn[slot(ch)] = controlGetChannelOnOff(ch);
    in.hardwareVersion = controlGetHardwareVersion();
    in.advancedTrigger = controlGetTriggerAdvanceOnOff();
    in.triggerSource = controlGetTriggerSource();
    in.timeDiv = controlGetTimeDiv();
    in.peakDetectionMinTimeDiv = controlGetPeakDetectionMinTimeDiv();
    const ControlEnables e = controlEnables(in);
    for (std::size_t i = 0; i < 4; ++i) {
        ActionChannelVoltage[i]->setEnabled(e.traceSettings[i]);
        ActionChannelProbe[i]->setEnabled(e.traceSettings[i]);
        ActionChannelScaleFactor[i]->setEnabled(e.traceSettings[i]);
        pnlInfo[i]->setEnabled(e.traceSettings[i]);
        iVoltOffsetPos[i]->setVisible(e.traceSettings[i]);
        ActionChannelOnOff[i]->setEnabled(e.traceOnOff[i]);
    }
    for (std::size_t i = 0; i < 2; ++i) {
        ActionChannelADC[i]->setEnabled(e.coupling[i]);
        ActionChannelInvertOnOff[i]->setEnabled(e.invert[i]);
        ActionChannelBandLimit[i]->setEnabled(e.bandLimit[i]);
        (i == 0 ? rbTriggerCh1 : rbTriggerCh2)->setEnabled(e.triggerRadio[i]);
        (i == 0 ? rbMeasureCh1 : rbMeasureCh2)->setEnabled(e.measureRadio[i]);
        iTriggerLevel[i]->setVisible(e.triggerLevelMarker[i]);
    }
    rbMeasureMath->setEnabled(e.measureMath);
    ActionTriggerSlope->setEnabled(e.triggerSlope);
    ActionTriggerSource->setEnabled(e.triggerSource);
    ActionTriggerMode->setEnabled(e.triggerMode);
    ActionTriggerAT->setEnabled(e.advancedTrigger);
    ActionTriggerHighFrequencyReject->setEnabled(e.highFrequencyReject);
    ActionAcquireETS->setEnabled(e.ets);
    ActionAcquriePeakDetection->setEnabled(e.peakDetection);
    ActionAcquireAutoSet->setEnabled(e.autoSet);
    ActionAcquireAverage->setEnabled(e.average);
    ActionUtilCalibration->setEnabled(e.calibration);
    ActionUtilXYPlot->setEnabled(e.xyPlot);
    // ActionAcquireBufferSizeChange is the BufferSize menu's own entry.
    ActionAcquireBufferSizeChange->setEnabled(e.bufferSize);
    ETSCalibration->setEnabled(e.etsCalibration);
}

void TFormMain::updateBufferSizeView() {
    if (controlGetHardwareVersion() < _HW3) return;
    const int mode = controlGetBufferSizeMode();
    Buffer10K->setCheckable(true);
    Buffer10K->setChecked(mode == _10K);
    Buffer500K->setCheckable(true);
    Buffer500K->setChecked(mode == _500K);
    BufferSize->setTitle(QStringLiteral("Buffer Size") + (mode == _10K    ? QStringLiteral(" : 10K")
                                                          : mode == _500K ? QStringLiteral(" : 500K")
                                                                          : QString()));
    updateTimeDivView();
}

void TFormMain::updateLineJoinView() { setActionImage(ActionDisplayLineJoin, controlGetLineJoinMode() != 0 ? 1 : 0); }

void TFormMain::updatePersistenceView() {
    const int code = controlGetPersistence();
    const int count = static_cast<int>(persistenceItems.size());
    for (int i = 0; i < count; ++i) {
        QAction* a = persistenceItems[static_cast<std::size_t>(i)];
        a->setCheckable(true);
        a->setChecked(i == code);
    }
    {
        const QSignalBlocker block(cbPersistence);
        cbPersistence->setCurrentIndex(code >= 0 && code < count && code < cbPersistence->count() ? code : -1);
    }
    rememberComboTexts();
}

void TFormMain::updateIntensityView() {
    const QSignalBlocker block(tbIntensity);
    // Bounded: the intensity factor comes from the state file, where any float is allowed.
    tbIntensity->setValue(boundedInt(controlGetIntensityFactor()));
}

// ---- Copies the worker reads

void TFormMain::rememberComboTexts() {
    std::lock_guard lock(d_comboTextLock);
    for (std::size_t i = 0; i < 4; ++i)
        if (CBVoltDiv[i]) d_comboVoltDivTexts[i] = CBVoltDiv[i]->currentText().toStdString();
    if (cbTimeDiv) d_comboTimeDivText = cbTimeDiv->currentText().toStdString();
}

void TFormMain::setMeasureSource(int source) { d_measureSource = source; }
