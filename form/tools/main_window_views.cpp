#include "main_window_views.h"

#include "environment.h"

namespace {

// Stands in for the main window before it exists and in tests without one.
class NoMainWindowViews final : public MainWindowViews {
public:
    void updateAllViews() override {}
    void updateTimeDivView(int) override {}
    void updateHorizontalPositionMarker(int) override {}
    void updateDelayView(bool) override {}
    void updateSampleRateView() override {}
    void updateModeButtons(int) override {}
    void updateToolbars() override {}
    void updateChannelViews() override {}
    void updateChannelOnView(int, bool) override {}
    void updateVoltDivView(int, int) override {}
    void updateCouplingView(int, int) override {}
    void updateOffsetMarker(int, int) override {}
    void updateInvertView(int, bool) override {}
    void updateBandLimitView(int, bool) override {}
    void updateTriggerModeView(int) override {}
    void updateTriggerSourceView(int) override {}
    void updateTriggerSlopeView(int) override {}
    void updateTriggerLevelMarker(int, int) override {}
    void updateTriggerTypeView() override {}
    void updateHighFrequencyRejectView(bool) override {}
    void updateBufferOverview() override {}
    void setXYPlotCaption(bool) override {}

    void setEtsView(bool, bool) override {}
    void setPeakDetectionView(bool, bool) override {}
    void setAverageView(int) override {}
    void setRunningViews(const RunningControls&) override {}
    void setStoppedViews() override {}
    void setSingleShotView(bool) override {}
    void setBufferSizeView(bool, int) override {}
    void setLineJoinView(bool) override {}
    void setPersistenceView(int) override {}
    void setIntensityView(int) override {}

    Environment& environment() override { return d_environment; }
    short** rawDataSlot(int ch) override { return ch == 1 ? &d_raw[0] : ch == 2 ? &d_raw[1] : nullptr; }
    unsigned char** displayBufferSlot(int ch) override { return ch >= 1 && ch <= 4 ? &d_display[ch - 1] : nullptr; }

    ToolbarGeometry toolbarGeometry(int) override { return {}; }
    void setToolbarVisible(int, bool) override {}

    void deleteAllLabels() override {}
    void labelMouseDown(int, int, int) override {}
    void moveLabel(int, int, int) override {}
    void cursorPress(int, int, int) override {}
    void cursorDrag(int, int) override {}
    void cursorRelease(int, int, int) override {}

    bool isFftWindowVisible() override { return false; }
    void toggleFftWindow() override {}
    void showCalibrationWindow() override {}
    void addMeasureItem(int, int) override {}
    bool isMeasureWindowVisible() override { return false; }
    int measureWindowWidth() override { return 0; }
    void showMeasureWindowAt(int, int) override {}
    const MEASURE* measureObject() override { return nullptr; }
    WindowRect mainWindowRect() override { return {}; }
    int screenWidth() override { return 0; }
    bool runOptionDialog() override { return false; }
    void showPrintPreview() override {}
    void showAbout(const AboutTexts&) override {}
    QWidget* mainWidget() override { return nullptr; }

    void saveWaveformText(const std::string&) override {}
    void saveScreenBmp(const std::string&) override {}
    void saveScreenJpeg(const std::string&) override {}
    void exportWaveformExcel() override {}
    void exportDisplayToWord() override {}
    void printScreen() override {}
    void copyScreenToClipboard() override {}

private:
    Environment d_environment{std::string()}; // no file: every default
    short* d_raw[2] = {nullptr, nullptr};
    unsigned char* d_display[4] = {nullptr, nullptr, nullptr, nullptr};
};

MainWindowViews* g_views = nullptr;

} // namespace

MainWindowViews& mainWindowViews() {
    if (g_views) return *g_views;
    static NoMainWindowViews none;
    return none;
}

void setMainWindowViews(MainWindowViews* views) { g_views = views; }
