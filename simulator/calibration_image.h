#pragma once
// The instrument's calibration memory: 960 bytes at instrument address 0x1C00, 15 pages of
// 64 bytes, each page 32 words sent high byte first. The simulator writes a realistic
// factory image with its own encoder of the word forms:
//   int     the low 16 bits of an integer
//   Fixed3  bit 15 set for x >= 0, bit 14 for x < 0, bits 13-10 integer part, 9-0 thousandths
//   Fixed4  bit 15 set for x >= 0, bit 14 integer part (0 or 1), bits 13-0 ten-thousandths
// Generations 1 and 2 fill pages 0x000..0x1C0 (the rest stays erased, 0xFF); 3 and 4 all.

#include <array>
#include <cstdint>

class CalibrationImage {
public:
    static constexpr int ADDRESS = 0x1C00;
    static constexpr int SIZE = 960;
    static constexpr int PAGE = 64;

    using Bytes = std::array<unsigned char, SIZE>;

    static std::uint16_t intWord(int value);
    static std::uint16_t fixed3Word(double value);
    static std::uint16_t fixed4Word(double value);

    // The factory image of an instrument of this generation.
    static Bytes factoryImage(int generation);
    // Every byte 0xFF.
    static Bytes erasedImage();
};
