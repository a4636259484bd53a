#pragma once
// Input signals of the simulated instrument: clean waveforms in volts as functions of time
// (seconds), the level crossings its trigger looks for, and seeded noise.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class Signal {
public:
    virtual ~Signal();
    virtual double volts(double t_) const = 0;
    // Seconds per period; 0 for a signal that does not repeat.
    virtual double period() const = 0;
    // The mean over a period: what AC coupling takes away.
    virtual double mean() const = 0;
    // Smallest and largest value over a period.
    virtual double minimum() const = 0;
    virtual double maximum() const = 0;
    // volts() at t0_ + k dt_ for k = 0 .. count_ - 1 into out_: a whole record at once. The
    // default asks volts() for each; a signal that knows its period does it faster, equal to
    // volts() within rounding.
    virtual void sampleEvenly(double t0_, double dt_, int count_, double* out_) const;
};

// Low for the second part of each period, high for the first `duty_` part, with linear
// edges of riseTime_ seconds centred on the switching instants (0: ideal edges).
class SquareWave final : public Signal {
public:
    SquareWave(double frequency_, double low_, double high_, double riseTime_ = 0.0, double duty_ = 0.5);
    double volts(double t_) const override;
    double period() const override { return d_period; }
    double mean() const override;
    double minimum() const override { return d_low; }
    double maximum() const override { return d_high; }
    void sampleEvenly(double t0_, double dt_, int count_, double* out_) const override;

private:
    // The value x_ seconds into a period (0 <= x_ < period).
    double inPeriod(double x_) const;

    double d_period, d_low, d_high, d_rise, d_duty;
};

// offset + amplitude x (sin(2 pi f t) + sum of relative harmonics sin(2 pi n f t + phase)).
class HarmonicSine final : public Signal {
public:
    struct Harmonic {
        int order;
        double relativeAmplitude;
        double phase; // radians
    };
    HarmonicSine(double frequency_, double amplitude_, double offset_, std::vector<Harmonic> harmonics_ = {});
    double volts(double t_) const override;
    double period() const override { return 1.0 / d_frequency; }
    double mean() const override { return d_offset; }
    double minimum() const override { return d_minimum; }
    double maximum() const override { return d_maximum; }
    void sampleEvenly(double t0_, double dt_, int count_, double* out_) const override;

private:
    double d_frequency, d_amplitude, d_offset;
    std::vector<Harmonic> d_harmonics;
    double d_minimum = 0, d_maximum = 0;
};

class DcLevel final : public Signal {
public:
    explicit DcLevel(double volts_) : d_volts(volts_) {}
    double volts(double) const override { return d_volts; }
    double period() const override { return 0.0; }
    double mean() const override { return d_volts; }
    double minimum() const override { return d_volts; }
    double maximum() const override { return d_volts; }

private:
    double d_volts;
};

// The first time at or after from_ where the signal passes level_ in the direction asked,
// searched over one period (nothing for a signal that does not repeat or never gets there).
// Exact to about a millionth of the period.
std::optional<double> nextCrossing(const Signal& signal_, double level_, bool rising_, double from_);

// Seeded Gaussian noise: the same seed gives the same sequence on every machine. A few
// nanoseconds a value (xoshiro256** and a 128-layer ziggurat): a 500k record draws a
// million of them.
class GaussianNoise {
public:
    explicit GaussianNoise(std::uint64_t seed_);
    // One value of mean 0 and deviation 1.
    double next() {
        const std::uint64_t r = bits();
        const int layer = static_cast<int>(r & 0x7F);
        const double u = static_cast<double>(static_cast<std::int64_t>(r >> 11) - (std::int64_t(1) << 52)) *
                         (1.0 / 4503599627370496.0); // [-1, 1)
        // Inside the layer's rectangle (about 99 % of draws): no further test.
        if (u < kRatio[layer] && u > -kRatio[layer]) return u * kEdge[layer];
        return edgeOrTail(layer, u);
    }
    // A uniform value in [0, 1).
    double uniform() { return static_cast<double>(bits() >> 11) * (1.0 / 9007199254740992.0); }

private:
    static constexpr int LAYERS = 128;
    struct Tables;
    static const std::array<double, LAYERS + 1> kEdge; // layer i spans |x| < kEdge[i]
    static const std::array<double, LAYERS> kRatio;    // kEdge[i + 1] / kEdge[i]

    std::uint64_t bits() {
        const std::uint64_t result = rotl(d_s[1] * 5, 7) * 9;
        const std::uint64_t t = d_s[1] << 17;
        d_s[2] ^= d_s[0];
        d_s[3] ^= d_s[1];
        d_s[1] ^= d_s[2];
        d_s[0] ^= d_s[3];
        d_s[2] ^= t;
        d_s[3] = rotl(d_s[3], 45);
        return result;
    }
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    double edgeOrTail(int layer_, double u_);

    std::uint64_t d_s[4];
};

// The default inputs: a 1 kHz square wave of 0 to 1 V on channel 1 and a 3.3 kHz sine of
// 0.8 V with its third and fifth harmonics on channel 2.
std::shared_ptr<Signal> defaultSignal(int channelIndex_);
