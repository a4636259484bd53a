// Decoding and placement of hand-built sample buffers in the real-time, ETS and RIS modes,
// the TDC phase and the ETS window.

#include "buffer_raw_data.h"
#include "calibration.h"
#include "data_acquisition_ets.h"
#include "data_acquisition_ris_rt.h"
#include "data_acquisition_roll.h"
#include "data_acquisition_rt.h"
#include "fake_hardware.h"
#include "sample_words.h"
#include "state.h"
#include "transform_hardware_raw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <type_traits>
#include <vector>

using sample_words::errorLines;
using sample_words::put;
using sample_words::withStatus;

static_assert(std::has_virtual_destructor_v<DataAcquisition>);

namespace {

class AcquisitionTest : public ::testing::Test {
protected:
    void SetUp() override {
        get_error_text();
        // Table 1 adds 1, table 2 adds 2: every stored code tells which table it went through.
        for (int v = 0; v < ADC_CODES; ++v) {
            cal.d_codeTable1[static_cast<size_t>(v)] = static_cast<short>(v + 1);
            cal.d_codeTable2[static_cast<size_t>(v)] = static_cast<short>(v + 2);
        }
        cal.ETSMin = 0;
        cal.ETSMax = 127;
        cal.ETSOffset = 0;
        s.p_calibration = &cal;
        s.d_hardwareVersion = _HW1;
        s.d_averageCount = 1;
    }
    void TearDown() override { get_error_text(); }

    void channels(int onOff, int size) {
        s.d_channelsOnOff = onOff;
        s.d_bufferSize = size;
        for (int ch : {_CH1, _CH2}) {
            raw.release(ch);
            if (onOff & ch) {
                ASSERT_TRUE(raw.resize(size, ch));
            }
        }
    }
    // The bytes as a read would hand them to the decoder.
    void load(const std::vector<unsigned char>& bytes) { loaded = bytes; }
    SampleRecord sample() const {
        const auto n = static_cast<unsigned int>(loaded.size());
        return {loaded.data(), n, n};
    }
    std::vector<short> record(int ch) const {
        const short* p = raw.data(ch);
        return std::vector<short>(p, p + raw.size(ch));
    }

    State s;
    Calibration cal;
    FakeHardware hw;
    BufferRawData raw;
    std::vector<unsigned char> loaded;
};

// Status values: TDC count 0 decodes on _HW1 to phase 33 (ETSMin 0, ETSMax 127, margin 0.03).
constexpr int kTriggered = STATUS_TRIGGERED | STATUS_HALF_PHASE;

TEST_F(AcquisitionTest, SampleWordsDecodeInEitherByteOrderAndReportBadPairs) {
    struct Case {
        unsigned char a, b;
        int error, value, channel;
    };
    const Case cases[] = {
        {0x85, 0x07, 0, 327, _CH1},  {0x07, 0x85, 0, 327, _CH1}, {0xC5, 0x47, 0, 327, _CH2}, {0x47, 0xC5, 0, 327, _CH2},
        {0xBF, 0x3F, 0, 4095, _CH1}, {0x80, 0x00, 0, 0, _CH1},   {0x85, 0x87, 18, 0, 0},     {0x05, 0x07, 18, 0, 0},
        {0x85, 0x47, 17, 0, 0},      {0xC5, 0x87, 17, 0, 0},     {0x85, 0xC7, 17, 0, 0},
    };
    for (const Case& c : cases) {
        int value = -1, channel = -1;
        const bool ok = DataAcquisition::decodeSampleWord(c.a, c.b, value, channel);
        EXPECT_EQ(ok, c.error == 0) << int(c.a) << " " << int(c.b);
        if (ok) {
            EXPECT_EQ(value, c.value);
            EXPECT_EQ(channel, c.channel);
            EXPECT_STREQ(get_error_text(), "");
        } else {
            EXPECT_EQ(std::string(get_error_text()), errorLines({c.error}));
        }
    }
}

TEST_F(AcquisitionTest, FirstBadSampleWordFindsTheCulpritBeyondTheFirstBlock) {
    std::vector<unsigned char> bytes;
    for (int i = 0; i < 3000; ++i) put(bytes, 2 * i, i, i & 1, i % 3 != 0);
    EXPECT_EQ(firstBadSampleWord(bytes.data(), 3000, 2), -1);
    bytes[2 * 2345 + 1] ^= 0x80; // equal half markers
    EXPECT_EQ(firstBadSampleWord(bytes.data(), 3000, 2), 2345);
    EXPECT_EQ(firstBadSampleWord(bytes.data(), 1500, 4), -1); // odd words skipped
}

TEST_F(AcquisitionTest, TdcPhaseFollowsTheCalibrationWindowWithByteArithmetic) {
    struct Case {
        int status, hw, offset, min, max, margin;
        double reject;
        int phase;
    };
    const Case cases[] = {
        {0, _HW1, 0, 0, 127, 0, 0.03, 33},          // a = 86: (86 - 3) x 49 / 120
        {85, _HW1, 0, 0, 127, 0, 0.03, -1},         // a = 1 < l = 3
        {2, _HW2, 0, 0, 127, 0, 0.03, 33},          // a = 84
        {100, _HW1, 0, 0, 255, 0, 0.0, 46},         // a = 86 - 100 = -14 -> 242 as a byte: 242 x 49 / 255
        {100, _HW1, 20, 0, 255, 0, 0.0, 1},         // 242 + 20 = 262 -> 6 as a byte: 6 x 49 / 255
        {0, _HW1, 0, 0, 60, 0, 0.0, 21},            // p = 86 > 60: 86 - 60 + 0 = 26 -> 26 x 49 / 60
        {0, _HW1, 0, 10, 60, 0, 0.0, 25},           // 86 - 60 + 10 = 36 -> 26 x 49 / 50
        {0, _HW1, -10, 0, 127, -3, 0.03, 28},       // 73 -> 70 x 49 / 120
        {0x200 | 10, _HW3, 0, 0, 250, 0, 0.0, 0},   // c = 138, a = 5: 5 x 49 / 250
        {0x200 | 10, _HW3, 50, 0, 250, 0, 0.0, 10}, // 55 x 49 / 250
        {0x200 | 10, _HW1, 0, 0, 255, 0, 0.0, 14},  // bit 9 counts only on _HW3/_HW4: a = 76
        {20, _HW4, 0, 0, 255, 0, 0.0, 23},          // a = 123
        {0, _HW1, 0, 50, 50, 0, 0.0, -1},           // empty window
    };
    for (const Case& c : cases)
        EXPECT_EQ(tdcPhaseOf(c.status, c.hw, c.offset, c.min, c.max, c.margin, c.reject), c.phase)
            << c.status << " hw " << c.hw << " offset " << c.offset << " max " << c.max;
}

TEST_F(AcquisitionTest, RealTimeOneChannelDecodesBothByteOrdersThroughEachConvertersTable) {
    channels(_CH1_ON_CH2_OFF, 4);
    auto bytes = withStatus(16, kTriggered | 5);
    put(bytes, 8, 100, 0);
    put(bytes, 10, 200, 1, false); // second converter, low byte first
    put(bytes, 12, 4000, 0, false);
    put(bytes, 14, 0, 1);
    load(bytes);
    DataAcquisitionRT rt(&hw, &raw, &s);
    ASSERT_TRUE(rt.acquire(sample(), 1));
    EXPECT_EQ(record(_CH1), (std::vector<short>{101, 202, 4001, 2}));
    EXPECT_TRUE(s.d_triggeredFlag);

    // Flag 0 stores the codes as read.
    ASSERT_TRUE(rt.acquire(sample(), 0));
    EXPECT_EQ(record(_CH1), (std::vector<short>{100, 200, 4000, 0}));

    // Channel 2 alone fills channel 2's record; status bit 8 clear: not triggered.
    channels(_CH1_OFF_CH2_ON, 4);
    put(bytes, 0, 5, 0);
    put(bytes, 2, 5, 0);
    load(bytes);
    ASSERT_TRUE(rt.acquire(sample(), 1));
    EXPECT_EQ(record(_CH2), (std::vector<short>{101, 202, 4001, 2}));
    EXPECT_FALSE(s.d_triggeredFlag);
}

TEST_F(AcquisitionTest, RealTimeBothChannelsTakePairs) {
    channels(_CH1_ON_CH2_ON, 3);
    auto bytes = withStatus(20, kTriggered | 5);
    for (int j = 0; j < 3; ++j) {
        put(bytes, 8 + 4 * j, 10 * j, 0);
        put(bytes, 10 + 4 * j, 1000 + j, 1, j == 1);
    }
    load(bytes);
    DataAcquisitionRT rt(&hw, &raw, &s);
    ASSERT_TRUE(rt.acquire(sample(), 1));
    EXPECT_EQ(record(_CH1), (std::vector<short>{1, 11, 21}));
    EXPECT_EQ(record(_CH2), (std::vector<short>{1002, 1003, 1004}));
}

TEST_F(AcquisitionTest, UndecodableWordsFailTheCaptureAndLeaveEverythingAsItWas) {
    struct Case {
        const char* what;
        int mode;      // 4 real time, 1 ETS, 3 RIS
        int badOffset; // byte whose half marker is broken
        int otherByte; // or whose channel bit is flipped
        int error;
    };
    const Case cases[] = {
        {"real time sample", _REAL_TIME, 8 + 2 * 3, -1, 18},
        {"real time channel bits", _REAL_TIME, -1, 8 + 2 * 1, 17},
        {"real time status", _REAL_TIME, 0, -1, 18},
        {"ETS sample", _ETS_MODE1, 8 + 2 * 4, -1, 18},
        {"RIS sample", _RIS, -1, 8 + 2 * 2, 17},
        {"RIS status copy is not read here", _RIS, 2, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        s.d_acquisitionMode = c.mode;
        s.d_timeDiv = c.mode == _REAL_TIME ? _1MS_DIV : _2NS_DIV;
        s.d_acquireLength = 100;
        s.d_ETSStep = 1;
        s.d_averageCount = 2;
        channels(_CH1_ON_CH2_OFF, 100);
        ASSERT_TRUE(raw.setNumberOfAverage(2, _CH1));
        raw.fill(_CH1, 7, true);
        s.d_triggeredFlag = false;
        auto bytes = withStatus(8 + 2 * 100, kTriggered | 5);
        for (int j = 0; j < 100; ++j) put(bytes, 8 + 2 * j, 300, 0);
        if (c.badOffset >= 0) bytes[static_cast<size_t>(c.badOffset + 1)] |= 0x80;
        if (c.otherByte >= 0) bytes[static_cast<size_t>(c.otherByte)] ^= 0x40;
        load(bytes);
        TransformHardwareRaw transform(&hw, &raw, &s);
        const bool ok = transform.transform(sample(), 1);
        if (c.error == 0) {
            EXPECT_TRUE(ok);
            continue;
        }
        EXPECT_FALSE(ok);
        EXPECT_EQ(std::string(get_error_text()), errorLines({c.error, _ERR_CONVERT_RAW}));
        EXPECT_FALSE(s.d_triggeredFlag);
        EXPECT_EQ(record(_CH1), std::vector<short>(100, 7));
        for (int slot : {0, 1})
            for (int j = 0; j < 100; ++j) ASSERT_EQ(raw.getHistory(slot, _CH1, j), 7) << slot << " " << j;
    }
}

TEST_F(AcquisitionTest, RealTimeAveragingFillsOneSlotPerCaptureAndShowsTheMean) {
    channels(_CH1_ON_CH2_OFF, 2);
    s.d_averageCount = 3;
    ASSERT_TRUE(raw.setNumberOfAverage(3, _CH1));
    TransformHardwareRaw transform(&hw, &raw, &s);
    const int captures[4][2] = {{100, 10}, {200, 20}, {600, 30}, {1000, 40}};
    const std::vector<short> shown[4] = {{101, 11}, {151, 16}, {301, 21}, {601, 31}};
    for (int n = 0; n < 4; ++n) {
        auto bytes = withStatus(12, kTriggered | 5);
        put(bytes, 8, captures[n][0], 0);
        put(bytes, 10, captures[n][1], 0);
        load(bytes);
        ASSERT_TRUE(transform.transform(sample(), 1));
        EXPECT_EQ(record(_CH1), shown[n]) << "capture " << n;
    }
    // The fourth capture went into slot 0 again.
    EXPECT_EQ(raw.getHistory(0, _CH1, 0), 1001);
    EXPECT_EQ(raw.getHistory(1, _CH1, 0), 201);
}

// ETS at time/div code 0, 10k points: 200 steps of 50 positions, pairs per step.
class ETSTest : public AcquisitionTest {
protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        s.d_acquisitionMode = _ETS_MODE1;
        s.d_timeDiv = _2NS_DIV;
        s.d_acquireLength = 256;
        s.d_ETSStep = 50;
        s.d_samplesPerPixel = 0.2;
        s.d_horizontalOffset = 0;
    }
    // Pairs: channel 1 = 1000 + step, channel 2 = 2000 + step.
    std::vector<unsigned char> pairs(int status) {
        auto bytes = withStatus(8 + 2 * 256, status);
        for (int i = 0; i < 256; i += 2) {
            put(bytes, 8 + 2 * i, 1000 + i, 0);
            put(bytes, 10 + 2 * i, 2000 + i, 1, false);
        }
        return bytes;
    }
};

TEST_F(ETSTest, StepsLandAtTheirPhaseAndChannelTwoFourPositionsLater) {
    channels(_CH1_ON_CH2_ON, 10000);
    load(pairs(STATUS_TRIGGERED | 0)); // bit 7 clear: TDC phase 33 + 50 = 83
    DataAcquisitionETS ets(&hw, &raw, &s);
    ASSERT_TRUE(ets.acquire(sample(), 1));
    EXPECT_EQ(s.d_ETSPhase, 83);
    EXPECT_TRUE(s.d_triggeredFlag);
    const std::vector<short> ch1 = record(_CH1), ch2 = record(_CH2);
    int stored1 = 0, stored2 = 0;
    for (int p = 0; p < 10000; ++p) {
        stored1 += ch1[static_cast<size_t>(p)] != EMPTY_SAMPLE;
        stored2 += ch2[static_cast<size_t>(p)] != EMPTY_SAMPLE;
    }
    EXPECT_EQ(stored1, 100);
    EXPECT_EQ(stored2, 100);
    EXPECT_EQ(ch1[83], 1001);
    EXPECT_EQ(ch1[83 + 2 * 50], 1003);
    EXPECT_EQ(ch1[83 + 198 * 50], 1000 + 198 + 1);
    EXPECT_EQ(ch2[87], 2002);
    EXPECT_EQ(ch2[87 + 198 * 50], 2000 + 198 + 2);

    // A second read at another phase adds its own positions; the first ones stay.
    load(pairs(STATUS_HALF_PHASE | 0)); // phase 33, not triggered
    ASSERT_TRUE(ets.acquire(sample(), 1));
    EXPECT_FALSE(s.d_triggeredFlag);
    EXPECT_EQ(raw.get(_CH1, 33), 1001);
    EXPECT_EQ(raw.get(_CH1, 83), 1001);
}

TEST_F(ETSTest, RejectedPhaseSkipsTheReadWithoutAnError) {
    channels(_CH1_ON_CH2_OFF, 10000);
    s.d_triggeredFlag = true;
    load(pairs(85)); // TDC count 85: rejected, not triggered
    DataAcquisitionETS ets(&hw, &raw, &s);
    EXPECT_TRUE(ets.acquire(sample(), 1));
    EXPECT_TRUE(s.d_triggeredFlag);
    EXPECT_EQ(record(_CH1), std::vector<short>(10000, EMPTY_SAMPLE));
    EXPECT_STREQ(get_error_text(), "");
}

TEST_F(ETSTest, PhaseDivisorAndHorizontalOffsetMoveTheSteps) {
    struct Case {
        int timeDiv, status;
        double step, offset, samplesPerPixel;
        int phase, firstPosition, secondPosition;
    };
    const Case cases[] = {
        {_2US_DIV, STATUS_TRIGGERED | 20, 5, 0, 20, 7, 7, 17},      // TDC 20: (25 + 50) / 10
        {_400NS_DIV, STATUS_HALF_PHASE | 0, 25, 0, 20, 16, 16, 66}, // 33 / 2
        {_4US_DIV, 0, 2.5, 0, 20, 4, 4, 9},                         // 83 / 20; step 2 at 5
        {_2NS_DIV, 0, 50, -250, 0.2, 133, 133, 233},                // k = -50
        {_20NS_DIV, 0, 50, -7, 2, 97, 97, 197},                     // k = -14
    };
    for (const Case& c : cases) {
        s.d_timeDiv = c.timeDiv;
        s.d_ETSStep = c.step;
        s.d_horizontalOffset = c.offset;
        s.d_samplesPerPixel = c.samplesPerPixel;
        channels(_CH1_ON_CH2_OFF, 10000);
        load(pairs(c.status));
        DataAcquisitionETS ets(&hw, &raw, &s);
        ASSERT_TRUE(ets.acquire(sample(), 1));
        EXPECT_EQ(s.d_ETSPhase, c.phase) << c.timeDiv;
        EXPECT_EQ(raw.get(_CH1, c.firstPosition), 1001) << c.timeDiv;
        EXPECT_EQ(raw.get(_CH1, c.secondPosition), 1003) << c.timeDiv;
    }
}

TEST_F(ETSTest, WordsOfAChannelThatIsOffAreNotChecked) {
    channels(_CH1_ON_CH2_OFF, 10000);
    auto bytes = pairs(STATUS_TRIGGERED | 0);
    bytes[10] ^= 0x40; // channel 2's first word is broken
    load(bytes);
    DataAcquisitionETS ets(&hw, &raw, &s);
    EXPECT_TRUE(ets.acquire(sample(), 1));
    EXPECT_EQ(raw.get(_CH1, 83), 1001);
}

TEST_F(ETSTest, AveragingRotatesPerGenerationPairOfCounters) {
    channels(_CH1_ON_CH2_OFF, 10000);
    s.d_averageCount = 2;
    ASSERT_TRUE(raw.setNumberOfAverage(2, _CH1));
    TransformHardwareRaw transform(&hw, &raw, &s);
    load(pairs(STATUS_HALF_PHASE | 0));
    ASSERT_TRUE(transform.transform(sample(), 1)); // slot 0 of the _HW1/_HW2 counter
    s.d_hardwareVersion = _HW3;                    // own counter: slot 0 again
    ASSERT_TRUE(transform.transform(sample(), 1));
    EXPECT_EQ(raw.getHistory(0, _CH1, 33), 1001);
    EXPECT_EQ(raw.getHistory(1, _CH1, 33), EMPTY_SAMPLE);
    s.d_hardwareVersion = _HW1; // back: slot 1
    ASSERT_TRUE(transform.transform(sample(), 1));
    EXPECT_EQ(raw.getHistory(1, _CH1, 33), 1001);
    EXPECT_EQ(raw.get(_CH1, 33), 1001);
}

TEST_F(ETSTest, RISPlacesEveryWordOfOneChannelAndGoesOnWithARejectedPhase) {
    s.d_acquisitionMode = _RIS;
    channels(_CH1_OFF_CH2_ON, 10000);
    auto bytes = withStatus(8 + 2 * 256, 85); // rejected: -1 + 50 = 49
    for (int i = 0; i < 256; ++i) put(bytes, 8 + 2 * i, 500 + i, i & 1);
    load(bytes);
    DataAcquisitionRISRT ris(&hw, &raw, &s);
    ASSERT_TRUE(ris.acquire(sample(), 1));
    EXPECT_EQ(s.d_ETSPhase, 49);
    EXPECT_EQ(raw.get(_CH2, 49), 501);
    EXPECT_EQ(raw.get(_CH2, 49 + 50), 503); // converter 2: table 2
    EXPECT_EQ(raw.get(_CH2, 49 + 199 * 50), 500 + 199 + 2);

    channels(_CH1_ON_CH2_ON, 10000);
    load(pairs(STATUS_TRIGGERED | STATUS_HALF_PHASE | 0));
    ASSERT_TRUE(ris.acquire(sample(), 1));
    EXPECT_EQ(raw.get(_CH1, 33), 1001);
    EXPECT_EQ(raw.get(_CH2, 33), 2002); // same position as channel 1
    EXPECT_EQ(raw.get(_CH1, 33 + 100), 1003);
    EXPECT_TRUE(s.d_triggeredFlag);
}

TEST_F(AcquisitionTest, ETSWindowFollowsTimeBaseAndNegativePosition) {
    struct Case {
        int timeDiv, size;
        double position;
        int pointsPerSample, start, length;
    };
    const Case cases[] = {
        {_2NS_DIV, 10000, 250, 100, 4950, 100},   {_4NS_DIV, 10000, 0, 50, 4900, 200},
        {_200NS_DIV, 10000, 250, 1, 0, 10000},    {_10NS_DIV, 10000, -100, 20, 4650, 500},
        {_2NS_DIV, 10000, -4500, 100, 4050, 100}, {_2US_DIV, 500000, 0, 1, 0, 500000},
        {_100NS_DIV, 10000, -20, 2, 2300, 5000},  {_100NS_DIV, 10000, -300, 2, 0, 5000},
        {_200NS_DIV, 10000, -10, 1, 0, 10000},
    };
    for (const Case& c : cases) {
        s.d_timeDiv = c.timeDiv;
        s.d_bufferSize = c.size;
        s.d_horizontalPosition = c.position;
        updateETSWindow(s);
        EXPECT_EQ(s.d_ETSPointsPerSample, c.pointsPerSample) << c.timeDiv;
        EXPECT_EQ(s.d_ETSWindowStart, c.start) << c.timeDiv << " " << c.position;
        EXPECT_EQ(s.d_ETSWindowLength, c.length) << c.timeDiv << " " << c.position;
    }
}

TEST_F(AcquisitionTest, TransformCreatesTheObjectOfTheMethod) {
    struct Case {
        int mode;
        const char* kind;
    };
    const Case cases[] = {{_ETS_MODE1, "ets"}, {_ETS_MODE2, "ets"}, {_RIS, "ris"}, {_REAL_TIME, "rt"}, {_ROLL, "roll"},
                          {_ROLL2, "roll"},    {_ROLL3, "roll"},    {0, nullptr},  {5, nullptr}};
    for (const Case& c : cases) {
        s.d_acquisitionMode = c.mode;
        TransformHardwareRaw t(&hw, &raw, &s);
        DataAcquisition* a = t.acquisition();
        if (!c.kind) {
            EXPECT_EQ(a, nullptr) << c.mode;
            EXPECT_FALSE(t.transform(sample(), 1));
            continue;
        }
        const std::string kind = c.kind;
        EXPECT_EQ(dynamic_cast<DataAcquisitionETS*>(a) != nullptr, kind == "ets") << c.mode;
        EXPECT_EQ(dynamic_cast<DataAcquisitionRISRT*>(a) != nullptr, kind == "ris") << c.mode;
        EXPECT_EQ(dynamic_cast<DataAcquisitionRT*>(a) != nullptr, kind == "rt") << c.mode;
        EXPECT_EQ(dynamic_cast<DataAcquisitionRoll*>(a) != nullptr, kind == "roll") << c.mode;
    }
}

TEST_F(AcquisitionTest, StoreSampleDropsPositionsOutsideTheRecord) {
    channels(_CH1_ON_CH2_OFF, 4);
    auto bytes = withStatus(12, 5);
    put(bytes, 8, 77, 1);
    bytes[11] = 0x00; // second word: equal half markers
    bytes[10] = 0x00;
    load(bytes);
    DataAcquisitionRT rt(&hw, &raw, &s);
    EXPECT_TRUE(rt.storeSample(sample(), _CH1, 8, 3, -1));
    EXPECT_TRUE(rt.storeSample(sample(), _CH1, 8, 4, -1));
    EXPECT_TRUE(rt.storeSample(sample(), _CH1, 8, -1, -1));
    EXPECT_EQ(record(_CH1), (std::vector<short>{EMPTY_SAMPLE, EMPTY_SAMPLE, EMPTY_SAMPLE, 79}));
    EXPECT_FALSE(rt.storeSample(sample(), _CH1, 10, 0, -1));
    EXPECT_EQ(std::string(get_error_text()), errorLines({18, _ERR_CONVERT_RAW}));
    EXPECT_FALSE(rt.storeSample(sample(), _CH1, 12, 0, -1)); // beyond the buffer
}

} // namespace
