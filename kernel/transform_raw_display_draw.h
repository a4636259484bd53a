#pragma once
// Drawing kernels of the raw-to-display transform: plain arrays in, hits in a trace's
// intensity image out. TransformRawDisplay chooses which one runs; these do no allocation.
//
// Image: width x height bytes, element y x width + x, intensity 0..127, rows growing with
// the code. Raw values: 4096 is an empty sample, 20480 and up are reduced by 20480, and a
// code is drawn only when 0 <= code < adcLevels.

#include <cstddef>
#include <cstdint>

constexpr int INTENSITY_MAX = 127;
constexpr int PERSISTENCE_LEVELS = 17; // levels 0..16
constexpr int JITTER_TABLE_SIZE = 200;

// One trace's image and what drawing into it needs. Every pointer must be valid for the
// given sizes: rows for adcLevels entries, columnMin/columnMax for width entries (scratch
// space for the per-column extremes).
struct TraceCanvas {
    unsigned char* image = nullptr;
    int width = 0;
    int height = 0;
    int step = 0; // intensity added per hit, 0..127 (see clampIntensityStep)
    const int32_t* rows = nullptr;
    int adcLevels = 0;
    int* columnMin = nullptr;
    int* columnMax = nullptr;
};

// The code carried by a raw value (flag removed); not necessarily drawable.
inline int sampleCode(int raw) { return raw >= 20480 ? raw - 20480 : raw; }
inline bool isDrawableCode(int code, int adcLevels) { return code >= 0 && code < adcLevels && code != 4096; }

// The settings' intensity step truncated toward zero and clamped to 0..127, so that no
// pixel can pass the cap.
int clampIntensityStep(double step);

// Adds one hit: nothing when y is outside 0..height-1, else pixel = min(pixel + step, 127).
// Requires 0 <= x < width.
inline void plotHit(const TraceCanvas& c, int x, int y) {
    if (y < 0 || y >= c.height) return;
    unsigned char& p = c.image[static_cast<size_t>(y) * static_cast<size_t>(c.width) + static_cast<size_t>(x)];
    const int v = p + c.step;
    p = static_cast<unsigned char>(v > INTENSITY_MAX ? INTENSITY_MAX : v);
}

// The 0/1 row jitter of running dots: a counter advanced before each read, wrapping from
// 200 to 0, so the first value read is entry 1 of the table.
class JitterSequence {
public:
    int next();
    static int entry(int index); // 0..199

private:
    int d_counter = 0;
};

// Persistence factors for levels 0..16 at a time/div code.
void fillDecayTable(double (&decay_)[PERSISTENCE_LEVELS], int timeDiv_);

// Every pixel becomes trunc(pixel x decay) (0 stays 0); decay in 0..1.
void fadeImage(unsigned char* image_, size_t count_, double decay_);

// Dots over a whole record of size_ samples: size_ / width samples per column, the rest
// undrawn. jitter_ null draws without jitter.
void drawDots(const TraceCanvas& c, const short* record_, int size_, JitterSequence* jitter_);

// Vectors over a whole record: dots as above while gathering each column's row extremes
// (rows off the image count too), then joinColumns.
void drawVectors(const TraceCanvas& c, const short* record_, int size_);

// Joins columns 0..width-2 from columnMin/columnMax: a column with samples (max >= min)
// gets its whole span, then the rows leading to the next column's span when that column
// has samples. Rows already hit get the step again; the last column gets no join.
void joinColumns(const TraceCanvas& c);

// Replaces every empty value by the value before it (by the first value holding data at
// the start). A record without data stays all empty.
void holdRecord(short* record_, int size_);
