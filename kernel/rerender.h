#pragma once
// Re-rendering a frozen record (a stopped capture or the reference waveform) at the current
// scales. Horizontally the samples are moved to new record positions; vertically nothing is
// converted: the channel's row table is rebuilt so that the frozen codes land on the rows
// they would have at the current volt/div.
//
// Pure arithmetic: no kernel object is read here.

struct HorizontalMap {
    double factor = 1.0; // record positions per sample, before the record-length ratio
    double ratio = 1.0;  // current record length / frozen sample count
    double offset = 0.0; // record position of sample 0
};

// The map of a record frozen at time/div `captureTimeDiv_`, horizontal position
// `capturePosition_` (display columns) with `captureCount_` samples, shown at `timeDiv_`,
// `position_`, `bufferSize_` samples on a display `displayWidth_` columns wide. Time/div codes
// 6 and above are placed around the position; the faster (equivalent-time) codes 0 to 5 spread
// the record's visible window over the whole record. False when a code is outside 0..32, a
// size is not positive, or a result is not finite.
bool horizontalMap(int captureTimeDiv_, double capturePosition_, int captureCount_, int timeDiv_, double position_,
                   int bufferSize_, int displayWidth_, HorizontalMap& out_);

// Sample i of `source_` (its first `sourceCount_` values) goes to record position
// trunc(i x factor x ratio + offset) of `destination_` when that lies in 0..destinationCount_-1
// and the sample is not EMPTY_SAMPLE. Positions no sample reaches are left alone. Returns the
// number of samples written.
int rerenderRecord(const short* source_, int sourceCount_, short* destination_, int destinationCount_,
                   const HorizontalMap& map_);

// Row rule of the display lookup: row[code] = trunc((code - centre) x scale + rowNow + 0.5).
struct RowRule {
    int centre = 0;
    double scale = 0.0;
    int rowNow = 0;
};

// What the vertical re-scale needs of a frozen record and of the channel now.
struct VerticalScales {
    int captureVoltDiv = 0;   // u, 0..10
    int voltDiv = 0;          // v, 0..10
    double captureFactor = 0; // pixel factor of u in the display lookup
    double factor = 0;        // pixel factor of v
    double captureGain = 1;   // calibration gain under which the record was taken
    double gain = 1;          // calibration gain now
    int captureOffsetRow = 0; // the record's zero row
    int offsetRow = 0;        // the channel's zero row now
    int adcLevels = 0;        // L
    int displayHeight = 0;    // H
    int hardwareVersion = 0;
};

// Relative input range of a volt/div code: 1 for codes 0..4, 10 for 5..7, 100 for 8..10;
// on generations 3 and 4 the 10-bit converter's ranges are halved for codes 0, 1, 2, 5 and 8.
// Their ratio is the ratio of the codes' volts per converter step.
double voltRange(int voltDiv_, int hardwareVersion_);

// The row rule that draws codes taken at u with the capture's zero row at the channel's zero
// row now, scaled to v. A gain of 0 or one that is not finite counts as 1. False when a pixel
// factor is 0, a volt/div code is outside 0..10, or a row of a code 0..L-1 would not fit an
// int32.
bool verticalRescale(const VerticalScales& scales_, RowRule& out_);
