#pragma once
// Geometry and texts of the screen picture (the document-style image that is saved, printed,
// previewed and copied), and the placement of a picture on a printed page and in the print
// preview. No drawing here: the Qt side paints what these functions lay out.
// All coordinates are picture (or device) pixels, x to the right, y downward.

#include "environment.h"

#include <array>
#include <ctime>
#include <string>
#include <vector>

// The base picture before any band, and the display origin inside it.
constexpr int PICTURE_BASE_WIDTH = 561;
constexpr int PICTURE_BASE_HEIGHT = 441;
constexpr int PICTURE_ORIGIN_X = 30;
constexpr int PICTURE_ORIGIN_Y = 20;

// Band heights (in the order they are added).
constexpr int TITLE_BAND = 50;       // title, and the date beside it
constexpr int DATE_BAND = 10;        // the date without a title
constexpr int SETUP_BAND = 35;       // channel 1 and 2 lines
constexpr int MATH_BAND = 15;        // math line
constexpr int REFERENCE_BAND = 15;   // reference line
constexpr int CURSOR_BAND = 40;      // cursor heading and read-outs
constexpr int MEASUREMENT_BAND = 85; // measurement heading and ten results

// Kernel values the picture is drawn from (read through the facade by the Qt side, under the
// pause handshake). Arrays are indexed by trace - 1: channel 1, channel 2, math, reference.
struct ScreenKernelValues {
    int displayWidth = 500;  // controlGetDisplayWidth()
    int displayHeight = 400; // controlGetDisplayHeight()
    std::array<bool, 4> channelOn{};
    // Ground level of each trace in display rows from the bottom (200 = centre).
    std::array<double, 4> voltageOffset{200.0, 200.0, 200.0, 200.0};
    std::array<int, 2> coupling{1, 1}; // channels 1 and 2: 0 AC, 1 DC, 2 GND
    int mathOperation = 0;             // 0 add, 1 subtract, 2 multiply, 3 divide
    double horizontalPosition = 250.0; // trigger point's column
    int timeDiv = 17;                  // time/div code 0..32
};

// Texts the main window shows, as they stand when the picture is made.
struct ScreenTexts {
    std::array<std::string, 4> voltDivText;   // CBVoltDivCh1, CBVoltDivCh2, CBVoltDivMath, CBVoltDivRef
    std::string timeDivText;                  // cbTimeDiv
    std::array<std::string, 2> cursorReadout; // panels 0 and 1 of sbCursorMeasure
    bool measureWindowVisible = false;
    std::array<std::string, 10> measureLabels; // lbMeasure00 .. lbMeasure09
};

struct PictureLayout {
    int width = PICTURE_BASE_WIDTH;
    int height = PICTURE_BASE_HEIGHT;
    int x0 = PICTURE_ORIGIN_X; // display area's top-left corner
    int y0 = PICTURE_ORIGIN_Y;
};

// Size and display origin of a picture with the bands the options ask for.
PictureLayout pictureLayout(const Environment& environment, const ScreenKernelValues& kernel, bool measureWindowVisible,
                            int x0 = PICTURE_ORIGIN_X, int y0 = PICTURE_ORIGIN_Y);

// Seconds per division of a time/div code 0..32 (2 ns, 4 ns, 10 ns, ... 100 s); 0 for any
// other code.
double secondsPerDivision(int timeDiv);

// A time in seconds as "%4.2f" plus unit: s (|t| >= 1 or t = 0), ms, us, ns, else ps.
// Always with a decimal point, whatever the process locale.
std::string formatTimeText(double seconds);

// The time of a horizontal distance of `pixels` display pixels (50 per division).
std::string format_time_label(int pixels, int timeDiv);

// "d-Mon-yyyy h:m:s" with no leading zeros, month names "Jan" .. "Dec" ("July", "Sept").
std::string formatPictureDate(const std::tm& time);

enum class TextAlign { Left, Centre, Right };
enum class TextFont { Normal, Date, Title };

// One text of the picture: `x` is its left edge, centre or right edge by `align`; `y` its top.
struct PictureText {
    std::string text;
    int x = 0;
    int y = 0;
    TextAlign align = TextAlign::Left;
    TextFont font = TextFont::Normal;
};

// The picture's texts outside the display area, in drawing order: time labels, setup block,
// date, title (the user labels are not among them).
std::vector<PictureText> pictureTexts(const Environment& environment, const PictureLayout& layout,
                                      const ScreenKernelValues& kernel, const ScreenTexts& texts, const std::tm& now);

// The column of the trigger-position marker: the horizontal position held to 0..width.
int triggerMarkerColumn(double horizontalPosition, int width);

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const PixelRect&) const = default;
};

// Where a bmpW x bmpH picture lands on the printed page: centred, one picture pixel per
// 0.01 inch. Device pixels from the page's top-left corner.
PixelRect printTargetRect(int bmpW, int bmpH, const PrinterCaps& caps);

// One frame of the print preview in a pbW x pbH paint box: the outline (the page in the
// paper view, the whole box in the wave view) and the picture's rectangle. `ok` false means
// the printer's figures or the picture cannot be shown ("Printer : set error").
struct PreviewGeometry {
    bool ok = false;
    PixelRect outline;
    PixelRect picture;
};
PreviewGeometry previewGeometry(bool paperView, int pbW, int pbH, int bmpW, int bmpH, const PrinterCaps& caps);
