#include "display_direct_x.h"

#include "display_gdi.h"
#include "message_box.h"
#include "surface_image.h"

#include <gtest/gtest.h>

#include <QImage>

#include <climits>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int W = 500;
constexpr int H = 400;
constexpr int DIRECT_X = 0;
const SurfaceFormat ALL_FORMATS[] = {_SURFACE_32BIT, _SURFACE_24BIT, _SURFACE_16BIT_565, _SURFACE_16BIT_555};

std::string name(SurfaceFormat f) { return "format " + std::to_string(static_cast<int>(f)); }

using Pixels = std::set<std::pair<int, int>>;

Pixels litPixels(const SoftwareSurface& s) {
    Pixels lit;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if (s.pixel(x, y) != 0) lit.insert({x, y});
    return lit;
}

// A renderer for `format` with its colour table built as the main window builds it.
struct Renderers {
    explicit Renderers(SurfaceFormat format, bool colourTrack = false) : dx(ScreenMode::of(format)) {
        dx.init(W, H);
        gdi.init(W, H);
        for (int type = 1; type <= 4; ++type) {
            dx.tableColor()->build(type, DIRECT_X, format, 20, colourTrack);
            gdi.tableColor()->build(type, TableColor::GDI_MODE, format, 20, colourTrack);
        }
    }
    // Both renderers get the same context.
    void setContext(const DisplayContext& c) {
        dx.context() = c;
        gdi.context() = c;
    }
    // Pixels where the fast renderer differs from the compatible one converted to its format.
    int differences() const {
        const QImage g = gdi.image();
        const SoftwareSurface& b = *dx.background();
        const SurfaceFormat f = dx.surfaceFormat();
        int n = 0;
        for (int y = 0; y <= H; ++y)
            for (int x = 0; x <= W; ++x) {
                const QRgb p = g.pixel(x, y);
                n += b.pixel(x, y) != packRgb(f, qRed(p), qGreen(p), qBlue(p));
            }
        return n;
    }
    DisplayDirectX dx;
    DisplayGDI gdi;
};

std::vector<unsigned char> randomTrace(std::mt19937& random) {
    std::uniform_int_distribution<int> level(0, 127);
    std::bernoulli_distribution empty(0.8);
    std::vector<unsigned char> trace(W * H);
    for (auto& v : trace) v = empty(random) ? 0 : static_cast<unsigned char>(level(random));
    return trace;
}

TEST(DisplayDirectX, ChoosesItsFormatFromTheScreen) {
    for (SurfaceFormat f : ALL_FORMATS) {
        DisplayDirectX dx(ScreenMode::of(f));
        dx.init(W, H);
        EXPECT_EQ(dx.surfaceFormat(), f);
        for (const SoftwareSurface* s : {dx.background(), dx.grid(), dx.primary()}) {
            ASSERT_NE(s, nullptr);
            EXPECT_EQ(s->format(), f);
            EXPECT_EQ(s->width(), 501);
            EXPECT_EQ(s->height(), 401);
        }
        EXPECT_TRUE(litPixels(*dx.background()).empty());
    }
}

TEST(DisplayDirectXDeathTest, LowColourScreenEndsTheProgramWithItsMessage) {
    auto run = [] {
        setMessageBoxHandler([](const MessageRequest& m) {
            std::fprintf(stderr, "[%s]", m.text.c_str());
            return MessageResult::Ok;
        });
        DisplayDirectX dx(ScreenMode{8, 0, 0});
        dx.init(W, H);
        std::fprintf(stderr, "still running");
        std::abort();
    };
    EXPECT_EXIT(run(), testing::ExitedWithCode(0), "\\[This program is not supported in 16 or 256 color mode.\\]");
}

TEST(DisplayDirectX, TracesGridAndMarkersMatchTheCompatibleRenderer) {
    std::mt19937 random(4711);
    for (SurfaceFormat f : ALL_FORMATS) {
        for (bool track : {false, true}) {
            Renderers r(f, track);
            const int types[] = {1, 2, 4, 3};
            for (int type : types) {
                const std::vector<unsigned char> trace = randomTrace(random);
                r.dx.drawChannel(type, trace.data());
                r.gdi.drawChannel(type, trace.data());
            }
            EXPECT_EQ(r.differences(), 0) << name(f) << " track " << track;

            // The grid without the centre cross is drawn alike (in the screen's form here).
            for (int mask = 0; mask < 4; ++mask) {
                r.dx.drawGrid(mask & 1, false, mask & 2, static_cast<int>(packRgb(f, 0xCC, 0x99, 0x33)));
                r.gdi.drawGrid(mask & 1, false, mask & 2, 0x3399CC);
                EXPECT_EQ(r.differences(), 0) << name(f) << " grid " << mask;
            }

            // Markers: fixed colours, whatever the colour track; inside, at and beyond the edges.
            const double offsets[] = {200.0, -3.5, 399.0, 1e300};
            for (double offset : offsets) {
                DisplayContext c;
                c.channelOn = {true, true, true, true};
                c.voltageOffset = {offset, offset / 2, 100.0, 300.0};
                c.triggerSource = offset > 250 ? 2 : 1;
                c.triggerOffset = offset;
                c.triggerInverted = offset < 0;
                c.horizontalPosition = offset * 2;
                r.setContext(c);
                for (Display* d : {static_cast<Display*>(&r.dx), static_cast<Display*>(&r.gdi)}) {
                    d->drawChannelMarkers();
                    d->drawTriggerLevelMarker();
                    d->drawTriggerPositionMarker();
                }
                EXPECT_EQ(r.differences(), 0) << name(f) << " offset " << offset;
            }
        }
    }
}

TEST(DisplayDirectX, AFrameDoesNotDependOnTheFrameBefore) {
    // The clear fills a row when something is first drawn into it and keeps a row of the grid
    // alone when the same grid follows: whatever came before, a frame shows what it shows on
    // a fresh surface.
    struct Frame {
        int from = -1, to = -1; // image rows of the trace; none when from < 0
        int grid = -1;          // drawGrid: 1 dots, 2 cross, 4 ticks, 8 the other colour; none < 0
        bool line = false;      // a line after everything
        bool traceLast = false; // the trace after the grid
    };
    const struct {
        const char* what;
        Frame before, frame;
    } cases[] = {
        {"the trace moves under the same grid", {300, 350, 1}, {50, 80, 1}},
        {"another grid over a moved trace", {300, 350, 1}, {50, 80, 6}},
        {"another grid alone", {-1, -1, 1}, {-1, -1, 7}},
        {"the grid's colour", {10, 390, 7}, {-1, -1, 15}},
        {"a line goes", {100, 120, 3, true}, {100, 120, 3}},
        {"no grid after one", {-1, -1, 7}, {10, 20, -1}},
        {"a trace over the grid goes", {200, 220, 5, false, true}, {-1, -1, 5}},
        {"a trace under the grid after one over it", {200, 220, 5, false, true}, {150, 210, 5}},
    };
    for (SurfaceFormat f : {_SURFACE_32BIT, _SURFACE_16BIT_565}) {
        auto draw = [f](DisplayDirectX& dx, const Frame& frame) {
            std::vector<unsigned char> trace(W * H, 0);
            for (int j = frame.from; j >= 0 && j <= frame.to; ++j)
                for (int i = j % 3; i < W; i += 3)
                    trace[static_cast<std::size_t>(j * W + i)] = static_cast<unsigned char>(1 + (i + j) % 127);
            dx.clear();
            if (frame.from >= 0 && !frame.traceLast) dx.drawChannel(1, trace.data());
            if (frame.grid >= 0)
                dx.drawGrid(frame.grid & 1, frame.grid & 2, frame.grid & 4,
                            static_cast<int>(frame.grid & 8 ? packRgb(f, 0, 0, 255) : packRgb(f, 0xCC, 0x99, 0x33)));
            if (frame.from >= 0 && frame.traceLast) dx.drawChannel(1, trace.data());
            if (frame.line) dx.drawHorizontalLine(static_cast<int>(packRgb(f, 255, 0, 255)), 110, 1);
        };
        for (const auto& c : cases) {
            Renderers after(f), fresh(f);
            draw(after.dx, c.before);
            draw(after.dx, c.frame);
            draw(fresh.dx, c.frame);
            const SoftwareSurface& a = *after.dx.background();
            const SoftwareSurface& b = *fresh.dx.background();
            int differences = 0;
            for (int y = 0; y <= H; ++y)
                for (int x = 0; x <= W; ++x) differences += a.pixel(x, y) != b.pixel(x, y);
            EXPECT_EQ(differences, 0) << name(f) << ": " << c.what;
            EXPECT_EQ(after.dx.present(), fresh.dx.present()) << name(f) << ": " << c.what;
        }
    }
}

TEST(DisplayDirectX, CentreCrossIsDotted) {
    for (SurfaceFormat f : ALL_FORMATS) {
        DisplayDirectX dx(ScreenMode::of(f));
        dx.init(W, H);
        dx.drawGrid(false, true, false, 0x1234);
        const SoftwareSurface& b = *dx.background();
        struct Probe {
            int x, y;
            bool lit;
        };
        const Probe probes[] = {
            {250, 400, true}, {250, 398, true},  {250, 2, true},   {250, 399, false}, {250, 1, false},
            {2, 200, true},   {498, 200, true},  {1, 200, false},  {249, 200, false}, {250, 200, true},
            {246, 10, true},  {254, 10, true},   {255, 10, false}, {10, 196, true},   {10, 204, true},
            {10, 205, false}, {247, 200, false}, {0, 137, true},   {500, 263, true},
        };
        for (const Probe& p : probes)
            EXPECT_EQ(b.pixel(p.x, p.y), p.lit ? 0x1234u : 0u) << name(f) << " (" << p.x << ", " << p.y << ")";
        // Frame 1800; axes 201 + 251 dots less 4 on the frame and the shared centre; 38 and 48
        // ticks of 9 less the axis dot each crosses.
        EXPECT_EQ(litPixels(b).size(), 1800u + 199 + 248 + 38 * 8 + 48 * 8);
    }
}

TEST(DisplayDirectX, LinesSitOnTheirRowOrColumn) {
    auto set = [](bool horizontal, int at, std::vector<int> along) {
        Pixels out;
        for (int v : along) out.insert(horizontal ? std::pair{v, at} : std::pair{at, v});
        return out;
    };
    auto range = [](int n) {
        std::vector<int> v;
        for (int i = 0; i < n; ++i) v.push_back(i);
        return v;
    };
    auto dashes = [](int n) {
        std::vector<int> v;
        for (int s = 0; s < n; s += 9)
            for (int k = 0; k < 5; ++k) v.push_back(s + k);
        return v;
    };
    struct Case {
        bool horizontal;
        int position;
        int solid;
        Pixels expected;
    };
    const Case cases[] = {
        {true, 100, 1, set(true, 100, range(500))},
        {true, 100, 0, set(true, 100, dashes(500))},
        {false, 100, 1, set(false, 100, range(400))},
        {false, 100, 0, set(false, 100, dashes(400))},
        {true, 400, 1, set(true, 400, range(500))},
        {true, 401, 1, {}},
        {true, -1, 0, {}},
        {false, 500, 0, set(false, 500, dashes(400))},
        {false, 501, 1, {}},
        {true, INT_MAX, 0, {}},
        {false, INT_MIN, 1, {}},
    };
    for (SurfaceFormat f : ALL_FORMATS) {
        DisplayDirectX dx(ScreenMode::of(f));
        dx.init(W, H);
        const std::uint32_t colour = packRgb(f, 255, 0, 255);
        for (const Case& c : cases) {
            dx.clear();
            if (c.horizontal)
                dx.drawHorizontalLine(static_cast<int>(colour), c.position, c.solid);
            else
                dx.drawVerticalLine(static_cast<int>(colour), c.position, c.solid);
            EXPECT_EQ(litPixels(*dx.background()), c.expected)
                << name(f) << (c.horizontal ? " row " : " column ") << c.position << " solid " << c.solid;
            for (const auto& [x, y] : c.expected) ASSERT_EQ(dx.background()->pixel(x, y), colour);
        }
    }
}

TEST(DisplayDirectX, CursorsTakeTheSourceColourAtFullIntensity) {
    for (SurfaceFormat f : ALL_FORMATS) {
        Renderers r(f, true); // channel 1 and 2 on the colour track
        DisplayContext c;
        c.selectedObject = 8;
        c.cursorA = {100, 150};
        c.cursorB = {300, 250};
        c.channelOn[0] = true;
        c.voltageOffset[0] = 150.0;
        r.dx.context() = c;
        const TableColor& table = *r.dx.tableColor();
        for (int source : {1, 2, 3}) {
            r.dx.drawCursors(source);
            const auto colour = static_cast<std::uint32_t>(table.get(source, 127));
            const SoftwareSurface& b = *r.dx.background();
            EXPECT_EQ(b.pixel(0, 150), colour) << name(f) << " source " << source; // A, solid
            EXPECT_EQ(b.pixel(4, 250), colour) << name(f) << " source " << source; // B, dashed
            EXPECT_EQ(b.pixel(5, 250), 0u);
            EXPECT_EQ(b.pixel(100, 399), colour) << name(f) << " source " << source; // A
            EXPECT_EQ(b.pixel(300, 13), colour) << name(f) << " source " << source;  // B from the top
            EXPECT_EQ(b.pixel(300, 14), 0u);
        }
        // The channel 1 marker stays green while its cursors follow the hue.
        r.dx.drawChannelMarkers();
        EXPECT_EQ(r.dx.background()->pixel(1, 250), packRgb(f, 0, 255, 0)) << name(f);
        EXPECT_NE(static_cast<std::uint32_t>(table.get(1, 127)), packRgb(f, 0, 255, 0));

        r.dx.clear();
        for (int object : {0, 6, 10}) {
            r.dx.context().selectedObject = object;
            r.dx.drawCursors(1);
        }
        EXPECT_TRUE(litPixels(*r.dx.background()).empty()) << name(f);
    }
}

TEST(DisplayDirectX, TextLandsInTheSurface) {
    for (SurfaceFormat f : ALL_FORMATS) {
        DisplayDirectX dx(ScreenMode::of(f));
        dx.init(W, H);
        // White text on blue, in GDI colours; a label beyond the surface is clipped.
        dx.context().labels = {{.backgroundColor = 0xFF0000, .textColor = 0xFFFFFF, .x = 100, .y = 100, .text = "abc"},
                               {.backgroundColor = 0xFF0000, .textColor = 0xFFFFFF, .x = 700, .y = -50, .text = "far"}};
        dx.drawLabels();
        const std::uint32_t white = packRgb(f, 255, 255, 255), blue = packRgb(f, 0, 0, 255);
        int whiteInside = 0, blueInside = 0, outside = 0;
        const SoftwareSurface& b = *dx.background();
        for (int y = 0; y <= H; ++y)
            for (int x = 0; x <= W; ++x) {
                const bool inside = x >= 100 && x < 200 && y >= 100 && y < 130;
                whiteInside += inside && b.pixel(x, y) == white;
                blueInside += inside && b.pixel(x, y) == blue;
                outside += !inside && b.pixel(x, y) != 0;
            }
        EXPECT_GT(whiteInside, 0) << name(f);
        EXPECT_GT(blueInside, 100) << name(f);
        EXPECT_EQ(outside, 0) << name(f);

        // The information line: the markers, then the texts.
        dx.clear();
        DisplayContext& c = dx.context();
        c.labels.clear();
        c.channelOn = {false, true, false, false};
        c.voltDivText[1] = "2V";
        c.timeDivText = "1ms";
        dx.drawInfoText();
        int yellowText = 0, whiteText = 0;
        for (int y = 350; y <= 395; ++y)
            for (int x = 50; x <= 250; ++x) {
                yellowText += b.pixel(x, y) == packRgb(f, 255, 255, 0);
                whiteText += b.pixel(x, y) == white;
            }
        EXPECT_GT(yellowText, 0) << name(f);
        EXPECT_GT(whiteText, 0) << name(f);
        EXPECT_EQ(b.pixel(1, 200), packRgb(f, 255, 255, 0)) << name(f); // channel 2's marker
        EXPECT_EQ(b.pixel(250, 1), packRgb(f, 255, 128, 0)) << name(f); // trigger position
    }
}

TEST(DisplayDirectX, PresentationShowsTheBackground) {
    for (SurfaceFormat f : ALL_FORMATS) {
        DisplayDirectX dx(ScreenMode::of(f));
        dx.init(W, H);
        DisplayContext c;
        c.horizontalPosition = 100.0;
        c.triggerOffset = 500.0; // the up arrow in the top-right corner
        dx.context() = c;
        dx.drawGrid(false, false, false, static_cast<int>(packRgb(f, 0, 0, 255)));
        dx.drawTriggerPositionMarker();
        dx.drawTriggerLevelMarker();
        const QImage shown = dx.present();
        ASSERT_FALSE(shown.isNull());
        EXPECT_EQ(shown.format(), qImageFormat(f)) << name(f);
        EXPECT_EQ(shown.size(), QSize(501, 401));
        // Pure colours survive every format.
        EXPECT_EQ(shown.pixel(495, 4), qRgb(0, 255, 0)) << name(f);
        EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 0, 255)) << name(f);
        EXPECT_EQ(shown.pixel(7, 7), qRgb(0, 0, 0)) << name(f);
        if (f == _SURFACE_32BIT) {
            // Qt reads the unused byte of its 32-bit form as opacity.
            int transparent = 0;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x) transparent += shown.constScanLine(y)[4 * x + 3] != 0xFF;
            EXPECT_EQ(transparent, 0);
        }

        // The full-screen window's renderer stretches another renderer's picture over its area.
        DisplayDirectX full(ScreenMode::of(f));
        full.init(W, H);
        const QImage big = full.present(shown, 1002, 802);
        ASSERT_EQ(big.size(), QSize(1002, 802)) << name(f);
        for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {495, 4}, {100, 1}, {7, 7}, {500, 400}})
            for (int d = 0; d < 4; ++d)
                ASSERT_EQ(big.pixel(2 * x + d % 2, 2 * y + d / 2), shown.pixel(x, y))
                    << name(f) << " " << x << " " << y;
        EXPECT_TRUE(full.primaryImage() == big);
        // A frame of another format is refused.
        EXPECT_TRUE(
            full.present(shown.convertToFormat(f == _SURFACE_32BIT ? QImage::Format_RGB16 : QImage::Format_RGB32), 1002,
                         802)
                .isNull());
    }
}

TEST(DisplayDirectX, OperationsWithoutSurfacesDoNothing) {
    DisplayDirectX dx;
    std::vector<unsigned char> trace(W * H, 1);
    auto everything = [&] {
        dx.clear();
        dx.drawGrid(true, true, true, 0xFFFFFF);
        dx.drawChannel(1, trace.data());
        dx.drawLabels();
        dx.drawCursors(1);
        dx.drawHorizontalLine(0xFFFFFF, 10, 1);
        dx.drawVerticalLine(0xFFFFFF, 10, 0);
        dx.spare();
        dx.drawInfoText();
        dx.drawChannelMarkers();
        dx.drawTriggerLevelMarker();
        dx.drawTriggerPositionMarker();
        EXPECT_TRUE(dx.present().isNull());
    };
    everything();
    dx.init(W, H);
    dx.release();
    everything();
    EXPECT_EQ(dx.background(), nullptr);
    EXPECT_EQ(dx.tableColor(), nullptr);
}

TEST(DisplayDirectXDeathTest, SizeMustBePositive) {
    EXPECT_DEATH(DisplayDirectX().init(0, 400), "x_ > 0");
    EXPECT_DEATH(DisplayDirectX().init(500, -1), "y_ > 0");
}

} // namespace
