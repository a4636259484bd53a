#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "codes.h"
#include "ini_file.h"
#include "state.h"
#include "temp_dir.h"

namespace {

// The file of a record at every default: all sections and keys, in writing order.
const char* const kDefaultFile = R"([CHANNEL]
channelOnOff1=0
channelCoupling1=0
voltageDiv1=7
voltageOffset1=250
probeAttenuation1=1
scaleFactor1=1
channelMode1=0
currentFactor1=1
invertOnOff1=0
bandwidthLimitOnOff1=0
triggerOffset1=250
triggerSlope1=1
channelOnOff2=0
channelCoupling2=0
voltageDiv2=7
voltageOffset2=250
probeAttenuation2=1
scaleFactor2=1
channelMode2=0
currentFactor2=1
invertOnOff2=0
bandwidthLimitOnOff2=0
triggerOffset2=250
triggerSlope2=1
channelOnOff3=0
channelCoupling3=0
voltageDiv3=7
voltageOffset3=250
probeAttenuation3=1
scaleFactor3=1
channelMode3=0
currentFactor3=1
invertOnOff3=0
bandwidthLimitOnOff3=0
triggerOffset3=250
triggerSlope3=1
channelOnOff4=0
channelCoupling4=0
voltageDiv4=7
voltageOffset4=250
probeAttenuation4=1
scaleFactor4=1
channelMode4=0
currentFactor4=1
invertOnOff4=0
bandwidthLimitOnOff4=0
triggerOffset4=250
triggerSlope4=1
numberOfAverage=1

[TRIGGER]
triggerSource=1
triggerMode=0
triggerLogic=0
triggerPulseOnOff=0
triggerPulse=0
triggerPulseMode=0
triggerAdvanceOnOff=0
triggerHighFrequencyRejectOnOff=0

[HORIZONTAL]
delayOnOff=0
timeDiv=11
TrevanMode=4
horizontalPositionOn=250
horizontalPositionOff=250

[ACQUIRE]
bufferSizeMode=3
bufferSizeMax=3
peakDetectionOnOff=0
bufferSizeHardware=20096

[VERSION]
firmwareVersion=1
hardwareVersion=1
calibrationVersion=1
FPGAVersion=1
APIVersion=1

[DISPLAY]
lineJoinMode=0
persistence=1
intensityFactor=50
XYPlotOnOff=0

[HARDWARE]
ADCAmpFactor=2.4
defaultTimeOut=500
fullSizeVoltageRange=1.25

[MATH]
mathSource1=1
mathSource2=2
mathOperation=0

[ETS]
ETSRejectMargin=0.03
ETSOffsetMargin=0
ETSOnOff=1
)";

std::string fileOf(const State& s, const TempDir& dir, int channels = 4) {
    const std::string path = dir.file("written.ini");
    std::remove(path.c_str());
    EXPECT_TRUE(s.writeIni(path, channels));
    return TempDir::read(path);
}

TEST(StateFile, DefaultsWriteEveryKey) {
    TempDir dir;
    EXPECT_EQ(fileOf(State(), dir), kDefaultFile);
    // A missing file reads as the defaults.
    EXPECT_EQ(fileOf(State(dir.file("missing.ini")), dir), kDefaultFile);
}

// A record with every keyed value away from its default.
State unusualState() {
    State s;
    s.d_hardwareVersion = _HW3;
    s.d_bufferSizeMax = _500K;
    for (int ch = _CH1; ch <= _REFERENCE; ++ch) {
        ChannelSettings& c = s.d_channel[ch];
        c.channelOnOff = ch != _MATH;
        c.channelCoupling = _DC;
        c.voltageDiv = ch + 2;
        c.voltageOffset = 100.25 + ch;
        c.probeAttenuation = _X100;
        c.scaleFactor = 0.1 * ch;
        c.channelMode = ch;
        c.currentFactor = 2.5;
        c.invertOnOff = true;
        c.bandwidthLimitOnOff = true;
        c.triggerOffset = 12.125 * ch;
        c.triggerSlope = 0;
    }
    s.d_triggerSource = _CH2;
    s.d_triggerMode = _NORMAL;
    s.d_triggerLogic = 2;
    s.d_triggerPulseOnOff = true;
    s.d_triggerPulse = 1234;
    s.d_triggerPulseMode = 1;
    s.d_triggerAdvanceOnOff = true;
    s.d_triggerHighFrequencyRejectOnOff = true;
    s.d_delayOnOff = true;
    s.d_horizontalPositionOn = -4000.5;
    s.d_horizontalPositionOff = 499;
    s.setBufferSizeMode(_500K);
    s.setETSOnOff(false);
    s.setTimeDiv(20);
    s.d_peakDetectionOnOff = true;
    s.d_averageCount = 16;
    s.d_firmwareVersion = 7;
    s.d_calibrationVersion = 3;
    s.d_FPGAVersion = 201;
    s.d_APIVersion = 2;
    s.d_lineJoinMode = 1;
    s.d_persistence = 16;
    s.d_intensityFactor = 0.1f;
    s.d_XYPlotOnOff = true;
    s.d_ADCAmpFactor = 2.75;
    s.d_defaultTimeOut = 1500;
    s.d_fullSizeVoltageRange = 2.5;
    s.d_mathSource1 = _REFERENCE;
    s.d_mathSource2 = _MATH;
    s.d_mathOperation = _DIVIDE;
    s.d_ETSRejectMargin = 0.125;
    s.d_ETSOffsetMargin = -7;
    return s;
}

TEST(StateFile, RoundTripKeepsEveryKey) {
    TempDir dir;
    const State a = unusualState();
    const std::string first = fileOf(a, dir);
    const std::string path = dir.write("state.ini", first);

    // Every keyed value differs from its default, so a key that was lost or replaced on
    // reading would change the file written back.
    const State b(path);
    EXPECT_EQ(b.d_fileName, path);
    EXPECT_EQ(fileOf(b, dir), first);

    // Values that follow from the keys are worked out on reading.
    EXPECT_EQ(b.d_channelsOnOff, _CH1_ON_CH2_ON);
    EXPECT_EQ(b.d_triggerLevel, a.d_channel[_CH2].triggerOffset);
    EXPECT_EQ(b.d_triggerSlope, 0);
    EXPECT_EQ(b.d_horizontalPosition, -4000.5);
    EXPECT_EQ(b.d_bufferSize, 250000);
    EXPECT_EQ(b.d_acquisitionModeTable[16], _RIS);
}

TEST(StateFile, WritingKeepsOtherKeys) {
    TempDir dir;
    const std::string path = dir.write("state.ini", "[OTHER]\nkept=yes\n[DISPLAY]\nPersistence=9\n");
    ASSERT_TRUE(State().writeIni(path, 4));
    const std::string text = TempDir::read(path);
    EXPECT_EQ(text.rfind("[OTHER]\nkept=yes\n\n[DISPLAY]\nPersistence=1\n", 0), 0u) << text;
}

TEST(StateFile, OneKeyGivesTheDefaultsAround) {
    TempDir dir;
    const State s(dir.write("state.ini", "[CHANNEL]\nchannelOnOff1=1\n"));
    EXPECT_TRUE(s.d_channel[_CH1].channelOnOff);
    EXPECT_FALSE(s.d_channel[_CH2].channelOnOff);
    EXPECT_EQ(s.d_channel[_CH1].voltageDiv, _1V_DIV);
    EXPECT_EQ(s.d_channel[_CH1].voltageOffset, 250.0);
    EXPECT_EQ(s.d_triggerLevel, 250.0);
    EXPECT_EQ(s.d_timeDiv, _10US_DIV);
    EXPECT_EQ(s.d_bufferSizeMode, _10K);
    EXPECT_TRUE(s.d_ETSOnOff);
    EXPECT_EQ(s.d_channelsOnOff, _CH1_ON_CH2_OFF);
    EXPECT_EQ(s.d_acquisitionMode, _REAL_TIME);
    EXPECT_EQ(s.d_bufferSize, 10000);
    EXPECT_EQ(s.d_acquireLength, 10048);
    EXPECT_TRUE(s.d_interleaveOnOff);
    EXPECT_EQ(s.d_runState, _RUN);
    EXPECT_EQ(s.d_firstRollTimeDiv, _1S_DIV);
}

using Field = std::function<double(const State&)>;

struct BadValue {
    const char* section;
    const char* key;
    const char* text;
    Field field;
    double expected;
};

const Field timeDiv = [](const State& s) { return s.d_timeDiv; };
const Field voltDiv1 = [](const State& s) { return s.d_channel[_CH1].voltageDiv; };
const Field persistence = [](const State& s) { return s.d_persistence; };
const Field source = [](const State& s) { return s.d_triggerSource; };
const Field coupling1 = [](const State& s) { return s.d_channel[_CH1].channelCoupling; };
const Field probe1 = [](const State& s) { return s.d_channel[_CH1].probeAttenuation; };
const Field average = [](const State& s) { return s.d_averageCount; };
const Field mode = [](const State& s) { return s.d_bufferSizeMode; };
const Field modeMax = [](const State& s) { return s.d_bufferSizeMax; };
const Field amp = [](const State& s) { return s.d_ADCAmpFactor; };
const Field scale1 = [](const State& s) { return s.d_channel[_CH1].scaleFactor; };
const Field current1 = [](const State& s) { return s.d_channel[_CH1].currentFactor; };
const Field offset1 = [](const State& s) { return s.d_channel[_CH1].voltageOffset; };
const Field level1 = [](const State& s) { return s.d_channel[_CH1].triggerOffset; };
const Field triggerMode = [](const State& s) { return s.d_triggerMode; };
const Field math1 = [](const State& s) { return s.d_mathSource1; };
const Field math2 = [](const State& s) { return s.d_mathSource2; };
const Field operation = [](const State& s) { return s.d_mathOperation; };
const Field hardware = [](const State& s) { return s.d_hardwareVersion; };
const Field positionOn = [](const State& s) { return s.d_horizontalPositionOn; };
const Field intensity = [](const State& s) { return s.d_intensityFactor; };
const Field timeOut = [](const State& s) { return s.d_defaultTimeOut; };
const Field reject = [](const State& s) { return s.d_ETSRejectMargin; };

TEST(StateFile, ValuesOutOfRangeGiveTheDefault) {
    const BadValue cases[] = {
        {"HORIZONTAL", "timeDiv", "33", timeDiv, 11},
        {"HORIZONTAL", "timeDiv", "-1", timeDiv, 11},
        {"HORIZONTAL", "timeDiv", "abc", timeDiv, 11},
        {"HORIZONTAL", "timeDiv", "32", timeDiv, 32},
        {"CHANNEL", "voltageDiv1", "11", voltDiv1, 7},
        {"CHANNEL", "voltageDiv1", "-1", voltDiv1, 7},
        {"CHANNEL", "voltageDiv1", "3.5", voltDiv1, 7},
        {"CHANNEL", "voltageDiv1", "0", voltDiv1, 0},
        {"DISPLAY", "persistence", "17", persistence, 1},
        {"DISPLAY", "persistence", "-1", persistence, 1},
        {"DISPLAY", "persistence", "16", persistence, 16},
        {"TRIGGER", "triggerSource", "0", source, 1},
        {"TRIGGER", "triggerSource", "3", source, 1},
        {"TRIGGER", "triggerSource", "2", source, 2},
        {"CHANNEL", "channelCoupling1", "3", coupling1, 0},
        {"CHANNEL", "channelCoupling1", "-1", coupling1, 0},
        {"CHANNEL", "channelCoupling1", "2", coupling1, 2},
        {"CHANNEL", "probeAttenuation1", "5", probe1, 1},
        {"CHANNEL", "probeAttenuation1", "0", probe1, 1},
        {"CHANNEL", "probeAttenuation1", "1000", probe1, 1000},
        {"CHANNEL", "numberOfAverage", "0", average, 1},
        {"CHANNEL", "numberOfAverage", "-4", average, 1},
        {"CHANNEL", "numberOfAverage", "129", average, 1},
        {"CHANNEL", "numberOfAverage", "128", average, 128},
        {"ACQUIRE", "bufferSizeMode", "5", mode, 3},
        {"ACQUIRE", "bufferSizeMode", "0", mode, 3},
        {"ACQUIRE", "bufferSizeMode", "7", mode, 7},
        {"ACQUIRE", "bufferSizeMax", "4", modeMax, 3},
        {"HARDWARE", "ADCAmpFactor", "1", amp, 2.4},
        {"HARDWARE", "ADCAmpFactor", "0.5", amp, 2.4},
        {"HARDWARE", "ADCAmpFactor", "nan", amp, 2.4},
        {"HARDWARE", "ADCAmpFactor", "inf", amp, 2.4},
        {"HARDWARE", "ADCAmpFactor", "1.5", amp, 1.5},
        {"HARDWARE", "ADCAmpFactor", "1.0000000001", amp, 2.4},
        {"CHANNEL", "scaleFactor1", "0", scale1, 1},
        {"CHANNEL", "scaleFactor1", "nan", scale1, 1},
        {"CHANNEL", "scaleFactor1", "-inf", scale1, 1},
        {"CHANNEL", "scaleFactor1", "-2", scale1, -2},
        {"CHANNEL", "currentFactor1", "0", current1, 1},
        {"CHANNEL", "voltageOffset1", "nan", offset1, 250},
        {"CHANNEL", "voltageOffset1", "400.5", offset1, 250},
        {"CHANNEL", "voltageOffset1", "-1", offset1, 250},
        {"CHANNEL", "voltageOffset1", "400", offset1, 400},
        {"CHANNEL", "triggerOffset1", "1e300", level1, 250},
        {"CHANNEL", "triggerOffset1", "inf", level1, 250},
        {"CHANNEL", "triggerOffset1", "-20", level1, 0},
        {"CHANNEL", "triggerOffset1", "500", level1, 400},
        {"CHANNEL", "triggerOffset1", "399.5", level1, 399.5},
        {"TRIGGER", "triggerMode", "2", triggerMode, 0},
        {"MATH", "mathSource1", "0", math1, 1},
        {"MATH", "mathSource1", "5", math1, 1},
        {"MATH", "mathSource2", "5", math2, 2},
        {"MATH", "mathSource2", "4", math2, 4},
        {"MATH", "mathOperation", "4", operation, 0},
        {"MATH", "mathOperation", "3", operation, 3},
        {"VERSION", "hardwareVersion", "0", hardware, 1},
        {"VERSION", "hardwareVersion", "5", hardware, 1},
        {"VERSION", "hardwareVersion", "4", hardware, 4},
        {"HORIZONTAL", "horizontalPositionOn", "1e9", positionOn, 250},
        {"HORIZONTAL", "horizontalPositionOn", "nan", positionOn, 250},
        {"HORIZONTAL", "horizontalPositionOn", "-4500", positionOn, -4500},
        {"DISPLAY", "intensityFactor", "-1", intensity, 50},
        {"DISPLAY", "intensityFactor", "1e40", intensity, 50},
        {"DISPLAY", "intensityFactor", "nan", intensity, 50},
        {"DISPLAY", "intensityFactor", "125", intensity, 125},
        {"HARDWARE", "defaultTimeOut", "0", timeOut, 500},
        {"ETS", "ETSRejectMargin", "2", reject, 0.03},
        {"ETS", "ETSRejectMargin", "0.5", reject, 0.5},
    };
    TempDir dir;
    for (const BadValue& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        const std::string text = std::string("[") + c.section + "]\n" + c.key + "=" + c.text + "\n";
        const State s(dir.write("bad.ini", text));
        EXPECT_EQ(c.field(s), c.expected);
    }
}

TEST(StateFile, AverageCountIsLimitedByTheRecordLength) {
    struct Case {
        const char* mode;
        const char* count;
        int expected;
    };
    TempDir dir;
    for (const Case& c : {Case{"7", "16", 16}, Case{"7", "17", 1}, Case{"3", "17", 17}}) {
        const State s(dir.write("avg.ini", std::string("[ACQUIRE]\nbufferSizeMode=") + c.mode +
                                               "\n[CHANNEL]\nnumberOfAverage=" + c.count + "\n"));
        EXPECT_EQ(s.d_averageCount, c.expected) << c.mode << " " << c.count;
    }
}

TEST(StateFile, NamesIgnoreCaseAndNumbersTakeADecimalComma) {
    struct Case {
        const char* text;
        Field field;
        double expected;
    };
    const Case cases[] = {
        {"[channel]\nCHANNELONOFF2=1\n", [](const State& s) { return s.d_channel[_CH2].channelOnOff; }, 1},
        {"[Channel]\nVoltageDiv2 = 3\n", [](const State& s) { return s.d_channel[_CH2].voltageDiv; }, 3},
        {"[CHANNEL]\nvoltageoffset2=120,5\n", [](const State& s) { return s.d_channel[_CH2].voltageOffset; }, 120.5},
        {"[hardware]\nadcampfactor=2,5\n", amp, 2.5},
        {"[Display]\nINTENSITYFACTOR=75,5\n", intensity, 75.5},
        {"[ets]\netsonoff=0\n", [](const State& s) { return s.d_ETSOnOff; }, 0},
        {"[horizontal]\ntrevanmode=8\ntimediv=26\n", timeDiv, 26},
        {"[CHANNEL]\nchannelOnOff1=5\n", [](const State& s) { return s.d_channel[_CH1].channelOnOff; }, 1},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const State s(dir.write("case.ini", c.text));
        EXPECT_EQ(c.field(s), c.expected);
    }
}

TEST(StateFile, ReadingNeverRewritesTheFile) {
    TempDir dir;
    // Comments, unknown keys, odd spelling and a bad value: none of it may be touched.
    const std::string content = "; saved by hand\r\n[channel]\r\nchannelOnOff1 = 1\r\nvoltageDiv1=99\r\n"
                                "\r\n[Extra]\r\nwho=me\r\n[DISPLAY]\r\nintensityFactor=12,5";
    const std::string path = dir.write("user.ini", content);
    {
        State loaded(path);
        State copy = loaded;
        State assigned;
        assigned = copy;
        EXPECT_EQ(assigned.d_fileName, path);
    }
    EXPECT_EQ(TempDir::read(path), content);
}

TEST(StateFile, ChannelCountLimitsTheChannelKeys) {
    TempDir dir;
    State s = unusualState();
    const std::string two = fileOf(s, dir, 2);
    EXPECT_NE(two.find("triggerSlope2="), std::string::npos);
    EXPECT_EQ(two.find("channelOnOff3="), std::string::npos);
    EXPECT_EQ(fileOf(s, dir, 9).find("channelOnOff5="), std::string::npos);

    // Reading two channels leaves the others as they were.
    State r = unusualState();
    ASSERT_TRUE(r.readIni(dir.write("two.ini", "[CHANNEL]\nvoltageDiv4=1\n"), 2));
    EXPECT_EQ(r.d_channel[_CH1].voltageDiv, _1V_DIV);
    EXPECT_EQ(r.d_channel[_REFERENCE].voltageDiv, s.d_channel[_REFERENCE].voltageDiv);
}

TEST(StateFile, WriteFailureIsReported) {
    TempDir dir;
    EXPECT_FALSE(State().writeIni(dir.file("no/such/folder/state.ini"), 4));
}

} // namespace
