#pragma once
// The spectrum window's plot before it becomes an image: the trace as a 500 x 400 byte map,
// and the texts around the plot (frequency and level labels, cursor read-out). Plain C++.

#include "spectrum_settings.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

constexpr unsigned char kSpectrumTracePixel = 128;

// 500 columns of 400 rows, row 0 at the bottom; a trace pixel holds 128, others 0.
class SpectrumMap {
public:
    SpectrumMap() : d_bytes(std::size_t(kFftPlotWidth) * kFftPlotHeight, 0) {}

    void clear() { std::fill(d_bytes.begin(), d_bytes.end(), 0); }
    bool isSet(int column_, int row_) const {
        return column_ >= 0 && column_ < kFftPlotWidth && row_ >= 0 && row_ < kFftPlotHeight &&
               d_bytes[index(column_, row_)] != 0;
    }
    // Pixels outside the map are left out.
    void set(int column_, int row_) {
        if (column_ >= 0 && column_ < kFftPlotWidth && row_ >= 0 && row_ < kFftPlotHeight)
            d_bytes[index(column_, row_)] = kSpectrumTracePixel;
    }
    // The highest trace row of a column, -1 when the column is empty.
    int topRow(int column_) const;

    // A segment from (x0_, row y0_) to (x1_, row y1_), columns in ascending order. Nothing
    // when both rows lie above the map or both below; otherwise the rows are clamped to
    // 0..399 and each column gets the run of rows the segment passes in it.
    void DrawTraceLine(int x0_, int y0_, int x1_, int y1_);

private:
    static std::size_t index(int column_, int row_) { return std::size_t(row_) * kFftPlotWidth + std::size_t(column_); }
    void run(int column_, int from_, int to_);

    std::vector<unsigned char> d_bytes;
};

// Draws bins startBin .. lastBin of the spectrum (bins_ = N/2 values in lin_ and dB_) into a
// cleared map: segments between bins when a bin is at least a pixel wide, else each column's
// extremes as a vertical run joined to the previous column.
void RenderSpectrum(const SpectrumSettings& settings_, const float* lin_, const float* dB_, int bins_,
                    SpectrumMap& map_);

// "<frequency>  <level>" for the plot point x_ (0..500), y_ (0 top .. 400 bottom), "---  ---"
// at 0 Hz. t_: seconds per division of the bin step (fftSecondsPerDivision).
std::string FormatCursorReadout(const SpectrumSettings& settings_, double t_, int x_, int y_);
// Labels under the plot at x = 0, 100, .. 500.
std::array<std::string, 6> frequencyLabelTexts(const SpectrumSettings& settings_, double t_);
// Labels beside the plot from the top edge (0) to the bottom edge (8), one per division.
std::array<std::string, 9> levelLabelTexts(const SpectrumSettings& settings_);

// Position (x from the left, y from the top) of a harmonic marker of value_ (dB or volts).
struct SpectrumPoint {
    int x = kFftPlotWidth;
    int y = kFftPlotHeight;
};
SpectrumPoint harmonicMarkerPoint(const SpectrumSettings& settings_, int bin_, double value_);

// The text file of a spectrum: a header and one line "frequency  level" per bin (N/2 lines),
// the frequency in whole hertz, the level in volts (linear_) or dB.
std::string spectrumText(const std::vector<float>& lin_, const std::vector<float>& dB_, bool linear_, double t_);
