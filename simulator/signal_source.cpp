#include "signal_source.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;

} // namespace

Signal::~Signal() = default;

SquareWave::SquareWave(double frequency, double low, double high, double riseTime, double duty)
    : d_period(1.0 / frequency), d_low(low), d_high(high), d_rise(std::max(riseTime, 0.0)),
      d_duty(std::clamp(duty, 0.0, 1.0)) {}

double SquareWave::volts(double t) const {
    double x = std::fmod(t, d_period);
    if (x < 0) x += d_period;
    const double up = 0.0, down = d_duty * d_period, half = d_rise / 2;
    // Distance into the period measured from each edge, the rising one also from the next period.
    auto ramp = [&](double fromEdge, double before, double after) {
        if (fromEdge <= -half) return before;
        if (fromEdge >= half) return after;
        return before + (after - before) * (fromEdge + half) / d_rise;
    };
    if (d_rise > 0) {
        if (std::fabs(x - up) < half) return ramp(x - up, d_low, d_high);
        if (std::fabs(x - d_period) < half) return ramp(x - d_period, d_low, d_high);
        if (std::fabs(x - down) < half) return ramp(x - down, d_high, d_low);
    }
    return x < down ? d_high : d_low;
}

double SquareWave::mean() const { return d_low + (d_high - d_low) * d_duty; }

HarmonicSine::HarmonicSine(double frequency, double amplitude, double offset, std::vector<Harmonic> harmonics)
    : d_frequency(frequency), d_amplitude(amplitude), d_offset(offset), d_harmonics(std::move(harmonics)) {
    d_minimum = d_maximum = volts(0.0);
    const double T = period();
    for (int i = 1; i < 4096; ++i) {
        const double v = volts(T * i / 4096.0);
        d_minimum = std::min(d_minimum, v);
        d_maximum = std::max(d_maximum, v);
    }
}

double HarmonicSine::volts(double t) const {
    const double w = kTwoPi * d_frequency * t;
    double sum = std::sin(w);
    for (const Harmonic& h : d_harmonics) sum += h.relativeAmplitude * std::sin(h.order * w + h.phase);
    return d_offset + d_amplitude * sum;
}

std::optional<double> nextCrossing(const Signal& signal, double level, bool rising, double from) {
    const double T = signal.period();
    if (T <= 0 || level <= signal.minimum() || level >= signal.maximum()) return std::nullopt;
    // Walk a little more than one period in small steps, then narrow the step that crosses.
    constexpr int kSteps = 4000;
    const double step = T / kSteps;
    auto side = [&](double t) { return signal.volts(t) >= level; };
    bool before = side(from);
    for (int i = 1; i <= kSteps + 2; ++i) {
        const double t = from + i * step;
        const bool now = side(t);
        if (now != before && now == rising) {
            double lo = t - step, hi = t;
            for (int k = 0; k < 40; ++k) {
                const double mid = (lo + hi) / 2;
                (side(mid) == rising ? hi : lo) = mid;
            }
            return hi;
        }
        before = now;
    }
    return std::nullopt;
}

double GaussianNoise::next() {
    if (d_haveSpare) {
        d_haveSpare = false;
        return d_spare;
    }
    // Marsaglia's polar method: two values per accepted pair.
    double u, v, s;
    do {
        u = 2.0 * uniform() - 1.0;
        v = 2.0 * uniform() - 1.0;
        s = u * u + v * v;
    } while (s >= 1.0 || s == 0.0);
    const double m = std::sqrt(-2.0 * std::log(s) / s);
    d_spare = v * m;
    d_haveSpare = true;
    return u * m;
}

double GaussianNoise::uniform() {
    return static_cast<double>(d_engine() >> 11) * (1.0 / 9007199254740992.0);
}

std::shared_ptr<Signal> defaultSignal(int channelIndex) {
    if (channelIndex == 0) return std::make_shared<SquareWave>(1000.0, 0.0, 1.0, 20e-9);
    return std::make_shared<HarmonicSine>(
        3300.0, 0.8, 0.0, std::vector<HarmonicSine::Harmonic>{{3, 0.25, 0.0}, {5, 0.1, 0.5}});
}
