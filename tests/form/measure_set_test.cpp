#include "measure_readout.h"
#include "measure_set.h"
#include "text_format.h"

#include "fake_tool_window_kernel.h"

#include "process_locale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// A display image (500 x 400, row 0 at the bottom) with full-width lines at the given rows.
std::vector<unsigned char> linesAt(std::initializer_list<int> rows) {
    std::vector<unsigned char> image(500 * 400, 0);
    for (int row : rows)
        for (int c = 0; c < 500; ++c) image[std::size_t(row) * 500 + std::size_t(c)] = 100;
    return image;
}

TEST(MeasureText, GeneralFormat) {
    struct C {
        double v;
        const char* text;
    };
    for (const C& c : {C{0, "0"}, C{1.25, "1.25"}, C{1.234, "1.234"}, C{1234, "1234"}, C{12346, "1.235E04"},
                       C{9999.6, "1E04"}, C{-500, "-500"}, C{0.5, "0.5"}, C{123.456, "123.5"}, C{0.0001, "0.0001"},
                       C{0.00001234, "1.234E-05"}, C{-2.5e-7, "-2.5E-07"}, C{1234 * 0.001, "1.234"}, C{1e20, "1E20"}})
        EXPECT_EQ(formatGeneral(c.v, 4, 2), c.text) << c.v;
    // The level labels' form: 15 digits, no exponent padding.
    EXPECT_EQ(formatGeneral(-7.5, 15, 0), "-7.5");
    EXPECT_EQ(formatGeneral(-120, 15, 0), "-120");
    EXPECT_EQ(formatFixed(-6.0206, 6, 3), "-6.021");
    EXPECT_EQ(formatFixed(0.25, 6, 3), " 0.250");
}

TEST(MeasureText, ValueAndUnitPerSlot) {
    struct C {
        double v;
        int slot;
        const char* label;
        const char* csv;
    };
    const C cases[] = {
        {1500, _MEASURE_MAXIMUM, "1.5KV", "1.5,KV"},
        {-1500, _MEASURE_MINIMUM, "-1.5KV", "-1.5,KV"},
        {5, _MEASURE_AMPLITUDE, "5V", "5,V"},
        {1.25, _MEASURE_MAXIMUM, "1.25V", "1.25,V"},
        {-0.5, _MEASURE_MEAN, "-500mV", "-500,mV"}, // the unit follows the absolute value
        {0, _MEASURE_N_OVERSHOOT, "0mV", "0,mV"},
        {1.5, _MEASURE_PERIOD, "1.5s", "1.5,s"},
        {0.002, _MEASURE_RISE_TIME, "2ms", "2,ms"},
        {-2e-6, _MEASURE_FALL_TIME, "-2us", "-2,us"},
        {5e-9, _MEASURE_P_PULSE_WIDTH, "5ns", "5,ns"},
        {5e-10, _MEASURE_N_PULSE_WIDTH, "", ""}, // below a nanosecond: nothing at all
        {0, _MEASURE_PERIOD, "", ""},
        {2.5e6, _MEASURE_FREQUENCY, "2.5MHz", "2.5,MHz"},
        {1234, _MEASURE_FREQUENCY, "1.234KHz", "1.234,KHz"},
        {999, _MEASURE_FREQUENCY, "999Hz", "999,Hz"},
        {1000, _MEASURE_FREQUENCY, "1KHz", "1,KHz"}, // at the unit's edge: not "1000Hz"
        {1e6, _MEASURE_FREQUENCY, "1MHz", "1,MHz"},
        {1000, _MEASURE_MAXIMUM, "1KV", "1,KV"},
        {1, _MEASURE_MAXIMUM, "1V", "1,V"},
        {1, _MEASURE_PERIOD, "1s", "1,s"},
        {0.001, _MEASURE_PERIOD, "1ms", "1,ms"},
        {0, _MEASURE_FREQUENCY, "0Hz", "0,Hz"},
        {50, _MEASURE_P_DUTY_CYCLE, "50%", "50,%"},
        {0, _MEASURE_N_DUTY_CYCLE, "0%", "0,%"},
        {1, 23, "", ""},
    };
    for (const C& c : cases) {
        EXPECT_EQ(formatMeasureValue(c.v, c.slot), c.label) << c.v << " slot " << c.slot;
        EXPECT_EQ(formatMeasureCsvValue(c.v, c.slot), c.csv) << c.v << " slot " << c.slot;
    }
}

TEST(MeasureSet, ItemsAtMostTenInPickOrder) {
    MeasureSet set;
    EXPECT_FALSE(set.AddMeasureItem(0, 1));
    EXPECT_FALSE(set.AddMeasureItem(4, 1));
    EXPECT_FALSE(set.AddMeasureItem(1, 23));
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(set.AddMeasureItem(1 + i % 3, i));
    EXPECT_FALSE(set.AddMeasureItem(1, 20)); // the eleventh pick
    ASSERT_EQ(set.items().size(), 10u);
    EXPECT_EQ(set.items()[1].source, _MEASURE_SOURCE_CH2);
    EXPECT_TRUE(set.enabled(_MEASURE_SOURCE_CH2, 1));
    EXPECT_FALSE(set.enabled(_MEASURE_SOURCE_CH1, 1));

    EXPECT_TRUE(set.DeleteMeasureItem(3));
    EXPECT_EQ(set.items()[3].slot, 4); // the later items move up
    EXPECT_FALSE(set.DeleteMeasureItem(9));
    EXPECT_FALSE(set.DeleteMeasureItem(-1));
    set.DeleteLastMeasureItem();
    EXPECT_EQ(set.items().back().slot, 8);
    EXPECT_TRUE(set.enabled(_MEASURE_SOURCE_CH1, 9)); // enable sets never lose a slot
    set.DeleteAllMeasureItems();
    EXPECT_TRUE(set.items().empty());
    set.DeleteLastMeasureItem();
}

TEST(MeasureSet, OneSourceEveryThirdCycle) {
    FakeToolWindowKernel kernel; // 1 V/div, zero line at row 200
    MeasureSet set;
    for (int source = 1; source <= 3; ++source) set.AddMeasureItem(source, _MEASURE_MAXIMUM);
    // Cycle k shows each trace at row 200 + k: the result tells which cycle was measured.
    double expected[3] = {0, 0, 0};
    for (int cycle = 1; cycle <= 19; ++cycle) {
        const auto ch1 = linesAt({200 + cycle});
        const auto ch2 = linesAt({200 + cycle});
        const auto math = linesAt({200 + cycle});
        set.UpdateMeasurements(kernel, ch1.data(), ch2.data(), math.data(), 90, 10);
        EXPECT_EQ(set.counter(), cycle);
        for (int source = 0; source < 3; ++source) {
            // A new item is measured at once, then on its source's cycles.
            if (cycle == 1 || MeasureSet::isMeasureCycle(cycle, source)) expected[source] = cycle * 0.02;
            EXPECT_NEAR(set.result(source, _MEASURE_MAXIMUM), expected[source], 1e-9)
                << "cycle " << cycle << " source " << source;
        }
    }
    EXPECT_NEAR(expected[0], 11 * 0.02, 1e-12); // Ch1 on 2 and 11
    EXPECT_NEAR(expected[1], 14 * 0.02, 1e-12); // Ch2 on 5 and 14
    EXPECT_NEAR(expected[2], 17 * 0.02, 1e-12); // Math on 8 and 17

    // A redrawn picture (the stopped capture at new scales) is measured whole at once; so is
    // a source with a new item, and only that source.
    const auto redrawn = linesAt({230});
    set.UpdateMeasurements(kernel, redrawn.data(), redrawn.data(), redrawn.data(), 90, 10, true);
    for (int source = 0; source < 3; ++source) EXPECT_NEAR(set.result(source, _MEASURE_MAXIMUM), 0.6, 1e-9);
    set.AddMeasureItem(2, _MEASURE_TOP);
    EXPECT_FALSE(set.measured(_MEASURE_SOURCE_CH2, _MEASURE_TOP));
    const auto later = linesAt({240});
    set.UpdateMeasurements(kernel, later.data(), later.data(), later.data(), 90, 10); // counter 21: no source's
    EXPECT_NEAR(set.result(_MEASURE_SOURCE_CH2, _MEASURE_TOP), 0.8, 1e-9);
    EXPECT_TRUE(set.measured(_MEASURE_SOURCE_CH2, _MEASURE_TOP));
    EXPECT_NEAR(set.result(_MEASURE_SOURCE_CH1, _MEASURE_MAXIMUM), 0.6, 1e-9);
    set.AddMeasureItem(2, _MEASURE_TOP); // measured already: waits for its cycle
    set.UpdateMeasurements(kernel, redrawn.data(), redrawn.data(), redrawn.data(), 90, 10);
    EXPECT_NEAR(set.result(_MEASURE_SOURCE_CH2, _MEASURE_TOP), 0.8, 1e-9);
}

TEST(MeasureSet, OffSourceReadsZeroOnEveryCycleAndNullImagesAreSkipped) {
    FakeToolWindowKernel kernel;
    MeasureSet set;
    set.AddMeasureItem(1, _MEASURE_MAXIMUM);
    set.AddMeasureItem(2, _MEASURE_MAXIMUM);
    const auto image = linesAt({250});
    set.UpdateMeasurements(kernel, image.data(), image.data(), image.data(), 90, 10);
    set.UpdateMeasurements(kernel, image.data(), image.data(), image.data(), 90, 10);
    EXPECT_NEAR(set.result(0, _MEASURE_MAXIMUM), 1.0, 1e-9);
    kernel.on[1] = false;
    set.UpdateMeasurements(kernel, nullptr, nullptr, nullptr, 90, 10);
    EXPECT_EQ(set.result(0, _MEASURE_MAXIMUM), 0.0);
    // An image the cycle did not hand over keeps the source's last results.
    for (int i = 0; i < 3; ++i) set.UpdateMeasurements(kernel, nullptr, nullptr, nullptr, 90, 10);
    EXPECT_EQ(set.counter(), 6);
    EXPECT_NEAR(set.result(1, _MEASURE_MAXIMUM), 1.0, 1e-9); // from its first cycle, its item's first
    EXPECT_TRUE(set.measured(1, _MEASURE_MAXIMUM));
}

TEST(MeasureSet, LabelsAndCsvLines) {
    FakeToolWindowKernel kernel;
    kernel.on[1] = true;
    kernel.probe[1] = 10;  // x10 probe on Ch1
    kernel.probe[3] = 10;  // and on the math trace
    kernel.voltDiv[2] = 6; // 0.5 V/div on Ch2
    MeasureSet set;
    set.AddMeasureItem(1, _MEASURE_AMPLITUDE);
    set.AddMeasureItem(2, _MEASURE_MAXIMUM);
    set.AddMeasureItem(3, _MEASURE_P_TO_P);
    set.AddMeasureItem(1, _MEASURE_PERIOD);
    set.AddMeasureItem(1, _MEASURE_FREQUENCY);
    set.AddMeasureItem(1, _MEASURE_AMPLITUDE); // the same pick twice: two lines
    set.AddMeasureItem(1, _MEASURE_N_OVERSHOOT);
    set.AddMeasureItem(1, _MEASURE_RISE_TIME);

    auto ch1 = linesAt({200, 225}); // 0.5 V between its two levels
    // and 0.1 V below Base for a tenth of the width: too few hits to be Base, an overshoot
    for (std::size_t c = 0; c < 50; ++c) ch1[195 * 500 + c] = 100;
    const auto ch2 = linesAt({325});       // 125 rows x 0.01 V = 1.25 V
    const auto math = linesAt({200, 225}); // 0.5 V peak to peak
    // Not measured yet: no number, not 0.
    EXPECT_EQ(set.labelLines(kernel)[0].text, "Ch1 : Amplitude=");
    EXPECT_EQ(set.csvText(kernel).substr(0, 22), "Ch1,Amp=,\nCh2,Max=,\nMa");
    for (int cycle = 0; cycle < 9; ++cycle) set.UpdateMeasurements(kernel, ch1.data(), ch2.data(), math.data(), 90, 10);

    const auto lines = set.labelLines(kernel);
    EXPECT_EQ(lines[0].text, "Ch1 : Amplitude=5V");
    EXPECT_EQ(lines[0].colour, 0x00FF00);
    EXPECT_EQ(lines[1].text, "Ch2 : Maximum=1.25V");
    EXPECT_EQ(lines[1].colour, 0x00FFFF);
    EXPECT_EQ(lines[2].text, "Math : P to P=5V"); // the math probe factor on the label
    EXPECT_EQ(lines[2].colour, 0x0000FF);
    EXPECT_EQ(lines[3].text, "Ch1 : Period=");    // no period in flat lines
    EXPECT_EQ(lines[4].text, "Ch1 : Frequency="); // no period: no number
    EXPECT_EQ(lines[5].text, lines[0].text);
    EXPECT_EQ(lines[6].text, "Ch1 : N-Overshoot=1V"); // probe-scaled as the levels are
    EXPECT_EQ(lines[7].text, "Ch1 : Rise Time=");
    for (std::size_t i = 8; i < lines.size(); ++i) EXPECT_EQ(lines[i].text, "");

    EXPECT_EQ(set.csvText(kernel), "Ch1,Amp=,5,V\n"
                                   "Ch2,Max=,1.25,V\n"
                                   "Math,P-P=,500,mV\n" // unscaled in the file
                                   "Ch1,Period=,\n"
                                   "Ch1,Freq=,\n"
                                   "Ch1,Amp=,5,V\n"
                                   "Ch1,nOver=,1,V\n"
                                   "Ch1,Rise=,\n");
    {
        const ProcessLocale german(ProcessLocale::GERMAN);
        EXPECT_EQ(set.csvText(kernel).substr(0, 28), "Ch1,Amp=,5,V\nCh2,Max=,1.25,V");
    }

    kernel.on[1] = false; // Ch1 off: the number 0 with its slot's unit
    set.UpdateMeasurements(kernel, nullptr, ch2.data(), math.data(), 90, 10);
    const auto off = set.labelLines(kernel);
    EXPECT_EQ(off[0].text, "Ch1 : Amplitude=0mV");
    EXPECT_EQ(off[3].text, "Ch1 : Period=");
    EXPECT_EQ(off[4].text, "Ch1 : Frequency=0Hz");
}

TEST(MeasureSet, ScaleFactorAndImageSizes) {
    FakeToolWindowKernel kernel;
    kernel.scale[1] = 2.0;
    kernel.width = 600; // a wider image: the first 500 columns are measured
    kernel.height = 300;
    MeasureSet set;
    set.AddMeasureItem(1, _MEASURE_MAXIMUM);
    std::vector<unsigned char> image(600 * 300, 0);
    for (int c = 0; c < 600; ++c) image[std::size_t(250) * 600 + std::size_t(c)] = 100;
    set.UpdateMeasurements(kernel, image.data(), nullptr, nullptr, 90, 10);
    set.UpdateMeasurements(kernel, image.data(), nullptr, nullptr, 90, 10);
    EXPECT_EQ(set.labelLines(kernel)[0].text, "Ch1 : Maximum=2V");
}

TEST(MeasureSet, FadedPixelsOfEarlierRecordsAreNotMeasured) {
    struct Row {
        int fadedMax, hitMin;
        int kept[4]; // of the pixels 0, 37, 38, 50
    };
    const Row rows[] = {
        {37, 50, {0, 0, 38, 50}},  // the newest record hits with 50, what faded is at most 37
        {37, 37, {0, 37, 38, 50}}, // a hit can be as dim as a faded pixel: all stay
        {50, 40, {0, 37, 38, 50}},
        {0, 50, {0, 37, 38, 50}}, // cleared pictures fade nothing
    };
    auto wave = std::make_unique<unsigned char[][kMeasureRows]>(kMeasureColumns);
    const unsigned char pixels[4] = {0, 37, 38, 50};
    for (const Row& r : rows) {
        std::fill(&wave[0][0], &wave[0][0] + kMeasureColumns * kMeasureRows, 0);
        for (int i = 0; i < 4; ++i) wave[499 - i][399 - i] = pixels[i];
        dropFadedPixels(r.fadedMax, r.hitMin, wave.get());
        for (int i = 0; i < 4; ++i) EXPECT_EQ(wave[499 - i][399 - i], r.kept[i]) << r.fadedMax << " " << r.hitMin;
    }
}

TEST(MeasureSet, TransposeTakesEveryPixelOnceAndZeroesTheRest) {
    const struct { int width, height; } sizes[] = {{500, 400}, {600, 300}, {37, 45}, {500, 1}, {0, 0}};
    auto wave = std::make_unique<unsigned char[][kMeasureRows]>(kMeasureColumns);
    for (const auto& size : sizes) {
        std::vector<unsigned char> image(std::size_t(size.width) * std::size_t(size.height));
        for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<unsigned char>(1 + i % 251);
        std::fill(&wave[0][0], &wave[0][0] + kMeasureColumns * kMeasureRows, 0xAA);
        transposeDisplayImage(image.data(), size.width, size.height, wave.get());
        int wrong = 0;
        for (int c = 0; c < kMeasureColumns; ++c)
            for (int r = 0; r < kMeasureRows; ++r) {
                const bool inside = c < size.width && r < size.height;
                const unsigned char want =
                    inside ? image[std::size_t(r) * std::size_t(size.width) + std::size_t(c)] : 0;
                wrong += wave[c][r] != want;
            }
        EXPECT_EQ(wrong, 0) << size.width << " x " << size.height;
    }
}

} // namespace
