#include "fft.h"

#include "real_spectrum.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <utility>

FFT::FFT() : d_count(0), d_countCopy(0), d_direction(false), d_size(0), p_data(nullptr) {}

void FFT::ExecFFT(int fftSize, int count, float* input, float* output, unsigned short window, bool direction) {
    if (count <= 0 || output == nullptr) return;
    d_count = count;
    d_countCopy = count;
    const int half = d_countCopy / 2;
    if (input == nullptr || !is2SquareN(fftSize) || fftSize > count) {
        std::fill(output, output + half, 0.0f);
        return;
    }

    const unsigned n = unsigned(count);
    if (fftSize == count && n >= fenlor_detail::kFastMinimumSize) {
        // Real input: half-size complex transform in the same working array, same result.
        // Plain doubles: std::complex would zero the array first.
        auto work = std::make_unique_for_overwrite<double[]>(fenlor_detail::realSpectrumScratch(n));
        d_size = fftSize;
        d_direction = direction;
        p_data = reinterpret_cast<std::complex<double>*>(work.get());
        fenlor_detail::realSpectrum(input, n, window, work.get(), output);
        p_data = nullptr;
        return;
    }

    auto work = std::make_unique<std::complex<double>[]>(n);
    for (int i = 0; i < count; ++i) work[i] = {double(input[i]), 0.0};
    doFFT(work.get(), unsigned(fftSize), window, direction);
    const double gain = fenlor_detail::windowShape(window).gain;
    for (int i = 0; i < half; ++i) output[i] = float(std::abs(work[i]) / d_countCopy);
    for (int i = 0; i < half; ++i) output[i] = float(output[i] * gain);
    p_data = nullptr;
}

bool FFT::doFFT(std::complex<double>* data, unsigned int n, unsigned short window, bool direction) {
    if (!readData(data, n, direction)) return false;
    rappingWindow(int(n), window);
    shuffle();
    FFTAlgorithm();
    return true;
}

bool FFT::readData(std::complex<double>* data, unsigned int n, bool direction) {
    if (data == nullptr || !is2SquareN(int(n))) return false;
    p_data = data;
    d_size = int(n);
    d_direction = direction;
    return true;
}

bool FFT::is2SquareN(int n) { return n > 0 && (n & (n - 1)) == 0; }

void FFT::rappingWindow(int n, unsigned short window) {
    if (p_data == nullptr || window > _BLACKMAN) return;
    n = std::min(n, d_size); // never past the array readData took
    const auto N = static_cast<unsigned long>(std::max(n, 0));
    for (int i = 0; i < n; ++i) {
        long double w = 1.0L;
        if (window == _HANNING)
            w = hanning(N, static_cast<unsigned long>(i));
        else if (window == _HAMMING)
            w = hamming(N, static_cast<unsigned long>(i));
        else if (window == _BLACKMAN)
            w = blackman(N, static_cast<unsigned long>(i));
        p_data[i] = {double(p_data[i].real() * w), 0.0};
    }
}

namespace {
// cos(k x 2 pi i / (N - 1)), the argument formed in double precision.
double windowCos(unsigned long N, unsigned long i, double k) {
    return std::cos(k * std::numbers::pi * double(i) / double(N - 1));
}
} // namespace

long double FFT::hanning(unsigned long N, unsigned long i) {
    if (N <= 1) return 1.0L;
    return 0.5L - 0.5L * windowCos(N, i, 2.0);
}

long double FFT::hamming(unsigned long N, unsigned long i) {
    if (N <= 1) return 1.0L;
    return 0.54L - 0.46L * windowCos(N, i, 2.0);
}

long double FFT::blackman(unsigned long N, unsigned long i) {
    if (N <= 1) return 1.0L;
    return 0.42L - 0.5L * windowCos(N, i, 2.0) + 0.08L * windowCos(N, i, 4.0);
}

void FFT::shuffle() {
    const int n = d_size;
    if (p_data == nullptr || n < 2) return;
    // Positions counted from 1: j runs through the bit-reversed values of i.
    int j = 1;
    for (int i = 1; i < n; ++i) {
        if (i < j) exchange(i - 1, j - 1);
        int k = n / 2;
        while (k >= 1 && k < j) {
            j -= k;
            k /= 2;
        }
        j += k;
    }
}

void FFT::exchange(int i, int j) { std::swap(p_data[i], p_data[j]); }

int FFT::getStage(int n) {
    int stages = 0;
    for (long long value = 1; value < n; value *= 2) ++stages;
    return stages;
}

void FFT::FFTAlgorithm() {
    const int n = d_size;
    if (p_data == nullptr || n < 2) return;
    const double sign = d_direction ? 1.0 : -1.0;
    const int stages = getStage(n);
    for (int s = 1; s <= stages; ++s) {
        const int span = 1 << s;
        const int half = span / 2;
        const double wr = std::cos(std::numbers::pi / half);
        const double wi = sign * std::sin(std::numbers::pi / half);
        double ur = 1.0;
        double ui = 0.0;
        for (int j = 1; j <= half; ++j) {
            for (int p = j - 1; p < n; p += span) {
                const int q = p + half;
                const double qr = p_data[q].real();
                const double qi = p_data[q].imag();
                const std::complex<double> t(qr * ur - qi * ui, qr * ui + qi * ur);
                p_data[q] = p_data[p] - t;
                p_data[p] = p_data[p] + t;
            }
            const double next = ur * wr - ui * wi;
            ui = ur * wi + ui * wr;
            ur = next;
        }
    }
}
