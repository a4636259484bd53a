#include "buffer_display_data.h"
#include "buffer_raw_data.h"
#include "calibration.h"
#include "empty_sample.h"
#include "interpolation_linear.h"
#include "interpolation_sinc.h"
#include "state.h"
#include "transform_raw_display.h"
#include "transform_raw_display_canvas.h"
#include "transform_raw_display_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

TEST(TableRawDisplay, RowsFromGainAndPixelFactor) {
    State s;
    s.d_hardwareVersion = _HW1;
    s.d_adcLevels = 4096;
    s.d_displayHeight = 400;
    s.d_channel[_CH1].voltageDiv = _1V_DIV;
    s.d_channel[_CH1].channelCoupling = _DC;
    TableRawDisplay table(&s);
    EXPECT_DOUBLE_EQ(table.getFactor(7), 0.12207);
    ASSERT_TRUE(table.build(_CH1)); // no calibration: gain 1
    EXPECT_EQ(table.getRow(_CH1, 2048), 200);
    EXPECT_EQ(table.getRow(_CH1, 0), -49); // trunc(-49.5): toward zero
    EXPECT_EQ(table.getRow(_CH1, 4095), 450);
    EXPECT_EQ(table.getRow(5, 100), -1);
    EXPECT_EQ(table.getRow(0, 100), -1);

    Calibration calibration;
    calibration.ampDCCh1[7] = 2.0f;
    s.p_calibration = &calibration;
    ASSERT_TRUE(table.build(_CH1));
    EXPECT_EQ(table.getRow(_CH1, 2148), int(100 * 2.0 * 0.12207 + 200.5));
    EXPECT_EQ(table.getRow(_CH2, 2148), 0); // untouched block

    s.d_hardwareVersion = _HW3;
    s.d_ADCAmpFactor = 2.4;
    s.d_adcLevels = 1024;
    TableRawDisplay table3(&s);
    const double k = double(float(2.5 / 2.4));
    EXPECT_DOUBLE_EQ(table3.getFactor(0), 3.90625 * k);
    EXPECT_DOUBLE_EQ(table3.getFactor(10), 0.390625 * k);
    s.d_channel[_MATH].voltageDiv = 0;
    ASSERT_TRUE(table3.build(_MATH)); // math and reference have gain 1
    EXPECT_EQ(table3.getRow(_MATH, 512 + 10), int(10 * 3.90625 * k + 200.5));

    s.d_hardwareVersion = 0;
    TableRawDisplay unset(&s);
    EXPECT_EQ(unset.getFactor(3), 0.0);
}

// A 10 x 8 display whose rows are the codes 0..15 (8..15 off the image); one hit adds 1.
class TransformTest : public ::testing::Test {
protected:
    static constexpr int W = 10;
    static constexpr int H = 8;

    void SetUp() override {
        s.d_displayWidth = W;
        s.d_displayHeight = H;
        s.d_adcLevels = 16;
        s.d_intensityStep = 1.0f;
        s.d_bufferSize = 20;
        s.d_runState = _RUN;
        s.d_triggerMode = _NORMAL;
        s.d_triggeredFlag = false;
        s.d_XYPlotOnOff = false;
        s.d_acquisitionMode = _REAL_TIME;
        s.d_timeDiv = 11;
        s.d_lineJoinMode = 1;
        s.d_persistence = 0;
        for (int ch = _CH1; ch <= _REFERENCE; ++ch) {
            ASSERT_TRUE(raw.resize(20, ch));
            ASSERT_TRUE(display.create(ch, W, H));
        }
        transform = std::make_unique<TransformRawDisplay>(&raw, &display, &s, nullptr);
        ASSERT_TRUE(transform->isComplete());
        for (int ch = _CH1; ch <= _REFERENCE; ++ch) transform->getTableRawDisplay()->fillRows(ch, 0, 1.0, 0);
    }

    void setRecord(int ch, const std::vector<short>& values) { std::copy(values.begin(), values.end(), raw.data(ch)); }
    std::vector<short> record(int ch) { return {raw.data(ch), raw.data(ch) + raw.size(ch)}; }
    unsigned char* image(int ch) { return display.getImage(ch); }
    Picture picture(int ch) {
        Picture out;
        for (int y = H - 1; y >= 0; --y) {
            std::string line;
            for (int x = 0; x < W; ++x) {
                const int v = image(ch)[y * W + x];
                line += v == 0 ? '.' : v < 10 ? char('0' + v) : char('a' + v - 10);
            }
            out.push_back(line);
        }
        return out;
    }
    // The same drawing done by the kernels on a 10 x 8 canvas with identity rows.
    Picture kernelPicture(const std::function<void(TestCanvas&)>& draw) {
        TestCanvas t(W, H, 16, 1);
        draw(t);
        return t.picture();
    }

    State s;
    BufferRawData raw;
    BufferDisplayData display;
    std::unique_ptr<TransformRawDisplay> transform;
};

TEST_F(TransformTest, FadeByPersistenceInRealTimeOnly) {
    s.d_timeDiv = 15;
    transform->initDecayTable();
    for (int level = -3; level <= 20; ++level) {
        std::fill(image(_CH1), image(_CH1) + W * H, 100);
        s.d_persistence = level;
        ASSERT_TRUE(transform->transform(_CH1)); // the record is empty: only the fade shows
        const int clamped = level < 0 ? 0 : level > 16 ? 16 : level;
        const int expected = int(100 * transform->getDecay(clamped));
        EXPECT_EQ(image(_CH1)[37], expected) << level;
        if (clamped == 16) {
            EXPECT_EQ(expected, 100);
        }
    }
    for (int mode : {_ETS_MODE1, _RIS, _ROLL}) {
        std::fill(image(_CH1), image(_CH1) + W * H, 100);
        s.d_acquisitionMode = mode;
        s.d_persistence = 16;
        ASSERT_TRUE(transform->transform(_CH1));
        EXPECT_EQ(image(_CH1)[37], 0) << mode;
    }
}

TEST_F(TransformTest, IntensityStepIsCappedAt127) {
    s.d_lineJoinMode = 0;
    s.d_runState = _STOP;
    s.d_persistence = 16;
    s.d_intensityStep = 1000.0f;
    setRecord(_CH1, {3, 3});
    for (int pass = 0; pass < 3; ++pass) {
        ASSERT_TRUE(transform->transform(_CH1));
        for (int i = 0; i < W * H; ++i) ASSERT_LE(image(_CH1)[i], 127);
    }
    EXPECT_EQ(image(_CH1)[3 * W + 0], 127);
}

TEST_F(TransformTest, DotsByRunStateAndTimeBase) {
    s.d_lineJoinMode = 0;
    s.d_acquisitionMode = _ETS_MODE1;
    setRecord(_CH1, {2, 2, 2, 2, 20480 + 5, E, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2});
    s.d_ETSWindowStart = 4;
    s.d_ETSWindowLength = 4;
    s.d_ETSPointsPerSample = 20;

    // Stopped: the whole record, two samples per column, never jitter.
    s.d_runState = _STOP;
    s.d_triggeredFlag = true;
    ASSERT_TRUE(transform->transform(_CH1));
    EXPECT_EQ(picture(_CH1), (Picture{"..........", "..........", "..1.......", "..........", "..........",
                                      "22.2222222", "..........", ".........."}));

    // Running at a fast time base: the window only, jittered (triggered): entries 1, 2, 3.
    s.d_runState = _RUN;
    s.d_timeDiv = 3;
    ASSERT_TRUE(transform->transform(_CH1));
    EXPECT_EQ(picture(_CH1), (Picture{"..........", "..........", "1.........", "..........", "..11......",
                                      "..........", "..........", ".........."}));

    // Time/div 7 and up: the whole record, jitter only when triggered or in auto mode.
    s.d_timeDiv = 9;
    s.d_triggeredFlag = false;
    s.d_triggerMode = _NORMAL;
    ASSERT_TRUE(transform->transform(_CH1));
    EXPECT_EQ(picture(_CH1)[5], "22.2222222");
    s.d_triggerMode = _AUTO;
    ASSERT_TRUE(transform->transform(_CH1));
    const Picture jittered = kernelPicture([&](TestCanvas& t) {
        JitterSequence jitter;
        for (int i = 0; i < 3; ++i) jitter.next(); // read by the window dots above
        drawDots(t.c, raw.data(_CH1), 20, &jitter);
    });
    EXPECT_EQ(picture(_CH1), jittered);
}

TEST_F(TransformTest, ReferenceAlwaysDrawsTheWholeRecord) {
    s.d_acquisitionMode = _ETS_MODE1;
    s.d_timeDiv = 3;
    s.d_ETSWindowStart = 0;
    s.d_ETSWindowLength = 0;
    s.d_triggerMode = _AUTO;
    const std::vector<short> values = {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 6, 6, 5, 5, 4, 4};
    setRecord(_REFERENCE, values);
    for (int join : {0, 1}) {
        s.d_lineJoinMode = join;
        ASSERT_TRUE(transform->transform(_REFERENCE));
        const Picture expected = kernelPicture([&](TestCanvas& t) {
            if (join)
                drawVectors(t.c, values.data(), 20);
            else
                drawDots(t.c, values.data(), 20, nullptr);
        });
        EXPECT_EQ(picture(_REFERENCE), expected) << join;
    }
}

// Running vectors: which completion and which drawing each method and time base gets. The
// kernels are pinned on their own; here the transform must compose them as the time base says.
TEST_F(TransformTest, RunningVectorsByModeAndTimeBase) {
    constexpr int N = 200; // with 100 delivered samples: interval 200 / (100 / 2) = 4
    s.d_bufferSize = N;
    s.d_acquireLength = 120;
    s.d_ETSPhase = 0;
    s.d_ETSWindowStart = 50;
    s.d_ETSWindowLength = 10;
    s.d_ETSPointsPerSample = 20;
    std::vector<short> ris(N, E), ets(N, E);
    for (int p = 0; p < N; p += 4) ris[static_cast<size_t>(p)] = static_cast<short>(2 + (p / 4) % 5);
    for (int p = 5; p < N; p += 3) ets[static_cast<size_t>(p)] = static_cast<short>(1 + (p / 3) % 6);
    ets[55] = ets[56] = E;
    const ETSWindow w{50, 10, 20};

    using Expect = std::function<void(std::vector<short>&, TestCanvas&)>;
    auto columns = [&](bool gapFill) {
        return [=](std::vector<short>& r, TestCanvas& t) {
            InterpolationLinear<short> lin;
            std::vector<short> codes(W);
            drawColumnInterpolation(t.c, r.data(), w, gapFill, lin, codes.data());
        };
    };
    auto sinc = [](std::vector<short>& r) { InterpolationSinc<short>(N, 0, 4).interpolate(r.data()); };
    auto linear = [](std::vector<short>& r) { InterpolationLinear<short>(N, 0, 4).interpolate(r.data()); };
    struct Case {
        const char* name;
        int mode, timeDiv;
        const std::vector<short>& in;
        Expect expected;
    };
    const std::vector<Case> cases = {
        {"RIS 0: sinc, column interpolation", _RIS, 0, ris,
         [&](std::vector<short>& r, TestCanvas& t) {
             sinc(r);
             columns(false)(r, t);
         }},
        {"RIS 1: sinc, column interpolation", _RIS, 1, ris,
         [&](std::vector<short>& r, TestCanvas& t) {
             sinc(r);
             columns(false)(r, t);
         }},
        {"RIS 3: sinc, window vectors", _RIS, 3, ris,
         [&](std::vector<short>& r, TestCanvas& t) {
             sinc(r);
             drawWindowVectors(t.c, r.data(), w, false);
         }},
        {"RIS 6: linear, window vectors", _RIS, 6, ris,
         [&](std::vector<short>& r, TestCanvas& t) {
             linear(r);
             drawWindowVectors(t.c, r.data(), w, false);
         }},
        {"RIS 7: linear, window vectors", _RIS, 7, ris,
         [&](std::vector<short>& r, TestCanvas& t) {
             linear(r);
             drawWindowVectors(t.c, r.data(), w, false);
         }},
        {"RIS 8: hold, window vectors", _RIS, 8, ris,
         [&](std::vector<short>& r, TestCanvas& t) {
             holdRecord(r.data(), N);
             drawWindowVectors(t.c, r.data(), w, false);
         }},
        {"ETS 0: record gaps, column interpolation with gaps", _ETS_MODE1, 0, ets,
         [&](std::vector<short>& r, TestCanvas& t) {
             fillRecordGaps(r.data(), N);
             columns(true)(r, t);
         }},
        {"ETS 4: window vectors with gaps", _ETS_MODE2, 4, ets,
         [&](std::vector<short>& r, TestCanvas& t) { drawWindowVectors(t.c, r.data(), w, true); }},
        {"ETS 9: hold, whole record", _ETS_MODE1, 9, ets,
         [&](std::vector<short>& r, TestCanvas& t) {
             holdRecord(r.data(), N);
             drawVectors(t.c, r.data(), N);
         }},
        {"real time: whole record", _REAL_TIME, 12, ets,
         [&](std::vector<short>& r, TestCanvas& t) { drawVectors(t.c, r.data(), N); }},
    };
    ASSERT_TRUE(raw.resize(N, _CH1));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s.d_acquisitionMode = c.mode;
        s.d_timeDiv = c.timeDiv;
        setRecord(_CH1, c.in);
        ASSERT_TRUE(transform->transform(_CH1));
        std::vector<short> expectedRecord = c.in;
        const Picture expected = kernelPicture([&](TestCanvas& t) { c.expected(expectedRecord, t); });
        EXPECT_EQ(picture(_CH1), expected);
        EXPECT_EQ(record(_CH1), expectedRecord);
        int hits = 0;
        for (int i = 0; i < W * H; ++i) hits += image(_CH1)[i] != 0;
        EXPECT_GT(hits, 0);
    }
}

TEST_F(TransformTest, HoldLeavesAnEmptyRecordEmpty) {
    s.d_acquisitionMode = _ETS_MODE1;
    s.d_timeDiv = 9;
    ASSERT_TRUE(transform->transform(_CH1));
    EXPECT_EQ(record(_CH1), std::vector<short>(20, E));
    EXPECT_EQ(picture(_CH1), Picture(H, ".........."));
}

TEST_F(TransformTest, StaleOrEmptyWindowDrawsNothing) {
    setRecord(_CH1, std::vector<short>(20, 3));
    struct Case {
        int mode, timeDiv, lineJoin, start, length, pointsPerSample;
    };
    // A 500k window after a switch to 10k; a window of length 0 (no division by it).
    for (const Case& c :
         {Case{_ETS_MODE1, 0, 1, 247500, 5000, 100}, Case{_ETS_MODE1, 0, 1, 0, 0, 100}, Case{_RIS, 1, 1, 3, 0, 50},
          Case{_RIS, 3, 1, 20, 7, 10}, Case{_ETS_MODE1, 4, 0, 21, 5, 20}, Case{_ETS_MODE1, 4, 1, 0, 0, 20}}) {
        s.d_acquisitionMode = c.mode;
        s.d_timeDiv = c.timeDiv;
        s.d_lineJoinMode = c.lineJoin;
        s.d_ETSWindowStart = c.start;
        s.d_ETSWindowLength = c.length;
        s.d_ETSPointsPerSample = c.pointsPerSample;
        ASSERT_TRUE(transform->transform(_CH1));
        EXPECT_EQ(picture(_CH1), Picture(H, "..........")) << c.timeDiv << " " << c.start;
    }
}

TEST_F(TransformTest, NewTimeBaseRecomputesTheWindow) {
    s.d_ETSWindowStart = 247500;
    s.d_ETSWindowLength = 5000;
    s.d_ETSPointsPerSample = 100;
    s.d_timeDiv = 1;
    s.d_bufferSize = 10000;
    s.d_horizontalPosition = 250;
    transform->initDecayTable();
    EXPECT_EQ(s.d_ETSWindowStart, 4900);
    EXPECT_EQ(s.d_ETSWindowLength, 200);
    EXPECT_EQ(s.d_ETSPointsPerSample, 50);
    s.d_timeDiv = 12;
    transform->initDecayTable();
    EXPECT_EQ(s.d_ETSWindowStart, 0);
    EXPECT_EQ(s.d_ETSWindowLength, 10000);
    EXPECT_EQ(s.d_ETSPointsPerSample, 1);
}

TEST_F(TransformTest, XYModeHandsChannelOneToThePlot) {
    s.d_XYPlotOnOff = true;
    s.d_channel[_CH1].channelOnOff = true;
    s.d_channel[_CH2].channelOnOff = true;
    setRecord(_CH2, std::vector<short>(20, 3));
    ASSERT_TRUE(transform->transform(_CH2)); // no plot set: nothing drawn
    EXPECT_EQ(picture(_CH2), Picture(H, ".........."));

    std::vector<std::tuple<unsigned char*, int, int, float>> calls;
    transform->setXYPlot([&](unsigned char* image_, int width_, int height_, float intensity_) {
        calls.emplace_back(image_, width_, height_, intensity_);
    });
    for (int ch : {_CH2, _CH1}) ASSERT_TRUE(transform->transform(ch));
    ASSERT_EQ(calls.size(), 2u);
    for (auto& call : calls) EXPECT_EQ(call, std::make_tuple(image(_CH1), W, H, 127.0f));
    EXPECT_EQ(picture(_CH2), Picture(H, ".........."));

    s.d_channel[_CH2].channelOnOff = false; // X-Y needs both channels
    ASSERT_TRUE(transform->transform(_CH2));
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(TransformTest, ShortRecordsAndBadImages) {
    ASSERT_TRUE(raw.resize(10, _CH1));
    setRecord(_CH1, std::vector<short>(10, 4));
    s.d_bufferSize = 20000; // larger than the record: only the record is read
    s.d_runState = _STOP;
    ASSERT_TRUE(transform->transform(_CH1));
    EXPECT_EQ(picture(_CH1)[3], "2222222221"); // one sample per column, joined

    ASSERT_TRUE(display.create(_CH2, 5, 5)); // not the display size
    EXPECT_FALSE(transform->transform(_CH2));
    EXPECT_FALSE(transform->transform(5));
    EXPECT_FALSE(transform->transform(0));
}

} // namespace
