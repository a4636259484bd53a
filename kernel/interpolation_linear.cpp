#include "interpolation_linear.h"

#include "codes.h"

#include <cassert>

template <typename T>
InterpolationLinear<T>::InterpolationLinear(int bufferSize_, double start_, double interval_) {
    if (bufferSize_ != 0 || start_ != 0.0 || interval_ != 0.0) init(bufferSize_, start_, interval_);
}

template <typename T>
bool InterpolationLinear<T>::init(int bufferSize_, double start_, double interval_) {
    this->d_bufferSize = bufferSize_;
    this->d_start = start_;
    this->d_interval = interval_;
    return true;
}

template <typename T>
bool InterpolationLinear<T>::interpolate(T* buffer_) {
    assert(buffer_ && "buffer_ != 0");
    assert(this->d_bufferSize > 0 && "d_bufferSize > 0");
    const int size = this->d_bufferSize;
    const double start = this->d_start;
    const double interval = this->d_interval;
    if (!buffer_ || size <= 0) return false;
    if (!(interval > 0 && interval < size) || start < -1e9) return false;

    // The first real position inside the array (real positions below 0 are skipped).
    if (!(start < size)) return true; // no real sample in the array: nothing to join
    int k = start < 0 ? int(-start / interval) : 0;
    if (k > 0) --k;
    int first = int(start + k * interval);
    while (first < 0) first = int(start + ++k * interval);
    if (first >= size) return true;

    // Before the first real sample the record is flat at its value.
    for (int i = 0; i < first; ++i) buffer_[i] = buffer_[first];

    d_segmentStart = first;
    for (;;) {
        int e = int(start + ++k * interval);
        if (e == d_segmentStart) continue; // an interval below 1 repeats a position
        d_segmentValue = buffer_[d_segmentStart];
        if (e >= size) {
            // After the last real sample the record is flat at its value.
            for (int i = d_segmentStart + 1; i < size; ++i) buffer_[i] = static_cast<T>(d_segmentValue);
            return true;
        }
        const int endValue = buffer_[e];
        if (d_segmentValue == EMPTY_SAMPLE || endValue == EMPTY_SAMPLE) {
            for (int i = d_segmentStart + 1; i < e; ++i) buffer_[i] = EMPTY_SAMPLE;
        } else {
            d_slope = double(endValue - d_segmentValue) / double(e - d_segmentStart);
            for (int i = d_segmentStart + 1; i < e; ++i)
                buffer_[i] = static_cast<T>(double(i - d_segmentStart) * d_slope + d_segmentValue);
        }
        d_segmentStart = e;
    }
}

template class InterpolationLinear<short>;
