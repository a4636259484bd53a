#pragma once
// What the register view shows, without a widget: the register names of a hardware
// generation and the three texts of a byte. The image and the read-back come from the kernel.

#include <array>
#include <optional>
#include <string>
#include <vector>

// Rows 1.. of the view: the register image (from register 1) beside the block read back from
// the instrument.
struct RegisterViewRow {
    std::string name;
    std::optional<unsigned char> image;    // rows up to "DC"
    std::optional<unsigned char> readBack; // rows up to "SR" when the read-back arrived
};

// The names by rows from 1: "SC" ... "DD2-Volt"; "PP4" and "VC" only on generations 3 and 4.
std::vector<std::string> registerViewNames(int generation);

// The rows of the view. `image` holds the register image from register 1 (the block order,
// so image byte k belongs to row k); `readBack` holds `readBackCount` bytes in the same order
// (null after a failed read). Read-back byte k goes to row k, up to the "SR" row.
std::vector<RegisterViewRow> registerViewRows(int generation, const unsigned char* image, const unsigned char* readBack,
                                              int readBackCount);

// "%03d", "0x%02x" and the eight binary digits, most significant first.
std::array<std::string, 3> registerCellTexts(unsigned char value);
