#pragma once
// What the main window's indicators show, worked out without widgets: the read-out texts,
// the item texts of the combo boxes, where the marker images go and which picture they
// show, and the buffer-overview geometry. Display rows count from the bottom (0..height),
// columns from the left; every double-to-pixel conversion truncates toward zero.

#include <array>
#include <optional>
#include <string>

// Numbers are in the read-outs' general format (text_format.h).

// Sample-rate panel: "S/s", "KS/s", "MS/s" or "GS/s", 5 significant digits.
std::string sampleRateText(double samplesPerSecond);

// Delay read-out. With delay on: the time between the display centre and the trigger point,
// in s, ms, us or ns with 4 significant digits; nothing (keep the old text) for a non-zero
// time below 1 ns. With delay off: the position as a whole percentage of the width, "%".
// `timeDiv` 0..32; `width` > 0.
std::optional<std::string> delayText(bool delayOn, int timeDiv, double position, int width);

// The row at which a stored row of a channel is drawn: an inverted channel's trace is
// mirrored about the middle of the 400 rows, its offset and trigger level with it.
double rowAsDrawn(double row, bool inverted);

// Trigger-level read-out of a channel: the level's distance from the channel's offset in
// volts at the probe tip, "V" from 1 V (or exactly 0), else "mV"; nothing (keep the old text)
// for a non-zero value of 0.0001 V or less. Rows as stored; an inverted channel is mirrored
// (400 - row) as the display shows it.
std::optional<std::string> triggerLevelText(double offsetRow, double levelRow, bool inverted, int probe, int voltDiv);

// Volt/div combo items for codes 1..10 at the probe tip; any factor other than 1, 10 and 100
// gives the x1000 texts.
const std::array<const char*, 10>& voltDivItemTexts(int probe);
// Probe combo item: 0 x1, 1 x10, 2 x100, 3 any other factor.
int probeItemIndex(int probe);
// Probe factor of a probe combo item 0..3 (1, 10, 100, 1000); 1 for another index.
int probeOfItemIndex(int index);

constexpr int TIME_DIV_ITEM_COUNT = 30; // the combo offers codes 0..29
extern const std::array<const char*, TIME_DIV_ITEM_COUNT> TIME_DIV_ITEMS;
constexpr int PERSISTENCE_ITEM_COUNT = 17; // codes 0..16
extern const std::array<const char*, PERSISTENCE_ITEM_COUNT> PERSISTENCE_ITEMS;

// A marker image's place along its panel and the picture of its image list.
struct MarkerPlacement {
    int position = 0; // Left or Top, pixels
    int picture = 0;
};

// Horizontal-position marker: left edge 0 and picture 0 left of the display, `width` and
// picture 2 right of it, else position - 1 and picture 1.
MarkerPlacement horizontalPositionMarker(int position, int width);
// Trigger-level marker of channel 1 (pictures 0 above, 1 inside, 2 below) or any other
// channel (3, 4, 5); Top = height - row + 5, held at 5 above and height + 5 below.
MarkerPlacement triggerLevelMarker(int ch, int levelRow, bool inverted, int height);
// Offset marker Top = height - row + 5 (row mirrored for an inverted channel); not held.
int offsetMarkerTop(int offsetRow, bool inverted, int height);

// Buffer-overview bar: fractions of the whole record from the kernel, image widths from the
// window. Lefts are relative to the bar panel.
struct BufferOverviewInputs {
    double trigger = 0;     // T
    double markLeft = 0;    // ML
    double markRight = 0;   // MR
    double windowWidth = 0; // BW
    double windowLeft = 0;  // BL
    int panelWidth = 0;     // Panel8
    int centreImageWidth = 0;
    int triggerImageWidth = 0;
    int rightMarkImageWidth = 0;
    int channelsOn = 0; // controlGetChannelsOnOff(): 0 none, 1 CH1, 2 CH2, 3 both
    int triggerSource = 1;
};
struct BufferOverviewLayout {
    int windowWidth = 0;
    int windowLeft = 0;
    int centreLeft = 0;
    int triggerLeft = 0;
    enum class TriggerImage { Inside, Left, Right } triggerImage = TriggerImage::Inside;
    int channelSet = 0; // 0 no set shown, 1 the channel 1 images, 2 the channel 2 images
    int leftMarkLeft = 0;
    int rightMarkLeft = 0;
};
BufferOverviewLayout bufferOverviewLayout(const BufferOverviewInputs& in);

// Grid colour in the screen's pixel form from an 0x00BBGGRR option colour: unchanged under
// GDI (graphic mode 2), else packed for the surface format (0, 1: 0x00RRGGBB; 2: 5:6:5;
// 3: 5:5:5).
int gridColorFor(int graphicMode, int surfaceFormat, int colour);
