#pragma once
// Channel records with a history of earlier records for averaging. The capture writes each
// new record into one history slot (setHistoryRecord, or setHistory per sample) and average()
// rebuilds the visible record from all slots; a slot not yet written holds EMPTY_SAMPLE and
// does not pull the mean down.
//
// Only channels 1 and 2 have a history; it exists while d_numberOfAverage >= 2. Each
// channel's history is one contiguous block (record j at j x size). Beside it a running sum
// and count of the non-empty values at each position follow every write, so averaging costs
// one pass over the positions ever written instead of one over every record.
// History indexes are 0 .. d_numberOfAverage - 1.

#include "buffer_data.h"

#include <cstdint>
#include <memory>

template <class T>
class BufferAverageData;

template <>
class BufferAverageData<short> : public BufferData<short> {
public:
    BufferAverageData() = default;
    ~BufferAverageData() override;

    // Base init; averaging off (d_numberOfAverage 1), no history.
    void init() override;
    // Releases channels 1 and 2 and the history; leaves d_numberOfAverage at 0.
    void releaseAll() override;
    // Base resize, then the channel's history records (all EMPTY_SAMPLE).
    bool resize(int size_, int ch_) override;
    // Channel 1 or 2 only: allocates the record and every history record with the size before
    // the last release (which must be > 0), all EMPTY_SAMPLE. A failed history allocation
    // releases the channel's history again and returns false.
    bool reallocate(int ch_) override;
    // Base release, then the channel's history.
    void release(int ch_) override;
    using BufferData<short>::fill;

    // size_ > 0 and number_ > 0; allocateWithAverage.
    virtual bool createWithAverage(int size_, int number_, int ch_);
    // allocate, then setNumberOfAverage(number_, ch_).
    virtual bool allocateWithAverage(int size_, int number_, int ch_);
    // number_ > 0. Drops the history; for number_ above 1 builds number_ history records of
    // channel 1, 2 or both (ch_ 0) at the channels' current sizes, all EMPTY_SAMPLE (size_ is
    // not used). On a failed allocation the history is dropped, averaging is off
    // (d_numberOfAverage 1) and false is returned.
    virtual bool setNumberOfAverage(int size_, int number_, int ch_);
    virtual bool setNumberOfAverage(int number_, int ch_);
    // Base fill; with withHistory_ every history record of the channel(s) as well.
    virtual void fill(int ch_, short value_, bool withHistory_);
    // Channel 1 or 2: every position becomes the mean (signed, truncated toward zero) of the
    // history values there that are not EMPTY_SAMPLE, or EMPTY_SAMPLE when all are. With
    // averaging off it returns true and leaves the record. A missing record or history: error
    // 22, false.
    virtual bool average(int ch_);

    // 0 when index_ is outside the history (or there is none) or ch_ is not channel 1 or 2.
    short getHistory(int index_, int ch_, int pos_) const;
    // Ignored when index_ is outside the history (or there is none); channel 1 or 2, pos_
    // inside the record.
    void setHistory(int index_, int ch_, int pos_, short value_);
    // The same for positions 0 .. count_ - 1 of one history record at once (count_ at most
    // the history's size).
    void setHistoryRecord(int index_, int ch_, const short* values_, int count_);

    int d_numberOfAverage = 1;

private:
    struct History {
        std::unique_ptr<short[]> p_data;
        int d_size = 0; // samples per history record
        // By position: the sum and the number of the non-empty history values there.
        std::unique_ptr<std::int32_t[]> p_sum;
        std::unique_ptr<std::int32_t[]> p_count;
        int d_written = 0; // positions from here on hold EMPTY_SAMPLE in every record
    };
    History* history(int ch_);
    const History* history(int ch_) const;
    bool allocateHistory(int ch_, int size_);
    void dropHistory();

    History d_historyCh1;
    History d_historyCh2;
};

// The history slot a capture writes next. It moves on after each averaged capture, wraps to
// 0 when it reaches or passes the average count, and starts again at 0 whenever the count
// differs from the one it last saw, so a lowered count never leaves it beyond the history.
class AverageSlotCounter {
public:
    // The slot for this capture, 0 .. count_ - 1.
    int slot(int count_);
    // After the capture's averaging.
    void advance(int count_);

private:
    int d_slot = 0;
    int d_count = 0;
};
