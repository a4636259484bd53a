#pragma once
// Where the simulated instrument's captured records come from. The instrument arms the
// source when the host starts a capture, asks it for the status poll, and streams its
// bytes to the bulk reads of pipe 0x82. Sample words are two bytes: bit 7 marks the byte
// with the upper six value bits, bit 6 is the channel (0 channel 1), bits 5-0 six value
// bits. A record other than roll starts with the status word twice, four unused bytes,
// then the samples.

#include "instrument_settings.h"

#include <chrono>

class RecordSource {
public:
    virtual ~RecordSource();
    // A capture starts with these settings.
    virtual void arm(const InstrumentSettings& settings, std::chrono::milliseconds now) = 0;
    // The status poll: true when a captured record is ready. A ready record is read from
    // its start by the following bulk reads.
    virtual bool ready(std::chrono::milliseconds now) = 0;
    // Up to `length` next bytes of the record; returns how many. A record ends with a short
    // packet: the host asked more than the record holds (a roll read holds 120, 72, 48 or
    // 24 bytes, whatever the host asks).
    virtual int read(unsigned char* out, int length) = 0;
    // Whether the bulk pipe has data now: a record is being read out or is ready. Unlike
    // ready() it does not start reading a record from its beginning.
    virtual bool dataReady(std::chrono::milliseconds) { return true; }
    // The relays moved at `now` to the coupling and attenuator ranges of `settings` (the rest
    // as last armed): the front end settles from then on.
    virtual void frontEndSwitched(const InstrumentSettings&, std::chrono::milliseconds) {}
};

// A record that is ready at once and holds every enabled channel at mid scale, with a
// status word that reports a trigger. Enough for the control side; signals come later.
class MidScaleRecordSource final : public RecordSource {
public:
    void arm(const InstrumentSettings& settings, std::chrono::milliseconds now) override;
    bool ready(std::chrono::milliseconds now) override;
    int read(unsigned char* out, int length) override;

    // The two bytes of a sample word, the lower half first.
    static void encodeWord(int value, int channel, unsigned char* out);

private:
    InstrumentSettings d_settings;
    long d_position = 0;
};
