#pragma once
// The two 16-bit fixed-point words that carry factors in the instrument's calibration memory.
//
// Fixed3: bit 15 set for a value >= 0, bit 14 set for a value < 0, bits 13..10 the integer
//         part 0..15, bits 9..0 the thousandths 0..999. Range -15.999 .. 15.999.
// Fixed4: bit 15 set for a value >= 0, bit 14 the integer part 0 or 1, bits 13..0 the
//         ten-thousandths 0..9999. Range -1.9999 .. 1.9999.
//
// Encoding truncates the fraction toward zero and saturates at the largest value of the form
// (a NaN encodes as 0). Decoding negates when bit 15 is clear; it does not check the fields,
// so an erased word 0xFFFF decodes as 16.023 (Fixed3) or 2.6383 (Fixed4).
// Factors are 32-bit floats; encoding takes the float so that, for example, 1.2345f gives
// the ten-thousandths 2345.

#include <cstdint>

std::uint16_t encodeFixed3(float value_);
double decodeFixed3(std::uint16_t word_);
std::uint16_t encodeFixed4(float value_);
double decodeFixed4(std::uint16_t word_);
