#include "transform_raw_display_window.h"

#include "interpolation_linear.h"

namespace {

constexpr double kScale[7] = {0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1.0};
constexpr int kPointsPerSample[11] = {100, 50, 20, 10, 5, 2, 1, 1, 1, 1, 1};
constexpr int kEmpty = 4096;

} // namespace

ETSWindow computeETSWindow(int timeDiv_, int bufferSize_, double horizontalPosition_) {
    const double scale = timeDiv_ >= 0 && timeDiv_ <= 6 ? kScale[timeDiv_] : 1.0;
    const double zoom = 20 * scale;
    const int size = bufferSize_ > 0 ? bufferSize_ : 0;
    const int width = static_cast<int>(size * scale);
    int start = size / 2 - width / 2;
    if (horizontalPosition_ < 0) {
        const double moved = start + horizontalPosition_ * zoom;
        start = moved > 0 ? static_cast<int>(moved) : 0;
    }
    if (start < 0) start = 0;
    int end = start + width;
    if (end > size) end = size;
    ETSWindow w;
    w.start = start;
    w.length = end - start;
    w.pointsPerSample = timeDiv_ >= 0 && timeDiv_ <= 10 ? kPointsPerSample[timeDiv_] : 1;
    return w;
}

ETSWindow clampETSWindow(const ETSWindow& window_, int recordSize_) {
    ETSWindow w = window_;
    const int size = recordSize_ > 0 ? recordSize_ : 0;
    if (w.start < 0) w.start = 0;
    if (w.start > size) w.start = size;
    if (w.length < 0) w.length = 0;
    if (w.length > size - w.start) w.length = size - w.start;
    if (w.pointsPerSample < 1) w.pointsPerSample = 1;
    return w;
}

int WindowSampler::value(int i) {
    const int raw = p_window[i];
    if (raw != kEmpty) {
        d_held = raw;
        return raw;
    }
    if (d_fill == _HOLD) return d_held;
    // One scan per gap keeps the whole window linear.
    if (d_nextValid < i) {
        int j = i;
        while (j < d_length && p_window[j] == kEmpty) ++j;
        d_runStart = i;
        d_nextValid = j;
    }
    const int j = d_nextValid;
    if (i == 0) {
        if (d_fill == _GAP_FILL) d_held = j < d_length ? p_window[j] : kEmpty;
        return d_held;
    }
    // A lone empty sample keeps the value before it; a longer run steps to the next value.
    if (j - d_runStart > 1 && j < d_length) {
        int prev = p_window[i - 1];
        if (prev == kEmpty) prev = d_held;
        // Without a value before the gap there is nothing to draw the line from.
        if (prev != kEmpty) d_held = prev + (p_window[j] - prev) / (j - i + 1);
    }
    return d_held;
}

void drawWindowDots(const TraceCanvas& c, const short* record_, const ETSWindow& window_, JitterSequence* jitter_) {
    const short* s = record_ + window_.start;
    for (int i = 0; i < window_.length; ++i) {
        const int x = windowColumn(i, window_.pointsPerSample);
        if (x >= c.width) break;
        const int code = sampleCode(s[i]);
        if (!isDrawableCode(code, c.adcLevels)) continue;
        int row = c.rows[code];
        if (jitter_) row += jitter_->next();
        plotHit(c, x, row);
    }
}

namespace {

// Visits (column, code) of every drawable window value, in index order, after setting every
// column's extremes to (lowest_, -1).
template <class Visit>
void forEachWindowCode(const TraceCanvas& c, const short* record_, const ETSWindow& window_, WindowSampler::Fill fill_,
                       int lowest_, Visit visit_) {
    for (int x = 0; x < c.width; ++x) {
        c.columnMin[x] = lowest_;
        c.columnMax[x] = -1;
    }
    WindowSampler sampler(record_ + window_.start, window_.length, fill_);
    for (int i = 0; i < window_.length; ++i) {
        const int x = windowColumn(i, window_.pointsPerSample);
        if (x >= c.width) break;
        const int code = sampleCode(sampler.value(i));
        if (isDrawableCode(code, c.adcLevels)) visit_(x, code);
    }
}

void widen(const TraceCanvas& c, int x, int value) {
    if (value < c.columnMin[x]) c.columnMin[x] = value;
    if (value > c.columnMax[x]) c.columnMax[x] = value;
}

} // namespace

void drawWindowVectors(const TraceCanvas& c, const short* record_, const ETSWindow& window_, bool gapFill_) {
    if (window_.length <= 0) return;
    forEachWindowCode(c, record_, window_, gapFill_ ? WindowSampler::_GAP_FILL : WindowSampler::_HOLD, c.height,
                      [&](int x, int code) {
                          const int row = c.rows[code];
                          widen(c, x, row);
                          plotHit(c, x, row);
                      });
    joinColumns(c);
}

void drawColumnInterpolation(const TraceCanvas& c, const short* record_, const ETSWindow& window_, bool gapFill_,
                             InterpolationLinear<short>& linear_, short* columnCodes_) {
    if (window_.length <= 0 || c.width <= 0) return;
    forEachWindowCode(c, record_, window_, gapFill_ ? WindowSampler::_GAP_FILL_LEADING_EMPTY : WindowSampler::_HOLD,
                      c.adcLevels, [&](int x, int code) { widen(c, x, code); });
    for (int x = 0; x < c.width; ++x)
        columnCodes_[x] = static_cast<short>(c.columnMax[x] >= 0 ? c.columnMin[x] : kEmpty);
    linear_.init(c.width, 0.0, static_cast<double>(c.width) / window_.length);
    linear_.interpolate(columnCodes_);
    for (int x = 0; x < c.width; ++x) {
        const int code = columnCodes_[x];
        if (isDrawableCode(code, c.adcLevels)) {
            c.columnMin[x] = c.columnMax[x] = c.rows[code];
        } else {
            c.columnMin[x] = c.height;
            c.columnMax[x] = -1;
        }
    }
    joinColumns(c);
}

void fillRecordGaps(short* record_, int size_) {
    // Writing position i changes only what the sampler reads as the value before the next
    // gap position, and that is the held value either way.
    WindowSampler sampler(record_, size_, WindowSampler::_GAP_FILL_LEADING_EMPTY);
    for (int i = 0; i < size_; ++i) record_[i] = static_cast<short>(sampler.value(i));
}
