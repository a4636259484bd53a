#pragma once
// Window drawings of equivalent-time (ETS) and random-interleaved (RIS) records: only the
// visible part of the record is spread over the display columns, and missing samples are
// completed while drawing. Window index i lies on column trunc(i x pointsPerSample / 20);
// columns at or past the display width are skipped.

#include "transform_raw_display_draw.h"

template <typename T>
class InterpolationLinear;

// Record positions start .. start + length - 1 shown on the display.
struct ETSWindow {
    int start = 0;
    int length = 0;
    int pointsPerSample = 1; // display points per record position
};

// The window of a record of bufferSize_ samples at a time/div code and horizontal position
// (display columns; a negative one moves the window toward the record's start). The result
// always lies inside the record.
ETSWindow computeETSWindow(int timeDiv_, int bufferSize_, double horizontalPosition_);

// A window cut to a record of recordSize_ samples (start in 0..recordSize_, length what
// is left of the record at most, pointsPerSample at least 1).
ETSWindow clampETSWindow(const ETSWindow& window_, int recordSize_);

inline int windowColumn(int index_, int pointsPerSample_) {
    return static_cast<int>(static_cast<long long>(index_) * pointsPerSample_ / 20);
}

// The value drawn at each window index, in ascending index order: an empty sample (4096)
// takes the held value (the last value holding data) or, with gap filling, a point on the
// straight line from the value before the gap to the first value after it. A lone empty
// sample keeps the value before it; empties at the end keep the last value. Linear in the
// window: each gap is searched once.
class WindowSampler {
public:
    enum Fill {
        _HOLD,                   // empty samples take the held value
        _GAP_FILL,               // leading empties take the first value after them
        _GAP_FILL_LEADING_EMPTY, // leading empties stay empty (column interpolation, records)
    };
    WindowSampler(const short* window_, int length_, Fill fill_)
        : p_window(window_), d_length(length_), d_fill(fill_) {}
    // Must be called with i = 0, 1, 2, ... length - 1.
    int value(int i);

private:
    const short* p_window;
    int d_length;
    Fill d_fill;
    int d_held = 4096;
    int d_runStart = 0;   // first index of the current run of empty samples
    int d_nextValid = -1; // first index after that run that holds data (or the length)
};

// Dots of the window; jitter_ null draws without jitter. A window of length 0 draws nothing.
void drawWindowDots(const TraceCanvas& c, const short* record_, const ETSWindow& window_, JitterSequence* jitter_);

// Vectors of the window (held values, or gap filling), joined as in joinColumns.
void drawWindowVectors(const TraceCanvas& c, const short* record_, const ETSWindow& window_, bool gapFill_);

// Column interpolation: the smallest code of each column, columns in between completed by
// linear interpolation (first real column 0, interval width / length), then joined; no
// dots. A column without data is empty (4096) for the interpolation and draws nothing.
// columnCodes_ holds width values of scratch space.
void drawColumnInterpolation(const TraceCanvas& c, const short* record_, const ETSWindow& window_, bool gapFill_,
                             InterpolationLinear<short>& linear_, short* columnCodes_);

// Gap filling of a whole record in place: empty runs between two values step in a straight
// line, leading empties stay empty, trailing ones take the last value. Linear in size_.
void fillRecordGaps(short* record_, int size_);
