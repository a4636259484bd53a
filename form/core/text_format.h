#pragma once
// Number texts of the program's read-outs and text files, always in the C locale (the C
// library's printf follows the user's locale once Qt has started).

#include <string>

// printf("%<width>.<precision>f"): fixed notation, padded with blanks on the left to `width`.
std::string formatFixed(double value, int width, int precision);

// The general format of the read-outs: `precision` significant digits, trailing zeros and a
// trailing decimal point dropped. Fixed notation while the value has at most `precision`
// digits before the point and is at least 1e-4 in size, else d.dddE<exp> with the exponent
// written with at least `exponentDigits` digits and a sign only when negative
// (12345 -> "1.235E04", 0.00001 -> "1E-05"). 0 -> "0"; NaN -> "NAN", infinities "INF"/"-INF".
std::string formatGeneral(double value, int precision, int exponentDigits);
