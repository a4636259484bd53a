#pragma once
// measurement: the 23 automatic measurements of one trace, read from the trace's display hit
// image rather than its samples. Every level is therefore quantised to display rows and every
// time to display columns (1/50 division each).
//
// The image, wave[column][row], is 500 columns (0 = left edge, earliest) of 400 rows (0 = bottom,
// rows grow with voltage); each byte is the intensity with which the trace hit that pixel
// (0 = not hit). The library keeps nothing between calls and never fails: a trace that gives
// no level or no edge reads as row 0 or as 0 columns.

#if defined(MEASUREMENT_BUILDING)
#define MEASUREMENT_API __attribute__((visibility("default")))
#else
#define MEASUREMENT_API
#endif

constexpr int kMeasureColumns = 500;
constexpr int kMeasureRows = 400;
constexpr int kMeasureSlots = 23;
constexpr int kMeasureEvents = 500; // room of the crossing event list

// Index into the enable and result sets, with the unit of the result.
enum measurement_slot {
    _MEASURE_MINIMUM = 0,   // V
    _MEASURE_MAXIMUM,       // V
    _MEASURE_BASE,          // V
    _MEASURE_TOP,           // V
    _MEASURE_LOWER,         // V
    _MEASURE_MIDDLE,        // V
    _MEASURE_UPPER,         // V
    _MEASURE_P_TO_P,        // V
    _MEASURE_AMPLITUDE,     // V
    _MEASURE_MEAN,          // V
    _MEASURE_RMS,           // V
    _MEASURE_CYCLE_MEAN,    // V
    _MEASURE_CYCLE_RMS,     // V
    _MEASURE_P_OVERSHOOT,   // V (a level difference, not a percentage)
    _MEASURE_N_OVERSHOOT,   // V
    _MEASURE_PERIOD,        // s
    _MEASURE_RISE_TIME,     // s
    _MEASURE_FALL_TIME,     // s
    _MEASURE_P_PULSE_WIDTH, // s
    _MEASURE_N_PULSE_WIDTH, // s
    _MEASURE_FREQUENCY,     // Hz
    _MEASURE_P_DUTY_CYCLE,  // %
    _MEASURE_N_DUTY_CYCLE,  // %
};

// The caller's enable and result sets, both indexed by measurement_slot.
struct measurement_results {
    bool enable[kMeasureSlots];
    double result[kMeasureSlots];
};

// No data members: every table lives in one call, so one object may serve any number of
// traces one after the other (and from any thread).
class MEASUREMENT_API MEASURE {
public:
    // Computes every enabled slot into result_; disabled slots read exactly 0.0.
    // centre_: the display row of the trace's 0 V level. voltDiv_, timeDiv_: volts and seconds
    // per division of the trace. upper_, lower_: the Upper and Lower reference levels in percent
    // of Base..Top (clamped to 0..100). Voltage slots read (level row - centre_) x 0.02 x voltDiv_,
    // time slots columns x 0.02 x timeDiv_; Frequency and the duty cycles read 0.0 without a
    // period. A null image gives 0.0 everywhere; a null enable or result set does nothing.
    void measure_all(const unsigned char wave[][kMeasureRows], unsigned short centre_, float voltDiv_, double timeDiv_,
                     const bool* enable_, double* result_, int upper_, int lower_) const;
    // The same, and measured_[slot] (when not null) tells whether the enabled slot's result is
    // a measurement: false where the image gives nothing to measure (an empty image for the
    // levels; no cycle for Cycle Mean and RMS; no edge, no period or no width for the times,
    // Frequency and the duty cycles), whose result then reads 0.0 as above; false for
    // disabled slots.
    void measure_all(const unsigned char wave[][kMeasureRows], unsigned short centre_, float voltDiv_, double timeDiv_,
                     const bool* enable_, double* result_, int upper_, int lower_, bool* measured_) const;

    // The steps of measure_all, exported as they are.

    // hist[row]: the row's intensities summed over all columns (saturating at 65535).
    // columns[c]: first hit row from the bottom, last hit row from the top, their middle
    // ((first + last) >> 1); 0, 0, 0 for an empty column.
    void make_histogram(const unsigned char wave[][kMeasureRows], unsigned short hist[kMeasureRows],
                        unsigned short columns[kMeasureColumns][3]) const;
    // Row of the column's brightest pixel (the lowest of equals); -1 for an empty column or a
    // column outside 0..499.
    int get_y(const unsigned char wave[][kMeasureRows], int column_) const;
    // Level record entries (rows, indexed by slot) 0 to 10, 13 and 14. P to P, Amplitude and
    // the overshoots hold their difference plus centre_, so every entry converts alike.
    void decide_voltage(const unsigned char wave[][kMeasureRows], unsigned short centre_, const unsigned short* hist,
                        const bool* enable_, unsigned short* level, int upper_, int lower_) const;
    // Crossings of the column middles with Lower (kind 1), Middle (2) and Upper (3) from
    // column 10 on, at most kMeasureEvents; then the first two rising and falling edges,
    // each {column, found (1), width in columns (first edge of a direction only)}.
    void detect_edge(const unsigned short columns[][3], const unsigned short* level, unsigned short events[][2],
                     int* eventCount, unsigned short rises[][3], unsigned short falls[][3]) const;
    // Time record (columns: period, rise, fall, positive width, negative width) and the
    // measured cycle {first column, last column} ({0, 0} when none).
    void decide_time(const unsigned short rises[][3], const unsigned short falls[][3], const bool* enable_,
                     unsigned short* time, unsigned short* cycle) const;
    // Level record entries 11 and 12 (Cycle Mean, Cycle RMS) over the cycle's columns.
    void decide_voltage2(unsigned short centre_, const unsigned char wave[][kMeasureRows], const bool* enable_,
                         const unsigned short* cycle, unsigned short* level) const;
    // A second period and width detector, on the sign of each column's summed row offsets
    // from the row half-way between firstRow_ and secondRow_. out: {period, positive width,
    // negative width} in columns; a period below 5 reads 0, widths need three sign changes.
    // Not used by measure_all.
    void decide_time2(unsigned short firstRow_, unsigned short secondRow_, const unsigned char wave[][kMeasureRows],
                      unsigned short* out) const;
};
