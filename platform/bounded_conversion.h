#pragma once
// Float-to-integer conversion for values that come from outside (files, the instrument,
// typed text). A cast of a value outside the target's range, or of NaN, is undefined
// behaviour; these clamp first, so the worst input gives the nearest end of the range.

#include <algorithm>
#include <cmath>
#include <limits>

// Truncated toward zero into [low, high]; NaN gives `nanValue`.
template <class I>
inline I boundedTruncation(double v, I low, I high, I nanValue) {
    if (std::isnan(v)) return nanValue;
    return static_cast<I>(std::clamp(std::trunc(v), static_cast<double>(low), static_cast<double>(high)));
}

// Rounded half away from zero into [low, high]; NaN gives `nanValue`.
template <class I>
inline I boundedRounding(double v, I low, I high, I nanValue) {
    if (std::isnan(v)) return nanValue;
    return static_cast<I>(std::clamp(std::round(v), static_cast<double>(low), static_cast<double>(high)));
}

// The common case: an int that any later arithmetic on it cannot overflow.
inline int boundedInt(double v) { return boundedTruncation<int>(v, -1000000000, 1000000000, 0); }
