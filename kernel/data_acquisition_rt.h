#pragma once
// Real time: the words follow the sample order. One channel on: d_bufferSize words from
// byte 8, each stored at its index in the channel's record; both on: pairs (channel 1 word,
// channel 2 word) from byte 8. The channel bit of each word chooses the correction table,
// so with one channel sampled by both converters each code gets its converter's table.

#include "data_acquisition.h"

class DataAcquisitionRT : public DataAcquisition {
public:
    using DataAcquisition::DataAcquisition;

    // flag_ 1 corrects the codes. With averaging the record goes into the current history
    // slot and the visible record becomes the average. Sets d_triggeredFlag from status bit 8.
    bool acquire(SampleRecord record_, int flag_) override;
};
