#pragma once
// The fixed order in which a whole State is programmed into the instrument. Written as a
// template over the target so the order can be checked against a recording fake; Control
// is the only production target. The setters' results must be bool.

#include "codes.h"
#include "state.h"

#include <cmath>

// Reads every value from target.state() at the moment of each call: a value that an
// earlier setter re-derived is the one applied. A setter that fails has pushed its error; the
// apply goes on with the next, so one refused setting costs that setting and not the rest.
// Only an instrument that has stopped answering ends it (false): it is gone
// (target.instrumentGone()), a write timed out twice (target.stoppedAnswering()), or the next
// setter fails too. Nothing applied is undone.
template <class Target>
bool applyStateSteps(Target& target) {
    auto s = [&]() -> const State& { return target.state(); };
    bool failedBefore = false;
    auto go = [&](bool ok) {
        if (ok) {
            failedBefore = false;
            return true;
        }
        if (failedBefore || target.instrumentGone() || target.stoppedAnswering()) return false;
        failedBefore = true;
        return true;
    };
    if (!go(target.setTriggerSource(s().d_triggerSource))) return false;
    if (!go(target.setTriggerMode(s().d_triggerMode))) return false;
    if (!go(target.setTriggerSlope(s().d_triggerSlope))) return false;
    if (!go(target.setTriggerLevel(s().d_triggerLevel))) return false;
    if (!go(target.setXYPlotOnOff(s().d_XYPlotOnOff))) return false;
    if (!go(target.setTriggerHighFrequencyRejectOnOff(s().d_triggerHighFrequencyRejectOnOff))) return false;
    if (!go(target.setDelayOnOff(s().d_delayOnOff))) return false;
    if (!go(target.setBufferSizeMode(s().d_bufferSizeMode))) return false;
    if (!go(target.setTimeDiv(s().d_timeDiv))) return false;
    if (!go(target.setHorizontalPosition(s().d_horizontalPosition))) return false;
    if (!go(target.setPeakDetectionOnOff(s().d_peakDetectionOnOff))) return false;
    if (!go(target.setNumberOfAverage(s().d_averageCount))) return false;

    // Switch, then coupling, volt/div and offset when on; the inputs also their bandwidth limit.
    auto channel = [&](int ch, bool input) {
        const bool on = s().d_channel[ch].channelOnOff;
        if (!go(target.setChannelOnOff(ch, on))) return false;
        if (s().d_channel[ch].channelOnOff && (!go(target.setChannelCoupling(ch, s().d_channel[ch].channelCoupling)) ||
                                               !go(target.setVoltageDiv(ch, s().d_channel[ch].voltageDiv)) ||
                                               !go(target.setVoltageOffset(ch, s().d_channel[ch].voltageOffset))))
            return false;
        return !input || go(target.setBandwidthLimitOnOff(ch, s().d_channel[ch].bandwidthLimitOnOff));
    };
    for (int ch : {int(_CH1), int(_CH2)})
        if (!channel(ch, true)) return false;
    for (int ch : {int(_REFERENCE), int(_MATH)})
        if (!channel(ch, false)) return false;

    if (!go(target.setETSOnOff(s().d_ETSOnOff))) return false;
    if (!go(target.setPeakDetectionOnOff(s().d_peakDetectionOnOff))) return false;
    if (!go(target.setXYPlotOnOff(s().d_XYPlotOnOff))) return false;

    // The time base and the position go in a second time so that everything derived from
    // the channels and the acquisition settings is in force when they are computed. The
    // position is taken before: with the delay on, the time-base changes rescale it about the
    // centre and clamp it on the way.
    const int timeDiv = s().d_timeDiv;
    const double position = s().d_horizontalPosition;
    return go(target.setTimeDiv(_10US_DIV)) && go(target.setTimeDiv(timeDiv)) &&
           go(target.setHorizontalPosition(0.0)) && go(target.setHorizontalPosition(std::trunc(position)));
}
