// The main window's commands: every menu entry, tool button, combo box, track bar, radio
// button and marker image is bound here to the window's action unit, which changes the kernel
// and refreshes what it changed. What is the window's own (marker drags, focus and wheel,
// measurement pages, the dialogs and windows it opens) is worked out here.
#include "form_main.h"

#include "action.h"
#include "codes.h"
#include "command_values.h"
#include "control_facade.h"
#include "environment.h"
#include "file_dialog.h"
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

namespace {

constexpr const char* DAT_FILTER = "DAT files (*.dat)|*.DAT";
constexpr const char* BMP_FILTER = "BMP files (*.bmp)|*.BMP";
constexpr const char* JPG_FILTER = "JPG files (*.jpg)|*.JPG";

} // namespace

void TFormMain::connectCommands() {
    const auto on = [this](QAction* a, auto&& handler) {
        connect(a, &QAction::triggered, this, [handler = std::forward<decltype(handler)>(handler)] { handler(); });
    };

    // File
    on(ActionFileLoadState, [this] { d_actions.actionLoadState(); });
    on(ActionFileSaveState, [this] { d_actions.actionSaveState(); });
    on(ActionFileSaveAsDat, [this] { saveOutputAs(DAT_FILTER, "dat", &TFormMain::saveWaveformText); });
    on(ActionFileSaveAsJpg, [this] { saveOutputAs(JPG_FILTER, "jpg", &TFormMain::saveScreenJpeg); });
    on(ActionFileSaveAsBmp, [this] { saveOutputAs(BMP_FILTER, "bmp", &TFormMain::saveScreenBmp); });
    on(ActionFileSaveAsWord, [this] { exportDisplayToWord(); });
    on(ActionFileSaveAsExcel, [this] { exportWaveformExcel(); });
    on(ActionFileOption, [this] { runOptionDialog(); });
    on(ActionFileCopy, [this] { copyScreenToClipboard(); });
    on(ActionFileLoadReference, [this] { d_actions.actionLoadReference(); });
    on(ActionFileSaveReferenceCh1, [this] { d_actions.actionSaveReference(_CH1); });
    on(ActionFileSaveReferenceCh2, [this] { d_actions.actionSaveReference(_CH2); });
    on(ActionFilePreview, [this] { showPrintPreview(); });
    on(ActionFilePrint, [this] { printScreen(); });
    on(ActionFileExit, [this] { close(); });

    // View
    connect(mnView, &QMenu::aboutToShow, this, [this] { captureToolbarLayout(); });
    on(FileToolBar1, [this] { toggleToolbar(_TOOLBAR_FILE); });
    on(DisplayToolBar1, [this] { toggleToolbar(_TOOLBAR_DISPLAY); });
    on(ChannelToolBar1, [this] { toggleToolbar(_TOOLBAR_CHANNEL); });
    on(RunStopToolBar1, [this] { toggleToolbar(_TOOLBAR_RUNSTOP); });
    on(TriggerToolBar1, [this] { toggleToolbar(_TOOLBAR_TRIG); });
    on(UtilTollBar1, [this] { toggleToolbar(_TOOLBAR_UTIL); });
    on(ActionViewFullScreen, [this] { fullScreenClick(); });

    // Display
    on(ActionDisplayLineJoin, [this] { d_actions.actionToggleLineJoin(); });
    for (QAction* a : persistenceItems) on(a, [this, a] { d_actions.actionSetPersistence(a->data().toInt()); });
    on(ActionDisplayIntensityUp, [this] { d_actions.actionStepIntensity(10); });
    on(ActionDisplayIntensityDown, [this] { d_actions.actionStepIntensity(-10); });
    on(ActionDisplayLabel, [this] { d_actions.actionSelectObject(6); });
    on(ActionDisplayCrossCursor, [this] { d_actions.actionSelectObject(7); });
    on(ActionDisplayHorizontalCursor, [this] { d_actions.actionSelectObject(8); });
    on(ActionDisplayVerticalCursor, [this] { d_actions.actionSelectObject(9); });
    connect(cbPersistence, &QComboBox::activated, this, [this] { cbPersistenceChange(); });
    connect(tbIntensity, &QSlider::valueChanged, this, [this] { tbIntensityChange(); });

    // Channels
    for (int t = 0; t < 4; ++t) {
        const auto i = static_cast<std::size_t>(t);
        const int trace = t + 1;
        on(ActionChannelOnOff[i], [this, trace] { d_actions.actionToggleChannel(trace); });
        on(ActionChannelVoltage[i], [this, trace] { selectVoltDivObject(trace); });
        for (QAction* a : mnProbeAtt[i]) on(a, [this, trace, a] { setProbeOfItem(trace, a->data().toInt()); });
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
        on(ActionChannelADC[i], [this, ch] { d_actions.actionCycleCoupling(ch); });
        on(ActionChannelInvertOnOff[i], [this, ch] { d_actions.actionToggleInvert(ch); });
        on(ActionChannelBandLimit[i], [this, ch] { d_actions.actionToggleBandLimit(ch); });
        MarkerImage* level = iTriggerLevel[i];
        connect(level, &MarkerImage::pressed, this, [this, ch] { triggerLevelMouseDown(ch); });
        connect(level, &MarkerImage::moved, this, [this, ch](int, int y) { triggerLevelMouseMove(ch, y); });
        connect(level, &MarkerImage::released, this, [this, ch] { triggerLevelMouseUp(ch); });
    }
    on(ActionChannelMathOption, [this] { mathOptionClick(); });

    // Horizontal
    on(ActionHorizontalTimeDiv, [this] { selectVoltDivObject(5); });
    on(ActionHorizontalDelayOnOff, [this] { d_actions.actionToggleDelay(); });
    connect(cbTimeDiv, &QComboBox::activated, this, [this] { cbTimeDivChange(); });
    connect(SBLeft, &QPushButton::clicked, this, [this] { d_actions.actionScrollLeft(); });
    connect(SBRight, &QPushButton::clicked, this, [this] { d_actions.actionScrollRight(); });
    connect(iTriggerHorPos, &MarkerImage::pressed, this, [this] { horizontalPositionMouseDown(); });
    connect(iTriggerHorPos, &MarkerImage::moved, this, [this](int x, int) { horizontalPositionMouseMove(x); });
    connect(iTriggerHorPos, &MarkerImage::released, this, [this] { horizontalPositionMouseUp(); });

    // Trigger
    on(ActionTriggerSource, [this] { d_actions.actionToggleTriggerSource(); });
    on(ActionTriggerSlope, [this] { d_actions.actionToggleTriggerSlope(); });
    on(ActionTriggerMode, [this] { d_actions.actionToggleTriggerMode(); });
    on(ActionTriggerAT, [this] { d_actions.actionAdvancedTrigger(); });
    on(ActionTriggerHighFrequencyReject, [this] { d_actions.actionToggleHighFrequencyReject(); });
    connect(rbTriggerCh1, &QRadioButton::clicked, this, [this] { d_actions.actionSetTriggerSource(_CH1); });
    connect(rbTriggerCh2, &QRadioButton::clicked, this, [this] { d_actions.actionSetTriggerSource(_CH2); });

    // Acquire
    on(ActionAcquireRunStop, [this] { d_actions.actionRunStop(); });
    on(ActionAcquireSingleShot, [this] { d_actions.actionSingleShot(); });
    on(ActionAcquireAutoSet, [this] { d_actions.actionAutoSet(); });
    on(ActionAcquireETS, [this] { d_actions.actionToggleEts(); });
    on(ActionAcquireAverage, [this] { averageClick(); });
    on(ActionAcquriePeakDetection, [this] { d_actions.actionTogglePeakDetection(); });
    on(Buffer10K, [this] { d_actions.actionSetBufferSize(_10K); });
    on(Buffer500K, [this] { d_actions.actionSetBufferSize(_500K); });

    // Util
    on(ActionUtilFFT, [this] { d_actions.actionToggleFft(); });
    for (QAction* a : actMeasure) on(a, [this, a] { showMeasure(a->data().toInt()); });
    on(ActionUtilUpperLowerLevel, [this] { upperLowerLevelClick(); });
    on(ActionUtilXYPlot, [this] { d_actions.actionToggleXYPlot(); });
    on(ActionUtilCalibration, [this] { d_actions.actionShowCalibration(); });
    on(ETSCalibration, [this] { etsCalibrationClick(); });
    for (QRadioButton* r : {rbMeasureCh1, rbMeasureCh2, rbMeasureMath}) {
        connect(r, &QRadioButton::toggled, this, [this] {
            setMeasureSource(rbMeasureCh1->isChecked() ? 1 : rbMeasureCh2->isChecked() ? 2 : 3);
        });
        connect(r, &QRadioButton::clicked, this, [this] { rbMeasureCh1Click(); });
    }
    connect(btnNext, &QPushButton::clicked, this, [this] { btnNextClick(); });

    // Help
    on(ActionHelpAbout, [this] { showAbout(); });
    on(ActionHelpHelp, [this] { d_actions.actionHelp(); });

    // The display's mouse tools.
    connect(display, &DisplayPaintBox::mouseDown, this,
            [this](int button, int x, int y) { displayMouseDown(button, x, y); });
    connect(display, &DisplayPaintBox::mouseMove, this, [this](int x, int y) { displayMouseMove(x, y); });
    connect(display, &DisplayPaintBox::mouseUp, this,
            [this](int button, int x, int y) { displayMouseUp(button, x, y); });
}

// ---- Shared handlers

void TFormMain::setProbeOfItem(int trace, int item) {
    static const int factors[4] = {_X1, _X10, _X100, _X1000};
    if (item >= 0 && item < 4) d_actions.actionSetProbe(trace, factors[item]);
}

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

void TFormMain::saveOutputAs(const char* filter, const char* extension, void (TFormMain::*save)(const std::string&)) {
    if (const auto path = runSaveDialog(filter, extension, this)) (this->*save)(*path);
}

// ---- Combo boxes and the track bar (user changes only)

void TFormMain::CBVoltDivChange(int trace) {
    const int index = CBVoltDiv[static_cast<std::size_t>(trace - 1)]->currentIndex();
    if (index >= 0) d_actions.actionSetVoltDiv(trace, index + 1); // the first item is code 1
    p_environment->wheelEnabled = false;
}

void TFormMain::CBProbeChange(int trace) {
    setProbeOfItem(trace, CBProbe[static_cast<std::size_t>(trace - 1)]->currentIndex());
    p_environment->wheelEnabled = false;
}

void TFormMain::cbTimeDivChange() {
    const int index = cbTimeDiv->currentIndex();
    if (index >= 0) d_actions.actionSetTimeDiv(index);
    p_environment->wheelEnabled = false;
}

void TFormMain::cbPersistenceChange() {
    const int index = cbPersistence->currentIndex();
    if (index >= 0) d_actions.actionSetPersistence(index);
    p_environment->wheelEnabled = false;
}

void TFormMain::tbIntensityChange() {
    d_actions.actionSetIntensity(tbIntensity->value());
    p_environment->wheelEnabled = false;
}

// ---- Commands with their own work

void TFormMain::selectVoltDivObject(int object) {
    d_actions.actionSelectObject(object);
    takeFocus();
    p_environment->wheelEnabled = true;
}

void TFormMain::takeFocus() {
    if (QWidget* w = focusWidget()) w->clearFocus();
    setFocus(Qt::OtherFocusReason);
}

void TFormMain::averageClick() {
    runAverageDialog(this, [this](int count) { d_actions.actionSetAverage(count); });
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
// The marker follows the mouse at once, also while the change waits for a capture to end; the
// action's refresh then puts it on the row the kernel holds.
int dragLevelMarker(MarkerImage* marker, const QFrame* panel, int y) {
    const int top = levelMarkerTopAfterDrag(marker->y(), y, panel->height());
    marker->move(marker->x(), top);
    return rowOfLevelMarkerTop(top, controlGetDisplayHeight());
}

} // namespace

void TFormMain::offsetMarkerMouseMove(int trace, int y) {
    const auto i = static_cast<std::size_t>(trace - 1);
    if (d_dragOffset[i]) d_actions.actionSetOffset(trace, dragLevelMarker(iVoltOffsetPos[i], pVoltOffset, y));
}

void TFormMain::offsetMarkerMouseUp(int trace) { d_dragOffset[static_cast<std::size_t>(trace - 1)] = false; }

void TFormMain::triggerLevelMouseDown(int ch) {
    const auto i = static_cast<std::size_t>(ch - 1);
    d_dragTriggerLevel[i] = true;
    iTriggerLevel[i]->raise();
}

void TFormMain::triggerLevelMouseMove(int ch, int y) {
    const auto i = static_cast<std::size_t>(ch - 1);
    if (d_dragTriggerLevel[i]) d_actions.actionSetTriggerLevel(ch, dragLevelMarker(iTriggerLevel[i], pTriggerLevel, y));
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
    d_actions.actionSetHorizontalPosition(left);
}

void TFormMain::horizontalPositionMouseUp() { d_dragTriggerPosition = false; }

// ---- The display's mouse tools

void TFormMain::displayMouseDown(int button, int x, int y) {
    const int object = p_environment->selectedObject;
    if (object == 6)
        labelMouseDown(button, x, y);
    else if (object >= 7 && object <= 9)
        cursorPress(button, x, y);
}

void TFormMain::displayMouseMove(int x, int y) {
    const int object = p_environment->selectedObject;
    if (object == 6) {
        if (p_environment->cursorDragging) moveLabel(p_environment->selectedLabel, x, y);
    } else if (object >= 7 && object <= 9) {
        cursorDrag(x, y);
    }
}

void TFormMain::displayMouseUp(int button, int x, int y) {
    const int object = p_environment->selectedObject;
    if (object == 0 || object == 6)
        p_environment->cursorDragging = false;
    else if (object >= 7 && object <= 9)
        cursorRelease(button, x, y);
    else
        d_actions.actionStepSelectedScale(button != 0);
}

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
        d_actions.actionWheelUp(ctrl, at.x(), at.y(), handled);
    else
        d_actions.actionWheelDown(ctrl, at.x(), at.y(), handled);
    event->setAccepted(handled);
}
