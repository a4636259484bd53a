#include "indicator_values.h"

#include "bounded_conversion.h"
#include "text_format.h"
#include "units.h"

#include <algorithm>
#include <cmath>

const std::array<const char*, TIME_DIV_ITEM_COUNT> TIME_DIV_ITEMS = {
    "2ns",  "4ns",  "10ns", "20ns",  "40ns",  "100ns", "200ns", "400ns", "1us", "2us",
    "4us",  "10us", "20us", "40us",  "100us", "200us", "400us", "1ms",   "2ms", "4ms",
    "10ms", "20ms", "40ms", "100ms", "200ms", "400ms", "1s",    "2s",    "4s",  "10s",
};

const std::array<const char*, PERSISTENCE_ITEM_COUNT> PERSISTENCE_ITEMS = {
    "Min",   "100ms", "200ms", "300ms", "400ms", "500ms", "600ms", "700ms",    "800ms",
    "900ms", "1s",    "2s",    "3s",    "4s",    "5s",    "10s",   "Infinity",
};

namespace {

constexpr int FULL_SCALE_ROWS = 400; // an inverted channel mirrors its rows about this
constexpr double DIVISIONS_PER_PIXEL = 0.02;

// Toward zero, as every double-to-pixel conversion of the indicators.
int toPixel(double v) { return boundedInt(v); }

} // namespace

std::string sampleRateText(double r) {
    if (r < 1000) return formatGeneral(r, 5, 3) + "S/s";
    if (r < 1e6) return formatGeneral(r * 0.001, 5, 3) + "KS/s";
    if (r < 1e9) return formatGeneral(r * 1e-6, 5, 3) + "MS/s";
    return formatGeneral(r * 1e-9, 5, 3) + "GS/s";
}

std::optional<std::string> delayText(bool delayOn, int timeDiv, double position, int width) {
    if (!delayOn) return std::to_string(toPixel(position / width * 100)) + "%";
    const int d = toPixel(width / 2 - position);
    const double t = sec_per_div(timeDiv) * d * DIVISIONS_PER_PIXEL;
    const double a = std::fabs(t);
    if (a >= 1 || t == 0) return formatGeneral(t, 4, 2) + "s";
    if (a >= 0.001) return formatGeneral(t * 1000, 4, 2) + "ms";
    if (a >= 1e-6) return formatGeneral(t * 1e6, 4, 2) + "us";
    if (a >= 1e-9) return formatGeneral(t * 1e9, 4, 2) + "ns";
    return std::nullopt;
}

double rowAsDrawn(double row, bool inverted) { return inverted ? FULL_SCALE_ROWS - row : row; }

std::optional<std::string> triggerLevelText(double offsetRow, double levelRow, bool inverted, int probe, int voltDiv) {
    const double o = rowAsDrawn(offsetRow, inverted);
    const double l = rowAsDrawn(levelRow, inverted);
    const int d = toPixel(l - toPixel(o));
    const double v = d * static_cast<double>(probe) * volt_per_div(voltDiv) * DIVISIONS_PER_PIXEL;
    const double a = std::fabs(v);
    if (a >= 1 || v == 0) return formatGeneral(v, 4, 2) + "V";
    if (a > 0.0001) return formatGeneral(v * 1000, 4, 2) + "mV";
    return std::nullopt;
}

const std::array<const char*, 10>& voltDivItemTexts(int probe) {
    static const std::array<const char*, 10> x1 = {"10mV",  "20mV", "50mV", "100mV", "200mV",
                                                   "500mV", "1V",   "2V",   "5V",    "10V"};
    static const std::array<const char*, 10> x10 = {"100mV", "200mV", "500mV", "1V",  "2V",
                                                    "5V",    "10V",   "20V",   "50V", "100V"};
    static const std::array<const char*, 10> x100 = {"1V",  "2V",   "5V",   "10V",  "20V",
                                                     "50V", "100V", "200V", "500V", "1kV"};
    static const std::array<const char*, 10> x1000 = {"10V",  "20V", "50V", "100V", "200V",
                                                      "500V", "1kV", "2kV", "5kV",  "10kV"};
    switch (probeItemIndex(probe)) {
    case 0: return x1;
    case 1: return x10;
    case 2: return x100;
    default: return x1000;
    }
}

int probeItemIndex(int probe) {
    switch (probe) {
    case 1: return 0;
    case 10: return 1;
    case 100: return 2;
    default: return 3;
    }
}

int probeOfItemIndex(int index) {
    static const int factors[4] = {1, 10, 100, 1000};
    return index >= 0 && index < 4 ? factors[index] : 1;
}

MarkerPlacement horizontalPositionMarker(int position, int width) {
    if (position < 0) return {0, 0};
    if (position > width) return {width, 2};
    return {position - 1, 1};
}

MarkerPlacement triggerLevelMarker(int ch, int levelRow, bool inverted, int height) {
    const int r = static_cast<int>(rowAsDrawn(levelRow, inverted));
    const int t = height - r + 5;
    const int first = ch == 1 ? 0 : 3;
    if (t < 5) return {5, first};
    if (t > height + 5) return {height + 5, first + 2};
    return {t, first + 1};
}

int offsetMarkerTop(int offsetRow, bool inverted, int height) {
    const int r = static_cast<int>(rowAsDrawn(offsetRow, inverted));
    return height - r + 5;
}

BufferOverviewLayout bufferOverviewLayout(const BufferOverviewInputs& in) {
    const double f = in.panelWidth - 1;
    BufferOverviewLayout out;
    out.windowWidth = toPixel(f * in.windowWidth);
    out.windowLeft = toPixel(f * in.windowLeft);
    out.centreLeft = toPixel(f * (in.markLeft + in.markRight) / 2 - in.centreImageWidth / 2);
    out.triggerImage = in.trigger < 0   ? BufferOverviewLayout::TriggerImage::Left
                       : in.trigger > 1 ? BufferOverviewLayout::TriggerImage::Right
                                        : BufferOverviewLayout::TriggerImage::Inside;
    out.triggerLeft = toPixel(f * std::clamp(in.trigger, 0.0, 1.0) - in.triggerImageWidth / 2);
    switch (in.channelsOn) {
    case 1: out.channelSet = 1; break;
    case 2: out.channelSet = 2; break;
    case 3: out.channelSet = in.triggerSource == 1 ? 1 : 2; break;
    default: out.channelSet = 0; break;
    }
    out.leftMarkLeft = toPixel(f * in.markLeft + 1);
    out.rightMarkLeft = toPixel(f * in.markRight - in.rightMarkImageWidth - 1);
    return out;
}

int gridColorFor(int graphicMode, int surfaceFormat, int colour) {
    if (graphicMode == 2) return colour;
    const int r = colour & 0xFF;
    const int g = (colour >> 8) & 0xFF;
    const int b = (colour >> 16) & 0xFF;
    switch (surfaceFormat) {
    case 2: return (r / 8) << 11 | (g / 4) << 5 | b / 8;
    case 3: return (r / 8) << 10 | (g / 8) << 5 | b / 8;
    default: return r << 16 | g << 8 | b;
    }
}
