#include "calibration.h"

#include "calibration_test_values.h"
#include "codes.h"
#include "fake_hardware.h"
#include "fixed_point.h"
#include "trevan_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int SENTINEL = 77;

class CalibrationMemoryTest : public ::testing::Test {
protected:
    void SetUp() override { get_error_text(); }
    void TearDown() override { get_error_text(); }

    // Puts 16-bit word `word` of page `page` into the fake's memory, high byte first.
    void poke(int page, int word, int value) {
        const size_t at = static_cast<size_t>(page * 64 + word * 2);
        hw.memory[at] = static_cast<unsigned char>((value >> 8) & 0xFF);
        hw.memory[at + 1] = static_cast<unsigned char>(value & 0xFF);
    }

    FakeHardware hw;
};

bool isGroupCopy(const std::string& name) {
    return name.rfind("amp", 0) == 0 || name.rfind("offsetInterleave", 0) == 0 ||
           name.rfind("offsetNonInterleave", 0) == 0;
}

bool onlyOnWideGenerations(const std::string& name) {
    return name.rfind("offsetAC", 0) == 0 || name == "chipTemperatureCalib" || name == "d_reservedWord" ||
           name.find("New") != std::string::npos;
}

// The index whose value index k of a constant holds after a memory round trip; -1 when the
// memory has no place for it (the target keeps its own value).
int sourceIndex(const std::string& name, int k, int gen) {
    const bool wide = gen >= _HW3;
    if (!wide && onlyOnWideGenerations(name)) return -1;
    if (!wide && isGroupCopy(name)) return k <= 4 ? 0 : k <= 7 ? 5 : 8;
    if (name == "pppRealTime1Ch" || name == "pppRealTime2Ch") return k >= 11 && k <= 25 ? k : -1;
    if (name == "pppETS1Ch" || name == "pppETS2Ch") return k <= 10 ? k : -1;
    return k;
}

TEST_F(CalibrationMemoryTest, WriteThenReadGivesBackEveryConstantTheMemoryHolds) {
    for (int gen = _HW1; gen <= _HW4; ++gen) {
        SCOPED_TRACE("_HW" + std::to_string(gen));
        FakeHardware fake;
        Calibration written;
        fillRandom(written, 1000u + static_cast<unsigned>(gen), gen);
        written.p_hardware = &fake;
        ASSERT_TRUE(written.writeToHardware());

        const int pages = gen <= _HW2 ? 8 : 15;
        const std::vector<FakeHardware::Call> writes = fake.callsNamed("writeMemoryBlock");
        ASSERT_EQ(static_cast<int>(writes.size()), pages);
        for (int p = 0; p < pages; ++p) {
            EXPECT_EQ(writes[static_cast<size_t>(p)].addr, 0x1C00 + 64 * p);
            EXPECT_EQ(writes[static_cast<size_t>(p)].bytes.size(), 64u);
            EXPECT_EQ(writes[static_cast<size_t>(p)].timeOut, 500);
        }

        Calibration read;
        fillSentinel(read, SENTINEL);
        read.p_hardware = &fake;
        ASSERT_TRUE(read.readFromHardware());
        EXPECT_EQ(fake.count("readMemoryBlock"), pages);
        EXPECT_EQ(read.HardwareVersion, gen);
        EXPECT_EQ(read.d_calibrationVersion, 1);

        std::vector<CalibrationArray> a = calibrationArrays(written);
        std::vector<CalibrationArray> b = calibrationArrays(read);
        for (size_t i = 0; i < a.size(); ++i) {
            for (int k = 0; k < a[i].count; ++k) {
                SCOPED_TRACE(a[i].name + "[" + std::to_string(k) + "]");
                int from = sourceIndex(a[i].name, k, gen);
                if (gen >= _HW3 && a[i].name.find("offsetADC2Ch") == 0 && a[i].name.find("New") != std::string::npos &&
                    k == 0) {
                    // No place in the memory: converter 2's single offset stands in.
                    EXPECT_EQ(b[i].integers[0], a[i].name.find("Ch1") != std::string::npos ? written.offsetADC2Ch1
                                                                                           : written.offsetADC2Ch2);
                    continue;
                }
                if (from < 0) {
                    if (b[i].factors)
                        EXPECT_EQ(b[i].factors[k], SENTINEL);
                    else
                        EXPECT_EQ(b[i].integers[k], SENTINEL);
                    continue;
                }
                if (b[i].factors) {
                    const bool fixed4 =
                        a[i].form == CalibrationArray::Fixed4 || (a[i].form == CalibrationArray::Adc && gen <= _HW2);
                    EXPECT_NEAR(b[i].factors[k], a[i].factors[from], fixed4 ? 0.0001 + 1e-6 : 0.001 + 1e-5);
                } else {
                    EXPECT_EQ(b[i].integers[k], a[i].integers[from]);
                }
            }
        }
        if (gen >= _HW3) {
            for (int k = 0; k < 15; ++k) EXPECT_EQ(read.d_reservedFactor[k], written.d_reservedFactor[k]);
        }

        // The free encode/decode pair sees the same bytes as the transfer.
        const std::vector<unsigned char> image = packCalibrationMemory(written);
        ASSERT_EQ(image.size(), static_cast<size_t>(pages * 64));
        EXPECT_TRUE(std::equal(image.begin(), image.end(), fake.memory.begin()));
    }
}

TEST_F(CalibrationMemoryTest, WordsAreBigEndianAtTheirPlaces) {
    Calibration c;
    fillSentinel(c, 0);
    c.HardwareVersion = _HW3;
    c.ampACCh1[0] = 1.5f;               // page 0x000 word 0, Fixed3
    c.nonlinearConstCh2[2] = -0.75f;    // page 0x000 word 17, Fixed4
    c.triggerCh1[0] = -2;               // page 0x000 word 20
    c.ETSMax = 0x1234;                  // page 0x080 word 31
    c.offsetTriggerHighFrequency = 300; // page 0x1C0 word 29
    c.nonlinearConstADC2Ch2[0] = 1.0f;  // page 0x1C0 word 18, Fixed3 from _HW3 on
    c.ampACCh2[10] = 1.0f;              // page 0x280 word 21
    c.chipTemperatureCalib = -300;      // page 0x380 word 1
    c.offsetACADC2Ch2 = 7;              // page 0x2C0 word 14, after Ch1's word 13
    const std::vector<unsigned char> m = packCalibrationMemory(c);
    auto word = [&](int page, int w) {
        return (m[static_cast<size_t>(page * 64 + w * 2)] << 8) | m[static_cast<size_t>(page * 64 + w * 2 + 1)];
    };
    EXPECT_EQ(word(0, 0), 0x85F4);
    EXPECT_EQ(word(0, 17), 0x1D4C);
    EXPECT_EQ(word(0, 20), 0xFFFE);
    EXPECT_EQ(word(2, 31), 0x1234);
    EXPECT_EQ(word(7, 2), 3);
    EXPECT_EQ(word(7, 29), 300);
    EXPECT_EQ(word(7, 18), 0x8400);
    EXPECT_EQ(word(10, 21), 0x8400);
    EXPECT_EQ(word(14, 1), 0xFED4);
    EXPECT_EQ(word(11, 13), 0);
    EXPECT_EQ(word(11, 14), 7);
    EXPECT_EQ(word(7, 30), 0xFFFF); // a word without a constant
    c.HardwareVersion = _HW2;
    c.nonlinearConstADC2Ch2[0] = 1.0f;
    EXPECT_EQ(packCalibrationMemory(c).size(), 512u);
    EXPECT_EQ((packCalibrationMemory(c)[7 * 64 + 36] << 8) | packCalibrationMemory(c)[7 * 64 + 37],
              0xC000); // Fixed4 1.0
}

TEST_F(CalibrationMemoryTest, ErasedMemoryReadsAsGenerationOne) {
    Calibration c;
    c.p_hardware = &hw;
    ASSERT_TRUE(c.readFromHardware());
    EXPECT_EQ(hw.count("readMemoryBlock"), 8);
    EXPECT_EQ(c.HardwareVersion, _HW1);
    EXPECT_EQ(c.d_calibrationVersion, 1);
    EXPECT_EQ(c.d_firmwareVersion, 1);
    EXPECT_NEAR(c.ampDCCh2[9], 16.023, 1e-5);
    EXPECT_NEAR(c.nonlinearConstCh1[1], 2.6383, 1e-5);
    EXPECT_NEAR(c.nonlinearConstADC1Ch2[2], 2.6383, 1e-5); // Fixed4 on generation 1
    EXPECT_EQ(c.triggerCh2[10], -1);
    EXPECT_EQ(c.ETSHistogram[127], -1);
    EXPECT_EQ(c.offsetInterleaveCh2[10], -1);

    // Written back (16.023 and 2.6383 saturate to 15.999 and 1.9999) and read again, the
    // memory writes the same bytes however often: no factor sinks a step per write.
    std::vector<unsigned char> image = packCalibrationMemory(c);
    image[12 * 2 + 2] = 0x40, image[12 * 2 + 3] = 0x64; // nonlinearConstCh1[1]: Fixed4 -1.01
    for (int write = 0; write < 3; ++write) {
        std::vector<unsigned char> full = image;
        full.resize(CALIBRATION_MEMORY_BYTES, 0xFF);
        Calibration again;
        ASSERT_TRUE(unpackCalibrationMemory(again, full.data(), full.size()));
        EXPECT_EQ(packCalibrationMemory(again), image) << "write " << write;
    }
    EXPECT_EQ(image[12 * 2], 0xE7); // nonlinearConstCh1[0]: 1.9999
    EXPECT_EQ(image[12 * 2 + 1], 0x0F);

    // The reserved factors of generations 3 and 4 go back as they came, fraction and all.
    Calibration wide;
    wide.HardwareVersion = _HW3;
    std::vector<unsigned char> page14 = packCalibrationMemory(wide);
    ASSERT_EQ(page14.size(), 960u);
    page14[14 * 64 + 34] = 0xBF, page14[14 * 64 + 35] = 0xE7; // 15.999
    Calibration back;
    ASSERT_TRUE(unpackCalibrationMemory(back, page14.data(), page14.size()));
    EXPECT_EQ(packCalibrationMemory(back), page14);
}

TEST_F(CalibrationMemoryTest, HardwareVersionIsAlwaysOneToFour) {
    struct Case {
        int word2;       // page 0x1C0 word 2
        int page380Word; // page 0x380 word 0, read only from generation 3 on
        int expected;
        int pagesRead;
    };
    const Case cases[] = {
        {-1, 0, _HW1, 8}, {0, 0, _HW1, 8},  {-5, 0, _HW1, 8},  {1, 4, _HW1, 8},    {2, 0, _HW2, 8},
        {3, 0, _HW3, 15}, {4, 0, _HW4, 15}, {5, 0, _HW3, 15},  {300, 0, _HW3, 15}, {3, 4, _HW4, 15},
        {3, 5, _HW3, 15}, {3, 2, _HW3, 15}, {3, -1, _HW3, 15}, {5, 4, _HW4, 15},
    };
    for (const Case& k : cases) {
        FakeHardware fake;
        const size_t at2 = 7 * 64 + 4, at380 = 14 * 64;
        fake.memory[at2] = static_cast<unsigned char>((k.word2 >> 8) & 0xFF);
        fake.memory[at2 + 1] = static_cast<unsigned char>(k.word2 & 0xFF);
        fake.memory[at380] = static_cast<unsigned char>((k.page380Word >> 8) & 0xFF);
        fake.memory[at380 + 1] = static_cast<unsigned char>(k.page380Word & 0xFF);
        Calibration c;
        c.p_hardware = &fake;
        ASSERT_TRUE(c.readFromHardware());
        EXPECT_EQ(c.HardwareVersion, k.expected) << k.word2 << " / " << k.page380Word;
        EXPECT_EQ(fake.count("readMemoryBlock"), k.pagesRead) << k.word2;
    }
}

TEST_F(CalibrationMemoryTest, FormatTwoHeaderGivesNeutralConstants) {
    hw.memory[0] = 0xAA;
    hw.memory[1] = 0x55;
    hw.memory[3] = 3;
    hw.memory[4] = 7;
    poke(7, 2, 4); // a format-1 generation word is not consulted
    Calibration c;
    fillSentinel(c, SENTINEL);
    c.p_hardware = &hw;
    ASSERT_TRUE(c.readFromHardware());
    EXPECT_EQ(hw.count("readMemoryBlock"), 8);
    EXPECT_EQ(c.d_calibrationVersion, 2);
    EXPECT_EQ(c.HardwareVersion, _HW3);
    EXPECT_EQ(c.d_firmwareVersion, 7);
    EXPECT_EQ(c.ampACCh2[4], 1.0f);
    EXPECT_EQ(c.nonlinearConstADC2Ch1[0], 0.0f);
    EXPECT_EQ(c.nonlinearConstADC2Ch1[1], 1.0f);
    EXPECT_EQ(c.nonlinearConstCh2[2], 0.0f);
    EXPECT_EQ(c.offsetACNonInterleaveCh2[3], 0);
    EXPECT_EQ(c.offsetADC2Ch1, 0);
    EXPECT_EQ(c.triggerCh1[3], 0);
    EXPECT_EQ(c.ETSMin, 0);
    EXPECT_EQ(c.ETSMax, 127);
    // The neutral constants give back every code.
    c.d_adcLevels = 1024;
    for (int code : {0, 1, 511, 1023}) EXPECT_EQ(c.correctCode(2, code, true, _CH1_ON_CH2_OFF), code);

    // A header of generation 0 is taken as 1; generation 200 as 3.
    hw.memory[3] = 0;
    ASSERT_TRUE(c.readFromHardware());
    EXPECT_EQ(c.HardwareVersion, _HW1);
    hw.memory[3] = 200;
    ASSERT_TRUE(c.readFromHardware());
    EXPECT_EQ(c.HardwareVersion, _HW3);
}

// A factor whose word is the other format's mark is written one step lower: the memory must
// not read back as that format and lose every constant.
TEST_F(CalibrationMemoryTest, FactorThatEncodesAsTheHeaderStaysFormatOne) {
    Calibration c;
    fillSentinel(c, 1);
    c.ampACCh1[0] = 10.597f;
    ASSERT_EQ(encodeFixed3(c.ampACCh1[0]), 0xAA55);
    c.p_hardware = &hw;
    ASSERT_TRUE(c.writeToHardware());
    Calibration back;
    back.p_hardware = &hw;
    ASSERT_TRUE(back.readFromHardware());
    EXPECT_EQ(back.d_calibrationVersion, 1);
    EXPECT_NEAR(back.ampACCh1[0], 10.596, 1e-6);
}

TEST_F(CalibrationMemoryTest, FailedReadAtAnyPageChangesNothing) {
    // Pages of a generation-3 memory, the second pass included.
    for (int failing : {1, 2, 8, 9, 15}) {
        FakeHardware fake;
        Calibration source;
        fillRandom(source, 7u, _HW3);
        source.p_hardware = &fake;
        ASSERT_TRUE(source.writeToHardware());
        // For good: the page is asked twice, then nothing more.
        fake.failCall("readMemoryBlock", failing, true);

        Calibration c;
        fillSentinel(c, SENTINEL);
        c.d_calibrationVersion = 5;
        c.p_hardware = &fake;
        EXPECT_FALSE(c.readFromHardware()) << failing;
        EXPECT_EQ(fake.count("readMemoryBlock"), failing + 1);
        EXPECT_STREQ(get_error_text(), "Error : Can't read calibration data from hardware\n");
        EXPECT_EQ(c.ampACCh1[0], SENTINEL);
        EXPECT_EQ(c.ETSHistogram[0], SENTINEL);
        EXPECT_EQ(c.HardwareVersion, _HW2);
        EXPECT_EQ(c.d_calibrationVersion, 5);
        EXPECT_EQ(c.offsetACNonInterleaveCh2[10], SENTINEL);
    }
}

// One page that did not come is asked again, and the memory reads whole.
TEST_F(CalibrationMemoryTest, APageThatFailsOnceIsReadAgain) {
    for (int failing : {1, 9, 15}) {
        FakeHardware fake;
        Calibration source;
        fillRandom(source, 7u, _HW3);
        source.p_hardware = &fake;
        ASSERT_TRUE(source.writeToHardware());
        fake.failCall("readMemoryBlock", failing);
        Calibration c;
        c.p_hardware = &fake;
        EXPECT_TRUE(c.readFromHardware()) << failing;
        EXPECT_EQ(fake.count("readMemoryBlock"), 16);
        EXPECT_STREQ(get_error_text(), "");
        fake.clearFailures();
        Calibration clean;
        clean.p_hardware = &fake;
        ASSERT_TRUE(clean.readFromHardware());
        EXPECT_EQ(packCalibrationMemory(c), packCalibrationMemory(clean));
        EXPECT_EQ(c.HardwareVersion, _HW3);
    }
}

TEST_F(CalibrationMemoryTest, FailedWriteStopsAtThePageAndKeepsThoseBefore) {
    for (int gen : {_HW2, _HW4}) {
        const int pages = gen == _HW2 ? 8 : 15;
        for (int failing : {1, 3, pages}) {
            FakeHardware fake;
            const std::array<unsigned char, 960> before = fake.memory;
            Calibration c;
            fillRandom(c, 99u, gen);
            c.p_hardware = &fake;
            fake.failCall("writeMemoryBlock", failing);
            EXPECT_FALSE(c.writeToHardware());
            EXPECT_STREQ(get_error_text(), "Error : Can't write calibration data to hardware\n");
            EXPECT_EQ(fake.count("writeMemoryBlock"), failing); // nothing after the failure
            const std::vector<unsigned char> image = packCalibrationMemory(c);
            const size_t written = static_cast<size_t>(failing - 1) * 64;
            EXPECT_TRUE(std::equal(image.begin(), image.begin() + static_cast<long>(written), fake.memory.begin()));
            EXPECT_TRUE(std::equal(before.begin() + static_cast<long>(written), before.end(),
                                   fake.memory.begin() + static_cast<long>(written)));
        }
    }
}

TEST_F(CalibrationMemoryTest, ShortImageIsRefused) {
    Calibration c;
    fillSentinel(c, SENTINEL);
    c.HardwareVersion = _HW4;
    const std::vector<unsigned char> image = packCalibrationMemory(c);
    ASSERT_EQ(calibrationMemoryLengthNeeded(image.data()), 960u);
    Calibration target;
    fillSentinel(target, 5);
    EXPECT_FALSE(unpackCalibrationMemory(target, image.data(), 512));
    EXPECT_EQ(target.ampACCh1[0], 5.0f);
    EXPECT_EQ(target.HardwareVersion, _HW2);
    EXPECT_TRUE(unpackCalibrationMemory(target, image.data(), image.size()));
    EXPECT_EQ(target.HardwareVersion, _HW4);
}

TEST_F(CalibrationMemoryTest, InitReadsTheMemoryAndBuildsTablesForItsConverter) {
    poke(7, 2, 3);
    for (int w = 9; w <= 20; ++w) poke(7, w, 0x8400); // all converter polynomials 1.0
    for (int w = 12; w <= 17; ++w) poke(0, w, 0xC000);
    Calibration c;
    ASSERT_TRUE(c.init(&hw, "calibration.ini", false, _CH1_ON_CH2_OFF));
    EXPECT_TRUE(c.d_fromHardware);
    EXPECT_EQ(c.d_path, "calibration.ini");
    EXPECT_EQ(c.d_adcLevels, 1024);
    EXPECT_EQ(c.d_codeTable1[0], 0);
    EXPECT_EQ(c.d_codeTable1[1023], 1023);
    EXPECT_EQ(c.d_codeTable2[1024], EMPTY_SAMPLE);
    EXPECT_EQ(c.d_codeTable1[4095], EMPTY_SAMPLE);

    FakeHardware failing;
    failing.failCall("readMemoryBlock", 1, true);
    Calibration d;
    EXPECT_FALSE(d.init(&failing, "calibration.ini", false, 0));
    EXPECT_EQ(error_count(), 1);
}

} // namespace
