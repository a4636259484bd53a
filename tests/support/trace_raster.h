#pragma once
// A small rasteriser for measurement tests: draws a trace into a 500 x 400 hit image the way
// the display does in vector mode. Each column gets several samples, each plotted as one hit
// of a fixed intensity step (capped at 127); then each column's run of rows is filled and
// joined to the next column's run. Rows grow upwards; rows off the image are skipped.

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>

struct TraceImage {
    static constexpr int kColumns = 500;
    static constexpr int kRows = 400;
    unsigned char wave[kColumns][kRows] = {};

    void hit(int column, int row, int step) {
        if (column < 0 || column >= kColumns || row < 0 || row >= kRows) return;
        wave[column][row] = static_cast<unsigned char>(std::min(wave[column][row] + step, 127));
    }
};

// The row of the trace at column position x (fractional, 0 to 500).
using TraceShape = std::function<double(double x)>;

inline std::unique_ptr<TraceImage> drawTrace(const TraceShape& rowAt, int samplesPerColumn = 20, int step = 10) {
    auto image = std::make_unique<TraceImage>();
    int lo[TraceImage::kColumns], hi[TraceImage::kColumns];
    for (int c = 0; c < TraceImage::kColumns; ++c) {
        lo[c] = TraceImage::kRows;
        hi[c] = -1;
        for (int i = 0; i < samplesPerColumn; ++i) {
            const int row = int(std::floor(rowAt(c + (i + 0.5) / samplesPerColumn) + 0.5));
            lo[c] = std::min(lo[c], row);
            hi[c] = std::max(hi[c], row);
            image->hit(c, row, step);
        }
    }
    auto run = [&](int c, int from, int to) {
        for (int r = from; r <= to; ++r) image->hit(c, r, step);
    };
    for (int c = 0; c + 1 < TraceImage::kColumns; ++c) {
        run(c, lo[c], hi[c]);
        if (hi[c] < lo[c + 1])
            run(c, hi[c], lo[c + 1]);
        else if (hi[c + 1] < lo[c])
            run(c, hi[c + 1], lo[c]);
    }
    return image;
}

// Shapes, in rows and columns.

inline TraceShape flatShape(double row) {
    return [=](double) { return row; };
}

inline TraceShape sineShape(double centre, double amplitude, double period, double phase = 0.0) {
    return [=](double x) { return centre + amplitude * std::sin(2.0 * std::numbers::pi * (x - phase) / period); };
}

// Low until `start`, then per period: a linear rise over `rise` columns, `high` columns at
// the top, a linear fall over `fall` columns, low for the rest of the period.
inline TraceShape trapezoidShape(double low, double top, double period, double start, double rise, double high,
                                 double fall) {
    return [=](double x) {
        if (x < start) return low;
        const double t = std::fmod(x - start, period);
        if (t < rise) return low + (top - low) * t / rise;
        if (t < rise + high) return top;
        if (t < rise + high + fall) return top - (top - low) * (t - rise - high) / fall;
        return low;
    };
}

// A square wave: vertical edges, `high` columns at the top of each period.
inline TraceShape pulseShape(double low, double top, double period, double start, double high) {
    return [=](double x) {
        if (x < start) return low;
        return std::fmod(x - start, period) < high ? top : low;
    };
}
