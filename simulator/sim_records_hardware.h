#pragma once
// The analog truth of a simulated instrument: the gain, offset, converter and timing errors
// of its hardware. The factory calibration image is written from these values, so the kernel
// reading that image corrects exactly what the simulated hardware does wrong; records encoded
// here with the errors decode to the programmed signal.
//
// An error can only depend on what the hardware switches: the attenuator range, the gain bit
// (generations 3 and 4) and the coupling; values per volt/div code are the values of the
// code's path. Arrays [11] are indexed by the volt/div code, [33] by the time/div code.

#include <array>

struct SimHardware {
    using PerVoltDiv = std::array<int, 11>;
    using Gains = std::array<double, 11>;
    using Polynomial = std::array<double, 3>; // square, linear, constant term

    int generation = 4;

    // Amplitude factor per channel [0] channel 1, [1] channel 2: the front end's gain is
    // nominal / factor.
    Gains ampAC[2]{}, ampDC[2]{};
    // Converter transfer: a true code f maps to the raw code through the polynomial the
    // calibration inverts (not interleaved: nonlinear[channel]; interleaved: adc1/adc2).
    Polynomial nonlinear[2]{};
    Polynomial adc1[2]{}, adc2[2]{};
    // Offset of the second converter of an interleaved channel, in codes (its raw codes are
    // this much too low): generations 1, 2 one value, 3, 4 per volt/div and coupling.
    int offsetADC2[2]{}, offsetACADC2[2]{};
    PerVoltDiv offsetADC2New[2]{}, offsetACADC2New[2]{};
    // Offset-DAC zero errors in DAC steps (interleaved or not, AC variants on generations 3, 4).
    PerVoltDiv offsetNonInterleave[2]{}, offsetInterleave[2]{};
    PerVoltDiv offsetACNonInterleave[2]{}, offsetACInterleave[2]{};
    // Trigger comparator zero errors in trigger-DAC steps.
    PerVoltDiv trigger[2]{};
    int offsetTriggerHighFrequency = 0;
    // Delay from the trigger to the capture's counter, in counter units (real time) or in
    // display columns of the time base (equivalent time), one channel or both.
    std::array<int, 33> pppRealTime1Ch{}, pppRealTime2Ch{}, pppETS1Ch{}, pppETS2Ch{};
    // The trigger-to-clock counter: its count window and offset.
    int ETSMin = 0, ETSMax = 0, ETSOffset = 0;
    std::array<int, 128> ETSHistogram{};
    int chipTemperatureCalib = 0; // the counter's chip temperature at calibration
    int oldOffset[2]{};

    // A typical instrument of the generation: gains within 2 %, small zero errors, a second
    // converter a few codes off.
    static SimHardware typical(int generation_);

    // The first volt/div code of the path of code voltDiv_ on this generation: paths are
    // 0-4, 5-7, 8-10 (generations 1, 2) or 0-2, 3-4, 5, 6-7, 8, 9-10 (3, 4).
    int pathFirst(int voltDiv_) const;
};
