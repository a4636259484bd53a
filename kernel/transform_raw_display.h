#pragma once
// Raw-to-display transform: turns the raw record of one trace into its 500 x 400 intensity
// image (BufferDisplayData; element y x width + x, 0..127, rows growing with the code). It
// fades the previous picture (real time) or clears it (other methods), then draws the record
// as dots or joined vectors; on the ETS and RIS time bases it first completes the record and
// draws only the visible window. In X-Y mode it hands channel 1's image to the X-Y plot.
//
// Runs on the worker thread. Drawing allocates nothing.

#include "interpolation_linear.h"
#include "interpolation_sinc.h"
#include "table_raw_display.h"
#include "transform_raw_display_draw.h"

#include <functional>
#include <memory>
#include <vector>

class BufferDisplayData;
class BufferRawData;
class BufferRawDataStop;
class State;

class TransformRawDisplay {
public:
    // The main window's X-Y plot: channel 1's image, the display width and height, and the
    // intensity cap (127.0).
    using XYPlot = std::function<void(unsigned char* image_, int width_, int height_, float intensity_)>;

    // Requires raw_p, display_p and state_p (assertions). The column arrays are sized to
    // State's d_displayWidth. When they or the row table cannot be had, error 0 is pushed and
    // the object stays incomplete (isComplete false; transform then draws nothing).
    TransformRawDisplay(BufferRawData* raw_p, BufferDisplayData* display_p, State* state_p, BufferRawDataStop* stop_p);
    virtual ~TransformRawDisplay();
    TransformRawDisplay(const TransformRawDisplay&) = delete;
    TransformRawDisplay& operator=(const TransformRawDisplay&) = delete;

    bool isComplete() const { return p_tableRawDisplay && !d_min.empty() && !d_max.empty(); }

    // Rebuilds channel ch_'s rows (TableRawDisplay::build). The volt/div, coupling and run
    // state setters call it. false for a channel code other than 1..4.
    bool buildTable(int ch_);

    // Called by the time-base setter (and so for a new record length): rebuilds the decay
    // table for d_timeDiv and the ETS window (updateETSWindow) for the new time base.
    void initDecayTable();

    // Writes the window of the current time base, record size and horizontal position into
    // State's d_ETSWindowStart, d_ETSWindowLength and d_ETSPointsPerSample; the window always
    // lies inside the record. The capture calls it after each ETS or RIS capture.
    void updateETSWindow();

    // Redraws the image of channel ch_ (_CH1.._REFERENCE) from BufferRawData's record of ch_.
    // A RIS record is interpolated in place, and ETS records are held or gap-filled in place,
    // as their time base asks. false (nothing drawn) for another channel code, an incomplete
    // object or a missing image, or an image that is not d_displayWidth x d_displayHeight.
    bool transform(int ch_);

    // The X-Y plot to call in X-Y mode; an empty function draws nothing.
    void setXYPlot(XYPlot plot_) { d_XYPlot = std::move(plot_); }

    TableRawDisplay* getTableRawDisplay() { return p_tableRawDisplay.get(); }
    // Persistence factor of a level, clamped to 0..16.
    double getDecay(int level_) const;

private:
    void drawRunningVectors(const TraceCanvas& c, short* record_, int size_);
    bool interpolateRIS(short* record_, int size_, bool linear_);

    std::unique_ptr<TableRawDisplay> p_tableRawDisplay;
    double d_decay[PERSISTENCE_LEVELS] = {};
    BufferRawData* p_bufferRawData = nullptr;
    [[maybe_unused]] BufferRawDataStop* p_bufferRawDataStop = nullptr; // kept; the drawing does not read it
    BufferDisplayData* p_bufferDisplayData = nullptr;
    State* p_state = nullptr;
    std::unique_ptr<InterpolationSinc<short>> p_interpolationSinc;
    std::unique_ptr<InterpolationLinear<short>> p_interpolationLinear;
    std::vector<int> d_min;           // per column: smallest row (or code) hit
    std::vector<int> d_max;           // per column: largest row (or code) hit
    std::vector<short> d_columnCodes; // per column: codes of the column interpolation
    JitterSequence d_jitter;          // one transform per program: the program-wide counter
    XYPlot d_XYPlot;
};
