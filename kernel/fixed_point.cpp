#include "fixed_point.h"

#include <algorithm>
#include <cmath>

namespace {

struct Magnitude {
    bool negative = false;
    unsigned integer = 0;
    unsigned fraction = 0; // in 1/scale steps, truncated
};

// |value| split into integer part and fraction, saturated at maxInteger + (scale-1)/scale.
Magnitude split(float value, unsigned maxInteger, unsigned scale) {
    if (std::isnan(value)) value = 0.0f;
    const double x = value;
    const double a = std::fabs(x);
    Magnitude m;
    m.negative = x < 0.0;
    if (!(a < maxInteger + 1.0)) {
        m.integer = maxInteger;
        m.fraction = scale - 1;
        return m;
    }
    m.integer = static_cast<unsigned>(a);
    m.fraction = std::min(static_cast<unsigned>((a - m.integer) * scale), scale - 1);
    return m;
}

} // namespace

std::uint16_t encodeFixed3(float value) {
    const Magnitude m = split(value, 15, 1000);
    const unsigned sign = m.negative ? 0x4000u : 0x8000u;
    return static_cast<std::uint16_t>(sign | (m.integer << 10) | m.fraction);
}

double decodeFixed3(std::uint16_t word) {
    const double v = ((word >> 10) & 0x0F) + (word & 0x03FF) * 0.001;
    return (word & 0x8000) ? v : -v;
}

std::uint16_t encodeFixed4(float value) {
    const Magnitude m = split(value, 1, 10000);
    const unsigned sign = m.negative ? 0u : 0x8000u;
    return static_cast<std::uint16_t>(sign | (m.integer << 14) | m.fraction);
}

double decodeFixed4(std::uint16_t word) {
    const double v = ((word >> 14) & 0x01) + (word & 0x3FFF) * 0.0001;
    return (word & 0x8000) ? v : -v;
}
