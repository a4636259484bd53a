// Reference waveform, math trace, stopped capture and the per-record treatments, through the
// facade on the simulated instrument. Records are written straight into the kernel's raw
// buffer so that every expected value is known.
#include "simulated_kernel.h"

#include "buffer_raw_data.h"
#include "buffer_raw_data_stop.h"
#include "calibration.h"
#include "reference_file.h"

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

short* record(int ch) { return g_control->p_bufferRawData->data(ch); }
int bufferSize() { return controlGetBufferSize(); }

void fillRecord(int ch, short (*value)(int i)) {
    for (int i = 0; i < bufferSize(); ++i) record(ch)[i] = value(i);
}

// Unit gains everywhere, so that rows follow the pixel factors alone.
void neutralGains() {
    Calibration& c = *g_control->p_calibration;
    for (int v = 0; v <= _10V_DIV; ++v) c.ampDCCh1[v] = c.ampACCh1[v] = c.ampDCCh2[v] = c.ampACCh2[v] = 1.0f;
    for (int ch : {1, 2, 3, 4})
        if (controlGetChannelOnOff(ch)) controlSetVoltageDiv(ch, controlGetVoltageDiv(ch));
}

std::string le16(int v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string le64(double d) {
    std::string s(8, '\0');
    std::memcpy(s.data(), &d, 8); // the test host is little-endian
    return s;
}

// ---------------------------------------------------------------- reference file

const char* const kOneChannel = "[CHANNEL]\nchannelOnOff1=1\nchannelCoupling1=1\nvoltageDiv1=5\nvoltageOffset1=300\n"
                                "[HORIZONTAL]\ntimeDiv=17\n";

TEST(ReferenceSave, WritesTheExactBytesOfAnInvertedChannel) {
    SimulatedKernel k(_HW4, true, kOneChannel);
    ASSERT_TRUE(k.create()) << get_error_text();
    ASSERT_TRUE(controlSetInvertOnOff(_CH1, true));
    fillRecord(_CH1, [](int i) { return static_cast<short>(i % 1024); });
    record(_CH1)[1] = EMPTY_SAMPLE;

    const std::string path = k.dir().file("ch1.ref");
    ASSERT_TRUE(controlSaveReference(_CH1, path.c_str()));
    const std::string file = TempDir::read(path);
    ASSERT_EQ(file.size(), 30u + 2 * 10000);
    std::string header = std::string("\x10\x27\0\0", 4) + le16(17) + le16(5);
    header += le64(100.0); // inverted: 400 - 300
    header += le64(250.0) + le16(_DC) + std::string("1\0\0\0", 4);
    EXPECT_EQ(file.substr(0, 30), header);
    EXPECT_EQ(file.substr(30, 8), le16(0) + le16(4096) + le16(2) + le16(3));
    EXPECT_EQ(file.substr(30 + 2 * 1500, 2), le16(1500 % 1024));

    // The saved waveform is the reference now, with the offset as written.
    const BufferRawDataStop& ref = *g_control->p_bufferRawDataRef;
    EXPECT_EQ(ref.d_bufferSize, 10000);
    EXPECT_EQ(ref.d_voltageOffsetCh1, 100);
    EXPECT_EQ(ref.d_sourceChannel, 1);
    EXPECT_EQ(ref.get(_CH1, 1500), 1500 % 1024);
}

TEST(ReferenceSave, RefusesChannelsThatAreOffOrNotInputs) {
    SimulatedKernel k(_HW4, true, kOneChannel);
    ASSERT_TRUE(k.create()) << get_error_text();
    const std::string path = k.dir().write("old.ref", "keep me");
    for (int ch : {int(_CH2), int(_MATH), int(_REFERENCE), 0, 7}) {
        EXPECT_FALSE(controlSaveReference(ch, path.c_str())) << ch;
        EXPECT_EQ(TempDir::read(path), "keep me") << ch;
    }
    EXPECT_EQ(g_control->p_bufferRawDataRef->d_bufferSize, 0);
    // A folder that does not exist: the write fails and says why.
    const std::string unwritable = k.dir().file("none/x.ref");
    EXPECT_FALSE(controlSaveReference(_CH1, unwritable.c_str()));
    EXPECT_EQ(std::string(get_error_text()), "Error : Can't create temporaty file - Win32 Error (cannot create a "
                                             "temporary file beside " +
                                                 unwritable + ": No such file or directory)\n");
    EXPECT_EQ(g_control->p_bufferRawDataRef->d_bufferSize, 0);
}

TEST(ReferenceLoad, ReadOnlyFileLoadsAndBadFilesChangeNothing) {
    SimulatedKernel k(_HW4, true, kOneChannel);
    ASSERT_TRUE(k.create()) << get_error_text();
    ReferenceFile f;
    f.timeDiv = 17;
    f.voltageDiv = 5;
    f.offsetRow = 300.9;
    f.horizontalPosition = 250;
    f.coupling = _AC;
    f.channel = 2;
    f.samples.assign(10000, 512);
    const std::string good = k.dir().write("good.ref", packReferenceFile(f));
    ::chmod(good.c_str(), 0444);
    ASSERT_TRUE(controlLoadReference(good.c_str()));
    const BufferRawDataStop* loaded = g_control->p_bufferRawDataRef.get();
    EXPECT_EQ(loaded->d_voltageOffsetCh1, 300);
    EXPECT_EQ(loaded->d_sourceChannel, 2);
    EXPECT_EQ(loaded->d_channelCouplingCh1, _AC);

    const std::string bytes = packReferenceFile(f);
    std::string badSample = bytes;
    badSample[30 + 2 * 9999 + 1] = 0x7F;
    const std::string bad[] = {
        bytes.substr(0, 6), // what saving a channel that was off used to leave
        bytes.substr(0, bytes.size() - 1),
        bytes + "xx",
        badSample,
    };
    for (const std::string& content : bad) {
        const std::string path = k.dir().write("bad.ref", content);
        EXPECT_FALSE(controlLoadReference(path.c_str()));
        EXPECT_EQ(g_control->p_bufferRawDataRef.get(), loaded);
    }
    EXPECT_FALSE(controlLoadReference(k.dir().file("missing.ref").c_str()));
    EXPECT_FALSE(controlLoadReference(k.dir().path().c_str()));
    EXPECT_EQ(g_control->p_bufferRawDataRef.get(), loaded);
    EXPECT_STREQ(get_error_text(), "");
}

TEST(ReferenceTrace, RerendersAtTheCurrentTimeBase) {
    SimulatedKernel k(_HW4, true, kOneChannel);
    ASSERT_TRUE(k.create()) << get_error_text();
    ASSERT_TRUE(controlSetChannelOnOff(_REFERENCE, true));
    ASSERT_TRUE(controlSetTimeDiv(12));
    fillRecord(_CH1, [](int i) { return static_cast<short>(i / 10); });
    ASSERT_TRUE(controlSaveReference(_CH1, k.dir().file("r.ref").c_str()));

    // Half the time per division: every second position, centred.
    ASSERT_TRUE(controlSetTimeDiv(11));
    ASSERT_TRUE(controlUpdateReference());
    for (int j : {0, 1, 2499, 4999}) {
        EXPECT_EQ(controlGetRawSample(_REFERENCE, 2 * j), (2500 + j) / 10) << j;
        EXPECT_EQ(controlGetRawSample(_REFERENCE, 2 * j + 1), EMPTY_SAMPLE) << j;
    }
    // Nothing of the old picture survives an update.
    ASSERT_TRUE(controlSetTimeDiv(13)); // 40 us/div: the record shrinks to 0.4 x 0.5 ...
    ASSERT_TRUE(controlUpdateReference());
    EXPECT_EQ(controlGetRawSample(_REFERENCE, 9998), EMPTY_SAMPLE);
    EXPECT_EQ(controlGetRawSample(_REFERENCE, 5000), 5000 / 10); // ... around the centre

    // An empty reference leaves the trace empty.
    g_control->p_bufferRawDataRef = std::make_unique<BufferRawDataStop>();
    EXPECT_TRUE(controlUpdateReference());
    EXPECT_FALSE(g_control->redrawReference());
    EXPECT_EQ(controlGetRawSample(_REFERENCE, 5000), EMPTY_SAMPLE);
}

TEST(ReferenceTrace, RescalesRowsToTheReferenceVoltDiv) {
    SimulatedKernel k(_HW4, true, kOneChannel);
    ASSERT_TRUE(k.create()) << get_error_text();
    ASSERT_TRUE(controlSetChannelOnOff(_REFERENCE, true));
    ASSERT_TRUE(controlSetVoltageOffset(_REFERENCE, 150));
    neutralGains();
    std::vector<int> rowsThen(1024);
    for (int c = 0; c < 1024; ++c) rowsThen[c] = controlRawToRow(_CH1, static_cast<short>(c));
    ASSERT_TRUE(controlSaveReference(_CH1, k.dir().file("r.ref").c_str()));

    ASSERT_TRUE(controlSetVoltageDiv(_REFERENCE, 4)); // 200 mV/div -> 100 mV/div
    ASSERT_TRUE(controlUpdateReference());
    for (int c : {0, 100, 512, 700, 1023}) {
        // The voltage of a code at 200 mV/div drawn at 100 mV/div: twice the rows from the zero row.
        EXPECT_NEAR(controlRawToRow(_REFERENCE, static_cast<short>(c)) - 150, 2.0 * (rowsThen[c] - 300), 2.5) << c;
    }
}

// ---------------------------------------------------------------- math trace

const char* const kMath = "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\nchannelOnOff3=1\nchannelCoupling1=1\n"
                          "channelCoupling2=1\nvoltageDiv1=7\nvoltageDiv2=7\nvoltageDiv3=8\nvoltageOffset3=200\n"
                          "[HORIZONTAL]\ntimeDiv=17\n";

// A code of channel ch whose row is the channel's zero row: exactly 0 V.
short zeroVoltCode(int ch) {
    const int row = static_cast<int>(controlGetVoltageOffset(ch));
    for (int c = 0; c < controlGetAdcLevels(); ++c)
        if (controlRawToRow(ch, static_cast<short>(c)) == row) return static_cast<short>(c);
    ADD_FAILURE() << "no code on the zero row";
    return 0;
}

class MathTrace : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(k.create()) << get_error_text();
        n = bufferSize();
        ASSERT_GE(n, 8);
        std::fill_n(record(_CH1), n, 700);
        std::fill_n(record(_CH2), n, 300);
    }
    double volts(int ch, int code) { return controlRawToVoltage(ch, static_cast<short>(code)); }
    // Volts of one math code step around `code`.
    double step(int code) { return std::fabs(volts(_MATH, code + 1) - volts(_MATH, code)); }
    int math(int i) { return controlGetRawSample(_MATH, i); }

    SimulatedKernel k{_HW4, true, kMath};
    int n = 0;
};

TEST_F(MathTrace, FourOperationsInVolts) {
    const double a = volts(_CH1, 700), b = volts(_CH2, 300);
    ASSERT_GT(a, 0.5);
    ASSERT_LT(b, -0.5);
    const double expected[] = {a + b, a - b, a * b, a / b};
    for (int op = _ADD; op <= _DIVIDE; ++op) {
        ASSERT_TRUE(controlSetMathOperation(op));
        ASSERT_TRUE(controlUpdateMath());
        EXPECT_NEAR(volts(_MATH, math(3)), expected[op], step(math(3))) << op;
        EXPECT_EQ(math(0), math(n - 1)) << op;
    }
}

TEST_F(MathTrace, EmptyFlaggedAndInvalidSamples) {
    record(_CH1)[1] = EMPTY_SAMPLE;
    record(_CH2)[2] = EMPTY_SAMPLE;
    record(_CH1)[3] = 20480 + 700; // flagged: the same code
    record(_CH2)[4] = 2000;        // beyond the 10-bit converter
    ASSERT_TRUE(controlUpdateMath());
    EXPECT_EQ(math(1), EMPTY_SAMPLE);
    EXPECT_EQ(math(2), EMPTY_SAMPLE);
    EXPECT_EQ(math(3), math(0));
    EXPECT_EQ(math(4), EMPTY_SAMPLE);
    EXPECT_NE(math(0), EMPTY_SAMPLE);
}

TEST_F(MathTrace, ZeroDivisorIsEmptyAndHugeQuotientsAreClamped) {
    ASSERT_TRUE(controlSetMathOperation(_DIVIDE));
    const short zero = zeroVoltCode(_CH2);
    // The codes next to 0 V: one row above and one row below.
    short above = zero, below = zero;
    while (volts(_CH2, above) == 0.0) ++above;
    while (volts(_CH2, below) == 0.0) --below;
    record(_CH2)[1] = zero;
    record(_CH2)[2] = above;
    record(_CH2)[3] = below;
    ASSERT_TRUE(controlUpdateMath());
    EXPECT_EQ(math(1), EMPTY_SAMPLE);
    EXPECT_EQ(math(2), 1023);
    EXPECT_EQ(math(3), 0);
    for (int i = 0; i < n; ++i) ASSERT_TRUE(math(i) == EMPTY_SAMPLE || (math(i) >= 0 && math(i) < 1024)) << i;
}

TEST_F(MathTrace, SourcesThatAreOffGiveAnEmptyTrace) {
    ASSERT_TRUE(controlUpdateMath());
    ASSERT_NE(math(5), EMPTY_SAMPLE);
    ASSERT_TRUE(controlSetMathSource2(_REFERENCE));
    ASSERT_TRUE(controlUpdateMath());
    EXPECT_EQ(math(5), EMPTY_SAMPLE);

    ASSERT_TRUE(controlSetMathSource2(_CH2));
    ASSERT_TRUE(controlSetChannelOnOff(_CH2, false));
    ASSERT_TRUE(controlUpdateMath());
    for (int i : {0, 5, n - 1}) EXPECT_EQ(math(i), EMPTY_SAMPLE) << i;
}

TEST_F(MathTrace, MatchesTheSampleBySampleConversionAfterEveryChange) {
    // Seeded random records and settings; between the changes the same sources again. Each
    // result against the plain per-sample conversion of the kernel.
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> code(-20, 1100), pick(0, 6);
    auto plain = [&](int i) {
        auto usable = [](short raw, short& c) {
            if (raw == EMPTY_SAMPLE) return false;
            c = static_cast<short>(raw >= 20480 ? raw - 20480 : raw);
            return c >= 0 && c < controlGetAdcLevels();
        };
        short a = 0, b = 0;
        if (!usable(record(_CH1)[i], a) || !usable(record(_CH2)[i], b)) return int(EMPTY_SAMPLE);
        const double va = volts(_CH1, a), vb = volts(_CH2, b);
        double v = 0;
        switch (controlGetMathOperation()) {
        case _ADD: v = va + vb; break;
        case _SUBTRACT: v = va - vb; break;
        case _MULTIPLY: v = va * vb; break;
        default:
            if (vb == 0.0) return int(EMPTY_SAMPLE);
            v = va / vb;
        }
        return std::clamp(g_control->voltageToRaw(_MATH, v), 0, controlGetAdcLevels() - 1);
    };
    for (int step = 0; step < 24; ++step) {
        switch (pick(rng)) {
        case 0:
            for (int ch : {_CH1, _CH2})
                for (int i = 0; i < n; ++i) {
                    const int c = code(rng);
                    record(ch)[i] = static_cast<short>(c > 1050 ? EMPTY_SAMPLE : c > 1030 ? 20480 + c - 1030 : c);
                }
            break;
        case 1: ASSERT_TRUE(controlSetMathOperation(step % 4)); break;
        case 2: ASSERT_TRUE(controlSetVoltageDiv(_MATH, 5 + step % 4)); break;
        case 3: ASSERT_TRUE(controlSetVoltageOffset(_MATH, 100 + 7 * step)); break;
        case 4: ASSERT_TRUE(controlSetVoltageOffset(step % 2 ? _CH1 : _CH2, 150 + 5 * step)); break;
        case 5: ASSERT_TRUE(controlSetInvertOnOff(_CH2, step % 2 != 0)); break;
        default: record(_CH1)[step] = static_cast<short>(code(rng)); break; // one sample
        }
        ASSERT_TRUE(controlUpdateMath());
        for (int i = 0; i < n; ++i) ASSERT_EQ(math(i), plain(i)) << "step " << step << " at " << i;
    }

    // Stopped, the records unchanged: one setting of one source at a time, each of which the
    // trace must follow (a cache that missed one would keep the trace of before).
    ASSERT_TRUE(controlSetVoltageDiv(_MATH, _5V_DIV)); // nothing clipped at the edges
    ASSERT_TRUE(controlSetVoltageOffset(_MATH, 200));
    ASSERT_TRUE(controlSetMathOperation(_SUBTRACT));
    ASSERT_TRUE(controlSetRunState(_STOP));
    // The same samples before each change (a volt/div setter empties the records).
    const auto sameRecords = [&] {
        for (int i = 0; i < n; ++i) {
            record(_CH1)[i] = static_cast<short>(480 + i % 60);
            record(_CH2)[i] = static_cast<short>(530 - i % 40);
        }
    };
    sameRecords();
    ASSERT_TRUE(controlUpdateMath());
    // One sample of the second source alone: the trace follows it.
    const int unchanged = math(5);
    record(_CH2)[5] = 300;
    ASSERT_TRUE(controlUpdateMath());
    EXPECT_NE(math(5), unchanged);
    EXPECT_EQ(math(5), plain(5));
    for (int ch : {int(_CH1), int(_CH2)}) {
        const struct {
            const char* name;
            std::function<bool()> change;
        } rows[] = {
            {"probe", [ch] { return controlSetProbeAttenuation(ch, _X10); }},
            {"invert", [ch] { return controlSetInvertOnOff(ch, !controlGetInvertOnOff(ch)); }},
            {"offset", [ch] { return controlSetVoltageOffset(ch, controlGetVoltageOffset(ch) + 13); }},
            {"volt/div", [ch] { return controlSetVoltageDiv(ch, controlGetVoltageDiv(ch) == 6 ? 7 : 6); }},
            {"probe back", [ch] { return controlSetProbeAttenuation(ch, _X1); }},
        };
        for (const auto& row : rows) {
            sameRecords();
            const int before = math(5);
            ASSERT_TRUE(row.change()) << row.name;
            sameRecords();
            ASSERT_TRUE(controlUpdateMath());
            EXPECT_NE(math(5), before) << "channel " << ch << " " << row.name;
            for (int i = 0; i < n; ++i)
                ASSERT_EQ(math(i), plain(i)) << "channel " << ch << " " << row.name << " at " << i;
        }
    }
}

// ---------------------------------------------------------------- stopped capture

TEST(StoppedCapture, TimeDivChangeSpreadsTheSnapshot) {
    SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\n[HORIZONTAL]\ntimeDiv=12\n");
    ASSERT_TRUE(k.create()) << get_error_text();
    fillRecord(_CH1, [](int i) { return static_cast<short>(i / 10); });
    ASSERT_TRUE(controlSetRunState(_STOP));
    ASSERT_TRUE(controlSetTimeDiv(11));

    short* out = nullptr;
    ASSERT_TRUE(controlGetStoppedData(_CH1, &out));
    EXPECT_EQ(out, record(_CH1));
    for (int j : {0, 1234, 4999}) {
        EXPECT_EQ(out[2 * j], (2500 + j) / 10) << j;
        EXPECT_EQ(out[2 * j + 1], EMPTY_SAMPLE) << j;
    }
    // Back at the capture's own time base the snapshot comes back unchanged.
    ASSERT_TRUE(controlSetTimeDiv(12));
    ASSERT_TRUE(controlGetStoppedData(_CH1, &out));
    for (int i : {0, 1, 777, 9999}) EXPECT_EQ(out[i], i / 10) << i;

    EXPECT_FALSE(controlGetStoppedData(_MATH, &out));
    EXPECT_EQ(out, nullptr);
}

TEST(StoppedCapture, RecordLengthChange) {
    SimulatedKernel k(_HW4, true,
                      "[CHANNEL]\nchannelOnOff1=1\n[HORIZONTAL]\ntimeDiv=20\n[ACQUIRE]\nbufferSizeMode=7\n");
    ASSERT_TRUE(k.create()) << get_error_text();
    ASSERT_EQ(bufferSize(), 500000);
    fillRecord(_CH1, [](int i) { return static_cast<short>(i / 1000); });
    ASSERT_TRUE(controlSetRunState(_STOP));
    ASSERT_TRUE(controlSetBufferSizeMode(_10K));
    ASSERT_EQ(bufferSize(), 10000);

    short* out = nullptr;
    ASSERT_TRUE(controlGetStoppedData(_CH1, &out));
    // Fifty frozen samples per position; the last one written stays.
    for (int k2 : {0, 1, 5000, 9999}) EXPECT_EQ(out[k2], (50 * k2 + 49) / 1000) << k2;
}

TEST(StoppedCapture, ChannelSwitchedOnAfterTheStopStaysEmpty) {
    SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\n[HORIZONTAL]\ntimeDiv=17\n");
    ASSERT_TRUE(k.create()) << get_error_text();
    fillRecord(_CH2, [](int) -> short { return 333; });
    ASSERT_TRUE(controlSetRunState(_STOP)); // an older stop that froze channel 2
    ASSERT_TRUE(controlSetRunState(_RUN));
    ASSERT_TRUE(controlSetChannelOnOff(_CH2, false));
    fillRecord(_CH1, [](int) -> short { return 111; });
    ASSERT_TRUE(controlSetRunState(_STOP));
    ASSERT_TRUE(controlSetChannelOnOff(_CH2, true));

    short* out1 = nullptr;
    short* out2 = nullptr;
    ASSERT_TRUE(controlGetStoppedData(_CH1, &out1));
    ASSERT_TRUE(controlGetStoppedData(_CH2, &out2));
    EXPECT_EQ(out1[100], 111);
    for (int i : {0, 100, bufferSize() - 1}) EXPECT_EQ(out2[i], EMPTY_SAMPLE) << i;
}

TEST(StoppedCapture, RowsFollowTheNewVoltDiv) {
    struct Case {
        int generation, then, now;
        double factor; // rows now per row then, from the volts per division
    };
    const Case cases[] = {
        {_HW1, 7, 6, 2.0}, {_HW4, 7, 8, 0.5}, {_HW4, 0, 1, 0.5}, // 5 mV/div on the 10-bit generations
        {_HW3, 1, 0, 2.0}, {_HW2, 4, 5, 0.5},                    // across attenuator ranges
    };
    for (const Case& c : cases) {
        SimulatedKernel k(c.generation, true, "[CHANNEL]\nchannelOnOff1=1\nchannelCoupling1=1\nvoltageOffset1=240\n");
        ASSERT_TRUE(k.create()) << get_error_text();
        ASSERT_TRUE(controlSetVoltageDiv(_CH1, c.then));
        neutralGains();
        const int L = controlGetAdcLevels();
        std::vector<int> rowsThen(L);
        for (int code = 0; code < L; ++code) rowsThen[code] = controlRawToRow(_CH1, static_cast<short>(code));
        fillRecord(_CH1, [](int) -> short { return 100; });
        ASSERT_TRUE(controlSetRunState(_STOP));
        ASSERT_TRUE(controlSetVoltageDiv(_CH1, c.now));
        short* out = nullptr;
        ASSERT_TRUE(controlGetStoppedData(_CH1, &out));
        for (int code : {0, L / 4, L / 2, L - 1}) {
            const double expected = 240 + c.factor * (rowsThen[code] - 240);
            EXPECT_NEAR(controlRawToRow(_CH1, static_cast<short>(code)), expected, 3.0)
                << c.generation << " " << c.then << " -> " << c.now << " code " << code;
        }
    }
}

int nonEmpty(const short* r, int n) {
    int count = 0;
    for (int i = 0; i < n; ++i) count += r[i] != EMPTY_SAMPLE;
    return count;
}

TEST(StoppedCapture, TriggeredSingleShotShowsTheFrozenPicture) {
    for (int timeDiv : {17, 3}) { // real time; random interleaving, whose window fills the screen
        SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\n");
        ASSERT_TRUE(k.create()) << get_error_text();
        ASSERT_TRUE(controlSetTimeDiv(timeDiv));
        ASSERT_TRUE(controlSetRunState(_SINGLE));
        short* ch1 = nullptr;
        short* ch2 = nullptr;
        for (int i = 0; i < 5 && controlGetRunState() == _SINGLE; ++i) controlAcquireSingle(1, &ch1, &ch2);
        ASSERT_EQ(controlGetRunState(), _STOP) << timeDiv;

        const int n = bufferSize();
        const std::vector<short> shown(record(_CH1), record(_CH1) + n);
        short* out = nullptr;
        ASSERT_TRUE(controlGetStoppedData(_CH1, &out));
        EXPECT_EQ(std::vector<short>(out, out + n), shown) << timeDiv; // nothing of the raw capture left
        const int frozen = nonEmpty(g_control->p_bufferRawDataStop->data(_CH1), n);
        if (timeDiv == 17)
            EXPECT_EQ(nonEmpty(out, n), frozen);
        else
            EXPECT_LT(nonEmpty(out, n), frozen); // only the samples of the visible window
    }
}

// ---------------------------------------------------------------- treatments

TEST(Treatments, GroundLevelFillsInputRecordsOnly) {
    SimulatedKernel k(_HW2, true, "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff3=1\n");
    ASSERT_TRUE(k.create()) << get_error_text();
    fillRecord(_MATH, [](int) -> short { return 5; });
    // Drawn exactly on the zero line, at every offset and gain.
    for (int voltDiv : {int(_1V_DIV), int(_20MV_DIV), int(_200MV_DIV)})
        for (double offset : {250.0, 137.0, 311.6}) {
            ASSERT_TRUE(controlSetVoltageDiv(_CH1, voltDiv));
            ASSERT_TRUE(controlSetVoltageOffset(_CH1, offset));
            ASSERT_TRUE(controlFillGroundLevel(_CH1));
            for (int i : {0, bufferSize() - 1})
                EXPECT_EQ(controlRawToRow(_CH1, record(_CH1)[i]), int(offset)) << voltDiv << " " << offset;
        }
    EXPECT_TRUE(controlFillGroundLevel(_MATH));
    EXPECT_EQ(controlGetRawSample(_MATH, 0), 5);
    EXPECT_FALSE(controlFillGroundLevel(_CH2)); // off: no record
}

TEST(Treatments, InvertTwiceGivesBackTheRecord) {
    for (int generation : {_HW1, _HW4}) {
        SimulatedKernel k(generation, true,
                          "[CHANNEL]\nchannelOnOff1=1\nvoltageOffset1=260\n[HORIZONTAL]\ntimeDiv=17\n");
        ASSERT_TRUE(k.create()) << get_error_text();
        const int L = controlGetAdcLevels();
        fillRecord(_CH1, [](int i) { return static_cast<short>(i % 3 == 0 ? EMPTY_SAMPLE : 300 + i % 200); });
        const std::vector<short> before(record(_CH1), record(_CH1) + bufferSize());
        ASSERT_TRUE(controlInvertChannel(_CH1));
        EXPECT_EQ(record(_CH1)[0], EMPTY_SAMPLE);
        // The sample's distance above the zero row becomes the same distance below the
        // mirrored row 400 - 260.
        const int row = controlRawToRow(_CH1, record(_CH1)[1]);
        EXPECT_NEAR(row - 140, -(controlRawToRow(_CH1, before[1]) - 260), 2) << generation;
        ASSERT_TRUE(controlInvertChannel(_CH1));
        EXPECT_EQ(std::vector<short>(record(_CH1), record(_CH1) + bufferSize()), before) << generation;

        // The rails stay codes of the converter: never the empty code.
        record(_CH1)[1] = 0;
        record(_CH1)[2] = static_cast<short>(L - 1);
        ASSERT_TRUE(controlInvertChannel(_CH1));
        for (int i : {1, 2}) EXPECT_TRUE(record(_CH1)[i] >= 0 && record(_CH1)[i] < L) << generation << " " << i;
    }
}

TEST(Treatments, InvertOnEtsFlagsAndOnRollTreatsTheNewestOnly) {
    SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\n[HORIZONTAL]\ntimeDiv=8\n[ETS]\nETSOnOff=1\n");
    ASSERT_TRUE(k.create()) << get_error_text();
    ASSERT_EQ(g_control->p_state->d_acquisitionMode, 1);
    fillRecord(_CH1, [](int i) { return static_cast<short>(i % 2 ? EMPTY_SAMPLE : 400); });
    ASSERT_TRUE(controlInvertChannel(_CH1));
    const short treated = record(_CH1)[0];
    EXPECT_GE(treated, 20480);
    EXPECT_EQ(record(_CH1)[1], EMPTY_SAMPLE);
    record(_CH1)[1] = 400; // a sample of the next capture
    ASSERT_TRUE(controlInvertChannel(_CH1));
    EXPECT_EQ(record(_CH1)[0], treated); // treated once only
    EXPECT_EQ(record(_CH1)[1], treated);

    ASSERT_TRUE(controlSetTimeDiv(26));
    ASSERT_TRUE(controlIsRoll());
    const int n = bufferSize();
    fillRecord(_CH1, [](int) -> short { return 400; });
    ASSERT_TRUE(controlInvertChannel(_CH1));
    EXPECT_EQ(record(_CH1)[n - 31], 400);
    EXPECT_NE(record(_CH1)[n - 30], 400);
    EXPECT_EQ(record(_CH1)[n - 1], record(_CH1)[n - 30]);
    EXPECT_TRUE(controlInvertChannel(_REFERENCE));
}

TEST(Treatments, RawSampleOutsideTheRecordIsEmpty) {
    SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\n");
    ASSERT_TRUE(k.create()) << get_error_text();
    record(_CH1)[0] = 123;
    EXPECT_EQ(controlGetRawSample(_CH1, 0), 123);
    EXPECT_EQ(controlGetRawSample(_CH1, -1), EMPTY_SAMPLE);
    EXPECT_EQ(controlGetRawSample(_CH1, g_control->p_bufferRawData->size(_CH1)), EMPTY_SAMPLE);
    EXPECT_EQ(controlGetRawSample(_CH2, 0), EMPTY_SAMPLE); // off: no record
    EXPECT_EQ(controlGetRawSample(9, 0), EMPTY_SAMPLE);
    // Conversions of values that are no converter code.
    EXPECT_EQ(controlRawToRow(_CH1, EMPTY_SAMPLE), -1);
    EXPECT_EQ(controlRawToRow(_CH1, 1024), -1);
    EXPECT_EQ(controlRawToVoltage(_CH1, -5), 0.0);
}

} // namespace
