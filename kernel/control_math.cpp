// The math trace: two channels combined sample by sample in volts.
#include "control.h"

#include "buffer_raw_data.h"

#include <algorithm>
#include <cmath>

namespace {

// The converter code a raw value carries, or false for an empty or unusable one.
bool sourceCode(short raw, int adcLevels, short& code) {
    if (raw == EMPTY_SAMPLE) return false;
    const int c = raw >= FLAGGED_SAMPLE_BASE ? raw - FLAGGED_SAMPLE_BASE : raw;
    if (c < 0 || c >= adcLevels) return false;
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

    const int top = s.d_adcLevels - 1;
    for (int i = 0; i < n; ++i) {
        short codeA = 0, codeB = 0;
        double value = 0;
        if (!sourceCode(a[i], s.d_adcLevels, codeA) || !sourceCode(b[i], s.d_adcLevels, codeB) ||
            !combine(operation, rawToVoltage(ch1, codeA), rawToVoltage(ch2, codeB), value)) {
            math[i] = EMPTY_SAMPLE;
            continue;
        }
        math[i] = static_cast<short>(std::clamp(voltageToRaw(_MATH, value), 0, std::max(top, 0)));
    }
    return true;
}
