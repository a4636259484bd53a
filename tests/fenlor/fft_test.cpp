#include "fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#ifdef VELMORA2_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

using LComplex = std::complex<long double>;

// Direct DFT in long double; sign -1 is the forward kernel e^(-i..).
std::vector<LComplex> directDft(const std::vector<LComplex>& x, int sign) {
    const std::size_t n = x.size();
    std::vector<long double> c(n), s(n);
    for (std::size_t j = 0; j < n; ++j) {
        const long double a = 2.0L * std::numbers::pi_v<long double> * j / n;
        c[j] = std::cos(a);
        s[j] = std::sin(a);
    }
    std::vector<LComplex> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        LComplex sum = 0;
        for (std::size_t m = 0; m < n; ++m) {
            const std::size_t j = (k * m) % n;
            sum += x[m] * LComplex(c[j], sign * s[j]);
        }
        out[k] = sum;
    }
    return out;
}

// The window weight by its published formula, in long double.
long double weight(unsigned short window, std::size_t n, std::size_t i) {
    if (n <= 1 || window > 3) return 1.0L;
    const long double x = 2.0L * std::numbers::pi_v<long double> * i / (n - 1);
    switch (window) {
    case 1: return 0.5L - 0.5L * std::cos(x);
    case 2: return 0.54L - 0.46L * std::cos(x);
    case 3: return 0.42L - 0.5L * std::cos(x) + 0.08L * std::cos(2 * x);
    default: return 1.0L;
    }
}

double gainOf(unsigned short window) {
    switch (window) {
    case 1: return 2.0;
    case 2: return 1.0 / 0.54;
    case 3: return 1.0 / 0.42;
    default: return 1.0;
    }
}

// What ExecFFT must return, from the direct DFT of the windowed samples.
std::vector<double> referenceSpectrum(const std::vector<float>& x, unsigned short window) {
    const std::size_t n = x.size();
    std::vector<LComplex> xw(n);
    for (std::size_t i = 0; i < n; ++i) xw[i] = x[i] * weight(window, n, i);
    const auto X = directDft(xw, -1);
    std::vector<double> out(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k) out[k] = double(std::abs(X[k]) / n) * gainOf(window);
    return out;
}

std::vector<float> randomSamples(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> x(n);
    for (auto& v : x) v = dist(gen);
    return x;
}

std::vector<float> execFft(std::vector<float> x, unsigned short window, bool direction = false) {
    FFT fft;
    const int n = int(x.size());
    std::vector<float> out(n / 2 + 1, -7.0f);
    fft.ExecFFT(n, n, x.data(), out.data(), window, direction);
    EXPECT_EQ(out[n / 2], -7.0f) << "wrote past count/2 values";
    out.pop_back();
    return out;
}

// Largest difference, relative to the largest reference bin.
double relativeError(const std::vector<float>& got, const std::vector<double>& want) {
    double peak = 0, worst = 0;
    for (std::size_t k = 0; k < want.size(); ++k) {
        peak = std::max(peak, std::fabs(want[k]));
        worst = std::max(worst, std::fabs(double(got[k]) - want[k]));
    }
    return peak > 0 ? worst / peak : worst;
}

const unsigned short kWindows[] = {_RECTANGULAR, _HANNING, _HAMMING, _BLACKMAN, 7};

} // namespace

TEST(FftSteps, PowersOfTwoAndStages) {
    FFT fft;
    struct Case {
        int n;
        bool power;
        int stages;
    };
    const Case cases[] = {
        {1, true, 0},   {2, true, 1},  {4, true, 2},  {8192, true, 13},     {1 << 30, true, 30}, {0, false, 0},
        {-4, false, 0}, {6, false, 3}, {9, false, 4}, {INT_MAX, false, 31}, {INT_MIN, false, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fft.is2SquareN(c.n), c.power) << c.n;
        EXPECT_EQ(fft.getStage(c.n), c.stages) << c.n;
    }
}

TEST(FftSteps, WindowWeights) {
    FFT fft;
    // A block of one sample weighs 1 (the formula would divide by N - 1 = 0).
    EXPECT_EQ(fft.hanning(1, 0), 1.0L);
    EXPECT_EQ(fft.hamming(1, 0), 1.0L);
    EXPECT_EQ(fft.blackman(1, 0), 1.0L);
    const unsigned long n = 513;
    for (unsigned long i = 0; i < n; ++i) {
        EXPECT_NEAR(double(fft.hanning(n, i)), double(weight(1, n, i)), 1e-15);
        EXPECT_NEAR(double(fft.hamming(n, i)), double(weight(2, n, i)), 1e-15);
        EXPECT_NEAR(double(fft.blackman(n, i)), double(weight(3, n, i)), 1e-15);
    }
    EXPECT_NEAR(double(fft.hanning(n, 256)), 1.0, 1e-15); // the middle of an odd block
    EXPECT_NEAR(double(fft.hamming(n, 0)), 0.08, 1e-15);
    EXPECT_NEAR(double(fft.blackman(n, n - 1)), 0.0, 1e-15);
}

TEST(FftSteps, DoFftMatchesDirectDftBothDirections) {
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (unsigned n = 1; n <= 1024; n *= 2) {
        for (bool direction : {false, true}) {
            std::vector<std::complex<double>> data(n);
            std::vector<LComplex> ref(n);
            for (unsigned i = 0; i < n; ++i) {
                data[i] = {dist(gen), dist(gen)};
                ref[i] = LComplex(data[i].real(), data[i].imag());
            }
            FFT fft;
            // Code 9 keeps the complex input as it is, so both halves of the plane are checked.
            ASSERT_TRUE(fft.doFFT(data.data(), n, 9, direction));
            const auto X = directDft(ref, direction ? 1 : -1);
            long double peak = 0, worst = 0;
            for (unsigned k = 0; k < n; ++k) {
                peak = std::max(peak, std::abs(X[k]));
                worst = std::max(worst, std::abs(X[k] - LComplex(data[k].real(), data[k].imag())));
            }
            EXPECT_LT(double(worst / peak), 1e-12) << "n=" << n << " direction=" << direction;
        }
    }
}

TEST(FftSteps, DoFftRefusesWhatItCannotTransform) {
    FFT fft;
    std::vector<std::complex<double>> data(12, {1.0, 2.0});
    EXPECT_FALSE(fft.doFFT(data.data(), 12, _HANNING, false));
    EXPECT_EQ(data[5], std::complex<double>(1.0, 2.0)); // untouched
    EXPECT_FALSE(fft.doFFT(nullptr, 8, _HANNING, false));
    EXPECT_FALSE(fft.doFFT(data.data(), 0, _HANNING, false));
}

TEST(FftExec, MatchesDirectDftForEveryWindow) {
    for (unsigned n = 2; n <= 1024; n *= 2) {
        const auto x = randomSamples(n, n);
        for (unsigned short window : kWindows) {
            const auto got = execFft(x, window);
            EXPECT_LT(relativeError(got, referenceSpectrum(x, window)), 1e-6) << "n=" << n << " window=" << window;
        }
    }
}

TEST(FftExec, DirectionDoesNotChangeMagnitudes) {
    const auto x = randomSamples(256, 3);
    EXPECT_EQ(execFft(x, _HAMMING, false), execFft(x, _HAMMING, true));
}

TEST(FftExec, KeepsNothingBetweenCalls) {
    FFT fft;
    auto a = randomSamples(1024, 5);
    auto b = randomSamples(512, 6);
    std::vector<float> first(512), again(512), other(256);
    fft.ExecFFT(1024, 1024, a.data(), first.data(), _BLACKMAN, false);
    fft.ExecFFT(512, 512, b.data(), other.data(), _HANNING, true);
    fft.ExecFFT(1024, 1024, a.data(), again.data(), _BLACKMAN, false);
    EXPECT_EQ(first, again);
}

TEST(FftExec, ConstantGivesItsLevelInBinZero) {
    const float a = 0.75f;
    const auto out = execFft(std::vector<float>(1024, a), _RECTANGULAR);
    EXPECT_NEAR(out[0], a, 1e-6);
    for (std::size_t k = 1; k < out.size(); ++k) ASSERT_NEAR(out[k], 0.0, 1e-7) << k;
}

TEST(FftExec, SineOnABinReadsHalfItsAmplitudeTimesCoherentGain) {
    // A symmetric window of N points sums to a0 N - a1 + a2 (the cosines sum to 1 over N
    // points of period N - 1), so the corrected peak is A/2 x that sum / (a0 N).
    struct Case {
        unsigned short window;
        double a0, a1, a2;
    };
    const Case cases[] = {{_RECTANGULAR, 1.0, 0.0, 0.0},
                          {_HANNING, 0.5, 0.5, 0.0},
                          {_HAMMING, 0.54, 0.46, 0.0},
                          {_BLACKMAN, 0.42, 0.5, 0.08}};
    const int n = 1024;
    const int bin = 100;
    const double amplitude = 2.5;
    std::vector<float> x(n);
    for (int i = 0; i < n; ++i) x[i] = float(amplitude * std::sin(2.0 * std::numbers::pi * bin * i / n));
    for (const auto& c : cases) {
        const auto out = execFft(x, c.window);
        const double coherent = (c.a0 * n - c.a1 + c.a2) / (c.a0 * n);
        EXPECT_NEAR(out[bin], amplitude / 2 * coherent, 1e-6 * amplitude) << "window " << c.window;
        if (c.window == _HANNING) {
            EXPECT_NEAR(coherent, (n - 1.0) / n, 1e-15); // (N-1)/2N before the gain of 2
        }
    }
}

TEST(FftExec, ParsevalWithRectangularWindow) {
    const int n = 4096;
    const auto x = randomSamples(n, 17);
    const auto out = execFft(x, _RECTANGULAR);
    long double energy = 0, nyquist = 0;
    for (int i = 0; i < n; ++i) {
        energy += (long double)x[i] * x[i];
        nyquist += (i % 2 ? -1.0L : 1.0L) * x[i]; // bin N/2 is not returned
    }
    long double spectral = (long double)out[0] * out[0] + (nyquist / n) * (nyquist / n);
    for (int k = 1; k < n / 2; ++k) spectral += 2.0L * out[k] * out[k];
    EXPECT_NEAR(double(spectral), double(energy / n), 1e-6 * double(energy / n));
}

TEST(FftExec, UnusableArgumentsGiveZeroesWhereThereIsRoom) {
    FFT fft;
    auto x = randomSamples(1024, 1);
    struct Case {
        const char* what;
        int size;
        int count;
        bool nullInput;
        int zeroed;
    };
    const Case cases[] = {
        {"size not a power of two", 1000, 1000, false, 500},
        {"size above the count", 2048, 1024, false, 512},
        {"size zero", 0, 1024, false, 512},
        {"null input", 1024, 1024, true, 512},
        {"count zero", 1024, 0, false, 0},
        {"count negative", 1024, -8, false, 0},
    };
    for (const auto& c : cases) {
        std::vector<float> out(600, 9.0f);
        fft.ExecFFT(c.size, c.count, c.nullInput ? nullptr : x.data(), out.data(), _HANNING, false);
        for (int k = 0; k < int(out.size()); ++k)
            ASSERT_EQ(out[k], k < c.zeroed ? 0.0f : 9.0f) << c.what << " at " << k;
    }
    fft.ExecFFT(1024, 1024, x.data(), nullptr, _HANNING, false); // must not crash
}

TEST(FftExec, SizeBelowCountTransformsTheFirstSamples) {
    // Not a call the program makes: the transform covers fftSize samples, the divisor and the
    // output length follow count.
    auto x = randomSamples(64, 4);
    std::vector<float> head(x.begin(), x.begin() + 32);
    FFT fft;
    std::vector<float> out(32);
    fft.ExecFFT(32, 64, x.data(), out.data(), _RECTANGULAR, false);
    const auto ref = referenceSpectrum(head, _RECTANGULAR);
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(out[k], ref[k] / 2, 1e-6) << k;
}

#ifdef VELMORA2_HAVE_FFTW
TEST(FftExec, MatchesFftwAfterTheSameWindow) {
    FFT weights;
    for (int n = 512; n <= 8192; n *= 2) {
        const auto x = randomSamples(std::size_t(n), unsigned(n) + 1);
        std::vector<double> in(n);
        std::vector<fftw_complex> spectrum(n / 2 + 1);
        fftw_plan plan = fftw_plan_dft_r2c_1d(n, in.data(), spectrum.data(), FFTW_ESTIMATE);
        for (unsigned short window : kWindows) {
            for (int i = 0; i < n; ++i) {
                long double w = 1.0L;
                if (window == _HANNING) w = weights.hanning(n, i);
                if (window == _HAMMING) w = weights.hamming(n, i);
                if (window == _BLACKMAN) w = weights.blackman(n, i);
                in[i] = double(x[i] * w);
            }
            fftw_execute(plan);
            std::vector<double> want(n / 2);
            for (int k = 0; k < n / 2; ++k) want[k] = std::hypot(spectrum[k][0], spectrum[k][1]) / n * gainOf(window);
            EXPECT_LT(relativeError(execFft(x, window), want), 1e-6) << "n=" << n << " window=" << window;
        }
        fftw_destroy_plan(plan);
    }
}
#endif
