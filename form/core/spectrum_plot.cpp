#include "spectrum_plot.h"

#include "bounded_conversion.h"
#include "spectrum_figures.h"
#include "text_format.h"

#include <algorithm>
#include <cmath>

namespace {

// Truncation toward zero that keeps far-off rows (and NaN) representable.
int truncated(double v) { return boundedTruncation<int>(v, -1000000000, 1000000000, -1000000); }

// "%9ld" of a frequency.
std::string frequencyField(long long hertz) {
    std::string text = std::to_string(hertz);
    if (text.size() < 9) text.insert(0, 9 - text.size(), ' ');
    return text;
}

} // namespace

int SpectrumMap::topRow(int column_) const {
    for (int row = kFftPlotHeight - 1; row >= 0; --row)
        if (isSet(column_, row)) return row;
    return -1;
}

void SpectrumMap::run(int column_, int from_, int to_) {
    if (from_ > to_) std::swap(from_, to_);
    for (int row = from_; row <= to_; ++row) set(column_, row);
}

void SpectrumMap::DrawTraceLine(int x0_, int y0_, int x1_, int y1_) {
    if ((y0_ >= kFftPlotHeight && y1_ >= kFftPlotHeight) || (y0_ < 0 && y1_ < 0)) return;
    y0_ = std::clamp(y0_, 0, kFftPlotHeight - 1);
    y1_ = std::clamp(y1_, 0, kFftPlotHeight - 1);
    if (x0_ == x1_) {
        run(x0_, y0_, y1_);
        return;
    }
    if (x0_ > x1_) {
        std::swap(x0_, x1_);
        std::swap(y0_, y1_);
    }
    const double c = double(y1_ - y0_) / (x1_ - x0_);
    const double d = y0_ - x0_ * c;
    for (int i = x0_; i < x1_; ++i) {
        const int middle = int(d + c * (i + 0.5));
        run(i, int(d + c * i), middle);
        run(i + 1, middle, int(d + c * (i + 1)));
    }
}

void RenderSpectrum(const SpectrumSettings& settings_, const float* lin_, const float* dB_, int bins_,
                    SpectrumMap& map_) {
    map_.clear();
    if (lin_ == nullptr || dB_ == nullptr || bins_ < 2) return;
    const double ppb = settings_.pixelsPerBin();
    const int start = settings_.startBin();
    const int last = settings_.lastBin(bins_);
    const float* values = settings_.linear ? lin_ : dB_;
    auto rowOf = [&](float v) { return truncated(settings_.rowOf(v)); };

    if (ppb >= 1) {
        for (int h = start; h < last; ++h)
            map_.DrawTraceLine(truncated((h - start) * ppb), rowOf(values[h]), truncated((h - start + 1) * ppb),
                               rowOf(values[h + 1]));
        return;
    }
    // Several bins per column: a column's extremes are drawn when the next column starts,
    // joined to the previous column's low end; bins after the last change stay undrawn.
    int hi = 0, lo = kFftPlotHeight, previous = 0, current = 0;
    for (int h = start; h < last; ++h) {
        // The linear scale reads the bin after h here, as the window always has.
        const int y = rowOf(settings_.linear ? lin_[h + 1] : dB_[h]);
        const int c = truncated((h - start) * ppb);
        hi = std::max(hi, y);
        lo = std::min(lo, y);
        if (c != current) {
            current = c;
            map_.DrawTraceLine(c, hi, c, lo);
            if (c >= 2) map_.DrawTraceLine(c - 1, previous, c, hi);
            previous = lo;
            hi = 0;
            lo = kFftPlotHeight;
        }
    }
}

std::string FormatCursorReadout(const SpectrumSettings& settings_, double t_, int x_, int y_) {
    const long long f =
        t_ > 0 ? static_cast<long long>((x_ / settings_.pixelsPerBin() + settings_.startBin()) * 0.1 / t_) : 0;
    if (f == 0) return "---  ---";
    const double scale = settings_.scale;
    const std::string level = settings_.linear
                                  ? formatFftVoltage((kFftPlotHeight - y_) * 0.02 * scale + scale * settings_.offset)
                                  : " " + formatFixed(settings_.offset - y_ * 0.02 * scale, 5, 2) + " dB";
    return formatFftFrequency(f) + "  " + level;
}

std::array<std::string, 6> frequencyLabelTexts(const SpectrumSettings& settings_, double t_) {
    std::array<std::string, 6> texts;
    const double ppb = settings_.pixelsPerBin();
    for (int k = 0; k < 6; ++k) {
        const double hertz = t_ > 0 ? (settings_.startBin() * 0.1 + k * 10 / ppb) / t_ : 0;
        texts[std::size_t(k)] = formatFftFrequency(static_cast<long long>(hertz));
    }
    return texts;
}

std::array<std::string, 9> levelLabelTexts(const SpectrumSettings& settings_) {
    std::array<std::string, 9> texts;
    const double scale = settings_.typedScale;
    for (int k = 0; k < 9; ++k)
        texts[std::size_t(k)] = settings_.linear ? formatFftVoltage((8 - k + settings_.offset) * scale)
                                                 : formatGeneral(settings_.offset - k * scale, 15, 0);
    return texts;
}

SpectrumPoint harmonicMarkerPoint(const SpectrumSettings& settings_, int bin_, double value_) {
    const double ppu = settings_.pixelsPerUnit();
    SpectrumPoint p;
    p.x = truncated((bin_ - settings_.startBin()) * settings_.pixelsPerBin());
    p.y = settings_.linear ? truncated(kFftPlotHeight - (value_ * ppu - settings_.offset * 50.0))
                           : truncated((settings_.offset - value_) * ppu);
    return p;
}

std::string spectrumText(const std::vector<float>& lin_, const std::vector<float>& dB_, bool linear_, double t_) {
    std::string text = linear_ ? "      Hz         Volt\n" + std::string(30, '=') + "\n"
                               : "      Hz          dB\n" + std::string(31, '=') + "\n";
    const std::size_t bins = std::min(lin_.size(), dB_.size());
    for (std::size_t k = 0; k < bins; ++k) {
        text += frequencyField(fftBinFrequency(int(k), t_)) + "      ";
        text += linear_ ? formatFixed(lin_[k], 6, 6) : formatFixed(dB_[k], 6, 3);
        text += " \n";
    }
    return text;
}
