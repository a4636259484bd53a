#include "spectrum_figures.h"

#include "text_format.h"

#include <algorithm>
#include <cmath>

namespace {

// 10 log10(ratio) when the ratio is positive, else 0 (also for NaN).
float decibels(double ratio) { return ratio > 0 ? float(10.0 * std::log10(ratio)) : 0.0f; }

struct LobeShape {
    double k, c;
};

// Lobe width constants per window code; false for an unknown code.
bool lobeShape(unsigned short window, LobeShape& shape) {
    switch (window) {
    case 0: shape = {5.06, 0.05}; return true;
    case 1: shape = {8.2, 1.0 / 59.8}; return true;
    case 2: shape = {35.75, 0.05}; return true;
    case 3: shape = {34.21, 1.0 / 59.8}; return true;
    default: return false;
    }
}

} // namespace

long long fftBinFrequency(int bin, double secondsPerDivision) {
    if (!(secondsPerDivision > 0)) return 0;
    return static_cast<long long>(bin * 0.1 / secondsPerDivision);
}

std::string formatFftFrequency(long long hertz) {
    if (hertz >= 1000000) return formatFixed(double(hertz) * 1e-6, 4, 3) + " MHz";
    if (hertz >= 1000) return formatFixed(double(hertz) * 0.001, 4, 3) + " kHz";
    return formatFixed(double(hertz), 4, 0) + " Hz";
}

std::string formatFftVoltage(double volts) {
    if (volts >= 1) return formatFixed(volts, 4, 3) + " V";
    return formatFixed(volts * 1000, 4, 0) + " mV";
}

void SpectrumFigures::UpdateFigures(const SpectrumRecord& record_) {
    d_record = record_;
    d_bins = record_.size / 2;
    clear();
    if (record_.lin == nullptr || record_.dB == nullptr || record_.size < 8) {
        d_bins = 0;
    } else {
        FindHarmonics();
        ComputeNoiseFloor();
        ComputeTHD();
        ComputeSNR();
        ComputeENOB();
        ComputeSINAD();
        ComputeSFDR();
        ComputeTotalPower();
    }
    writeLabels();
    d_record.lin = d_record.dB = nullptr; // the caller's arrays are only lent for the call
}

int SpectrumFigures::LobeHalfWidth(float peak_) {
    LobeShape shape;
    if (!lobeShape(d_record.window, shape)) return d_lobeHalfWidth;
    const double width = std::pow(10.0, (peak_ - d_noiseFloor - shape.k) * shape.c);
    // Compared before converting: a NaN or a huge width must not reach the integer.
    if (!(width > 2.0))
        d_lobeHalfWidth = 2;
    else if (width >= double(std::max(d_bins, 2)))
        d_lobeHalfWidth = std::max(d_bins, 2);
    else
        d_lobeHalfWidth = int(width);
    return d_lobeHalfWidth;
}

void SpectrumFigures::clear() {
    std::fill(std::begin(d_harmonicValue), std::end(d_harmonicValue), 0.0f);
    std::fill(std::begin(d_harmonicBin), std::end(d_harmonicBin), 0);
    d_noiseFloor = -10;
    d_fundamentalPower = d_harmonicPower = d_totalPower = 0;
    d_harmonicBinCount = 0;
    d_thd = d_snr = d_enob = d_sinad = d_sfdr = d_totalPowerDb = 0;
}

void SpectrumFigures::FindHarmonics() {
    const float* values = d_record.dBScale ? d_record.dB : d_record.lin;
    // The fundamental is the largest bin from 2 on (bins 0 and 1 are DC).
    float best = -10000.0f;
    int fundamental = 0;
    for (int k = 2; k < d_bins; ++k)
        if (values[k] > best) {
            best = values[k];
            fundamental = k;
        }
    if (fundamental == 0) return;
    d_harmonicValue[0] = best;
    d_harmonicBin[0] = fundamental;
    // Harmonic h: the largest of the five bins about h x F, while that window stays below N/2.
    for (int h = 2; h <= kFftHarmonics && h * fundamental + 2 < d_bins; ++h) {
        best = -10000.0f;
        for (int k = h * fundamental - 2; k <= h * fundamental + 2; ++k)
            if (values[k] > best) {
                best = values[k];
                d_harmonicBin[h - 1] = k;
            }
        if (d_harmonicBin[h - 1] != 0) d_harmonicValue[h - 1] = best;
    }
    // A 2nd harmonic below the 3rd marks an odd-harmonic spectrum (a square wave): the even
    // ones are dropped. Only when the 3rd was searched: an unsearched 3rd reads 0.
    const bool thirdSearched = 3 * fundamental + 2 < d_bins;
    if (thirdSearched && d_harmonicValue[1] < d_harmonicValue[2])
        for (int h : {1, 3, 5}) {
            d_harmonicValue[h] = 0.0f;
            d_harmonicBin[h] = 0;
        }
}

void SpectrumFigures::ComputeNoiseFloor() {
    // Buckets of 10 dB: 0 gathers everything above -10 dB, 11 everything from -120 dB down.
    int counts[12] = {};
    for (int k = 0; k < d_bins; ++k) {
        const double tens = double(d_record.dB[k]) * 0.1;
        if (std::isnan(tens)) continue;
        if (tens >= 1.0)
            ++counts[0];
        else if (tens <= -12.0)
            ++counts[11];
        else
            ++counts[-int(tens)];
    }
    const int modal = int(std::max_element(std::begin(counts), std::end(counts)) - std::begin(counts));
    d_noiseFloor = -10 * modal - 10;
}

float SpectrumFigures::levelAt(int bin_) const { return d_record.dB[std::min(bin_, d_bins - 1)]; }

double SpectrumFigures::lobePower(int centre_, int halfWidth_, int* bins_) const {
    const int from = std::max(centre_ - halfWidth_, 3);
    const int to = std::min(centre_ + halfWidth_, d_bins - 3);
    double power = 0;
    for (int k = from; k <= to; ++k) power += double(d_record.lin[k]) * d_record.lin[k];
    if (bins_) *bins_ = std::max(to - from + 1, 0);
    return power;
}

void SpectrumFigures::ComputeTHD() {
    for (int k = 2; k <= d_bins - 3; ++k) d_totalPower += double(d_record.lin[k]) * d_record.lin[k];
    const int fundamental = d_harmonicBin[0];
    if (fundamental == 0) return;
    const int limit = fundamental / 2;
    d_fundamentalPower = lobePower(fundamental, std::min(LobeHalfWidth(d_record.dB[fundamental]), limit), nullptr);
    // Every multiple of the fundamental up to N/2, the fundamental itself included. Kept in
    // double throughout: harmonic power minus fundamental power is tiny for a clean sine.
    for (int j = 1; j <= d_bins / fundamental; ++j) {
        const int centre = j * fundamental;
        int bins = 0;
        d_harmonicPower += lobePower(centre, std::min(LobeHalfWidth(levelAt(centre)), limit), &bins);
        d_harmonicBinCount += bins;
    }
    if (d_fundamentalPower != 0) d_thd = decibels((d_harmonicPower - d_fundamentalPower) / d_fundamentalPower);
}

void SpectrumFigures::ComputeSNR() {
    const int n = d_record.size;
    if (d_harmonicBinCount == n) return;
    const float noise = float((d_totalPower - d_harmonicPower) * n / (n - d_harmonicBinCount));
    if (noise != 0) d_snr = decibels(d_fundamentalPower / noise);
}

void SpectrumFigures::ComputeENOB() { d_enob = float((d_snr - 1.76) * 0.16611295681063123); }

void SpectrumFigures::ComputeSINAD() {
    if (d_harmonicBinCount == d_record.size) return;
    // Everything but the fundamental; unlike the SNR the noise is not rescaled.
    const float distortion = float(d_harmonicPower + (d_totalPower - d_harmonicPower - d_fundamentalPower));
    if (distortion != 0) d_sinad = decibels(d_fundamentalPower / distortion);
}

void SpectrumFigures::ComputeSFDR() {
    const int fundamental = d_harmonicBin[0];
    if (fundamental == 0) return;
    const int width = LobeHalfWidth(d_record.dB[fundamental]);
    // The largest bin outside the fundamental's lobe.
    float best = -10000.0f;
    int spur = 0;
    auto scan = [&](int from, int to) {
        for (int k = from; k <= to; ++k)
            if (d_record.lin[k] > best) {
                best = d_record.lin[k];
                spur = k;
            }
    };
    scan(2, fundamental - width - 1);
    scan(fundamental + width, d_bins - 3);
    if (spur == 0) return; // no bin to compare with
    const double spurPower = lobePower(spur, std::min(LobeHalfWidth(d_record.dB[spur]), fundamental / 2), nullptr);
    if (spurPower != 0) d_sfdr = decibels(d_fundamentalPower / spurPower);
}

void SpectrumFigures::ComputeTotalPower() { d_totalPowerDb = decibels(d_totalPower); }

void SpectrumFigures::writeLabels() {
    for (int h = 0; h < kFftHarmonics; ++h) {
        const int bin = d_harmonicBin[h];
        if (bin == 0 || bin >= d_bins || d_harmonicValue[h] == 0.0f) {
            d_labels.harmonic[h] = "-- --";
            continue;
        }
        const std::string value =
            d_record.dBScale ? formatFixed(d_record.dB[bin], 4, 3) + " dB" : formatFftVoltage(d_record.lin[bin]);
        d_labels.harmonic[h] = formatFftFrequency(fftBinFrequency(bin, d_record.secondsPerDivision)) + "  " + value;
    }
    d_labels.thd = formatFixed(d_thd, 6, 3) + " dB";
    d_labels.snr = formatFixed(d_snr, 6, 3) + " dB";
    d_labels.enob = formatFixed(d_enob, 6, 3) + " bits";
    d_labels.sinad = formatFixed(d_sinad, 6, 3) + " dB";
    d_labels.sfdr = formatFixed(d_sfdr, 6, 3) + " dB";
    d_labels.totalPower = formatFixed(d_totalPowerDb, 6, 3) + " dB";
}
