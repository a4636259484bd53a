#include "spectrum_analyzer.h"

#include "raw_sample.h"

#include <algorithm>
#include <cmath>

namespace {

// Samples of the record that the N points of the transform span.
int recordSpan(const ToolWindowKernel& kernel) {
    if (kernel.isRIS() || kernel.isEquivalentTime()) return 10000;
    if (kernel.isRealTime()) return kernel.channelsOnOff() == 3 ? 5000 : 10000;
    if (kernel.isRoll()) return 3000;
    return 10000;
}

} // namespace

bool SpectrumAnalyzer::UpdateSpectrum(const SpectrumSettings& settings_, const ToolWindowKernel& kernel_, int channel_,
                                      int count_, const short* raw_, SpectrumFrame& frame_) {
    if (raw_ == nullptr || count_ <= 0) return false;
    const int n = settings_.size();
    d_input.resize(std::size_t(n));
    d_output.assign(std::size_t(n / 2), 0.0f);
    const float step = float(recordSpan(kernel_)) / float(n);
    const int ch = channel_ == 1 ? 2 : 1;
    for (int i = 0; i < n; ++i) {
        const int index = std::min(int(float(i) * step), count_ - 1);
        // A flagged sample (an inverted equivalent-time record) is a measurement like any other.
        d_input[std::size_t(i)] = float(kernel_.rawToVoltage(ch, short(unflaggedSample(raw_[index]))));
    }
    d_fft.ExecFFT(n, n, d_input.data(), d_output.data(), settings_.window, settings_.linear);

    frame_.settings = settings_;
    frame_.secondsPerDivision = fftSecondsPerDivision(kernel_.timeDiv());
    frame_.lin.resize(std::size_t(n / 2));
    frame_.dB.resize(std::size_t(n / 2));
    for (std::size_t k = 0; k < frame_.lin.size(); ++k) {
        frame_.lin[k] = float(d_output[k] * std::sqrt(2.0)); // peak to RMS
        frame_.dB[k] = float(20.0 * std::log10(std::max(double(frame_.lin[k]), 1e-14)));
    }
    RenderFrame(frame_);
    return true;
}

void SpectrumAnalyzer::RenderFrame(SpectrumFrame& frame_) {
    const SpectrumSettings& s = frame_.settings;
    const int bins = int(std::min(frame_.lin.size(), frame_.dB.size()));
    RenderSpectrum(s, frame_.lin.data(), frame_.dB.data(), bins, frame_.map);
    frame_.frequencyLabels = frequencyLabelTexts(s, frame_.secondsPerDivision);
    frame_.levelLabels = levelLabelTexts(s);

    d_figures.UpdateFigures(
        {bins * 2, frame_.lin.data(), frame_.dB.data(), !s.linear, s.window, frame_.secondsPerDivision});
    frame_.figures = d_figures.labels();
    for (int h = 0; h < kFftHarmonics; ++h) {
        const std::size_t i = std::size_t(h);
        frame_.harmonicBin[i] = d_figures.harmonicBin(h);
        frame_.harmonicValue[i] = d_figures.harmonicValue(h);
        frame_.markerShown[i] = frame_.harmonicBin[i] <= bins && frame_.harmonicValue[i] != 0.0f;
        frame_.markers[i] = frame_.markerShown[i]
                                ? harmonicMarkerPoint(s, frame_.harmonicBin[i], frame_.harmonicValue[i])
                                : SpectrumPoint{};
    }

    if (s.cursorOn) {
        const int row = frame_.map.topRow(s.cursorX);
        frame_.cursorFound = row >= 0;
        frame_.cursorY = row >= 0 ? kFftPlotHeight - 1 - row : kFftPlotHeight;
        frame_.cursorText = FormatCursorReadout(s, frame_.secondsPerDivision, s.cursorX, frame_.cursorY);
    } else {
        frame_.cursorFound = false;
        frame_.cursorY = kFftPlotHeight;
        frame_.cursorText = " Cursor off";
    }
}
