#pragma once
// The spectrum window's settings and the arithmetic of its plot: FFT size, scales, zoom,
// scrolling and cursor. The window's handlers change a SpectrumSettings on the GUI thread;
// each spectrum update works on a copy. Plain C++.
//
// The plot is 500 x 400 pixels, 10 x 8 divisions of 50 pixels. Rows count from the bottom
// (0..399) where the text says "row", pixels from the top where it says "y".

#include <array>
#include <string>
#include <string_view>

constexpr int kFftPlotWidth = 500;
constexpr int kFftPlotHeight = 400;

// dB per division and volts per division of the vertical scale's up-down.
constexpr std::array<double, 12> kFftDbScales = {60, 55, 50, 45, 40, 35, 30, 25, 20, 15, 10, 5};
constexpr std::array<double, 13> kFftVoltScales = {10, 5, 2, 1, 0.5, 0.2, 0.1, 0.05, 0.02, 0.01, 0.005, 0.002, 0.001};

// FFT size and the bins that span the plot at zoom 1, by size index 0..4.
struct FftSizeEntry {
    int size;
    int binsShown;
};
constexpr std::array<FftSizeEntry, 5> kFftSizes = {{{512, 250}, {1024, 500}, {2048, 1000}, {4096, 2000}, {8192, 4000}}};

// Horizontal scroll maximum of a zoom 1, 2, 4, 8, 16 (0 for any other).
int fftScrollMaximum(int zoom_);
// Seconds per division that set the bin step: the time/div code's, with codes 0..5 using
// code 6's 200 ns. 0 for a code without a table entry.
double fftSecondsPerDivision(int timeDiv_);

struct SpectrumSettings {
    int fftChannel = 0;               // 0 channel 1, 1 channel 2
    unsigned short window = 0;        // FFTWindow code
    int sizeIndex = 0;                // into kFftSizes
    bool linear = false;              // false dB scale, true linear scale
    double scale = 60.0;              // dB or volts per division
    std::string scaleText = "60.000"; // what the scale edit shows
    double typedScale = 60.0;         // the edit's number, used by the level labels
    // Saved table positions for dB [0] and linear [1]; -1 when the scale is not an entry.
    std::array<int, 2> tablePosition = {0, -1};
    int offset = 0;              // dB: level at the top edge; linear: divisions scrolled up
    int verticalPosition = -120; // the vertical scroll bar, -170..0
    int zoom = 1;                // 1, 2, 4, 8, 16
    int scroll = 0;              // the horizontal scroll bar, 0..fftScrollMaximum(zoom)
    bool cursorOn = false;
    int cursorX = 0; // last mouse position on the plot, x 0..500
    int cursorY = 0;

    int size() const { return kFftSizes[std::size_t(sizeIndex)].size; }
    int binsShown() const { return kFftSizes[std::size_t(sizeIndex)].binsShown; }
    int span() const { return fftScrollMaximum(zoom) + kFftPlotWidth; } // plot width in pixels at this zoom
    int tableIndex() const { return tablePosition[linear ? 1 : 0]; }

    // Plot geometry of an update.
    double pixelsPerBin() const { return double(span()) / binsShown(); }
    int startBin() const;
    double pixelsPerUnit() const;
    // Last bin reached at the right edge, never beyond bins_ - 1 (bins_ = N/2).
    int lastBin(int bins_) const;
    // Row of a bin value (dB or RMS volts), unbounded; 0 = bottom edge.
    double rowOf(double value_) const;

    // Handlers. The fundamental's level (dB or volts) comes from the last spectrum, 0 without one.
    void selectDb(double fundamentalDb_);
    void selectLinear(double fundamentalVolts_);
    // Enter in the scale edit: false when the text is no number or not above zero (nothing
    // changes).
    bool typeScale(std::string_view text_);
    // The up-down beside the scale edit: up to a smaller value per division.
    void stepScale(bool up_);
    // Keeps the level at the plot's centre row after a change from previous_.
    void RecentreVertical(double previous_);
    // The vertical scroll bar moved (clamped to -170..0); sets the offset.
    void setVerticalPosition(int position_);
    // Large change of the vertical scroll bar.
    int verticalPageStep() const;
    // The frequency up-down: zoom in (up) or out, keeping the plot's centre pixel.
    void stepZoom(bool up_);
    void setScroll(int position_);
    void setFftSize(int sizeIndex_);
    // Sets the edit's text and its number together.
    void setScaleText(std::string text_);
};

// Number parsing of the scale edit: a finite number in the C locale (a decimal comma is
// accepted); false for anything else.
bool parseScaleText(std::string_view text_, double& value_);
