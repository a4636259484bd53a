#include "reference_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

ReferenceFile sample() {
    ReferenceFile f;
    f.timeDiv = 17;
    f.voltageDiv = 5;
    f.offsetRow = 100.0;
    f.horizontalPosition = -2.5;
    f.coupling = 1;
    f.channel = 2;
    f.samples = {0x0102, 4096, 4095, 20480 + 7};
    return f;
}

TEST(ReferenceFile, PacksEveryFieldAtItsOffsetLittleEndian) {
    const std::string expected = bytes({
        0x04, 0x00, 0x00, 0x00,                         // N = 4
        0x11, 0x00,                                     // time/div 17
        0x05, 0x00,                                     // volt/div 5
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x59, 0x40, // 100.0
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0xC0, // -2.5
        0x01, 0x00,                                     // DC
        '2',  0x00,                                     // channel text
        0x00, 0x00,                                     // unused
        0x02, 0x01, 0x00, 0x10, 0xFF, 0x0F, 0x07, 0x50, // samples
    });
    EXPECT_EQ(packReferenceFile(sample()), expected);
}

TEST(ReferenceFile, RoundTrip) {
    ReferenceFile read;
    ASSERT_EQ(unpackReferenceFile(packReferenceFile(sample()), read), ReferenceFileError::None);
    const ReferenceFile f = sample();
    EXPECT_EQ(read.timeDiv, f.timeDiv);
    EXPECT_EQ(read.voltageDiv, f.voltageDiv);
    EXPECT_EQ(read.offsetRow, f.offsetRow);
    EXPECT_EQ(read.horizontalPosition, f.horizontalPosition);
    EXPECT_EQ(read.coupling, f.coupling);
    EXPECT_EQ(read.channel, f.channel);
    EXPECT_EQ(read.samples, f.samples);
}

void putDouble(std::string& s, int at, double v) { std::memcpy(s.data() + at, &v, 8); } // test host is little-endian

TEST(ReferenceFile, RefusesBadFilesAndKeepsTheOutput) {
    using E = ReferenceFileError;
    const std::string good = packReferenceFile(sample());
    struct Case {
        const char* what;
        std::string file;
        E error;
    };
    auto with = [&](int at, std::initializer_list<int> values) {
        std::string s = good;
        int i = at;
        for (int v : values) s[i++] = static_cast<char>(v);
        return s;
    };
    auto withDouble = [&](int at, double v) {
        std::string s = good;
        putDouble(s, at, v);
        return s;
    };
    const std::string sixBytes = good.substr(0, 6); // what a channel that was off used to leave
    std::string huge = good;
    huge[0] = 0x21, huge[1] = static_cast<char>(0xA1), huge[2] = 0x07, huge[3] = 0x00; // 500001
    const Case cases[] = {
        {"empty", "", E::TooShort},
        {"count and time/div only", sixBytes, E::TooShort},
        {"header only", good.substr(0, 30), E::WrongSize},
        {"one sample missing", good.substr(0, good.size() - 2), E::WrongSize},
        {"one byte too many", good + '\0', E::WrongSize},
        {"count 0", with(0, {0, 0, 0, 0}), E::BadCount},
        {"count negative", with(0, {0xFF, 0xFF, 0xFF, 0xFF}), E::BadCount},
        {"count above 500000", huge, E::BadCount},
        {"time/div 33", with(4, {33, 0}), E::BadTimeDiv},
        {"time/div -1", with(4, {0xFF, 0xFF}), E::BadTimeDiv},
        {"volt/div 11", with(6, {11, 0}), E::BadVoltDiv},
        {"offset NaN", withDouble(8, std::nan("")), E::BadOffset},
        {"offset above 400", withDouble(8, 400.5), E::BadOffset},
        {"offset below 0", withDouble(8, -1), E::BadOffset},
        {"position infinite", withDouble(16, HUGE_VAL), E::BadPosition},
        {"position far off", withDouble(16, 1e9), E::BadPosition},
        {"coupling 3", with(24, {3, 0}), E::BadCoupling},
        {"channel 3", with(26, {'3', 0}), E::BadChannel},
        {"channel without its zero", with(26, {'1', '2'}), E::BadChannel},
        {"channel as a number", with(26, {1, 0}), E::BadChannel},
        {"negative sample", with(30, {0xFF, 0xFF}), E::BadSample},
        {"sample between empty and flagged", with(32, {0x01, 0x10}), E::BadSample},
        {"flagged sample past the codes", with(36, {0x00, 0x60}), E::BadSample},
    };
    for (const Case& c : cases) {
        ReferenceFile out = sample();
        out.timeDiv = 3;
        EXPECT_EQ(unpackReferenceFile(c.file, out), c.error) << c.what;
        EXPECT_EQ(out.timeDiv, 3) << c.what;
        EXPECT_EQ(out.samples, sample().samples) << c.what;
    }
}

TEST(ReferenceFile, LimitsThatStillLoad) {
    ReferenceFile f = sample();
    f.offsetRow = 400.0;
    f.horizontalPosition = -32768;
    f.timeDiv = 32;
    f.voltageDiv = 0;
    f.coupling = 2;
    f.samples = {0, 4096, 20480, 20480 + 4095};
    ReferenceFile read;
    EXPECT_EQ(unpackReferenceFile(packReferenceFile(f), read), ReferenceFileError::None);
    EXPECT_EQ(read.samples, f.samples);
}

} // namespace
