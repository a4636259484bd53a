// The main window's controls, built in the form's order: the actions with their shortcuts and
// images, the menus, the six tool bars, the central area (display, marker panels, trace
// panels, trigger panel, measurement buttons) and the status bar.
#include "form_main.h"

#include "codes.h"
#include "indicator_values.h"
#include "main_widgets.h"

#include <QActionGroup>
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QStringList>
#include <QToolBar>
#include <QToolButton>

namespace {

constexpr int DISPLAY_WIDTH = MAIN_DISPLAY_WIDTH;
constexpr int DISPLAY_HEIGHT = MAIN_DISPLAY_HEIGHT;

// Geometry of the central area (pixels). The display's column 0 and row 0 sit at (DX, DY);
// the marker panels are placed so that a marker's centre points at its row or column.
constexpr int DX = 40;
constexpr int DY = 44;
constexpr int LEVEL_PANEL_HEIGHT = DISPLAY_HEIGHT + 16; // marker Top 5 .. height + 5
constexpr int POSITION_PANEL_WIDTH = DISPLAY_WIDTH + POSITION_MARKER_SIZE;
constexpr int RIGHT_COLUMN = DX + DISPLAY_WIDTH + 25;
constexpr int RIGHT_COLUMN_WIDTH = 200;
constexpr int INFO_ROW = DY + DISPLAY_HEIGHT + 30;

const char* const TRACE_KEYS[4] = {"Ch1", "Ch2", "Math", "Ref"};
const char* const TRACE_CAPTIONS[4] = {"CH1", "CH2", "MATH", "REF"};
const char* const PROBE_ITEMS[4] = {"x1", "x10", "x100", "x1000"};

// Measurement captions by slot, with their shortcut letter (Ctrl+Alt+letter) and action name.
struct MeasureEntry {
    const char* name;
    const char* caption;
    char key;
};
const MeasureEntry MEASURES[23] = {
    {"actMeasureMinimum", "Minimum", 'N'},
    {"actMeasureMaximum", "Maximum", 'X'},
    {"actMeasureBase", "Base", 'B'},
    {"actMeasureTop", "Top", 'T'},
    {"actMeasureLower", "Lower", 'L'},
    {"actMeasureMiddle", "Middle", 'M'},
    {"actMeasureUpper", "Upper", 'U'},
    {"actMeasurePtoP", "Peak to Peak", 'P'},
    {"actMeasureVoltage", "Amplitude", 'A'},
    {"actMeasureMean", "Mean", 'E'},
    {"actMeasureRMS", "RMS", 'R'},
    {"actMeasureCycleMean", "Cycle Mean", 'C'},
    {"actMeasureCycleRMS", "Cycle RMS", 'Y'},
    {"actMeasurePOverShoot", "Positive Overshoot", 'S'},
    {"actMeasureNOverShoot", "Negative Overshoot", 'G'},
    {"actMeasurePeriod", "Period", 'I'},
    {"actMeasureRiseTime", "Rise Time", 'V'},
    {"actMeasureFallTime", "Fall Time", 'Z'},
    {"actMeasurePPulseWidth", "Positive Pulse Width", 'W'},
    {"actMeasureNPulseWidth", "Negative Pulse Width", 'H'},
    {"actMeasureFrequency", "Frequency", 'F'},
    {"actMeasurePositiveDutyCycle", "Positive Duty Cycle", 'J'},
    {"actMeasureNegativeDutyCycle", "Negative Duty Cycle", 'D'},
};
// Menu order of the two measurement submenus, by slot.
const int TIME_MEASURES[] = {15, 20, 16, 17, 21, 22, 18, 19};
const int VOLTAGE_MEASURES[] = {7, 1, 0, 8, 3, 2, 6, 5, 4, 9, 11, 10, 12, 13, 14};
// The two pages of measurement buttons beside the display: slot and button text.
struct MeasureButton {
    int slot;
    const char* text;
};
const MeasureButton MEASURE_PAGE1[] = {{7, "P-P"},  {1, "Max"},  {0, "Min"},   {8, "Amp"},  {3, "Top"},   {2, "Base"},
                                       {9, "Mean"}, {10, "RMS"}, {20, "Freq"}, {15, "Per"}, {16, "Rise"}, {17, "Fall"}};
const MeasureButton MEASURE_PAGE2[] = {{6, "Upp"},  {5, "Mid"}, {4, "Low"}, {11, "CMn"}, {12, "CRMS"}, {13, "+OS"},
                                       {14, "-OS"}, {18, "+W"}, {19, "-W"}, {21, "+D"},  {22, "-D"}};

const char* const PERSISTENCE_NAMES[17] = {"Mins2",   "N100ms2", "N200ms2", "N300ms2", "N400ms2",  "N500ms2",
                                           "N600ms2", "N700ms2", "N800ms2", "N900ms2", "N1s2",     "N2s2",
                                           "N3s2",    "N4s2",    "N5s2",    "N10s2",   "Infinite2"};

QFrame* panel(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* f = new QFrame(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setGeometry(x, y, w, h);
    return f;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
    auto* l = new QLabel(text, parent);
    if (name) l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(x, y, w, h);
    return l;
}

QLabel* picture(QWidget* parent, const char* name, const QPixmap& pm) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setPixmap(pm);
    l->resize(pm.size());
    return l;
}

// The width `model` needs to show each of `texts` whole, in its font and style sheet.
int comboWidthFor(const QComboBox* model, const QStringList& texts) {
    QComboBox scratch(model->parentWidget());
    scratch.setStyleSheet(model->styleSheet());
    scratch.setFont(model->font());
    scratch.addItems(texts);
    return scratch.sizeHint().width();
}

} // namespace

// ---- Building the controls

QAction* TFormMain::newAction(const char* name, const char* caption, ActionImageList list, int image) {
    auto* a = new QAction(QString::fromUtf8(caption), this);
    a->setObjectName(QString::fromLatin1(name));
    d_actionLists[a] = list;
    if (image >= 0) {
        a->setIcon(actionImage(list, image));
        a->setProperty("imageIndex", image);
    }
    return a;
}

void TFormMain::buildActions() {
    using L = ActionImageList;
    const auto key = [](QAction* a, QKeyCombination k) { a->setShortcut(QKeySequence(k)); };

    ActionFileLoadState = newAction("ActionFileLoadState", "Load State", L::File);
    key(ActionFileLoadState, QKeyCombination(Qt::Key_F2));
    ActionFileSaveState = newAction("ActionFileSaveState", "Save State", L::File);
    key(ActionFileSaveState, QKeyCombination(Qt::Key_F3));
    ActionFileSaveAsDat = newAction("ActionFileSaveAsDat", "Save As DAT", L::File, 0);
    key(ActionFileSaveAsDat, Qt::CTRL | Qt::Key_S);
    ActionFileSaveAsJpg = newAction("ActionFileSaveAsJpg", "Save As JPG", L::File);
    ActionFileSaveAsBmp = newAction("ActionFileSaveAsBmp", "Save As BMP", L::File);
    ActionFileSaveAsWord = newAction("ActionFileSaveAsWord", "Save As Word", L::File);
    key(ActionFileSaveAsWord, QKeyCombination(Qt::Key_F4));
    ActionFileSaveAsExcel = newAction("ActionFileSaveAsExcel", "Save As Excel", L::File);
    key(ActionFileSaveAsExcel, QKeyCombination(Qt::Key_F5));
    ActionFileOption = newAction("ActionFileOption", "Option", L::File, 3);
    key(ActionFileOption, QKeyCombination(Qt::Key_F6));
    ActionFileCopy = newAction("ActionFileCopy", "Copy", L::File);
    key(ActionFileCopy, Qt::CTRL | Qt::Key_C);
    ActionFileLoadReference = newAction("ActionFileLoadReference", "Load Reference", L::File);
    ActionFileSaveReferenceCh1 = newAction("ActionFileSaveReferenceCh1", "Save Channel1 As Reference", L::File);
    ActionFileSaveReferenceCh2 = newAction("ActionFileSaveReferenceCh2", "Save Channel2 As Reference", L::File);
    ActionFilePreview = newAction("ActionFilePreview", "Preview", L::File, 1);
    key(ActionFilePreview, QKeyCombination(Qt::Key_F7));
    ActionFilePrint = newAction("ActionFilePrint", "Print", L::File, 2);
    key(ActionFilePrint, Qt::CTRL | Qt::Key_P);
    ActionFileExit = newAction("ActionFileExit", "Exit", L::File);
    key(ActionFileExit, Qt::CTRL | Qt::Key_X);

    FileToolBar1 = newAction("FileToolBar1", "File ToolBar");
    key(FileToolBar1, Qt::CTRL | Qt::Key_F1);
    DisplayToolBar1 = newAction("DisplayToolBar1", "Display ToolBar");
    key(DisplayToolBar1, Qt::CTRL | Qt::Key_F2);
    ChannelToolBar1 = newAction("ChannelToolBar1", "Channel ToolBar");
    key(ChannelToolBar1, Qt::CTRL | Qt::Key_F3);
    RunStopToolBar1 = newAction("RunStopToolBar1", "RunStop ToolBar");
    key(RunStopToolBar1, Qt::CTRL | Qt::Key_F4);
    TriggerToolBar1 = newAction("TriggerToolBar1", "Trigger ToolBar");
    key(TriggerToolBar1, Qt::CTRL | Qt::Key_F5);
    UtilTollBar1 = newAction("UtilTollBar1", "Util ToolBar");
    key(UtilTollBar1, Qt::CTRL | Qt::Key_F6);
    for (QAction* a : {FileToolBar1, DisplayToolBar1, ChannelToolBar1, RunStopToolBar1, TriggerToolBar1, UtilTollBar1})
        a->setCheckable(true);
    ActionViewFullScreen = newAction("ActionViewFullScreen", "Full Screen");
    ActionViewFullScreen->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_Return), QKeySequence(Qt::ALT | Qt::Key_Enter)});

    ActionDisplayLineJoin = newAction("ActionDisplayLineJoin", "Line Join On/Off", L::Display, 0);
    key(ActionDisplayLineJoin, Qt::CTRL | Qt::Key_J);
    auto* persistenceGroup = new QActionGroup(this);
    for (int code = 0; code < PERSISTENCE_ITEM_COUNT; ++code) {
        QAction* a = newAction(PERSISTENCE_NAMES[code], PERSISTENCE_ITEMS[static_cast<std::size_t>(code)]);
        a->setCheckable(true);
        a->setData(code); // Tag
        persistenceGroup->addAction(a);
        persistenceItems[static_cast<std::size_t>(code)] = a;
    }
    ActionDisplayIntensityUp = newAction("ActionDisplayIntensityUp", "+");
    key(ActionDisplayIntensityUp, Qt::CTRL | Qt::Key_Insert);
    ActionDisplayIntensityDown = newAction("ActionDisplayIntensityDown", "_");
    key(ActionDisplayIntensityDown, Qt::CTRL | Qt::Key_Delete);
    ActionDisplayLabel = newAction("ActionDisplayLabel", "Label Edit On/Off", L::Display, 2);
    ActionDisplayCrossCursor = newAction("ActionDisplayCrossCursor", "Cross Cursor On/Off", L::Display, 3);
    key(ActionDisplayCrossCursor, Qt::CTRL | Qt::Key_U);
    ActionDisplayHorizontalCursor =
        newAction("ActionDisplayHorizontalCursor", "Horizontal Cursor On/Off", L::Display, 4);
    ActionDisplayVerticalCursor = newAction("ActionDisplayVerticalCursor", "Vertical Cursor On/Off", L::Display, 5);

    const QKeyCombination onOffKeys[4] = {Qt::SHIFT | Qt::Key_F1, Qt::SHIFT | Qt::Key_F7, Qt::CTRL | Qt::Key_M,
                                          QKeyCombination()};
    const QKeyCombination voltageKeys[4] = {Qt::SHIFT | Qt::Key_F5, Qt::SHIFT | Qt::Key_F11, QKeyCombination(),
                                            QKeyCombination()};
    const char* const onOffNames[4] = {"ActionChannel1OnOff", "ActionChannel2OnOff", "ActionChannelMathOnOff",
                                       "ActionChannelRefOnOff"};
    const char* const voltageNames[4] = {"ActionChannel1Voltage", "ActionChannel2Voltage", "ActionChannelMathVoltage",
                                         "ActionChannelRefVoltage"};
    const char* const scaleNames[4] = {"ActionChannel1ScaleFactor", "ActionChannel2ScaleFactor",
                                       "ActionChannelMathScaleFactor", "ActionChannelRefScaleFactor"};
    for (int t = 0; t < 4; ++t) {
        const auto i = static_cast<std::size_t>(t);
        ActionChannelOnOff[i] = newAction(onOffNames[t], "On/Off", L::Channel, 2 * t);
        if (onOffKeys[t] != QKeyCombination()) key(ActionChannelOnOff[i], onOffKeys[t]);
        ActionChannelVoltage[i] = newAction(voltageNames[t], "Voltage", L::Channel, 14 + t);
        ActionChannelVoltage[i]->setCheckable(true); // its tool button shows the selected mouse tool
        if (voltageKeys[t] != QKeyCombination()) key(ActionChannelVoltage[i], voltageKeys[t]);
        // No command of its own: the action only follows the channel's on/off state.
        ActionChannelScaleFactor[i] = newAction(scaleNames[t], "Scale Factor");
        auto* probeGroup = new QActionGroup(this);
        for (int p = 0; p < 4; ++p) {
            const std::string name = std::string("mnProbeAtt") +
                                     (t == 0   ? "CH1"
                                      : t == 1 ? "CH2"
                                               : TRACE_KEYS[t]) +
                                     "_" + (PROBE_ITEMS[p] + 1);
            QAction* a = newAction(name.c_str(), PROBE_ITEMS[p]);
            a->setCheckable(true);
            a->setData(p); // Tag
            probeGroup->addAction(a);
            mnProbeAtt[i][static_cast<std::size_t>(p)] = a;
        }
    }
    for (int c = 0; c < 2; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const std::string n = std::to_string(c + 1);
        ActionChannelADC[i] =
            newAction(("ActionChannel" + n + "ADC").c_str(), "AC/DC/GND Coupling", L::Channel, 9 + 3 * c);
        ActionChannelInvertOnOff[i] =
            newAction(("ActionChannel" + n + "InvertOnOff").c_str(), "Invert On/Off", L::Channel, 23);
        ActionChannelBandLimit[i] =
            newAction(("ActionChannel" + n + "BandLimit").c_str(), "Bandwidth Limit", L::Channel, 25);
    }
    key(ActionChannelADC[0], Qt::SHIFT | Qt::Key_F2);
    key(ActionChannelADC[1], Qt::SHIFT | Qt::Key_F8);
    ActionChannelMathOption = newAction("ActionChannelMathOption", "Math Option", L::Channel, 21);

    ActionHorizontalTimeDiv = newAction("ActionHorizontalTimeDiv", "Time/Div", L::Channel, 18);
    ActionHorizontalTimeDiv->setCheckable(true);
    key(ActionHorizontalTimeDiv, Qt::CTRL | Qt::Key_T);
    ActionHorizontalDelayOnOff = newAction("ActionHorizontalDelayOnOff", "Delay On/Off", L::Channel, 20);
    key(ActionHorizontalDelayOnOff, Qt::CTRL | Qt::Key_D);

    ActionTriggerSource = newAction("ActionTriggerSource", "Source", L::Trigger, 5);
    key(ActionTriggerSource, Qt::SHIFT | Qt::CTRL | Qt::Key_F1);
    ActionTriggerSlope = newAction("ActionTriggerSlope", "Slope", L::Trigger, 0);
    key(ActionTriggerSlope, Qt::SHIFT | Qt::CTRL | Qt::Key_F3);
    ActionTriggerMode = newAction("ActionTriggerMode", "Auto/Normal", L::Trigger, 2);
    key(ActionTriggerMode, Qt::SHIFT | Qt::CTRL | Qt::Key_F4);
    ActionTriggerAT = newAction("ActionTriggerAT", "Advanced Trigger", L::Trigger, 9);
    ActionTriggerAT->setCheckable(true); // tbnTriggerAdvanced is down while the advanced trigger is on
    key(ActionTriggerAT, Qt::SHIFT | Qt::CTRL | Qt::Key_F5);
    ActionTriggerHighFrequencyReject =
        newAction("ActionTriggerHighFrequencyReject", "Trigger High Frequency Reject On/Off", L::Trigger, 8);

    ActionAcquireRunStop = newAction("ActionAcquireRunStop", "Run/Stop", L::Acquire, 2);
    key(ActionAcquireRunStop, Qt::CTRL | Qt::Key_R);
    ActionAcquireSingleShot = newAction("ActionAcquireSingleShot", "Single Shot", L::Acquire, 4);
    ActionAcquireSingleShot->setCheckable(true); // tbSingleShot is down in single shot
    key(ActionAcquireSingleShot, Qt::CTRL | Qt::Key_H);
    ActionAcquireAutoSet = newAction("ActionAcquireAutoSet", "Auto Set", L::Acquire, 5);
    key(ActionAcquireAutoSet, Qt::CTRL | Qt::Key_A);
    ActionAcquireETS = newAction("ActionAcquireETS", "ETS On/Off", L::Acquire, 0);
    ActionAcquireAverage = newAction("ActionAcquireAverage", "Average", L::Acquire, 6);
    ActionAcquriePeakDetection = newAction("ActionAcquriePeakDetection", "Peak Detection", L::Acquire, 8);
    auto* bufferGroup = new QActionGroup(this);
    Buffer10K = newAction("Buffer10K", "10k points");
    Buffer10K->setData(0);
    Buffer500K = newAction("Buffer500K", "500k points");
    Buffer500K->setData(1);
    for (QAction* a : {Buffer10K, Buffer500K}) {
        a->setCheckable(true);
        bufferGroup->addAction(a);
    }

    ActionUtilFFT = newAction("ActionUtilFFT", "FFT On/Off", L::Util, 0);
    ActionUtilFFT->setCheckable(true); // tbFFT is down while the spectrum window shows
    key(ActionUtilFFT, Qt::CTRL | Qt::Key_F);
    for (int slot = 0; slot < 23; ++slot) {
        const MeasureEntry& m = MEASURES[slot];
        QAction* a = newAction(m.name, m.caption);
        a->setData(slot); // Tag
        a->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | static_cast<Qt::Key>(m.key)));
        actMeasure[static_cast<std::size_t>(slot)] = a;
    }
    ActionUtilUpperLowerLevel = newAction("ActionUtilUpperLowerLevel", "Upper/Lower Level");
    ActionUtilXYPlot = newAction("ActionUtilXYPlot", "normal plot");
    key(ActionUtilXYPlot, Qt::CTRL | Qt::Key_Y);
    ActionUtilCalibration = newAction("ActionUtilCalibration", "Calibration");
    key(ActionUtilCalibration, Qt::SHIFT | Qt::CTRL | Qt::Key_F6);
    ETSCalibration = newAction("ETSCalibration", "ETS Calibration");

    ActionHelpAbout = newAction("ActionHelpAbout", "About");
    key(ActionHelpAbout, QKeyCombination(Qt::Key_F9));
    ActionHelpHelp = newAction("ActionHelpHelp", "Help");
    key(ActionHelpHelp, QKeyCombination(Qt::Key_F1));
}

void TFormMain::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu2"));
    const auto menu = [this](QMenu* parent, const char* name, const char* title) {
        auto* m = new QMenu(QString::fromUtf8(title), this);
        m->setObjectName(QString::fromLatin1(name));
        if (parent)
            parent->addMenu(m);
        else
            menuBar()->addMenu(m);
        return m;
    };

    mnFile = menu(nullptr, "mnFile", "File");
    mnFile->addActions({ActionFileLoadState, ActionFileSaveState});
    mnFile->addSeparator();
    mnFile->addActions(
        {ActionFileSaveAsDat, ActionFileSaveAsJpg, ActionFileSaveAsBmp, ActionFileSaveAsWord, ActionFileSaveAsExcel});
    mnFile->addSeparator();
    mnFile->addActions({ActionFileOption, ActionFileCopy});
    mnFile->addSeparator();
    mnFile->addActions({ActionFileLoadReference, ActionFileSaveReferenceCh1, ActionFileSaveReferenceCh2});
    mnFile->addSeparator();
    mnFile->addActions({ActionFilePreview, ActionFilePrint});
    mnFile->addSeparator();
    mnFile->addAction(ActionFileExit);

    mnView = menu(nullptr, "mnView", "&View");
    mnView->addActions(
        {FileToolBar1, DisplayToolBar1, ChannelToolBar1, RunStopToolBar1, TriggerToolBar1, UtilTollBar1});
    mnView->addSeparator();
    mnView->addAction(ActionViewFullScreen);

    mnDisplay = menu(nullptr, "mnDisplay", "Display");
    mnDisplay->addAction(ActionDisplayLineJoin);
    mnPersistence = menu(mnDisplay, "mnPersistence", "Persistence");
    for (QAction* a : persistenceItems) mnPersistence->addAction(a);
    mnIntensity = menu(mnDisplay, "mnIntensity", "Intensity");
    mnIntensity->addActions({ActionDisplayIntensityUp, ActionDisplayIntensityDown});
    mnDisplay->addSeparator();
    mnDisplay->addActions(
        {ActionDisplayLabel, ActionDisplayCrossCursor, ActionDisplayHorizontalCursor, ActionDisplayVerticalCursor});

    mnChannel = menu(nullptr, "mnChannel", "&Channel");
    mnChannel1 = menu(mnChannel, "mnChannel1", "Channel 1");
    mnChannel2 = menu(mnChannel, "mnChannel2", "Channel 2");
    mnMath = menu(mnChannel, "mnMath", "Math");
    mnReference = menu(mnChannel, "mnReference", "Reference");
    QMenu* traceMenus[4] = {mnChannel1, mnChannel2, mnMath, mnReference};
    const char* const probeMenuNames[4] = {"mmProbeAttenuationCH1", "mmProbeAttenuationCH2", "mmProbeAttenuationMath",
                                           "mmProbeAttenuationRef"};
    const char* const probeActionNames[4] = {"ActionChannel1Probe", "ActionChannel2Probe", "ActionChannelMathProbe",
                                             "ActionChannelRefProbe"};
    QMenu** probeMenus[4] = {&mmProbeAttenuationCH1, &mmProbeAttenuationCH2, &mmProbeAttenuationMath,
                             &mmProbeAttenuationRef};
    for (int t = 0; t < 4; ++t) {
        const auto i = static_cast<std::size_t>(t);
        QMenu* m = traceMenus[t];
        m->addActions({ActionChannelOnOff[i], ActionChannelVoltage[i]});
        QMenu* probe = menu(m, probeMenuNames[t], "Probe Attenuation");
        for (QAction* a : mnProbeAtt[i]) probe->addAction(a);
        *probeMenus[t] = probe;
        // The submenu's entry is the trace's probe action, enabled with the trace.
        ActionChannelProbe[i] = probe->menuAction();
        ActionChannelProbe[i]->setObjectName(QString::fromLatin1(probeActionNames[t]));
        if (t < 2) m->addActions({ActionChannelADC[i], ActionChannelInvertOnOff[i], ActionChannelBandLimit[i]});
    }
    mnMath->addAction(ActionChannelMathOption);

    mnHorizontal = menu(nullptr, "mnHorizontal", "&Horizontal");
    mnHorizontal->addActions({ActionHorizontalTimeDiv, ActionHorizontalDelayOnOff});

    mnTrigger = menu(nullptr, "mnTrigger", "&Trigger");
    mnTrigger->addActions({ActionTriggerSource, ActionTriggerSlope, ActionTriggerMode, ActionTriggerAT,
                           ActionTriggerHighFrequencyReject});

    mnAcquire = menu(nullptr, "mnAcquire", "&Acquire");
    mnAcquire->addActions({ActionAcquireRunStop, ActionAcquireSingleShot, ActionAcquireAutoSet});
    mnAcquire->addSeparator();
    mnAcquire->addActions({ActionAcquireETS, ActionAcquireAverage, ActionAcquriePeakDetection});
    BufferSize = menu(mnAcquire, "BufferSize", "Buffer Size");
    BufferSize->addActions({Buffer10K, Buffer500K});
    ActionAcquireBufferSizeChange = BufferSize->menuAction();
    ActionAcquireBufferSizeChange->setObjectName(QStringLiteral("ActionAcquireBufferSizeChange"));

    mnUtil = menu(nullptr, "mnUtil", "Util");
    mnUtil->addAction(ActionUtilFFT);
    mnMeasurement = menu(mnUtil, "mnMeasurement", "Measurement");
    mnMeasureTime = menu(mnMeasurement, "mnMeasureTime", "Time");
    for (int slot : TIME_MEASURES) mnMeasureTime->addAction(actMeasure[static_cast<std::size_t>(slot)]);
    mnMeasureVoltage = menu(mnMeasurement, "mnMeasureVoltage", "Voltage");
    for (int slot : VOLTAGE_MEASURES) mnMeasureVoltage->addAction(actMeasure[static_cast<std::size_t>(slot)]);
    mnMeasurement->addAction(ActionUtilUpperLowerLevel);
    mnUtil->addActions({ActionUtilXYPlot, ActionUtilCalibration, ETSCalibration});

    mnHelp = menu(nullptr, "mnHelp", "&Help");
    mnHelp->addActions({ActionHelpAbout, ActionHelpHelp});
    // No test menu is built.
}

QToolButton* TFormMain::buttonOf(QToolBar* bar, QAction* action, const char* name) {
    auto* b = qobject_cast<QToolButton*>(bar->widgetForAction(action));
    if (b && name) b->setObjectName(QString::fromLatin1(name));
    return b;
}

void TFormMain::buildToolBars() {
    const auto toolBar = [this](const char* name, const char* title) {
        auto* t = new QToolBar(QString::fromLatin1(title), this);
        t->setObjectName(QString::fromLatin1(name));
        t->setIconSize(QSize(24, 24));
        addToolBar(Qt::TopToolBarArea, t);
        return t;
    };
    // First row: file, display, run/stop, util; second row: channel, trigger.
    tbFile = toolBar("tbFile", "File");
    tbFile->addActions({ActionFileSaveAsDat, ActionFilePreview, ActionFilePrint, ActionFileOption});

    tbDisplay = toolBar("tbDisplay", "Display");
    tbDisplay->addActions(
        {ActionDisplayLabel, ActionDisplayCrossCursor, ActionDisplayHorizontalCursor, ActionDisplayVerticalCursor});
    for (QAction* a :
         {ActionDisplayLabel, ActionDisplayCrossCursor, ActionDisplayHorizontalCursor, ActionDisplayVerticalCursor})
        a->setCheckable(true); // their buttons show the selected mouse tool
    tbLabel = buttonOf(tbDisplay, ActionDisplayLabel, "tbLabel");
    tbCursorCross = buttonOf(tbDisplay, ActionDisplayCrossCursor, "tbCursorCross");
    tbCursorHor = buttonOf(tbDisplay, ActionDisplayHorizontalCursor, "tbCursorHor");
    tbCursorVer = buttonOf(tbDisplay, ActionDisplayVerticalCursor, "tbCursorVer");
    tbDisplay->addSeparator();
    tbDisplay->addAction(ActionDisplayLineJoin);
    cbPersistence = new QComboBox(tbDisplay);
    cbPersistence->setObjectName(QStringLiteral("cbPersistence"));
    for (const char* item : PERSISTENCE_ITEMS) cbPersistence->addItem(QString::fromLatin1(item));
    cbPersistence->setToolTip(QStringLiteral("Persistence"));
    tbDisplay->addWidget(cbPersistence);
    tbIntensity = new QSlider(Qt::Horizontal, tbDisplay);
    tbIntensity->setObjectName(QStringLiteral("tbIntensity"));
    tbIntensity->setRange(1, 100);
    tbIntensity->setFixedWidth(90);
    tbIntensity->setToolTip(QStringLiteral("Intensity"));
    tbDisplay->addWidget(tbIntensity);

    tbRunStop = toolBar("tbRunStop", "RunStop");
    tbRunStop->addActions({ActionAcquireETS, ActionAcquireRunStop, ActionAcquireSingleShot, ActionAcquireAutoSet});
    tbSingleShot = buttonOf(tbRunStop, ActionAcquireSingleShot, "tbSingleShot");

    tbUtil = toolBar("tbUtil", "Util");
    tbUtil->addAction(ActionUtilFFT);
    tbFFT = buttonOf(tbUtil, ActionUtilFFT, "tbFFT");

    addToolBarBreak(Qt::TopToolBarArea);
    tbChannel = toolBar("tbChannel", "Channel");
    tbChannel->addActions({ActionChannelOnOff[0], ActionChannelADC[0], ActionChannelVoltage[0]});
    tbChannel->addSeparator();
    tbChannel->addActions({ActionChannelOnOff[1], ActionChannelADC[1], ActionChannelVoltage[1]});
    tbChannel->addSeparator();
    tbChannel->addActions({ActionChannelOnOff[2], ActionChannelVoltage[2]});
    tbChannel->addSeparator();
    tbChannel->addActions({ActionChannelOnOff[3], ActionChannelVoltage[3]});
    tbChannel->addSeparator();
    tbChannel->addActions({ActionHorizontalTimeDiv, ActionHorizontalDelayOnOff});
    tbChannel1VoltDiv = buttonOf(tbChannel, ActionChannelVoltage[0], "tbChannel1VoltDiv");
    tbChannel2VoltDiv = buttonOf(tbChannel, ActionChannelVoltage[1], "tbChannel2VoltDiv");
    tbMathVoltDiv = buttonOf(tbChannel, ActionChannelVoltage[2], "tbMathVoltDiv");
    tbRefVoltDiv = buttonOf(tbChannel, ActionChannelVoltage[3], "tbRefVoltDiv");
    tbTimeDiv = buttonOf(tbChannel, ActionHorizontalTimeDiv, "tbTimeDiv");

    tbTrig = toolBar("tbTrig", "Trigger");
    tbTrig->addActions({ActionTriggerSlope, ActionTriggerMode, ActionTriggerAT});
    tbnTriggerAdvanced = buttonOf(tbTrig, ActionTriggerAT, "tbnTriggerAdvanced");
    rbTriggerCh1 = new QRadioButton(QStringLiteral("CH1"), tbTrig);
    rbTriggerCh1->setObjectName(QStringLiteral("rbTriggerCh1"));
    rbTriggerCh2 = new QRadioButton(QStringLiteral("CH2"), tbTrig);
    rbTriggerCh2->setObjectName(QStringLiteral("rbTriggerCh2"));
    auto* triggerGroup = new QButtonGroup(this);
    triggerGroup->addButton(rbTriggerCh1);
    triggerGroup->addButton(rbTriggerCh2);
    tbTrig->addWidget(rbTriggerCh1);
    tbTrig->addWidget(rbTriggerCh2);

    // The bars stay where the layout puts them; their layout keys are only kept.
    for (QToolBar* t : {tbFile, tbDisplay, tbChannel, tbTrig, tbRunStop, tbUtil})
        t->toggleViewAction()->setVisible(false);
}

void TFormMain::buildCentralArea() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("pnlMain"));
    central->setFixedSize(RIGHT_COLUMN + RIGHT_COLUMN_WIDTH + 6, INFO_ROW + 56);
    setCentralWidget(central);

    // Scroll buttons and the buffer overview above the display.
    SBLeft = new QPushButton(QStringLiteral("<"), central);
    SBLeft->setObjectName(QStringLiteral("SBLeft"));
    SBLeft->setGeometry(DX, 0, 20, 18);
    SBRight = new QPushButton(QStringLiteral(">"), central);
    SBRight->setObjectName(QStringLiteral("SBRight"));
    SBRight->setGeometry(DX + DISPLAY_WIDTH + 1 - 20, 0, 20, 18);
    for (QPushButton* b : {SBLeft, SBRight}) b->setFocusPolicy(Qt::NoFocus);
    Panel8 = panel(central, "Panel8", DX + 24, 1, DISPLAY_WIDTH + 1 - 48, 16);
    Panel8->setStyleSheet(QStringLiteral("QFrame#Panel8 { background: #202020; }"));
    iBufferWindowBufferCh1 = picture(Panel8, "iBufferWindowBufferCh1", markerPicture(MarkerImageList::BufferBar, 0));
    iBufferWindowBufferCh2 = picture(Panel8, "iBufferWindowBufferCh2", markerPicture(MarkerImageList::BufferBar, 1));
    iBufferWindowBufferLeftCh1 =
        picture(Panel8, "iBufferWindowBufferLeftCh1", markerPicture(MarkerImageList::BufferBar, 2));
    iBufferWindowBufferRightCh1 =
        picture(Panel8, "iBufferWindowBufferRightCh1", markerPicture(MarkerImageList::BufferBar, 3));
    iBufferWindowBufferLeftCh2 =
        picture(Panel8, "iBufferWindowBufferLeftCh2", markerPicture(MarkerImageList::BufferBar, 2));
    iBufferWindowBufferRightCh2 =
        picture(Panel8, "iBufferWindowBufferRightCh2", markerPicture(MarkerImageList::BufferBar, 3));
    iBufferWindowBufferCenter =
        picture(Panel8, "iBufferWindowBufferCenter", markerPicture(MarkerImageList::BufferBar, 4));
    iBufferWindowTrigger = picture(Panel8, "iBufferWindowTrigger", markerPicture(MarkerImageList::BufferBar, 5));
    iBufferWindowTriggerLeft =
        picture(Panel8, "iBufferWindowTriggerLeft", markerPicture(MarkerImageList::BufferBar, 6));
    iBufferWindowTriggerRight =
        picture(Panel8, "iBufferWindowTriggerRight", markerPicture(MarkerImageList::BufferBar, 7));
    for (QLabel* l : {iBufferWindowBufferCh1, iBufferWindowBufferCh2}) {
        l->setScaledContents(true);
        l->move(0, 2);
    }
    for (QLabel* l : {iBufferWindowBufferLeftCh1, iBufferWindowBufferRightCh1, iBufferWindowBufferLeftCh2,
                      iBufferWindowBufferRightCh2, iBufferWindowBufferCenter})
        l->move(0, 2);
    for (QLabel* l : {iBufferWindowTrigger, iBufferWindowTriggerLeft, iBufferWindowTriggerRight}) l->move(0, 4);

    // The horizontal-position marker runs above the display; its centre points at the column.
    pnlTimeOffset =
        panel(central, "pnlTimeOffset", DX - POSITION_MARKER_SIZE / 2, 20, POSITION_PANEL_WIDTH, POSITION_MARKER_SIZE);
    iTriggerHorPos = new MarkerImage(pnlTimeOffset);
    iTriggerHorPos->setObjectName(QStringLiteral("iTriggerHorPos"));
    iTriggerHorPos->setPixmap(markerPicture(MarkerImageList::HorizontalPosition, 1));
    iTriggerHorPos->resize(POSITION_MARKER_SIZE, POSITION_MARKER_SIZE);

    // Offset markers left of the display, trigger-level markers right of it: Top + 5 is the
    // marker's row, Top 5 the display's top row.
    pVoltOffset =
        panel(central, "pVoltOffset", DX - LEVEL_MARKER_WIDTH - 2, DY - 10, LEVEL_MARKER_WIDTH, LEVEL_PANEL_HEIGHT);
    const char* const offsetNames[4] = {"iVoltOffsetPosCh1", "iVoltOffsetPosCh2", "iVoltOffsetPosMath",
                                        "iVoltOffsetPosRef"};
    for (int t = 0; t < 4; ++t) {
        auto* m = new MarkerImage(pVoltOffset);
        m->setObjectName(QString::fromLatin1(offsetNames[t]));
        m->setPixmap(markerPicture(MarkerImageList::Offset, t));
        m->setGeometry(0, DISPLAY_HEIGHT / 2, LEVEL_MARKER_WIDTH, LEVEL_MARKER_HEIGHT);
        iVoltOffsetPos[static_cast<std::size_t>(t)] = m;
    }
    pTriggerLevel =
        panel(central, "pTriggerLevel", DX + DISPLAY_WIDTH + 3, DY - 10, LEVEL_MARKER_WIDTH, LEVEL_PANEL_HEIGHT);
    for (int c = 0; c < 2; ++c) {
        auto* m = new MarkerImage(pTriggerLevel);
        m->setObjectName(QString::fromLatin1(c == 0 ? "iTriggerLevelCh1" : "iTriggerLevelCh2"));
        m->setPixmap(markerPicture(MarkerImageList::TriggerLevel, 1 + 3 * c));
        m->setGeometry(0, DISPLAY_HEIGHT / 2, LEVEL_MARKER_WIDTH, LEVEL_MARKER_HEIGHT);
        iTriggerLevel[static_cast<std::size_t>(c)] = m;
    }

    pnlDisplay = panel(central, "pnlDisplay", DX, DY, DISPLAY_WIDTH + 1, DISPLAY_HEIGHT + 1);
    display = new DisplayPaintBox(pnlDisplay);
    display->setObjectName(QStringLiteral("display"));
    display->setGeometry(0, 0, DISPLAY_WIDTH + 1, DISPLAY_HEIGHT + 1);

    pnDelay = label(central, "pnDelay", QString(), DX, DY + DISPLAY_HEIGHT + 4, 160, 18);
    la_sampling_rate =
        label(central, "la_sampling_rate", QString(), DX + DISPLAY_WIDTH + 1 - 160, DY + DISPLAY_HEIGHT + 4, 160, 18);
    la_sampling_rate->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pnDelay->setToolTip(QStringLiteral("Delay"));
    la_sampling_rate->setToolTip(QStringLiteral("Sample rate"));

    // The four trace panels under the display: caption, probe and volt/div combos.
    const char* const infoNames[4] = {"pnlInfoCh1", "pnlInfoCh2", "pnlInfoMath", "pnlInfoRef"};
    const char* const voltNames[4] = {"CBVoltDivCh1", "CBVoltDivCh2", "CBVoltDivMath", "CBVoltDivRef"};
    const char* const probeNames[4] = {"CBProbeCh1", "CBProbeCh2", "CBProbeMath", "CBProbeRef"};
    for (int t = 0; t < 4; ++t) {
        const auto i = static_cast<std::size_t>(t);
        QFrame* f = panel(central, infoNames[t], DX + t * 126, INFO_ROW, 122, 52); // fitTracePanels sizes it
        f->setFrameShape(QFrame::StyledPanel);
        label(f, nullptr, QString::fromLatin1(TRACE_CAPTIONS[t]), 4, 2, 100, 16);
        CBProbe[i] = new QComboBox(f);
        CBProbe[i]->setObjectName(QString::fromLatin1(probeNames[t]));
        for (const char* p : PROBE_ITEMS) CBProbe[i]->addItem(QString::fromLatin1(p));
        CBVoltDiv[i] = new QComboBox(f);
        CBVoltDiv[i]->setObjectName(QString::fromLatin1(voltNames[t]));
        // As a trace that is off until the kernel says otherwise: the style sheet is then in
        // place before the controls are first drawn.
        setComboFontColour(CBProbe[i], COLOUR_GREY);
        setComboFontColour(CBVoltDiv[i], COLOUR_GREY);
        pnlInfo[i] = f;
    }

    // Right column: trigger panel, status, time base, measurements.
    QFrame* trig = panel(central, "pnlTrigger", RIGHT_COLUMN, DY - 10, RIGHT_COLUMN_WIDTH, 128);
    trig->setStyleSheet(QStringLiteral("QFrame#pnlTrigger { background: black; } QLabel { background: black; }"));
    label(trig, nullptr, QStringLiteral("TRIGGER"), 6, 4, 100, 18)->setStyleSheet(QStringLiteral("color: white;"));
    lbTriggerType = label(trig, "lbTriggerType", QString(), 110, 4, 84, 18);
    lbTriggerSource = label(trig, "lbTriggerSource", QString(), 6, 28, 60, 20);
    lbTriggerSlopeRising = picture(trig, "lbTriggerSlopeRising", markerPicture(MarkerImageList::TriggerSlope, 0));
    lbTriggerSlopeRising->move(70, 30);
    lbTriggerSlopeFalling = picture(trig, "lbTriggerSlopeFalling", markerPicture(MarkerImageList::TriggerSlope, 1));
    lbTriggerSlopeFalling->move(70, 30);
    lbTriggerNormalAuto = label(trig, "lbTriggerNormalAuto", QString(), 110, 28, 84, 20);
    label(trig, nullptr, QStringLiteral("Level"), 6, 60, 50, 22)->setStyleSheet(QStringLiteral("color: white;"));
    ebTriggerLevel = new QLineEdit(trig);
    ebTriggerLevel->setObjectName(QStringLiteral("ebTriggerLevel"));
    ebTriggerLevel->setReadOnly(true);
    ebTriggerLevel->setFocusPolicy(Qt::NoFocus);
    ebTriggerLevel->setGeometry(60, 58, 134, 24);
    for (QLabel* l : {lbTriggerType, lbTriggerSource, lbTriggerNormalAuto}) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }

    pnlStatus = label(central, "pnlStatus", QString(), RIGHT_COLUMN, DY + 124, RIGHT_COLUMN_WIDTH, 40);
    pnlStatus->setAlignment(Qt::AlignCenter);
    pnlStatus->setFrameShape(QFrame::StyledPanel);
    {
        QFont f = pnlStatus->font();
        f.setPointSize(f.pointSize() + 6);
        f.setBold(true);
        pnlStatus->setFont(f);
    }

    label(central, nullptr, QStringLiteral("Time/Div"), RIGHT_COLUMN, DY + 172, 70, 26);
    cbTimeDiv = new QComboBox(central);
    cbTimeDiv->setObjectName(QStringLiteral("cbTimeDiv"));
    for (const char* item : TIME_DIV_ITEMS) cbTimeDiv->addItem(QString::fromLatin1(item));
    cbTimeDiv->setGeometry(RIGHT_COLUMN + 72, DY + 172, RIGHT_COLUMN_WIDTH - 72, 26);

    QFrame* measure = panel(central, "pnlMeasure", RIGHT_COLUMN, DY + 208, RIGHT_COLUMN_WIDTH, 200);
    measure->setFrameShape(QFrame::StyledPanel);
    label(measure, nullptr, QStringLiteral("Measure"), 6, 2, 80, 18);
    rbMeasureCh1 = new QRadioButton(QStringLiteral("CH1"), measure);
    rbMeasureCh1->setObjectName(QStringLiteral("rbMeasureCh1"));
    rbMeasureCh1->setGeometry(6, 22, 60, 22);
    rbMeasureCh1->setChecked(true);
    rbMeasureCh2 = new QRadioButton(QStringLiteral("CH2"), measure);
    rbMeasureCh2->setObjectName(QStringLiteral("rbMeasureCh2"));
    rbMeasureCh2->setGeometry(68, 22, 60, 22);
    rbMeasureMath = new QRadioButton(QStringLiteral("Math"), measure);
    rbMeasureMath->setObjectName(QStringLiteral("rbMeasureMath"));
    rbMeasureMath->setGeometry(130, 22, 66, 22);
    const auto measurePage = [this, measure](const char* name, const MeasureButton* buttons, int count) {
        auto* page = new QWidget(measure);
        page->setObjectName(QString::fromLatin1(name));
        page->setGeometry(2, 48, RIGHT_COLUMN_WIDTH - 4, 116);
        auto* grid = new QGridLayout(page);
        grid->setContentsMargins(2, 2, 2, 2);
        grid->setSpacing(2);
        for (int k = 0; k < count; ++k) {
            auto* b = new QToolButton(page);
            b->setObjectName(QStringLiteral("tbnMeasure%1").arg(buttons[k].slot));
            b->setText(QString::fromLatin1(buttons[k].text));
            b->setToolTip(QString::fromUtf8(MEASURES[buttons[k].slot].caption));
            b->setProperty("tag", buttons[k].slot);
            b->setFocusPolicy(Qt::NoFocus);
            b->setMinimumWidth(44);
            grid->addWidget(b, k / 4, k % 4);
            connect(b, &QToolButton::clicked, this, [this, slot = buttons[k].slot] { showMeasure(slot); });
        }
        return page;
    };
    gbMeasureVolt1 = measurePage("gbMeasureVolt1", MEASURE_PAGE1, static_cast<int>(std::size(MEASURE_PAGE1)));
    gbMeasureVolt2 = measurePage("gbMeasureVolt2", MEASURE_PAGE2, static_cast<int>(std::size(MEASURE_PAGE2)));
    gbMeasureVolt2->hide();
    btnNext = new QPushButton(QStringLiteral(">>"), measure);
    btnNext->setObjectName(QStringLiteral("btnNext"));
    btnNext->setGeometry(RIGHT_COLUMN_WIDTH - 50, 168, 44, 26);
    btnNext->setFocusPolicy(Qt::NoFocus);

    // The marker panels lie over the display's border rows; keep the markers on top.
    for (QWidget* w : {static_cast<QWidget*>(pVoltOffset), static_cast<QWidget*>(pTriggerLevel),
                       static_cast<QWidget*>(pnlTimeOffset)})
        w->raise();
}

void TFormMain::fitTracePanels() {
    // Sized once the combos have their style, from the font in use: a larger desktop font
    // must not cut "500mV". The panels keep their first size where the texts fit it.
    constexpr int PROBE_WIDTH = 54, VOLT_DIV_WIDTH = 62, HEIGHT = 26, GAP = 2, PITCH = 4;
    QStringList probeTexts, voltDivTexts;
    for (const char* p : PROBE_ITEMS) probeTexts << QString::fromLatin1(p);
    for (int probe : {1, 10, 100, 1000})
        for (const char* text : voltDivItemTexts(probe)) voltDivTexts << QString::fromLatin1(text);
    voltDivTexts.removeDuplicates();
    const int probeWidth = std::max(PROBE_WIDTH, comboWidthFor(CBProbe[0], probeTexts));
    const int voltDivWidth = std::max(VOLT_DIV_WIDTH, comboWidthFor(CBVoltDiv[0], voltDivTexts));
    const int panelWidth = GAP + probeWidth + GAP + voltDivWidth + GAP;
    for (std::size_t i = 0; i < pnlInfo.size(); ++i) {
        pnlInfo[i]->setGeometry(DX + static_cast<int>(i) * (panelWidth + PITCH), INFO_ROW, panelWidth, 52);
        CBProbe[i]->setGeometry(GAP, 22, probeWidth, HEIGHT);
        CBVoltDiv[i]->setGeometry(GAP + probeWidth + GAP, 22, voltDivWidth, HEIGHT);
    }
    const int rowEnd = DX + static_cast<int>(pnlInfo.size()) * (panelWidth + PITCH) + GAP;
    centralWidget()->setFixedWidth(std::max(RIGHT_COLUMN + RIGHT_COLUMN_WIDTH + 6, rowEnd));
}

void TFormMain::buildStatusBar() {
    sbCursorMeasure = statusBar();
    sbCursorMeasure->setObjectName(QStringLiteral("sbCursorMeasure"));
    sbCursorMeasure->setSizeGripEnabled(false);
    for (int i = 0; i < 2; ++i) {
        auto* l = new QLabel(sbCursorMeasure);
        l->setObjectName(QStringLiteral("sbCursorMeasurePanel%1").arg(i));
        l->setMinimumWidth(360);
        sbCursorMeasure->addWidget(l, 1);
        sbCursorMeasurePanel[static_cast<std::size_t>(i)] = l;
    }
}

void TFormMain::indexControls() {
    // Every named object under the window, actions and menus included.
    for (QObject* o : findChildren<QObject*>()) {
        const QString name = o->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_"))) d_controls.emplace(name.toStdString(), o);
    }
}

QObject* TFormMain::control(const std::string& name) const {
    const auto it = d_controls.find(name);
    return it == d_controls.end() ? nullptr : it->second;
}
