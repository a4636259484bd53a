// Zero calibration of generations 3 and 4: DC and AC offset sweeps, then the gains of the two
// converters of the interleaved channel.
#include "control.h"

#include "calibration.h"
#include "zero_calibration.h"

namespace {

const char* const kZeroHw34Source = "kernel\\control_zero_calibration_hw34";
constexpr int kHw34SettleMs = 200;
constexpr int kDcTolerance = 0;
constexpr int kAcTolerance = 1;

void setGain(float (&q)[3], double g) {
    q[0] = 0;
    q[1] = static_cast<float>(g);
    q[2] = 0;
}

} // namespace

int Control::zeroCalibrationHw3(int ch) { return runZeroCalibration(ch, &Control::searchOffsets, &Control::fitGain); }

int Control::sweepOffsetsDC(int ch, int start) {
    return sweepOffsets(ch, start, zeroVoltDivStepsHw3.data(), static_cast<int>(zeroVoltDivStepsHw3.size()), _DC,
                        kDcTolerance);
}

int Control::sweepOffsetsAC(int ch, int start) {
    return sweepOffsets(ch, start, zeroVoltDivStepsHw3.data(), static_cast<int>(zeroVoltDivStepsHw3.size()), _AC,
                        kAcTolerance);
}

bool Control::searchOffsets(int ch) {
    return sweepWithFallBack(ch, &Control::sweepOffsetsDC, kZeroHw34Source, __LINE__) &&
           sweepWithFallBack(ch, &Control::sweepOffsetsAC, kZeroHw34Source, __LINE__);
}

bool Control::fitGain(int ch) {
    constexpr int kVoltDiv = _100MV_DIV;
    if (!setZeroCalibrationChannel(ch, _DC, kVoltDiv, _10US_DIV)) return false;
    Calibration& cal = *p_calibration;
    const bool one = ch == _CH1;
    const int base = one ? cal.offsetInterleaveCh1[kVoltDiv] : cal.offsetInterleaveCh2[kVoltDiv];
    int offset2 = one ? cal.offsetADC2Ch1New[kVoltDiv] : cal.offsetADC2Ch2New[kVoltDiv];
    if (cal.HardwareVersion < _HW3) offset2 = one ? cal.offsetADC2Ch1 : cal.offsetADC2Ch2;
    const std::array<int, 3> dac = gainFitDacValues(p_state->d_ADCAmpFactor);

    double gain[2] = {1, 1};
    for (int pass = 1; pass <= 2; ++pass) {
        std::array<int, 3> code{};
        for (size_t i = 0; i < dac.size(); ++i) {
            int followed = 0, other = 0;
            if (!measureAtDac(ch, dac[i] - base, kHw34SettleMs, followed, other)) return false;
            code[i] = pass == 1 ? followed : other + offset2;
        }
        gain[pass - 1] = gainFromCodes(code[0], code[2]);
        if (!gainPlausible(gain[pass - 1])) {
            d_zeroSignalSeen = true;
            return false;
        }
    }
    // Pass 1 measured the converter of the followed samples, pass 2 the one behind the offset.
    setGain(one ? cal.nonlinearConstADC1Ch1 : cal.nonlinearConstADC2Ch2, gain[0]);
    setGain(one ? cal.nonlinearConstADC2Ch1 : cal.nonlinearConstADC1Ch2, gain[1]);
    return true;
}
