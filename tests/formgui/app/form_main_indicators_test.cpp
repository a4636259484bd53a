// The main window's indicators against the kernel's settings, setting by setting.
#include "main_window_fixture.h"

#include "action.h"
#include "advanced_trigger.h"
#include "environment.h"
#include "file_dialog.h"
#include "form_advanced_trigger.h"
#include "indicator_values.h"
#include "main_widgets.h"
#include "modal_answer.h"
#include "widget_helpers.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QToolBar>
#include <QToolButton>

namespace {

int imageOf(QAction* a) { return a->property("imageIndex").toInt(); }
QColor fontOf(QObject* o) { return o->property("fontColour").value<QColor>(); }
QString text(QLabel* l) { return l->text(); }

const char* const BOTH_CHANNELS_ON = "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\n";

TEST_F(MainWindowTest, TimeDivComboAndSampleRate) {
    start(BOTH_CHANNELS_ON);
    for (int code : {0, 11, 17, 25, 29}) {
        ASSERT_TRUE(controlSetTimeDiv(code));
        views().updateTimeDivView();
        EXPECT_EQ(window->controls().cbTimeDiv->currentIndex(), code);
        EXPECT_EQ(window->controls().cbTimeDiv->currentText().toStdString(),
                  TIME_DIV_ITEMS[static_cast<std::size_t>(code)]);
        EXPECT_EQ(text(window->controls().la_sampling_rate).toStdString(), sampleRateText(controlGetSampleRate()))
            << code;
    }
    std::array<std::string, 4> volts;
    std::string time;
    cycleView().comboTexts(volts, time);
    EXPECT_EQ(time, "10s");
    EXPECT_EQ(volts[0], "1V"); // the default 1 V/div at x1
}

TEST_F(MainWindowTest, DelayReadOutAndPositionMarker) {
    start(BOTH_CHANNELS_ON);
    struct Case {
        bool delay;
        int timeDiv;
        double position;
        const char* shown;
    } cases[] = {
        {false, 17, 250, "50%"},
        {true, 17, 250, "0s"},
        {true, 17, 200, "1ms"},
        {false, 17, 100, "20%"},
    };
    for (const Case& c : cases) {
        controlSetTimeDiv(c.timeDiv);
        controlSetDelayOnOff(c.delay);
        controlSetHorizontalPosition(c.position);
        views().updateDelayView();
        EXPECT_EQ(text(window->controls().pnDelay), c.shown) << c.delay << " " << c.position;
        EXPECT_EQ(window->controls().ActionHorizontalDelayOnOff->text(), c.delay ? "Delay On" : "Delay Off");
        EXPECT_EQ(imageOf(window->controls().ActionHorizontalDelayOnOff), c.delay ? 19 : 20);
    }
    struct Marker {
        int position, left, picture;
    } markers[] = {{-10, 0, 0}, {600, 500, 2}, {250, 249, 1}};
    controlSetRunState(_STOP); // a stopped capture scrolls past both edges
    for (const Marker& m : markers) {
        controlSetHorizontalPosition(m.position);
        views().updateHorizontalPositionMarker();
        EXPECT_EQ(window->controls().iTriggerHorPos->x(), m.left) << m.position;
        EXPECT_EQ(window->controls().iTriggerHorPos->property("picture").toInt(), m.picture) << m.position;
    }
}

TEST_F(MainWindowTest, VoltDivItemsFollowTheProbe) {
    start(BOTH_CHANNELS_ON);
    struct Case {
        int probe, item;
        const char* first;
        const char* last;
        const char* checked;
    } cases[] = {
        {1, 0, "10mV", "10V", "mnProbeAttCH1_1"},
        {10, 1, "100mV", "100V", "mnProbeAttCH1_10"},
        {100, 2, "1V", "1kV", "mnProbeAttCH1_100"},
        {1000, 3, "10V", "10kV", "mnProbeAttCH1_1000"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(controlSetProbeAttenuation(_CH1, c.probe));
        views().updateChannelViews();
        EXPECT_EQ(window->controls().CBProbe[0]->currentIndex(), c.item);
        ASSERT_EQ(window->controls().CBVoltDiv[0]->count(), 10);
        EXPECT_EQ(window->controls().CBVoltDiv[0]->itemText(0), c.first);
        EXPECT_EQ(window->controls().CBVoltDiv[0]->itemText(9), c.last);
        for (QAction* a : window->controls().mnProbeAtt[0])
            EXPECT_EQ(a->isChecked(), a->objectName() == c.checked) << a->objectName().toStdString();
    }
    // The combos never show code 0.
    ASSERT_TRUE(controlSetProbeAttenuation(_CH1, 1));
    views().updateChannelViews();
    ASSERT_TRUE(controlSetVoltageDiv(_CH1, 0));
    views().updateVoltDivView(_CH1);
    EXPECT_EQ(window->controls().CBVoltDiv[0]->currentIndex(), -1);
    ASSERT_TRUE(controlSetVoltageDiv(_CH1, 5));
    views().updateVoltDivView(_CH1);
    EXPECT_EQ(window->controls().CBVoltDiv[0]->currentText(), "200mV"); // code 5: 200 mV/div
}

// Whether `text` shows whole in the combo's text field, in its font and style.
bool showsWhole(const QComboBox* combo, const QString& text) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.currentText = text;
    option.subControls = QStyle::SC_All;
    const QRect field =
        combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    return combo->fontMetrics().horizontalAdvance(text) <= field.width();
}

// Every item of every probe and volt/div combo shows whole, at the default font and at a
// desktop font half as large again; the four panels stay side by side in the window.
TEST_F(MainWindowTest, EveryComboTextShowsWhole) {
    for (double scale : {1.0, 1.5}) {
        scaleApplicationFont(scale);
        start(BOTH_CHANNELS_ON);
        for (std::size_t t = 0; t < 4; ++t) {
            const int trace = static_cast<int>(t) + 1;
            for (int probe : {1, 10, 100, 1000}) {
                ASSERT_TRUE(controlSetProbeAttenuation(trace, probe));
                views().updateChannelViews();
                for (int i = 0; i < window->controls().CBVoltDiv[t]->count(); ++i)
                    EXPECT_TRUE(
                        showsWhole(window->controls().CBVoltDiv[t], window->controls().CBVoltDiv[t]->itemText(i)))
                        << "scale " << scale << ", trace " << trace << ", "
                        << window->controls().CBVoltDiv[t]->itemText(i).toStdString();
            }
            for (int i = 0; i < window->controls().CBProbe[t]->count(); ++i)
                EXPECT_TRUE(showsWhole(window->controls().CBProbe[t], window->controls().CBProbe[t]->itemText(i)))
                    << "scale " << scale << ", " << window->controls().CBProbe[t]->itemText(i).toStdString();
            const QRect panel = window->controls().pnlInfo[t]->geometry();
            EXPECT_TRUE(panel.contains(window->controls().CBVoltDiv[t]->geometry().translated(panel.topLeft())))
                << scale;
            EXPECT_LE(panel.right(), window->centralWidget()->width()) << scale;
            if (t > 0) {
                EXPECT_GT(panel.left(), window->controls().pnlInfo[t - 1]->geometry().right()) << scale;
            }
        }
        window.reset();
        kernel.reset();
    }
    scaleApplicationFont(1.0);
}

TEST_F(MainWindowTest, ChannelOnOffEnablesItsControls) {
    start(BOTH_CHANNELS_ON);
    struct Case {
        int ch;
        bool on;
        int image;
        QColor colour;
    } cases[] = {
        {_CH1, true, 0, QColor(0, 255, 0)},         {_CH1, false, 1, QColor(128, 128, 128)},
        {_CH2, true, 2, QColor(255, 255, 0)},       {_CH2, false, 3, QColor(128, 128, 128)},
        {_MATH, true, 4, QColor(255, 0, 0)},        {_MATH, false, 5, QColor(128, 128, 128)},
        {_REFERENCE, true, 6, QColor(0, 255, 255)}, {_REFERENCE, false, 7, QColor(128, 128, 128)},
    };
    for (const Case& c : cases) {
        const auto i = static_cast<std::size_t>(c.ch - 1);
        ASSERT_TRUE(controlSetChannelOnOff(c.ch, c.on) || c.ch > _CH2);
        views().updateChannelOnView(c.ch);
        EXPECT_EQ(imageOf(window->controls().ActionChannelOnOff[i]), c.image);
        EXPECT_EQ(window->controls().ActionChannelVoltage[i]->isEnabled(), c.on);
        EXPECT_EQ(window->controls().ActionChannelProbe[i]->isEnabled(), c.on);
        EXPECT_EQ(window->controls().pnlInfo[i]->isEnabled(), c.on);
        EXPECT_EQ(window->controls().iVoltOffsetPos[i]->isHidden(), !c.on);
        EXPECT_EQ(fontOf(window->controls().CBVoltDiv[i]), c.colour);
        EXPECT_EQ(fontOf(window->controls().CBProbe[i]), c.colour);
    }
    controlSetChannelOnOff(_CH2, true);
    views().updateChannelOnView(_CH2);
    EXPECT_TRUE(window->controls().rbMeasureCh2->isChecked());
    EXPECT_TRUE(window->controls().rbTriggerCh2->isEnabled());
    EXPECT_TRUE(window->controls().ActionChannelBandLimit[1]->isEnabled()); // fourth generation
    EXPECT_EQ(cycleView().measureSource(), 2);
    controlSetChannelOnOff(_CH2, false);
    views().updateChannelOnView(_CH2);
    EXPECT_FALSE(window->controls().rbMeasureCh2->isEnabled());
    EXPECT_FALSE(window->controls().rbTriggerCh2->isEnabled());
    EXPECT_FALSE(window->controls().ActionChannelBandLimit[1]->isEnabled());
    controlSetChannelOnOff(_MATH, true);
    views().updateChannelOnView(_MATH);
    EXPECT_TRUE(window->controls().rbMeasureMath->isChecked());
    EXPECT_EQ(cycleView().measureSource(), 3);
}

TEST_F(MainWindowTest, CouplingInvertAndBandLimitViews) {
    start(BOTH_CHANNELS_ON);
    struct Coupling {
        int ch, coupling, image;
        const char* hint;
    } couplings[] = {{_CH1, _AC, 8, "AC"},  {_CH1, _DC, 9, "DC"},  {_CH1, _GND, 10, "GND"},
                     {_CH2, _AC, 11, "AC"}, {_CH2, _DC, 12, "DC"}, {_CH2, _GND, 13, "GND"}};
    for (const Coupling& c : couplings) {
        ASSERT_TRUE(controlSetChannelCoupling(c.ch, c.coupling));
        views().updateCouplingView(c.ch);
        QAction* a = window->controls().ActionChannelADC[static_cast<std::size_t>(c.ch - 1)];
        EXPECT_EQ(imageOf(a), c.image);
        EXPECT_EQ(a->toolTip(), c.hint);
    }
    controlSetInvertOnOff(_CH1, true);
    views().updateInvertView(_CH1);
    EXPECT_EQ(window->controls().ActionChannelInvertOnOff[0]->text(), "Invert On");
    EXPECT_EQ(imageOf(window->controls().ActionChannelInvertOnOff[0]), 22);
    controlSetInvertOnOff(_CH1, false);
    views().updateInvertView(_CH1);
    EXPECT_EQ(window->controls().ActionChannelInvertOnOff[0]->text(), "Invert Off");
    ASSERT_TRUE(controlSetBandwidthLimitOnOff(_CH2, true));
    views().updateBandLimitView(_CH2);
    EXPECT_EQ(window->controls().ActionChannelBandLimit[1]->text(), "Bandwidth Limit On");
    EXPECT_EQ(imageOf(window->controls().ActionChannelBandLimit[1]), 24);
    controlSetTriggerHighFrequencyRejectOnOff(true);
    views().updateHighFrequencyRejectView();
    EXPECT_EQ(window->controls().ActionTriggerHighFrequencyReject->text(), "High Frequency Rejection On");
    EXPECT_EQ(imageOf(window->controls().ActionTriggerHighFrequencyReject), 7);
}

TEST_F(MainWindowTest, FirstGenerationDisablesBandLimitAndRejectWhateverTheFlags) {
    start(BOTH_CHANNELS_ON, _HW1);
    controlSetTriggerHighFrequencyRejectOnOff(true);
    views().updateAllViews();
    EXPECT_FALSE(window->controls().ActionChannelBandLimit[0]->isEnabled());
    EXPECT_FALSE(window->controls().ActionChannelBandLimit[1]->isEnabled());
    EXPECT_FALSE(window->controls().ActionTriggerHighFrequencyReject->isEnabled());
}

TEST_F(MainWindowTest, TriggerPanel) {
    start(BOTH_CHANNELS_ON);
    controlSetTriggerMode(_NORMAL);
    controlSetTriggerSource(_CH2);
    controlSetTriggerSlope(0);
    views().updateAllViews();
    EXPECT_EQ(text(window->controls().lbTriggerNormalAuto), "NORMAL");
    EXPECT_EQ(fontOf(window->controls().lbTriggerNormalAuto), QColor(0, 128, 128));
    EXPECT_EQ(imageOf(window->controls().ActionTriggerMode), 3);
    EXPECT_EQ(text(window->controls().lbTriggerSource), "CH2");
    EXPECT_EQ(fontOf(window->controls().lbTriggerSource), QColor(255, 255, 0));
    EXPECT_TRUE(window->controls().rbTriggerCh2->isChecked());
    EXPECT_TRUE(window->controls().iTriggerLevel[0]->isHidden());
    EXPECT_FALSE(window->controls().iTriggerLevel[1]->isHidden());
    EXPECT_EQ(imageOf(window->controls().ActionTriggerSource), 6);
    EXPECT_EQ(window->controls().ActionTriggerSlope->text(), "Down Edge");
    EXPECT_FALSE(window->controls().lbTriggerSlopeFalling->isHidden());
    EXPECT_TRUE(window->controls().lbTriggerSlopeRising->isHidden());
    EXPECT_EQ(text(window->controls().lbTriggerType), "Edge");
    EXPECT_EQ(fontOf(window->controls().lbTriggerType), QColor(192, 220, 192));

    controlSetTriggerMode(_AUTO);
    controlSetTriggerSource(_CH1);
    controlSetTriggerSlope(1);
    views().updateAllViews();
    EXPECT_EQ(text(window->controls().lbTriggerNormalAuto), "AUTO");
    EXPECT_EQ(fontOf(window->controls().lbTriggerNormalAuto), QColor(255, 0, 255));
    EXPECT_EQ(text(window->controls().lbTriggerSource), "CH1");
    EXPECT_EQ(window->controls().ActionTriggerSlope->text(), "Up Edge");
    EXPECT_EQ(imageOf(window->controls().ActionTriggerSlope), 0);
}

TEST_F(MainWindowTest, TriggerLevelMarkerAndReadOut) {
    start(BOTH_CHANNELS_ON);
    controlSetTriggerSource(_CH1);
    controlSetVoltageDiv(_CH1, _1V_DIV);
    controlSetVoltageOffset(_CH1, 200);
    struct Case {
        int ch, level, top, picture;
        const char* readOut; // of the source, channel 1
    } cases[] = {
        {_CH1, 250, 155, 1, "1V"},
        {_CH1, 410, 5, 0, nullptr},
        {_CH2, 410, 5, 3, nullptr},
        {_CH2, -20, 405, 5, nullptr},
    };
    for (const Case& c : cases) {
        if (c.readOut) controlSetTriggerLevel(c.level);
        // The other channel's stored level, as a state file can leave it.
        if (!c.readOut) g_control->p_state->d_channel[c.ch].triggerOffset = c.level;
        views().updateTriggerLevelMarker(c.ch);
        MarkerImage* m = window->controls().iTriggerLevel[static_cast<std::size_t>(c.ch - 1)];
        EXPECT_EQ(m->y(), c.top) << c.ch << " " << c.level;
        EXPECT_EQ(m->property("picture").toInt(), c.picture);
        if (c.readOut) {
            EXPECT_EQ(window->controls().ebTriggerLevel->text(), c.readOut);
        }
    }
}

TEST_F(MainWindowTest, OffsetMarkersFollowTheStoredRowMirroredWhenInverted) {
    start(BOTH_CHANNELS_ON);
    controlSetVoltageOffset(_CH1, 300);
    views().updateOffsetMarker(_CH1);
    EXPECT_EQ(window->controls().iVoltOffsetPos[0]->y(), 105);
    controlSetInvertOnOff(_CH1, true);
    views().updateOffsetMarker(_CH1);
    EXPECT_EQ(window->controls().iVoltOffsetPos[0]->y(), 305);
}

TEST_F(MainWindowTest, AdvancedTriggerDialogLocksTheEdgeControlsAndEdgeUnlocksThem) {
    setAdvancedTriggerDialog(std::make_shared<FormAdvancedTriggerDialog>());
    start(std::string(BOTH_CHANNELS_ON) + "triggerSlope1=0\n");
    ASSERT_EQ(controlGetTriggerSlope(), 0);
    answerNextModalDialog([](QDialog& d) {
        qobject_cast<TFormAdvancedTrigger*>(&d)->PulseOn->setChecked(true);
        return true;
    });
    window->controls().ActionTriggerAT->trigger();
    ASSERT_TRUE(controlGetTriggerAdvanceOnOff());
    EXPECT_EQ(text(window->controls().lbTriggerType), "Ad.T.");
    EXPECT_EQ(fontOf(window->controls().lbTriggerType), QColor(0, 255, 255));
    EXPECT_FALSE(window->controls().ActionTriggerSlope->isEnabled());
    EXPECT_FALSE(window->controls().ActionTriggerSource->isEnabled());
    EXPECT_FALSE(window->controls().ActionTriggerMode->isEnabled());
    EXPECT_FALSE(window->controls().rbTriggerCh1->isEnabled());
    EXPECT_TRUE(window->controls().tbnTriggerAdvanced->isChecked());

    answerNextModalDialog([](QDialog& d) {
        qobject_cast<TFormAdvancedTrigger*>(&d)->BtEdgeOnly->click();
        return true;
    });
    window->controls().ActionTriggerAT->trigger();
    setAdvancedTriggerDialog(nullptr);
    EXPECT_FALSE(controlGetTriggerAdvanceOnOff());
    EXPECT_EQ(text(window->controls().lbTriggerType), "Edge");
    EXPECT_TRUE(window->controls().ActionTriggerSlope->isEnabled());
    EXPECT_TRUE(window->controls().rbTriggerCh1->isEnabled());
    EXPECT_FALSE(window->controls().tbnTriggerAdvanced->isChecked());
    EXPECT_EQ(controlGetTriggerSlope(), 0);
    EXPECT_EQ(window->controls().ActionTriggerSlope->text(), "Down Edge");
}

TEST_F(MainWindowTest, BufferOverviewShowsTheSetOfTheChannelsOn) {
    struct Case {
        const char* state;
        int source;
        bool ch1Set, ch2Set;
    } cases[] = {
        {"[CHANNEL]\nchannelOnOff1=0\nchannelOnOff2=0\n", 1, false, false},
        {"[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=0\n", 1, true, false},
        {"[CHANNEL]\nchannelOnOff1=0\nchannelOnOff2=1\n", 2, false, true},
        {BOTH_CHANNELS_ON, 2, false, true},
    };
    for (const Case& c : cases) {
        TearDown();
        calls.clear();
        start(c.state);
        controlSetTriggerSource(c.source);
        views().updateBufferOverview();
        EXPECT_FALSE(window->controls().iBufferWindowBufferCenter->isHidden());
        const int triggers = !window->controls().iBufferWindowTrigger->isHidden() +
                             !window->controls().iBufferWindowTriggerLeft->isHidden() +
                             !window->controls().iBufferWindowTriggerRight->isHidden();
        EXPECT_EQ(triggers, 1);
        EXPECT_EQ(!window->controls().iBufferWindowBufferCh1->isHidden(), c.ch1Set) << c.state;
        EXPECT_EQ(!window->controls().iBufferWindowBufferLeftCh1->isHidden(), c.ch1Set);
        EXPECT_EQ(!window->controls().iBufferWindowBufferRightCh1->isHidden(), c.ch1Set);
        EXPECT_EQ(!window->controls().iBufferWindowBufferCh2->isHidden(), c.ch2Set) << c.state;
        EXPECT_EQ(!window->controls().iBufferWindowBufferRightCh2->isHidden(), c.ch2Set);
    }
}

TEST_F(MainWindowTest, XYCaptionAndTheTimeOffsetCalibrationOfTheFourthGeneration) {
    start(BOTH_CHANNELS_ON);
    controlSetXYPlotOnOff(true);
    views().updateXYPlotView();
    EXPECT_EQ(window->controls().ActionUtilXYPlot->text(), "XY plot");
    controlSetXYPlotOnOff(false);
    views().updateXYPlotView();
    EXPECT_EQ(window->controls().ActionUtilXYPlot->text(), "normal plot");
    EXPECT_FALSE(window->controls().ETSCalibration->isEnabled());
}

TEST_F(MainWindowTest, ToolBarsFollowTheirLayoutVisibility) {
    start(BOTH_CHANNELS_ON);
    window->environment().toolBarLayout[_TOOLBAR_UTIL].Visible = false;
    window->environment().toolBarLayout[_TOOLBAR_CHANNEL].Visible = false;
    views().updateToolbars();
    EXPECT_TRUE(window->controls().tbUtil->isHidden());
    EXPECT_TRUE(window->controls().tbChannel->isHidden());
    EXPECT_FALSE(window->controls().tbFile->isHidden());
    EXPECT_FALSE(window->controls().UtilTollBar1->isChecked());
    EXPECT_TRUE(window->controls().FileToolBar1->isChecked());
}

TEST_F(MainWindowTest, ModeButtonsAndDisplayCursor) {
    start(BOTH_CHANNELS_ON);
    struct Case {
        int object;
        QToolButton* MainWindowControls::*down;
        Qt::CursorShape shape;
    } cases[] = {
        {1, &MainWindowControls::tbChannel1VoltDiv, Qt::BitmapCursor},
        {5, &MainWindowControls::tbTimeDiv, Qt::BitmapCursor},
        {6, &MainWindowControls::tbLabel, Qt::IBeamCursor},
        {8, &MainWindowControls::tbCursorHor, Qt::CrossCursor},
        {0, nullptr, Qt::ArrowCursor},
    };
    QToolButton* MainWindowControls::*const all[] = {
        &MainWindowControls::tbChannel1VoltDiv, &MainWindowControls::tbChannel2VoltDiv,
        &MainWindowControls::tbMathVoltDiv,     &MainWindowControls::tbRefVoltDiv,
        &MainWindowControls::tbTimeDiv,         &MainWindowControls::tbLabel,
        &MainWindowControls::tbCursorCross,     &MainWindowControls::tbCursorHor,
        &MainWindowControls::tbCursorVer};
    for (const Case& c : cases) {
        window->controls().sbCursorMeasurePanel[0]->setText("old");
        window->environment().selectedObject = c.object;
        views().updateModeButtons();
        for (auto button : all) EXPECT_EQ((window->controls().*button)->isChecked(), button == c.down) << c.object;
        EXPECT_EQ(window->controls().display->cursor().shape(), c.shape) << c.object;
        EXPECT_TRUE(window->controls().sbCursorMeasurePanel[0]->text().isEmpty());
    }
}

// The action unit's commands through the real window: each control follows the kernel by
// the window's member, whatever its object name.
TEST_F(MainWindowTest, ActionUnitControlsFollowTheKernel) {
    start(BOTH_CHANNELS_ON);
    controlSetRunState(_RUN);
    struct Case {
        const char* step;
        int timeDiv;
        QAction* MainWindowControls::*trigger; // null: only the time base changes
        QAction* MainWindowControls::*action;
        bool kernelOn, enabled;
        int image;
        const char* caption;
    } cases[] = {
        {"peak detection on", 20, &MainWindowControls::ActionAcquriePeakDetection,
         &MainWindowControls::ActionAcquriePeakDetection, true, true, 7, "Peak Detecion On"},
        {"peak detection off", 20, &MainWindowControls::ActionAcquriePeakDetection,
         &MainWindowControls::ActionAcquriePeakDetection, false, true, 8, "Peak Detecion Off"},
        {"peak detection past 25", 26, nullptr, &MainWindowControls::ActionAcquriePeakDetection, false, false, 8,
         "Peak Detecion Off"},
        {"ETS off", 5, &MainWindowControls::ActionAcquireETS, &MainWindowControls::ActionAcquireETS, false, true, 0,
         "ETS Off"},
        {"ETS past 10", 11, nullptr, &MainWindowControls::ActionAcquireETS, false, false, 0, "ETS Off"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(controlSetTimeDiv(c.timeDiv));
        views().updateTimeDivView();
        if (c.trigger) (window->controls().*c.trigger)->trigger();
        QAction* a = window->controls().*c.action;
        const bool kernelOn =
            c.action == &MainWindowControls::ActionAcquireETS ? controlGetETSOnOff() : controlGetPeakDetectionOnOff();
        EXPECT_EQ(kernelOn, c.kernelOn) << c.step;
        EXPECT_EQ(a->isEnabled(), c.enabled) << c.step;
        EXPECT_EQ(imageOf(a), c.image) << c.step;
        EXPECT_EQ(a->text().toStdString(), c.caption) << c.step;
    }

    // Persistence: one item checked, none and no combo item outside the codes; no handler runs.
    for (int code : {3, 16, 40}) {
        g_control->p_state->d_persistence = code; // as a state file can leave it
        views().updatePersistenceView();
        int checked = 0;
        for (QAction* item : window->controls().persistenceItems) checked += item->isChecked();
        EXPECT_EQ(checked, code <= 16 ? 1 : 0) << code;
        EXPECT_EQ(window->controls().cbPersistence->currentIndex(), code <= 16 ? code : -1) << code;
        EXPECT_EQ(controlGetPersistence(), code);
    }

    ASSERT_TRUE(controlSetBufferSizeMode(_500K));
    views().updateBufferSizeView();
    EXPECT_EQ(window->controls().BufferSize->title(), "Buffer Size : 500K");
    EXPECT_TRUE(window->controls().Buffer500K->isChecked());
    EXPECT_FALSE(window->controls().Buffer10K->isChecked());

    // Single shot, then stopped: every acquisition command off, both level markers hidden;
    // running again: the set back, a channel that is off left off.
    controlSetChannelOnOff(_CH2, false);
    for (int state : {_SINGLE, _STOP, _RUN}) {
        ASSERT_TRUE(controlSetRunState(state));
        views().updateRunStateViews();
        const bool running = state == _RUN;
        EXPECT_EQ(window->controls().tbSingleShot->isChecked(), state == _SINGLE) << state;
        EXPECT_EQ(imageOf(window->controls().ActionAcquireRunStop), running ? 2 : 3) << state;
        for (QAction* a : {window->controls().ActionChannelADC[0], window->controls().ActionAcquireAutoSet,
                           window->controls().ActionTriggerAT, window->controls().ActionChannelBandLimit[0],
                           window->controls().ActionChannelOnOff[1]})
            EXPECT_EQ(a->isEnabled(), running) << a->objectName().toStdString() << " " << state;
        EXPECT_FALSE(window->controls().ActionChannelADC[1]->isEnabled()) << state;
        EXPECT_FALSE(window->controls().rbTriggerCh2->isEnabled()) << state;
        EXPECT_EQ(window->controls().iTriggerLevel[0]->isHidden(), !running) << state;
        EXPECT_TRUE(window->controls().iTriggerLevel[1]->isHidden()) << state;
    }
}

// A command the instrument refuses leaves every indicator of the setting on what the kernel
// holds: the combo or action, and the copies of the combo's text the full screen draws and
// the spreadsheet's "/Div" heading takes. Volt/div and coupling refused at the relay pulses,
// and the time base at its byte, keep the old setting in the kernel too.
TEST_F(MainWindowTest, RefusedCommandsLeaveEveryIndicatorOnTheKernelsValue) {
    start(BOTH_CHANNELS_ON);
    const auto voltDivShown = [&] {
        std::array<std::string, 4> volts;
        std::string time;
        cycleView().comboTexts(volts, time);
        EXPECT_EQ(volts[0], window->controls().CBVoltDiv[0]->currentText().toStdString()) << "full-screen copy";
        return std::make_pair(window->controls().CBVoltDiv[0]->currentIndex() + 1, volts[0]);
    };
    const auto timeDivShown = [&] {
        std::array<std::string, 4> volts;
        std::string time;
        cycleView().comboTexts(volts, time);
        EXPECT_EQ(time, window->controls().cbTimeDiv->currentText().toStdString())
            << "full-screen and spreadsheet copy";
        return std::make_pair(window->controls().cbTimeDiv->currentIndex(), time);
    };
    struct Case {
        const char* what;
        int request;                  // the request the instrument refuses for good
        std::function<void()> change; // the user's command
        std::function<int()> kernel;  // what the kernel holds
        std::function<int()> shown;   // what the indicator shows, as a code
        bool keepsOld;                // the kernel keeps the old setting
    };
    const Case cases[] = {
        {"volt/div at the relays", 0xB5, [this] { actions().actionSetVoltDiv(_CH1, _50MV_DIV); },
         [] { return controlGetVoltageDiv(_CH1); },
         [&] {
             const auto [code, text] = voltDivShown();
             EXPECT_EQ(text, voltDivItemTexts(_X1)[static_cast<std::size_t>(controlGetVoltageDiv(_CH1) - 1)]);
             return code;
         },
         true},
        {"volt/div at the register block", 0xB3, [this] { actions().actionSetVoltDiv(_CH1, _5V_DIV); },
         [] { return controlGetVoltageDiv(_CH1); }, [&] { return voltDivShown().first; }, false},
        {"coupling at the relays", 0xB5, [this] { actions().actionSetCoupling(_CH1, _GND); },
         [] { return controlGetChannelCoupling(_CH1); },
         [&] { return imageOf(window->controls().ActionChannelADC[0]) - 8; }, true},
        {"time/div at its byte", 0xB4, [this] { actions().actionSetTimeDiv(_2MS_DIV); },
         [] { return controlGetTimeDiv(); },
         [&] {
             const auto [code, text] = timeDivShown();
             EXPECT_EQ(text, TIME_DIV_ITEMS[static_cast<std::size_t>(controlGetTimeDiv())]);
             return code;
         },
         true},
        {"time/div at the register block", 0xB1, [this] { actions().actionSetTimeDiv(_20MS_DIV); },
         [] { return controlGetTimeDiv(); }, [&] { return timeDivShown().first; }, false},
        {"trigger mode", 0xB1,
         [this] { actions().actionSetTriggerMode(controlGetTriggerMode() == _AUTO ? _NORMAL : _AUTO); },
         [] { return controlGetTriggerMode(); },
         [&] { return text(window->controls().lbTriggerNormalAuto) == "NORMAL" ? _NORMAL : _AUTO; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = c.kernel();
        kernel->bus->injectFault({UsbFault::Kind::Stall, c.request, false, 0, UsbFault::FOR_GOOD, -1});
        c.change();
        kernel->bus->clearFaults();
        get_error_text();
        if (c.keepsOld) {
            EXPECT_EQ(c.kernel(), before);
        }
        EXPECT_EQ(c.shown(), c.kernel());
    }
}

// Loading a state file while stopped runs the loaded settings: the run/stop button and every
// control that follows the run state say so.
TEST_F(MainWindowTest, LoadStateWhileStoppedLeavesTheButtonsAndTheRunStateAgreeing) {
    start(BOTH_CHANNELS_ON);
    const std::string path =
        kernel->dir().write("saved.ini", std::string(BOTH_CHANNELS_ON) + "[HORIZONTAL]\ntimeDiv=19\n");
    window->controls().ActionAcquireRunStop->trigger();
    ASSERT_EQ(controlGetRunState(), _STOP);
    setFileDialogHandler([&](const FileDialogRequest&) { return std::optional<std::string>(path); });
    window->controls().ActionFileLoadState->trigger();
    setFileDialogHandler(nullptr);
    ASSERT_EQ(controlGetTimeDiv(), 19);
    const bool running = controlGetRunState() == _RUN;
    EXPECT_EQ(imageOf(window->controls().ActionAcquireRunStop), running ? 2 : 3);
    for (QAction* a : {window->controls().ActionChannelOnOff[0], window->controls().ActionChannelOnOff[1],
                       window->controls().ActionTriggerAT, window->controls().ActionChannelADC[0],
                       window->controls().ActionAcquireAutoSet})
        EXPECT_EQ(a->isEnabled(), running) << a->objectName().toStdString();
    EXPECT_EQ(window->controls().iTriggerLevel[0]->isVisibleTo(window.get()), running);
    EXPECT_FALSE(window->controls().tbSingleShot->isChecked());
}

// Inverting a channel that is not the trigger source keeps its stored level on its trace:
// made the source afterwards, it triggers where it did before, at the same voltage.
TEST_F(MainWindowTest, InvertedChannelMadeTheSourceKeepsItsLevelOnTheTrace) {
    start(std::string(BOTH_CHANNELS_ON) + "voltageOffset2=300\ntriggerOffset2=320\n[TRIGGER]\ntriggerSource=1\n");
    ASSERT_EQ(controlGetTriggerSource(), _CH1);
    const double volts = controlGetTriggerOffset(_CH2) - controlGetVoltageOffset(_CH2);
    ASSERT_EQ(volts, 20);
    for (int toggles : {1, 2, 3}) {
        SCOPED_TRACE(toggles);
        window->controls().ActionChannelInvertOnOff[1]->trigger();
        EXPECT_EQ(controlGetTriggerOffset(_CH2) - controlGetVoltageOffset(_CH2), volts);
    }
    ASSERT_TRUE(controlGetInvertOnOff(_CH2));
    window->controls().rbTriggerCh2->click();
    ASSERT_EQ(controlGetTriggerSource(), _CH2);
    EXPECT_EQ(controlGetTriggerLevel() - controlGetVoltageOffset(_CH2), volts);
    // The marker sits 20 rows below the offset marker (mirrored), and the read-out is that
    // distance at 1 V/div.
    EXPECT_EQ(window->controls().iTriggerLevel[1]->y() - window->controls().iVoltOffsetPos[1]->y(), 20);
    EXPECT_EQ(window->controls().ebTriggerLevel->text(), "-400mV");
}

} // namespace
