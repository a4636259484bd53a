#include "control_enables.h"

#include "codes.h"

namespace {

constexpr int kLastEtsTimeDiv = 10;
constexpr int kLastPeakDetectionTimeDiv = 25;

} // namespace

ControlEnables controlEnables(const EnableInputs& in) {
    ControlEnables e;
    const bool running = in.runState == _RUN;
    const bool newer = in.hardwareVersion >= _HW3;
    const bool edge = running && !in.advancedTrigger;
    for (std::size_t i = 0; i < 4; ++i) {
        e.traceSettings[i] = in.traceOn[i];
        e.traceOnOff[i] = running;
    }
    for (std::size_t i = 0; i < 2; ++i) {
        const bool on = in.traceOn[i];
        e.coupling[i] = running && on;
        e.invert[i] = running && on;
        e.bandLimit[i] = running && on && newer;
        e.triggerRadio[i] = edge && on;
        e.measureRadio[i] = on;
        e.triggerLevelMarker[i] = running && in.triggerSource == static_cast<int>(i) + 1;
    }
    e.measureMath = in.traceOn[2];
    e.triggerSlope = edge;
    e.triggerSource = edge;
    e.triggerMode = edge;
    e.advancedTrigger = running;
    e.highFrequencyReject = running && newer;
    e.ets = running && in.timeDiv <= kLastEtsTimeDiv;
    e.peakDetection =
        running && newer && in.timeDiv >= in.peakDetectionMinTimeDiv && in.timeDiv <= kLastPeakDetectionTimeDiv;
    e.autoSet = running;
    e.average = running;
    e.calibration = running;
    e.xyPlot = running;
    e.bufferSize = newer;
    e.etsCalibration = in.hardwareVersion != _HW4;
    return e;
}

int shownTriggerMode(int runState, int kernelMode, int savedMode) { return runState == _STOP ? savedMode : kernelMode; }
