// The main window's commands reach the kernel through the action unit, and the commands
// with their own work (cycles, steps, marker drags) work it out as the window shows it.
#include "main_window_fixture.h"

#include "acquisition_thread.h"
#include "action.h"
#include "display_direct_x.h"
#include "environment.h"
#include "file_dialog.h"
#include "form_about.h"
#include "form_fft_dlg.h"
#include "form_full.h"
#include "form_label.h"
#include "form_math_option.h"
#include "form_measure.h"
#include "form_option_dlg.h"
#include "form_up_low.h"
#include "main_widgets.h"
#include "modal_answer.h"
#include "okbd_calib_a_dlg.h"
#include "temp_dir.h"
#include "tool_window_kernel.h"
#include "widget_helpers.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>

#include <filesystem>
#include <functional>
#include <iterator>
#include <thread>

namespace {

const char* const BOTH_ON = "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\n[HORIZONTAL]\ntimeDiv=17\n";

TEST_F(MainWindowTest, MenuCommandsReachTheKernel) {
    start(BOTH_ON);
    struct Case {
        const char* name;
        std::function<int()> read;
        int after;
    } cases[] = {
        {"ActionChannel1OnOff", [] { return int(controlGetChannelOnOff(_CH1)); }, 0},
        {"ActionChannel1OnOff", [] { return int(controlGetChannelOnOff(_CH1)); }, 1},
        {"ActionChannelMathOnOff", [] { return int(controlGetChannelOnOff(_MATH)); }, 1},
        {"ActionChannel2ADC", [] { return controlGetChannelCoupling(_CH2); }, _DC},
        {"ActionChannel1InvertOnOff", [] { return int(controlGetInvertOnOff(_CH1)); }, 1},
        {"ActionHorizontalDelayOnOff", [] { return int(controlGetDelayOnOff()); }, 1},
        {"ActionTriggerSlope", [] { return controlGetTriggerSlope(); }, 0},
        {"ActionTriggerSlope", [] { return controlGetTriggerSlope(); }, 1},
        {"ActionTriggerMode", [] { return controlGetTriggerMode(); }, _NORMAL},
        // Channel 1 went off while it was the source: channel 2 took over; "Source" goes back.
        {"ActionTriggerSource", [] { return controlGetTriggerSource(); }, _CH1},
        {"ActionDisplayLineJoin", [] { return controlGetLineJoinMode(); }, 2},
        {"N5s2", [] { return controlGetPersistence(); }, 14},
        {"mnProbeAttCH2_100", [] { return controlGetProbeAttenuation(_CH2); }, 100},
        {"Buffer500K", [] { return controlGetBufferSizeMode(); }, _500K},
        {"Buffer10K", [] { return controlGetBufferSizeMode(); }, _10K},
        {"ActionAcquireRunStop", [] { return controlGetRunState(); }, _STOP},
        {"ActionAcquireRunStop", [] { return controlGetRunState(); }, _RUN},
    };
    for (const Case& c : cases) {
        auto* a = find<QAction>(c.name);
        ASSERT_NE(a, nullptr) << c.name;
        a->trigger();
        EXPECT_EQ(c.read(), c.after) << c.name;
    }
    // The views followed.
    EXPECT_EQ(window->controls().cbPersistence->currentIndex(), 14);
    EXPECT_EQ(window->controls().CBVoltDiv[1]->itemText(0), "1V");
    EXPECT_TRUE(find<QAction>("N5s2")->isChecked());
    EXPECT_FALSE(find<QAction>("N10s2")->isChecked());
}

TEST_F(MainWindowTest, CouplingCyclesBackAfterThreePresses) {
    start(BOTH_ON);
    const int first = controlGetChannelCoupling(_CH1);
    for (int i = 0; i < 3; ++i) window->controls().ActionChannelADC[0]->trigger();
    EXPECT_EQ(controlGetChannelCoupling(_CH1), first);
}

TEST_F(MainWindowTest, TriggerSourceStaysWhenTheOtherChannelIsOff) {
    start("[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=0\n");
    window->controls().ActionTriggerSource->trigger();
    EXPECT_EQ(controlGetTriggerSource(), _CH1);
}

TEST_F(MainWindowTest, IntensitySteps) {
    start(BOTH_ON);
    struct Case {
        float factor;
        QAction* MainWindowControls::*step;
        float after;
    } cases[] = {
        {95, &MainWindowControls::ActionDisplayIntensityUp, 100},
        {100, &MainWindowControls::ActionDisplayIntensityUp, 100},
        {50, &MainWindowControls::ActionDisplayIntensityUp, 60},
        {5, &MainWindowControls::ActionDisplayIntensityDown, 1},
        {10, &MainWindowControls::ActionDisplayIntensityDown, 1},
        {55.5f, &MainWindowControls::ActionDisplayIntensityDown, 45},
    };
    for (const Case& c : cases) {
        controlSetIntensityFactor(c.factor);
        (window->controls().*c.step)->trigger();
        EXPECT_EQ(controlGetIntensityFactor(), c.after) << c.factor;
        EXPECT_EQ(window->controls().tbIntensity->value(), static_cast<int>(c.after));
    }
}

TEST_F(MainWindowTest, ComboBoxesAndTrackBarReachTheKernel) {
    start(BOTH_ON);
    window->environment().wheelEnabled = true;
    window->controls().CBVoltDiv[0]->setCurrentIndex(4);
    emit window->controls().CBVoltDiv[0]->activated(4);
    EXPECT_EQ(controlGetVoltageDiv(_CH1), 5); // the first item is code 1
    EXPECT_FALSE(window->environment().wheelEnabled);

    window->controls().CBProbe[0]->setCurrentIndex(3);
    emit window->controls().CBProbe[0]->activated(3);
    EXPECT_EQ(controlGetProbeAttenuation(_CH1), 1000);
    EXPECT_EQ(window->controls().CBVoltDiv[0]->itemText(9), "10kV");

    window->controls().cbTimeDiv->setCurrentIndex(20);
    emit window->controls().cbTimeDiv->activated(20);
    EXPECT_EQ(controlGetTimeDiv(), 20);

    window->controls().tbIntensity->setValue(30); // a user move
    EXPECT_EQ(controlGetIntensityFactor(), 30.0f);

    window->controls().rbTriggerCh2->click();
    EXPECT_EQ(controlGetTriggerSource(), _CH2);
}

TEST_F(MainWindowTest, VoltageCommandSelectsTheObjectForWheelAndClicks) {
    start(BOTH_ON);
    window->controls().ActionChannelVoltage[0]->trigger();
    EXPECT_EQ(window->environment().selectedObject, 1);
    EXPECT_TRUE(window->environment().wheelEnabled);
    EXPECT_TRUE(window->controls().tbChannel1VoltDiv->isChecked());

    // The wheel over the window now moves channel 1's offset by 5 rows (1 with Ctrl).
    const double offset = controlGetVoltageOffset(_CH1);
    QWheelEvent up(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window.get(), &up);
    EXPECT_EQ(controlGetVoltageOffset(_CH1), offset + 5);
    QWheelEvent down(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::ControlModifier,
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window.get(), &down);
    EXPECT_EQ(controlGetVoltageOffset(_CH1), offset + 4);

    // A display click with the object selected steps its volt/div.
    const int code = controlGetVoltageDiv(_CH1);
    emit window->controls().display->mouseUp(1, 100, 100); // right: coarser
    EXPECT_EQ(controlGetVoltageDiv(_CH1), code + 1);

    window->controls().ActionChannelVoltage[0]->trigger(); // again: no object
    EXPECT_EQ(window->environment().selectedObject, 0);
    EXPECT_FALSE(window->controls().tbChannel1VoltDiv->isChecked());
}

TEST_F(MainWindowTest, OffsetMarkerDragStopsAtThePanelEdges) {
    start(BOTH_ON);
    MarkerImage* marker = window->controls().iVoltOffsetPos[0];
    emit marker->moved(0, -1000); // no press: nothing
    EXPECT_NE(marker->y(), 5);
    emit marker->pressed(7, 5);
    EXPECT_TRUE(window->offsetMarkerDragged(1));
    EXPECT_TRUE(window->environment().wheelEnabled);
    emit marker->moved(7, -1000);
    EXPECT_EQ(marker->y(), 5);
    EXPECT_EQ(controlGetVoltageOffset(_CH1), 400);
    emit marker->moved(7, 1000);
    EXPECT_EQ(marker->y(), window->controls().pVoltOffset->height() - 11);
    EXPECT_EQ(controlGetVoltageOffset(_CH1), 0);
    emit marker->moved(7, -95); // 100 rows up from the bottom: Top 405 - 100
    EXPECT_EQ(marker->y(), 305);
    EXPECT_EQ(controlGetVoltageOffset(_CH1), 100);
    emit marker->released(7, 5);
    EXPECT_FALSE(window->offsetMarkerDragged(1));
    emit marker->moved(7, -1000);
    EXPECT_EQ(controlGetVoltageOffset(_CH1), 100);
}

TEST_F(MainWindowTest, TriggerLevelAndPositionDrags) {
    start(BOTH_ON);
    controlSetTriggerSource(_CH1);
    MarkerImage* level = window->controls().iTriggerLevel[0];
    emit level->pressed(7, 5);
    EXPECT_TRUE(cycleView().triggerLevelDragged());
    emit level->moved(7, -1000);
    EXPECT_EQ(controlGetTriggerLevel(), 400);
    emit level->moved(7, 1000);
    EXPECT_EQ(controlGetTriggerLevel(), 0);
    emit level->released(7, 5);
    EXPECT_FALSE(cycleView().triggerLevelDragged());

    MarkerImage* position = window->controls().iTriggerHorPos;
    emit position->pressed(7, 7);
    // The marker stops at the panel's edges; the kernel keeps the position on its own grid
    // and the marker then shows what it kept.
    emit position->moved(1000, 7);
    EXPECT_NEAR(controlGetHorizontalPosition(), window->controls().pnlTimeOffset->width() - 14, 1.0);
    EXPECT_EQ(position->x(), static_cast<int>(controlGetHorizontalPosition()) - 1);
    emit position->moved(-1000, 7);
    EXPECT_EQ(controlGetHorizontalPosition(), 0);
    EXPECT_EQ(position->x(), -1);
    emit position->released(7, 7);
    emit position->moved(1000, 7);
    EXPECT_EQ(controlGetHorizontalPosition(), 0);
}

TEST_F(MainWindowTest, MarkerImagesPassMousePositionsWithin) {
    start(BOTH_ON);
    MarkerImage* marker = window->controls().iVoltOffsetPos[1];
    std::vector<int> ys;
    QObject::connect(marker, &MarkerImage::moved, [&](int, int y) { ys.push_back(y); });
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 4), QPointF(3, 4), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(marker, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(3, -6), QPointF(3, -6), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(marker, &move);
    EXPECT_EQ(ys, std::vector<int>{-6});
    EXPECT_TRUE(window->offsetMarkerDragged(2));
}

TEST_F(MainWindowTest, MeasurementPagesAndSource) {
    start(BOTH_ON);
    EXPECT_EQ(window->measurePage(), 0);
    window->controls().btnNext->click();
    EXPECT_TRUE(window->controls().gbMeasureVolt1->isHidden());
    EXPECT_FALSE(window->controls().gbMeasureVolt2->isHidden());
    window->controls().btnNext->click();
    EXPECT_FALSE(window->controls().gbMeasureVolt1->isHidden());
    EXPECT_TRUE(window->controls().gbMeasureVolt2->isHidden());
    window->controls().rbMeasureCh1->click();
    EXPECT_EQ(cycleView().measureSource(), 1);
}

TEST_F(MainWindowTest, ExitAsksBeforeClosing) {
    start(BOTH_ON);
    answer = MessageResult::Cancel;
    window->controls().ActionFileExit->trigger();
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Do you really want to Quit?"});
    EXPECT_EQ(calls, std::vector<std::string>{"start"});
}

} // namespace

namespace {

TEST_F(MainWindowTest, ScreenImageAndOptionCommands) {
    start(BOTH_ON);
    TempDir out;
    const std::string bmp = out.file("screen.bmp");
    setFileDialogHandler([&](const FileDialogRequest& r) -> std::optional<std::string> {
        EXPECT_EQ(r.kind, FileDialogKind::Save);
        EXPECT_EQ(r.filter, "BMP files (*.bmp)|*.BMP");
        return bmp;
    });
    window->controls().ActionFileSaveAsBmp->trigger();
    setFileDialogHandler({});
    EXPECT_EQ(TempDir::read(bmp).substr(0, 2), "BM");

    // The option dialog's controls go into Environment on OK, and the grid colour follows.
    answerNextModalDialog([](QDialog& d) {
        auto* options = qobject_cast<TFormOptionDlg*>(&d);
        if (!options) return false;
        options->c_grid_on->setChecked(false);
        options->c_title->setChecked(true);
        return true;
    });
    window->controls().ActionFileOption->trigger();
    EXPECT_FALSE(window->environment().GridOnOff);
    EXPECT_TRUE(window->environment().TitleOnOff);
    EXPECT_EQ(cycleView().gridColor(), window->environment().GridOriginColor); // GDI: unchanged

    answerNextModalDialog([](QDialog& d) {
        if (auto* options = qobject_cast<TFormOptionDlg*>(&d)) options->c_grid_on->setChecked(true);
        return false; // Cancel keeps everything
    });
    window->controls().ActionFileOption->trigger();
    EXPECT_FALSE(window->environment().GridOnOff);
}

} // namespace

namespace {

TEST_F(MainWindowTest, CycleFramesStatusAndTheSingleShotRefresh) {
    start(BOTH_ON);
    window->controls().ActionAcquireSingleShot->trigger();
    ASSERT_EQ(controlGetRunState(), _SINGLE);
    EXPECT_TRUE(window->controls().tbSingleShot->isChecked());
    // Cycles on this thread (the worker is left out) until the single shot has triggered.
    for (int i = 0; i < 50 && controlGetRunState() == _SINGLE; ++i) acquireAndDisplay();
    ASSERT_EQ(controlGetRunState(), _STOP);
    QCoreApplication::processEvents(); // the queued frame, status text and refresh
    EXPECT_EQ(window->controls().ActionAcquireRunStop->property("imageIndex").toInt(), 3);
    EXPECT_FALSE(window->controls().ActionAcquireAutoSet->isEnabled());
    EXPECT_FALSE(window->controls().tbSingleShot->isChecked());
    ASSERT_FALSE(window->controls().display->frame().isNull());
    EXPECT_EQ(window->controls().display->frame().size(), QSize(501, 401));
    EXPECT_FALSE(window->controls().pnlStatus->text().isEmpty());
    EXPECT_NE(views().rawDataSlot(_CH1), nullptr);
    EXPECT_NE(*views().rawDataSlot(_CH1), nullptr); // the capture filled the cycle's record
}

// The display is there before any capture: in NORMAL mode without a trigger it once stayed
// black until the first capture's trigger polls had all timed out.
TEST_F(MainWindowTest, DisplayIsShownBeforeTheFirstCapture) {
    start(std::string(BOTH_ON) + "[TRIGGER]\ntriggerMode=1\n"); // the worker is left out: no capture
    EXPECT_TRUE(window->controls().display->frame().isNull());
    const QImage shown = window->controls().display->grab().toImage();
    bool gridDrawn = false;
    for (int x = 0; x < shown.width() && !gridDrawn; ++x)
        gridDrawn = (shown.pixel(x, shown.height() / 2) & 0xFFFFFF) != 0;
    EXPECT_TRUE(gridDrawn);
}

} // namespace

namespace {

// After every single-shot transition (start, trigger, cancel) the Run/Stop picture and the
// controls that only a running scope offers follow the run state.
TEST_F(MainWindowTest, SingleShotTransitionsKeepTheRunStopControlsInStep) {
    start(BOTH_ON);
    const auto enabled = [this](const char* name) {
        QObject* o = window->control(name);
        if (auto* a = qobject_cast<QAction*>(o)) return a->isEnabled();
        if (auto* w = qobject_cast<QWidget*>(o)) return w->isEnabled();
        ADD_FAILURE() << "no control " << name;
        return false;
    };
    const auto trigger = [] {
        for (int i = 0; i < 50 && controlGetRunState() == _SINGLE; ++i) acquireAndDisplay();
        QCoreApplication::processEvents(); // the capture's queued refresh
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        int state;
    };
    const std::vector<Step> steps = {
        {"run -> single shot", [this] { window->controls().ActionAcquireSingleShot->trigger(); }, _SINGLE},
        {"single shot cancelled", [this] { window->controls().ActionAcquireSingleShot->trigger(); }, _RUN},
        {"stop", [this] { window->controls().ActionAcquireRunStop->trigger(); }, _STOP},
        {"stop -> single shot", [this] { window->controls().ActionAcquireSingleShot->trigger(); }, _SINGLE},
        {"single shot cancelled without a trigger", [this] { window->controls().ActionAcquireSingleShot->trigger(); },
         _RUN},
        {"single shot again", [this] { window->controls().ActionAcquireSingleShot->trigger(); }, _SINGLE},
        {"single shot triggered", trigger, _STOP},
        {"single shot from the triggered stop", [this] { window->controls().ActionAcquireSingleShot->trigger(); },
         _SINGLE},
        {"cancelled", [this] { window->controls().ActionAcquireSingleShot->trigger(); }, _RUN},
    };
    for (const Step& step : steps) {
        step.act();
        ASSERT_EQ(controlGetRunState(), step.state) << step.what;
        const bool running = step.state == _RUN;
        EXPECT_EQ(window->controls().ActionAcquireRunStop->property("imageIndex").toInt(), running ? 2 : 3)
            << step.what;
        EXPECT_EQ(window->controls().tbSingleShot->isChecked(), step.state == _SINGLE) << step.what;
        for (const char* name :
             {"ActionAcquireAutoSet", "ActionAcquireAverage", "ActionChannel1OnOff", "ActionChannel2OnOff",
              "ActionChannel1ADC", "ActionChannel2ADC", "ActionTriggerSlope", "ActionTriggerSource",
              "ActionTriggerMode", "ActionTriggerAT", "rbTriggerCh1", "rbTriggerCh2"})
            EXPECT_EQ(enabled(name), running) << step.what << ": " << name;
    }
}

TEST_F(MainWindowTest, DialogCommands) {
    start(BOTH_ON);
    answerNextModalDialog([](QDialog& d) {
        auto* math = qobject_cast<TFormMathOption*>(&d);
        if (!math) return false;
        math->rb_mul->setChecked(true);
        math->s1_ch2->setChecked(true);
        return true;
    });
    window->controls().ActionChannelMathOption->trigger();
    EXPECT_EQ(controlGetMathOperation(), _MULTIPLY);
    EXPECT_EQ(controlGetMathSource1(), _CH2);

    answerNextModalDialog([](QDialog& d) {
        auto* levels = qobject_cast<TFormUpLow*>(&d);
        if (!levels) return false;
        levels->EdUpper->setText("80");
        levels->EdLower->setText("-5");
        levels->OKBtnClick();
        return true;
    });
    window->controls().ActionUtilUpperLowerLevel->trigger();
    EXPECT_EQ(window->environment().UpperLevel, 80);
    EXPECT_EQ(window->environment().LowerLevel, 0);

    QString total;
    answerNextModalDialog([&](QDialog& d) {
        if (auto* about = qobject_cast<TFormAbout*>(&d)) total = about->lbTotalPhys->text();
        return true;
    });
    window->controls().ActionHelpAbout->trigger();
    EXPECT_TRUE(total.endsWith("KB Total")) << total.toStdString();
}

// The View menu's bar commands show or hide their bar as the layout says the other way round;
// opening the menu captures the layout of every bar but the util bar, which keeps its own.
TEST_F(MainWindowTest, ToolbarCommandsAndTheLayoutCapture) {
    start(BOTH_ON);
    Environment& e = window->environment();
    const MainWindowControls& c = window->controls();
    c.tbTrig->hide();
    e.toolBarLayout[_TOOLBAR_UTIL].Width = 99;
    emit c.mnView->aboutToShow();
    EXPECT_FALSE(e.toolBarLayout[_TOOLBAR_TRIG].Visible);
    EXPECT_FALSE(c.TriggerToolBar1->isChecked());
    EXPECT_EQ(e.toolBarLayout[_TOOLBAR_UTIL].Width, 99);

    c.TriggerToolBar1->trigger();
    EXPECT_TRUE(e.toolBarLayout[_TOOLBAR_TRIG].Visible);
    EXPECT_FALSE(c.tbTrig->isHidden());
    EXPECT_TRUE(c.TriggerToolBar1->isChecked());
    const bool util = e.toolBarLayout[_TOOLBAR_UTIL].Visible;
    c.UtilTollBar1->trigger();
    EXPECT_EQ(e.toolBarLayout[_TOOLBAR_UTIL].Visible, !util);
    EXPECT_EQ(c.tbUtil->isHidden(), util);
    c.UtilTollBar1->trigger();
    EXPECT_EQ(e.toolBarLayout[_TOOLBAR_UTIL].Visible, util);
    EXPECT_EQ(c.UtilTollBar1->isChecked(), util);
}

// Each file output asks for its file with its own filter and writes the chosen one; a
// cancelled dialog writes nothing.
TEST_F(MainWindowTest, OutputsGetTheChosenPathWithTheirFilter) {
    start(BOTH_ON);
    for (int i = 0; i < 3; ++i) acquireAndDisplay(); // records to save
    TempDir out;
    struct Case {
        QAction* MainWindowControls::*command;
        const char* filter;
        const char* extension;
        const char* file;  // null: cancelled
        std::string start; // the file's first bytes
    } cases[] = {
        {&MainWindowControls::ActionFileSaveAsDat, "DAT files (*.dat)|*.DAT", "dat", "wave.dat", ""},
        {&MainWindowControls::ActionFileSaveAsBmp, "BMP files (*.bmp)|*.BMP", "bmp", "screen.bmp", "BM"},
        {&MainWindowControls::ActionFileSaveAsJpg, "JPG files (*.jpg)|*.JPG", "jpg", "screen.jpg", "\xFF\xD8"},
        {&MainWindowControls::ActionFileSaveAsJpg, "JPG files (*.jpg)|*.JPG", "jpg", nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        std::vector<FileDialogRequest> requests;
        setFileDialogHandler([&](const FileDialogRequest& r) -> std::optional<std::string> {
            requests.push_back(r);
            if (!c.file) return std::nullopt;
            return out.file(c.file);
        });
        (window->controls().*c.command)->trigger();
        setFileDialogHandler({});
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].kind, FileDialogKind::Save);
        EXPECT_EQ(requests[0].filter, c.filter);
        EXPECT_EQ(requests[0].defaultExtension, c.extension);
        if (!c.file) continue;
        const std::string written = TempDir::read(out.file(c.file));
        EXPECT_FALSE(written.empty());
        EXPECT_EQ(written.substr(0, c.start.size()), c.start);
    }
    // The cancelled one wrote nothing.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.path()), std::filesystem::directory_iterator()), 3);
}

} // namespace

namespace {

TEST_F(MainWindowTest, CrossCursorPressDragAndReadOut) {
    start(BOTH_ON); // 1 ms/div
    window->controls().ActionDisplayCrossCursor->trigger();
    EXPECT_EQ(window->environment().selectedObject, 7);
    emit window->controls().display->mouseDown(0, 100, 100);
    emit window->controls().display->mouseMove(200, 300);
    emit window->controls().display->mouseUp(0, 200, 300);
    EXPECT_EQ(window->environment().cursorA.x, 100);
    EXPECT_EQ(window->environment().cursorA.y, 100);
    EXPECT_EQ(window->environment().cursorB.x, 200);
    EXPECT_EQ(window->environment().cursorB.y, 300);
    EXPECT_FALSE(window->environment().cursorDragging);
    const QString horizontal = window->controls().sbCursorMeasurePanel[0]->text();
    EXPECT_TRUE(horizontal.contains(", d=2ms, f=500Hz")) << horizontal.toStdString();
    EXPECT_TRUE(window->controls().sbCursorMeasurePanel[1]->text().startsWith("Vertical : @ = "));

    // Another tool empties the read-out.
    window->controls().ActionDisplayVerticalCursor->trigger();
    EXPECT_TRUE(window->controls().sbCursorMeasurePanel[0]->text().isEmpty());
}

// The display's mouse goes to the selected tool: a label is dragged only while the label tool
// drags and the release ends the drag; with a channel's tool a click steps its volt/div.
TEST_F(MainWindowTest, DisplayMouseGoesToTheSelectedTool) {
    start(BOTH_ON);
    Environment& e = window->environment();
    const MainWindowControls& c = window->controls();
    LabelListName label;
    label.x = 40;
    label.y = 60;
    e.labelList.push_back(label);
    c.ActionDisplayLabel->trigger();
    e.selectedLabel = 0;
    e.labelPressPoint = {10, 10};
    emit c.display->mouseMove(13, 14); // not dragging: stays
    EXPECT_EQ(e.labelList[0].x, 40);
    e.cursorDragging = true;
    emit c.display->mouseMove(13, 14);
    EXPECT_EQ(e.labelList[0].x, 43);
    EXPECT_EQ(e.labelList[0].y, 64);
    emit c.display->mouseUp(0, 13, 14);
    EXPECT_FALSE(e.cursorDragging);

    ASSERT_TRUE(controlSetVoltageDiv(_CH2, 5));
    c.ActionChannelVoltage[1]->trigger();
    EXPECT_EQ(e.selectedObject, _CH2);
    emit c.display->mouseUp(0, 10, 10);
    EXPECT_EQ(controlGetVoltageDiv(_CH2), 4);
    emit c.display->mouseUp(1, 10, 10);
    emit c.display->mouseUp(1, 10, 10);
    EXPECT_EQ(controlGetVoltageDiv(_CH2), 6);
    EXPECT_EQ(e.labelList[0].x, 43); // the label tool is no longer selected
}

TEST_F(MainWindowTest, LabelToolAddsThroughItsDialogAndCloseEmptiesTheList) {
    start(BOTH_ON);
    TFormLabel dialog(window->environment(), window.get());
    TFormMain::StartupWindows windows;
    windows.label = &dialog;
    window->attachWindows(windows);
    window->controls().ActionDisplayLabel->trigger();
    emit window->controls().display->mouseDown(0, 40, 60);
    EXPECT_TRUE(dialog.isVisible());
    dialog.ebLabelText->setText("abc");
    dialog.ebLabelTextKeyDown(Qt::Key_Return);
    ASSERT_EQ(window->environment().labelList.size(), 1u);
    EXPECT_EQ(window->environment().labelList[0].x, 40);
    EXPECT_EQ(window->environment().labelList[0].width, 45);
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(window->environment().labelList.empty());
    window->attachWindows({});
}

} // namespace

namespace {

// The main window with its start-up tool windows, as program entry makes them.
class MainWindowWithToolsTest : public MainWindowTest {
protected:
    void startWithTools(const std::string& state) {
        start(state);
        measure = std::make_unique<TFormMeasure>(toolKernel, &window->environment());
        spectrum = std::make_unique<TFormFFTDlg>(toolKernel);
        calibration = std::make_unique<TokbdCalibADlg>(window->calibrationHost(), window.get());
        TFormMain::StartupWindows windows;
        windows.measure = measure.get();
        windows.spectrum = spectrum.get();
        windows.calibration = calibration.get();
        window->attachWindows(windows);
    }
    void TearDown() override {
        if (window) window->attachWindows({});
        calibration.reset();
        spectrum.reset();
        measure.reset();
        MainWindowTest::TearDown();
    }

    FacadeToolWindowKernel toolKernel;
    std::unique_ptr<TFormMeasure> measure;
    std::unique_ptr<TFormFFTDlg> spectrum;
    std::unique_ptr<TokbdCalibADlg> calibration;
};

TEST_F(MainWindowWithToolsTest, SpectrumToggleShowsHidesAndKeepsTheButtonInStep) {
    startWithTools(BOTH_ON);
    window->controls().ActionUtilFFT->trigger();
    EXPECT_TRUE(spectrum->isVisible());
    EXPECT_TRUE(window->controls().tbFFT->isChecked());
    EXPECT_TRUE(views().isFftWindowVisible());
    window->controls().ActionUtilFFT->trigger();
    EXPECT_FALSE(spectrum->isVisible());
    EXPECT_FALSE(window->controls().tbFFT->isChecked());
}

TEST_F(MainWindowWithToolsTest, SpectrumChannelFollowsTheChannelsOn) {
    startWithTools(BOTH_ON);
    auto* ch1 = spectrum->findChild<QRadioButton*>("rbFFTCh1");
    auto* ch2 = spectrum->findChild<QRadioButton*>("rbFFTCh2");
    ASSERT_TRUE(ch1 && ch2);
    window->controls().ActionChannelOnOff[0]->trigger(); // channel 1 off
    EXPECT_FALSE(ch1->isEnabled());
    EXPECT_TRUE(ch2->isChecked());
    EXPECT_EQ(spectrum->fftChannel(), 1);
    window->controls().ActionChannelOnOff[1]->trigger(); // channel 2 off: nothing to switch to
    EXPECT_FALSE(ch2->isEnabled());
    window->controls().ActionChannelOnOff[0]->trigger(); // channel 1 on while 2 is off: selected
    EXPECT_TRUE(ch1->isEnabled());
    EXPECT_TRUE(ch1->isChecked());
    EXPECT_EQ(spectrum->fftChannel(), 0);
}

TEST_F(MainWindowWithToolsTest, MeasurementCommandsFillAndPlaceTheWindow) {
    startWithTools(BOTH_ON);
    window->controls().rbMeasureCh2->click();
    window->controls().actMeasure[20]->trigger(); // Frequency of CH2
    EXPECT_EQ(measure->itemCount(), 1);
    EXPECT_TRUE(measure->isVisible());
    EXPECT_EQ(measure->y(), window->frameGeometry().top());
    EXPECT_NE(views().measureObject(), nullptr);
    window->controls().btnNext->click();
    window->controls().gbMeasureVolt2->findChild<QToolButton*>("tbnMeasure6")->click(); // Upper
    EXPECT_EQ(measure->itemCount(), 2);
}

// The message map's two messages, posted from another thread, refresh their windows once the
// GUI thread runs; sent on the GUI thread they refresh at once. Other messages are not held.
TEST_F(MainWindowWithToolsTest, RefreshMessagesReachTheirWindows) {
    startWithTools(BOTH_ON);
    acquireAndDisplay(); // records and images, while both windows are hidden
    window->controls().rbMeasureCh2->click();
    window->controls().actMeasure[20]->trigger(); // Frequency of CH2
    QCoreApplication::processEvents();
    const QString before = measure->labelText(0);
    ASSERT_TRUE(spectrum->spectrumRecord().lin.empty());

    std::thread poster([&] {
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(window->Dispatch(TFormMain::WM_FFT_REFRESH));
            EXPECT_TRUE(window->Dispatch(TFormMain::WM_MEASURE_REFRESH));
        }
        EXPECT_FALSE(window->Dispatch(TFormMain::WM_FFT_REFRESH + 2));
    });
    poster.join();
    EXPECT_TRUE(spectrum->spectrumRecord().lin.empty()); // not before the GUI thread runs
    QCoreApplication::processEvents();
    EXPECT_FALSE(spectrum->spectrumRecord().lin.empty());
    EXPECT_NE(measure->labelText(0), before) << before.toStdString();

    // On the GUI thread: at once.
    TFormFFTDlg fresh(toolKernel);
    TFormMain::StartupWindows windows;
    windows.spectrum = &fresh;
    window->attachWindows(windows);
    EXPECT_TRUE(window->Dispatch(TFormMain::WM_FFT_REFRESH));
    EXPECT_FALSE(fresh.spectrumRecord().lin.empty());
    window->attachWindows({});
}

TEST_F(MainWindowWithToolsTest, CalibrationCommandShowsTheZeroCalibrationWindow) {
    startWithTools(BOTH_ON);
    window->controls().ActionUtilCalibration->trigger();
    EXPECT_TRUE(calibration->isVisible());
    EXPECT_EQ(controlGetBufferSizeMode(), _10K);
}

} // namespace

namespace {

TEST_F(MainWindowTest, RendererAndGridColourFollowTheGraphicMode) {
    struct Case {
        const char* mode;
        int graphicMode;
        bool fast;
        int gridColour; // of the option colour 0x0000FF (red)
    } cases[] = {
        {"GDI", 2, false, 0x0000FF},
        {"DirectX", 0, true, 0xFF0000}, // the offscreen screen is 32-bit: 0x00RRGGBB
        {"DirectX-system graphic", 1, true, 0xFF0000},
    };
    for (const Case& c : cases) {
        TearDown();
        start(BOTH_ON, _HW4, c.mode);
        EXPECT_EQ(window->graphicMode(), c.graphicMode) << c.mode;
        EXPECT_EQ(dynamic_cast<const DisplayDirectX*>(window->renderer()) != nullptr, c.fast) << c.mode;
        EXPECT_EQ(window->surfaceFormat(), _SURFACE_32BIT);
        window->environment().GridOriginColor = 0x0000FF;
        window->updateGridColor();
        EXPECT_EQ(cycleView().gridColor(), c.gridColour) << c.mode;
        acquireAndDisplay();
        QCoreApplication::processEvents();
        EXPECT_EQ(window->controls().display->frame().size(), QSize(501, 401)) << c.mode;
    }
}

TEST_F(MainWindowTest, FullScreenCommandShowsAndHidesItsWindow) {
    start(BOTH_ON);
    TFormFull full(window->environment(), actions());
    TFormMain::StartupWindows windows;
    windows.full = &full;
    window->attachWindows(windows);
    window->controls().ActionViewFullScreen->trigger();
    EXPECT_TRUE(full.isVisible());
    EXPECT_TRUE(full.visibleToCycle());
    window->controls().ActionViewFullScreen->trigger();
    EXPECT_FALSE(full.isVisible());
    window->attachWindows({});
}

// The full-screen window takes the keyboard when shown: Alt+Enter (either key) toggles from
// whichever window is active, and Escape leaves full screen.
TEST_F(MainWindowTest, FullScreenKeysWorkFromEitherWindow) {
    start(BOTH_ON);
    TFormFull full(window->environment(), actions());
    TFormMain::StartupWindows windows;
    windows.full = &full;
    window->attachWindows(windows);
    const auto activate = [](QWidget& w) {
        w.activateWindow();
        QCoreApplication::processEvents();
        return w.isActiveWindow();
    };
    const struct {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } leaving[] = {{"Alt+Return", Qt::Key_Return, Qt::AltModifier},
                   {"Alt+Enter", Qt::Key_Enter, Qt::AltModifier | Qt::KeypadModifier},
                   {"Escape", Qt::Key_Escape, Qt::NoModifier}};
    for (const auto& c : leaving) {
        window->show();
        ASSERT_TRUE(activate(*window)) << c.name;
        clickKey(window.get(), Qt::Key_Return, Qt::AltModifier);
        ASSERT_TRUE(full.isVisible()) << c.name;
        ASSERT_TRUE(activate(full)) << c.name;
        clickKey(&full, c.key, c.modifiers);
        EXPECT_FALSE(full.isVisible()) << c.name;
        full.hide();
    }
    window->attachWindows({});
}

} // namespace
