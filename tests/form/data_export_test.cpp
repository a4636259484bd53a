#include "process_locale.h"
#include "waveform_data.h"

#include "codes.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

namespace {

// Code 100 is 0 V and every code 0.01 V more.
double volts(short code) { return (code - 100) * 0.01; }

WaveformFileSettings tenK(int bufferSize, int timeDiv) {
    WaveformFileSettings s;
    s.bufferSize = bufferSize;
    s.timeDiv = timeDiv;
    return s;
}

TEST(WaveformDataText, KnownRecordGivesExactText) {
    // An empty sample, a flagged sample (20480 + 250), negative and large values.
    const std::vector<short> ch1 = {100, 4096, 20730, 0, 4095};
    const std::string expected = "Data Size :         5\n"
                                 "Time step :       1uS\n"
                                 "---------------------\n"
                                 "***** CHANNEL 1 *****\n"
                                 "               0.0000 \n"
                                 "                 NULL\n"
                                 "               1.5000 \n"
                                 "              -1.0000 \n"
                                 "              39.9500 \n";
    EXPECT_EQ(waveformDataText(tenK(5, 17), {ch1.data(), volts}, {}), expected);
}

TEST(WaveformDataText, ChannelsAndRisDots) {
    const std::vector<short> ch1 = {101, 4096};
    const std::vector<short> ch2 = {99, 102};
    // Channel 1 off (no record): no channel-1 block; both blocks when both are given.
    EXPECT_EQ(waveformDataText(tenK(2, 20), {}, {ch2.data(), volts}),
              "Data Size :         2\nTime step :      10uS\n---------------------\n"
              "***** CHANNEL 2 *****\n              -0.0100 \n               0.0200 \n");
    WaveformFileSettings both = tenK(2, 20);
    both.bothChannels = true;
    EXPECT_EQ(waveformDataText(both, {ch1.data(), volts}, {ch2.data(), volts}),
              "Data Size :         2\nTime step :      20uS\n---------------------\n"
              "***** CHANNEL 1 *****\n               0.0100 \n                 NULL\n"
              "***** CHANNEL 2 *****\n              -0.0100 \n               0.0200 \n");

    // RIS with dots: the size comes from the acquire length, empty samples are left out.
    WaveformFileSettings ris = both;
    ris.risDots = true;
    ris.acquireLength = 1250;
    ris.timeDiv = 3;
    EXPECT_EQ(waveformDataText(ris, {ch1.data(), volts}, {}),
              "Data Size :       600\nTime step :      20ns\n---------------------\n"
              "***** CHANNEL 1 *****\n               0.0100 \n");
}

TEST(WaveformDataText, NumbersIgnoreTheProcessLocale) {
    std::string text;
    {
        const ProcessLocale german(ProcessLocale::GERMAN);
        const std::vector<short> ch1 = {250};
        text = waveformDataText(tenK(1, 17), {ch1.data(), volts}, {});
    }
    EXPECT_NE(text.find("               1.5000 \n"), std::string::npos) << text;
}

TEST(WaveformData, DataSizeAndTimeStepTexts) {
    struct Size {
        bool risDots, both;
        int acquireLength, bufferSize, expected;
    };
    for (const Size& c : {Size{false, true, 1250, 10000, 10000}, Size{true, true, 1250, 10000, 600},
                          Size{true, false, 1250, 10000, 1200}, Size{true, false, 99, 10000, 0}}) {
        WaveformFileSettings s;
        s.risDots = c.risDots;
        s.bothChannels = c.both;
        s.acquireLength = c.acquireLength;
        s.bufferSize = c.bufferSize;
        EXPECT_EQ(dataFileSize(s), c.expected) << c.acquireLength;
    }

    struct Step {
        int code;
        bool risDots, both, points500k;
        const char* text;
    };
    const Step steps[] = {
        {0, false, false, false, "200pS"},
        {7, false, true, false, "400pS"},
        {11, false, false, false, "10nS"},
        {11, false, true, false, "20nS"},
        {16, false, true, true, "0ns"},
        {17, false, false, true, "20ns"},
        {22, false, true, true, "1.6us"},
        {25, false, true, false, "800uS"},
        {26, false, true, true, "0ns"},
        {29, false, false, false, "100/3ms(33.33ms)"},
        {0, true, false, false, "10ns"},
        {10, true, true, true, "20ns"},
        // Outside the tables: no text rather than a read past them.
        {30, false, false, false, ""},
        {-1, false, false, false, ""},
        {11, true, false, false, ""},
    };
    for (const Step& s : steps) EXPECT_EQ(timeStepText(s.code, s.risDots, s.both, s.points500k), s.text) << s.code;

    // Every code of the four columns: 10k one channel, 10k both, 500k one channel, 500k both.
    const char* const table[30][4] = {
        {"200pS", "200pS", "0ns", "0ns"},
        {"200pS", "200pS", "0ns", "0ns"},
        {"200pS", "200pS", "0ns", "0ns"},
        {"200pS", "200pS", "0ns", "0ns"},
        {"200pS", "200pS", "0ns", "0ns"},
        {"200pS", "200pS", "0ns", "0ns"},
        {"200pS", "200pS", "0ns", "0ns"},
        {"400pS", "400pS", "0ns", "0ns"},
        {"1nS", "1nS", "0ns", "0ns"},
        {"2nS", "2nS", "0ns", "0ns"},
        {"4nS", "4nS", "0ns", "0ns"},
        {"10nS", "20nS", "0ns", "0ns"},
        {"20nS", "40nS", "0ns", "0ns"},
        {"40nS", "80nS", "0ns", "0ns"},
        {"100nS", "200nS", "0ns", "0ns"},
        {"200nS", "400nS", "0ns", "0ns"},
        {"400nS", "800nS", "0ns", "0ns"},
        {"1uS", "2uS", "20ns", "40ns"},
        {"2uS", "4uS", "40ns", "80ns"},
        {"4uS", "8uS", "80ns", "160ns"},
        {"10uS", "20uS", "200ns", "400ns"},
        {"20uS", "40uS", "400ns", "800ns"},
        {"40uS", "80uS", "800ns", "1.6us"},
        {"100uS", "200uS", "2us", "4us"},
        {"200uS", "400uS", "4us", "8us"},
        {"400uS", "800uS", "8us", "16us"},
        {"10/3ms(3.333ms)", "10/3ms(3.333ms)", "0ns", "0ns"},
        {"20/3ms(6.666ms)", "20/3ms(6.666ms)", "0ns", "0ns"},
        {"40/3ms(13.33ms)", "40/3ms(13.33ms)", "0ns", "0ns"},
        {"100/3ms(33.33ms)", "100/3ms(33.33ms)", "0ns", "0ns"},
    };
    for (int code = 0; code < 30; ++code)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(timeStepText(code, false, column % 2 == 1, column >= 2), table[code][column])
                << "code " << code << ", column " << column;
    for (int code = 0; code <= 10; ++code) {
        EXPECT_EQ(timeStepText(code, true, false, false), "10ns") << code;
        EXPECT_EQ(timeStepText(code, true, true, false), "20ns") << code;
    }
}

TEST(WaveformData, SpreadsheetPointsAverageTwentySamples) {
    std::vector<short> record(10000, 110);
    for (int i = 20; i < 40; ++i) record[static_cast<size_t>(i)] = EMPTY_SAMPLE; // point 1 empty
    for (int i = 40; i < 59; ++i) record[static_cast<size_t>(i)] = EMPTY_SAMPLE; // point 2: one sample
    record[59] = 140;
    record[60] = 120;                         // point 3: (0.2 + 19 x 0.1) / 20
    record[9999] = FLAGGED_SAMPLE_BASE + 130; // the last point holds a flagged sample
    const auto points = spreadsheetPoints(record.data(), 10000, volts);
    ASSERT_TRUE(points[0]);
    EXPECT_DOUBLE_EQ(*points[0], 0.1);
    EXPECT_FALSE(points[1]);
    ASSERT_TRUE(points[2]);
    EXPECT_DOUBLE_EQ(*points[2], 0.4);
    EXPECT_DOUBLE_EQ(*points[3], (0.2 + 19 * 0.1) / 20);
    EXPECT_DOUBLE_EQ(*points[499], (0.3 + 19 * 0.1) / 20);

    // Fewer than 500 samples, or no record: nothing counts.
    const auto few = spreadsheetPoints(record.data(), 499, volts);
    for (const auto& p : few) EXPECT_FALSE(p);
    EXPECT_FALSE(spreadsheetPoints(nullptr, 10000, volts)[0]);
}

} // namespace
