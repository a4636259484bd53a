#include "transform_raw_display.h"

#include "buffer_display_data.h"
#include "buffer_raw_data.h"
#include "state.h"
#include "transform_raw_display_window.h"
#include "trevan_error.h"

#include <cassert>
#include <cstring>
#include <new>

namespace {

BufferData2D<unsigned char>* imageOf(BufferDisplayData& display, int ch) {
    switch (ch) {
    case _CH1: return display.p_bufferCh1.get();
    case _CH2: return display.p_bufferCh2.get();
    case _MATH: return display.p_bufferMath.get();
    case _REFERENCE: return display.p_bufferRef.get();
    default: return nullptr;
    }
}

int clampPersistence(int level) { return level < 0 ? 0 : level >= PERSISTENCE_LEVELS ? PERSISTENCE_LEVELS - 1 : level; }

} // namespace

TransformRawDisplay::TransformRawDisplay(BufferRawData* raw_p, BufferDisplayData* display_p, State* state_p,
                                         BufferRawDataStop* stop_p)
    : p_bufferRawData(raw_p), p_bufferRawDataStop(stop_p), p_bufferDisplayData(display_p), p_state(state_p) {
    assert(raw_p && "raw_p");
    assert(display_p && "display_p");
    assert(state_p && "state_p");
    if (!p_state) return;
    const int width = p_state->d_displayWidth > 0 ? p_state->d_displayWidth : 0;
    try {
        d_min.assign(static_cast<size_t>(width), 0);
        d_max.assign(static_cast<size_t>(width), 0);
        d_columnCodes.assign(static_cast<size_t>(width), 0);
    } catch (const std::bad_alloc&) {
        d_min.clear();
        d_max.clear();
        push_error(_ERR_MEMORY, "Kernel\\transform_raw_display", 53);
    }
    try {
        p_tableRawDisplay = std::make_unique<TableRawDisplay>(p_state);
    } catch (const std::bad_alloc&) {
        push_error(_ERR_MEMORY, "Kernel\\transform_raw_display", 59);
    }
    p_interpolationSinc = std::make_unique<InterpolationSinc<short>>();
    p_interpolationLinear = std::make_unique<InterpolationLinear<short>>();
    fillDecayTable(d_decay, p_state->d_timeDiv);
}

TransformRawDisplay::~TransformRawDisplay() = default;

bool TransformRawDisplay::buildTable(int ch_) {
    assert(p_tableRawDisplay && "p_tableRawDisplay");
    return p_tableRawDisplay && p_tableRawDisplay->build(ch_);
}

void TransformRawDisplay::initDecayTable() {
    fillDecayTable(d_decay, p_state->d_timeDiv);
    updateETSWindow();
}

void TransformRawDisplay::updateETSWindow() {
    const ETSWindow w = computeETSWindow(p_state->d_timeDiv, p_state->d_bufferSize, p_state->d_horizontalPosition);
    p_state->d_ETSWindowStart = w.start;
    p_state->d_ETSWindowLength = w.length;
    p_state->d_ETSPointsPerSample = w.pointsPerSample;
}

double TransformRawDisplay::getDecay(int level_) const { return d_decay[clampPersistence(level_)]; }

bool TransformRawDisplay::transform(int ch_) {
    assert(p_bufferDisplayData && "p_bufferDisplayData");
    assert(p_tableRawDisplay && "p_tableRawDisplay");
    assert(!d_min.empty() && "d_min");
    assert(!d_max.empty() && "d_max");
    if (!isComplete() || ch_ < _CH1 || ch_ > _REFERENCE) return false;
    const State& s = *p_state;
    BufferData2D<unsigned char>* image = imageOf(*p_bufferDisplayData, ch_);
    const int width = s.d_displayWidth;
    const int height = s.d_displayHeight;
    if (!image || !image->data() || image->d_sizeX != width || image->d_sizeY != height ||
        static_cast<size_t>(width) > d_min.size())
        return false;

    // 1. The previous picture decays (real time) or goes.
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (s.d_acquisitionMode == _REAL_TIME)
        fadeImage(image->data(), pixels, d_decay[clampPersistence(s.d_persistence)]);
    else
        std::memset(image->data(), 0, pixels);

    // 2. X-Y mode: the main window plots channel 1 against channel 2 instead.
    if (s.d_XYPlotOnOff && s.areBothChannelsOn()) {
        BufferData2D<unsigned char>* xy = imageOf(*p_bufferDisplayData, _CH1);
        if (d_XYPlot && xy && xy->data() && xy->d_sizeX == width && xy->d_sizeY == height)
            d_XYPlot(xy->data(), width, height, float(INTENSITY_MAX));
        return true;
    }

    short* record = p_bufferRawData ? p_bufferRawData->data(ch_) : nullptr;
    int size = s.d_bufferSize;
    if (record && p_bufferRawData->size(ch_) < size) size = p_bufferRawData->size(ch_);
    if (!record || size <= 0) return true;

    TraceCanvas c;
    c.image = image->data();
    c.width = width;
    c.height = height;
    c.step = clampIntensityStep(s.d_intensityStep);
    c.rows = p_tableRawDisplay->rows(ch_);
    c.adcLevels = s.d_adcLevels < TABLE_RAW_DISPLAY_CODES ? s.d_adcLevels : TABLE_RAW_DISPLAY_CODES;
    c.columnMin = d_min.data();
    c.columnMax = d_max.data();

    const bool running = s.d_runState == _RUN && ch_ != _REFERENCE;
    const bool fast = s.d_timeDiv >= 0 && s.d_timeDiv <= 6;
    if (s.d_lineJoinMode == 0) {
        JitterSequence* jitter = s.d_triggeredFlag || s.d_triggerMode == _AUTO ? &d_jitter : nullptr;
        if (running && fast)
            drawWindowDots(c, record,
                           clampETSWindow({s.d_ETSWindowStart, s.d_ETSWindowLength, s.d_ETSPointsPerSample}, size),
                           jitter);
        else
            drawDots(c, record, size, running ? jitter : nullptr);
        return true;
    }
    if (running)
        drawRunningVectors(c, record, size);
    else
        drawVectors(c, record, size);
    return true;
}

bool TransformRawDisplay::interpolateRIS(short* record_, int size_, bool linear_) {
    // Interval between real samples: the record over half the delivered samples, these
    // rounded down to a multiple of 100.
    const State& s = *p_state;
    int interval = 1;
    if (s.d_acquireLength >= 100) {
        const int half = (s.d_acquireLength - s.d_acquireLength % 100) / 2;
        interval = s.d_bufferSize / half;
    }
    if (interval <= 1 || interval >= size_) return false; // every position real, or none
    Interpolation<short>& interpolation =
        linear_ ? static_cast<Interpolation<short>&>(*p_interpolationLinear) : *p_interpolationSinc;
    return interpolation.init(size_, s.d_ETSPhase, interval) && interpolation.interpolate(record_);
}

void TransformRawDisplay::drawRunningVectors(const TraceCanvas& c, short* record_, int size_) {
    const State& s = *p_state;
    const int timeDiv = s.d_timeDiv;
    const bool ris = s.d_acquisitionMode == _RIS;
    const bool ets = s.d_acquisitionMode == _ETS_MODE1 || s.d_acquisitionMode == _ETS_MODE2;
    const ETSWindow window = clampETSWindow({s.d_ETSWindowStart, s.d_ETSWindowLength, s.d_ETSPointsPerSample}, size_);
    if (timeDiv >= 0 && timeDiv <= 6) {
        if (ris) {
            interpolateRIS(record_, size_, timeDiv == 6);
            if (timeDiv <= 1)
                drawColumnInterpolation(c, record_, window, false, *p_interpolationLinear, d_columnCodes.data());
            else
                drawWindowVectors(c, record_, window, false);
        } else if (ets) {
            if (timeDiv <= 1) {
                fillRecordGaps(record_, size_);
                drawColumnInterpolation(c, record_, window, true, *p_interpolationLinear, d_columnCodes.data());
            } else {
                drawWindowVectors(c, record_, window, true);
            }
        } else {
            drawVectors(c, record_, size_);
        }
        return;
    }
    if (ris) {
        if (timeDiv == 7)
            interpolateRIS(record_, size_, true);
        else
            holdRecord(record_, size_);
        drawWindowVectors(c, record_, window, false);
    } else if (ets) {
        holdRecord(record_, size_);
        drawVectors(c, record_, size_);
    } else {
        drawVectors(c, record_, size_);
    }
}
