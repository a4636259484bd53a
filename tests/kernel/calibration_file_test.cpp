#include "calibration.h"

#include "calibration_test_values.h"
#include "codes.h"
#include "temp_dir.h"
#include "trevan_error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

class CalibrationFileTest : public ::testing::Test {
protected:
    void SetUp() override { get_error_text(); }
    void TearDown() override { get_error_text(); }
    TempDir dir;
};

void expectSameConstants(Calibration& a, Calibration& b) {
    std::vector<CalibrationArray> x = calibrationArrays(a), y = calibrationArrays(b);
    for (size_t i = 0; i < x.size(); ++i) {
        if (x[i].name == "d_reservedWord") continue; // not in the file
        for (int k = 0; k < x[i].count; ++k) {
            if (x[i].factors)
                EXPECT_EQ(x[i].factors[k], y[i].factors[k]) << x[i].name << k;
            else
                EXPECT_EQ(x[i].integers[k], y[i].integers[k]) << x[i].name << k;
        }
    }
    EXPECT_EQ(a.HardwareVersion, b.HardwareVersion);
    EXPECT_EQ(a.newHardwareVersion, b.newHardwareVersion);
}

TEST_F(CalibrationFileTest, OnlyTheVersionGivesEveryOtherDefault) {
    Calibration c;
    fillSentinel(c, 77);
    const std::string path = dir.write("calibration.ini", "[ID]\nHardwareVersion=3\n");
    ASSERT_TRUE(c.readIni(path.c_str()));
    EXPECT_EQ(c.HardwareVersion, _HW3);
    EXPECT_EQ(c.ampACCh1[0], 1.0f);
    EXPECT_EQ(c.ampDCCh2[10], 1.0f);
    EXPECT_EQ(c.nonlinearConstADC2Ch2[2], 1.0f);
    EXPECT_EQ(c.offsetACNonInterleaveCh2[10], 1);
    EXPECT_EQ(c.oldOffsetCh2, 1);
    EXPECT_EQ(c.triggerCh1[5], 1);
    EXPECT_EQ(c.pppETS2Ch[32], 1);
    EXPECT_EQ(c.ETSHistogram[127], 1);
    EXPECT_EQ(c.offsetADC2Ch2New[0], 1);
    EXPECT_EQ(c.ETSMin, 0);
    EXPECT_EQ(c.ETSMax, 127);
    EXPECT_EQ(c.ETSOffset, 0);
    EXPECT_EQ(c.ETSHistogramSize, 128);
    EXPECT_EQ(c.offsetTriggerHighFrequency, 0);
    EXPECT_EQ(c.chipTemperatureCalib, 0);
    EXPECT_EQ(c.newHardwareVersion, 0);
    EXPECT_EQ(c.d_reservedWord[0], 77); // the file has no place for these

    ASSERT_TRUE(c.readIni(dir.file("missing.ini").c_str()));
    EXPECT_EQ(c.HardwareVersion, _HW4);
}

TEST_F(CalibrationFileTest, WriteThenReadGivesBackEveryConstant) {
    for (int gen : {_HW1, _HW4}) {
        Calibration written;
        fillRandom(written, 31u + static_cast<unsigned>(gen), gen);
        written.ETSMax = -5;
        const std::string path = dir.file("round.ini");
        ASSERT_TRUE(written.writeIni(path.c_str()));
        Calibration read;
        fillSentinel(read, 3);
        ASSERT_TRUE(read.readIni(path.c_str()));
        expectSameConstants(written, read);
    }
}

TEST_F(CalibrationFileTest, NewFileLayout) {
    Calibration c;
    fillSentinel(c, 2);
    c.ampACCh1[3] = 1.2345f;
    c.ETSMax = 127;
    c.HardwareVersion = _HW3;
    c.offsetADC2Ch1New[0] = -4;
    c.d_path = dir.file("calibration.ini");
    ASSERT_TRUE(c.writeIni());
    const std::string text = TempDir::read(c.d_path);

    std::vector<std::string> sections;
    for (size_t at = text.find('['); at != std::string::npos; at = text.find('[', at + 1))
        sections.push_back(text.substr(at + 1, text.find(']', at) - at - 1));
    EXPECT_EQ(sections, (std::vector<std::string>{"Amplitude", "Trigger", "Offset", "PPP", "ETS", "ID", "Nonlinear",
                                                  "Interleave", "HW3", "HW4"}));
    EXPECT_NE(text.find("ampACCh13=1.23450005054474\n"), std::string::npos);
    EXPECT_NE(text.find("ampACCh10=2\n"), std::string::npos);
    EXPECT_NE(text.find("ETSMax=127\n"), std::string::npos);
    EXPECT_NE(text.find("HardwareVersion=3\n"), std::string::npos);
    EXPECT_NE(text.find("ETSHistogram127=2\n"), std::string::npos);
    // The four per-volt/div converter-2 offsets go index by index, in the first Interleave section.
    EXPECT_NE(text.find("offsetADC2Ch1New0=-4\noffsetADC2Ch2New0=2\noffsetACADC2Ch1New0=2\noffsetACADC2Ch2New0=2\n"
                        "offsetADC2Ch1New1=2\n"),
              std::string::npos);
    EXPECT_LT(text.find("offsetACADC2Ch2New10"), text.find("[HW3]"));
}

TEST_F(CalibrationFileTest, WritingKeepsOtherKeys) {
    const std::string path = dir.write("calibration.ini", "[Mine]\nnote=keep me\n[ID]\nHardwareVersion=1\n");
    Calibration c;
    fillSentinel(c, 4);
    c.HardwareVersion = _HW2;
    ASSERT_TRUE(c.writeIni(path.c_str()));
    const std::string text = TempDir::read(path);
    EXPECT_NE(text.find("[Mine]\nnote=keep me\n"), std::string::npos);
    EXPECT_NE(text.find("HardwareVersion=2\n"), std::string::npos);
}

TEST_F(CalibrationFileTest, BadFileChangesNothingAndSaysSo) {
    const char* bad[] = {
        "[Amplitude]\nampACCh13=abc\n",
        "[ID]\nHardwareVersion=7\n",
        "[ID]\nHardwareVersion=0\n",
        "[Nonlinear]\nnonlinearConstCh10=inf\n",
        "[Amplitude]\nampDCCh20=1e39\n",
        "[ETS]\nETSMax=1e20\n",
        "[PPP]\npppETS1Ch5=1.5\n",
        "[ETS]\nETSMin=nan\n",
        "[HW4]\nchipTemperatureCalib=x1\n",
        // Just beyond int, the ETS window's type.
        "[ETS]\nETSMax=2147483648\n",
        "[ETS]\nETSMin=-2147483648.5\n",
    };
    for (const char* content : bad) {
        Calibration c;
        fillSentinel(c, 9);
        const std::string path = dir.write("bad.ini", std::string("[Offset]\noldOffsetCh1=5\n") + content);
        EXPECT_FALSE(c.readIni(path.c_str())) << content;
        EXPECT_STREQ(get_error_text(), "Error : Format error of Calibration1 format\n") << content;
        EXPECT_EQ(c.oldOffsetCh1, 9) << content;
        EXPECT_EQ(c.ampACCh1[0], 9.0f) << content;
        EXPECT_EQ(c.HardwareVersion, _HW2) << content;
    }
    // A decimal comma written by another program's locale is still a number.
    Calibration c;
    const std::string path = dir.write("comma.ini", "[Amplitude]\nampACCh10=1,5\n");
    ASSERT_TRUE(c.readIni(path.c_str()));
    EXPECT_EQ(c.ampACCh1[0], 1.5f);
}

// A key left blank is a missing key: it takes its default, and the file's other keys count.
TEST_F(CalibrationFileTest, BlankKeysTakeTheirDefaults) {
    const char* blank[] = {"[HW4]\nchipTemperatureCalib=\n", "[Amplitude]\nampACCh10=  \n", "[ETS]\nETSMax=\n",
                           "[ID]\nHardwareVersion=\n"};
    for (const char* content : blank) {
        Calibration c;
        fillSentinel(c, 9);
        const std::string path = dir.write("blank.ini", std::string("[Offset]\noldOffsetCh1=5\n") + content);
        ASSERT_TRUE(c.readIni(path.c_str())) << content << get_error_text();
        EXPECT_EQ(c.oldOffsetCh1, 5) << content;
        EXPECT_EQ(c.chipTemperatureCalib, 0) << content;
        EXPECT_EQ(c.ampACCh1[0], 1.0f) << content;
        EXPECT_EQ(c.ETSMax, 127) << content;
        EXPECT_EQ(c.HardwareVersion, _HW4) << content;
    }
}

TEST_F(CalibrationFileTest, UnwritableFileFailsAndDestructionWritesNothing) {
    Calibration c;
    fillSentinel(c, 1);
    EXPECT_FALSE(c.writeIni(dir.file("no/such/folder/calibration.ini").c_str()));
    EXPECT_STREQ(get_error_text(), "Error : Can't create temporaty file - Win32 Error\n");
    {
        Calibration quiet;
        quiet.d_path = dir.file("teardown.ini");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("teardown.ini")));
}

} // namespace
