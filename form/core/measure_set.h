#pragma once
// The measurement window's model: the picked measurements (at most ten lines), the enable and
// result sets of the three sources and the periodic update that feeds them through the
// measurement library. Plain C++ and not locked: the window serialises every call.

#include "measure.h"
#include "tool_window_kernel.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

// Sources of the items and result sets (the main window's source radio buttons less one).
enum MeasureSourceIndex { _MEASURE_SOURCE_CH1 = 0, _MEASURE_SOURCE_CH2 = 1, _MEASURE_SOURCE_MATH = 2 };
constexpr int kMeasureSources = 3;
constexpr int kMeasureLines = 10; // labels of the window and most items

// Copies a width x height display image (row-major) into wave[column][row] (kMeasureColumns
// columns of kMeasureRows), zero where the image has no pixel.
void transposeDisplayImage(const unsigned char* image, int width, int height, unsigned char (*wave)[kMeasureRows]);

// Clears every byte of wave that is at most fadedMax_ when hitMin_ is above it: what only the
// faded picture of earlier records holds, while the newest record's pixels are all brighter.
void dropFadedPixels(int fadedMax_, int hitMin_, unsigned char (*wave)[kMeasureRows]);

// One line of the read-out.
struct MeasureItem {
    int source = 0; // MeasureSourceIndex
    int slot = 0;   // measurement_slot
};

// The text of one label and its font colour (0x00BBGGRR): green Ch1, yellow Ch2, red Math.
struct MeasureLine {
    std::string text;
    int colour = 0x00FF00;
};

class MeasureSet {
public:
    MeasureSet();

    // Appends an item for source_ 1 Ch1, 2 Ch2, 3 Math and slot_ 0..22, then enables the
    // items' slots. False (nothing changes) with ten items or a source or slot out of range.
    bool AddMeasureItem(int source_, int slot_);
    // Sets enable[source][slot] for every item; enable sets never lose a slot.
    void MarkEnabledMeasurements();
    // Removes the item at index_ (0-based); false when there is none.
    bool DeleteMeasureItem(int index_);
    void DeleteLastMeasureItem();
    void DeleteAllMeasureItems();
    const std::vector<MeasureItem>& items() const { return d_items; }

    // One display cycle. ch1_, ch2_, math_: the display images of the three traces,
    // kernel_.displayHeight() rows of kernel_.displayWidth() bytes, row 0 at the bottom (null:
    // the source is not measured this cycle). A source that is off reads 0.0 in all slots;
    // one that is on is measured on the cycles isMeasureCycle gives, with the reference
    // levels upper_ and lower_ (percent), and at once when it has an item not measured yet or
    // when redrawn_ (a picture of a record already shown, such as the stopped capture drawn
    // at new scales: no new record follows to measure it). Pixels that only a faded earlier
    // record left are not measured. The counter steps first and starts at 0.
    void UpdateMeasurements(const ToolWindowKernel& kernel_, const unsigned char* ch1_, const unsigned char* ch2_,
                            const unsigned char* math_, int upper_, int lower_, bool redrawn_ = false);
    // Each source is measured once every nine cycles, three cycles apart: Ch1 on counter 2,
    // Ch2 on 5, Math on 8 (mod 9).
    static bool isMeasureCycle(int counter_, int source_) { return counter_ % 9 == 2 + 3 * source_; }
    int counter() const { return d_counter; }

    double result(int source_, int slot_) const { return d_results[source_].result[slot_]; }
    // The slot's result is a measurement: not before the slot's first measurement, nor where
    // the picture gave nothing to measure (no period for Frequency, ...). Such a value shows
    // no number.
    bool measured(int source_, int slot_) const { return d_measured[source_][slot_]; }
    bool enabled(int source_, int slot_) const { return d_results[source_].enable[slot_]; }

    // The value an item shows: voltage slots of Ch1 and Ch2 times the channel's probe and
    // scale factors; Math voltage slots times the math probe factor on the labels, unscaled
    // in the CSV file (forCsv_); every other slot as measured.
    double displayedValue(const ToolWindowKernel& kernel_, const MeasureItem& item_, bool forCsv_) const;
    // The ten labels: "Ch1 : Frequency=1.234KHz" for each item ("Ch1 : Frequency=" while not
    // measured), empty texts after the last.
    std::array<MeasureLine, kMeasureLines> labelLines(const ToolWindowKernel& kernel_) const;
    // The CSV file: one line "Ch1,Freq=,1.234,KHz\n" per item ("Ch1,Freq=,\n" while not
    // measured), no header.
    std::string csvText(const ToolWindowKernel& kernel_) const;

private:
    std::vector<MeasureItem> d_items;
    measurement_results d_results[kMeasureSources];
    bool d_measured[kMeasureSources][kMeasureSlots] = {};
    bool d_pending[kMeasureSources] = {}; // an item waits for its first measurement
    int d_counter = 0;
    MEASURE d_measure;
    std::unique_ptr<unsigned char[][kMeasureRows]> d_wave; // kMeasureColumns columns
};
