#include "rerender.h"

#include "codes.h"
#include "units.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>

namespace {

constexpr int kReferenceTimeDiv = _200NS_DIV; // the equivalent-time scales are relative to 200 ns/div
constexpr int kLastEquivalentTimeDiv = _100NS_DIV;

bool fitsInt32(double x) {
    return x >= static_cast<double>(std::numeric_limits<std::int32_t>::min()) &&
           x <= static_cast<double>(std::numeric_limits<std::int32_t>::max());
}

double usableGain(double gain) { return gain == 0 || !std::isfinite(gain) ? 1.0 : gain; }

} // namespace

bool horizontalMap(int tc, double Pc, int Nc, int t, double P, int N, int W, HorizontalMap& out) {
    const double Ttc = sec_per_div(tc), Tt = sec_per_div(t), T6 = sec_per_div(kReferenceTimeDiv);
    if (Ttc == 0 || Tt == 0 || Nc <= 0 || N <= 0 || W <= 0 || !std::isfinite(Pc) || !std::isfinite(P)) return false;
    const double a = Ttc / Tt;
    const double b = Ttc / T6;
    const double c = Tt / T6;
    const double e = static_cast<double>(N) / W;
    HorizontalMap m;
    if (tc > kLastEquivalentTimeDiv) {
        m.factor = a;
        m.offset = e * (P - a * Pc);
    } else {
        m.factor = a / b;
        const double h = std::trunc(P - Pc);
        const int r = W / 2;
        m.offset = e * h - m.factor * e * (r - Pc * c - b * (r - Pc));
    }
    m.ratio = static_cast<double>(N) / Nc;
    if (!std::isfinite(m.factor) || !std::isfinite(m.offset) || !std::isfinite(m.ratio)) return false;
    out = m;
    return true;
}

int rerenderRecord(const short* source, int sourceCount, short* destination, int destinationCount,
                   const HorizontalMap& map) {
    if (!source || !destination) return 0;
    int written = 0;
    for (int i = 0; i < sourceCount; ++i) {
        const short sample = source[i];
        if (sample == EMPTY_SAMPLE) continue;
        // Range checked on the real number: a far-off position must not reach the conversion.
        // Its truncation lies in 0 .. count - 1 exactly when it lies above -1 and below count
        // (no trunc call per sample).
        const double position = i * map.factor * map.ratio + map.offset;
        if (!(position > -1.0 && position < destinationCount)) continue;
        destination[static_cast<int>(position)] = sample;
        ++written;
    }
    return written;
}

double voltRange(int k, int hardwareVersion) {
    double range = k <= _100MV_DIV ? 1 : k <= _1V_DIV ? 10 : 100;
    // Generations 3 and 4 reach 5, 10, 20, 200 mV and 2 V/div with half the input range.
    if (hardwareVersion > _HW2 &&
        (k == _5MV_DIV || k == _10MV_DIV || k == _20MV_DIV || k == _200MV_DIV || k == _2V_DIV))
        range /= 2;
    return range;
}

bool verticalRescale(const VerticalScales& s, RowRule& out) {
    const bool codes =
        s.captureVoltDiv >= _5MV_DIV && s.captureVoltDiv <= _10V_DIV && s.voltDiv >= _5MV_DIV && s.voltDiv <= _10V_DIV;
    if (!codes || s.captureFactor == 0 || s.factor == 0 || s.adcLevels <= 0) return false;
    const double gainThen = usableGain(s.captureGain);
    const double gainNow = usableGain(s.gain);

    const double centre =
        std::trunc((s.captureOffsetRow - s.displayHeight / 2) / (s.captureFactor * gainThen) + s.adcLevels / 2);
    const double scale =
        voltRange(s.captureVoltDiv, s.hardwareVersion) / voltRange(s.voltDiv, s.hardwareVersion) * s.factor * gainNow;
    // The table subtracts the centre from a code in int arithmetic: keep it far from the limits.
    if (!(std::fabs(centre) < 1e9) || !std::isfinite(scale)) return false;
    // The rule is linear in the code: when its two ends fit, every row does.
    for (int code : {0, s.adcLevels - 1})
        if (!fitsInt32(std::trunc((code - centre) * scale + s.offsetRow + 0.5))) return false;
    out.centre = static_cast<int>(centre);
    out.scale = scale;
    out.rowNow = s.offsetRow;
    return true;
}
