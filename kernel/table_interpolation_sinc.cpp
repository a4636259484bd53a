#include "table_interpolation_sinc.h"

#include "trevan_error.h"

#include <cassert>
#include <cmath>
#include <new>

namespace {
constexpr double kPi = 3.141592653589793;
}

template <typename T>
TableInterpolationSinc<T>::TableInterpolationSinc(int tableSize_, double interval_) {
    if (tableSize_ != 0 && interval_ != 0.0 && !init(tableSize_, interval_)) throw std::bad_alloc();
}

template <typename T>
bool TableInterpolationSinc<T>::init(int tableSize_, double interval_) {
    assert(tableSize_ > 0 && "tableSize_ > 0");
    assert(interval_ > 0 && "interval_ > 0");
    if (tableSize_ <= 0 || !(interval_ > 0)) return false;
    const float interval = static_cast<float>(interval_);
    if (!p_coefficient.empty() && d_tableSize == tableSize_ && d_interval == interval) return true;
    if (d_tableSize != tableSize_ || p_coefficient.empty()) {
        try {
            std::vector<double>(static_cast<size_t>(tableSize_)).swap(p_coefficient);
        } catch (const std::bad_alloc&) {
            p_coefficient.clear();
            d_tableSize = 0;
            push_error(_ERR_MEMORY, "kernel\\table_interpolation_sinc", 51);
            return false;
        }
    }
    d_tableSize = tableSize_;
    d_interval = interval;
    const double w = kPi / static_cast<double>(interval);
    p_coefficient[0] = 1.0;
    for (int k = 1; k < tableSize_; ++k) {
        const double x = k * w;
        p_coefficient[static_cast<size_t>(k)] = std::sin(x) / x;
    }
    return true;
}

template class TableInterpolationSinc<short>;
