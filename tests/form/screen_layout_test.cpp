#include "screen_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

Environment defaults() { return Environment("/nonexistent/environment.ini"); }

ScreenKernelValues channels(bool ch1, bool ch2, bool math = false, bool ref = false) {
    ScreenKernelValues k;
    k.channelOn = {ch1, ch2, math, ref};
    return k;
}

const PictureText* find(const std::vector<PictureText>& texts, const std::string& text) {
    for (const PictureText& t : texts)
        if (t.text == text) return &t;
    return nullptr;
}

TEST(ScreenLayout, BandsFollowTheOptions) {
    struct Case {
        const char* name;
        bool title, date, setup, math, ref;
        int selectedObject;
        bool measure;
        int height, y0;
    };
    const Case cases[] = {
        {"all off", false, false, false, false, false, 0, false, 441, 20},
        {"date alone", false, true, false, false, false, 0, false, 451, 30},
        {"title and date share one band", true, true, false, false, false, 0, false, 491, 70},
        {"setup alone", false, false, true, false, false, 0, false, 476, 20},
        {"setup with math", false, false, true, true, false, 0, false, 491, 20},
        {"setup with the reference", false, false, true, false, true, 0, false, 491, 20},
        {"setup with the measurements", false, false, true, false, false, 0, true, 561, 20},
        {"math and reference need the setup block", false, false, false, true, true, 8, true, 441, 20},
        {"everything", true, false, true, true, true, 9, true, 441 + 50 + 35 + 15 + 15 + 40 + 85, 70},
        {"label tool is no cursor", false, false, true, false, false, 6, false, 476, 20},
        {"cross cursor", false, false, true, false, false, 7, false, 516, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Environment env = defaults();
        env.TitleOnOff = c.title;
        env.DateInclude = c.date;
        env.SetupInformationInclude = c.setup;
        env.selectedObject = c.selectedObject;
        const PictureLayout l = pictureLayout(env, channels(true, true, c.math, c.ref), c.measure);
        EXPECT_EQ(l.width, 561);
        EXPECT_EQ(l.height, c.height);
        EXPECT_EQ(l.x0, 30);
        EXPECT_EQ(l.y0, c.y0);
    }
}

TEST(ScreenLayout, TimeTexts) {
    struct Case {
        double seconds;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0.00s"},    {2.5e-7, "250.00ns"}, {1.5, "1.50s"},      {-0.002, "-2.00ms"}, {5e-6, "5.00us"},
        {1e-13, "0.10ps"}, {1e-9, "1.00ns"},     {-3e-12, "-3.00ps"}, {999.0, "999.00s"},  {0.001, "1.00ms"},
    };
    for (const Case& c : cases) EXPECT_EQ(formatTimeText(c.seconds), c.text) << c.seconds;
}

TEST(ScreenLayout, TimeLabelsBySecondsPerDivision) {
    struct Case {
        int pixels, timeDiv;
        const char* text;
    };
    const Case cases[] = {
        {50, 17, "1.00ms"},                       // one division at 1 ms/div, not 1000.00us
        {250, 0, "10.00ns"},                      // 2 ns/div
        {-250, 2, "-50.00ns"},                    // 10 ns/div
        {125, 25, "1.00s"},                       // 400 ms/div over 2.5 divisions
        {500, 29, "100.00s"},                     // 10 s/div, the last code of the list
        {50, 32, "100.00s"},                      // 100 s/div: the kernel's long time bases are covered too
        {0, 20, "0.00s"},      {50, 33, "0.00s"}, // no such code
    };
    for (const Case& c : cases)
        EXPECT_EQ(format_time_label(c.pixels, c.timeDiv), c.text) << c.pixels << " @ " << c.timeDiv;
    EXPECT_DOUBLE_EQ(secondsPerDivision(17), 1e-3);
    EXPECT_DOUBLE_EQ(secondsPerDivision(25), 0.4);
    EXPECT_EQ(secondsPerDivision(-1), 0.0);
}

TEST(ScreenLayout, DateWithoutLeadingZeros) {
    std::tm t{};
    t.tm_mday = 8;
    t.tm_mon = 2;
    t.tm_year = 2026 - 1900;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    EXPECT_EQ(formatPictureDate(t), "8-Mar-2026 9:5:3");
    t.tm_mon = 6;
    EXPECT_EQ(formatPictureDate(t), "8-July-2026 9:5:3");
    t.tm_mon = 8;
    t.tm_hour = 23;
    t.tm_min = 59;
    EXPECT_EQ(formatPictureDate(t), "8-Sept-2026 23:59:3");
}

TEST(ScreenLayout, TextsOfTheSetupBlock) {
    Environment env = defaults();
    env.SetupInformationInclude = true;
    env.selectedObject = 8;
    ScreenKernelValues k = channels(false, true, true, true);
    k.coupling = {0, 2};
    k.mathOperation = 2;
    k.horizontalPosition = 250;
    ScreenTexts texts;
    texts.voltDivText = {"1V", "500mV", "2V", "5V"};
    texts.timeDivText = "1ms";
    texts.cursorReadout = {"Horizontal : @ = 1.00ms", "Vertical : @ = 0.50V"};
    texts.measureWindowVisible = true;
    for (int i = 0; i < 10; ++i) texts.measureLabels[i] = std::string("m").append(std::to_string(i));
    const PictureLayout l = pictureLayout(env, k, true);
    const auto out = pictureTexts(env, l, k, texts, std::tm{});
    const int bottom = l.y0 + 400;

    // Channel 1 off: no line of its own and no time/div text; channel 2 keeps its row.
    EXPECT_EQ(find(out, "1ms"), nullptr);
    ASSERT_NE(find(out, "Ch2 : 500mV  GND  "), nullptr);
    EXPECT_EQ(find(out, "Ch2 : 500mV  GND  ")->y, bottom + 40);
    ASSERT_NE(find(out, "Math(Mult) : 2V"), nullptr);
    EXPECT_EQ(find(out, "Math(Mult) : 2V")->y, bottom + 55);
    EXPECT_EQ(find(out, "Reference : 5V")->y, bottom + 70);
    EXPECT_EQ(find(out, "Cursor")->y, bottom + 90);
    EXPECT_EQ(find(out, "Vertical : @ = 0.50V")->x, 330);
    EXPECT_EQ(find(out, "Vertical : @ = 0.50V")->y, bottom + 105);
    EXPECT_EQ(find(out, "Measurements")->y, bottom + 130);
    // Rows of three: 00 01 02 / 03 04 05 / 06 07 08 / 09.
    EXPECT_EQ(find(out, "m5")->x, 30 + 360);
    EXPECT_EQ(find(out, "m5")->y, bottom + 160);
    EXPECT_EQ(find(out, "m9")->x, 30);
    EXPECT_EQ(find(out, "m9")->y, bottom + 190);

    // Channel 1 on: its line, with the time/div text centred on the same row.
    k.channelOn[0] = true;
    k.coupling = {1, 2};
    const auto withCh1 = pictureTexts(env, l, k, texts, std::tm{});
    ASSERT_NE(find(withCh1, "Ch1 : 1V  DC  "), nullptr);
    EXPECT_EQ(find(withCh1, "Ch1 : 1V  DC  ")->y, bottom + 25);
    ASSERT_NE(find(withCh1, "1ms"), nullptr);
    EXPECT_EQ(find(withCh1, "1ms")->align, TextAlign::Centre);
    EXPECT_EQ(find(withCh1, "1ms")->x, 280);

    k.mathOperation = 7;
    EXPECT_NE(find(pictureTexts(env, l, k, texts, std::tm{}), "None : 2V"), nullptr);
}

TEST(ScreenLayout, TimeLabelsTitleAndDatePositions) {
    Environment env = defaults();
    env.TitleOnOff = true;
    env.DateInclude = true;
    env.Title = "Bench 3";
    ScreenKernelValues k = channels(true, false);
    k.horizontalPosition = 100; // the trigger 150 pixels left of the centre
    k.timeDiv = 17;
    const PictureLayout l = pictureLayout(env, k, false);
    std::tm t{};
    t.tm_mday = 1;
    t.tm_year = 100;
    const auto out = pictureTexts(env, l, k, {}, t);
    ASSERT_GE(out.size(), 5u);
    // Centre, right and left edge relative to the trigger, under the display.
    EXPECT_EQ(out[0].text, "3.00ms");
    EXPECT_EQ(out[0].align, TextAlign::Centre);
    EXPECT_EQ(out[1].text, "8.00ms");
    EXPECT_EQ(out[1].x, 530);
    EXPECT_EQ(out[1].align, TextAlign::Right);
    EXPECT_EQ(out[2].text, "-2.00ms");
    EXPECT_EQ(out[2].x, 30);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i].y, 70 + 400 + 5);
    // Title and date share the 50-pixel band: the title at y0 - 50, the date at y0 - 26.
    const PictureText* date = find(out, "1-Jan-2000 0:0:0");
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->y, 44);
    EXPECT_EQ(date->x, 530);
    EXPECT_EQ(date->align, TextAlign::Right);
    EXPECT_EQ(date->font, TextFont::Date);
    const PictureText* title = find(out, "Bench 3");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->y, 20);
    EXPECT_EQ(title->font, TextFont::Title);

    env.TitleOnOff = false; // the date alone, in its 10-pixel band, at row 4
    const auto dateOnly = pictureTexts(env, pictureLayout(env, k, false), k, {}, t);
    EXPECT_EQ(find(dateOnly, "1-Jan-2000 0:0:0")->y, 4);
    EXPECT_EQ(find(dateOnly, "Bench 3"), nullptr);
}

TEST(ScreenLayout, TriggerMarkerColumnIsHeldToTheDisplay) {
    EXPECT_EQ(triggerMarkerColumn(-20, 500), 0);
    EXPECT_EQ(triggerMarkerColumn(600, 500), 500);
    EXPECT_EQ(triggerMarkerColumn(249.9, 500), 249);
    EXPECT_EQ(triggerMarkerColumn(500, 500), 500);
}

TEST(ScreenLayout, PrintedPictureIsCentredAtOneHundredthInchPerPixel) {
    // A4 at 600 dpi: 4961 x 7016 dots; the 561 x 441 picture is 5.61 x 4.41 inches.
    const PrinterCaps a4{600, 600, 4961, 7016};
    const PixelRect r = printTargetRect(561, 441, a4);
    EXPECT_EQ(r.left, 2480 - 1683);
    EXPECT_EQ(r.width(), 3366);
    EXPECT_EQ(r.top, 3508 - 1323);
    EXPECT_EQ(r.height(), 2646);
}

TEST(ScreenLayout, PreviewGeometry) {
    const PrinterCaps a4{600, 600, 4961, 7016};
    struct Case {
        const char* name;
        bool paper;
        int bmpW, bmpH;
        PrinterCaps caps;
        bool ok;
        PixelRect outline, picture;
    };
    const Case cases[] = {
        {"wave, natural size", false, 561, 441, a4, true, {0, 0, 600, 500}, {20, 30, 581, 471}},
        {"wave, too tall: one scale 500 / height", false, 561, 700, a4, true, {0, 0, 600, 500}, {99, 0, 499, 500}},
        {"wave, too wide: one scale 600 / width", false, 1200, 400, a4, true, {0, 0, 600, 500}, {0, 150, 600, 350}},
        {"wave, both too large: fills the box", false, 700, 900, a4, true, {0, 0, 600, 500}, {0, 0, 600, 500}},
        {"wave, empty picture", false, 0, 441, a4, false, {}, {}},
        // 353.5 wide, 500 high; the picture 561 x 441 hundredths of an inch on 11.69 inches.
        {"paper, A4 portrait", true, 561, 441, a4, true, {123, 0, 476, 500}, {180, 155, 419, 343}},
        {"paper, landscape",
         true,
         561,
         441,
         PrinterCaps{600, 600, 7016, 4961},
         true,
         {0, 37, 600, 461},
         {156, 136, 443, 362}},
        {"paper, landscape without resolution", true, 561, 441, PrinterCaps{0, 0, 7016, 4961}, false, {}, {}},
        {"paper, no page at all", true, 561, 441, PrinterCaps{600, 600, 0, 0}, false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PreviewGeometry g = previewGeometry(c.paper, 600, 500, c.bmpW, c.bmpH, c.caps);
        EXPECT_EQ(g.ok, c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(g.outline, c.outline);
        EXPECT_EQ(g.picture, c.picture);
    }
}

} // namespace
