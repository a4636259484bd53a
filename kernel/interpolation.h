#pragma once
// Completion of a 16-bit record in place from its "real" samples.
//
// Real sample k (k = 0, 1, 2, ...) sits at position trunc(start + k x interval), truncation
// toward zero; every other position of the array is computed from the real ones. Positions
// below 0 or at/after the array's end are not part of the array and are skipped.
//
// Raw-sample rules apply to the values: 4096 (EMPTY_SAMPLE) marks a real sample that was
// never delivered. It is never used as data: a computed position next to an empty real
// sample stays empty (4096), and so does every position when no real sample holds data.

template <typename T>
class Interpolation {
public:
    // Sets the array size (elements), the position of the first real sample and the distance
    // between real samples. false when the object cannot take them.
    virtual bool init(int bufferSize_, double start_, double interval_) = 0;
    // Fills the non-real positions of buffer_ (d_bufferSize elements). false when the
    // geometry cannot be interpolated; the array is then left untouched.
    virtual bool interpolate(T* buffer_) = 0;
    virtual ~Interpolation() = default;

    int bufferSize() const { return d_bufferSize; }
    double start() const { return d_start; }
    double interval() const { return d_interval; }

protected:
    int d_bufferSize = 0;
    double d_start = 0.0;
    double d_interval = 0.0;
};
