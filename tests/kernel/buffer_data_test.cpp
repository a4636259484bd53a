#include "buffer_data.h"
#include "buffer_data2d.h"
#include "buffer_display_data.h"
#include "buffer_physical_data.h"
#include "buffer_raw_data_stop.h"

#include <gtest/gtest.h>

namespace {

// Precondition checks exist only where assertions are compiled in.
#ifndef NDEBUG
#define EXPECT_ASSERTION(statement, text) EXPECT_DEATH(statement, text)
#else
#define EXPECT_ASSERTION(statement, text)
#endif

template <class B>
void expectAllEqual(const B& b, int ch, double value) {
    ASSERT_NE(b.data(ch), nullptr);
    for (int i = 0; i < b.size(ch); ++i) ASSERT_EQ(b.get(ch, i), value) << "channel " << ch << " position " << i;
}

TEST(BufferDataTest, ResizeLeavesEveryChannelEmpty) {
    BufferRawDataStop raw;
    BufferPhysicalData phys;
    for (int ch : {_CH1, _CH2, _MATH, _REFERENCE}) {
        ASSERT_TRUE(raw.create(7, ch));
        raw.fill(ch, 12);
        ASSERT_TRUE(raw.resize(33, ch));
        EXPECT_EQ(raw.size(ch), 33);
        expectAllEqual(raw, ch, EMPTY_SAMPLE);
        ASSERT_TRUE(phys.resize(5, ch));
        expectAllEqual(phys, ch, 4096.0);
    }
}

TEST(BufferDataTest, ReleaseAndReallocateRestoreTheSizes) {
    BufferData<short> b;
    ASSERT_TRUE(b.resize(100, _CH1));
    ASSERT_TRUE(b.resize(40, _REFERENCE));
    b.release(_CH1);
    EXPECT_EQ(b.data(_CH1), nullptr);
    EXPECT_EQ(b.d_bufferSizeCh1, 0);
    EXPECT_EQ(b.d_previousSizeCh1, 100);
    // A second release must not lose the size a reallocate restores.
    b.release(_CH1);
    ASSERT_TRUE(b.reallocate(_CH1));
    EXPECT_EQ(b.size(_CH1), 100);
    EXPECT_NE(b.data(_CH1), nullptr);

    b.release(_REFERENCE);
    EXPECT_EQ(b.data(_REFERENCE), nullptr);
    EXPECT_EQ(b.d_bufferSizeRef, 40); // reference and math keep their size
    ASSERT_TRUE(b.reallocate(_REFERENCE));
    EXPECT_EQ(b.size(_REFERENCE), 40);

    b.releaseAll();
    for (int ch : {_CH1, _CH2, _MATH, _REFERENCE}) {
        EXPECT_EQ(b.data(ch), nullptr);
        EXPECT_EQ(b.size(ch), 0);
    }
    EXPECT_EQ(b.d_previousSizeCh1, 0);
}

TEST(BufferDataTest, OtherChannelCodesReachNothing) {
    BufferData<short> b;
    EXPECT_TRUE(b.allocate(10, 0));
    EXPECT_TRUE(b.create(10, 5));
    EXPECT_TRUE(b.resize(10, 7));
    EXPECT_EQ(b.data(5), nullptr);
    EXPECT_EQ(b.get(6, 3), 0);
    b.release(9);
    b.fill(9, 1);
    EXPECT_EQ(b.size(0), 0);
}

TEST(BufferDataTest, FillOfBothChannelsDoesNotNeedChannelOne) {
    BufferData<short> b;
    ASSERT_TRUE(b.resize(4, _CH2));
    b.fill(0, 77);
    expectAllEqual(b, _CH2, 77);
    ASSERT_TRUE(b.resize(4, _CH1));
    b.fill(0, -3);
    expectAllEqual(b, _CH1, -3);
    expectAllEqual(b, _CH2, -3);
}

TEST(BufferDataTest, SetAcceptsOnlyInputChannelsAndPositionsInside) {
    BufferData<short> b;
    ASSERT_TRUE(b.resize(3, _CH1));
    ASSERT_TRUE(b.resize(3, _MATH));
    b.set(_CH1, 2, 9);
    EXPECT_EQ(b.get(_CH1, 2), 9);
    EXPECT_ASSERTION(b.set(_MATH, 0, 1), "ch_");
    EXPECT_ASSERTION(b.get(_CH1, 3), "pos_");
    EXPECT_ASSERTION(b.allocate(3, _CH1), "p_buffer == 0");
}

TEST(BufferData2DTest, RowMajorAndReleaseRemembersTheSize) {
    BufferData2D<unsigned char> img(5, 3);
    img.fill(0);
    img.set(4, 2, 99);
    EXPECT_EQ(img.data()[2 * 5 + 4], 99);
    img.release();
    EXPECT_EQ(img.data(), nullptr);
    EXPECT_EQ(img.d_sizeX, 0);
    ASSERT_TRUE(img.reallocate());
    EXPECT_EQ(img.d_sizeX, 5);
    EXPECT_EQ(img.d_sizeY, 3);
    ASSERT_TRUE(img.resize(2, 2));
    EXPECT_EQ(img.d_previousSizeX, 5);
    EXPECT_ASSERTION(img.get(2, 0), "d_sizeX");
}

TEST(BufferDisplayDataTest, CreateReplacesWithAZeroedImage) {
    BufferDisplayData d;
    ASSERT_TRUE(d.create(_CH1, 500, 400));
    d.setPixel(_CH1, 10, 20, 127);
    EXPECT_EQ(d.getImage(_CH1)[20 * 500 + 10], 127);
    ASSERT_TRUE(d.create(_CH1, 50, 40));
    EXPECT_EQ(d.p_bufferCh1->d_sizeX, 50);
    EXPECT_EQ(d.getPixel(_CH1, 10, 20), 0);
    EXPECT_EQ(d.d_x, 50);
    EXPECT_TRUE(d.create(7, 60, 70)); // other codes only set the size
    EXPECT_EQ(d.d_x, 60);
    EXPECT_EQ(d.getImage(7), nullptr);
    EXPECT_EQ(d.getPixel(7, 0, 0), 0);
}

TEST(BufferDisplayDataTest, SetPixelClipsAndGetPixelDoesNot) {
    BufferDisplayData d;
    ASSERT_TRUE(d.create(_REFERENCE, 500, 400));
    const struct { int x, y; } outside[] = {{500, 0}, {0, -1}, {-1, 5}, {3, 400}};
    for (auto p : outside) d.setPixel(_REFERENCE, p.x, p.y, 5);
    const unsigned char* img = d.getImage(_REFERENCE);
    for (int i = 0; i < 500 * 400; ++i) ASSERT_EQ(img[i], 0) << i;
    EXPECT_ASSERTION(d.getPixel(_REFERENCE, 500, 0), "d_sizeX");
    d.clear(_REFERENCE);
    d.release(_REFERENCE);
    EXPECT_EQ(d.getImage(_REFERENCE), nullptr);
}

TEST(BufferDisplayDataTest, SmallerImageClipsAtItsOwnSize) {
    // The shared size follows the last create; an earlier, smaller image must still clip.
    BufferDisplayData d;
    ASSERT_TRUE(d.create(_MATH, 10, 10));
    ASSERT_TRUE(d.create(_CH2, 500, 400));
    d.setPixel(_MATH, 300, 300, 1);
    d.setPixel(_MATH, 9, 9, 2);
    EXPECT_EQ(d.getPixel(_MATH, 9, 9), 2);
    d.releaseAll();
    EXPECT_EQ(d.getImage(_CH2), nullptr);
}

} // namespace
