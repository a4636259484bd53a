#include "buffer_raw_data.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

class AverageTest : public ::testing::Test {
protected:
    void SetUp() override { get_error_text(); }
    void TearDown() override { get_error_text(); }
};

// Plain reference: the mean of the non-empty values, truncated toward zero.
short referenceMean(const std::vector<short>& values) {
    long sum = 0;
    long n = 0;
    for (short v : values)
        if (v != EMPTY_SAMPLE) {
            sum += v;
            ++n;
        }
    return n ? static_cast<short>(sum / n) : EMPTY_SAMPLE;
}

TEST_F(AverageTest, MeanSkipsEmptySamplesAndTruncatesTowardZero) {
    struct Case {
        std::vector<short> history;
        short mean;
    };
    const Case cases[] = {
        {{100, EMPTY_SAMPLE, 200}, 150},
        {{EMPTY_SAMPLE, EMPTY_SAMPLE, EMPTY_SAMPLE}, EMPTY_SAMPLE},
        {{1, 2, EMPTY_SAMPLE, EMPTY_SAMPLE}, 1},
        {{-7, -2}, -4}, // signed division: -9 / 2
        {{-1, 0, 0}, 0},
        {{24575, 24575, 20480, EMPTY_SAMPLE}, 23210},
    };
    for (const Case& c : cases) {
        BufferRawData b;
        const int n = static_cast<int>(c.history.size());
        ASSERT_TRUE(b.createWithAverage(1, n, _CH2));
        for (int j = 0; j < n; ++j) b.setHistory(j, _CH2, 0, c.history[j]);
        b.set(_CH2, 0, 1234);
        ASSERT_TRUE(b.average(_CH2));
        EXPECT_EQ(b.get(_CH2, 0), c.mean) << testing::PrintToString(c.history);
    }
}

TEST_F(AverageTest, MatchesThePlainMeanOverManyPositions) {
    // Sizes around the pass length of the optimised loop, seeded random records.
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> code(-5000, 24000);
    std::bernoulli_distribution empty(0.3);
    for (int size : {1, 1023, 1024, 1025, 3001}) {
        for (int records : {2, 5, 16}) {
            BufferRawData b;
            ASSERT_TRUE(b.createWithAverage(size, records, _CH1));
            std::vector<std::vector<short>> at(static_cast<size_t>(size));
            for (int j = 0; j < records; ++j)
                for (int i = 0; i < size; ++i) {
                    const short v = empty(rng) ? EMPTY_SAMPLE : static_cast<short>(code(rng));
                    b.setHistory(j, _CH1, i, v);
                    at[static_cast<size_t>(i)].push_back(v);
                }
            ASSERT_TRUE(b.average(_CH1));
            for (int i = 0; i < size; ++i)
                ASSERT_EQ(b.get(_CH1, i), referenceMean(at[static_cast<size_t>(i)]))
                    << size << " " << records << " " << i;
        }
    }
}

TEST_F(AverageTest, RunningSumsFollowEveryKindOfWrite) {
    // Whole records, single samples and fills in a seeded random order; after each the mean
    // must be the plain one of the history as it stands. Counts above 4096 divide plainly.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> code(-32767, 32767);
    std::bernoulli_distribution empty(0.2);
    for (int records : {2, 3, 16, 129, 5000}) {
        const int size = records > 1000 ? 40 : 700;
        BufferRawData b;
        ASSERT_TRUE(b.createWithAverage(size, records, _CH2));
        std::uniform_int_distribution<int> slot(0, records - 1), length(1, size), what(0, 9);
        for (int step = 0; step < 60; ++step) {
            const int kind = what(rng);
            if (kind < 6) {
                std::vector<short> values(static_cast<size_t>(length(rng)));
                for (short& v : values) v = empty(rng) ? EMPTY_SAMPLE : static_cast<short>(code(rng));
                b.setHistoryRecord(slot(rng), _CH2, values.data(), static_cast<int>(values.size()));
            } else if (kind < 9) {
                b.setHistory(slot(rng), _CH2, length(rng) - 1,
                             empty(rng) ? EMPTY_SAMPLE : static_cast<short>(code(rng)));
            } else {
                b.fill(_CH2, empty(rng) ? EMPTY_SAMPLE : static_cast<short>(code(rng)), true);
            }
            b.fill(_CH2, 1234, false);
            ASSERT_TRUE(b.average(_CH2));
            for (int i = 0; i < size; ++i) {
                std::vector<short> at;
                for (int j = 0; j < records; ++j) at.push_back(b.getHistory(j, _CH2, i));
                ASSERT_EQ(b.get(_CH2, i), referenceMean(at)) << records << " step " << step << " at " << i;
            }
        }
    }
}

TEST_F(AverageTest, CountOfOneDropsTheHistoryAndLeavesTheRecord) {
    BufferRawData b;
    ASSERT_TRUE(b.createWithAverage(4, 3, _CH1));
    b.setHistory(0, _CH1, 0, 10);
    EXPECT_EQ(b.getHistory(0, _CH1, 0), 10);
    ASSERT_TRUE(b.setNumberOfAverage(1, _CH1));
    EXPECT_EQ(b.getHistory(0, _CH1, 0), 0); // no history any more
    b.set(_CH1, 1, 55);
    EXPECT_TRUE(b.average(_CH1));
    EXPECT_EQ(b.get(_CH1, 1), 55);
}

TEST_F(AverageTest, HistoryFollowsResizeReleaseAndReallocate) {
    BufferRawData b;
    ASSERT_TRUE(b.createWithAverage(8, 4, 0 /* both */));
    ASSERT_TRUE(b.resize(8, _CH2));
    EXPECT_EQ(b.getHistory(3, _CH2, 7), EMPTY_SAMPLE);
    b.setHistory(3, _CH2, 7, 5);
    ASSERT_TRUE(b.resize(20, _CH2));
    EXPECT_EQ(b.getHistory(3, _CH2, 19), EMPTY_SAMPLE);
    EXPECT_EQ(b.getHistory(3, _CH2, 7), EMPTY_SAMPLE);

    b.release(_CH2);
    ASSERT_TRUE(b.reallocate(_CH2));
    EXPECT_EQ(b.size(_CH2), 20);
    EXPECT_EQ(b.get(_CH2, 0), EMPTY_SAMPLE);
    b.setHistory(1, _CH2, 19, 40);
    b.setHistory(2, _CH2, 19, 60);
    ASSERT_TRUE(b.average(_CH2));
    EXPECT_EQ(b.get(_CH2, 19), 50);

    b.fill(_CH2, 7, true);
    EXPECT_EQ(b.getHistory(0, _CH2, 0), 7);
    b.fill(_CH2, 8, false);
    EXPECT_EQ(b.getHistory(0, _CH2, 0), 7);
    EXPECT_EQ(b.get(_CH2, 0), 8);
}

TEST_F(AverageTest, HistoryIndexesOutsideAreIgnored) {
    BufferRawData b;
    ASSERT_TRUE(b.createWithAverage(2, 2, _CH1));
    b.setHistory(2, _CH1, 0, 9);
    b.setHistory(-1, _CH1, 0, 9);
    EXPECT_EQ(b.getHistory(2, _CH1, 0), 0);
    EXPECT_EQ(b.getHistory(0, _CH1, 0), EMPTY_SAMPLE);
    EXPECT_EQ(b.getHistory(1, _MATH, 0), 0);
}

TEST_F(AverageTest, MissingRecordOrHistoryIsErrorTwentyTwo) {
    BufferRawData b;
    ASSERT_TRUE(b.createWithAverage(4, 2, _CH1));
    EXPECT_FALSE(b.average(_CH2)); // channel 2 has no record
    EXPECT_EQ(error_count(), 1);
    ASSERT_TRUE(b.allocate(4, _CH2)); // a record, but the history was built for channel 1 only
    EXPECT_FALSE(b.average(_CH2));
    ASSERT_TRUE(b.resize(4, _CH2)); // resize builds the channel's history too
    EXPECT_TRUE(b.average(_CH2));
    EXPECT_STREQ(get_error_text(),
                 "Error : Attempt to write NULL memory data\nError : Attempt to write NULL memory data\n");
}

TEST_F(AverageTest, ReleaseAllLeavesTheCountAtZero) {
    BufferRawData b;
    ASSERT_TRUE(b.createWithAverage(4, 3, _CH1));
    ASSERT_TRUE(b.resize(4, _MATH));
    b.releaseAll();
    EXPECT_EQ(b.d_numberOfAverage, 0);
    EXPECT_EQ(b.data(_CH1), nullptr);
    EXPECT_EQ(b.getHistory(0, _CH1, 0), 0);
    b.init();
    EXPECT_EQ(b.d_numberOfAverage, 1);
    EXPECT_EQ(b.data(_MATH), nullptr);
}

TEST_F(AverageTest, SlotCounterWrapsAndRestartsWhenTheCountChanges) {
    AverageSlotCounter c;
    std::vector<int> slots;
    for (int i = 0; i < 5; ++i) {
        slots.push_back(c.slot(3));
        c.advance(3);
    }
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 2, 0, 1}));
    for (int i = 0; i < 100; ++i) c.advance(128);
    EXPECT_EQ(c.slot(128), 100); // counted from 0 again when the count became 128
    EXPECT_EQ(c.slot(16), 0);    // lowered below the slot: starts again inside the history
    c.advance(16);
    EXPECT_EQ(c.slot(16), 1);
    EXPECT_EQ(c.slot(1), 0);
    c.advance(1);
    EXPECT_EQ(c.slot(1), 0);
}

TEST_F(AverageTest, LoweredCountKeepsCapturesInsideTheHistory) {
    // The capture's loop: write the slot, average, advance. Lowering the count from 8 to 3
    // mid-way must not send captures to slots beyond the new history.
    BufferRawData b;
    AverageSlotCounter counter;
    ASSERT_TRUE(b.createWithAverage(2, 8, _CH1));
    auto capture = [&](short value) {
        const int slot = counter.slot(b.d_numberOfAverage);
        b.setHistory(slot, _CH1, 0, value);
        b.setHistory(slot, _CH1, 1, value);
        ASSERT_TRUE(b.average(_CH1));
        counter.advance(b.d_numberOfAverage);
    };
    for (short v = 1; v <= 6; ++v) capture(v);
    EXPECT_EQ(b.get(_CH1, 0), 3); // (1 + ... + 6) / 6
    ASSERT_TRUE(b.setNumberOfAverage(3, _CH1));
    capture(30);
    EXPECT_EQ(b.get(_CH1, 0), 30);
    capture(60);
    capture(90);
    capture(120); // wraps onto the slot of 30
    EXPECT_EQ(b.get(_CH1, 1), 90);
}

} // namespace
