#pragma once
// The arithmetic of the zero calibration (Control::zeroCalibration, control_zero_calibration*.cpp):
// the step tables, the start values, the DAC search of one sweep step, where a step's result is
// stored, and the gain and non-linearity fits. Nothing here talks to the instrument.
//
// Codes are converter codes 0 .. N - 1 (N 4096 on _HW1/_HW2, 1024 on _HW3/_HW4); DAC values
// are offset-DAC values 0 .. 4095. A zero point is base - the DAC value that puts the shorted
// input at mid-scale: base 2500 on _HW1/_HW2, the offset setter's base
// 2 x (1250 / (d_ADCAmpFactor - 1)) on _HW3/_HW4.

#include <array>
#include <functional>
#include <optional>

class Calibration;

// Volt/div codes of the sweep steps k = 0, 1, ..; step k runs at _20US_DIV when k is even (one
// converter) and at _10US_DIV when k is odd (the interleaved pair).
inline constexpr std::array<int, 12> zeroVoltDivStepsHw3 = {2, 2, 4, 4, 5, 5, 7, 7, 8, 8, 10, 10};
inline constexpr std::array<int, 6> zeroVoltDivStepsHw12 = {4, 4, 7, 7, 10, 10};
int zeroStepTimeDiv(int step_);

// The volt/div indices that step k's result goes to (the codes sharing the step's path).
struct VoltDivRange {
    int first;
    int last;
};
VoltDivRange zeroStepRange(int hardwareVersion_, int step_);

inline constexpr int ZERO_BASE_HW12 = 2500;
// Start value, low and high fall-backs of the search, and the base of the zero points.
// _HW3/_HW4 with d_ADCAmpFactor 2.4: 1784, 892, 2676, base 1784; _HW1/_HW2: 2000, 1300, 2800,
// base 2500.
struct ZeroSearchStarts {
    int start;
    int low;
    int high;
    int base;
};
ZeroSearchStarts zeroSearchStarts(int hardwareVersion_, double adcAmpFactor_);

// Sums of raw samples 1000 .. bufferSize_ - 1001 by index parity, each divided by
// (bufferSize_ - 2000) / 2, truncated toward zero. Both 0 without a record or for a
// bufferSize_ of 2000 or less.
struct OffsetMeans {
    int even = 0;
    int odd = 0;
};
OffsetMeans sampleMeansOf(const short* record_, int bufferSize_);

// What a record measured with the input shorted looks like, over the samples sampleMeansOf
// sums: every one a converter code (0 .. adcLevels_ - 1; an empty or spoiled sample makes it
// Incomplete), and each converter's samples within adcLevels_ / FLAT_SPREAD_DIVISOR codes of
// each other (noise; a signal spreads wider, or pins the converter and spreads to its ends).
inline constexpr int FLAT_SPREAD_DIVISOR = 16;
enum class RecordShape { Flat, Incomplete, Signal };
RecordShape recordShape(const short* record_, int bufferSize_, int adcLevels_);

// The mean a measurement follows and the other one: the even-index mean, except for channel 2
// on the interleaved time base (_10US_DIV), whose own converter gives the odd samples.
struct FollowedMeans {
    int followed = 0;
    int other = 0;
};
FollowedMeans followedMeans(const OffsetMeans& means_, int ch_, int timeDiv_);

// The correction d of the DAC value for a followed mean m: m - 511 (_HW3/_HW4) or
// (m - N / 2) / 2 truncated toward zero (_HW1/_HW2).
int zeroDacStep(int hardwareVersion_, int followed_, int adcLevels_);

// The offset of converter 2: the codes its mean lies below half the converter's codes,
// trunc(N / 2 - other), whatever code the followed converter's search stopped at.
int converter2Offset(const FollowedMeans& means_, int adcLevels_);

// One step's DAC search: from start_, write, measure, v = v - d until |d| <= tolerance.
struct ZeroDacSearch {
    static constexpr int ITERATION_CAP = 32; // DAC corrections per step before giving up
    int hardwareVersion = 4;
    int adcLevels = 1024;
    int tolerance = 0; // 0 for the DC sweep of _HW3/_HW4, 1 otherwise
};
enum class ZeroSearchResult {
    Found,
    WriteFailed,   // a DAC write failed
    MeasureFailed, // fewer than three usable captures
    AtBottom,      // the followed mean at 0 or below: the converter is pinned low
    NoConvergence, // ITERATION_CAP corrections without getting within the tolerance
};
struct ZeroDacOutcome {
    ZeroSearchResult result = ZeroSearchResult::NoConvergence;
    int dac = 0;         // the DAC value reached, after its last correction (0 .. 4095)
    FollowedMeans means; // of the last measurement
    int corrections = 0;
};
// write_ sends a DAC value (false: failed); measure_ gives the means at the value just written.
// Every DAC value tried is clamped into 0 .. 4095.
ZeroDacOutcome searchZeroDac(const ZeroDacSearch& rules_, int start_, const std::function<bool(int)>& write_,
                             const std::function<std::optional<FollowedMeans>()>& measure_);

// A DAC value the search reached inside the DAC's range: one at either end means the offset
// DAC could not bring the input to mid-scale.
bool dacWithinRange(int dac_);

// The Calibration arrays one channel's sweep fills: DC (ac_ false) or AC constants.
struct ZeroOffsetTargets {
    int* nonInterleave = nullptr; // [11]
    int* interleave = nullptr;    // [11]
    int* adc2 = nullptr;          // one value
    int* adc2New = nullptr;       // [11]
};
ZeroOffsetTargets zeroOffsetTargets(Calibration& cal_, int ch_, bool ac_);
// Step k's zero point into its range (normal mode at even k, interleaved at odd k); at odd k also
// the converter-2 offset (adc2 at step 1 only; adc2New over the range on _HW3/_HW4).
void storeZeroStep(const ZeroOffsetTargets& targets_, int hardwareVersion_, int step_, int zeroPoint_,
                   int converter2Offset_);

// The constants resetChannelCalibration clears: the channel's three polynomials to (0, 1, 0),
// its offset arrays, converter-2 offsets and their AC counterparts to 0.
void resetZeroConstants(Calibration& cal_, int ch_);

// ---- gain fit (_HW3/_HW4)
inline constexpr std::array<double, 3> GAIN_FIT_LEVELS = {0.30, 1.25, 2.20}; // volts
// 2 x (x x 1000 / (d_ADCAmpFactor - 1)) truncated, per level: 428, 1784, 3142 with 2.4.
std::array<int, 3> gainFitDacValues(double adcAmpFactor_);
// Gain from the codes of the lowest and highest level: volts v = c x 2 / 1024 + 0.25 each,
// (v low - v high) / (0.30 - 2.20).
double gainFromCodes(int codeLow_, int codeHigh_);
// The gains a front end with a shorted input gives (nominal 1); a signal on the input does not
// follow the DAC and gives another slope.
inline constexpr double GAIN_PLAUSIBLE_MIN = 0.8;
inline constexpr double GAIN_PLAUSIBLE_MAX = 1.25;
bool gainPlausible(double gain_);

// ---- non-linearity fit (_HW1)
inline constexpr std::array<int, 3> NONLINEAR_FIT_DAC = {2000, 2500, 3000};
// q0 x^2 + q1 x + q2.
struct Quadratic {
    double q0 = 0;
    double q1 = 1;
    double q2 = 0;
};
// The polynomial through three points with distinct x (exact interpolation).
Quadratic quadraticThrough(const std::array<double, 3>& x_, const std::array<double, 3>& y_);
// The points of one pass: x = DAC value / 1000, y = code x 2 / N + 1.5.
Quadratic nonlinearFromCodes(const std::array<int, 3>& codes_, int adcLevels_);
// False when q0 or q2 is exactly 0 or q1 exactly 1 (the points were not measured), |q0| or |q2|
// is above 0.5, or q1 lies outside 0.5 .. 1.5.
bool nonlinearWithinLimits(const Quadratic& q_);
