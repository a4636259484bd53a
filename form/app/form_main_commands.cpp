// The main window's commands: every menu entry, tool button, combo box, track bar, radio
// button and marker image is bound here to the action unit, and the few commands that do
// their own work (intensity steps, coupling and slope cycles, marker drags, measurement
// pages) are worked out here.
#include "form_main.h"

#include "action.h"
#include "codes.h"
#include "command_values.h"
#include "control_facade.h"
#include "environment.h"
#include "form_average.h"
#include "form_cal_tdc_offset.h"
#include "form_full.h"
#include "form_math_option.h"
#include "form_up_low.h"
#include "main_widgets.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QToolButton>
#include <QWheelEvent>

void TFormMain::connectCommands() {
    const auto on = [this](QAction* a, auto&& handler) {
        connect(a, &QAction::triggered, this, [handler = std::forward<decltype(handler)>(handler)] { handler(); });
    };

    // File
    on(ActionFileLoadState, [] { actionLoadState(); });
    on(ActionFileSaveState, [] { actionSaveState(); });
    on(ActionFileSaveAsDat, [] { actionSaveAsDat(); });
    on(ActionFileSaveAsJpg, [] { actionSaveAsJpg(); });
    on(ActionFileSaveAsBmp, [] { actionSaveAsBmp(); });
    on(ActionFileSaveAsWord, [] { actionSaveAsWord(); });
    on(ActionFileSaveAsExcel, [] { actionSaveAsExcel(); });
    on(ActionFileOption, [] { actionOptionDialog(); });
    on(ActionFileCopy, [] { actionCopy(); });
    on(ActionFileLoadReference, [] { actionLoadReference(); });
    on(ActionFileSaveReferenceCh1, [] { actionSaveReference(_CH1); });
    on(ActionFileSaveReferenceCh2, [] { actionSaveReference(_CH2); });
    on(ActionFilePreview, [] { actionPrintPreview(); });
    on(ActionFilePrint, [] { actionPrint(); });
    on(ActionFileExit, [this] { close(); });

    // View
    connect(mnView, &QMenu::aboutToShow, this, [] { captureToolbarLayout(); });
    on(FileToolBar1, [] { toggleFileToolbar(); });
    on(DisplayToolBar1, [] { toggleDisplayToolbar(); });
    on(ChannelToolBar1, [] { toggleChannelToolbar(); });
    on(RunStopToolBar1, [] { toggleRunStopToolbar(); });
    on(TriggerToolBar1, [] { toggleTriggerToolbar(); });
    on(UtilTollBar1, [] { toggleUtilToolbar(); });
    on(ActionViewFullScreen, [this] { fullScreenClick(); });

    // Display
    on(ActionDisplayLineJoin, [] { actionToggleLineJoin(); });
    for (QAction* a : persistenceItems) on(a, [this, a] { PersistenceClick(a->data().toInt()); });
    on(ActionDisplayIntensityUp, [this] { intensityStep(10); });
    on(ActionDisplayIntensityDown, [this] { intensityStep(-10); });
    on(ActionDisplayLabel, [] { actionSelectObject(6); });
    on(ActionDisplayCrossCursor, [] { actionSelectObject(7); });
    on(ActionDisplayHorizontalCursor, [] { actionSelectObject(8); });
    on(ActionDisplayVerticalCursor, [] { actionSelectObject(9); });
    connect(cbPersistence, &QComboBox::activated, this, [this] { cbPersistenceChange(); });
    connect(tbIntensity, &QSlider::valueChanged, this, [this] { tbIntensityChange(); });

    // Channels
    for (int t = 0; t < 4; ++t) {
        const auto i = static_cast<std::size_t>(t);
        const int trace = t + 1;
        on(ActionChannelOnOff[i], [trace] { actionToggleChannel(trace); });
        on(ActionChannelVoltage[i], [this, trace] { selectVoltDivObject(trace); });
        for (QAction* a : mnProbeAtt[i]) on(a, [this, trace, a] { ProbeAttClick(trace, a->data().toInt()); });
        connect(CBVoltDiv[i], &QComboBox::activated, this, [this, trace] { CBVoltDivChange(trace); });
        connect(CBProbe[i], &QComboBox::activated, this, [this, trace] { CBProbeChange(trace); });
        MarkerImage* offset = iVoltOffsetPos[i];
        connect(offset, &MarkerImage::pressed, this, [this, trace] { offsetMarkerMouseDown(trace); });
        connect(offset, &MarkerImage::moved, this, [this, trace](int, int y) { offsetMarkerMouseMove(trace, y); });
        connect(offset, &MarkerImage::released, this, [this, trace] { offsetMarkerMouseUp(trace); });
    }
    for (int c = 0; c < 2; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const int ch = c + 1;
        on(ActionChannelADC[i], [this, ch] { couplingCycle(ch); });
        on(ActionChannelInvertOnOff[i], [ch] { actionToggleInvert(ch); });
        on(ActionChannelBandLimit[i], [ch] { actionToggleBandLimit(ch); });
        MarkerImage* level = iTriggerLevel[i];
        connect(level, &MarkerImage::pressed, this, [this, ch] { triggerLevelMouseDown(ch); });
        connect(level, &MarkerImage::moved, this, [this, ch](int, int y) { triggerLevelMouseMove(ch, y); });
        connect(level, &MarkerImage::released, this, [this, ch] { triggerLevelMouseUp(ch); });
    }
    on(ActionChannelMathOption, [this] { mathOptionClick(); });

    // Horizontal
    on(ActionHorizontalTimeDiv, [this] { selectVoltDivObject(5); });
    on(ActionHorizontalDelayOnOff, [] { actionToggleDelay(); });
    connect(cbTimeDiv, &QComboBox::activated, this, [this] { cbTimeDivChange(); });
    connect(SBLeft, &QPushButton::clicked, this, [] { actionScrollLeft(); });
    connect(SBRight, &QPushButton::clicked, this, [] { actionScrollRight(); });
    connect(iTriggerHorPos, &MarkerImage::pressed, this, [this] { horizontalPositionMouseDown(); });
    connect(iTriggerHorPos, &MarkerImage::moved, this, [this](int x, int) { horizontalPositionMouseMove(x); });
    connect(iTriggerHorPos, &MarkerImage::released, this, [this] { horizontalPositionMouseUp(); });

    // Trigger
    on(ActionTriggerSource, [this] { triggerSourceClick(); });
    on(ActionTriggerSlope, [this] { triggerSlopeClick(); });
    on(ActionTriggerMode, [this] { triggerModeClick(); });
    on(ActionTriggerAT, [] { actionAdvancedTrigger(); });
    on(ActionTriggerHighFrequencyReject, [] { actionToggleHighFrequencyReject(); });
    connect(rbTriggerCh1, &QRadioButton::clicked, this, [] { actionSetTriggerSource(_CH1); });
    connect(rbTriggerCh2, &QRadioButton::clicked, this, [] { actionSetTriggerSource(_CH2); });

    // Acquire
    on(ActionAcquireRunStop, [] { actionRunStop(); });
    on(ActionAcquireSingleShot, [] { actionSingleShot(); });
    on(ActionAcquireAutoSet, [] { actionAutoSet(); });
    on(ActionAcquireETS, [] { actionToggleEts(); });
    on(ActionAcquireAverage, [this] { averageClick(); });
    on(ActionAcquriePeakDetection, [] { actionTogglePeakDetection(); });
    on(Buffer10K, [this] { AcquireChangeBuffer(0); });
    on(Buffer500K, [this] { AcquireChangeBuffer(1); });

    // Util
    on(ActionUtilFFT, [] { actionToggleFft(); });
    for (QAction* a : actMeasure) on(a, [this, a] { actMeasureClick(a->data().toInt()); });
    on(ActionUtilUpperLowerLevel, [this] { upperLowerLevelClick(); });
    on(ActionUtilXYPlot, [] { actionToggleXYPlot(); });
    on(ActionUtilCalibration, [] { actionShowCalibration(); });
    on(ETSCalibration, [this] { etsCalibrationClick(); });
    for (QRadioButton* r : {rbMeasureCh1, rbMeasureCh2, rbMeasureMath}) {
        connect(r, &QRadioButton::toggled, this, [this] {
            setMeasureSource(rbMeasureCh1->isChecked() ? 1 : rbMeasureCh2->isChecked() ? 2 : 3);
        });
        connect(r, &QRadioButton::clicked, this, [this] { rbMeasureCh1Click(); });
    }
    connect(btnNext, &QPushButton::clicked, this, [this] { btnNextClick(); });

    // Help
    on(ActionHelpAbout, [] { actionAbout(); });
    on(ActionHelpHelp, [] { actionHelp(); });

    // The display's mouse tools.
    connect(display, &DisplayPaintBox::mouseDown, this,
            [](int button, int x, int y) { actionDisplayMouseDown(button, x, y); });
    connect(display, &DisplayPaintBox::mouseMove, this, [](int x, int y) { actionDisplayMouseMove(x, y); });
    connect(display, &DisplayPaintBox::mouseUp, this,
            [](int button, int x, int y) { actionDisplayMouseUp(button, x, y); });
}

// ---- Shared handlers

void TFormMain::PersistenceClick(int tag) { actionSetPersistence(tag); }

void TFormMain::ProbeAttClick(int trace, int tag) {
    static const int factors[4] = {_X1, _X10, _X100, _X1000};
    if (tag >= 0 && tag < 4) actionSetProbe(trace, factors[tag]);
}

void TFormMain::AcquireChangeBuffer(int tag) { actionSetBufferSize(tag == 0 ? _10K : _500K); }

void TFormMain::actMeasureClick(int slot) { actionShowMeasure(measureSource(), slot); }

void TFormMain::tbnMeasureClick(int slot) { actionShowMeasure(measureSource(), slot); }

void TFormMain::rbMeasureCh1Click() {
    const int object = p_environment->selectedObject;
    if (object >= 7 && object <= 9) refreshCursorReadout();
}

void TFormMain::btnNextClick() {
    if (d_measurePage == 0) {
        gbMeasureVolt1->hide();
        gbMeasureVolt2->show();
        d_measurePage = 1;
    } else {
        gbMeasureVolt1->show();
        gbMeasureVolt2->hide();
        d_measurePage = 0;
    }
}

// ---- Combo boxes and the track bar (user changes only)

void TFormMain::CBVoltDivChange(int trace) {
    const int index = CBVoltDiv[static_cast<std::size_t>(trace - 1)]->currentIndex();
    if (index >= 0) actionSetVoltDiv(trace, index + 1); // the first item is code 1
    p_environment->wheelEnabled = false;
}

void TFormMain::CBProbeChange(int trace) {
    static const int factors[4] = {_X1, _X10, _X100, _X1000};
    const int index = CBProbe[static_cast<std::size_t>(trace - 1)]->currentIndex();
    if (index >= 0 && index < 4) actionSetProbe(trace, factors[index]);
    p_environment->wheelEnabled = false;
}

void TFormMain::cbTimeDivChange() {
    const int index = cbTimeDiv->currentIndex();
    if (index >= 0) actionSetTimeDiv(index);
    p_environment->wheelEnabled = false;
}

void TFormMain::cbPersistenceChange() {
    const int index = cbPersistence->currentIndex();
    if (index >= 0) actionSetPersistence(index);
    p_environment->wheelEnabled = false;
}

void TFormMain::tbIntensityChange() {
    actionSetIntensity(tbIntensity->value());
    p_environment->wheelEnabled = false;
}

// ---- Commands with their own work

void TFormMain::selectVoltDivObject(int object) {
    actionSelectObject(object);
    takeFocus();
    p_environment->wheelEnabled = true;
}

void TFormMain::takeFocus() {
    if (QWidget* w = focusWidget()) w->clearFocus();
    setFocus(Qt::OtherFocusReason);
}

void TFormMain::couplingCycle(int ch) { actionSetCoupling(ch, nextCoupling(controlGetChannelCoupling(ch))); }

void TFormMain::triggerSourceClick() {
    const int other = controlGetTriggerSource() == _CH1 ? _CH2 : _CH1;
    if (controlGetChannelOnOff(other)) actionSetTriggerSource(other);
}

void TFormMain::triggerSlopeClick() { actionSetTriggerSlope(toggledSlope(controlGetTriggerSlope())); }

void TFormMain::triggerModeClick() { actionSetTriggerMode(controlGetTriggerMode() == _AUTO ? _NORMAL : _AUTO); }

void TFormMain::intensityStep(int step) { actionSetIntensity(intensityAfterStep(controlGetIntensityFactor(), step)); }

void TFormMain::averageClick() {
    runAverageDialog(this, [](int count) { actionSetAverage(count); });
}

void TFormMain::mathOptionClick() { runMathOptionDialog(this); }

void TFormMain::upperLowerLevelClick() {
    TFormUpLow levels(*p_environment, this);
    levels.exec();
}

void TFormMain::etsCalibrationClick() {
    if (d_windows.etsCalibration) d_windows.etsCalibration->exec();
}

void TFormMain::fullScreenClick() {
    TFormFull* full = d_windows.full;
    if (!full) return;
    if (full->isVisible()) {
        full->hide();
        return;
    }
    // Sized to the screen first: without a window manager the full-screen state alone does
    // not size the window. Its panel and paint box follow the window.
    if (const QScreen* s = screen()) full->setGeometry(s->geometry());
    full->showFullScreen();
}

// ---- Marker drags

void TFormMain::offsetMarkerMouseDown(int trace) {
    const auto i = static_cast<std::size_t>(trace - 1);
    d_dragOffset[i] = true;
    iVoltOffsetPos[i]->raise();
    takeFocus();
    p_environment->wheelEnabled = true;
}

namespace {

// Moves a dragged offset or trigger-level marker within its panel; the display row it points at.
int dragLevelMarker(MarkerImage* marker, const QFrame* panel, int y) {
    const int top = levelMarkerTopAfterDrag(marker->y(), y, panel->height());
    marker->move(marker->x(), top);
    return rowOfLevelMarkerTop(top, controlGetDisplayHeight());
}

} // namespace

void TFormMain::offsetMarkerMouseMove(int trace, int y) {
    const auto i = static_cast<std::size_t>(trace - 1);
    if (d_dragOffset[i]) actionSetOffset(trace, dragLevelMarker(iVoltOffsetPos[i], pVoltOffset, y));
}

void TFormMain::offsetMarkerMouseUp(int trace) { d_dragOffset[static_cast<std::size_t>(trace - 1)] = false; }

void TFormMain::triggerLevelMouseDown(int ch) {
    const auto i = static_cast<std::size_t>(ch - 1);
    d_dragTriggerLevel[i] = true;
    iTriggerLevel[i]->raise();
}

void TFormMain::triggerLevelMouseMove(int ch, int y) {
    const auto i = static_cast<std::size_t>(ch - 1);
    if (d_dragTriggerLevel[i]) actionSetTriggerLevel(ch, dragLevelMarker(iTriggerLevel[i], pTriggerLevel, y));
}

void TFormMain::triggerLevelMouseUp(int ch) { d_dragTriggerLevel[static_cast<std::size_t>(ch - 1)] = false; }

void TFormMain::horizontalPositionMouseDown() {
    d_dragTriggerPosition = true;
    takeFocus();
    p_environment->wheelEnabled = true;
}

void TFormMain::horizontalPositionMouseMove(int x) {
    if (!d_dragTriggerPosition) return;
    const int left = positionMarkerLeftAfterDrag(iTriggerHorPos->x(), x, pnlTimeOffset->width());
    iTriggerHorPos->move(left, iTriggerHorPos->y());
    actionSetHorizontalPosition(left);
}

void TFormMain::horizontalPositionMouseUp() { d_dragTriggerPosition = false; }

// ---- Mouse wheel over the window

void TFormMain::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const QPoint at = event->globalPosition().toPoint();
    bool handled = false;
    if (delta > 0)
        actionWheelUp(ctrl, at.x(), at.y(), handled);
    else
        actionWheelDown(ctrl, at.x(), at.y(), handled);
    event->setAccepted(handled);
}
