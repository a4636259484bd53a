#include "sim_records_hardware.h"

#include <cstddef>

namespace {

using PerVoltDiv = SimHardware::PerVoltDiv;
using Gains = SimHardware::Gains;

std::array<int, 33> delayTable(int base, int step) {
    std::array<int, 33> t{};
    for (int i = 0; i < 33; ++i) t[static_cast<std::size_t>(i)] = base - (i * step) / 8;
    return t;
}

// Gives every code the value of the first code of its path.
template <class T>
T byPath(const SimHardware& h, T values) {
    for (int v = 0; v < 11; ++v) values[static_cast<std::size_t>(v)] = values[static_cast<std::size_t>(h.pathFirst(v))];
    return values;
}

} // namespace

int SimHardware::pathFirst(int v) const {
    if (generation <= 2) return v <= 4 ? 0 : v <= 7 ? 5 : 8;
    // Attenuator range and gain bit: {0,1,2} {3,4} {5} {6,7} {8} {9,10}.
    static constexpr int kFirst[11] = {0, 0, 0, 3, 3, 5, 6, 6, 8, 9, 9};
    return v >= 0 && v <= 10 ? kFirst[v] : 0;
}

SimHardware SimHardware::typical(int generation_) {
    SimHardware h;
    h.generation = generation_;
    const bool wide = generation_ >= 3;

    h.ampAC[0] = byPath(h, Gains{1.012, 0.996, 1.004, 0.989, 1.021, 1.007, 0.993, 1.015, 0.998, 1.009, 0.985});
    h.ampDC[0] = byPath(h, Gains{1.010, 0.995, 1.003, 0.990, 1.019, 1.006, 0.994, 1.013, 0.997, 1.008, 0.987});
    h.ampAC[1] = byPath(h, Gains{0.991, 1.006, 0.997, 1.014, 0.986, 1.002, 1.011, 0.992, 1.005, 0.995, 1.018});
    h.ampDC[1] = byPath(h, Gains{0.992, 1.005, 0.998, 1.012, 0.988, 1.001, 1.010, 0.993, 1.004, 0.996, 1.016});
    h.nonlinear[0] = {0.0008, 0.9985, 0.0021};
    h.nonlinear[1] = {0.0006, 1.0012, 0.0015};
    if (wide) { // generations 3 and 4 correct the linear term only
        h.adc1[0] = {0, 1.004, 0};
        h.adc2[0] = {0, 0.997, 0};
        h.adc1[1] = {0, 1.002, 0};
        h.adc2[1] = {0, 0.995, 0};
    } else {
        h.adc1[0] = {0.0007, 0.9991, 0.0012};
        h.adc2[0] = {0.0005, 1.0007, 0.0018};
        h.adc1[1] = {0.0009, 0.9979, 0.0010};
        h.adc2[1] = {0.0004, 1.0015, 0.0022};
    }
    h.oldOffset[0] = 2496;
    h.oldOffset[1] = 2503;
    h.trigger[0] = byPath(h, PerVoltDiv{14, 13, 12, 11, 11, 12, 11, 10, 12, 11, 10});
    h.trigger[1] = byPath(h, PerVoltDiv{15, 14, 12, 12, 11, 13, 12, 11, 13, 12, 11});
    h.offsetNonInterleave[0] = byPath(h, PerVoltDiv{-18, -16, -15, -14, -14, -9, -8, -8, -21, -20, -20});
    h.offsetNonInterleave[1] = byPath(h, PerVoltDiv{12, 11, 10, 10, 9, 6, 5, 5, 15, 14, 14});
    h.offsetInterleave[0] = byPath(h, PerVoltDiv{-17, -15, -14, -13, -13, -8, -8, -7, -20, -19, -19});
    h.offsetInterleave[1] = byPath(h, PerVoltDiv{13, 12, 11, 10, 10, 7, 6, 5, 16, 15, 14});
    h.offsetACNonInterleave[0] = byPath(h, PerVoltDiv{-19, -17, -16, -15, -14, -10, -9, -8, -22, -21, -20});
    h.offsetACNonInterleave[1] = byPath(h, PerVoltDiv{11, 10, 10, 9, 9, 5, 5, 4, 14, 13, 13});
    h.offsetACInterleave[0] = byPath(h, PerVoltDiv{-18, -16, -15, -14, -13, -9, -8, -8, -21, -20, -19});
    h.offsetACInterleave[1] = byPath(h, PerVoltDiv{12, 11, 10, 10, 9, 6, 5, 5, 15, 14, 13});
    h.offsetADC2New[0] = byPath(h, PerVoltDiv{3, 3, 3, 2, 2, 3, 2, 2, 4, 3, 3});
    h.offsetADC2New[1] = byPath(h, PerVoltDiv{-2, -2, -1, -1, -1, -2, -2, -1, -3, -2, -2});
    h.offsetACADC2New[0] = byPath(h, PerVoltDiv{4, 4, 3, 3, 3, 4, 3, 3, 5, 4, 4});
    h.offsetACADC2New[1] = byPath(h, PerVoltDiv{-3, -2, -2, -2, -1, -3, -2, -2, -4, -3, -3});
    h.offsetADC2[0] = 3;
    h.offsetADC2[1] = -2;
    h.offsetACADC2[0] = 4;
    h.offsetACADC2[1] = -3;
    h.offsetTriggerHighFrequency = 9;
    h.pppRealTime1Ch = delayTable(28, 3);
    h.pppRealTime2Ch = delayTable(22, 2);
    // Equivalent time samples both channels whatever is shown: one delay for both.
    h.pppETS1Ch = delayTable(40, 5);
    h.pppETS2Ch = h.pppETS1Ch;
    // The host folds a count above ETSMax back by ETSMax - ETSMin: the window spans the
    // counter's period, 128 counts of the seven-bit counter on generations 1 and 2.
    h.ETSMin = wide ? 4 : 3;
    h.ETSMax = wide ? 121 : 131;
    h.ETSOffset = 6;
    for (int k = 0; k < 128; ++k)
        h.ETSHistogram[static_cast<std::size_t>(k)] = (k >= h.ETSMin && k <= h.ETSMax) ? 96 + (k * 37) % 11 : 0;
    h.chipTemperatureCalib = 30;
    return h;
}
