#pragma once
// What the calibration targets do with constants that were read: the corrections of a spread
// of codes under every converter arrangement, and the whole tables (8192 corrections each)
// for one input in sixteen, chosen by its bytes. The corrections are what the constants
// reach; the tables alone would take most of each run.

#include "calibration.h"

#include <cstddef>
#include <cstdint>

// A number from the input's bytes, to pick the inputs that get the slower checks.
inline unsigned fuzzInputHash(const std::uint8_t* data, std::size_t size) {
    unsigned hash = 0;
    for (std::size_t i = 0; i < size; ++i) hash = hash * 31 + data[i];
    return hash;
}

inline void correctSomeCodes(Calibration& cal, const std::uint8_t* data, std::size_t size) {
    if (fuzzInputHash(data, size) % 16 == 0) {
        cal.buildTables(false, 3);
        cal.buildTables(true, 1);
        return;
    }
    for (int code = 0; code < cal.d_adcLevels; code += code < 4 || code > cal.d_adcLevels - 4 ? 1 : 61)
        for (int table : {1, 2})
            for (int channels : {1, 2, 3}) {
                cal.correctCode(table, code, false, channels);
                cal.correctCode(table, code, true, channels);
            }
}
