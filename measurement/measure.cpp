#include "measure.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The 32-byte vectors of addRowSums never cross a call.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

constexpr int kColumns = kMeasureColumns;
constexpr int kRows = kMeasureRows;
constexpr int kFirstExaminedColumn = 10; // the first ten columns never give a crossing

enum Kind : unsigned short { kLower = 1, kMiddle = 2, kUpper = 3 };
enum EdgeField { kColumn = 0, kFound = 1, kWidth = 2 };
enum TimeEntry { kPeriod = 0, kRise, kFall, kPositiveWidth, kNegativeWidth };

using Wave = const unsigned char (*)[kRows];

// Column scans, 16 rows at a time (400 = 25 x 16).
static_assert(kRows % 16 == 0);
constexpr int kBlocks = kRows / 16;

#if defined(__SSE2__)
// Bit r is set where column[base + r] is not 0 (hitMask) or equals value (equalMask).
unsigned hitMask(const unsigned char* column, int base) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(column + base));
    return ~unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128()))) & 0xFFFFu;
}
unsigned equalMask(const unsigned char* column, int base, unsigned char value) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(column + base));
    return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(char(value)))));
}
#else
unsigned hitMask(const unsigned char* column, int base) {
    unsigned mask = 0;
    for (int r = 0; r < 16; ++r) mask |= unsigned(column[base + r] != 0) << r;
    return mask;
}
unsigned equalMask(const unsigned char* column, int base, unsigned char value) {
    unsigned mask = 0;
    for (int r = 0; r < 16; ++r) mask |= unsigned(column[base + r] == value) << r;
    return mask;
}
#endif

// Rows of the first and last non-zero byte of a column; -1 when the column is empty.
int firstHit(const unsigned char* column) {
    for (int b = 0; b < kBlocks; ++b)
        if (const unsigned mask = hitMask(column, 16 * b)) return 16 * b + std::countr_zero(mask);
    return -1;
}

int lastHit(const unsigned char* column) {
    for (int b = kBlocks - 1; b >= 0; --b)
        if (const unsigned mask = hitMask(column, 16 * b)) return 16 * b + 31 - std::countl_zero(mask);
    return -1;
}

// Brightest row of a column, the lowest of equals; -1 when the column is empty.
int brightestRow(const unsigned char* column) {
    unsigned char peak = 0;
#pragma GCC unroll 8
    for (int r = 0; r < kRows; ++r) peak = std::max(peak, column[r]);
    if (peak == 0) return -1;
    for (int b = 0;; ++b)
        if (const unsigned mask = equalMask(column, 16 * b, peak)) return 16 * b + std::countr_zero(mask);
}

// Row sums of wave over columns first..last, added to sums: four columns at a time are added
// in 16-bit lanes into a 16-bit partial sum per row (at most 256 columns, 256 x 255 fits),
// which is then carried into 32 bits.
void addRowSums(Wave wave, int first, int last, std::uint32_t* sums) {
    typedef unsigned char Bytes __attribute__((vector_size(16)));
    typedef unsigned short Words __attribute__((vector_size(32)));
    auto words = [](const unsigned char* p) {
        Bytes bytes;
        std::memcpy(&bytes, p, sizeof bytes);
        return __builtin_convertvector(bytes, Words);
    };
    constexpr int kChunk = 256;
    for (int start = first; start <= last; start += kChunk) {
        const int end = std::min(last, start + kChunk - 1);
        Words part[kBlocks] = {};
        int c = start;
        for (; c + 3 <= end; c += 4)
            for (int b = 0; b < kBlocks; ++b)
                part[b] += (words(wave[c] + 16 * b) + words(wave[c + 1] + 16 * b)) +
                           (words(wave[c + 2] + 16 * b) + words(wave[c + 3] + 16 * b));
        for (; c <= end; ++c)
            for (int b = 0; b < kBlocks; ++b) part[b] += words(wave[c] + 16 * b);
        for (int b = 0; b < kBlocks; ++b)
            for (int r = 0; r < 16; ++r) sums[16 * b + r] += part[b][r];
    }
}

bool anyOf(const bool* enable, std::initializer_list<int> slots) {
    for (int s : slots)
        if (enable[s]) return true;
    return false;
}

// b - a for columns, never below 0 (edges out of order give no span, not 65000 columns).
unsigned short span(unsigned short a, unsigned short b) { return b >= a ? static_cast<unsigned short>(b - a) : 0; }

// Square root of the mean squared offset of the brightest rows of columns first..last from
// centre; false when no column is hit.
bool rmsOffset(Wave wave, int first, int last, int centre, double& root) {
    double sum = 0.0;
    int hit = 0;
    for (int c = first; c <= last; ++c) {
        const int y = brightestRow(wave[c]);
        if (y < 0) continue;
        const double d = y - centre;
        sum += d * d;
        ++hit;
    }
    if (hit == 0) return false;
    root = std::sqrt(sum / hit);
    return true;
}

// trunc(sum of row x weight over rows lo..hi / total); 0 for a total of 0.
unsigned short weightedMeanRow(const std::uint32_t* weights, int lo, int hi, std::uint64_t total) {
    if (total == 0) return 0;
    std::uint64_t moment = 0;
    for (int r = lo; r <= hi; ++r) moment += std::uint64_t(r) * weights[r];
    return static_cast<unsigned short>(double(moment) / double(total));
}

// The edges of one direction from the event list: kind `from`, then kind `to` directly or
// after a run of Middle crossings.
void findEdges(const unsigned short columns[][3], const unsigned short events[][2], int count, int middle,
               unsigned short from, unsigned short to, unsigned short edges[][3]) {
    int found = 0;
    for (int k = 0; k < count - 1 && found < 2; ++k) {
        if (events[k][1] != from) continue;
        const unsigned short start = events[k][0];
        if (events[k + 1][1] == to) {
            const unsigned short end = events[k + 1][0];
            const int nearStart = std::abs(int(columns[start][2]) - middle);
            const int nearEnd = std::abs(int(columns[end][2]) - middle);
            edges[found][kColumn] = nearStart <= nearEnd ? start : end;
            edges[found][kFound] = 1;
            edges[found][kWidth] = found == 0 ? span(start, end) : 0;
            ++found;
        } else if (k != count - 2 && events[k + 1][1] == kMiddle) {
            const unsigned short firstMiddle = events[k + 1][0];
            unsigned short lastMiddle = firstMiddle;
            for (int j = k + 2; j < count; ++j) {
                if (events[j][1] == kMiddle) {
                    lastMiddle = events[j][0];
                    continue;
                }
                if (events[j][1] == to) {
                    edges[found][kColumn] = static_cast<unsigned short>((firstMiddle + lastMiddle) >> 1);
                    edges[found][kFound] = 1;
                    edges[found][kWidth] = found == 0 ? span(start, events[j][0]) : 0;
                    ++found;
                }
                break;
            }
        }
    }
}

} // namespace

void MEASURE::measure_all(const unsigned char wave[][kMeasureRows], unsigned short centre_, float voltDiv_,
                          double timeDiv_, const bool* enable_, double* result_, int upper_, int lower_) const {
    measure_all(wave, centre_, voltDiv_, timeDiv_, enable_, result_, upper_, lower_, nullptr);
}

void MEASURE::measure_all(const unsigned char wave[][kMeasureRows], unsigned short centre_, float voltDiv_,
                          double timeDiv_, const bool* enable_, double* result_, int upper_, int lower_,
                          bool* measured_) const {
    if (measured_ != nullptr) std::fill(measured_, measured_ + kMeasureSlots, false);
    if (enable_ == nullptr || result_ == nullptr) return;
    std::fill(result_, result_ + kMeasureSlots, 0.0);
    if (wave == nullptr) return;

    unsigned short hist[kRows] = {};
    unsigned short columns[kColumns][3] = {};
    unsigned short level[15] = {};
    unsigned short time[5] = {};
    unsigned short cycle[2] = {};
    unsigned short events[kMeasureEvents][2] = {};
    int eventCount = 0;
    unsigned short rises[2][3] = {};
    unsigned short falls[2][3] = {};

    make_histogram(wave, hist, columns);
    decide_voltage(wave, centre_, hist, enable_, level, upper_, lower_);

    const bool timeNeeded = anyOf(enable_, {15, 16, 17, 18, 19, 20, 21, 22});
    const bool cycleNeeded = anyOf(enable_, {_MEASURE_CYCLE_MEAN, _MEASURE_CYCLE_RMS});
    if (timeNeeded || cycleNeeded) {
        detect_edge(columns, level, events, &eventCount, rises, falls);
        decide_time(rises, falls, enable_, time, cycle);
        // Reference levels this close give no trustworthy period; the cycle stays.
        if (int(level[_MEASURE_UPPER]) - int(level[_MEASURE_LOWER]) < 5) time[kPeriod] = 0;
    }
    if (cycleNeeded) decide_voltage2(centre_, wave, enable_, cycle, level);

    const double voltsPerRow = 0.02 * voltDiv_;
    for (int s = 0; s <= _MEASURE_N_OVERSHOOT; ++s)
        if (enable_[s]) result_[s] = voltsPerRow * (int(level[s]) - int(centre_));

    const double secondsPerColumn = 0.02 * timeDiv_;
    double seconds[5] = {};
    const bool timeUsed[5] = {
        anyOf(enable_, {_MEASURE_PERIOD, _MEASURE_FREQUENCY, _MEASURE_P_DUTY_CYCLE, _MEASURE_N_DUTY_CYCLE}),
        enable_[_MEASURE_RISE_TIME],
        enable_[_MEASURE_FALL_TIME],
        anyOf(enable_, {_MEASURE_P_PULSE_WIDTH, _MEASURE_P_DUTY_CYCLE}),
        anyOf(enable_, {_MEASURE_N_PULSE_WIDTH, _MEASURE_N_DUTY_CYCLE}),
    };
    for (int t = 0; t < 5; ++t) {
        if (timeUsed[t]) seconds[t] = secondsPerColumn * time[t];
        if (enable_[_MEASURE_PERIOD + t]) result_[_MEASURE_PERIOD + t] = seconds[t];
    }
    const double period = seconds[kPeriod];
    if (period != 0.0) {
        if (enable_[_MEASURE_FREQUENCY]) result_[_MEASURE_FREQUENCY] = 1.0 / period;
        if (enable_[_MEASURE_P_DUTY_CYCLE]) result_[_MEASURE_P_DUTY_CYCLE] = seconds[kPositiveWidth] / period * 100.0;
        if (enable_[_MEASURE_N_DUTY_CYCLE]) result_[_MEASURE_N_DUTY_CYCLE] = seconds[kNegativeWidth] / period * 100.0;
    }
    if (measured_ == nullptr) return;

    // A 0 that stands for "nothing found" is no measurement: without hits every level is row 0,
    // without a period Frequency would read 0 Hz.
    bool hit = false;
    for (int r = 0; r < kRows && !hit; ++r) hit = hist[r] != 0;
    const bool cycleFound = hit && cycle[1] != 0;
    const bool periodFound = time[kPeriod] != 0;
    bool found[kMeasureSlots];
    std::fill(found, found + kMeasureSlots, hit);
    found[_MEASURE_CYCLE_MEAN] = found[_MEASURE_CYCLE_RMS] = cycleFound;
    found[_MEASURE_PERIOD] = found[_MEASURE_FREQUENCY] = periodFound;
    found[_MEASURE_RISE_TIME] = rises[0][kFound] == 1;
    found[_MEASURE_FALL_TIME] = falls[0][kFound] == 1;
    found[_MEASURE_P_PULSE_WIDTH] = time[kPositiveWidth] != 0;
    found[_MEASURE_N_PULSE_WIDTH] = time[kNegativeWidth] != 0;
    found[_MEASURE_P_DUTY_CYCLE] = periodFound && time[kPositiveWidth] != 0;
    found[_MEASURE_N_DUTY_CYCLE] = periodFound && time[kNegativeWidth] != 0;
    for (int s = 0; s < kMeasureSlots; ++s) measured_[s] = enable_[s] && found[s];
}

void MEASURE::make_histogram(const unsigned char wave[][kMeasureRows], unsigned short hist[kMeasureRows],
                             unsigned short columns[kMeasureColumns][3]) const {
    std::uint32_t sums[kRows] = {};
    addRowSums(wave, 0, kColumns - 1, sums);
    for (int r = 0; r < kRows; ++r) hist[r] = static_cast<unsigned short>(std::min<std::uint32_t>(sums[r], 0xFFFF));
    for (int c = 0; c < kColumns; ++c) {
        const int first = firstHit(wave[c]);
        const int last = first < 0 ? 0 : lastHit(wave[c]);
        columns[c][0] = static_cast<unsigned short>(std::max(first, 0));
        columns[c][1] = static_cast<unsigned short>(last);
        columns[c][2] = static_cast<unsigned short>((columns[c][0] + columns[c][1]) >> 1);
    }
}

int MEASURE::get_y(const unsigned char wave[][kMeasureRows], int column_) const {
    if (wave == nullptr || column_ < 0 || column_ >= kColumns) return -1;
    return brightestRow(wave[column_]);
}

void MEASURE::decide_voltage(const unsigned char wave[][kMeasureRows], unsigned short centre_,
                             const unsigned short* hist, const bool* enable_, unsigned short* level, int upper_,
                             int lower_) const {
    upper_ = std::clamp(upper_, 0, 100);
    lower_ = std::clamp(lower_, 0, 100);
    const int centre = centre_;

    int minimum = 0, maximum = 0;
    for (int r = 0; r < kRows; ++r)
        if (hist[r] != 0) {
            minimum = r;
            break;
        }
    for (int r = kRows - 1; r >= 0; --r)
        if (hist[r] != 0) {
            maximum = r;
            break;
        }
    level[_MEASURE_MINIMUM] = static_cast<unsigned short>(minimum);
    level[_MEASURE_MAXIMUM] = static_cast<unsigned short>(maximum);
    if (enable_[_MEASURE_P_TO_P]) level[_MEASURE_P_TO_P] = static_cast<unsigned short>(maximum - minimum + centre);

    std::uint32_t weights[kRows];
    std::uint64_t total = 0;
    for (int r = 0; r < kRows; ++r) {
        weights[r] = hist[r];
        total += hist[r];
    }
    const double enough = 0.05 * double(total); // a flat part needs 5 % of all hits
    const int spread = maximum - minimum;

    // Base: the most hit row of the lowest 40 % of the span (the first of equals).
    int base = minimum;
    unsigned best = 0;
    for (int r = minimum; r <= int(minimum + 0.4 * spread); ++r)
        if (hist[r] > best) {
            best = hist[r];
            base = r;
        }
    if (best < enough) base = minimum;
    // Top: the most hit row of the highest 40 % (the lowest of equals).
    int top = maximum;
    best = 0;
    for (int r = int(maximum - 0.4 * spread); r <= maximum; ++r)
        if (hist[r] > best) {
            best = hist[r];
            top = r;
        }
    if (best < enough) top = maximum;
    level[_MEASURE_BASE] = static_cast<unsigned short>(base);
    level[_MEASURE_TOP] = static_cast<unsigned short>(top);
    if (enable_[_MEASURE_AMPLITUDE]) level[_MEASURE_AMPLITUDE] = static_cast<unsigned short>(top - base + centre);

    // The percentages pass through single precision; the product is formed in double
    // (Base 100, Top 200 and 90 % give Upper 189).
    const float lowerFraction = float(lower_ * 0.01);
    const float upperFraction = float(upper_ * 0.01);
    level[_MEASURE_LOWER] = static_cast<unsigned short>(base + (top - base) * double(lowerFraction));
    level[_MEASURE_UPPER] = static_cast<unsigned short>(base + (top - base) * double(upperFraction));
    level[_MEASURE_MIDDLE] = static_cast<unsigned short>((base + top) >> 1);

    if (enable_[_MEASURE_P_OVERSHOOT])
        level[_MEASURE_P_OVERSHOOT] = static_cast<unsigned short>(maximum - top + centre);
    if (enable_[_MEASURE_N_OVERSHOOT])
        level[_MEASURE_N_OVERSHOOT] = static_cast<unsigned short>(base - minimum + centre);

    level[_MEASURE_MEAN] = weightedMeanRow(weights, minimum, maximum, total);

    if (enable_[_MEASURE_RMS]) {
        double root = 0.0;
        level[_MEASURE_RMS] =
            rmsOffset(wave, 0, kColumns - 1, centre, root) ? static_cast<unsigned short>(centre + root) : 0;
    }
}

void MEASURE::detect_edge(const unsigned short columns[][3], const unsigned short* level, unsigned short events[][2],
                          int* eventCount, unsigned short rises[][3], unsigned short falls[][3]) const {
    const int lower = level[_MEASURE_LOWER];
    const int middle = level[_MEASURE_MIDDLE];
    const int upper = level[_MEASURE_UPPER];

    int count = 0;
    // A noisy trace can cross more often than the list has room for: the list then ends.
    auto add = [&](int column, unsigned short kind) {
        if (count >= kMeasureEvents) return;
        events[count][0] = static_cast<unsigned short>(column);
        events[count][1] = kind;
        ++count;
    };
    for (int c = kFirstExaminedColumn; c < kColumns && count < kMeasureEvents; ++c) {
        const int here = columns[c][2];
        // The last column has no right neighbour: only an exact level counts there.
        const bool hasNext = c + 1 < kColumns;
        const int next = hasNext ? columns[c + 1][2] : here;
        auto crosses = [&](int x) { return hasNext && (here - x) * (next - x) < 0; };
        if (here == lower) {
            add(c, kLower);
        } else if (crosses(lower)) {
            if (crosses(upper)) {
                if (next < here) { // falling through both in one column
                    add(c, kUpper);
                    add(c, kLower);
                } else {
                    add(c, kLower);
                    add(c, kUpper);
                }
            } else {
                add(c, kLower);
            }
        } else if (here == upper || crosses(upper)) {
            add(c, kUpper);
        } else if (here == middle || crosses(middle)) {
            add(c, kMiddle);
        }
    }
    *eventCount = count;

    std::fill(&rises[0][0], &rises[0][0] + 6, 0);
    std::fill(&falls[0][0], &falls[0][0] + 6, 0);
    findEdges(columns, events, count, middle, kLower, kUpper, rises);
    findEdges(columns, events, count, middle, kUpper, kLower, falls);
}

void MEASURE::decide_time(const unsigned short rises[][3], const unsigned short falls[][3], const bool* enable_,
                          unsigned short* time, unsigned short* cycle) const {
    const unsigned short* r0 = rises[0];
    const unsigned short* r1 = rises[1];
    const unsigned short* f0 = falls[0];
    const unsigned short* f1 = falls[1];
    std::fill(time, time + 5, 0);
    cycle[0] = cycle[1] = 0;

    if (anyOf(enable_, {11, 12, 15, 20, 21, 22}) && (r1[kFound] == 1 || f1[kFound] == 1)) {
        // On the direction whose first edge comes first, unless it lacks a second edge.
        bool rising = r0[kColumn] < f0[kColumn];
        if (rising && r1[kFound] != 1)
            rising = false;
        else if (!rising && f1[kFound] != 1)
            rising = true;
        const unsigned short first = rising ? r0[kColumn] : f0[kColumn];
        const unsigned short second = rising ? r1[kColumn] : f1[kColumn];
        time[kPeriod] = span(first, second);
        cycle[0] = first;
        cycle[1] = second;
    }
    if (anyOf(enable_, {_MEASURE_P_PULSE_WIDTH, _MEASURE_P_DUTY_CYCLE})) {
        if (r0[kColumn] < f0[kColumn] && r0[kFound] == 1)
            time[kPositiveWidth] = span(r0[kColumn], f0[kColumn]);
        else if (f0[kColumn] < r0[kColumn] && f1[kFound] == 1)
            time[kPositiveWidth] = span(r0[kColumn], f1[kColumn]);
    }
    if (anyOf(enable_, {_MEASURE_N_PULSE_WIDTH, _MEASURE_N_DUTY_CYCLE})) {
        if (f0[kColumn] < r0[kColumn] && f0[kFound] == 1)
            time[kNegativeWidth] = span(f0[kColumn], r0[kColumn]);
        else if (r0[kColumn] < f0[kColumn] && r1[kFound] == 1)
            time[kNegativeWidth] = span(f0[kColumn], r1[kColumn]);
    }
    time[kRise] = r0[kWidth];
    time[kFall] = f0[kWidth];
}

void MEASURE::decide_voltage2(unsigned short centre_, const unsigned char wave[][kMeasureRows], const bool* enable_,
                              const unsigned short* cycle, unsigned short* level) const {
    const int first = cycle[0];
    const int last = std::min<int>(cycle[1], kColumns - 1);
    if (cycle[1] == 0 || first > last) return;
    if (enable_[_MEASURE_CYCLE_MEAN]) {
        std::uint32_t sums[kRows] = {};
        addRowSums(wave, first, last, sums);
        std::uint64_t total = 0;
        for (int r = 0; r < kRows; ++r) total += sums[r];
        level[_MEASURE_CYCLE_MEAN] =
            weightedMeanRow(sums, level[_MEASURE_MINIMUM], std::min<int>(level[_MEASURE_MAXIMUM], kRows - 1), total);
    }
    if (enable_[_MEASURE_CYCLE_RMS]) {
        double root = 0.0;
        level[_MEASURE_CYCLE_RMS] =
            rmsOffset(wave, first, last, centre_, root) ? static_cast<unsigned short>(int(root) + centre_) : 0;
    }
}

void MEASURE::decide_time2(unsigned short firstRow_, unsigned short secondRow_,
                           const unsigned char wave[][kMeasureRows], unsigned short* out) const {
    out[0] = out[1] = out[2] = 0;
    const int reference = firstRow_ + (int(secondRow_) - int(firstRow_)) / 2;
    long sums[kColumns];
    for (int c = 0; c < kColumns; ++c) {
        long sum = 0;
        for (int r = 0; r < kRows; ++r)
            if (wave[c][r] != 0) sum += r - reference;
        sums[c] = sum;
    }
    // A change is where a column's sum takes the sign opposite to the last non-zero sum; it is
    // recorded at the column before (zero sums, such as a vertical edge's own column, wait).
    int up[2], down[2], changeAt[3];
    int ups = 0, downs = 0, changes = 0;
    bool firstUp = false;
    int sign = 0;
    for (int c = 0; c < kColumns - 1; ++c) {
        if (sums[c] != 0) sign = sums[c] > 0 ? 1 : -1;
        const int nextSign = sums[c + 1] > 0 ? 1 : sums[c + 1] < 0 ? -1 : 0;
        if (sign == 0 || nextSign == 0 || nextSign == sign) continue;
        const bool rising = nextSign > 0;
        if (rising && ups < 2) up[ups++] = c;
        if (!rising && downs < 2) down[downs++] = c;
        if (changes == 0) firstUp = rising;
        if (changes < 3) changeAt[changes++] = c;
    }
    int period = 0;
    if (ups == 2)
        period = up[1] - up[0];
    else if (downs == 2)
        period = down[1] - down[0];
    out[0] = static_cast<unsigned short>(period < 5 ? 0 : period);
    if (changes == 3) {
        // After a rise the trace is above the reference until the next change.
        const int afterFirst = changeAt[1] - changeAt[0];
        const int afterSecond = changeAt[2] - changeAt[1];
        out[1] = static_cast<unsigned short>(firstUp ? afterFirst : afterSecond);
        out[2] = static_cast<unsigned short>(firstUp ? afterSecond : afterFirst);
    }
}
