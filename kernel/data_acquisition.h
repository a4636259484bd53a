#pragma once
// The acquisition-mode objects: they turn the bytes of one sample-buffer read (a
// SampleRecord, hardware.h) into the raw records of channels 1 and 2 in BufferRawData,
// correcting every code through the calibration's tables. Only the record's bytes are read:
// a word beyond them fails (error 9).
//
// Sample word: two bytes in either order. In each byte bit 7 is the half marker (1 in the
// byte carrying value bits 11-6, 0 in the one carrying bits 5-0), bit 6 the channel bit
// (0 channel 1, 1 channel 2; with one channel on and both converters sampling it, the
// converter) and bits 5-0 six value bits. Different channel bits are error 17, equal half
// markers error 18.
//
// A real-time, ETS or RIS buffer starts with the status word (bytes 0-1), a copy of it
// (bytes 2-3) and four unused bytes; sample words begin at byte 8. Status bits: 0-6 the
// trigger-to-clock count (TDC), 7 half phase (0: second half, add 50), 8 triggered, 9 TDC
// bit 7 on _HW3/_HW4. A roll buffer has no header.
//
// Every mode checks all the words it will use before it changes anything: a buffer with one
// undecodable word leaves the records and the averaging history as they were and fails
// (errors 17 or 18, then 9). Positions are 0-based record positions.
//
// Calibration comes from the State's p_calibration; without one, codes are stored as read.

#include "buffer_average_data.h"
#include "hardware.h"

#include <cstdint>

class BufferRawData;
class State;

// Byte offsets in a real-time, ETS or RIS buffer.
constexpr int STATUS_WORD_OFFSET = 0;
constexpr int STATUS_COPY_OFFSET = 2;
constexpr int FIRST_SAMPLE_OFFSET = 8;

// Status word bits.
constexpr int STATUS_TDC_MASK = 0x7F;
constexpr int STATUS_HALF_PHASE = 0x80;
constexpr int STATUS_TRIGGERED = 0x100;
constexpr int STATUS_TDC_BIT7 = 0x200;

// The history slot counters of the real-time, RIS and ETS modes. They outlive the
// acquisition objects, which are replaced whenever the method changes; ETS keeps one for
// _HW1/_HW2 and one for _HW3/_HW4.
struct AverageSlotCounters {
    AverageSlotCounter realTime;
    AverageSlotCounter RIS;
    AverageSlotCounter ETSHw12;
    AverageSlotCounter ETSHw34;
};

// The error code (17 or 18) of a sample word, 0 for a good one.
inline int sampleWordError(unsigned char a_, unsigned char b_) {
    const unsigned x = static_cast<unsigned>(a_ ^ b_);
    if (x & 0x40) return 17;
    if (!(x & 0x80)) return 18;
    return 0;
}

// The 12-bit value of a good sample word.
inline int sampleWordValue(unsigned char a_, unsigned char b_) {
    const unsigned hiFirst = a_ >> 7;
    const unsigned hi = hiFirst ? a_ : b_;
    const unsigned lo = hiFirst ? b_ : a_;
    return static_cast<int>(((hi & 0x3Fu) << 6) | (lo & 0x3Fu));
}

// The channel bit of a good sample word: 0 channel (converter) 1, 1 channel 2.
inline int sampleWordChannelBit(unsigned char a_) { return (a_ >> 6) & 1; }

// Index of the first of `words_` words, `strideBytes_` apart from `data_`, that does not
// decode; -1 when all do.
int firstBadSampleWord(const unsigned char* data_, int words_, int strideBytes_);

class DataAcquisition {
public:
    // The three pointers are required; counters_ may be null (each object then counts alone).
    DataAcquisition(Hardware* hardware_p, BufferRawData* bufferRawData_p, State* state_p,
                    AverageSlotCounters* counters_ = nullptr);
    virtual ~DataAcquisition();
    DataAcquisition(const DataAcquisition&) = delete;
    DataAcquisition& operator=(const DataAcquisition&) = delete;

    // Decodes record_, and nothing else, into the records: no decoder reads the instrument.
    // flag_ 1 corrects the codes (real time only reads it; the other modes always correct).
    // False means no usable record: an undecodable or short record or status, a missing
    // record or history. A read that the mode skips on purpose (an ETS phase outside the
    // window) is true.
    virtual bool acquire(SampleRecord record_, int flag_) = 0;

    // Decodes one word; on failure pushes 17 or 18 and returns false. channel_ is _CH1 or
    // _CH2 from the channel bit.
    static bool decodeSampleWord(unsigned char a_, unsigned char b_, int& value_, int& channel_);

    // Decodes the word at byte offset_ of record_, corrects it through the table of its
    // channel bit and stores it at position_ of channel ch_'s record (slot_ < 0) or of
    // history slot slot_. A position outside 0 .. d_bufferSize - 1 (or the record) is
    // dropped (true). Error 9 when the word does not decode or lies beyond record_.
    bool storeSample(const SampleRecord& record_, int ch_, int offset_, int position_, int slot_);

    // The phase 0..49 measured by the TDC in record_'s status word, -1 when it is rejected
    // or the status does not decode (nothing pushed).
    int tdcPhase(const SampleRecord& record_) const;

protected:
    // Bytes readable from record_.data (0 without data).
    static unsigned int readableBytes(const SampleRecord& record_);
    // Decodes the status word at bytes 0-1; pushes 17/18 and 9 on failure.
    bool decodeStatus(const SampleRecord& record_, int& status_) const;
    // Pushes error 9 (the decode error itself was pushed by the caller).
    static bool conversionFailed(int line_);
    // Checks `words_` words `strideBytes_` apart from byte offset_: pushes 17/18 and 9 for
    // the first bad one. Also fails (error 9) when they lie beyond record_.
    bool checkWords(const SampleRecord& record_, int offset_, int words_, int strideBytes_) const;
    // Corrected code of a good word at byte offset_.
    short correctedWord(const SampleRecord& record_, int offset_, bool correct_) const;
    // storeSample for a word already checked: position_ outside the record is dropped.
    void placeWord(const SampleRecord& record_, int ch_, int offset_, int position_, int slot_);
    // Number of steps of an ETS or RIS read: the largest multiple of 100 not above
    // d_acquireLength.
    int stepCount() const;
    // Averages the channels that are on; false when one fails (error 22).
    bool averageChannelsOn();
    bool averaging() const;
    // The phase of this capture from its TDC phase (-1 included): 50 more when status bit 7
    // is clear, then divided by 2, 5, 10 or 20 at time/div codes 7 to 10.
    int capturePhase(int tdcPhase_, int status_) const;
    // tdcPhase of a decoded status value.
    int tdcPhaseOfStatus(int status_) const;
    // k = horizontal offset x samples per pixel; sets d_ETSPhase to trunc(phase_ - k).
    double stepOffset(int phase_) const;
    // Position of step i_: trunc(i_ x d_ETSStep + phase_ - k_).
    int stepPosition(int i_, int phase_, double k_) const;
    // The records of the channels that are on exist; error 16 otherwise.
    bool recordsPresent() const;

    Hardware* p_hardware;
    BufferRawData* p_bufferRawData;
    State* p_state;
    AverageSlotCounters* p_counters;

private:
    AverageSlotCounters d_ownCounters;
};

// TDC phase of a status value, as tdcPhase computes it; the calibration values are
// ETSMin, ETSMax and ETSOffset. The count arithmetic is byte arithmetic: every "modulo 256"
// keeps the low eight bits of a two's-complement value, so 86 - 100 gives 242.
int tdcPhaseOf(int status_, int hardwareVersion_, int ETSOffset_, int ETSMin_, int ETSMax_, int ETSOffsetMargin_,
               double ETSRejectMargin_);

// The ETS window after an ETS or RIS capture: d_ETSPointsPerSample, d_ETSWindowStart and
// d_ETSWindowLength of the State from its time/div, record size and horizontal position.
void updateETSWindow(State& state_);
