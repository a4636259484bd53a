// Intel HEX files: the layouts the loader accepts and the damage it refuses.

#include "intel_hex.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

// One record with a correct checksum.
std::string record(unsigned address, unsigned type, const std::vector<unsigned char>& data) {
    unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFF) + type;
    char head[16];
    std::snprintf(head, sizeof head, ":%02X%04X%02X", static_cast<unsigned>(data.size()), address, type);
    std::string line = head;
    for (unsigned char b : data) {
        char byte[3];
        std::snprintf(byte, sizeof byte, "%02X", b);
        line += byte;
        sum += b;
    }
    char checksum[3];
    std::snprintf(checksum, sizeof checksum, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + checksum + "\n";
}

std::vector<unsigned char> bytes(size_t n, unsigned char first = 0) {
    std::vector<unsigned char> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(first + i);
    return v;
}

const std::string kEnd = ":00000001FF\n";

std::vector<std::pair<unsigned, unsigned>> segmentsOf(const HexImage& image) {
    std::vector<std::pair<unsigned, unsigned>> out;
    for (const HexSegment& s : image.d_segments) out.emplace_back(s.address, s.length);
    return out;
}

struct GoodCase {
    const char* name;
    std::string text;
    int bytes;
    std::vector<std::pair<unsigned, unsigned>> segments;
};

TEST(IntelHex, AcceptedFiles) {
    std::string continuous;
    for (unsigned a = 0x100; a < 0x100 + 100; a += 20) continuous += record(a, 0, bytes(20));
    std::string big;
    for (unsigned a = 0x3000; a < 0x3000 + 5000; a += 250) big += record(a, 0, bytes(250));
    const std::vector<GoodCase> cases = {
        {"empty image", kEnd, 0, {}},
        {"one record", record(0x0010, 0, bytes(4)) + kEnd, 4, {{0x10, 4}}},
        {"continuing records make one segment", continuous + kEnd, 100, {{0x100, 100}}},
        {"segments hold at most 4096 bytes", big + kEnd, 5000, {{0x3000, 4000}, {0x3FA0, 1000}}},
        {"a gap starts a segment", record(0, 0, bytes(2)) + record(4, 0, bytes(2)) + kEnd, 4, {{0, 2}, {4, 2}}},
        {"a record crossing 0x2000 is split",
         record(0x1FF8, 0, bytes(16)) + record(0x2008, 0, bytes(8)) + kEnd,
         24,
         {{0x1FF8, 8}, {0x2000, 16}}},
        {"continuing across 0x2000 is split",
         record(0x1FF0, 0, bytes(16)) + record(0x2000, 0, bytes(16)) + kEnd,
         32,
         {{0x1FF0, 16}, {0x2000, 16}}},
        {"one byte at 0xFFFF", record(0xFFFF, 0, {0xAB}) + kEnd, 1, {{0xFFFF, 1}}},
        {"CR LF line ends", ":020000001234B8\r\n:00000001FF\r\n", 2, {{0, 2}}},
        {"extended segment address is applied",
         record(0, 2, {0x01, 0x00}) + record(0x0020, 0, bytes(2)) + kEnd,
         2,
         {{0x1020, 2}}},
        {"extended linear address 0 is accepted",
         record(0, 4, {0, 0}) + record(0x40, 0, bytes(1)) + kEnd,
         1,
         {{0x40, 1}}},
        {"start address records carry nothing", record(0, 3, {0, 0, 0, 0}) + record(0, 5, {0, 0, 0, 0}) + kEnd, 0, {}},
        {"spaced layout from the first blank on",
         record(0, 0, {0x11}) + ": 02 0010 00 2233 99\n: 00 0000 01 FF\n",
         3,
         {{0, 1}, {0x10, 2}}},
    };
    for (const GoodCase& c : cases) {
        HexImage image;
        std::string messages;
        EXPECT_EQ(LoadHexText(image, c.text, &messages), c.bytes) << c.name << ": " << messages;
        EXPECT_EQ(segmentsOf(image), c.segments) << c.name;
    }
    HexImage image;
    ASSERT_EQ(LoadHexText(image, ":02000000ab1241\n" + kEnd), 2);
    EXPECT_EQ(image.d_data[0], 0xAB);
    EXPECT_EQ(image.d_data[1], 0x12);
}

struct BadCase {
    const char* name;
    std::string text;
    const char* message; // part of the diagnostic text
};

TEST(IntelHex, RefusedFilesLoadNothing) {
    std::string good = record(0x0100, 0, bytes(8));
    std::string badChecksum = good;
    badChecksum[badChecksum.size() - 2] = badChecksum[badChecksum.size() - 2] == '0' ? '1' : '0';
    std::string badDigit = good;
    badDigit[10] = 'G';
    const std::vector<BadCase> cases = {
        {"empty file", "", "no end-of-file record"},
        {"no end record", good, "no end-of-file record"},
        {"line without colon", good + "0000000001FF\n" + kEnd, "no record"},
        {"blank line", good + "\n" + kEnd, "no record"},
        {"bad checksum", badChecksum + kEnd, "bad checksum"},
        {"bad hex digit", badDigit + kEnd, "bad data"},
        {"record shorter than its count", ":0400000001020304\n" + kEnd, "bad record length"},
        {"record longer than its count", ":0200000001020304F6\n" + kEnd, "bad record length"},
        {"data past 0xFFFF", record(0xFFFF, 0, {1, 2}) + kEnd, "address out of range"},
        {"segment base past 0xFFFF", record(0, 2, {0x10, 0x00}) + record(0, 0, {1}) + kEnd, "address out of range"},
        {"linear base above 64 KB", record(0, 4, {0, 1}) + record(0, 0, {1}) + kEnd, "address out of range"},
        {"address record of wrong length", record(0, 4, {0}) + kEnd, "bad address record"},
        {"truncated header", ":02\n" + kEnd, "bad record"},
        {"standard line after the spaced layout", ": 01 0000 00 11 EE\n" + kEnd, "bad record"},
    };
    for (const BadCase& c : cases) {
        HexImage image;
        image.d_data[0x100] = 0x77;
        image.d_segments.push_back({0x100, 1});
        std::string messages;
        EXPECT_EQ(LoadHexText(image, good + c.text, &messages), 0) << c.name;
        EXPECT_NE(messages.find(c.message), std::string::npos) << c.name << ": " << messages;
        // The image is as it was.
        EXPECT_EQ(image.d_data[0x100], 0x77) << c.name;
        EXPECT_EQ(image.d_segments.size(), 1u) << c.name;
    }
}

TEST(IntelHex, MissingFile) {
    TempDir dir;
    HexImage image;
    std::string messages;
    const std::string path = dir.file("none.hex");
    EXPECT_EQ(LoadHexFile(image, path.c_str(), &messages), 0);
    EXPECT_EQ(messages,
              "Can't open " + path + " file.\nPlease make sure that the file exist in the specified location\n");
    const std::string written = dir.write("fw.hex", record(0x2000, 0, bytes(3, 9)) + kEnd);
    EXPECT_EQ(LoadHexFile(image, written.c_str()), 3);
    EXPECT_TRUE(image.hasExternalSegments());
    EXPECT_EQ(image.d_data[0x2002], 11);
}

TEST(IntelHex, FileAboveTheCapIsRefusedUnread) {
    TempDir dir;
    // A valid file grown past the cap: only its size is wrong.
    const std::string path = dir.write("big.hex", record(0x100, 0, bytes(3, 1)) + kEnd);
    std::filesystem::resize_file(path, HexImage::MAX_FILE_SIZE + 1);
    HexImage image;
    std::string messages;
    EXPECT_EQ(LoadHexFile(image, path.c_str(), &messages), 0);
    EXPECT_EQ(messages, "Error loading file: " + path + " is larger than 16 MB\n");
    EXPECT_TRUE(image.d_segments.empty());
}

} // namespace
