#pragma once
// Names and value texts of the measurement window's read-out and CSV file. Plain C++.

#include "measure.h"

#include <array>
#include <string>
#include <string_view>

// Long names for the labels, short names for the CSV file, in measurement_slot order.
extern const std::array<std::string_view, kMeasureSlots> measureLongNames;
extern const std::array<std::string_view, kMeasureSlots> measureShortNames;

// The value of a slot in the general format (4 significant digits, 2 exponent digits) with
// its unit appended without a blank: KV/V/mV by abs(v) for slots 0..14, s/ms/us/ns for 15..19
// (nothing at all below 1 ns, 0 included), MHz/KHz/Hz for 20, % for 21 and 22.
// Example: 1234 in slot 20 reads "1.234KHz". An unknown slot gives an empty text.
std::string formatMeasureValue(double v, int slot);
// The same with a comma before the unit ("1.234,KHz"), for the CSV file.
std::string formatMeasureCsvValue(double v, int slot);
