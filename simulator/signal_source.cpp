#include "signal_source.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;

} // namespace

Signal::~Signal() = default;

void Signal::sampleEvenly(double t0, double dt, int count, double* out) const {
    for (int k = 0; k < count; ++k) out[k] = volts(t0 + k * dt);
}

SquareWave::SquareWave(double frequency, double low, double high, double riseTime, double duty)
    : d_period(1.0 / frequency), d_low(low), d_high(high), d_rise(std::max(riseTime, 0.0)),
      d_duty(std::clamp(duty, 0.0, 1.0)) {}

double SquareWave::volts(double t) const {
    double x = std::fmod(t, d_period);
    if (x < 0) x += d_period;
    return inPeriod(x);
}

void SquareWave::sampleEvenly(double t0, double dt, int count, double* out) const {
    if (!(dt > 0) || !(dt < d_period)) {
        Signal::sampleEvenly(t0, dt, count, out);
        return;
    }
    // One fmod for the record; the period is then taken away as the samples pass it.
    double start = std::fmod(t0, d_period);
    if (start < 0) start += d_period;
    for (int k = 0; k < count; ++k) {
        double x = start + k * dt;
        if (x >= d_period) {
            start -= d_period;
            x -= d_period;
        }
        out[k] = inPeriod(x < 0 ? 0.0 : x);
    }
}

double SquareWave::inPeriod(double x) const {
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

void HarmonicSine::sampleEvenly(double t0, double dt, int count, double* out) const {
    // Each term turns by a fixed angle per sample: rotated by one multiplication, and taken
    // afresh from sin/cos every BLOCK samples so that rounding cannot build up.
    constexpr int BLOCK = 64;
    struct Term {
        double order, amplitude, phase, stepSin, stepCos;
    };
    std::vector<Term> terms;
    terms.reserve(d_harmonics.size() + 1);
    const double turn = kTwoPi * d_frequency * dt;
    terms.push_back({1.0, 1.0, 0.0, std::sin(turn), std::cos(turn)});
    for (const Harmonic& h : d_harmonics)
        terms.push_back(
            {double(h.order), h.relativeAmplitude, h.phase, std::sin(h.order * turn), std::cos(h.order * turn)});
    for (int k = 0; k < count; ++k) out[k] = 0.0;
    for (int first = 0; first < count; first += BLOCK) {
        const int last = std::min(first + BLOCK, count);
        const double w = kTwoPi * d_frequency * (t0 + first * dt);
        for (const Term& term : terms) {
            double s = std::sin(term.order * w + term.phase), c = std::cos(term.order * w + term.phase);
            for (int k = first; k < last; ++k) {
                out[k] += term.amplitude * s;
                const double next = s * term.stepCos + c * term.stepSin;
                c = c * term.stepCos - s * term.stepSin;
                s = next;
            }
        }
    }
    for (int k = 0; k < count; ++k) out[k] = d_offset + d_amplitude * out[k];
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

// Marsaglia and Tsang's ziggurat in Doornik's form: layer 0 is the base strip with the tail
// beyond TAIL, the other layers rectangles of equal area under the density.
struct GaussianNoise::Tables {
    static constexpr double TAIL = 3.442619855899;
    static constexpr double AREA = 9.91256303526217e-3;

    static std::array<double, LAYERS + 1> edges() {
        std::array<double, LAYERS + 1> x{};
        double f = std::exp(-0.5 * TAIL * TAIL);
        x[0] = AREA / f;
        x[1] = TAIL;
        x[LAYERS] = 0.0;
        for (int i = 2; i < LAYERS; ++i) {
            x[i] = std::sqrt(-2.0 * std::log(AREA / x[i - 1] + f));
            f = std::exp(-0.5 * x[i] * x[i]);
        }
        return x;
    }
    static std::array<double, LAYERS> ratios() {
        const std::array<double, LAYERS + 1> x = edges();
        std::array<double, LAYERS> r{};
        for (int i = 0; i < LAYERS; ++i) r[i] = x[i + 1] / x[i];
        return r;
    }
};

const std::array<double, GaussianNoise::LAYERS + 1> GaussianNoise::kEdge = GaussianNoise::Tables::edges();
const std::array<double, GaussianNoise::LAYERS> GaussianNoise::kRatio = GaussianNoise::Tables::ratios();

GaussianNoise::GaussianNoise(std::uint64_t seed) {
    // splitmix64 spreads the seed over the state (never all zero).
    for (std::uint64_t& word : d_s) {
        seed += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = seed;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        word = z ^ (z >> 31);
    }
}

double GaussianNoise::edgeOrTail(int layer, double u) {
    for (;;) {
        if (layer == 0) {
            // Beyond the base rectangle: Marsaglia's tail method.
            double x, y;
            do {
                x = std::log(1.0 - uniform()) / Tables::TAIL;
                y = std::log(1.0 - uniform());
            } while (-2.0 * y < x * x);
            return u < 0 ? x - Tables::TAIL : Tables::TAIL - x;
        }
        // In a layer's wedge: under the curve or drawn again.
        const double x = u * kEdge[layer];
        const double f0 = std::exp(-0.5 * (kEdge[layer] * kEdge[layer] - x * x));
        const double f1 = std::exp(-0.5 * (kEdge[layer + 1] * kEdge[layer + 1] - x * x));
        if (f1 + uniform() * (f0 - f1) < 1.0) return x;
        const std::uint64_t r = bits();
        layer = static_cast<int>(r & 0x7F);
        u = static_cast<double>(static_cast<std::int64_t>(r >> 11) - (std::int64_t(1) << 52)) *
            (1.0 / 4503599627370496.0);
        if (u < kRatio[layer] && u > -kRatio[layer]) return u * kEdge[layer];
    }
}

std::shared_ptr<Signal> defaultSignal(int channelIndex) {
    if (channelIndex == 0) return std::make_shared<SquareWave>(1000.0, 0.0, 1.0, 20e-9);
    return std::make_shared<HarmonicSine>(3300.0, 0.8, 0.0,
                                          std::vector<HarmonicSine::Harmonic>{{3, 0.25, 0.0}, {5, 0.1, 0.5}});
}
