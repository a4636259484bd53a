#pragma once
// Roll (time/div codes 26 to 32). The capture makes the reads and hands over their bytes
// one after another: r reads (1, or 2, 4, 10 at codes 30, 31, 32) of b bytes each (120, 72,
// 48, 24, 24, 24, 24 for codes 26 to 32), sample words from byte 0 in arrival order, each
// word's channel bit naming its channel; k = b / 4 new samples per channel, each the mean of
// r consecutive values.
//
// Only when the record holds all r x b bytes and every word is good are the records of the
// channels that are on shifted left by k and the new samples appended at the end; anything
// else leaves the records as they were. A channel gets at most k new samples per capture;
// positions left without one hold EMPTY_SAMPLE. No history, no d_triggeredFlag.

#include "data_acquisition.h"

#include <vector>

class DataAcquisitionRoll : public DataAcquisition {
public:
    static constexpr int READ_TIME_OUT = 500; // ms
    static constexpr int FIRST_ROLL_TIME_DIV = 26;
    static constexpr int LAST_ROLL_TIME_DIV = 32;
    static constexpr int BYTES_PER_SAMPLE = 4; // one word per channel per sample time

    DataAcquisitionRoll(Hardware* hardware_p, BufferRawData* bufferRawData_p, State* state_p,
                        AverageSlotCounters* counters_ = nullptr);

    // Shifts and appends what record_ holds. False: a time/div outside 26..32, fewer than
    // r x b bytes read (error 8), an undecodable word (errors 17/18, and 9 at codes 26 to
    // 29), a missing record (16).
    bool acquire(SampleRecord record_, int flag_) override;

    // Bytes used per read at time/div code timeDiv_ (26..32), 0 for other codes.
    static int bytesPerRead(int timeDiv_);
    // Reads per capture: 1, or 2, 4, 10 at codes 30, 31, 32.
    static int readsPerCapture(int timeDiv_);

    int d_bufferSizeHardware = 0; // the State's, at construction
    int d_bytesPerRead = 0;       // of the last capture's time base
    int d_keep = 0;               // samples kept by the last shift
    int d_divisor = BYTES_PER_SAMPLE;

private:
    // The words of one read at byte offset_ of record_, checked; the corrected values of
    // the channels that are on are appended to d_collected in arrival order.
    bool collect(const SampleRecord& record_, int offset_, bool pushConversionError_);

    std::vector<short> d_collected[2]; // channel 1, channel 2
};
