// The capture sequence: trigger polling, reads, status checks, single shot.

#include "buffer_raw_data.h"
#include "calibration.h"
#include "capture.h"
#include "fake_hardware.h"
#include "sample_words.h"
#include "state.h"
#include "thread_flags.h"
#include "transform_hardware_raw.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using sample_words::errorLines;
using sample_words::put;
using sample_words::withStatus;

namespace {

class RecordingView : public RunStateView {
public:
    void updateRunStopControls(int runState_) override { log.push_back("controls " + std::to_string(runState_)); }
    void updateSingleShotButton() override { log.push_back("button"); }
    std::vector<std::string>& log;
    explicit RecordingView(std::vector<std::string>& log_) : log(log_) {}
};

constexpr int kSize = 4;

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        get_error_text();
        triggerTimeoutFlag = 0;
        for (int v = 0; v < ADC_CODES; ++v) {
            cal.d_codeTable1[static_cast<size_t>(v)] = static_cast<short>(v);
            cal.d_codeTable2[static_cast<size_t>(v)] = static_cast<short>(v);
        }
        cal.ETSMin = 0;
        cal.ETSMax = 127;
        s.p_calibration = &cal;
        s.d_hardwareVersion = _HW1;
        s.d_defaultTimeOut = 321;
        s.d_timeDiv = _1MS_DIV;
        useMode(_REAL_TIME);
        s.d_channelsOnOff = _CH1_ON_CH2_OFF;
        s.d_bufferSize = kSize;
        s.d_acquireLength = 100;
        s.d_ETSStep = 1;
        s.d_ETSReadCount = 1;
        ASSERT_TRUE(raw.resize(kSize, _CH1));
        ASSERT_TRUE(raw.resize(kSize, _CH2));
        ASSERT_TRUE(hw.init(_HW1, 8 + 2 * 100));
        hw.sampleData = buffer(STATUS_TRIGGERED | STATUS_HALF_PHASE | 5);
        capture.setRegisterBlock(block);
        capture.setSingleShotStop([this] { log.push_back("stop"); });
        capture.setRunStateView(&view);
    }
    void TearDown() override {
        get_error_text();
        triggerTimeoutFlag = 0;
    }
    void useMode(int mode) {
        s.d_acquisitionMode = mode;
        transform.createAcquisition();
    }
    // One-channel buffer: sample j holds 100 + j.
    static std::vector<unsigned char> buffer(int status) {
        auto bytes = withStatus(8 + 2 * 100, status);
        for (int j = 0; j < 100; ++j) put(bytes, 8 + 2 * j, 100 + j, 0);
        return bytes;
    }
    int reads() const { return hw.count("readSampleBuffer"); }

    State s;
    Calibration cal;
    FakeHardware hw;
    BufferRawData raw;
    TransformHardwareRaw transform{&hw, &raw, &s};
    Capture capture{&hw, &s, &raw, &transform};
    unsigned char block[21] = {0x12, 0x34};
    std::vector<std::string> log;
    RecordingView view{log};
};

TEST_F(CaptureTest, TriggerPollingSendsTheExactRequestPattern) {
    struct Case {
        const char* what;
        std::deque<int> replies; // 1 once used up
        int requests;
        bool captured;
    };
    const Case cases[] = {
        {"ready at once", {}, 1, true},
        {"second request of an early attempt does not decide", {0, 1, 1}, 3, true},
        {"ready in the second attempt", {0, 0, 1}, 3, true},
        {"tenth attempt, second reply ready", std::deque<int>(19, 0), 20, true},
        {"never ready", std::deque<int>(20, 0), 20, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hw.calls.clear();
        hw.triggerReplies = c.replies;
        triggerTimeoutFlag = 0;
        short* out = nullptr;
        EXPECT_EQ(capture.acquire(_CH1, &out, nullptr), c.captured);
        EXPECT_EQ(hw.count("pollTrigger"), c.requests);
        for (const FakeHardware::Call& call : hw.callsNamed("pollTrigger")) EXPECT_EQ(call.timeOut, 500);
        EXPECT_EQ(reads(), c.captured ? 1 : 0);
        EXPECT_EQ(triggerTimeoutFlag.load(), c.captured ? 0 : 1);
        EXPECT_STREQ(get_error_text(), "");
    }
}

TEST_F(CaptureTest, AFailedRequestIsAFailedCaptureWithItsError) {
    struct Case {
        const char* what;
        int mode;
        const char* failing; // the FakeHardware call that fails from its nth on
        int nth;
        bool timedOut;
        bool abort;
        std::string errors;
        CaptureFailure failure;
        int polls;
    };
    const std::string timeOut = errorLines({_ERR_READ_REGISTERS, _ERR_TIME_OUT});
    const Case cases[] = {
        {"status request refused", _REAL_TIME, "pollTrigger", 1, false, false, errorLines({_ERR_READ_REGISTERS}),
         CaptureFailure::Device, 1},
        {"status request unanswered", _REAL_TIME, "pollTrigger", 1, true, false, timeOut, CaptureFailure::TimedOut, 1},
        {"second request of an attempt unanswered", _RIS, "pollTrigger", 2, true, false, timeOut,
         CaptureFailure::TimedOut, 2},
        {"ETS status unanswered", _ETS_MODE1, "pollTrigger", 1, true, false, timeOut, CaptureFailure::TimedOut, 1},
        {"read unanswered", _REAL_TIME, "readSampleBuffer", 1, true, false, errorLines({_ERR_TIME_OUT}),
         CaptureFailure::TimedOut, 1},
        {"read refused", _ETS_MODE1, "readSampleBuffer", 1, false, false, "", CaptureFailure::Device, 1},
        {"aborted: no request, no error", _REAL_TIME, "pollTrigger", 1, true, true, "", CaptureFailure::NoNewData, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        useMode(c.mode);
        hw.calls.clear();
        hw.clearFailures();
        hw.failCall(c.failing, c.nth, true);
        hw.timedOut = c.timedOut;
        hw.triggerReplies = c.nth == 2 ? std::deque<int>{0} : std::deque<int>{};
        abortReadFlag = c.abort ? 1 : 0;
        short* out = nullptr;
        EXPECT_FALSE(capture.acquire(_CH1, &out, nullptr));
        abortReadFlag = 0;
        EXPECT_EQ(std::string(get_error_text()), c.errors);
        EXPECT_EQ(capture.lastFailure(), c.failure);
        EXPECT_EQ(hw.count("pollTrigger"), c.polls);
        // A failed request is no trigger time-out: the status panel must not say "Trig?".
        EXPECT_EQ(triggerTimeoutFlag.load(), 0);
    }
}

TEST_F(CaptureTest, ACaptureThatPlacesNoSampleIsNoNewData) {
    // Every ETS read outside the TDC window (count 85 on _HW1): the record stays empty.
    useMode(_ETS_MODE1);
    s.d_timeDiv = _2NS_DIV;
    s.d_ETSReadCount = 3;
    hw.sampleData = buffer(STATUS_TRIGGERED | STATUS_HALF_PHASE | 85);
    short* out = nullptr;
    EXPECT_FALSE(capture.acquire(_CH1, &out, nullptr));
    EXPECT_EQ(capture.lastFailure(), CaptureFailure::NoNewData);
    EXPECT_STREQ(get_error_text(), "");
    EXPECT_EQ(triggerTimeoutFlag.load(), 0);
    // What an earlier capture placed is a record to show.
    raw.fill(_CH1, 7);
    EXPECT_TRUE(capture.acquire(_CH1, &out, nullptr));
    EXPECT_EQ(capture.lastFailure(), CaptureFailure::None);
}

TEST_F(CaptureTest, RealTimeCaptureFillsTheSelectedRecord) {
    triggerTimeoutFlag = 1;
    short* out1 = nullptr;
    short* out2 = reinterpret_cast<short*>(&log); // left alone for sel 1
    ASSERT_TRUE(capture.acquire(_CH1, &out1, &out2));
    EXPECT_EQ(triggerTimeoutFlag.load(), 0);
    EXPECT_EQ(out1, raw.data(_CH1));
    EXPECT_EQ(out2, reinterpret_cast<short*>(&log));
    EXPECT_EQ(std::vector<short>(out1, out1 + kSize), (std::vector<short>{100, 101, 102, 103}));
    EXPECT_TRUE(s.d_triggeredFlag);
    EXPECT_EQ(hw.last("readSampleBuffer")->timeOut, 321);

    // sel 0 hands out both records.
    out1 = out2 = nullptr;
    ASSERT_TRUE(capture.acquire(0, &out1, &out2));
    EXPECT_EQ(out1, raw.data(_CH1));
    EXPECT_EQ(out2, raw.data(_CH2));
}

TEST_F(CaptureTest, FailedReadsSendTheStartRequestInRealTimeAndRISOnly) {
    struct Case {
        int mode;
        int timeOut;
        bool start;
    };
    const Case cases[] = {{_REAL_TIME, 321, true}, {_RIS, 500, true}, {_ETS_MODE1, 500, false}};
    for (const Case& c : cases) {
        useMode(c.mode);
        hw.calls.clear();
        hw.clearFailures();
        hw.failCall("readSampleBuffer", 1, true);
        raw.fill(_CH1, 9);
        short* out = nullptr;
        EXPECT_FALSE(capture.acquire(_CH1, &out, nullptr)) << c.mode;
        EXPECT_EQ(hw.last("readSampleBuffer")->timeOut, c.timeOut) << c.mode;
        EXPECT_EQ(hw.count("start"), c.start ? 1 : 0) << c.mode;
        if (c.start) {
            EXPECT_EQ(hw.last("start")->timeOut, 100);
        }
        // Real time and RIS cleared the record before reading; ETS accumulates.
        EXPECT_EQ(raw.get(_CH1, 0), c.mode == _ETS_MODE1 ? 9 : EMPTY_SAMPLE) << c.mode;
    }
}

TEST_F(CaptureTest, StatusCheckRejectsMismatchedOrEmptyStatusWords) {
    struct Case {
        const char* what;
        int hw;
        int status, copy;
        bool breakCopy;
        bool passes;
        bool registersSent;
    };
    const Case cases[] = {
        {"good", _HW1, 0x185, 0x185, false, true, false},
        {"triggered, TDC 0", _HW1, 0x100, 0x100, false, false, false},
        {"copies differ", _HW2, 0x185, 0x186, false, false, false},
        {"copy undecodable", _HW1, 0x185, 0x185, true, false, false},
        {"TDC 0 is fine on _HW3", _HW3, 0x100, 0x100, false, true, false},
        {"copies differ on _HW4", _HW4, 0x185, 0x184, false, false, true},
        {"copy undecodable on _HW3", _HW3, 0x185, 0x185, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        s.d_hardwareVersion = c.hw;
        hw.calls.clear();
        auto bytes = buffer(c.status);
        put(bytes, 2, c.copy, 0);
        if (c.breakCopy) bytes[3] |= 0x80;
        hw.sampleData = bytes;
        raw.fill(_CH1, 9);
        short* out = nullptr;
        EXPECT_EQ(capture.acquire(_CH1, &out, nullptr), c.passes);
        EXPECT_STREQ(get_error_text(), "");
        EXPECT_EQ(raw.get(_CH1, 0), c.passes ? 100 : EMPTY_SAMPLE);
        EXPECT_EQ(hw.count("writeRegisters2"), c.registersSent ? 1 : 0);
        if (c.registersSent) {
            EXPECT_EQ(hw.last("writeRegisters2")->timeOut, 500);
            EXPECT_EQ(hw.last("writeRegisters2")->bytes[0], 0x12);
        }
    }
}

TEST_F(CaptureTest, MissingRecordIsErrorSixteenBeforeAnyRequest) {
    raw.release(_CH2);
    short* out1 = nullptr;
    short* out2 = nullptr;
    EXPECT_FALSE(capture.acquire(0, &out1, &out2));
    EXPECT_EQ(std::string(get_error_text()), errorLines({_ERR_NO_BUFFER}));
    EXPECT_TRUE(hw.calls.empty());
    EXPECT_TRUE(capture.acquire(_CH1, &out1, nullptr));

    // The single shot reports the same without an error.
    EXPECT_FALSE(capture.acquireSingle(_CH2, &out1, &out2));
    EXPECT_STREQ(get_error_text(), "");
}

TEST_F(CaptureTest, UndecodableBufferIsNoNewRecord) {
    auto bytes = buffer(STATUS_TRIGGERED | STATUS_HALF_PHASE | 5);
    bytes[8 + 2 * 2] ^= 0x40;
    hw.sampleData = bytes;
    short* out = nullptr;
    EXPECT_FALSE(capture.acquire(_CH1, &out, nullptr));
    EXPECT_EQ(std::string(get_error_text()), errorLines({17, _ERR_CONVERT_RAW}));
    EXPECT_FALSE(s.d_triggeredFlag);
    EXPECT_EQ(raw.get(_CH1, 0), EMPTY_SAMPLE);
}

TEST_F(CaptureTest, ETSCaptureReadsItsCountAndTakesTheTemperatureOnHw4) {
    useMode(_ETS_MODE1);
    s.d_timeDiv = _2NS_DIV;
    s.d_ETSReadCount = 3;
    s.d_hardwareVersion = _HW4;
    cal.chipTemperatureCalib = 2;
    cal.ETSMax = 255;
    hw.counterBytes = {0xF2, 0x33}; // -14
    s.d_bufferSize = kSize;
    s.d_horizontalPosition = 0;
    raw.fill(_CH1, 7); // what earlier captures placed: the reads add to it
    short* out = nullptr;
    ASSERT_TRUE(capture.acquire(_CH1, &out, nullptr));
    EXPECT_EQ(s.d_ETSOffsetMargin, -1); // (-14 - 2) / 9, toward zero (/ 8 would give -2)
    EXPECT_EQ(hw.count("readCounter"), 1);
    EXPECT_EQ(reads(), 3);
    EXPECT_EQ(s.d_ETSPointsPerSample, 100);
    EXPECT_EQ(s.d_ETSWindowLength, 0); // 4 x 0.01

    // Below _HW4 no counter is read; a failed read ends the capture.
    s.d_hardwareVersion = _HW3;
    hw.failCall("readSampleBuffer", reads() + 2);
    EXPECT_FALSE(capture.acquire(_CH1, &out, nullptr));
    EXPECT_EQ(hw.count("readCounter"), 1);
    EXPECT_EQ(hw.count("start"), 0);
}

TEST_F(CaptureTest, RollCaptureDoesNotPoll) {
    s.d_timeDiv = _1S_DIV;
    useMode(_ROLL);
    hw.sampleData.assign(128, 0);
    for (int m = 0; m < 30; ++m) {
        put(hw.sampleData, 4 * m, 700, 0);
        put(hw.sampleData, 4 * m + 2, 800, 1);
    }
    short* out = nullptr;
    ASSERT_TRUE(capture.acquire(_CH1, &out, nullptr));
    EXPECT_EQ(hw.count("pollTrigger"), 0);
    EXPECT_EQ(raw.get(_CH1, kSize - 1), 700);
}

TEST_F(CaptureTest, SingleShotStopsOnlyWhenTriggered) {
    short* out1 = nullptr;
    short* out2 = nullptr;
    hw.sampleData = buffer(STATUS_HALF_PHASE | 5); // not triggered
    ASSERT_TRUE(capture.acquireSingle(_CH2, &out1, &out2));
    EXPECT_EQ(out1, nullptr);
    EXPECT_EQ(out2, raw.data(_CH2));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(hw.last("readSampleBuffer")->timeOut, 321);

    hw.sampleData = buffer(STATUS_TRIGGERED | STATUS_HALF_PHASE | 5);
    ASSERT_TRUE(capture.acquireSingle(_CH1, &out1, &out2));
    EXPECT_EQ(out2, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"stop", "controls 2", "button"}));

    // ETS does not read in single shot; RIS stops when triggered.
    log.clear();
    hw.calls.clear();
    useMode(_ETS_MODE1);
    EXPECT_TRUE(capture.acquireSingle(0, &out1, &out2));
    EXPECT_TRUE(hw.calls.empty());
    EXPECT_TRUE(log.empty());
    useMode(_RIS);
    s.d_timeDiv = _2NS_DIV;
    EXPECT_TRUE(capture.acquireSingle(0, &out1, &out2));
    EXPECT_EQ(hw.last("readSampleBuffer")->timeOut, 500);
    EXPECT_EQ(log.size(), 3u);
    EXPECT_EQ(s.d_ETSPointsPerSample, 100);

    // No view: nothing but the stop.
    log.clear();
    capture.setRunStateView(nullptr);
    useMode(_REAL_TIME);
    EXPECT_TRUE(capture.acquireSingle(0, &out1, &out2));
    EXPECT_EQ(log, (std::vector<std::string>{"stop"}));
}

} // namespace
