#pragma once
// The main window's controls: its menus, actions, tool bars, combo boxes, marker images and
// read-outs, built by TFormMain (form_main.cpp) and named as their objects are. The window
// reaches them as its own members; the window tests drive and read them through
// TFormMain::controls(), as a user would.

#include <array>

// The display area, pixels: the renderer's picture and the paint box that shows it.
inline constexpr int MAIN_DISPLAY_WIDTH = 500;
inline constexpr int MAIN_DISPLAY_HEIGHT = 400;

class DisplayPaintBox;
class MarkerImage;
class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QStatusBar;
class QToolBar;
class QToolButton;
class QWidget;

struct MainWindowControls {
    // Menus
    QMenu* mnFile = nullptr;
    QMenu* mnView = nullptr;
    QMenu* mnDisplay = nullptr;
    QMenu* mnPersistence = nullptr;
    QMenu* mnIntensity = nullptr;
    QMenu* mnChannel = nullptr;
    QMenu* mnChannel1 = nullptr;
    QMenu* mnChannel2 = nullptr;
    QMenu* mnMath = nullptr;
    QMenu* mnReference = nullptr;
    QMenu* mmProbeAttenuationCH1 = nullptr;
    QMenu* mmProbeAttenuationCH2 = nullptr;
    QMenu* mmProbeAttenuationMath = nullptr;
    QMenu* mmProbeAttenuationRef = nullptr;
    QMenu* mnHorizontal = nullptr;
    QMenu* mnTrigger = nullptr;
    QMenu* mnAcquire = nullptr;
    QMenu* BufferSize = nullptr;
    QMenu* mnUtil = nullptr;
    QMenu* mnMeasurement = nullptr;
    QMenu* mnMeasureTime = nullptr;
    QMenu* mnMeasureVoltage = nullptr;
    QMenu* mnHelp = nullptr;

    // File
    QAction* ActionFileLoadState = nullptr;
    QAction* ActionFileSaveState = nullptr;
    QAction* ActionFileSaveAsDat = nullptr;
    QAction* ActionFileSaveAsJpg = nullptr;
    QAction* ActionFileSaveAsBmp = nullptr;
    QAction* ActionFileSaveAsWord = nullptr;
    QAction* ActionFileSaveAsExcel = nullptr;
    QAction* ActionFileOption = nullptr;
    QAction* ActionFileCopy = nullptr;
    QAction* ActionFileLoadReference = nullptr;
    QAction* ActionFileSaveReferenceCh1 = nullptr;
    QAction* ActionFileSaveReferenceCh2 = nullptr;
    QAction* ActionFilePreview = nullptr;
    QAction* ActionFilePrint = nullptr;
    QAction* ActionFileExit = nullptr;
    // View
    QAction* FileToolBar1 = nullptr;
    QAction* DisplayToolBar1 = nullptr;
    QAction* ChannelToolBar1 = nullptr;
    QAction* RunStopToolBar1 = nullptr;
    QAction* TriggerToolBar1 = nullptr;
    QAction* UtilTollBar1 = nullptr;
    QAction* ActionViewFullScreen = nullptr;
    // Display
    QAction* ActionDisplayLineJoin = nullptr;
    std::array<QAction*, 17> persistenceItems{}; // Mins2, N100ms2 .. N900ms2, N1s2 .. N5s2, N10s2, Infinite2
    QAction* ActionDisplayIntensityUp = nullptr;
    QAction* ActionDisplayIntensityDown = nullptr;
    QAction* ActionDisplayLabel = nullptr;
    QAction* ActionDisplayCrossCursor = nullptr;
    QAction* ActionDisplayHorizontalCursor = nullptr;
    QAction* ActionDisplayVerticalCursor = nullptr;
    // Channels: index 0 CH1, 1 CH2, 2 math, 3 reference
    std::array<QAction*, 4> ActionChannelOnOff{};        // ActionChannel1OnOff .. ActionChannelRefOnOff
    std::array<QAction*, 4> ActionChannelVoltage{};      // ActionChannel1Voltage ..
    std::array<QAction*, 4> ActionChannelProbe{};        // the probe submenu entries
    std::array<QAction*, 4> ActionChannelScaleFactor{};  // kept for their enabled state only
    std::array<std::array<QAction*, 4>, 4> mnProbeAtt{}; // [trace][x1, x10, x100, x1000]
    std::array<QAction*, 2> ActionChannelADC{};          // coupling of CH1, CH2
    std::array<QAction*, 2> ActionChannelInvertOnOff{};
    std::array<QAction*, 2> ActionChannelBandLimit{};
    QAction* ActionChannelMathOption = nullptr;
    // Horizontal
    QAction* ActionHorizontalTimeDiv = nullptr;
    QAction* ActionHorizontalDelayOnOff = nullptr;
    // Trigger
    QAction* ActionTriggerSource = nullptr;
    QAction* ActionTriggerSlope = nullptr;
    QAction* ActionTriggerMode = nullptr;
    QAction* ActionTriggerAT = nullptr;
    QAction* ActionTriggerHighFrequencyReject = nullptr;
    // Acquire
    QAction* ActionAcquireRunStop = nullptr;
    QAction* ActionAcquireSingleShot = nullptr;
    QAction* ActionAcquireAutoSet = nullptr;
    QAction* ActionAcquireETS = nullptr;
    QAction* ActionAcquireAverage = nullptr;
    QAction* ActionAcquriePeakDetection = nullptr;
    QAction* ActionAcquireBufferSizeChange = nullptr; // the "Buffer Size" submenu entry
    QAction* Buffer10K = nullptr;
    QAction* Buffer500K = nullptr;
    // Util
    QAction* ActionUtilFFT = nullptr;
    std::array<QAction*, 23> actMeasure{}; // by measurement slot
    QAction* ActionUtilUpperLowerLevel = nullptr;
    QAction* ActionUtilXYPlot = nullptr;
    QAction* ActionUtilCalibration = nullptr;
    QAction* ETSCalibration = nullptr;
    // Help
    QAction* ActionHelpAbout = nullptr;
    QAction* ActionHelpHelp = nullptr;

    // Tool bars and their named buttons
    QToolBar* tbFile = nullptr;
    QToolBar* tbDisplay = nullptr;
    QToolBar* tbChannel = nullptr;
    QToolBar* tbTrig = nullptr;
    QToolBar* tbRunStop = nullptr;
    QToolBar* tbUtil = nullptr;
    QToolButton* tbChannel1VoltDiv = nullptr;
    QToolButton* tbChannel2VoltDiv = nullptr;
    QToolButton* tbMathVoltDiv = nullptr;
    QToolButton* tbRefVoltDiv = nullptr;
    QToolButton* tbTimeDiv = nullptr;
    QToolButton* tbLabel = nullptr;
    QToolButton* tbCursorCross = nullptr;
    QToolButton* tbCursorHor = nullptr;
    QToolButton* tbCursorVer = nullptr;
    QToolButton* tbSingleShot = nullptr;
    QToolButton* tbnTriggerAdvanced = nullptr;
    QToolButton* tbFFT = nullptr;
    QComboBox* cbPersistence = nullptr;
    QSlider* tbIntensity = nullptr;
    QRadioButton* rbTriggerCh1 = nullptr;
    QRadioButton* rbTriggerCh2 = nullptr;

    // Channel panels: index 0 CH1, 1 CH2, 2 math, 3 reference
    std::array<QFrame*, 4> pnlInfo{};      // pnlInfoCh1 .. pnlInfoRef
    std::array<QComboBox*, 4> CBVoltDiv{}; // CBVoltDivCh1 .. CBVoltDivRef
    std::array<QComboBox*, 4> CBProbe{};   // CBProbeCh1 .. CBProbeRef
    QComboBox* cbTimeDiv = nullptr;

    // Display and markers
    QFrame* pnlDisplay = nullptr;
    DisplayPaintBox* display = nullptr;
    QFrame* pVoltOffset = nullptr;
    QFrame* pTriggerLevel = nullptr;
    QFrame* pnlTimeOffset = nullptr;
    std::array<MarkerImage*, 4> iVoltOffsetPos{}; // iVoltOffsetPosCh1 .. iVoltOffsetPosRef
    std::array<MarkerImage*, 2> iTriggerLevel{};  // iTriggerLevelCh1, iTriggerLevelCh2
    MarkerImage* iTriggerHorPos = nullptr;
    QPushButton* SBLeft = nullptr;
    QPushButton* SBRight = nullptr;

    // Trigger panel and read-outs
    QLabel* lbTriggerType = nullptr;
    QLabel* lbTriggerSource = nullptr;
    QLabel* lbTriggerSlopeRising = nullptr;
    QLabel* lbTriggerSlopeFalling = nullptr;
    QLabel* lbTriggerNormalAuto = nullptr;
    QLineEdit* ebTriggerLevel = nullptr;
    QLabel* pnlStatus = nullptr;
    QLabel* pnDelay = nullptr;
    QLabel* la_sampling_rate = nullptr;

    // Buffer-overview bar
    QFrame* Panel8 = nullptr;
    QLabel* iBufferWindowBufferCh1 = nullptr;
    QLabel* iBufferWindowBufferCh2 = nullptr;
    QLabel* iBufferWindowBufferLeftCh1 = nullptr;
    QLabel* iBufferWindowBufferRightCh1 = nullptr;
    QLabel* iBufferWindowBufferLeftCh2 = nullptr;
    QLabel* iBufferWindowBufferRightCh2 = nullptr;
    QLabel* iBufferWindowBufferCenter = nullptr;
    QLabel* iBufferWindowTrigger = nullptr;
    QLabel* iBufferWindowTriggerLeft = nullptr;
    QLabel* iBufferWindowTriggerRight = nullptr;

    // Measurements
    QRadioButton* rbMeasureCh1 = nullptr;
    QRadioButton* rbMeasureCh2 = nullptr;
    QRadioButton* rbMeasureMath = nullptr;
    QWidget* gbMeasureVolt1 = nullptr;
    QWidget* gbMeasureVolt2 = nullptr;
    QPushButton* btnNext = nullptr;

    // Cursor read-out, panels 0 (horizontal) and 1 (vertical)
    QStatusBar* sbCursorMeasure = nullptr;
    std::array<QLabel*, 2> sbCursorMeasurePanel{};
};
