#pragma once
// Which of the main window's commands are enabled, and the trigger mode the window shows,
// worked out in one place from the kernel's settings and the run state. The window applies
// the whole set after every refresh that changes one of the inputs, so no command carries an
// enabled rule of its own that a later refresh forgets.

#include <array>

struct EnableInputs {
    int runState = 1;              // _SINGLE 0, _RUN 1, _STOP 2
    std::array<bool, 4> traceOn{}; // CH1, CH2, math, reference
    int hardwareVersion = 4;       // _HW1 .. _HW4
    bool advancedTrigger = false;  // an advanced trigger is in force
    int triggerSource = 1;         // 1 or 2
    int timeDiv = 0;               // 0..32
    int peakDetectionMinTimeDiv = 0;
};

struct ControlEnables {
    // By trace (CH1, CH2, math, reference).
    std::array<bool, 4> traceSettings{}; // volt/div, probe, scale factor, info panel; offset marker shown
    std::array<bool, 4> traceOnOff{};
    // By input channel (CH1, CH2).
    std::array<bool, 2> coupling{};
    std::array<bool, 2> invert{};
    std::array<bool, 2> bandLimit{};
    std::array<bool, 2> triggerRadio{};
    std::array<bool, 2> measureRadio{};
    std::array<bool, 2> triggerLevelMarker{}; // shown
    bool measureMath = false;
    bool triggerSlope = false;
    bool triggerSource = false;
    bool triggerMode = false;
    bool advancedTrigger = false;
    bool highFrequencyReject = false;
    bool ets = false;
    bool peakDetection = false;
    bool autoSet = false;
    bool average = false;
    bool calibration = false;
    bool xyPlot = false;
    bool bufferSize = false;
    bool etsCalibration = false;
};

// Running (_RUN) enables the acquisition, channel and trigger commands; single shot and stop
// keep only what changes how the record already taken is shown (a trace's volt/div, probe and
// scale while it is on). Below the third generation there is no band limit, frequency reject,
// peak detection or 500k record; the fourth has no time-offset calibration.
ControlEnables controlEnables(const EnableInputs& in);

// The trigger mode the window shows: the kernel's, except while stopped, when it is the mode
// Run puts back (the kernel may still hold the NORMAL of a single shot).
int shownTriggerMode(int runState, int kernelMode, int savedMode);
