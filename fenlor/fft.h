#pragma once
// fenlor: magnitude spectrum of a block of real samples (windowed radix-2 FFT).
//
// The caller owns every buffer. The object only holds the fields of the call in progress,
// so one object serves one caller at a time; nothing survives from one call to the next.

#include <complex>

#if defined(FENLOR_BUILDING)
#define FENLOR_API __attribute__((visibility("default")))
#else
#define FENLOR_API
#endif

// Window codes as passed to FFT::ExecFFT and FFT::doFFT.
enum FFTWindow : unsigned short { _RECTANGULAR = 0, _HANNING = 1, _HAMMING = 2, _BLACKMAN = 3 };

class FENLOR_API FFT {
public:
    FFT();

    // Spectrum of input[0 .. count-1] into output[0 .. count/2 - 1]:
    // output[k] = |X[k]| / count x the window's gain correction (rectangular 1, Hanning 2,
    // Hamming 1/0.54, Blackman 1/0.42; any other code weighs every sample 1 with gain 1).
    // A sine of amplitude A on bin k reads about A/2 in output[k]; bin count/2 is not returned.
    // fftSize is the transform and window length, a power of two no larger than count
    // (the program passes fftSize == count, 512 to 8192). When fftSize is not a power of
    // two, is larger than count, or input is null, no transform is made and the count/2
    // output values are 0. A count <= 0 or a null output writes nothing.
    // direction false = kernel e^(-i..), true = e^(+i..); the magnitudes are the same.
    void ExecFFT(int fftSize, int count, float* input, float* output, unsigned short window, bool direction);

    // The steps of a transform over a caller's complex array, unscaled:
    // readData, rappingWindow, shuffle, FFTAlgorithm. Leaves X[k] = sum x[m] e^(-/+ 2 pi i k m / n)
    // in data; false (data untouched) when n is not a power of two or data is null.
    bool doFFT(std::complex<double>* data, unsigned int n, unsigned short window, bool direction);
    // Takes data, n and direction for the following steps; false unless n is a power of two.
    bool readData(std::complex<double>* data, unsigned int n, bool direction);
    // True for 1, 2, 4, 8 ...; false for 0, negative values and everything else.
    bool is2SquareN(int n);
    // Weighs the real parts of data[0 .. n-1] and clears the imaginary parts (codes 0 to 3);
    // other codes leave the data unchanged.
    void rappingWindow(int n, unsigned short window);
    // Window weight of sample i (0 .. N-1) of N; a block of one sample weighs 1.
    long double hanning(unsigned long N, unsigned long i);
    long double hamming(unsigned long N, unsigned long i);
    long double blackman(unsigned long N, unsigned long i);
    // Bit-reversal permutation over the stored transform size.
    void shuffle();
    void exchange(int i, int j);
    // Doublings from 1 while the value is below n: log2 n for a power of two, 0 for n <= 1.
    int getStage(int n);
    // Butterfly passes over the stored transform size, in place.
    void FFTAlgorithm();

private:
    int d_count;
    int d_countCopy;
    bool d_direction;
    int d_size;
    std::complex<double>* p_data; // the caller's or the call's working array; not owned
};
