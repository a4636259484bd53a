// Zero calibration of generations 3 and 4: DC and AC offset sweeps, then the gains of the two
// converters of the interleaved channel.
#include "control.h"

#include "calibration.h"
#include "clock.h"
#include "trevan_error.h"
#include "usb_backend.h"
#include "zero_calibration.h"

namespace {

const char* const kSource = "kernel\\control_zero_calibration_hw34";
constexpr int kSettleMs = 200;
constexpr int kDcTolerance = 0;
constexpr int kAcTolerance = 1;

void setGain(float (&q)[3], double g) {
    q[0] = 0;
    q[1] = static_cast<float>(g);
    q[2] = 0;
}

} // namespace

int Control::zeroCalibrationHw3(int ch) {
    return runZeroCalibration(ch, &Control::searchOffsets, &Control::fitGain);
}

int Control::sweepOffsetsDC(int ch, int start) {
    return sweepOffsets(ch, start, zeroVoltDivStepsHw3.data(), static_cast<int>(zeroVoltDivStepsHw3.size()), _DC,
                        kDcTolerance);
}

int Control::sweepOffsetsAC(int ch, int start) {
    return sweepOffsets(ch, start, zeroVoltDivStepsHw3.data(), static_cast<int>(zeroVoltDivStepsHw3.size()), _AC,
                        kAcTolerance);
}

bool Control::searchOffsets(int ch) {
    const ZeroSearchStarts s = zeroSearchStarts(p_state->d_hardwareVersion, p_state->d_ADCAmpFactor);
    if (!sweepOffsetsDC(ch, s.start) && !sweepOffsetsDC(ch, s.high)) {
        push_error(_ERR_ZERO_CALIBRATION, kSource, __LINE__);
        return false;
    }
    if (!sweepOffsetsAC(ch, s.start) && !sweepOffsetsAC(ch, s.high)) {
        push_error(_ERR_ZERO_CALIBRATION, kSource, __LINE__);
        return false;
    }
    return true;
}

bool Control::fitGain(int ch) {
    constexpr int kVoltDiv = _100MV_DIV;
    if (!setZeroCalibrationChannel(ch, _DC, kVoltDiv, _10US_DIV)) return false;
    Calibration& cal = *p_calibration;
    const bool one = ch == _CH1;
    const int base = one ? cal.offsetInterleaveCh1[kVoltDiv] : cal.offsetInterleaveCh2[kVoltDiv];
    const std::array<int, 3> dac = gainFitDacValues(p_state->d_ADCAmpFactor);
    Clock& clock = p_usbBackend ? p_usbBackend->clock() : steadyClock();

    double gain[2] = {1, 1};
    for (int pass = 1; pass <= 2; ++pass) {
        std::array<int, 3> code{};
        for (size_t i = 0; i < dac.size(); ++i) {
            if (!writeOffsetDac(dac[i] - base, one ? 0 : 1)) return false;
            clock.sleepFor(std::chrono::milliseconds(kSettleMs));
            OffsetMeans m;
            if (!measureOffset(ch, m.even, m.odd)) return false;
            const FollowedMeans f = followedMeans(m, ch, _10US_DIV);
            int offset2 = one ? cal.offsetADC2Ch1New[kVoltDiv] : cal.offsetADC2Ch2New[kVoltDiv];
            if (cal.HardwareVersion < _HW3) offset2 = one ? cal.offsetADC2Ch1 : cal.offsetADC2Ch2;
            code[i] = pass == 1 ? f.followed : f.other + offset2;
        }
        gain[pass - 1] = gainFromCodes(code[0], code[2]);
    }
    // Pass 1 measured the converter of the followed samples, pass 2 the one behind the offset.
    setGain(one ? cal.nonlinearConstADC1Ch1 : cal.nonlinearConstADC2Ch2, gain[0]);
    setGain(one ? cal.nonlinearConstADC2Ch1 : cal.nonlinearConstADC1Ch2, gain[1]);
    return true;
}
