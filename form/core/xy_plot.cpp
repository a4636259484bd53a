#include "xy_plot.h"

#include "bounded_conversion.h"
#include "codes.h"
#include "control_facade.h"
#include "raw_sample.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double CENTRE_ROW = 200.0;
constexpr double CENTRING_COLUMNS = 50.0; // centres the 400-row span in 500 columns

// Toward zero, held far outside the image instead of overflowing.
int truncToInt(double v) { return boundedTruncation<int>(v, -1000000, 1000000, 1000000); }

// One axis: fx = (max - min) * row / range, which is the row itself unless the channel is flat.
struct Axis {
    int span = 0;
    double range = 1.0;
    explicit Axis(XYRowRange r) : span(r.max - r.min), range(r.max == r.min ? 1.0 : double(r.max - r.min)) {}
    double place(float row) const { return span * double(row) / range; }
};

} // namespace

int KernelXYRecords::bufferSize() const { return controlGetBufferSize(); }
int KernelXYRecords::rawSample(int ch, int index) const { return controlGetRawSample(ch, index); }
int KernelXYRecords::rawToRow(int ch, int code) const { return controlRawToRow(ch, static_cast<short>(code)); }
double KernelXYRecords::voltageOffset(int ch) const { return controlGetVoltageOffset(ch); }
int KernelXYRecords::adcLevels() const { return controlGetAdcLevels(); }

XYRowRange xyRowRange(const XYRecords& records, int ch) {
    const int levels = records.adcLevels();
    XYRowRange r{levels + 1, 0};
    const int n = records.bufferSize();
    for (int i = 0; i < n; ++i) {
        const int code = sampleCodeOf(records.rawSample(ch, i), levels);
        if (code < 0) continue;
        const int row = records.rawToRow(ch, code);
        r.max = std::max(r.max, row);
        r.min = std::min(r.min, row);
    }
    return r;
}

void drawXYPlot(const XYRecords& records, unsigned char* image, int width, int height, float intensity) {
    if (image == nullptr || width <= 0 || height <= 0) return;
    const Axis ax(xyRowRange(records, _CH1));
    const Axis ay(xyRowRange(records, _CH2));
    const int dx = truncToInt((records.voltageOffset(_CH1) - CENTRE_ROW) / ax.range + CENTRING_COLUMNS);
    const int dy = truncToInt((records.voltageOffset(_CH2) - CENTRE_ROW) / ay.range);
    const unsigned char value = static_cast<unsigned char>(std::clamp(truncToInt(intensity), 0, 255));
    const double w = width;
    const long long pixels = static_cast<long long>(width) * height;
    const auto put = [&](double x, double y) {
        const long long at = static_cast<long long>(truncToInt(y)) * width + truncToInt(x);
        if (at >= 0 && at < pixels) image[at] = value;
    };

    const int levels = records.adcLevels();
    const int n = records.bufferSize();
    for (int i = 0; i < n; ++i) {
        const int c1 = sampleCodeOf(records.rawSample(_CH1, i), levels);
        const int c2 = sampleCodeOf(records.rawSample(_CH2, i), levels);
        if (c1 < 0 || c2 < 0) continue;
        const auto r1 = static_cast<float>(records.rawToRow(_CH1, c1));
        const auto r2 = static_cast<float>(records.rawToRow(_CH2, c2));
        const auto x = static_cast<float>(dx + ax.place(r1));
        const auto y = static_cast<float>(dy + ay.place(r2));
        if (!(x >= 0 && x < width && y >= 0 && y < height)) continue;
        put(x, y);
        // The neighbours are checked by their place in the image array only.
        if ((y - 1.0) * w + (x - 1.0) >= 0 && (y + 1.0) * w + (x + 1.0) < double(pixels)) {
            put(x - 1.0, y - 1.0);
            put(x + 1.0, y + 1.0);
        }
    }
}

void drawXYPlot(unsigned char* image, int width, int height, float intensity) {
    drawXYPlot(KernelXYRecords(), image, width, height, intensity);
}

bool installXYPlot() {
    return controlSetXYPlotCallback([](unsigned char* image, int width, int height, float intensity) {
        drawXYPlot(image, width, height, intensity);
    });
}
