#pragma once
// The X-Y plot: channel 1 against channel 2. Each pair of simultaneous samples becomes a dot of
// three pixels on a rising diagonal in channel 1's intensity image, across from channel 1's
// display row, up from channel 2's. The kernel's raw-to-display transform calls it on the
// worker thread, in place of its own drawing, while the X-Y mode and both channels are on.
//
// Image: width x height bytes, element row x width + column, row 0 at the bottom. Raw values:
// 4096 is an empty sample, 20480 and up carry a flag and are reduced by 20480; a sample whose
// code is not below the converter's levels is skipped like an empty one.

class XYRecords {
public:
    virtual ~XYRecords() = default;
    virtual int bufferSize() const = 0;                 // samples per channel record
    virtual int rawSample(int ch, int index) const = 0; // 4096 outside the record
    virtual int rawToRow(int ch, int code) const = 0;   // display row of a converter code
    virtual double voltageOffset(int ch) const = 0;     // rows from the bottom, 200 = centre
    virtual int adcLevels() const = 0;                  // 1024 or 4096
};

// The current records of the kernel, through the facade. Needs the kernel.
class KernelXYRecords : public XYRecords {
public:
    int bufferSize() const override;
    int rawSample(int ch, int index) const override;
    int rawToRow(int ch, int code) const override;
    double voltageOffset(int ch) const override;
    int adcLevels() const override;
};

// Smallest and largest display row of the channel's valid samples; a record without one
// gives min = levels + 1 and max = 0.
struct XYRowRange {
    int min = 0;
    int max = 0;
};
XYRowRange xyRowRange(const XYRecords& records, int ch);

// Writes the dots of every valid pair into `image` (the value trunc(intensity), clamped to
// 0..255, replaces what was there). A channel whose valid rows are all equal collapses to its
// offset term. With both offsets at 200 a dot sits at column row1 + 50, row row2. Dots outside
// the image are not drawn; a neighbour is drawn only when its place in the image array exists
// (so one at a left or right edge falls into the adjacent row).
void drawXYPlot(const XYRecords& records, unsigned char* image, int width, int height, float intensity);
// The same on the kernel's records: the function the transform calls.
void drawXYPlot(unsigned char* image, int width, int height, float intensity);

// Hands drawXYPlot to the kernel's transform (controlSetXYPlotCallback). The main window calls
// it once after the kernel is created and before the worker thread starts. false without a
// complete kernel.
bool installXYPlot();
