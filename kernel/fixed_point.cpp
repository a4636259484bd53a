#include "fixed_point.h"

#include <cmath>

std::uint16_t encodeFixed3(float value) {
    if (std::isnan(value)) value = 0.0f;
    const double x = value;
    const double a = std::fabs(x);
    unsigned integer = 15;
    unsigned fraction = 999;
    if (a < 16.0) {
        integer = static_cast<unsigned>(a);
        fraction = static_cast<unsigned>((a - integer) * 1000.0);
        if (fraction > 999) fraction = 999;
    }
    const unsigned sign = x >= 0.0 ? 0x8000u : 0x4000u;
    return static_cast<std::uint16_t>(sign | (integer << 10) | fraction);
}

double decodeFixed3(std::uint16_t word) {
    const double v = ((word >> 10) & 0x0F) + (word & 0x03FF) * 0.001;
    return (word & 0x8000) ? v : -v;
}

std::uint16_t encodeFixed4(float value) {
    if (std::isnan(value)) value = 0.0f;
    const double x = value;
    const double a = std::fabs(x);
    unsigned integer = 1;
    unsigned fraction = 9999;
    if (a < 2.0) {
        integer = static_cast<unsigned>(a);
        fraction = static_cast<unsigned>((a - integer) * 10000.0);
        if (fraction > 9999) fraction = 9999;
    }
    const unsigned sign = x >= 0.0 ? 0x8000u : 0u;
    return static_cast<std::uint16_t>(sign | (integer << 14) | fraction);
}

double decodeFixed4(std::uint16_t word) {
    const double v = ((word >> 14) & 0x01) + (word & 0x3FFF) * 0.0001;
    return (word & 0x8000) ? v : -v;
}
