#include "time_base_tables.h"

namespace {

// Columns: bufferSize, acquireLength, intensityBase, samplesPerPixel, sampleRate, readCount.

// _10K with ETS, one channel: the others are built from it by their differences.
constexpr TimeBaseTable kRows10KEtsOne = {{
    {10000, 256, 20, 0.2, 5e9, 25},  // 0
    {10000, 256, 20, 0.4, 5e9, 25},  // 1
    {10000, 256, 20, 1, 5e9, 25},    // 2
    {10000, 256, 10, 2, 5e9, 25},    // 3
    {10000, 256, 5, 4, 5e9, 25},     // 4
    {10000, 256, 2, 10, 5e9, 25},    // 5
    {10000, 256, 1, 20, 5e9, 25},    // 6
    {10000, 448, 1, 20, 2.5e9, 20},  // 7
    {10000, 1056, 1, 20, 1e9, 10},   // 8
    {10000, 2048, 1, 20, 5e8, 5},    // 9
    {10000, 4064, 1, 20, 2.5e8, 2},  // 10
    {10000, 10048, 1, 20, 1e8, 1},   // 11
    {10000, 10048, 1, 20, 5e7, 1},   // 12
    {10000, 10048, 1, 20, 2.5e7, 1}, // 13
    {10000, 10048, 1, 20, 1e7, 1},   // 14
    {10000, 10048, 1, 20, 5e6, 1},   // 15
    {10000, 10048, 1, 20, 2.5e6, 1}, // 16
    {10000, 10048, 1, 20, 1e6, 1},   // 17
    {10000, 10048, 1, 20, 5e5, 1},   // 18
    {10000, 10048, 1, 20, 2.5e5, 1}, // 19
    {10000, 10048, 1, 20, 1e5, 1},   // 20
    {10000, 10048, 1, 20, 5e4, 1},   // 21
    {10000, 10048, 1, 20, 2.5e4, 1}, // 22
    {10000, 10048, 1, 20, 1e4, 1},   // 23
    {10000, 10048, 1, 20, 5e3, 1},   // 24
    {10000, 10048, 1, 20, 2.5e3, 1}, // 25
    {3000, 64, 1, 6, 300, 1},        // 26
    {3000, 64, 1, 6, 150, 1},        // 27
    {3000, 32, 1, 6, 75, 1},         // 28
    {3000, 32, 1, 6, 30, 1},         // 29
    {3000, 32, 1, 6, 50, 1},         // 30
    {3000, 32, 1, 6, 25, 1},         // 31
    {3000, 32, 1, 6, 10, 1},         // 32
}};

// _500K with ETS, one channel, codes 0 to 25; the roll codes are those of the 10k tables.
// Codes 0 to 16 keep the whole 500000-sample record, so that an ETS step stays one
// converter period (10 ns) whatever the equivalent rate.
constexpr TimeBaseRow kRows500KFast[] = {
    {500000, 10064, 100, 0.04, 5e9, 40}, // 0
    {500000, 10064, 100, 0.08, 5e9, 40}, // 1
    {500000, 10064, 100, 0.2, 5e9, 40},  // 2
    {500000, 10064, 100, 0.4, 5e9, 40},  // 3
    {500000, 10064, 100, 0.8, 5e9, 40},  // 4
    {500000, 10064, 100, 2, 5e9, 40},    // 5
    {500000, 10064, 50, 4, 5e9, 40},     // 6
    {500000, 10064, 25, 8, 5e9, 40},     // 7
    {500000, 10064, 10, 20, 5e9, 40},    // 8
    {500000, 10064, 5, 40, 5e9, 40},     // 9
    {500000, 10064, 2.5, 80, 5e9, 40},   // 10
    {500000, 10064, 1, 200, 5e9, 40},    // 11
    {500000, 20064, 1, 200, 2.5e9, 20},  // 12
    {500000, 40064, 1, 200, 1.25e9, 10}, // 13
    {500000, 100064, 1, 200, 5e8, 4},    // 14
    {500000, 200064, 1, 200, 2.5e8, 2},  // 15
    {500000, 400064, 1, 200, 1.25e8, 1}, // 16
    {500000, 500064, 1, 200, 5e7, 1},    // 17
    {500000, 500064, 1, 200, 2.5e7, 1},  // 18
    {500000, 500064, 1, 200, 1.25e7, 1}, // 19
    {500000, 500064, 1, 200, 5e6, 1},    // 20
    {500000, 500064, 1, 200, 2.5e6, 1},  // 21
    {500000, 500064, 1, 200, 1.25e6, 1}, // 22
    {500000, 500064, 1, 200, 5e5, 1},    // 23
    {500000, 500064, 1, 200, 2.5e5, 1},  // 24
    {500000, 500064, 1, 200, 1.25e5, 1}, // 25
};

constexpr TimeBaseTable make500KEtsOne() {
    TimeBaseTable t = kRows10KEtsOne;
    for (int code = 0; code <= _400MS_DIV; ++code) t[code] = kRows500KFast[code];
    return t;
}
constexpr TimeBaseTable kRows500KEtsOne = make500KEtsOne();

// With two channels on, codes first..last give each channel half the record over the same ten
// divisions: half the rate. (The rate of the next code is half only where the next time/div is
// twice this one, not at the 1-2-4 steps from 4 to 10.)
constexpr void shareRecord(TimeBaseTable& t, int first, int last, int bufferSize) {
    for (int code = first; code <= last; ++code) {
        t[code].bufferSize = bufferSize;
        t[code].sampleRate = t[code].sampleRate / 2;
    }
}

// Rows the GUI never selects (the 500k-point mode offers codes 17 to 25 only): no rate, no
// ETS reads, and an intensity base of half the acquire length.
constexpr void setUnselectedRow(TimeBaseRow& row, int acquireLength, double samplesPerPixel) {
    row.acquireLength = acquireLength;
    row.intensityBase = acquireLength / 2.0f;
    row.samplesPerPixel = samplesPerPixel;
    row.sampleRate = 0;
    row.readCount = 0;
}

constexpr void setUnselectedFastRows(TimeBaseTable& t, int bufferSizeFrom11) {
    constexpr int acquireLength[17] = {448,  448,  448,   448,   448,   448,   448,   832,  2048,
                                       4032, 8064, 20032, 20032, 20032, 20032, 20032, 20032};
    constexpr double samplesPerPixel[17] = {40, 40, 40, 40, 40, 40, 40, 20, 8, 4, 2, 1, 1, 1, 1, 1, 1};
    for (int code = 0; code <= 16; ++code) {
        t[code].bufferSize = code >= 11 ? bufferSizeFrom11 : 10000;
        setUnselectedRow(t[code], acquireLength[code], samplesPerPixel[code]);
    }
}

constexpr void copyRows(TimeBaseTable& t, const TimeBaseTable& from, int first, int last) {
    for (int code = first; code <= last; ++code) t[code] = from[code];
}

constexpr TimeBaseTable make10KEtsTwo() {
    TimeBaseTable t = kRows10KEtsOne;
    t[7].readCount = 25;
    shareRecord(t, 11, 25, 5000);
    return t;
}
constexpr TimeBaseTable kRows10KEtsTwo = make10KEtsTwo();

// RIS on the fast codes: one converter sample per trigger, at the converter's own rate.
constexpr TimeBaseTable make10KRis(bool bothChannels) {
    TimeBaseTable t = kRows10KEtsOne;
    for (int code = 0; code <= 10; ++code) {
        if (!bothChannels) t[code].intensityBase = 1;
        t[code].sampleRate = bothChannels ? 5e7 : 1e8;
        t[code].readCount = 1;
    }
    if (bothChannels) copyRows(t, kRows10KEtsTwo, 11, 25);
    return t;
}
constexpr TimeBaseTable kRows10KRisOne = make10KRis(false);
constexpr TimeBaseTable kRows10KRisTwo = make10KRis(true);

constexpr TimeBaseTable make500KEtsTwo() {
    TimeBaseTable t = kRows500KEtsOne;
    shareRecord(t, 17, 25, 250000);
    setUnselectedFastRows(t, 5000);
    constexpr int rollAcquireLength[7] = {128, 128, 64, 64, 64, 64, 64};
    for (int code = 26; code <= 32; ++code) setUnselectedRow(t[code], rollAcquireLength[code - 26], 1);
    return t;
}
constexpr TimeBaseTable kRows500KEtsTwo = make500KEtsTwo();

constexpr TimeBaseTable make500KRis(const TimeBaseTable& etsRows) {
    TimeBaseTable t = kRows10KEtsOne;
    copyRows(t, etsRows, 17, 25);
    setUnselectedFastRows(t, 10000);
    return t;
}
constexpr TimeBaseTable kRows500KRisOne = make500KRis(kRows500KEtsOne);
constexpr TimeBaseTable kRows500KRisTwo = make500KRis(kRows500KEtsTwo);

constexpr AcquisitionMethodTable kMethods10K = {
    _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, _ETS_MODE1,
    _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, // 0 to 10
    _REAL_TIME, _REAL_TIME, _REAL_TIME, _REAL_TIME, _REAL_TIME, _REAL_TIME, _REAL_TIME,
    _REAL_TIME, _REAL_TIME, _REAL_TIME, _REAL_TIME, _REAL_TIME, _REAL_TIME, _REAL_TIME,
    _REAL_TIME, // 11 to 25
};

constexpr AcquisitionMethodTable kMethods500K = {
    _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, _ETS_MODE1,
    _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, _ETS_MODE1,
    _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, _ETS_MODE1, // 0 to 16
    _REAL_TIME, _REAL_TIME, _REAL_TIME, _REAL_TIME, _REAL_TIME, _REAL_TIME,
    _REAL_TIME, _REAL_TIME, _REAL_TIME, // 17 to 25
};

} // namespace

const TimeBaseTable* timeBaseTable(int bufferSizeMode_, bool ETSOnOff_, bool bothChannels_) {
    switch (bufferSizeMode_) {
    case _10K:
        if (ETSOnOff_) return bothChannels_ ? &kRows10KEtsTwo : &kRows10KEtsOne;
        return bothChannels_ ? &kRows10KRisTwo : &kRows10KRisOne;
    case _500K:
        if (ETSOnOff_) return bothChannels_ ? &kRows500KEtsTwo : &kRows500KEtsOne;
        return bothChannels_ ? &kRows500KRisTwo : &kRows500KRisOne;
    default: return nullptr;
    }
}

const AcquisitionMethodTable& acquisitionMethodTable(int bufferSizeMode_) {
    return bufferSizeMode_ == _10K ? kMethods10K : kMethods500K;
}

int timeBaseParameter(int timeDiv_) {
    if (timeDiv_ <= _2MS_DIV) return 20;
    if (timeDiv_ == _4MS_DIV) return 40;
    if (timeDiv_ <= _20MS_DIV) return 100;
    if (timeDiv_ == _40MS_DIV) return 200;
    return 250;
}
