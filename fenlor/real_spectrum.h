#pragma once
// Internal to fenlor: the window table and the fast path of FFT::ExecFFT for real input.

#include <cstddef>

namespace fenlor_detail {

// w(i) = a0 - a1 cos(2 pi i / (N-1)) + a2 cos(4 pi i / (N-1)), and the gain correction that
// undoes the window's coherent gain. Codes above 3 weigh every sample 1 with gain 1.
struct WindowShape {
    double a0, a1, a2;
    double gain;
};
WindowShape windowShape(unsigned short window);

// Smallest size the fast path takes; smaller blocks go through the plain steps.
constexpr unsigned kFastMinimumSize = 32;

// Doubles of scratch that realSpectrum needs for n samples.
constexpr std::size_t realSpectrumScratch(unsigned n) { return 2 * std::size_t(n) + 3 * std::size_t(n) / 2; }

// output[k] = |X[k]| / n x gain for k < n/2, X the DFT of the windowed input; n a power of
// two >= kFastMinimumSize. Packs the n real samples into n/2 complex ones, transforms them
// (Stockham, radix 4, four lanes at a time) and unfolds the two interleaved spectra.
// Runs the AVX2 build of the code where the processor has it (same operations in the same order).
void realSpectrum(const float* input, unsigned n, unsigned short window, double* scratch, float* output);

} // namespace fenlor_detail
