#pragma once
// The bench for the zero calibration: both inputs shorted (0 V, or a DC level to drive the
// converter into saturation), on a front end whose zero points have drifted since the factory
// wrote its calibration image. The drifted values are hidden from the host: its calibration
// memory still holds the factory's, so only a calibration that measures finds them.

#include "instrument_settings.h"
#include "sim_records.h"
#include "sim_records_hardware.h"

#include <cstdint>
#include <memory>

struct ShortedInput {
    // A typical instrument of the generation whose offset-DAC zero errors (normal and
    // interleaved, DC and AC) and converter-2 offsets have each moved by a seeded whole amount,
    // per path and channel, of at most maxDrift_ steps or codes either way.
    static SimHardware drifted(int generation_, std::uint64_t seed_, int maxDrift_ = 12);

    // Records of that hardware with both inputs at volts_ (0: shorted).
    static std::unique_ptr<SimRecords> records(const SimHardware& hardware_, double volts_ = 0.0);

    // What a zero calibration should find for channel index c_ (0 or 1) set up as settings_
    // programs it (range, gain bit, coupling, one converter or the interleaved pair), from the
    // hardware's own model without noise. The followed converter is c_'s bit (channel 1 the
    // even samples, channel 2 the odd ones); mid-scale is code 2048 (12 bits) or 511 (10 bits,
    // the code of the converter's middle voltage).
    struct Truth {
        double zeroPoint = 0; // base_ minus the offset-DAC value that puts 0 V at mid-scale
        // What the other converter of the pair reads below the followed one there, the same
        // input on both: the offset its correction has to add.
        double converter2Offset = 0;
        double codesPerStep = 0;      // converter codes per offset-DAC step there, followed
        double otherCodesPerStep = 0; // and the other converter
    };
    static Truth truth(const SimHardware& hardware_, InstrumentSettings settings_, int c_, int base_);

    // The raw code (no noise, not rounded) converter `bit_` gives for 0 V on channel index c_
    // set up as settings_ with the offset DAC at dac_.
    static double rawCode(const SimHardware& hardware_, InstrumentSettings settings_, int c_, int bit_, int dac_);
};
