#include "interpolation_sinc.h"

#include "codes.h"

#include <cassert>
#include <new>

template <typename T>
InterpolationSinc<T>::InterpolationSinc(int bufferSize_, double start_, double interval_) {
    if ((bufferSize_ != 0 || start_ != 0.0 || interval_ != 0.0) && !init(bufferSize_, start_, interval_))
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
    if (!(interval > 0 && interval < size) || !(start + interval < size) || start < -1e9) return false;

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

    // Four positions at a time: four independent sums keep the processor busy, and each sum
    // still adds the real samples in ascending order, so every result is that of the plain sum.
    int next = 0;  // index of the first real position at or after i
    int left = 0;  // valid samples at or before the block's first position
    int right = 0; // valid samples before the first one at or after the block's last position
    for (int i0 = 0; i0 < size; i0 += 4) {
        const int block = size - i0 < 4 ? size - i0 : 4;
        double sum[4] = {0.0, 0.0, 0.0, 0.0};
        bool needed = false;
        for (int k = 0, n = next; k < block; ++k) {
            if (n < real && d_realPosition[static_cast<size_t>(n)] == i0 + k)
                ++n;
            else
                needed = true;
        }
        if (needed && valid > 0) {
            while (left < valid && vp[left] <= i0) ++left;
            while (right < valid && vp[right] < i0 + block - 1) ++right;
            if (block == 4) {
                int c = 0;
                for (; c < left; ++c) { // p <= i0: distances i0 - p + k
                    const double* wb = w + (i0 - vp[c]);
                    const double v = vv[c];
                    sum[0] += v * wb[0];
                    sum[1] += v * wb[1];
                    sum[2] += v * wb[2];
                    sum[3] += v * wb[3];
                }
                for (; c < right; ++c) { // inside the block
                    const double v = vv[c];
                    for (int k = 0; k < 4; ++k) {
                        const int d = i0 + k - vp[c];
                        sum[k] += v * w[d < 0 ? -d : d];
                    }
                }
                for (; c < valid; ++c) { // p >= i0 + 3: distances p - i0 - k
                    const double* wb = w + (vp[c] - i0);
                    const double v = vv[c];
                    sum[0] += v * wb[0];
                    sum[1] += v * wb[-1];
                    sum[2] += v * wb[-2];
                    sum[3] += v * wb[-3];
                }
            } else {
                for (int c = 0; c < valid; ++c)
                    for (int k = 0; k < block; ++k) {
                        const int d = i0 + k - vp[c];
                        sum[k] += vv[c] * w[d < 0 ? -d : d];
                    }
            }
        }
        for (int k = 0; k < block; ++k) {
            const int i = i0 + k;
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
            double v = sum[k];
            if (v < -32768.0) v = -32768.0;
            if (v > FLAGGED_SAMPLE_BASE - 1) v = FLAGGED_SAMPLE_BASE - 1;
            buffer_[i] = static_cast<T>(v);
        }
    }
    return true;
}

template class InterpolationSinc<short>;
