#pragma once
// Hand-built sample buffers for the acquisition tests, written from the word format:
// bit 7 half marker (1 in the byte with value bits 11-6), bit 6 channel bit, bits 5-0 value.

#include <cstddef>
#include <string>
#include <vector>

#include "trevan_error.h"

namespace sample_words {

// The two bytes of a word; hiFirst puts the byte with the upper six bits first.
inline void put(std::vector<unsigned char>& out, std::size_t at, int value, int channelBit, bool hiFirst = true) {
    const unsigned char hi = static_cast<unsigned char>(0x80 | (channelBit << 6) | ((value >> 6) & 0x3F));
    const unsigned char lo = static_cast<unsigned char>((channelBit << 6) | (value & 0x3F));
    if (out.size() < at + 2) out.resize(at + 2, 0);
    out[at] = hiFirst ? hi : lo;
    out[at + 1] = hiFirst ? lo : hi;
}

// A buffer of `bytes` bytes whose header holds the status twice.
inline std::vector<unsigned char> withStatus(std::size_t bytes, int status) {
    std::vector<unsigned char> out(bytes, 0);
    put(out, 0, status, 0);
    put(out, 2, status, 0);
    return out;
}

// The error stack as "Error : <message>" lines, newest first, for codes given oldest first.
inline std::string errorLines(std::initializer_list<int> codes) {
    std::string text;
    for (int code : codes) text = std::string("Error : ") + error_message(code) + "\n" + text;
    return text;
}

} // namespace sample_words
