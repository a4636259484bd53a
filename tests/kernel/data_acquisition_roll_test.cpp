// Roll: the reads a capture hands over, arrival-ordered words, shift and append, the
// averaged slow codes.

#include "buffer_raw_data.h"
#include "calibration.h"
#include "data_acquisition_roll.h"
#include "fake_hardware.h"
#include "sample_words.h"
#include "state.h"

#include <gtest/gtest.h>

#include <deque>
#include <numeric>
#include <vector>

using sample_words::errorLines;
using sample_words::put;

namespace {

class RollTest : public ::testing::Test {
protected:
    void SetUp() override {
        get_error_text();
        for (int v = 0; v < ADC_CODES; ++v) {
            cal.d_codeTable1[static_cast<size_t>(v)] = static_cast<short>(v + 1);
            cal.d_codeTable2[static_cast<size_t>(v)] = static_cast<short>(v + 2);
        }
        s.p_calibration = &cal;
        ASSERT_TRUE(hw.init(_HW1, 128));
    }
    void TearDown() override { get_error_text(); }

    void setUp(int timeDiv, int channelsOn, int size) {
        s.d_timeDiv = timeDiv;
        s.d_acquisitionMode = _ROLL;
        s.d_channelsOnOff = channelsOn;
        s.d_bufferSize = size;
        for (int ch : {_CH1, _CH2}) {
            raw.release(ch);
            if (!(channelsOn & ch)) continue;
            ASSERT_TRUE(raw.resize(size, ch));
            for (int i = 0; i < size; ++i) raw.set(ch, i, static_cast<short>(ch * 1000 + i % 500));
        }
    }
    std::vector<short> record(int ch) const {
        const short* p = raw.data(ch);
        return std::vector<short>(p, p + raw.size(ch));
    }
    // A 128-byte read holding `pairs` pairs (channel 1 value first(m), channel 2 second(m)).
    template <class F1, class F2>
    static std::vector<unsigned char> pairRead(int pairs, F1 first, F2 second) {
        std::vector<unsigned char> bytes(128, 0);
        for (int m = 0; m < pairs; ++m) {
            put(bytes, 4 * m, first(m), 0, m % 2 == 0);
            put(bytes, 4 * m + 2, second(m), 1);
        }
        return bytes;
    }

    // What the capture hands over: the first bytes-per-read bytes of each queued read, one
    // after another (a read shorter than that gives what it holds).
    SampleRecord handed() {
        const auto b = static_cast<size_t>(DataAcquisitionRoll::bytesPerRead(s.d_timeDiv));
        bytes.clear();
        for (const auto& read : reads) bytes.insert(bytes.end(), read.begin(), read.begin() + std::min(b, read.size()));
        reads.clear();
        const auto n = static_cast<unsigned int>(bytes.size());
        return {bytes.data(), n, n};
    }

    State s;
    Calibration cal;
    FakeHardware hw;
    BufferRawData raw;
    std::deque<std::vector<unsigned char>> reads;
    std::vector<unsigned char> bytes;
};

TEST_F(RollTest, ShiftsByThirtyAndAppendsEachChannelsNewSamples) {
    setUp(_1S_DIV, _CH1_ON_CH2_ON, 3000);
    const std::vector<short> before1 = record(_CH1), before2 = record(_CH2);
    reads.push_back(pairRead(
        30, [](int m) { return 100 + m; }, [](int m) { return 200 + m; }));
    DataAcquisitionRoll roll(&hw, &raw, &s);
    ASSERT_TRUE(roll.acquire(handed(), 1));
    EXPECT_EQ(roll.d_keep, 2970);
    const std::vector<short> after1 = record(_CH1), after2 = record(_CH2);
    for (int i = 0; i < 2970; ++i) {
        ASSERT_EQ(after1[static_cast<size_t>(i)], before1[static_cast<size_t>(i + 30)]) << i;
        ASSERT_EQ(after2[static_cast<size_t>(i)], before2[static_cast<size_t>(i + 30)]) << i;
    }
    for (int m = 0; m < 30; ++m) {
        EXPECT_EQ(after1[static_cast<size_t>(2970 + m)], 100 + m + 1);
        EXPECT_EQ(after2[static_cast<size_t>(2970 + m)], 200 + m + 2);
    }
}

TEST_F(RollTest, BytesPerReadFollowTheTimeBase) {
    struct Case {
        int timeDiv, newSamples, reads;
    };
    const Case cases[] = {{_1S_DIV, 30, 1}, {_2S_DIV, 18, 1}, {_4S_DIV, 12, 1},  {_10S_DIV, 6, 1},
                          {_20S_DIV, 6, 2}, {_40S_DIV, 6, 4}, {_100S_DIV, 6, 10}};
    for (const Case& c : cases) {
        setUp(c.timeDiv, _CH1_ON_CH2_OFF, 100);
        for (int r = 0; r < c.reads; ++r)
            reads.push_back(pairRead(
                32, [](int m) { return 3000 + m; }, [](int) { return 7; }));
        DataAcquisitionRoll roll(&hw, &raw, &s);
        ASSERT_TRUE(roll.acquire(handed(), 1)) << c.timeDiv;
        EXPECT_EQ(roll.d_keep, 100 - c.newSamples) << c.timeDiv;
        // Old sample 1000 + newSamples now leads the record; the last new one ends it.
        EXPECT_EQ(raw.get(_CH1, 0), 1000 + c.newSamples) << c.timeDiv;
        EXPECT_NE(raw.get(_CH1, 99), EMPTY_SAMPLE) << c.timeDiv;
    }
}

TEST_F(RollTest, AtMostTheRecordsRoomIsAppendedWhateverAReadHolds) {
    // 64 words, all of channel 1, with only channel 1 on: 30 of them fit.
    setUp(_1S_DIV, _CH1_ON_CH2_OFF, 3000);
    std::vector<unsigned char> bytes(128, 0);
    for (int i = 0; i < 64; ++i) put(bytes, 2 * i, 500 + i, 0);
    reads.push_back(bytes);
    DataAcquisitionRoll roll(&hw, &raw, &s);
    ASSERT_TRUE(roll.acquire(handed(), 1));
    EXPECT_EQ(raw.get(_CH1, 2970), 501);
    EXPECT_EQ(raw.get(_CH1, 2999), 530);

    // A record shorter than the new samples is replaced entirely.
    setUp(_1S_DIV, _CH1_ON_CH2_OFF, 20);
    reads.push_back(bytes);
    ASSERT_TRUE(roll.acquire(handed(), 1));
    EXPECT_EQ(raw.get(_CH1, 0), 501);
    EXPECT_EQ(raw.get(_CH1, 19), 520);
}

TEST_F(RollTest, ChannelsThatAreOffOrMissingWordsLeaveEmptySamples) {
    // Channel 2 words only, channel 1 on as well: channel 1's new samples are empty.
    setUp(_2S_DIV, _CH1_ON_CH2_ON, 50);
    std::vector<unsigned char> bytes(128, 0);
    for (int i = 0; i < 36; ++i) put(bytes, 2 * i, 40 + i, 1);
    reads.push_back(bytes);
    DataAcquisitionRoll roll(&hw, &raw, &s);
    ASSERT_TRUE(roll.acquire(handed(), 1));
    for (int m = 0; m < 18; ++m) {
        EXPECT_EQ(raw.get(_CH1, 32 + m), EMPTY_SAMPLE);
        EXPECT_EQ(raw.get(_CH2, 32 + m), 40 + m + 2);
    }
}

TEST_F(RollTest, FailedReadsAndBadWordsLeaveTheRecordsAsTheyWere) {
    struct Case {
        const char* what;
        int timeDiv;
        int goodReads; // reads handed over before the missing or broken one
        bool badWord;  // then a read with a broken word (else the record ends short)
        std::string errors;
    };
    const Case cases[] = {
        {"nothing read", _1S_DIV, 0, false, errorLines({_ERR_READ_BUFFER})},
        {"bad word at code 26", _1S_DIV, 0, true, errorLines({18, _ERR_CONVERT_RAW})},
        {"two reads of four at code 31", _40S_DIV, 2, false, errorLines({_ERR_READ_BUFFER})},
        {"bad word in the fourth read at code 31", _40S_DIV, 3, true, errorLines({18})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setUp(c.timeDiv, _CH1_ON_CH2_ON, 300);
        const std::vector<short> before1 = record(_CH1), before2 = record(_CH2);
        reads.clear();
        for (int r = 0; r < c.goodReads; ++r)
            reads.push_back(pairRead(
                30, [](int m) { return m; }, [](int m) { return m; }));
        if (c.badWord) {
            auto bytes = pairRead(
                30, [](int m) { return m; }, [](int m) { return m; });
            bytes[11] |= 0x80; // word 5: both half markers set
            reads.push_back(bytes);
        }
        DataAcquisitionRoll roll(&hw, &raw, &s);
        EXPECT_FALSE(roll.acquire(handed(), 1));
        EXPECT_EQ(std::string(get_error_text()), c.errors);
        EXPECT_EQ(record(_CH1), before1);
        EXPECT_EQ(record(_CH2), before2);
    }
}

TEST_F(RollTest, SlowestCodeAveragesTenConsecutiveValuesPerNewSample) {
    setUp(_100S_DIV, _CH1_ON_CH2_ON, 100);
    // Channel 1's q-th value in arrival order is q (corrected q + 1); channel 2 holds 300.
    for (int r = 0; r < 10; ++r)
        reads.push_back(pairRead(
            6, [r](int m) { return 6 * r + m; }, [](int) { return 300; }));
    DataAcquisitionRoll roll(&hw, &raw, &s);
    ASSERT_TRUE(roll.acquire(handed(), 1));
    for (int m = 0; m < 6; ++m) {
        // mean of 10m + 1 .. 10m + 10, truncated
        EXPECT_EQ(raw.get(_CH1, 94 + m), 10 * m + 5) << m;
        EXPECT_EQ(raw.get(_CH2, 94 + m), 302) << m;
    }
}

TEST_F(RollTest, OtherTimeBasesReadNothing) {
    setUp(_400MS_DIV, _CH1_ON_CH2_OFF, 100);
    DataAcquisitionRoll roll(&hw, &raw, &s);
    EXPECT_FALSE(roll.acquire(handed(), 1));
    EXPECT_EQ(hw.count("readSampleBuffer"), 0);
}

} // namespace
