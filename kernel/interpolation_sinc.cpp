#include "interpolation_sinc.h"

#include "codes.h"

#include <cassert>
#include <new>

template <typename T>
InterpolationSinc<T>::InterpolationSinc(int bufferSize_, double start_, double interval_) {
    if ((bufferSize_ != 0 || start_ != 0.0 || interval_ != 0.0) &&
        !init(bufferSize_, start_, interval_))
        throw std::bad_alloc();
}

template <typename T>
bool InterpolationSinc<T>::init(int bufferSize_, double start_, double interval_) {
    assert(interval_ > 0 && "interval_ > 0");
    assert(bufferSize_ > 0 && "bufferSize_ > 0");
    if (!(interval_ > 0) || bufferSize_ <= 0) return false;
    try {
        if (!p_table) p_table = std::make_unique<TableInterpolationSinc<T>>();
        if (!p_table->init(bufferSize_, interval_)) return false;
        // Real samples number at most one per position.
        const size_t capacity = static_cast<size_t>(bufferSize_);
        d_realPosition.reserve(capacity);
        d_realValue.reserve(capacity);
        d_validPosition.reserve(capacity);
        d_validValue.reserve(capacity);
    } catch (const std::bad_alloc&) {
        return false;
    }
    this->d_bufferSize = bufferSize_;
    this->d_start = start_;
    this->d_interval = interval_;
    return true;
}

template <typename T>
bool InterpolationSinc<T>::interpolate(T* buffer_) {
    assert(p_table && "p_table != 0");
    assert(buffer_ && "buffer_ != 0");
    const int size = this->d_bufferSize;
    const double start = this->d_start;
    const double interval = this->d_interval;
    if (!p_table || !buffer_ || p_table->size() < size) return false;
    if (!(interval > 0 && interval < size) || !(start + interval < size) ||
        start < -1e9)
        return false;

    // Real positions in the array, ascending (the trunc of an ascending sequence). Those
    // below 0 lie outside the array and are skipped; an interval below 1 may repeat one.
    d_realPosition.clear();
    d_realValue.clear();
    d_validPosition.clear();
    d_validValue.clear();
    int k = start < 0 ? int(-start / interval) : 0;
    if (k > 0) --k; // the last real sample before position 0, at most
    for (;; ++k) {
        const int p = int(start + k * interval);
        if (p >= size) break;
        if (p < 0 || (!d_realPosition.empty() && d_realPosition.back() == p)) continue;
        d_realPosition.push_back(p);
        d_realValue.push_back(buffer_[p]);
        if (buffer_[p] != EMPTY_SAMPLE) {
            d_validPosition.push_back(p);
            d_validValue.push_back(buffer_[p]);
        }
    }
    const int real = static_cast<int>(d_realPosition.size());
    const int valid = static_cast<int>(d_validPosition.size());
    const int* vp = d_validPosition.data();
    const double* vv = d_validValue.data();
    const double* w = p_table->data();

    int next = 0; // index of the first real position at or after i
    for (int i = 0; i < size; ++i) {
        if (next < real && d_realPosition[static_cast<size_t>(next)] == i) {
            ++next;
            continue;
        }
        const bool leftEmpty = next > 0 && d_realValue[static_cast<size_t>(next - 1)] == EMPTY_SAMPLE;
        const bool rightEmpty = next < real && d_realValue[static_cast<size_t>(next)] == EMPTY_SAMPLE;
        if (valid == 0 || leftEmpty || rightEmpty) {
            buffer_[i] = EMPTY_SAMPLE;
            continue;
        }
        double sum = 0.0;
        for (int c = 0; c < valid; ++c) {
            const int d = i - vp[c];
            sum += vv[c] * w[d < 0 ? -d : d];
        }
        if (sum < -32768.0) sum = -32768.0;
        if (sum > FLAGGED_SAMPLE_BASE - 1) sum = FLAGGED_SAMPLE_BASE - 1;
        buffer_[i] = static_cast<T>(sum);
    }
    return true;
}

template class InterpolationSinc<short>;
