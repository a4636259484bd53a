// The math trace: two channels combined sample by sample in volts.
#include "control.h"

#include "buffer_raw_data.h"
#include "raw_sample.h"
#include "table_raw_display.h"
#include "transform_raw_display.h"

#include <algorithm>
#include <cmath>
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
    VoltageScale scale;
    std::vector<double> voltsA, voltsB; // by code: what the sources' settings make of it
    std::vector<short> a, b, result;
};

std::vector<double> Control::sourceVolts(int ch) const {
    const int levels = std::clamp(p_state->d_adcLevels, 0, TABLE_RAW_DISPLAY_CODES);
    std::vector<double> volts(static_cast<size_t>(levels));
    if (!validChannel(ch)) return volts;
    // The settings once, not per code: a display cycle takes every code of both sources.
    const RowVolts toVolts = rowVolts(ch);
    const TableRawDisplay& table = *p_transformRawDisplay->getTableRawDisplay();
    for (int code = 0; code < levels; ++code) volts[static_cast<size_t>(code)] = toVolts(table.getRow(ch, code));
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
    const VoltageScale scale = voltageScale(_MATH);

    if (!p_mathMemo) p_mathMemo = std::make_shared<MathMemo>();
    MathMemo& memo = *p_mathMemo;
    const size_t count = static_cast<size_t>(std::max(n, 0));
    if (memo.operation == operation && memo.scale == scale && memo.result.size() == count && memo.voltsA == voltsA &&
        memo.voltsB == voltsB && std::equal(a, a + count, memo.a.begin()) && std::equal(b, b + count, memo.b.begin())) {
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
        math[i] = static_cast<short>(std::clamp(scale.raw(value), 0, top));
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
