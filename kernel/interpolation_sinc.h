#pragma once
// sin(x)/x reconstruction of a record from all of its real samples (see interpolation.h).

#include "interpolation.h"
#include "table_interpolation_sinc.h"

#include <memory>
#include <vector>

template <typename T>
class InterpolationSinc : public Interpolation<T> {
public:
    // All zero leaves the object empty; any non-zero argument runs init, and a false result
    // throws std::bad_alloc.
    explicit InterpolationSinc(int bufferSize_ = 0, double start_ = 0.0, double interval_ = 0.0);

    // Requires bufferSize_ > 0 and interval_ > 0. Builds the weight table for this size and
    // interval, or keeps it when both are unchanged. false when the table cannot be made.
    bool init(int bufferSize_, double start_, double interval_) override;

    // Each non-real position receives the sum over the real samples holding data of
    // value x weight(|distance|), truncated toward zero and saturated to -32768..20479 (a
    // result can never pass for a flagged sample). A position whose nearest real sample on
    // either side is empty stays empty (4096). Real positions are never written. false,
    // array untouched, unless 0 < interval < size and trunc(start + interval) < size.
    bool interpolate(T* buffer_) override;

    const TableInterpolationSinc<T>* table() const { return p_table.get(); }

private:
    std::unique_ptr<TableInterpolationSinc<T>> p_table;
    // Working lists of the real samples, sized at init so that interpolating allocates nothing.
    std::vector<int> d_realPosition;
    std::vector<double> d_realValue;
    std::vector<int> d_validPosition;
    std::vector<double> d_validValue;
};
