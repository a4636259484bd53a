#pragma once
// Straight lines between neighbouring real samples of a record (see interpolation.h).

#include "interpolation.h"

template <typename T>
class InterpolationLinear : public Interpolation<T> {
public:
    // All zero leaves the object empty; any non-zero argument runs init.
    explicit InterpolationLinear(int bufferSize_ = 0, double start_ = 0.0, double interval_ = 0.0);

    // Stores the three values; always true.
    bool init(int bufferSize_, double start_, double interval_) override;

    // Between two real samples a and b each position i receives
    // trunc((i - a) x (value(b) - value(a)) / (b - a) + value(a)); positions before the first
    // real sample take its value, positions after the last one take the last one's value.
    // A segment with an empty end (4096) is filled with 4096. Nothing outside the array is
    // read or written. Requires the array and d_bufferSize > 0; false, array untouched,
    // unless 0 < interval < size.
    bool interpolate(T* buffer_) override;

private:
    // The segment being filled: its slope, its first position and the value there.
    double d_slope = 0.0;
    int d_segmentStart = 0;
    int d_segmentValue = 0;
};
