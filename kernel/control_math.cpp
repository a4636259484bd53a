// The math trace: two channels combined sample by sample in volts.
#include "control.h"

#include "buffer_raw_data.h"
#include "raw_sample.h"
#include "table_raw_display.h"
#include "transform_raw_display.h"
#include "units.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// The converter code a raw value carries, or false for an empty or unusable one.
bool sourceCode(short raw, int adcLevels, short& code) {
    const int c = sampleCodeOf(raw, adcLevels);
    if (c < 0) return false;
    code = static_cast<short>(c);
    return true;
}

// False where the result is no sample: a zero divisor, or a value that is not finite.
bool combine(int operation, double a, double b, double& result) {
    switch (operation) {
    case _ADD: result = a + b; break;
    case _SUBTRACT: result = a - b; break;
    case _MULTIPLY: result = a * b; break;
    case _DIVIDE:
        if (b == 0.0) return false;
        result = a / b;
        break;
    default: return false;
    }
    return std::isfinite(result);
}

// Truncation toward zero that saturates instead of overflowing; NaN gives 0.
int truncSaturated(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return std::numeric_limits<int>::max();
    if (x <= -2147483648.0) return std::numeric_limits<int>::min();
    return static_cast<int>(x);
}

// The conversion of math volts to math codes (voltageToRaw of the math trace) with its
// settings taken once: the same operations in the same order, so the same codes.
struct MathScale {
    double k = 0;         // the table factor of the math volt/div
    double perScreen = 0; // volts over the display height
    int offset = 0;       // the math trace's zero row
    int height = 0;
    int halfLevels = 0;
    int halfHeight = 0;

    bool operator==(const MathScale&) const = default;

    int toRaw(double volts) const {
        if (k == 0) return 0;
        const int row = perScreen == 0 ? offset : truncSaturated(offset + volts / perScreen * height);
        return truncSaturated((row + 0.5 + k * halfLevels - halfHeight) / k);
    }
};

} // namespace

bool Control::updateMath() {
    short* math = p_bufferRawData->data(_MATH);
    if (!math) return false;
    std::fill_n(math, std::min(p_state->d_bufferSize, p_bufferRawData->size(_MATH)), EMPTY_SAMPLE);
    return computeMath();
}

// Sources that did not change since the last computation give the same record again
// without converting a sample: a display cycle recomputes the math trace even when no new
// record arrived.
struct Control::MathMemo {
    int operation = -1;
    MathScale scale;
    std::vector<double> voltsA, voltsB; // by code: what the sources' settings make of it
    std::vector<short> a, b, result;
};

std::vector<double> Control::sourceVolts(int ch) const {
    // rawToVoltage for every code, its settings taken once: the same operations in the same
    // order.
    const State& s = *p_state;
    const int levels = std::clamp(s.d_adcLevels, 0, TABLE_RAW_DISPLAY_CODES);
    std::vector<double> volts(static_cast<size_t>(levels), 0.0);
    const ChannelSettings& c = s.d_channel[ch];
    const int H = s.d_displayHeight;
    const int32_t* rows = p_transformRawDisplay->getTableRawDisplay()->rows(ch);
    if (H == 0 || !rows) return volts;
    const int offset = static_cast<int>(c.invertOnOff ? 400 - c.voltageOffset : c.voltageOffset);
    const double perDiv = volt_per_div(c.voltageDiv), probe = probe_factor(c.probeAttenuation);
    for (int code = 0; code < levels; ++code)
        volts[static_cast<size_t>(code)] =
            (rows[code] - offset) / static_cast<double>(H) * 8 * perDiv * probe * c.scaleFactor;
    return volts;
}

bool Control::computeMath() {
    const State& s = *p_state;
    short* math = p_bufferRawData->data(_MATH);
    if (!math) return false;
    const int n = std::min(s.d_bufferSize, p_bufferRawData->size(_MATH));

    // A source is an enabled channel 1 or 2 whose record covers the math record.
    auto source = [&](int ch) -> const short* {
        if ((ch != _CH1 && ch != _CH2) || !s.d_channel[ch].channelOnOff || p_bufferRawData->size(ch) < n)
            return nullptr;
        return p_bufferRawData->data(ch);
    };
    const int ch1 = s.d_mathSource1, ch2 = s.d_mathSource2;
    const short* a = source(ch1);
    const short* b = source(ch2);
    const int operation = s.d_mathOperation;
    if (!a || !b || operation < _ADD || operation > _DIVIDE) {
        std::fill_n(math, n, EMPTY_SAMPLE);
        return true;
    }

    const std::vector<double> voltsA = sourceVolts(ch1), voltsB = sourceVolts(ch2);
    const ChannelSettings& m = s.d_channel[_MATH];
    MathScale scale;
    scale.k = p_transformRawDisplay->getTableRawDisplay()->getFactor(m.voltageDiv);
    scale.perScreen = m.scaleFactor * probe_factor(m.probeAttenuation) * volt_per_div(m.voltageDiv) * 8;
    scale.offset = static_cast<int>(m.voltageOffset);
    scale.height = s.d_displayHeight;
    scale.halfLevels = s.d_adcLevels / 2;
    scale.halfHeight = s.d_displayHeight / 2;

    if (!p_mathMemo) p_mathMemo = std::make_shared<MathMemo>();
    MathMemo& memo = *p_mathMemo;
    const size_t count = static_cast<size_t>(std::max(n, 0));
    if (memo.operation == operation && memo.scale == scale && memo.result.size() == count &&
        memo.voltsA == voltsA && memo.voltsB == voltsB && std::equal(a, a + count, memo.a.begin()) &&
        std::equal(b, b + count, memo.b.begin())) {
        std::copy(memo.result.begin(), memo.result.end(), math);
        return true;
    }

    const int top = std::max(s.d_adcLevels - 1, 0);
    for (int i = 0; i < n; ++i) {
        short codeA = 0, codeB = 0;
        double value = 0;
        if (!sourceCode(a[i], s.d_adcLevels, codeA) || !sourceCode(b[i], s.d_adcLevels, codeB) ||
            !combine(operation, voltsA[static_cast<size_t>(codeA)], voltsB[static_cast<size_t>(codeB)], value)) {
            math[i] = EMPTY_SAMPLE;
            continue;
        }
        math[i] = static_cast<short>(std::clamp(scale.toRaw(value), 0, top));
    }
    memo.operation = operation;
    memo.scale = scale;
    memo.voltsA = voltsA;
    memo.voltsB = voltsB;
    memo.a.assign(a, a + count);
    memo.b.assign(b, b + count);
    memo.result.assign(math, math + count);
    return true;
}
