#include "shorted_input.h"

#include "signal_source.h"

#include <cstddef>

namespace {

// Moves every path's value of `values` by its own draw; the codes of a path keep one value.
template <class Array>
void drift(const SimHardware& h, Array& values, GaussianNoise& noise, int maxDrift) {
    for (int v = 0; v < 11; ++v) {
        const size_t i = static_cast<size_t>(v);
        if (h.pathFirst(v) == v)
            values[i] += static_cast<int>(noise.uniform() * (2 * maxDrift + 1)) - maxDrift;
        else
            values[i] = values[static_cast<size_t>(h.pathFirst(v))];
    }
}

} // namespace

SimHardware ShortedInput::drifted(int generation, std::uint64_t seed, int maxDrift) {
    SimHardware h = SimHardware::typical(generation);
    GaussianNoise noise(seed);
    for (int c = 0; c < 2; ++c) {
        for (auto* zeros : {&h.offsetNonInterleave[c], &h.offsetInterleave[c], &h.offsetACNonInterleave[c],
                            &h.offsetACInterleave[c], &h.offsetADC2New[c], &h.offsetACADC2New[c]})
            drift(h, *zeros, noise, maxDrift);
        h.offsetADC2[c] += static_cast<int>(noise.uniform() * (2 * maxDrift + 1)) - maxDrift;
    }
    return h;
}

std::unique_ptr<SimRecords> ShortedInput::records(const SimHardware& hardware, double volts) {
    SimRecords::Options options;
    for (auto& signal : options.signal) signal = std::make_shared<DcLevel>(volts);
    return std::make_unique<SimRecords>(hardware, options);
}

double ShortedInput::rawCode(const SimHardware& hardware, InstrumentSettings settings, int c, int bit, int dac) {
    // AC coupling takes away the input's mean: the model's inputs are shorted too.
    const std::unique_ptr<SimRecords> model = records(hardware);
    settings.channel[c].offsetDac = dac;
    return model->converterCode(settings, c, bit, model->trueCode(settings, c, 0.0));
}

ShortedInput::Truth ShortedInput::truth(const SimHardware& hardware, InstrumentSettings settings, int c, int base) {
    const auto raw = [&](int bit, int dac) { return rawCode(hardware, settings, c, bit, dac); };
    const double mid = hardware.generation <= 2 ? 2048.0 : 511.0;
    // The raw code rises with the DAC value: the last value below mid-scale, then between it
    // and the next one.
    int lo = 0, hi = 4095;
    while (hi - lo > 1) {
        const int m = (lo + hi) / 2;
        (raw(c, m) < mid ? lo : hi) = m;
    }
    const double r0 = raw(c, lo), r1 = raw(c, lo + 1);
    const double t = (mid - r0) / (r1 - r0);
    const int other = 1 - c;
    const double o0 = raw(other, lo), o1 = raw(other, lo + 1);
    Truth out;
    out.zeroPoint = base - (lo + t);
    out.converter2Offset = mid - (o0 + t * (o1 - o0));
    out.codesPerStep = r1 - r0;
    out.otherCodesPerStep = o1 - o0;
    return out;
}
