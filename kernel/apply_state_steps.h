#pragma once
// The fixed order in which a whole State is programmed into the instrument. Written as a
// template over the target so the order can be checked against a recording fake; Control
// is the only production target.

#include "codes.h"
#include "state.h"

#include <cmath>

// Reads every value from target.state() at the moment of each call: a value that an
// earlier setter re-derived is the one applied. Returns false at the first failing setter
// whose result counts; nothing already applied is undone.
template <class Target>
bool applyStateSteps(Target& target) {
    auto s = [&]() -> const State& { return target.state(); };
    if (!target.setTriggerSource(s().d_triggerSource)) return false;
    if (!target.setTriggerMode(s().d_triggerMode)) return false;
    target.setTriggerSlope(s().d_triggerSlope);
    target.setTriggerLevel(s().d_triggerLevel);
    target.setXYPlotOnOff(s().d_XYPlotOnOff);
    target.setTriggerHighFrequencyRejectOnOff(s().d_triggerHighFrequencyRejectOnOff);
    if (!target.setDelayOnOff(s().d_delayOnOff)) return false;
    target.setBufferSizeMode(s().d_bufferSizeMode);
    if (!target.setTimeDiv(s().d_timeDiv)) return false;
    if (!target.setHorizontalPosition(s().d_horizontalPosition)) return false;
    if (!target.setPeakDetectionOnOff(s().d_peakDetectionOnOff)) return false;
    target.setNumberOfAverage(s().d_averageCount);

    // Switch, then coupling, volt/div and offset when on; the inputs also their bandwidth limit.
    auto channel = [&](int ch, bool input) {
        const bool on = s().d_channel[ch].channelOnOff;
        if (!target.setChannelOnOff(ch, on)) return false;
        if (on && (!target.setChannelCoupling(ch, s().d_channel[ch].channelCoupling) ||
                   !target.setVoltageDiv(ch, s().d_channel[ch].voltageDiv) ||
                   !target.setVoltageOffset(ch, s().d_channel[ch].voltageOffset)))
            return false;
        return !input || target.setBandwidthLimitOnOff(ch, s().d_channel[ch].bandwidthLimitOnOff);
    };
    for (int ch : {int(_CH1), int(_CH2)})
        if (!channel(ch, true)) return false;
    for (int ch : {int(_REFERENCE), int(_MATH)})
        if (!channel(ch, false)) return false;

    target.setETSOnOff(s().d_ETSOnOff);
    target.setPeakDetectionOnOff(s().d_peakDetectionOnOff);
    target.setXYPlotOnOff(s().d_XYPlotOnOff);

    // The time base and the position go in a second time so that everything derived from
    // the channels and the acquisition settings is in force when they are computed. The
    // position is taken before: with the delay on, the time-base changes rescale it about the
    // centre and clamp it on the way.
    const int timeDiv = s().d_timeDiv;
    const double position = s().d_horizontalPosition;
    target.setTimeDiv(_10US_DIV);
    target.setTimeDiv(timeDiv);
    target.setHorizontalPosition(0.0);
    target.setHorizontalPosition(std::trunc(position));
    return true;
}
