#pragma once
// The harmonic and noise figures of the spectrum window: after each spectrum update the window
// hands its spectrum record here and shows the label texts. Plain C++ (no Qt).
//
// The figures follow the window's own definitions, not textbook ones: harmonics are searched
// on the shown scale, lobes are widened or narrowed with the estimated noise floor, and every
// figure whose ratio cannot be formed reads 0.

#include <string>

constexpr int kFftHarmonics = 6; // the fundamental and harmonics 2 to 6

// The spectrum record as the spectrum window holds it. lin and dB hold size/2 bins each
// (0 .. size/2 - 1): lin[k] the magnitude in RMS volts, dB[k] = 20 log10(max(lin[k], 1e-14)).
struct SpectrumRecord {
    int size = 0; // FFT size N, 512 to 8192
    const float* lin = nullptr;
    const float* dB = nullptr;
    bool dBScale = true;           // harmonics are searched on dB (else on lin) and shown so
    unsigned short window = 0;     // FFTWindow code: 0 rectangular, 1 Hanning, 2 Hamming, 3 Blackman
    double secondsPerDivision = 0; // sets the bin step: bin k is k x 0.1 / secondsPerDivision Hz
};

// Bin k in whole hertz: trunc(k x 0.1 / secondsPerDivision); 0 for a step that is not positive.
long long fftBinFrequency(int bin, double secondsPerDivision);
// "%4.3f MHz" from 1,000,000 Hz, "%4.3f kHz" from 1000 Hz, else "%4.0f Hz".
std::string formatFftFrequency(long long hertz);
// "%4.3f V" from 1 V, else "%4.0f mV".
std::string formatFftVoltage(double volts);

// The texts of the window's lower panel ("Harmonics Information", "Measurement Information").
struct SpectrumLabels {
    std::string harmonic[kFftHarmonics];           // "<frequency>  <value>", or "-- --"
    std::string thd, snr, sinad, sfdr, totalPower; // "%6.3f dB"
    std::string enob;                              // "%6.3f bits"
};

class SpectrumFigures {
public:
    // Finds the harmonics, the noise floor and the six figures of `record_` and writes the
    // labels. The record is read during the call only. A record without arrays or smaller
    // than 8 points clears every figure.
    void UpdateFigures(const SpectrumRecord& record_);

    // Half-width in bins of a spectral line whose peak is peak_ dB, for the window and noise
    // floor of the last update: trunc(10 ^ ((peak - floor - K) x c)), at least 2 (also for a
    // NaN), at most N/2. An unknown window code keeps the last width (2 at first).
    int LobeHalfWidth(float peak_);

    // Results of the last update. Harmonic h is 0 (fundamental) to 5; value 0 and bin 0 mean
    // not found or cleared. Values are in the record's scale (dB or RMS volts).
    float harmonicValue(int h_) const { return d_harmonicValue[h_]; }
    int harmonicBin(int h_) const { return d_harmonicBin[h_]; }
    int noiseFloor() const { return d_noiseFloor; }                // dB, -10 at most
    int lobeHalfWidth() const { return d_lobeHalfWidth; }          // bins, the last computed
    double fundamentalPower() const { return d_fundamentalPower; } // sum of lin^2 over the lobe
    double harmonicPower() const { return d_harmonicPower; }       // fundamental and multiples
    int harmonicBinCount() const { return d_harmonicBinCount; }
    double totalPower() const { return d_totalPower; } // bins 2 .. N/2 - 3
    float thd() const { return d_thd; }                // dB
    float snr() const { return d_snr; }                // dB
    float enob() const { return d_enob; }              // bits, from the SNR
    float sinad() const { return d_sinad; }            // dB
    float sfdr() const { return d_sfdr; }              // dB
    float totalPowerDb() const { return d_totalPowerDb; }
    const SpectrumLabels& labels() const { return d_labels; }

private:
    void clear();
    void FindHarmonics();
    void ComputeNoiseFloor();
    void ComputeTHD();
    void ComputeSNR();
    void ComputeENOB();
    void ComputeSINAD();
    void ComputeSFDR();
    void ComputeTotalPower();
    void writeLabels();
    // Sum of lin^2 over bins centre - w .. centre + w that lie strictly between 2 and N/2 - 2.
    double lobePower(int centre_, int halfWidth_, int* bins_) const;
    // dB of a bin; the last bin stands in for bin N/2, which the record does not hold.
    float levelAt(int bin_) const;

    SpectrumRecord d_record;
    int d_bins = 0; // N/2
    float d_harmonicValue[kFftHarmonics] = {};
    int d_harmonicBin[kFftHarmonics] = {};
    int d_noiseFloor = -10;
    int d_lobeHalfWidth = 2;
    double d_fundamentalPower = 0;
    double d_harmonicPower = 0;
    int d_harmonicBinCount = 0;
    double d_totalPower = 0;
    float d_thd = 0, d_snr = 0, d_enob = 0, d_sinad = 0, d_sfdr = 0, d_totalPowerDb = 0;
    SpectrumLabels d_labels;
};
