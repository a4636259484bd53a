#include "zero_calibration.h"

#include "calibration.h"
#include "codes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kDacMax = 4095;
constexpr int kEdgeSamples = 1000; // left out at each end of the record
constexpr int kMidScaleHw3 = 511;

// Paths of the volt/div codes: 0-2, 3-4, 5, 6-7, 8, 9-10 (_HW3/_HW4); 0-4, 5-7, 8-10 (_HW1/_HW2).
constexpr VoltDivRange kRangesHw3[6] = {{0, 2}, {3, 4}, {5, 5}, {6, 7}, {8, 8}, {9, 10}};
constexpr VoltDivRange kRangesHw12[3] = {{0, 4}, {5, 7}, {8, 10}};

void setPolynomial(float (&q)[3], float q0, float q1, float q2) {
    q[0] = q0;
    q[1] = q1;
    q[2] = q2;
}

} // namespace

int zeroStepTimeDiv(int step) { return step % 2 == 0 ? _20US_DIV : _10US_DIV; }

VoltDivRange zeroStepRange(int hardwareVersion, int step) {
    const int pair = std::max(step, 0) / 2;
    if (hardwareVersion >= _HW3) return kRangesHw3[std::min(pair, 5)];
    return kRangesHw12[std::min(pair, 2)];
}

ZeroSearchStarts zeroSearchStarts(int hardwareVersion, double adcAmpFactor) {
    if (hardwareVersion < _HW3) return {2000, 1300, 2800, ZERO_BASE_HW12};
    const int d = 2 * static_cast<int>(1.25 * 1000 / (adcAmpFactor - 1));
    return {d, static_cast<int>(d * 0.5), static_cast<int>(d * 1.5), d};
}

OffsetMeans sampleMeansOf(const short* record, int bufferSize) {
    if (!record || bufferSize <= 2 * kEdgeSamples) return {};
    long long sum[2] = {0, 0};
    for (int i = kEdgeSamples; i <= bufferSize - kEdgeSamples - 1; ++i) sum[i & 1] += record[i];
    const double half = (bufferSize - 2 * kEdgeSamples) * 0.5;
    return {static_cast<int>(sum[0] / half), static_cast<int>(sum[1] / half)};
}

RecordShape recordShape(const short* record, int bufferSize, int adcLevels) {
    if (!record || bufferSize <= 2 * kEdgeSamples || adcLevels <= 0) return RecordShape::Incomplete;
    int low[2] = {adcLevels, adcLevels}, high[2] = {-1, -1};
    for (int i = kEdgeSamples; i <= bufferSize - kEdgeSamples - 1; ++i) {
        const int v = record[i];
        if (v < 0 || v >= adcLevels) return RecordShape::Incomplete;
        low[i & 1] = std::min(low[i & 1], v);
        high[i & 1] = std::max(high[i & 1], v);
    }
    const int limit = adcLevels / FLAT_SPREAD_DIVISOR;
    return high[0] - low[0] <= limit && high[1] - low[1] <= limit ? RecordShape::Flat : RecordShape::Signal;
}

FollowedMeans followedMeans(const OffsetMeans& means, int ch, int timeDiv) {
    if (ch == _CH2 && timeDiv == _10US_DIV) return {means.odd, means.even};
    return {means.even, means.odd};
}

int zeroDacStep(int hardwareVersion, int followed, int adcLevels) {
    if (hardwareVersion >= _HW3) return followed - kMidScaleHw3;
    return static_cast<int>((followed - adcLevels * 0.5) * 0.5);
}

int converter2Offset(const FollowedMeans& means, int adcLevels) {
    return static_cast<int>(adcLevels * 0.5 - means.other);
}

ZeroDacOutcome searchZeroDac(const ZeroDacSearch& rules, int start, const std::function<bool(int)>& write,
                             const std::function<std::optional<FollowedMeans>()>& measure) {
    ZeroDacOutcome out;
    int v = std::clamp(start, 0, kDacMax);
    while (out.corrections < ZeroDacSearch::ITERATION_CAP) {
        out.dac = v;
        if (!write(v)) {
            out.result = ZeroSearchResult::WriteFailed;
            return out;
        }
        const std::optional<FollowedMeans> m = measure();
        if (!m) {
            out.result = ZeroSearchResult::MeasureFailed;
            return out;
        }
        out.means = *m;
        if (m->followed <= 0) {
            out.result = ZeroSearchResult::AtBottom;
            return out;
        }
        const int d = zeroDacStep(rules.hardwareVersion, m->followed, rules.adcLevels);
        v = std::clamp(v - d, 0, kDacMax);
        ++out.corrections;
        if (std::abs(d) <= rules.tolerance) {
            out.dac = v;
            out.result = ZeroSearchResult::Found;
            return out;
        }
    }
    out.result = ZeroSearchResult::NoConvergence;
    return out;
}

bool dacWithinRange(int dac) { return dac > 0 && dac < kDacMax; }

ZeroOffsetTargets zeroOffsetTargets(Calibration& cal, int ch, bool ac) {
    const bool one = ch == _CH1;
    if (ac)
        return {one ? cal.offsetACNonInterleaveCh1 : cal.offsetACNonInterleaveCh2,
                one ? cal.offsetACInterleaveCh1 : cal.offsetACInterleaveCh2,
                one ? &cal.offsetACADC2Ch1 : &cal.offsetACADC2Ch2,
                one ? cal.offsetACADC2Ch1New : cal.offsetACADC2Ch2New};
    return {one ? cal.offsetNonInterleaveCh1 : cal.offsetNonInterleaveCh2,
            one ? cal.offsetInterleaveCh1 : cal.offsetInterleaveCh2, one ? &cal.offsetADC2Ch1 : &cal.offsetADC2Ch2,
            one ? cal.offsetADC2Ch1New : cal.offsetADC2Ch2New};
}

void storeZeroStep(const ZeroOffsetTargets& t, int hardwareVersion, int step, int zeroPoint, int offset2) {
    const VoltDivRange r = zeroStepRange(hardwareVersion, step);
    const bool interleaved = step % 2 == 1;
    int* zeros = interleaved ? t.interleave : t.nonInterleave;
    for (int i = r.first; i <= r.last; ++i) zeros[i] = zeroPoint;
    if (!interleaved) return;
    if (step == 1) *t.adc2 = offset2;
    if (hardwareVersion >= _HW3)
        for (int i = r.first; i <= r.last; ++i) t.adc2New[i] = offset2;
}

void resetZeroConstants(Calibration& cal, int ch) {
    const bool one = ch == _CH1;
    setPolynomial(one ? cal.nonlinearConstCh1 : cal.nonlinearConstCh2, 0, 1, 0);
    setPolynomial(one ? cal.nonlinearConstADC1Ch1 : cal.nonlinearConstADC1Ch2, 0, 1, 0);
    setPolynomial(one ? cal.nonlinearConstADC2Ch1 : cal.nonlinearConstADC2Ch2, 0, 1, 0);
    for (bool ac : {false, true}) {
        const ZeroOffsetTargets t = zeroOffsetTargets(cal, ch, ac);
        std::fill_n(t.nonInterleave, 11, 0);
        std::fill_n(t.interleave, 11, 0);
        std::fill_n(t.adc2New, 11, 0);
        *t.adc2 = 0;
    }
}

std::array<int, 3> gainFitDacValues(double adcAmpFactor) {
    std::array<int, 3> out{};
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = 2 * static_cast<int>(GAIN_FIT_LEVELS[i] * 1000 / (adcAmpFactor - 1));
    return out;
}

double gainFromCodes(int codeLow, int codeHigh) {
    const auto volts = [](int c) { return c * 2.0 / 1024 + 0.25; };
    return (volts(codeLow) - volts(codeHigh)) / (GAIN_FIT_LEVELS[0] - GAIN_FIT_LEVELS[2]);
}

bool gainPlausible(double gain) { return gain >= GAIN_PLAUSIBLE_MIN && gain <= GAIN_PLAUSIBLE_MAX; }

Quadratic quadraticThrough(const std::array<double, 3>& x, const std::array<double, 3>& y) {
    // Divided differences of Newton's form, multiplied out.
    const double d01 = (y[1] - y[0]) / (x[1] - x[0]);
    const double d12 = (y[2] - y[1]) / (x[2] - x[1]);
    const double q0 = (d12 - d01) / (x[2] - x[0]);
    const double q1 = d01 - q0 * (x[0] + x[1]);
    const double q2 = y[0] - d01 * x[0] + q0 * x[0] * x[1];
    return {q0, q1, q2};
}

Quadratic nonlinearFromCodes(const std::array<int, 3>& codes, int adcLevels) {
    std::array<double, 3> x{}, y{};
    for (size_t i = 0; i < 3; ++i) {
        x[i] = NONLINEAR_FIT_DAC[i] * 0.001;
        y[i] = codes[i] * 2.0 / adcLevels + 1.5;
    }
    return quadraticThrough(x, y);
}

bool nonlinearWithinLimits(const Quadratic& q) {
    if (q.q0 == 0 || q.q1 == 1 || q.q2 == 0) return false;
    if (std::fabs(q.q0) > 0.5 || std::fabs(q.q2) > 0.5) return false;
    return q.q1 >= 0.5 && q.q1 <= 1.5;
}
