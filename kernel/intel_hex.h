#pragma once
// Intel HEX firmware files, read into a 64 KB image of the controller's memory and a list
// of segments to write. The file is untrusted: every record's length, hex digits and
// checksum are checked, extended address records (types 2 and 4) are applied, data past
// 0xFFFF is refused, and a bad file loads nothing. Lines may end in LF or CR LF. A line
// with a blank after ':' switches to the spaced layout (": CC AAAA TT DD..CC") for the
// rest of the file.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct HexSegment {
    std::uint32_t address = 0; // 0x0000..0xFFFF
    std::uint32_t length = 0;  // 1..MAX_SEGMENT bytes
};

class HexImage {
public:
    static constexpr std::uint32_t SIZE = 0x10000;
    static constexpr std::uint32_t MAX_SEGMENT = 4096;
    // Controller RAM below this is written by its own load request; above, by the loader.
    // No segment crosses it.
    static constexpr std::uint32_t EXTERNAL_MEMORY = 0x2000;
    // A full 64 KB image in HEX text is under 200 KB; a larger file is refused unread.
    static constexpr std::size_t MAX_FILE_SIZE = 16u << 20;

    std::array<unsigned char, SIZE> d_data{};
    std::vector<HexSegment> d_segments;

    const unsigned char* segmentData(const HexSegment& segment) const { return d_data.data() + segment.address; }
    bool hasExternalSegments() const;
};

// Reads the file: the number of data bytes, or 0 on failure (the image unchanged).
// Diagnostic text for failures is appended to *messages when given; *reason, when given,
// gets the failure in a few words for the user ("No such file or directory", "bad checksum
// in line 6").
int LoadHexFile(HexImage& image, const char* path, std::string* messages = nullptr, std::string* reason = nullptr);
// The same for the text of a file.
int LoadHexText(HexImage& image, std::string_view text, std::string* messages = nullptr);
