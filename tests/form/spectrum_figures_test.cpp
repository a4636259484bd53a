#include "spectrum_figures.h"

#include "fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace {

// A synthetic spectrum record: a flat floor with tones put on single bins.
struct Spectrum {
    int size;
    std::vector<float> lin, dB;

    Spectrum(int n, float floorRms) : size(n), lin(std::size_t(n / 2), floorRms) {}
    // A floor that varies from 0.5 to 1.5 times rms over the bins in a fixed pattern.
    void noise(double rms) {
        for (std::size_t k = 0; k < lin.size(); ++k) lin[k] = float(rms * (0.5 + double((k * 7919) % 101) / 100.0));
    }
    void tone(int bin, double rms) { lin[std::size_t(bin)] = float(rms); }
    SpectrumRecord record(unsigned short window, bool dBScale = true) {
        dB.resize(lin.size());
        for (std::size_t k = 0; k < lin.size(); ++k) dB[k] = float(20.0 * std::log10(std::max(double(lin[k]), 1e-14)));
        return {size, lin.data(), dB.data(), dBScale, window, 1e-3};
    }
};

double dbOf(double powerRatio) { return 10.0 * std::log10(powerRatio); }

// The spectrum window's path: samples through the FFT library, peak to RMS, then dB.
Spectrum spectrumOf(std::vector<float> samples, unsigned short window) {
    const int n = int(samples.size());
    std::vector<float> out(std::size_t(n / 2));
    FFT().ExecFFT(n, n, samples.data(), out.data(), window, false);
    Spectrum s(n, 0.0f);
    for (int k = 0; k < n / 2; ++k) s.lin[std::size_t(k)] = float(out[std::size_t(k)] * std::sqrt(2.0));
    return s;
}

} // namespace

TEST(SpectrumTexts, FrequencyAndVoltage) {
    struct F {
        long long hz;
        const char* text;
    };
    for (const F& c : {F{0, "   0 Hz"}, F{999, " 999 Hz"}, F{1000, "1.000 kHz"}, F{999999, "999.999 kHz"},
                       F{1234567, "1.235 MHz"}, F{25000000, "25.000 MHz"}})
        EXPECT_EQ(formatFftFrequency(c.hz), c.text) << c.hz;
    struct V {
        double volts;
        const char* text;
    };
    for (const V& c :
         {V{1.5, "1.500 V"}, V{1.0, "1.000 V"}, V{0.25, " 250 mV"}, V{0.0004, "   0 mV"}, V{0.0125, "  12 mV"}})
        EXPECT_EQ(formatFftVoltage(c.volts), c.text) << c.volts;
    EXPECT_EQ(fftBinFrequency(100, 1e-3), 10000);
    EXPECT_EQ(fftBinFrequency(3, 2e-7), 1500000);
    EXPECT_EQ(fftBinFrequency(3, 0.0), 0);
}

TEST(SpectrumFigures, TonesAtKnownLevels) {
    // Hanning lobe widths; fundamental 2 V on bin 200, harmonics 50, 60 and 66 dB below it,
    // the floor at -100 dB. 100 Hz per bin.
    Spectrum s(4096, 1e-5f);
    const double h2 = 2 * std::pow(10.0, -50 / 20.0), h3 = 2 * std::pow(10.0, -60 / 20.0),
                 h5 = 2 * std::pow(10.0, -66 / 20.0);
    s.tone(200, 2.0);
    s.tone(400, h2);
    s.tone(600, h3);
    s.tone(1000, h5);
    SpectrumFigures f;
    f.UpdateFigures(s.record(_HANNING));
    EXPECT_EQ(f.noiseFloor(), -110);
    EXPECT_EQ(f.harmonicBin(0), 200);
    EXPECT_EQ(f.harmonicBin(1), 400);
    EXPECT_EQ(f.harmonicBin(4), 1000);
    EXPECT_NEAR(f.thd(), dbOf((h2 * h2 + h3 * h3 + h5 * h5) / 4), 0.05);
    EXPECT_NEAR(f.sfdr(), dbOf(4 / (h2 * h2)), 0.05);
    EXPECT_EQ(f.labels().harmonic[0], "20.000 kHz  6.021 dB");
    EXPECT_EQ(f.labels().harmonic[1], "40.000 kHz  -43.979 dB");
    EXPECT_EQ(f.labels().harmonic[2], "60.000 kHz  -53.979 dB");
    // The 2nd is above the 3rd, so the even ones stay: the 4th is the first floor bin by 800.
    EXPECT_EQ(f.labels().harmonic[3], "79.800 kHz  -100.000 dB");
}

TEST(SpectrumFigures, CleanToneKeepsItsDistortionFarDown) {
    // With the fundamental's power in single precision, harmonic minus fundamental power
    // would be rounding noise near -70 dB.
    Spectrum s(8192, 1e-8f);
    s.tone(100, 0.7); // 0.49 is not a float
    SpectrumFigures f;
    f.UpdateFigures(s.record(_RECTANGULAR));
    EXPECT_LT(f.thd(), -100.0f);
    EXPECT_GT(f.sinad(), 100.0f);
}

TEST(SpectrumFigures, WhichHarmonicsAreShown) {
    struct Case {
        const char* what;
        int size;
        std::vector<std::pair<int, double>> tones; // bin, RMS volts
        bool shown[kFftHarmonics];
    };
    // Fundamentals of 2 V: a value of exactly 0 (1 V in dB) reads as "not found".
    const Case cases[] = {
        {"odd harmonics only: the even ones are dropped",
         4096,
         {{100, 2.0}, {300, 2 / 3.0}, {500, 0.4}, {700, 2 / 7.0}},
         {true, false, true, false, true, false}},
        {"3 x 700 + 2 is past the last bins: no 3rd to compare, the 2nd stays",
         4096,
         {{700, 2.0}, {1400, 0.01}},
         {true, true, false, false, false, false}},
        {"6 x 100 + 2 is past the last bins, 5 x 100 + 2 is not",
         1024,
         {{100, 2.0}},
         {true, true, true, true, true, false}},
    };
    for (const auto& c : cases) {
        Spectrum s(c.size, 1e-5f);
        for (const auto& [bin, rms] : c.tones) s.tone(bin, rms);
        SpectrumFigures f;
        f.UpdateFigures(s.record(_HANNING));
        for (int h = 0; h < kFftHarmonics; ++h) {
            EXPECT_EQ(f.labels().harmonic[h] != "-- --", c.shown[h]) << c.what << ", harmonic " << h + 1;
            EXPECT_EQ(f.harmonicBin(h) != 0, c.shown[h]) << c.what << ", harmonic " << h + 1;
        }
    }
}

TEST(SpectrumFigures, LinearScaleTexts) {
    Spectrum s(4096, 1e-5f);
    for (int h : {1, 3, 5}) s.tone(100 * h, 1.0 / h);
    SpectrumFigures f;
    f.UpdateFigures(s.record(_BLACKMAN, false));
    EXPECT_EQ(f.labels().harmonic[0], "10.000 kHz  1.000 V");
    EXPECT_EQ(f.labels().harmonic[2], "30.000 kHz   333 mV");
    EXPECT_EQ(f.labels().harmonic[4], "50.000 kHz   200 mV");
}

TEST(SpectrumFigures, FundamentalDividingHalfTheSizeReadsNoBinPastTheRecord) {
    // The last multiple, 8 x 256, is bin N/2, which the record does not hold.
    Spectrum s(4096, 1e-5f);
    s.tone(256, 1.0);
    s.tone(768, 0.001);
    SpectrumFigures f;
    f.UpdateFigures(s.record(_HAMMING));
    EXPECT_NEAR(f.thd(), -60.0, 0.05);
}

TEST(SpectrumFigures, FundamentalOnBinThreeUsesAHalfWidthOfOne) {
    Spectrum s(1024, 1e-5f);
    s.tone(3, 1.0);
    s.tone(4, 0.5);
    s.tone(2, 0.5); // bin 2 never counts
    SpectrumFigures f;
    f.UpdateFigures(s.record(_HANNING));
    EXPECT_EQ(f.harmonicBin(0), 3);
    EXPECT_NEAR(f.fundamentalPower(), 1.0 + 0.25, 1e-6);
}

TEST(SpectrumFigures, AllZeroInput) {
    Spectrum s(2048, 0.0f);
    SpectrumFigures f;
    f.UpdateFigures(s.record(_RECTANGULAR, false));
    EXPECT_EQ(f.noiseFloor(), -120);
    EXPECT_EQ(f.fundamentalPower(), 0.0);
    for (float figure : {f.thd(), f.snr(), f.sinad(), f.sfdr(), f.totalPowerDb()}) EXPECT_EQ(figure, 0.0f);
    EXPECT_NEAR(f.enob(), -0.292, 0.001);
    EXPECT_EQ(f.labels().enob, "-0.292 bits");
    EXPECT_EQ(f.labels().thd, " 0.000 dB");
    EXPECT_EQ(f.labels().harmonic[0], "-- --"); // linear scale: the value is 0
}

TEST(SpectrumFigures, LobeHalfWidthLimits) {
    Spectrum s(1024, 1e-5f);
    s.tone(100, 1.0);
    SpectrumFigures f;
    f.UpdateFigures(s.record(_HANNING)); // floor -110 dB
    EXPECT_EQ(f.LobeHalfWidth(std::numeric_limits<float>::quiet_NaN()), 2);
    EXPECT_EQ(f.LobeHalfWidth(-200.0f), 2);
    EXPECT_EQ(f.LobeHalfWidth(1e30f), 512);  // no wider than the spectrum
    EXPECT_EQ(f.LobeHalfWidth(-39.01f), 11); // 10 ^ ((-39.01 + 110 - 8.2) / 59.8) = 11.2
}

TEST(SpectrumFigures, UnusableRecordClearsEverything) {
    SpectrumFigures f;
    f.UpdateFigures({4096, nullptr, nullptr, true, 1, 1e-3});
    EXPECT_EQ(f.harmonicBin(0), 0);
    EXPECT_EQ(f.snr(), 0.0f);
    EXPECT_EQ(f.enob(), 0.0f);
    EXPECT_EQ(f.labels().harmonic[0], "-- --");
}

TEST(SpectrumFigures, IdealEightBitSineWithHanning) {
    // A coherent full-scale sine through an ideal 8-bit quantiser: SINAD 6.02 x 8 + 1.76 dB.
    const int n = 8192;
    const int cycles = 1001; // odd: the quantisation error spreads over the bins
    std::vector<float> samples(n);
    for (int i = 0; i < n; ++i) {
        const double x = 128.0 * std::sin(2.0 * std::numbers::pi * cycles * i / n);
        samples[std::size_t(i)] = float(std::min(std::floor(x) + 0.5, 127.5));
    }
    Spectrum s = spectrumOf(samples, _HANNING);
    SpectrumFigures f;
    f.UpdateFigures(s.record(_HANNING));
    EXPECT_EQ(f.harmonicBin(0), cycles);
    EXPECT_NEAR(f.sinad(), 49.9, 0.3);
    EXPECT_NEAR(f.enob(), 8.0, 0.15);
}

// The figures against a separate script that implements the window's formulas directly, run
// once (Python, double precision, the record's lin and dB rounded to float32 as here): noise
// floor from the twelve 10 dB buckets, lobe half-widths trunc(10 ^ ((p - floor - K) x c)) of
// at least 2, every power sum over bins 2 < k < N/2 - 2, total power over 2 .. N/2 - 3,
// noise = (Pt - Ph) x N / (N - n) for the SNR, Ph + (Pt - Ph - P1) for the SINAD, the spur
// scanned over 2 .. F - w - 1 and F + w .. N/2 - 3 with its lobe held to F/2.
TEST(SpectrumFigures, AgainstAnIndependentReference) {
    struct Case {
        const char* what;
        int size;
        unsigned short window;
        double floor;
        bool noisy;
        std::vector<std::pair<int, double>> tones;
        float thd, snr, sinad, sfdr, totalPower;
    };
    const std::vector<std::pair<int, double>> line40 = {{39, 0.5}, {40, 1.0}, {41, 0.5}};
    auto spur = [](int bin) { return std::vector<std::pair<int, double>>{{200, 1.0}, {bin, 0.01}}; };
    // F = 200 on a flat -100 dB floor: the fundamental's half-width is 50 (floor -110 dB), the
    // spur's 10; a spur outside the scan leaves the first floor bin, bin 2, as the spur.
    const Case cases[] = {
        // n = 66 of N = 512 bins in the lobes: without the N/(N - n) rescale the SNR would
        // read 58.701 dB.
        {"sine on noise", 512, _HANNING, 1e-4, true, line40, -67.629f, 58.101f, 58.178f, 73.681f, 1.761f},
        // Unlike the SNR, the SINAD counts the harmonics as distortion.
        {"sine with 2nd and 3rd harmonics on noise",
         1024,
         _HANNING,
         1e-4,
         true,
         {{49, 0.5}, {50, 1.0}, {51, 0.5}, {100, 0.01}, {150, 0.003}},
         -41.365f,
         54.871f,
         41.193f,
         41.756f,
         1.761f},
        {"no spur: the first of equal floor bins",
         1024,
         _HANNING,
         1e-5,
         false,
         {{200, 1.0}},
         -93.010f,
         73.483f,
         73.904f,
         96.990f,
         0.0f},
        {"spur on bin 2: scanned, its own bin outside every sum", 1024, _HANNING, 1e-5, false, spur(2), -93.010f,
         39.524f, 39.998f, 90.000f, 0.0004f},
        {"spur on F - w - 1: scanned", 1024, _HANNING, 1e-5, false, spur(149), -93.010f, 39.524f, 39.998f, 39.9999f,
         0.0004f},
        {"spur on F - w: inside the lobe", 1024, _HANNING, 1e-5, false, spur(150), -93.011f, 73.484f, 73.905f, 96.990f,
         0.0004f},
        {"spur on F + w - 1: inside the lobe", 1024, _HANNING, 1e-5, false, spur(249), -93.011f, 73.484f, 73.905f,
         96.990f, 0.0004f},
        {"spur on F + w: scanned", 1024, _HANNING, 1e-5, false, spur(250), -93.011f, 73.484f, 73.905f, 40.000f,
         0.0004f},
        // The tone on N/2 - 2 lies in the spur's lobe but outside every sum.
        {"spur on N/2 - 3: scanned",
         1024,
         _HANNING,
         1e-5,
         false,
         {{200, 1.0}, {509, 0.01}, {510, 0.01}},
         -93.010f,
         39.524f,
         39.998f,
         40.000f,
         0.0004f},
        {"spur on N/2 - 2: not scanned", 1024, _HANNING, 1e-5, false, spur(510), -93.010f, 73.483f, 73.904f, 96.990f,
         0.0f},
        // The spur's half-width of 39 is held to F/2 = 6, which leaves out the tone on 108
        // (with it the SFDR would read 5.376 dB).
        {"spur lobe held to F/2",
         1024,
         _HANNING,
         1e-5,
         false,
         {{12, 1.0}, {100, 0.5}, {108, 0.2}},
         -13.979f,
         4.938f,
         5.376f,
         6.021f,
         1.106f},
    };
    for (const Case& c : cases) {
        Spectrum s(c.size, float(c.floor));
        if (c.noisy) s.noise(c.floor);
        for (const auto& [bin, rms] : c.tones) s.tone(bin, rms);
        SpectrumFigures f;
        f.UpdateFigures(s.record(c.window));
        EXPECT_NEAR(f.thd(), c.thd, 0.002) << c.what;
        EXPECT_NEAR(f.snr(), c.snr, 0.002) << c.what;
        EXPECT_NEAR(f.enob(), (c.snr - 1.76) / 6.02, 0.001) << c.what;
        EXPECT_NEAR(f.sinad(), c.sinad, 0.002) << c.what;
        EXPECT_NEAR(f.sfdr(), c.sfdr, 0.002) << c.what;
        EXPECT_NEAR(f.totalPowerDb(), c.totalPower, 0.002) << c.what;
    }
}

TEST(SpectrumFigures, TotalPowerRunsOverBinsTwoToHalfTheSizeLessThree) {
    struct Case {
        int bin;
        double power;
    };
    for (const Case c : {Case{1, 0.0}, Case{2, 4.0}, Case{253, 4.0}, Case{254, 0.0}}) {
        Spectrum s(512, 0.0f);
        s.tone(c.bin, 2.0);
        SpectrumFigures f;
        f.UpdateFigures(s.record(_RECTANGULAR));
        EXPECT_EQ(f.totalPower(), c.power) << c.bin;
    }
}

// Each window's K and c, pinned where the width steps from m - 1 to m:
// peak = floor + K + log10(m) / c.
TEST(SpectrumFigures, LobeConstantsOfEachWindow) {
    struct Case {
        unsigned short window;
        double k, c;
    };
    const Case cases[] = {
        {_RECTANGULAR, 5.06, 0.05}, {_HANNING, 8.2, 1 / 59.8}, {_HAMMING, 35.75, 0.05}, {_BLACKMAN, 34.21, 1 / 59.8}};
    for (const Case& c : cases) {
        Spectrum s(1024, 1e-5f);
        s.tone(100, 1.0);
        SpectrumFigures f;
        f.UpdateFigures(s.record(c.window));
        ASSERT_EQ(f.noiseFloor(), -110);
        for (int m : {4, 40}) {
            const double step = -110 + c.k + std::log10(double(m)) / c.c;
            EXPECT_EQ(f.LobeHalfWidth(float(step + 0.002)), m) << "window " << c.window;
            EXPECT_EQ(f.LobeHalfWidth(float(step - 0.002)), m - 1) << "window " << c.window;
        }
    }
}

// Buckets of trunc(dB / 10): the floor is -10 x (first modal bucket) - 10.
TEST(SpectrumFigures, NoiseFloorBuckets) {
    struct Case {
        std::vector<std::pair<float, int>> levels; // dB, bins; 256 bins in all
        int floor;
    };
    const Case cases[] = {
        {{{15.0f, 256}}, -10},
        {{{-9.99f, 256}}, -10},
        {{{-10.0f, 256}}, -20},
        {{{-19.99f, 256}}, -20},
        {{{-109.99f, 256}}, -110},
        {{{-110.0f, 256}}, -120},
        {{{-300.0f, 256}}, -120},
        {{{-55.0f, 128}, {-35.0f, 128}}, -40}, // a tie: the first bucket, the higher floor
        {{{-35.0f, 100}, {-55.0f, 156}}, -60},
    };
    for (const Case& c : cases) {
        std::vector<float> lin(256, 0.0f), dB;
        for (const auto& [level, bins] : c.levels) dB.insert(dB.end(), std::size_t(bins), level);
        ASSERT_EQ(dB.size(), lin.size());
        SpectrumFigures f;
        f.UpdateFigures({512, lin.data(), dB.data(), true, _RECTANGULAR, 1e-3});
        EXPECT_EQ(f.noiseFloor(), c.floor) << c.levels.front().first << " dB x " << c.levels.front().second;
    }
}
