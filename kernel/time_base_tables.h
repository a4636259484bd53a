#pragma once
// Constant per-time/div tables of the acquisition: the eight time-base tables (record
// length mode x ETS on/off x one or two channels) and the two acquisition-method tables.
// Rows are indexed by the time/div code 0..32 (codes.h).

#include <array>

#include "codes.h"

// Parameters of one time/div code.
struct TimeBaseRow {
    int bufferSize = 0;         // samples per channel record
    int acquireLength = 0;      // samples the instrument delivers per capture
    float intensityBase = 0;    // intensity per hit before the display's intensity factor
    double samplesPerPixel = 0; // record samples per display column
    double sampleRate = 0;      // samples per second
    int readCount = 0;          // sample-buffer reads per ETS capture
};

using TimeBaseTable = std::array<TimeBaseRow, NUMBER_OF_TIME_DIVS>;

// The table of a record-length mode (_10K or _500K), ETS (true) or RIS (false) on the fast
// time bases, for one channel on or for both. Null for any other mode.
const TimeBaseTable* timeBaseTable(int bufferSizeMode_, bool ETSOnOff_, bool bothChannels_);

// Number of entries in a method table: time/div codes 0 to 25. Codes from the first roll
// code on always use roll (_ROLL).
constexpr int NUMBER_OF_METHOD_ENTRIES = 26;
using AcquisitionMethodTable = std::array<int, NUMBER_OF_METHOD_ENTRIES>;

// Acquisition method per time/div code of a record-length mode: the _10K table for _10K,
// the _500K table for any other mode.
const AcquisitionMethodTable& acquisitionMethodTable(int bufferSizeMode_);

// The instrument's per-time/div byte (request 0xB4): 20 for codes up to 18, 40 for 19, 100
// for 20 and 21, 200 for 22, 250 for 23 and above (roll codes keep the last value).
int timeBaseParameter(int timeDiv_);
