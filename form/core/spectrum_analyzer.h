#pragma once
// One spectrum update of the spectrum window, without Qt: resampling of the raw record, the
// FFT, the spectrum record in RMS volts and dB, the plot's byte map, the harmonic figures and
// every text the window shows about them. The result is a SpectrumFrame that the window turns
// into its image and labels.

#include "fft.h"
#include "spectrum_figures.h"
#include "spectrum_plot.h"
#include "spectrum_settings.h"
#include "tool_window_kernel.h"

#include <array>
#include <string>
#include <vector>

struct SpectrumFrame {
    SpectrumSettings settings;     // the settings the frame was made with
    double secondsPerDivision = 0; // the bin step's time/div (fftSecondsPerDivision)
    std::vector<float> lin;        // N/2 bins, RMS volts
    std::vector<float> dB;         // N/2 bins, 20 log10(max(lin, 1e-14))
    SpectrumMap map;
    SpectrumLabels figures;                           // the lower panel's texts
    std::array<int, kFftHarmonics> harmonicBin{};     // 0 = not found
    std::array<float, kFftHarmonics> harmonicValue{}; // in the settings' scale, 0 = not found
    std::array<SpectrumPoint, kFftHarmonics> markers{};
    std::array<bool, kFftHarmonics> markerShown{};
    bool cursorFound = false;     // the cursor's column holds a trace pixel
    int cursorY = kFftPlotHeight; // y (from the top) of the trace in the cursor's column
    std::string cursorText = " Cursor off";
    std::array<std::string, 6> frequencyLabels;
    std::array<std::string, 9> levelLabels;

    int size() const { return int(lin.size()) * 2; }
    int fundamentalBin() const { return harmonicBin[0]; }
};

class SpectrumAnalyzer {
public:
    // The update for channel_ 0 (channel 1) or 1 (channel 2) from raw_[0 .. count_-1]:
    // N = settings_.size() samples taken every L/N samples, L = 10000 for the equivalent-time
    // methods, 10000 in real time (5000 with both channels on), 3000 in roll. Indexes beyond
    // the record read its last sample. False (frame_ untouched) without a record.
    bool UpdateSpectrum(const SpectrumSettings& settings_, const ToolWindowKernel& kernel_, int channel_, int count_,
                        const short* raw_, SpectrumFrame& frame_);

    // The drawing step on a frame whose spectrum record is filled: byte map, labels, figures,
    // harmonic markers and cursor. Also used alone by tests with a known spectrum.
    void RenderFrame(SpectrumFrame& frame_);

private:
    FFT d_fft;
    SpectrumFigures d_figures;
    std::vector<float> d_input;
    std::vector<float> d_output;
};
