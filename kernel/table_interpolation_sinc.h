#pragma once
// sin(x)/x weights for the sinc interpolation, one per distance in positions.

#include <cstddef>
#include <vector>

template <typename T>
class TableInterpolationSinc {
public:
    // Builds the table when both arguments are non-zero; a failed build throws
    // std::bad_alloc (the error stack holds the cause).
    explicit TableInterpolationSinc(int tableSize_ = 0, double interval_ = 0.0);
    virtual ~TableInterpolationSinc() = default;

    // Entry 0 is 1.0, entry k is sin(x)/x with x = k x (pi / interval), the interval taken in
    // single precision; no window. A table that already has this size and interval is kept
    // as it is (the transform calls this before every interpolation). false (error 0 on the
    // stack) when the memory cannot be had.
    bool init(int tableSize_, double interval_);

    int size() const { return d_tableSize; }
    float interval() const { return d_interval; }
    // Weight for a distance of k positions; 0 <= k < size().
    double get(int k) const { return p_coefficient[static_cast<std::size_t>(k)]; }
    const double* data() const { return p_coefficient.data(); }

private:
    std::vector<double> p_coefficient;
    int d_tableSize = 0;
    float d_interval = 0.0f;
};
