#include "display_gdi.h"

#include <gtest/gtest.h>

#include <QImage>

#include <climits>
#include <optional>
#include <random>
#include <set>
#include <utility>
#include <vector>

#if defined(__GNUC__) && defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {

constexpr int WIDTH = 500;
constexpr int HEIGHT = 400;
const QRgb BLACK_RGB = qRgb(0, 0, 0);

class DisplayGdiTest : public ::testing::Test {
protected:
    void SetUp() override {
        display.init(WIDTH, HEIGHT);
        for (int type = 1; type <= 4; ++type) display.tableColor()->build(type, TableColor::GDI_MODE, 0, 53, false);
    }

    QImage image() const { return display.image(); }

    static std::set<std::pair<int, int>> litPixels(const QImage& img) {
        std::set<std::pair<int, int>> lit;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != BLACK_RGB) lit.insert({x, y});
        return lit;
    }

    // The pixels a glyph at (x, y) sets, clipped to the image.
    static std::set<std::pair<int, int>> glyphPixels(const unsigned char* g, int x, int y) {
        std::set<std::pair<int, int>> out;
        for (int r = 0; r < 7; ++r)
            for (int k = 0; k < 7; ++k)
                if (g[r * 7 + k] && x + k >= 0 && x + k <= WIDTH && y + r >= 0 && y + r <= HEIGHT)
                    out.insert({x + k, y + r});
        return out;
    }

    DisplayGDI display;
};

TEST(DisplayGlyphs, MatchTheirPictures) {
    const std::pair<const unsigned char*, const char*> glyphs[] = {
        {GLYPH_UP_ARROW, "...X..."
                         "..XXX.."
                         ".XXXXX."
                         "XXXXXXX"
                         "...X..."
                         "...X..."
                         "...X..."},
        {GLYPH_DOWN_ARROW, "...X..."
                           "...X..."
                           "...X..."
                           "XXXXXXX"
                           ".XXXXX."
                           "..XXX.."
                           "...X..."},
        {GLYPH_LEFT_ARROW, "...X..."
                           "..XX..."
                           ".XXX..."
                           "XXXXXXX"
                           ".XXX..."
                           "..XX..."
                           "...X..."},
        {GLYPH_RIGHT_ARROW, "...X..."
                            "...XX.."
                            "...XXX."
                            "XXXXXXX"
                            "...XXX."
                            "...XX.."
                            "...X..."},
    };
    for (const auto& [glyph, picture] : glyphs)
        for (int cell = 0; cell < 49; ++cell) EXPECT_EQ(glyph[cell], picture[cell] == 'X') << picture << " " << cell;
}

TEST_F(DisplayGdiTest, SurfaceIsOnePixelLargerThanTheArea) {
    const QImage img = image();
    EXPECT_EQ(img.width(), 501);
    EXPECT_EQ(img.height(), 401);
    EXPECT_EQ(display.imageWidth(), 501);
    EXPECT_EQ(display.imageHeight(), 401);
    EXPECT_TRUE(litPixels(img).empty());
}

TEST_F(DisplayGdiTest, GridFeaturesFollowTheirSwitches) {
    enum Feature { frame, grid, boundary, cross, none };
    struct Probe {
        int x;
        int y;
        Feature feature;
    };
    const Probe probes[] = {
        {0, 0, frame},       {500, 400, frame}, {0, 400, frame},   {500, 0, frame},     {250, 0, frame},
        {0, 137, frame},     {500, 263, frame}, {333, 400, frame}, {50, 10, grid},      {100, 390, grid},
        {10, 50, grid},      {490, 350, grid},  {10, 4, boundary}, {10, 396, boundary}, {4, 10, boundary},
        {496, 10, boundary}, {30, 2, boundary}, {250, 137, cross}, {250, 393, cross},   {137, 200, cross},
        {7, 200, cross},     {246, 10, cross},  {254, 10, cross},  {10, 196, cross},    {10, 204, cross},
        {1, 1, none},        {499, 399, none},  {123, 77, none},   {51, 10, none},      {50, 11, none},
        {10, 5, none},       {5, 10, none},     {495, 10, none},   {10, 395, none},     {245, 10, none},
        {255, 10, none},     {10, 195, none},   {10, 205, none},
    };
    const QRgb colour = DisplayGDI::toRgb(0x0000FF); // GDI red
    ASSERT_EQ(colour, qRgb(255, 0, 0));
    for (int mask = 0; mask < 8; ++mask) {
        const bool gridOn = mask & 1, crossOn = mask & 2, boundaryOn = mask & 4;
        display.clear();
        display.drawGrid(gridOn, crossOn, boundaryOn, 0x0000FF);
        const QImage img = image();
        for (const Probe& p : probes) {
            const bool expected = p.feature == frame || (p.feature == grid && gridOn) ||
                                  (p.feature == boundary && boundaryOn) || (p.feature == cross && crossOn);
            EXPECT_EQ(img.pixel(p.x, p.y), expected ? colour : BLACK_RGB)
                << "(" << p.x << ", " << p.y << ") grid " << gridOn << " cross " << crossOn << " boundary "
                << boundaryOn;
        }
    }
}

TEST_F(DisplayGdiTest, GridPixelCounts) {
    display.drawGrid(false, false, false, 0xCCCCCC);
    EXPECT_EQ(litPixels(image()).size(), 2u * 501 + 2u * 399); // the frame alone
    display.clear();
    display.drawGrid(true, false, false, 0xCCCCCC);
    // 811 dots (41 x 11 + 9 x 51 - 9 x 11 shared), 180 of them on the frame.
    EXPECT_EQ(litPixels(image()).size(), 1800u + 811 - 180);
}

TEST_F(DisplayGdiTest, TraceRowsAreFlipped) {
    std::vector<unsigned char> trace(WIDTH * HEIGHT, 0);
    trace[0 * WIDTH + 3] = 127;   // image row 0 -> screen row 400
    trace[399 * WIDTH + 7] = 127; // top image row -> screen row 1
    trace[200 * WIDTH + 499] = 64;
    trace[100 * WIDTH + 8] = 1;
    display.drawChannel(1, trace.data());
    const QImage img = image();
    EXPECT_EQ(img.pixel(3, 400), qRgb(0, 254, 0));
    EXPECT_EQ(img.pixel(7, 1), qRgb(0, 254, 0));
    EXPECT_EQ(img.pixel(499, 200), qRgb(0, 128, 0));
    EXPECT_EQ(img.pixel(8, 300), qRgb(0, 2, 0));
    EXPECT_EQ(litPixels(img).size(), 4u);

    // The frame drawn afterwards covers image row 0.
    display.drawGrid(false, false, false, 0xFFFFFF);
    EXPECT_EQ(image().pixel(3, 400), qRgb(255, 255, 255));
}

TEST_F(DisplayGdiTest, TracesMatchAPlainReference) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> level(0, 127);
    std::bernoulli_distribution empty(0.8);
    const int types[] = {1, 2, 4, 3};
    std::vector<std::vector<unsigned char>> traces;
    for (int t = 0; t < 4; ++t) {
        std::vector<unsigned char> trace(WIDTH * HEIGHT);
        for (auto& v : trace) v = empty(random) ? 0 : static_cast<unsigned char>(level(random));
        traces.push_back(std::move(trace));
    }
    display.tableColor()->build(1, TableColor::GDI_MODE, 0, 20, true);
    for (int t = 0; t < 4; ++t) display.drawChannel(types[t], traces[t].data());

    // Later traces overwrite earlier ones; level 0 never overwrites anything.
    QImage expected(501, 401, QImage::Format_RGB32);
    expected.fill(BLACK_RGB);
    for (int t = 0; t < 4; ++t)
        for (int j = 0; j < HEIGHT; ++j)
            for (int i = 0; i < WIDTH; ++i)
                if (int v = traces[t][j * WIDTH + i])
                    expected.setPixel(i, HEIGHT - j, DisplayGDI::toRgb(display.tableColor()->get(types[t], v)));
    EXPECT_TRUE(image() == expected);
}

TEST_F(DisplayGdiTest, EmptyAndMissingImagesDrawNothing) {
    std::vector<unsigned char> trace(WIDTH * HEIGHT, 0);
    trace[10 * WIDTH + 10] = 100;
    display.drawChannel(1, trace.data());
    trace[10 * WIDTH + 10] = 0;
    display.drawChannel(2, trace.data()); // all zero
    display.drawChannel(3, nullptr);      // no capture yet
    const QImage img = image();
    EXPECT_EQ(img.pixel(10, 390), qRgb(0, 200, 0));
    EXPECT_EQ(litPixels(img).size(), 1u);
}

TEST_F(DisplayGdiTest, ClearBlackensTheWholeSurface) {
    display.drawGrid(true, true, true, 0xFFFFFF);
    display.drawVerticalLine(0xFFFFFF, 499, 1);
    display.clear();
    EXPECT_TRUE(litPixels(image()).empty());
}

#if defined(__GNUC__) && defined(__x86_64__)
__attribute__((target("xsave"))) unsigned long long statesInUse() { return _xgetbv(1); }
#endif

// Whether the upper halves of the AVX registers are in use; nothing when the processor does
// not tell.
std::optional<bool> upperHalvesInUse() {
#if defined(__GNUC__) && defined(__x86_64__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE)) return std::nullopt;
    if (!__get_cpuid_count(0xD, 1, &a, &b, &c, &d) || !(a & (1u << 2))) return std::nullopt;
    return (statesInUse() & 4) != 0;
#else
    return std::nullopt;
#endif
}

TEST_F(DisplayGdiTest, ClearLeavesTheVectorRegistersSettled) {
    // Qt's fill leaves the upper halves in use, and the kernel's SSE code after it then ran up
    // to 2.5 times slower.
    if (!upperHalvesInUse()) GTEST_SKIP() << "the processor does not tell";
    display.clear();
    EXPECT_FALSE(*upperHalvesInUse());
}

TEST_F(DisplayGdiTest, LinesAndDashes) {
    auto runs = [](int first, int count) {
        std::set<int> out;
        for (int s = 0; s < count; s += 9)
            for (int k = 0; k < 5; ++k) out.insert(first + s + k);
        return out;
    };
    struct Case {
        bool horizontal;
        int position;
        int solid;
        std::set<std::pair<int, int>> expected;
    };
    std::vector<Case> cases;
    auto row = [](int y, const std::set<int>& xs) {
        std::set<std::pair<int, int>> out;
        for (int x : xs) out.insert({x, y});
        return out;
    };
    auto column = [](int x, const std::set<int>& ys) {
        std::set<std::pair<int, int>> out;
        for (int y : ys) out.insert({x, y});
        return out;
    };
    std::set<int> all500, all400, upward;
    for (int i = 0; i < 500; ++i) all500.insert(i);
    for (int i = 0; i < 400; ++i) all400.insert(i);
    for (int s = 0; s < 400; s += 9)
        for (int k = 0; k < 5; ++k) upward.insert(400 - s - k);
    // Solid lines one row or column past the position; dashed horizontal two rows past.
    cases.push_back({true, 100, 1, row(101, all500)});
    cases.push_back({true, 100, 0, row(102, runs(0, 500))});
    cases.push_back({false, 100, 1, column(101, all400)});
    cases.push_back({false, 100, 0, column(100, upward)});
    // At and beyond the edges.
    cases.push_back({true, 399, 1, row(400, all500)});
    cases.push_back({true, 400, 1, {}});
    cases.push_back({true, -1, 1, row(0, all500)});
    cases.push_back({true, -3, 0, {}});
    cases.push_back({true, 398, 0, row(400, runs(0, 500))});
    cases.push_back({false, 499, 1, column(500, all400)});
    cases.push_back({false, 500, 1, {}});
    cases.push_back({false, 500, 0, column(500, upward)});
    cases.push_back({false, -1, 0, {}});
    cases.push_back({true, INT_MAX, 0, {}});
    cases.push_back({false, INT_MIN, 1, {}});
    EXPECT_EQ(runs(0, 500).size(), 56u * 5);
    EXPECT_EQ(upward.size(), 45u * 5);
    EXPECT_TRUE(upward.count(0) && upward.count(4) && !upward.count(5) && upward.count(400) && !upward.count(395));

    for (const Case& c : cases) {
        display.clear();
        if (c.horizontal)
            display.drawHorizontalLine(0x00FFFF, c.position, c.solid);
        else
            display.drawVerticalLine(0x00FFFF, c.position, c.solid);
        const QImage img = image();
        EXPECT_EQ(litPixels(img), c.expected)
            << (c.horizontal ? "row " : "column ") << c.position << " solid " << c.solid;
        for (const auto& [x, y] : c.expected) ASSERT_EQ(img.pixel(x, y), qRgb(255, 255, 0));
    }
}

TEST_F(DisplayGdiTest, CursorsShowInEveryCursorModeOnly) {
    display.context().cursorA = {100, 150};
    display.context().cursorB = {300, 250};

    DisplayGDI reference;
    reference.init(WIDTH, HEIGHT);
    reference.drawHorizontalLine(0x00FF00, 150, 1);
    reference.drawHorizontalLine(0x00FF00, 250, 0);
    reference.drawVerticalLine(0x00FF00, 100, 1);
    reference.drawVerticalLine(0x00FF00, 300, 0);
    const QImage expected = reference.image();

    for (int object : {7, 8, 9}) {
        display.clear();
        display.context().selectedObject = object;
        display.drawCursors(1);
        EXPECT_TRUE(image() == expected) << "object " << object;
    }
    for (int object : {0, 5, 6, 10}) {
        display.clear();
        display.context().selectedObject = object;
        display.drawCursors(1);
        EXPECT_TRUE(litPixels(image()).empty()) << "object " << object;
    }
    const std::pair<int, QRgb> colours[] = {{1, qRgb(0, 255, 0)}, {2, qRgb(255, 255, 0)}, {3, qRgb(255, 0, 0)}};
    display.context().selectedObject = 8;
    for (const auto& [source, colour] : colours) {
        display.drawCursors(source);
        EXPECT_EQ(image().pixel(0, 151), colour) << "source " << source;
    }
}

TEST_F(DisplayGdiTest, ChannelMarkersAtTheLeftEdge) {
    struct Case {
        int trace;
        double offset;
        int top; // first row of the arrow
        QRgb colour;
    };
    const Case cases[] = {
        {1, 200.0, 197, qRgb(0, 255, 0)},  {2, 100.7, 297, qRgb(255, 255, 0)}, {3, -0.9, 397, qRgb(255, 0, 0)},
        {4, 399.0, -2, qRgb(0, 255, 255)}, {1, -50.0, 447, qRgb(0, 255, 0)},   {2, 1e300, 0, qRgb(255, 255, 0)},
    };
    for (const Case& c : cases) {
        display.clear();
        display.context() = DisplayContext{};
        display.context().channelOn[c.trace - 1] = true;
        display.context().voltageOffset[c.trace - 1] = c.offset;
        display.drawChannelMarkers();
        const QImage img = image();
        const auto expected =
            c.offset > 1e6 ? std::set<std::pair<int, int>>{} : glyphPixels(GLYPH_RIGHT_ARROW, 1, c.top);
        EXPECT_EQ(litPixels(img), expected) << "trace " << c.trace << " offset " << c.offset;
        for (const auto& [x, y] : expected) ASSERT_EQ(img.pixel(x, y), c.colour);
    }
    // Traces that are off show no marker.
    display.clear();
    display.context() = DisplayContext{};
    display.drawChannelMarkers();
    EXPECT_TRUE(litPixels(image()).empty());
}

TEST_F(DisplayGdiTest, TriggerLevelMarker) {
    struct Case {
        int source;
        bool inverted;
        double sourceOffset;
        double triggerOffset;
        const unsigned char* glyph;
        int x;
        int y;
    };
    const Case cases[] = {
        {1, false, 200, 300, GLYPH_LEFT_ARROW, 492, 97},   {1, false, 200, 300.9, GLYPH_LEFT_ARROW, 492, 97},
        {2, false, 200, 450, GLYPH_UP_ARROW, 492, 1},      // above the area
        {1, false, 200, -20, GLYPH_DOWN_ARROW, 492, 392},  // below the area
        {1, false, 200, 400, GLYPH_LEFT_ARROW, 492, -3},   // c = 0: centred on the top row
        {1, false, 200, 0, GLYPH_LEFT_ARROW, 492, 397},    // c = height
        {1, false, 200, -0.5, GLYPH_LEFT_ARROW, 492, 397}, // truncated toward zero
        {1, true, 250, 300, GLYPH_LEFT_ARROW, 492, 197},   // mirrored about the offset
        {2, true, 100, 350, GLYPH_DOWN_ARROW, 492, 392},   {2, true, 300, 100, GLYPH_UP_ARROW, 492, 1},
    };
    for (const Case& c : cases) {
        display.clear();
        DisplayContext& ctx = display.context();
        ctx.triggerSource = c.source;
        ctx.triggerInverted = c.inverted;
        ctx.voltageOffset[c.source - 1] = c.sourceOffset;
        ctx.triggerOffset = c.triggerOffset;
        display.drawTriggerLevelMarker();
        const QImage img = image();
        const auto expected = glyphPixels(c.glyph, c.x, c.y);
        EXPECT_EQ(litPixels(img), expected) << "source " << c.source << " offset " << c.triggerOffset;
        const QRgb colour = c.source == 1 ? qRgb(0, 255, 0) : qRgb(255, 255, 0);
        for (const auto& [x, y] : expected) ASSERT_EQ(img.pixel(x, y), colour);
    }
}

TEST_F(DisplayGdiTest, TriggerPositionMarker) {
    struct Case {
        double position;
        const unsigned char* glyph;
        int x;
    };
    const Case cases[] = {
        {250.0, GLYPH_DOWN_ARROW, 247}, {-1.0, GLYPH_LEFT_ARROW, 1},  {501.0, GLYPH_RIGHT_ARROW, 492},
        {500.0, GLYPH_DOWN_ARROW, 497}, {-0.5, GLYPH_DOWN_ARROW, -3}, {0.0, GLYPH_DOWN_ARROW, -3},
    };
    for (const Case& c : cases) {
        display.clear();
        display.context().horizontalPosition = c.position;
        display.drawTriggerPositionMarker();
        const QImage img = image();
        const auto expected = glyphPixels(c.glyph, c.x, 1);
        EXPECT_EQ(litPixels(img), expected) << "position " << c.position;
        for (const auto& [x, y] : expected) ASSERT_EQ(img.pixel(x, y), qRgb(255, 128, 0));
    }
}

TEST_F(DisplayGdiTest, InfoTextShowsTheTracesThatAreOn) {
    DisplayContext& ctx = display.context();
    ctx.channelOn = {true, false, false, true};
    ctx.voltDivText = {"1V", "2V", "5V", "10mV"};
    ctx.timeDivText = "1ms";
    display.drawInfoText();
    const QImage img = image();
    auto count = [&](QRgb colour, int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) n += img.pixel(x, y) == colour;
        return n;
    };
    EXPECT_GT(count(qRgb(0, 255, 0), 50, 350, 149, 370), 0);
    EXPECT_GT(count(qRgb(0, 255, 255), 350, 350, 500, 370), 0);
    EXPECT_GT(count(qRgb(255, 255, 255), 50, 375, 200, 395), 0);
    EXPECT_EQ(count(qRgb(255, 255, 0), 0, 0, 500, 400), 0);
    EXPECT_EQ(count(qRgb(255, 0, 0), 0, 0, 500, 400), 0);
    // Nothing above or left of the text positions.
    EXPECT_EQ(count(qRgb(0, 255, 0), 0, 0, 49, 400) + count(qRgb(0, 255, 0), 0, 0, 500, 349), 0);
}

TEST_F(DisplayGdiTest, LabelsDrawOnTheirBackgroundAndClip) {
    LabelListName inside{0xFF0000, 0xFFFFFF, 100, 100, 45, 15, "abc"}; // blue behind white
    LabelListName edge{0x0000FF, 0xFFFFFF, 490, 395, 45, 15, "xyz"};
    LabelListName outside{0x0000FF, 0xFFFFFF, 600, -300, 45, 15, "far"};
    display.context().labels = {inside, edge, outside};
    display.drawLabels();
    const QImage img = image();
    int blue = 0, white = 0, red = 0, strayInside = 0;
    for (int y = 0; y <= HEIGHT; ++y)
        for (int x = 0; x <= WIDTH; ++x) {
            const QRgb p = img.pixel(x, y);
            const bool inFirst = x >= 100 && y >= 100 && x < 200 && y < 130;
            if (p == qRgb(0, 0, 255)) blue += inFirst;
            if (p == qRgb(255, 255, 255)) white += inFirst;
            if (p == qRgb(255, 0, 0)) red += x >= 490 && y >= 395;
            if (p != BLACK_RGB && !inFirst && !(x >= 490 && y >= 395)) ++strayInside;
        }
    EXPECT_GT(blue, 0);
    EXPECT_GT(white, 0);
    EXPECT_GT(red, 0);
    EXPECT_EQ(strayInside, 0);
}

TEST_F(DisplayGdiTest, ImageIsASnapshot) {
    const QImage before = image();
    display.drawGrid(false, false, false, 0xFFFFFF);
    EXPECT_EQ(before.pixel(0, 0), BLACK_RGB);
    EXPECT_EQ(image().pixel(0, 0), qRgb(255, 255, 255));
}

TEST(DisplayGdi, OperationsWithoutASurfaceDoNothing) {
    DisplayGDI display;
    std::vector<unsigned char> trace(WIDTH * HEIGHT, 1);
    auto everything = [&] {
        display.clear();
        display.drawGrid(true, true, true, 0xFFFFFF);
        display.drawChannel(1, trace.data());
        display.drawLabels();
        display.drawCursors(1);
        display.drawHorizontalLine(0xFFFFFF, 10, 1);
        display.drawVerticalLine(0xFFFFFF, 10, 0);
        display.spare();
        display.drawInfoText();
        display.drawChannelMarkers();
        display.drawTriggerLevelMarker();
        display.drawTriggerPositionMarker();
    };
    everything();
    EXPECT_TRUE(display.image().isNull());
    EXPECT_EQ(display.tableColor(), nullptr);
    display.init(WIDTH, HEIGHT);
    display.release();
    everything();
    EXPECT_TRUE(display.image().isNull());
    EXPECT_EQ(display.tableColor(), nullptr);
}

TEST(DisplayGdiDeathTest, SizeMustBePositive) {
    EXPECT_DEATH(DisplayGDI().init(0, 400), "x_ > 0");
    EXPECT_DEATH(DisplayGDI().init(500, -1), "y_ > 0");
}

} // namespace
