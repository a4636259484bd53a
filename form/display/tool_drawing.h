#pragma once
// Drawing of the display's mouse tools shared by the renderers: where the cursor lines (and the
// dragged trigger-level line) lie, and the label texts. The renderers put the pixels on their
// own surfaces; this unit only says which.
//
// Surface pixels: columns 0..width and rows 0..height (the surface is one larger than the
// area), x to the right, y down. Whatever lies outside a surface is the renderer's to clip.

#include "environment.h"

#include <QColor>

#include <array>
#include <string>
#include <vector>

class QPainter;

// Dashed lines: runs of DASH_LENGTH pixels starting every DASH_PERIOD (gaps of 4).
constexpr int DASH_LENGTH = 5;
constexpr int DASH_PERIOD = 9;

// How a renderer places its lines. Gdi: a solid line one pixel below (right of) the given row
// (column), a dashed horizontal line two rows below, a dashed vertical line on its column with
// the dashes counted up from the bottom row. Surface: every line on the given row or column,
// the dashes counted from column 0 or row 0.
enum class LinePlacement { Gdi, Surface };

// One full-width or full-height line. Its pixels along the line are given by forEachLineRun.
struct ToolLine {
    bool horizontal = true; // along a row (true) or down a column
    int at = 0;             // that row or column
    bool solid = true;
    int length = 0;             // a solid line covers 0 .. length - 1
    bool dashesFromEnd = false; // dash k covers length - 9k - 4 .. length - 9k
};

// The line a renderer draws for drawHorizontalLine(row) / drawVerticalLine(column) on a
// width x height area. Positions far outside any surface are held outside it.
ToolLine horizontalToolLine(LinePlacement placement, int row, bool solid, int width);
ToolLine verticalToolLine(LinePlacement placement, int column, bool solid, int height);

// Calls run(first, last) for each run of pixels along the line, both ends included; not
// clipped.
template <class Run>
void forEachLineRun(const ToolLine& line, Run&& run) {
    if (line.solid) {
        run(0, line.length - 1);
        return;
    }
    for (int s = 0; s < line.length; s += DASH_PERIOD) {
        if (line.dashesFromEnd)
            run(line.length - s - (DASH_LENGTH - 1), line.length - s);
        else
            run(s, s + DASH_LENGTH - 1);
    }
}

// The selected objects 7, 8 and 9 (cross, horizontal and vertical cursors) show the cursors.
bool cursorsShown(int selectedObject);

// One of the four cursor lines: drawHorizontalLine / drawVerticalLine(colour, position, solid).
struct CursorLine {
    bool horizontal = true;
    int position = 0;
    bool solid = true;
};
// In drawing order, the same in every cursor mode: A's row solid, B's row dashed, A's column
// solid, B's column dashed.
std::array<CursorLine, 4> cursorLines(const DisplayPoint& a, const DisplayPoint& b);

// A GDI colour value (0x00BBGGRR) as a Qt colour.
QColor gdiColor(int colour);

// Text drawing on a QPainter of a surface: beginToolText sets the font and the opaque
// background; drawOpaqueText puts a text with its cell's top-left corner at (x, y) as GDI
// places it.
void beginToolText(QPainter& painter);
void drawOpaqueText(QPainter& painter, int x, int y, const std::string& text, int textColour, int background);
// Every label, in list order, at its x and y in its colours.
void drawLabelTexts(QPainter& painter, const std::vector<LabelListName>& labels);
