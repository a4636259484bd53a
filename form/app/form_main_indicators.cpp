// The main window's indicators: every refresh reads the current settings through the kernel
// facade and puts them into the window's controls; none changes a setting. Programmatic
// changes never run the controls' change handlers (those react to the user only).
#include "form_main.h"

#include "action.h"
#include "codes.h"
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
    updateDisplayViews();
    updateChannelViews();
    updateHorizontalViews();
    updateTriggerPanel();
    updateDelayViews();
    updateAcquireViews();
    updateToolbars();
    updateBufferOverview();
    updateXYPlotView();
}

// ---- Horizontal

void TFormMain::updateHorizontalViews() {
    updateHorizontalPositionMarker(toPixel(controlGetHorizontalPosition()));
    updateTimeDivView(controlGetTimeDiv());
    updateDelayView(controlGetDelayOnOff());
    updateSampleRateView();
}

void TFormMain::updateTimeDivView(int timeDiv) {
    {
        const QSignalBlocker block(cbTimeDiv);
        cbTimeDiv->setCurrentIndex(timeDiv >= 0 && timeDiv < cbTimeDiv->count() ? timeDiv : -1);
    }
    rememberComboTexts();
    updateEtsView(controlGetETSOnOff());
    updateSampleRateView();
    if (cursorToolSelected(*p_environment)) refreshCursorReadout();
    updatePeakDetectionView(controlGetPeakDetectionOnOff());
}

void TFormMain::updateDelayViews() { updateDelayView(controlGetDelayOnOff()); }

void TFormMain::updateDelayView(bool on) {
    setActionImage(ActionHorizontalDelayOnOff, on ? 19 : 20);
    ActionHorizontalDelayOnOff->setText(on ? QStringLiteral("Delay On") : QStringLiteral("Delay Off"));
    updateHorizontalPositionMarker(toPixel(controlGetHorizontalPosition()));
}

void TFormMain::updateHorizontalPositionMarker(int position) {
    const MarkerPlacement m = horizontalPositionMarker(position, controlGetDisplayWidth());
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

void TFormMain::updateModeButtons(int selectedObject) {
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
        setToolbarVisible(bar, p_environment->toolBarLayout[static_cast<std::size_t>(bar)].Visible);
}

// ---- Channels

void TFormMain::updateChannelViews() {
    for (int ch = _CH1; ch <= _REFERENCE; ++ch) {
        updateChannelOnView(ch, controlGetChannelOnOff(ch));
        fillVoltDivItems(ch, controlGetProbeAttenuation(ch));
        updateVoltDivView(ch, controlGetVoltageDiv(ch));
        updateOffsetMarker(ch, toPixel(controlGetVoltageOffset(ch)));
    }
    for (int ch = _CH1; ch <= _CH2; ++ch) {
        updateCouplingView(ch, controlGetChannelCoupling(ch));
        updateInvertView(ch, controlGetInvertOnOff(ch));
        updateBandLimitView(ch, controlGetBandwidthLimitOnOff(ch));
    }
}

void TFormMain::setChannelOnControls(int trace, bool on) {
    const std::size_t i = slot(trace);
    ActionChannelVoltage[i]->setEnabled(on);
    ActionChannelProbe[i]->setEnabled(on);
    ActionChannelScaleFactor[i]->setEnabled(on);
    if (isInput(trace)) {
        ActionChannelADC[i]->setEnabled(on);
        ActionChannelInvertOnOff[i]->setEnabled(on);
    }
    pnlInfo[i]->setEnabled(on);
    iVoltOffsetPos[i]->setVisible(on);
    const QColor colour = on ? TRACE_COLOURS[i] : COLOUR_GREY;
    setComboFontColour(CBProbe[i], colour);
    setComboFontColour(CBVoltDiv[i], colour);
}

void TFormMain::setComboFontColour(QComboBox* combo, const QColor& colour) {
    if (hasFontColour(combo, colour)) return;
    combo->setStyleSheet(QStringLiteral("QComboBox { color: %1; background-color: #101010; }"
                                        "QComboBox QAbstractItemView { color: %1; background-color: #101010; }")
                             .arg(colour.name()));
    combo->setProperty("fontColour", colour);
}

void TFormMain::updateChannelOnView(int ch, bool on) {
    if (!isTrace(ch)) return;
    const std::size_t i = slot(ch);
    setActionImage(ActionChannelOnOff[i], on ? 2 * (ch - 1) : 2 * (ch - 1) + 1);
    setChannelOnControls(ch, on);
    if (isInput(ch)) {
        QRadioButton* trigger = ch == _CH1 ? rbTriggerCh1 : rbTriggerCh2;
        QRadioButton* measure = ch == _CH1 ? rbMeasureCh1 : rbMeasureCh2;
        ActionChannelBandLimit[i]->setEnabled(on && controlGetHardwareVersion() >= _HW3);
        trigger->setEnabled(on);
        measure->setEnabled(on);
        if (on) measure->setChecked(true);
        updateSpectrumChannelButtons(ch, on);
    } else if (ch == _MATH) {
        rbMeasureMath->setEnabled(on);
        if (on) rbMeasureMath->setChecked(true);
    }
    if (cursorToolSelected(*p_environment)) refreshCursorReadout();
}

// The spectrum window offers only channels that are on, and looks at one of them.
void TFormMain::updateSpectrumChannelButtons(int ch, bool on) {
    TFormFFTDlg* spectrum = d_windows.spectrum;
    if (!spectrum) return;
    spectrum->channelSwitched(ch == _CH1 ? 0 : 1, on);
}

void TFormMain::updateVoltDivView(int ch, int voltDiv) {
    if (!isTrace(ch)) return;
    QComboBox* combo = CBVoltDiv[slot(ch)];
    {
        const QSignalBlocker block(combo);
        // The combos start at code 1 (10 mV): code 0 selects nothing.
        combo->setCurrentIndex(voltDiv >= 1 && voltDiv <= combo->count() ? voltDiv - 1 : -1);
    }
    rememberComboTexts();
    if (cursorToolSelected(*p_environment)) refreshCursorReadout();
}

void TFormMain::fillVoltDivItems(int ch, int probe) {
    if (!isTrace(ch)) return;
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

void TFormMain::updateCouplingView(int ch, int coupling) {
    if (!isInput(ch)) return;
    const int which = coupling == _AC ? 0 : coupling == _DC ? 1 : 2;
    static const char* const hints[3] = {"AC", "DC", "GND"};
    QAction* a = ActionChannelADC[slot(ch)];
    setActionImage(a, (ch == _CH1 ? 8 : 11) + which);
    a->setToolTip(QString::fromLatin1(hints[which]));
}

void TFormMain::updateOffsetMarker(int ch, int row) {
    if (!isTrace(ch)) return;
    MarkerImage* marker = iVoltOffsetPos[slot(ch)];
    marker->move(0, offsetMarkerTop(row, controlGetInvertOnOff(ch), controlGetDisplayHeight()));
}

void TFormMain::updateInvertView(int ch, bool on) {
    if (!isInput(ch)) return;
    QAction* a = ActionChannelInvertOnOff[slot(ch)];
    setActionImage(a, on ? 22 : 23);
    a->setText(on ? QStringLiteral("Invert On") : QStringLiteral("Invert Off"));
}

void TFormMain::updateBandLimitView(int ch, bool on) {
    if (controlGetHardwareVersion() < _HW3)
        for (QAction* a : ActionChannelBandLimit) a->setEnabled(false);
    if (!isInput(ch)) return;
    QAction* a = ActionChannelBandLimit[slot(ch)];
    setActionImage(a, on ? 24 : 25);
    a->setText(on ? QStringLiteral("Bandwidth Limit On") : QStringLiteral("Bandwidth Limit Off"));
}

// ---- Trigger panel

void TFormMain::updateTriggerPanel() {
    updateTriggerModeView(controlGetTriggerMode());
    updateTriggerSourceView(controlGetTriggerSource());
    updateTriggerSlopeView(controlGetTriggerSlope());
    updateTriggerLevelMarker(_CH1, toPixel(controlGetTriggerOffset(_CH1)));
    updateTriggerLevelMarker(_CH2, toPixel(controlGetTriggerOffset(_CH2)));
    updateTriggerTypeView();
    updateHighFrequencyRejectView(controlGetTriggerHighFrequencyRejectOnOff());
}

void TFormMain::updateTriggerModeView(int mode) {
    const bool normal = mode != _AUTO;
    setActionImage(ActionTriggerMode, normal ? 3 : 2);
    lbTriggerNormalAuto->setText(normal ? QStringLiteral("NORMAL") : QStringLiteral("AUTO"));
    setTextColour(lbTriggerNormalAuto, normal ? COLOUR_TEAL : COLOUR_MAGENTA);
}

void TFormMain::updateTriggerSourceView(int source) {
    const bool ch1 = source == _CH1;
    (ch1 ? rbTriggerCh1 : rbTriggerCh2)->setChecked(true);
    iTriggerLevel[0]->setVisible(ch1);
    iTriggerLevel[1]->setVisible(!ch1);
    setActionImage(ActionTriggerSource, ch1 ? 5 : 6);
    lbTriggerSource->setText(ch1 ? QStringLiteral("CH1") : QStringLiteral("CH2"));
    setTextColour(lbTriggerSource, ch1 ? COLOUR_GREEN : COLOUR_YELLOW);
    updateTriggerSlopeView(controlGetTriggerSlope());
    updateTriggerLevelText(source);
    updateBufferOverview();
}

void TFormMain::updateTriggerSlopeView(int slope) {
    const bool rising = slope == _UP_EDGE;
    setActionImage(ActionTriggerSlope, rising ? 0 : 1);
    ActionTriggerSlope->setText(rising ? QStringLiteral("Up Edge") : QStringLiteral("Down Edge"));
    lbTriggerSlopeRising->setVisible(rising);
    lbTriggerSlopeFalling->setVisible(!rising);
}

void TFormMain::updateTriggerLevelMarker(int ch, int level) {
    if (isInput(ch)) {
        const MarkerPlacement m = triggerLevelMarker(ch, level, controlGetInvertOnOff(ch), controlGetDisplayHeight());
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
    if (controlGetTriggerAdvanceOnOff()) {
        ActionTriggerSlope->setEnabled(false);
        rbTriggerCh1->setEnabled(false);
        rbTriggerCh2->setEnabled(false);
        ActionTriggerSource->setEnabled(false);
        ActionTriggerMode->setEnabled(false);
        ActionTriggerAT->setChecked(true);
        lbTriggerType->setText(QStringLiteral("Ad.T."));
        setTextColour(lbTriggerType, COLOUR_CYAN);
        return;
    }
    ActionTriggerSlope->setEnabled(true);
    ActionTriggerAT->setChecked(false);
    rbTriggerCh1->setEnabled(controlGetChannelOnOff(_CH1));
    rbTriggerCh2->setEnabled(controlGetChannelOnOff(_CH2));
    ActionTriggerSource->setEnabled(true);
    ActionTriggerMode->setEnabled(true);
    lbTriggerType->setText(QStringLiteral("Edge"));
    setTextColour(lbTriggerType, PALE_GREEN);
    updateTriggerSlopeView(controlGetTriggerSlope());
}

void TFormMain::updateHighFrequencyRejectView(bool on) {
    if (controlGetHardwareVersion() < _HW3) ActionTriggerHighFrequencyReject->setEnabled(false);
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
    setXYPlotCaption(controlGetXYPlotOnOff());
    // The time-offset calibration does not apply to the fourth generation; nothing enables it again.
    if (controlGetHardwareVersion() == _HW4) ETSCalibration->setEnabled(false);
}

void TFormMain::setXYPlotCaption(bool on) {
    ActionUtilXYPlot->setText(on ? QStringLiteral("XY plot") : QStringLiteral("normal plot"));
}

// ---- The action unit's controls

void TFormMain::setActionImage(QAction* action, int image) {
    const auto list = d_actionLists.find(action);
    action->setIcon(actionImage(list == d_actionLists.end() ? ActionImageList::Channel : list->second, image));
    action->setProperty("imageIndex", image);
}

void TFormMain::setEtsView(bool enabled, bool on) {
    ActionAcquireETS->setEnabled(enabled);
    setActionImage(ActionAcquireETS, on ? 1 : 0);
    ActionAcquireETS->setText(on ? QStringLiteral("ETS On") : QStringLiteral("ETS Off"));
}

void TFormMain::setPeakDetectionView(bool enabled, bool on) {
    setActionImage(ActionAcquriePeakDetection, on ? 7 : 8);
    ActionAcquriePeakDetection->setText(on ? QStringLiteral("Peak Detecion On") : QStringLiteral("Peak Detecion Off"));
    ActionAcquriePeakDetection->setEnabled(enabled);
}

void TFormMain::setAverageView(int count) {
    setActionImage(ActionAcquireAverage, 6);
    ActionAcquireAverage->setText(QStringLiteral("Average : %1").arg(count));
}

void TFormMain::setRunningViews(const RunningControls& running) {
    setActionImage(ActionAcquireRunStop, 2);
    for (QAction* a : {ActionTriggerSlope, ActionTriggerSource, ActionTriggerMode, ActionTriggerAT,
                       ActionChannelOnOff[0], ActionChannelOnOff[1], ActionChannelOnOff[2], ActionChannelOnOff[3],
                       ActionAcquireAutoSet, ActionAcquireAverage, ActionUtilCalibration, ActionUtilXYPlot})
        a->setEnabled(true);
    for (std::size_t i = 0; i < 2; ++i) {
        if (!running.inputOn[i]) continue;
        ActionChannelADC[i]->setEnabled(true);
        (i == 0 ? rbTriggerCh1 : rbTriggerCh2)->setEnabled(true);
        ActionChannelInvertOnOff[i]->setEnabled(true);
        if (running.newerHardware) ActionChannelBandLimit[i]->setEnabled(true);
    }
    iTriggerLevel[running.triggerSource == _CH2 ? 1 : 0]->setVisible(true);
    if (running.equivalentTime) ActionAcquireETS->setEnabled(true);
    if (running.newerHardware) {
        ActionTriggerHighFrequencyReject->setEnabled(true);
        ActionAcquriePeakDetection->setEnabled(true);
    }
}

void TFormMain::setStoppedViews() {
    setActionImage(ActionAcquireRunStop, 3);
    for (QAction* a : {ActionChannelADC[0],
                       ActionChannelADC[1],
                       ActionChannelOnOff[0],
                       ActionChannelOnOff[1],
                       ActionChannelOnOff[2],
                       ActionChannelOnOff[3],
                       ActionChannelInvertOnOff[0],
                       ActionChannelInvertOnOff[1],
                       ActionChannelBandLimit[0],
                       ActionChannelBandLimit[1],
                       ActionUtilCalibration,
                       ActionUtilXYPlot,
                       ActionAcquireAutoSet,
                       ActionAcquireETS,
                       ActionAcquireAverage,
                       ActionAcquriePeakDetection,
                       ActionTriggerSlope,
                       ActionTriggerSource,
                       ActionTriggerMode,
                       ActionTriggerAT,
                       ActionTriggerHighFrequencyReject})
        a->setEnabled(false);
    rbTriggerCh1->setEnabled(false);
    rbTriggerCh2->setEnabled(false);
    iTriggerLevel[0]->setVisible(false);
    iTriggerLevel[1]->setVisible(false);
}

void TFormMain::setSingleShotView(bool down) {
    if (down) setActionImage(ActionAcquireSingleShot, 4);
    // tbSingleShot shows its action's check.
    ActionAcquireSingleShot->setCheckable(true);
    ActionAcquireSingleShot->setChecked(down);
}

void TFormMain::setBufferSizeView(bool available, int mode) {
    // ActionAcquireBufferSizeChange is the BufferSize menu's own entry.
    ActionAcquireBufferSizeChange->setEnabled(available);
    if (!available) return;
    Buffer10K->setCheckable(true);
    Buffer10K->setChecked(mode == _10K);
    Buffer500K->setCheckable(true);
    Buffer500K->setChecked(mode == _500K);
    BufferSize->setTitle(QStringLiteral("Buffer Size") + (mode == _10K    ? QStringLiteral(" : 10K")
                                                          : mode == _500K ? QStringLiteral(" : 500K")
                                                                          : QString()));
}

void TFormMain::setLineJoinView(bool on) { setActionImage(ActionDisplayLineJoin, on ? 1 : 0); }

void TFormMain::setPersistenceView(int code) {
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

void TFormMain::setIntensityView(int value) {
    const QSignalBlocker block(tbIntensity);
    tbIntensity->setValue(value);
}

// ---- Copies the worker reads

void TFormMain::rememberComboTexts() {
    std::lock_guard lock(d_comboTextLock);
    for (std::size_t i = 0; i < 4; ++i)
        if (CBVoltDiv[i]) d_comboVoltDivTexts[i] = CBVoltDiv[i]->currentText().toStdString();
    if (cbTimeDiv) d_comboTimeDivText = cbTimeDiv->currentText().toStdString();
}

void TFormMain::setMeasureSource(int source) { d_measureSource = source; }
