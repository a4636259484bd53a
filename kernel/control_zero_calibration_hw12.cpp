// Zero calibration of generations 1 and 2: one offset sweep, then the converter polynomials.
#include "control.h"

#include "calibration.h"
#include "zero_calibration.h"

namespace {

const char* const kZeroHw12Source = "kernel\\control_zero_calibration_hw12";
constexpr int kHw12SettleMs = 500;
constexpr int kTolerance = 1;

void setPolynomial(float (&q)[3], const Quadratic& p) {
    q[0] = static_cast<float>(p.q0);
    q[1] = static_cast<float>(p.q1);
    q[2] = static_cast<float>(p.q2);
}

} // namespace

int Control::zeroCalibrationHw12(int ch) {
    return runZeroCalibration(ch, &Control::searchOffsetsHw12, &Control::fitNonlinearHw12);
}

int Control::sweepOffsetsHw12(int ch, int start) {
    return sweepOffsets(ch, start, zeroVoltDivStepsHw12.data(), static_cast<int>(zeroVoltDivStepsHw12.size()), _DC,
                        kTolerance);
}

bool Control::searchOffsetsHw12(int ch) {
    return sweepWithFallBack(ch, &Control::sweepOffsetsHw12, kZeroHw12Source, __LINE__);
}

bool Control::fitNonlinearHw12(int ch) {
    constexpr int kVoltDiv = _100MV_DIV;
    if (!setZeroCalibrationChannel(ch, _DC, kVoltDiv, _20US_DIV)) return false;
    Calibration& cal = *p_calibration;
    if (p_state->d_hardwareVersion == _HW2) {
        for (float(*q)[3] : {&cal.nonlinearConstCh1, &cal.nonlinearConstADC1Ch1, &cal.nonlinearConstADC2Ch1,
                             &cal.nonlinearConstCh2, &cal.nonlinearConstADC1Ch2, &cal.nonlinearConstADC2Ch2})
            setPolynomial(*q, Quadratic{});
        return true;
    }

    const bool one = ch == _CH1;
    Quadratic fit[3];
    for (int pass = 0; pass < 3; ++pass) {
        // Pass 0 the converter of the channel alone, passes 1 and 2 the interleaved pair.
        const int timeDiv = pass == 0 ? _20US_DIV : _10US_DIV;
        if (pass == 1 && !setTimeDiv(timeDiv)) return false;
        const int base = pass == 0 ? (one ? cal.offsetNonInterleaveCh1 : cal.offsetNonInterleaveCh2)[kVoltDiv]
                                   : (one ? cal.offsetInterleaveCh1 : cal.offsetInterleaveCh2)[kVoltDiv];
        std::array<int, 3> code{};
        for (size_t i = 0; i < NONLINEAR_FIT_DAC.size(); ++i) {
            int followed = 0, other = 0;
            if (!measureAtDac(ch, NONLINEAR_FIT_DAC[i] - base, kHw12SettleMs, followed, other)) return false;
            code[i] = pass == 2 ? other : followed;
        }
        fit[pass] = nonlinearFromCodes(code, p_state->d_adcLevels);
        if (!nonlinearWithinLimits(fit[pass])) {
            d_zeroSignalSeen = true;
            return false;
        }
    }
    setPolynomial(one ? cal.nonlinearConstCh1 : cal.nonlinearConstCh2, fit[0]);
    setPolynomial(one ? cal.nonlinearConstADC1Ch1 : cal.nonlinearConstADC1Ch2, fit[1]);
    setPolynomial(one ? cal.nonlinearConstADC2Ch1 : cal.nonlinearConstADC2Ch2, fit[2]);
    return true;
}
