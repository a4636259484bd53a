#pragma once
// A main window for the action tests: it records every refresh in order ("name(channel)"),
// and answers the questions the actions ask with what the test set. The refreshes read the
// kernel themselves, so what they show is the window tests' business.

#include "environment.h"
#include "main_window_views.h"

#include <optional>
#include <string>
#include <vector>

class RecordingViews final : public MainWindowViews {
public:
    // ---- what the test reads
    std::vector<std::string> calls;

    bool called(const std::string& call) const {
        for (const auto& c : calls)
            if (c == call) return true;
        return false;
    }
    int countOf(const std::string& prefix) const {
        int n = 0;
        for (const auto& c : calls) n += c.rfind(prefix, 0) == 0;
        return n;
    }

    // ---- what the test sets
    bool fftVisible = false;
    const MEASURE* measure = nullptr;

    Environment env{std::string()};
    short* raw[2] = {nullptr, nullptr};
    unsigned char* display[4] = {nullptr, nullptr, nullptr, nullptr};

    // ---- MainWindowViews
    void updateAllViews() override { log("updateAllViews()"); }
    void updateTimeDivView() override { log("updateTimeDivView()"); }
    void updateHorizontalPositionMarker() override { log("updateHorizontalPositionMarker()"); }
    void updateDelayView() override { log("updateDelayView()"); }
    void updateSampleRateView() override { log("updateSampleRateView()"); }
    void updateModeButtons() override { log("updateModeButtons()"); }
    void updateToolbars() override { log("updateToolbars()"); }
    void updateChannelViews() override { log("updateChannelViews()"); }
    void updateChannelOnView(int ch) override { log("updateChannelOnView", ch); }
    void updateVoltDivView(int ch) override { log("updateVoltDivView", ch); }
    void updateCouplingView(int ch) override { log("updateCouplingView", ch); }
    void updateOffsetMarker(int ch) override { log("updateOffsetMarker", ch); }
    void updateInvertView(int ch) override { log("updateInvertView", ch); }
    void updateBandLimitView(int ch) override { log("updateBandLimitView", ch); }
    void updateTriggerModeView() override { log("updateTriggerModeView()"); }
    void updateTriggerSourceView() override { log("updateTriggerSourceView()"); }
    void updateTriggerSlopeView() override { log("updateTriggerSlopeView()"); }
    void updateTriggerLevelMarker(int ch) override { log("updateTriggerLevelMarker", ch); }
    void updateTriggerTypeView() override { log("updateTriggerTypeView()"); }
    void updateHighFrequencyRejectView() override { log("updateHighFrequencyRejectView()"); }
    void updateBufferOverview() override { log("updateBufferOverview()"); }
    void updateXYPlotView() override { log("updateXYPlotView()"); }
    void updateEtsView() override { log("updateEtsView()"); }
    void updatePeakDetectionView() override { log("updatePeakDetectionView()"); }
    void updateAverageView() override { log("updateAverageView()"); }
    void updateBufferSizeView() override { log("updateBufferSizeView()"); }
    void updateLineJoinView() override { log("updateLineJoinView()"); }
    void updatePersistenceView() override { log("updatePersistenceView()"); }
    void updateIntensityView() override { log("updateIntensityView()"); }
    void updateRunStateViews() override { log("updateRunStateViews()"); }

    Environment& environment() override { return env; }
    short** rawDataSlot(int ch) override { return ch == 1 || ch == 2 ? &raw[ch - 1] : nullptr; }
    unsigned char** displayBufferSlot(int ch) override { return ch >= 1 && ch <= 4 ? &display[ch - 1] : nullptr; }

    void captureToolbarLayout() override { log("captureToolbarLayout()"); }

    void deleteAllLabels() override { log("deleteAllLabels()"); }

    bool isFftWindowVisible() override { return fftVisible; }
    void toggleFftWindow() override { log("toggleFftWindow()"); }
    void showCalibrationWindow() override { log("showCalibrationWindow()"); }
    const MEASURE* measureObject() override { return measure; }
    QWidget* mainWidget() override { return nullptr; }

private:
    void log(const std::string& s) { calls.push_back(s); }
    template <class... A>
    void log(const std::string& name, A... args) {
        std::string s = name + "(";
        bool first = true;
        ((s += (first ? "" : ", ") + std::to_string(args), first = false), ...);
        calls.push_back(s + ")");
    }
};
