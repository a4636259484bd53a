#pragma once
// The trigger decision beyond the plain edge, as the instrument reads registers 11 and 12
// and the pulse value 13..15: a condition of both channels, and the pulse-width trigger.
//
// Register 12 bits 0-2 name a condition per channel (don't care, 0 or 1; the table differs
// on generation 1). A channel's condition holds while its input is at or above its trigger
// level (condition 1) or below it (condition 0). Bits 3-5 combine two conditions:
//   0 an edge of channel 1 into its condition while channel 2's holds
//   1 the same with the channels swapped
//   2 both come to hold (AND)     3 either comes to hold (OR)
//   4 both stop holding (NAND)    5 neither holds any more (NOR)
// With the pulse trigger on (register 11 bit 7) a pulse is a stretch in which the condition
// holds; the trigger comes at its end when it was shorter than the pulse value (bit 6
// clear) or longer (bit 6 set). The pulse value counts 10 ns ticks.
// The counted kinds (register 11 bits 0-1 = 2, 3) and the logic register (bits 6-7) are
// decoded by InstrumentSettings and not acted on.

#include "instrument_settings.h"
#include "signal_source.h"

#include <optional>

class TriggerCondition {
public:
    static constexpr int DONT_CARE = -1;
    static constexpr double TICK = 10e-9; // seconds per pulse-value count

    static TriggerCondition decode(const InstrumentSettings& settings_);

    // Channel 0 or 1: -1 don't care, 0 or 1.
    int condition(int channelIndex_) const { return d_condition[channelIndex_]; }
    int combination() const { return d_combination; }
    bool pulseOn() const { return d_pulseOn; }
    bool pulseLonger() const { return d_pulseLonger; }
    double pulseSeconds() const { return d_pulseSeconds; }
    // True when the plain edge search does not decide: a pulse width or both channels.
    bool advanced() const;

    // The first trigger at or after from_ (seconds) of the two inputs against their trigger
    // levels (input volts), searched over a stretch long enough for a periodic input;
    // nothing when there is none.
    std::optional<double> next(const Signal* const signals_[2], const double levels_[2], double from_) const;

private:
    bool holds(const Signal* const signals_[2], const double levels_[2], double t_, bool& ch1_, bool& ch2_) const;
    bool bothChannels() const { return d_condition[0] != DONT_CARE && d_condition[1] != DONT_CARE; }

    int d_condition[2] = {DONT_CARE, DONT_CARE};
    int d_combination = 0;
    bool d_pulseOn = false;
    bool d_pulseLonger = false;
    double d_pulseSeconds = 0;
};
