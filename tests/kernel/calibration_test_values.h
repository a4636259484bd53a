#pragma once
// Calibration constants for the calibration tests: every named constant as a list, seeded
// random values inside what the memory words can carry, and a sentinel fill.

#include "calibration.h"
#include "codes.h"

#include <random>
#include <string>
#include <vector>

struct CalibrationArray {
    std::string name;
    float* factors = nullptr;
    int* integers = nullptr;
    int count = 0;
    enum Form { Int, Fixed3, Fixed4, Adc } form = Int; // the memory word of its elements
};

inline std::vector<CalibrationArray> calibrationArrays(Calibration& c) {
    using A = CalibrationArray;
    auto f = [](const char* n, float* p, int k, A::Form form) { return A{n, p, nullptr, k, form}; };
    auto i = [](const char* n, int* p, int k) { return A{n, nullptr, p, k, A::Int}; };
    return {
        f("ampACCh1", c.ampACCh1, 11, A::Fixed3),
        f("ampACCh2", c.ampACCh2, 11, A::Fixed3),
        f("ampDCCh1", c.ampDCCh1, 11, A::Fixed3),
        f("ampDCCh2", c.ampDCCh2, 11, A::Fixed3),
        f("nonlinearConstCh1", c.nonlinearConstCh1, 3, A::Fixed4),
        f("nonlinearConstCh2", c.nonlinearConstCh2, 3, A::Fixed4),
        f("nonlinearConstADC1Ch1", c.nonlinearConstADC1Ch1, 3, A::Adc),
        f("nonlinearConstADC2Ch1", c.nonlinearConstADC2Ch1, 3, A::Adc),
        f("nonlinearConstADC1Ch2", c.nonlinearConstADC1Ch2, 3, A::Adc),
        f("nonlinearConstADC2Ch2", c.nonlinearConstADC2Ch2, 3, A::Adc),
        i("oldOffsetCh1", &c.oldOffsetCh1, 1),
        i("oldOffsetCh2", &c.oldOffsetCh2, 1),
        i("triggerCh1", c.triggerCh1, 11),
        i("triggerCh2", c.triggerCh2, 11),
        i("pppRealTime1Ch", c.pppRealTime1Ch, 33),
        i("pppRealTime2Ch", c.pppRealTime2Ch, 33),
        i("pppETS1Ch", c.pppETS1Ch, 33),
        i("pppETS2Ch", c.pppETS2Ch, 33),
        i("ETSMin", &c.ETSMin, 1),
        i("ETSMax", &c.ETSMax, 1),
        i("ETSOffset", &c.ETSOffset, 1),
        i("ETSHistogramSize", &c.ETSHistogramSize, 1),
        i("ETSHistogram", c.ETSHistogram, 128),
        i("offsetADC2Ch1", &c.offsetADC2Ch1, 1),
        i("offsetADC2Ch2", &c.offsetADC2Ch2, 1),
        i("offsetADC2Ch1New", c.offsetADC2Ch1New, 11),
        i("offsetADC2Ch2New", c.offsetADC2Ch2New, 11),
        i("offsetInterleaveCh1", c.offsetInterleaveCh1, 11),
        i("offsetInterleaveCh2", c.offsetInterleaveCh2, 11),
        i("offsetNonInterleaveCh1", c.offsetNonInterleaveCh1, 11),
        i("offsetNonInterleaveCh2", c.offsetNonInterleaveCh2, 11),
        i("offsetACADC2Ch1", &c.offsetACADC2Ch1, 1),
        i("offsetACADC2Ch2", &c.offsetACADC2Ch2, 1),
        i("offsetACADC2Ch1New", c.offsetACADC2Ch1New, 11),
        i("offsetACADC2Ch2New", c.offsetACADC2Ch2New, 11),
        i("offsetACInterleaveCh1", c.offsetACInterleaveCh1, 11),
        i("offsetACInterleaveCh2", c.offsetACInterleaveCh2, 11),
        i("offsetACNonInterleaveCh1", c.offsetACNonInterleaveCh1, 11),
        i("offsetACNonInterleaveCh2", c.offsetACNonInterleaveCh2, 11),
        i("offsetTriggerHighFrequency", &c.offsetTriggerHighFrequency, 1),
        i("chipTemperatureCalib", &c.chipTemperatureCalib, 1),
        i("d_reservedWord", c.d_reservedWord, 15),
    };
}

// Random values every store can carry for generation gen_: 16-bit integers, factors inside
// the range of their fixed-point word. HardwareVersion is gen_, and page 0x380 names the
// same generation.
inline void fillRandom(Calibration& c, unsigned seed, int gen_) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> word(-32768, 32767);
    std::uniform_real_distribution<float> fixed3(-15.99f, 15.99f);
    std::uniform_real_distribution<float> fixed4(-1.99f, 1.99f);
    for (CalibrationArray& a : calibrationArrays(c)) {
        const bool wide = a.form == CalibrationArray::Fixed3 || (a.form == CalibrationArray::Adc && gen_ >= _HW3);
        for (int k = 0; k < a.count; ++k) {
            if (a.factors)
                a.factors[k] = wide ? fixed3(rng) : fixed4(rng);
            else
                a.integers[k] = word(rng);
        }
    }
    std::uniform_int_distribution<int> small(-15, 15);
    for (int& v : c.d_reservedFactor) v = small(rng);
    c.HardwareVersion = gen_;
    c.newHardwareVersion = gen_ >= _HW3 ? gen_ : 0;
}

// Every constant set to one value, to see what a read leaves alone.
inline void fillSentinel(Calibration& c, int value) {
    for (CalibrationArray& a : calibrationArrays(c))
        for (int k = 0; k < a.count; ++k) {
            if (a.factors)
                a.factors[k] = static_cast<float>(value);
            else
                a.integers[k] = value;
        }
    for (int& v : c.d_reservedFactor) v = value;
    c.HardwareVersion = _HW2;
    c.newHardwareVersion = value;
}
