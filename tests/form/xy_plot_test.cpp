#include "xy_plot.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr int W = 500;
constexpr int H = 400;
constexpr int LEVELS = 4096;

// Two records whose rows are their codes plus a per-channel shift.
class FakeRecords : public XYRecords {
public:
    std::array<std::vector<int>, 2> raw;
    std::array<int, 2> rowShift{0, 0};
    std::array<double, 2> offset{200.0, 200.0};

    int bufferSize() const override { return static_cast<int>(raw[0].size()); }
    int rawSample(int ch, int index) const override {
        const auto& r = raw[static_cast<std::size_t>(ch - 1)];
        return index < static_cast<int>(r.size()) ? r[static_cast<std::size_t>(index)] : 4096;
    }
    int rawToRow(int ch, int code) const override { return code + rowShift[static_cast<std::size_t>(ch - 1)]; }
    double voltageOffset(int ch) const override { return offset[static_cast<std::size_t>(ch - 1)]; }
    int adcLevels() const override { return LEVELS; }
};

using Pixels = std::set<std::pair<int, int>>; // (column, row), row 0 at the bottom

// A dot at (x, y) with both neighbours.
Pixels dot(int x, int y) { return {{x, y}, {x - 1, y - 1}, {x + 1, y + 1}}; }

Pixels merge(std::initializer_list<Pixels> parts) {
    Pixels all;
    for (const Pixels& p : parts) all.insert(p.begin(), p.end());
    return all;
}

TEST(XYPlot, PictureOfKnownRecords) {
    struct Case {
        const char* name;
        FakeRecords records;
        Pixels expected;
    };
    std::vector<Case> cases;
    {
        // Empty, flagged and out-of-range samples; a dot in the top row keeps only its centre.
        FakeRecords r;
        r.raw = {{{100, 4096, 120, 20480 + 140, 5000, 150}, {50, 60, 4096, 80, 90, 399}}};
        cases.push_back({"offsets at the centre", r, merge({dot(150, 50), dot(190, 80), {{200, 399}}})});
    }
    {
        // Channel 1's offset term divides by its row range, 50 (the sample 5000 does not widen it).
        FakeRecords r;
        r.raw = {{{100, 150, 5000}, {10, 20, 30}}};
        r.offset = {300.0, 200.0};
        cases.push_back({"channel 1 offset", r, merge({dot(152, 10), dot(202, 20)})});
    }
    {
        // A flat channel 2 collapses to its offset term: rangeY 1, dy 10.
        FakeRecords r;
        r.raw = {{{100, 200}, {77, 77}}};
        r.offset = {200.0, 210.0};
        cases.push_back({"flat channel 2", r, merge({dot(150, 10), dot(250, 10)})});
    }
    {
        // Column 0: the lower neighbour falls at the end of the row below its row; the bottom
        // row keeps only its centre; a dot beyond the right edge is not drawn.
        FakeRecords r;
        r.raw = {{{0, 100, 510}, {10, 0, 5}}};
        r.rowShift = {-50, 0};
        cases.push_back({"edges", r, {{0, 10}, {499, 8}, {1, 11}, {100, 0}}});
    }

    for (const Case& c : cases) {
        std::vector<unsigned char> image(W * H, 3);
        drawXYPlot(c.records, image.data(), W, H, 127.0f);
        Pixels lit;
        for (int row = 0; row < H; ++row)
            for (int col = 0; col < W; ++col) {
                const unsigned char v = image[static_cast<std::size_t>(row * W + col)];
                if (v == 127)
                    lit.insert({col, row});
                else
                    EXPECT_EQ(v, 3) << c.name << " at " << col << ", " << row;
            }
        EXPECT_EQ(lit, c.expected) << c.name;
    }
}

TEST(XYPlot, RowRangeSkipsSamplesWithoutACode) {
    FakeRecords r;
    r.raw = {{{4096, 300, 20480 + 20, 5000, -3}, {4096, 4096, 4096, 4096, 4096}}};
    const XYRowRange one = xyRowRange(r, 1);
    EXPECT_EQ(one.min, 20);
    EXPECT_EQ(one.max, 300);
    const XYRowRange two = xyRowRange(r, 2);
    EXPECT_EQ(two.min, LEVELS + 1);
    EXPECT_EQ(two.max, 0);

    std::vector<unsigned char> image(W * H, 0);
    drawXYPlot(r, image.data(), W, H, 127.0f);
    for (unsigned char v : image) ASSERT_EQ(v, 0);
}

} // namespace
