#include "spectrum_settings.h"

#include "bounded_conversion.h"
#include "ini_file.h"
#include "text_format.h"
#include "units.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kVerticalMinimum = -170; // the vertical scroll bar's range
constexpr int kVerticalMaximum = 0;

// Truncation toward zero of a value that may be far outside int (or not a number).
int truncatedSetting(double v) { return boundedInt(v); }

} // namespace

int fftScrollMaximum(int zoom_) {
    switch (zoom_) {
    case 1: return 0;
    case 2: return 500;
    case 4: return 1500;
    case 8: return 3500;
    case 16: return 7500;
    default: return 0;
    }
}

double fftSecondsPerDivision(int timeDiv_) { return sec_per_div(timeDiv_ > 5 ? timeDiv_ : 6); }

bool parseScaleText(std::string_view text_, double& value_) {
    double v = 0;
    if (!IniFile::parseDouble(text_, v) || !std::isfinite(v)) return false;
    value_ = v;
    return true;
}

int SpectrumSettings::startBin() const { return truncatedSetting(scroll / pixelsPerBin()); }

double SpectrumSettings::pixelsPerUnit() const {
    // The handlers never leave a scale of 0; this only keeps a division by 0 out.
    const double s = scale != 0 ? scale : (linear ? kFftVoltScales.back() : kFftDbScales.back());
    return 50.0 / s;
}

int SpectrumSettings::lastBin(int bins_) const {
    return std::min(truncatedSetting(kFftPlotWidth / pixelsPerBin() + startBin() - 1), bins_ - 1);
}

double SpectrumSettings::rowOf(double value_) const {
    if (linear) return value_ * pixelsPerUnit() - offset * 50.0;
    return kFftPlotHeight - (offset - value_) * pixelsPerUnit();
}

void SpectrumSettings::setScaleText(std::string text_) {
    scaleText = std::move(text_);
    parseScaleText(scaleText, typedScale);
}

void SpectrumSettings::selectDb(double fundamentalDb_) {
    tablePosition[0] = -1;
    linear = false;
    scale = 15.0;
    setScaleText("15");
    // The top edge 5 dB above a positive fundamental, else at 0 dB.
    setVerticalPosition(fundamentalDb_ > 0 ? truncatedSetting(-fundamentalDb_ - 125) : -120);
}

void SpectrumSettings::selectLinear(double fundamentalVolts_) {
    tablePosition[1] = -1;
    linear = true;
    if (fundamentalVolts_ == 0) {
        scale = 0.01;
        setScaleText("0.01");
    } else {
        scale = fundamentalVolts_ * 0.25;
        setScaleText(formatFixed(scale, 6, 3));
    }
    setVerticalPosition(0);
}

bool SpectrumSettings::typeScale(std::string_view text_) {
    double value = 0;
    // A scale of zero or below has no divisions to draw (or draws the trace upside down).
    if (!parseScaleText(text_, value) || !(value > 0)) return false;
    const double previous = scale;
    scale = value;
    scaleText = std::string(text_);
    typedScale = value;
    // The first entry below the number, searched among all but the last entry.
    int position = linear ? int(kFftVoltScales.size()) - 1 : int(kFftDbScales.size()) - 1;
    for (int i = 0; i < position; ++i) {
        const double entry = linear ? kFftVoltScales[std::size_t(i)] : kFftDbScales[std::size_t(i)];
        if (entry < value) {
            position = i;
            break;
        }
    }
    tablePosition[linear ? 1 : 0] = position;
    RecentreVertical(previous);
    return true;
}

void SpectrumSettings::stepScale(bool up_) {
    const double* table = linear ? kFftVoltScales.data() : kFftDbScales.data();
    const int last = linear ? int(kFftVoltScales.size()) - 1 : int(kFftDbScales.size()) - 1;
    int position = tableIndex();
    if (position < 0 || position > last) {
        // The first press only finds the entry at or below the edit's value.
        position = last;
        for (int i = 0; i <= last; ++i)
            if (table[i] <= typedScale) {
                position = i;
                break;
            }
    } else if (up_) {
        if (position < last) ++position;
    } else if (position > 0) {
        --position;
    }
    const double previous = scale;
    scale = table[position];
    setScaleText(formatFixed(scale, 6, 3));
    tablePosition[linear ? 1 : 0] = position;
    RecentreVertical(previous);
}

void SpectrumSettings::RecentreVertical(double previous_) {
    // A scale of 0 has no pixels per unit: it becomes the table's smallest entry.
    if (linear) {
        if (scale == 0) scale = kFftVoltScales.back();
        const int shifted = truncatedSetting((offset + 4) * previous_ / scale - 4);
        setVerticalPosition(-std::max(shifted, 0));
    } else {
        if (scale == 0) scale = kFftDbScales.back();
        setVerticalPosition(-truncatedSetting(offset - 4 * previous_ + 4 * scale) - 120);
    }
}

void SpectrumSettings::setVerticalPosition(int position_) {
    verticalPosition = std::clamp(position_, kVerticalMinimum, kVerticalMaximum);
    offset = linear ? -verticalPosition : -verticalPosition - 120;
}

int SpectrumSettings::verticalPageStep() const { return linear ? 1 : truncatedSetting(scale); }

void SpectrumSettings::stepZoom(bool up_) {
    if (up_) {
        if (zoom < 16) {
            zoom *= 2;
            scroll = 2 * scroll + 250;
        }
    } else if (zoom > 1) {
        zoom /= 2;
        scroll = (scroll + 250) / 2 - 250;
    }
    // The position only counts above zoom 1; at zoom 1 the range is 0..0.
    setScroll(zoom > 1 ? scroll : 0);
}

void SpectrumSettings::setScroll(int position_) { scroll = std::clamp(position_, 0, fftScrollMaximum(zoom)); }

void SpectrumSettings::setFftSize(int sizeIndex_) { sizeIndex = std::clamp(sizeIndex_, 0, int(kFftSizes.size()) - 1); }
