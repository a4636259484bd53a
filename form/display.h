#pragma once
// The contract every display renderer meets. The display area is width x height pixels
// (500 x 400: 10 x 8 divisions of 50); the drawing surface has one more column and row, so
// columns 0..width and rows 0..height exist. Screen x runs right from column 0, screen y
// down from row 0. Whatever falls outside the surface is clipped.
//
// The renderer reads the kernel, Environment and the main window only through the
// DisplayContext the caller fills before a pass; it calls no kernel function itself.

#include "environment.h"
#include "table_color.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

// Values a pass draws from, filled by the caller (the acquisition cycle) before drawing, on
// the thread that draws. Trace arrays are indexed by trace type - 1: channel 1, channel 2, math,
// reference.
struct DisplayContext {
    // From the kernel facade.
    std::array<bool, 4> channelOn{}; // controlGetChannelOnOff(trace)
    // controlGetVoltageOffset(trace): the trace's ground level in display rows counted from
    // the bottom (200 = centre).
    std::array<double, 4> voltageOffset{200.0, 200.0, 200.0, 200.0};
    int triggerSource = 1;        // controlGetTriggerSource(): 1 or 2
    double triggerOffset = 200.0; // controlGetTriggerOffset(triggerSource), rows from the bottom
    bool triggerInverted = false; // controlGetInvertOnOff(triggerSource)
    // controlGetHorizontalPosition(): the trigger point's column.
    double horizontalPosition = 250.0;

    // From Environment, copied under Environment::toolStateLock.
    int selectedObject = 0;
    DisplayPoint cursorA;
    DisplayPoint cursorB;
    std::vector<LabelListName> labels;

    // Current texts of the main window's combo boxes CBVoltDivCh1, CBVoltDivCh2,
    // CBVoltDivMath, CBVoltDivRef, and cbTimeDiv.
    std::array<std::string, 4> voltDivText;
    std::string timeDivText;
};

// 7 x 7 marker glyphs, GLYPH_SIZE * GLYPH_SIZE cells, row 0 first, column 0 leftmost;
// 1 = set.
constexpr int GLYPH_SIZE = 7;
extern const unsigned char GLYPH_UP_ARROW[GLYPH_SIZE * GLYPH_SIZE];
extern const unsigned char GLYPH_DOWN_ARROW[GLYPH_SIZE * GLYPH_SIZE];
extern const unsigned char GLYPH_LEFT_ARROW[GLYPH_SIZE * GLYPH_SIZE];
extern const unsigned char GLYPH_RIGHT_ARROW[GLYPH_SIZE * GLYPH_SIZE];

// Where a glyph goes: set cell (row r, column k) lands on pixel (x + k, y + r).
struct GlyphPlacement {
    const unsigned char* glyph = nullptr;
    int x = 0;
    int y = 0;
};

// Selected objects that show the cursors (cross, horizontal, vertical).
constexpr int FIRST_CURSOR_OBJECT = 7;
constexpr int LAST_CURSOR_OBJECT = 9;

// Fixed GDI colours (0x00BBGGRR).
constexpr int GDI_GREEN = 0x00FF00;  // channel 1
constexpr int GDI_YELLOW = 0x00FFFF; // channel 2
constexpr int GDI_RED = 0x0000FF;    // math
constexpr int GDI_CYAN = 0xFFFF00;   // reference
constexpr int GDI_WHITE = 0xFFFFFF;  // time/div text
constexpr int GDI_ORANGE = 0x0080FF; // trigger position marker
constexpr int GDI_BLACK = 0x000000;

class Display {
public:
    Display() = default;
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // 1. A renderer's destructor calls its own release() first.
    virtual ~Display() = default;
    // 2. Stores the size (x_ > 0, y_ > 0, else the program ends), creates the colour table
    //    (contents to be built by the caller) and the drawing surface.
    virtual void init(int x_, int y_) = 0;
    // 3. Frees the drawing surface and the colour table.
    virtual void release() {}
    // 4. Frame always; dotted grid, centre cross with ticks and border ticks on request.
    //    `colour` is in the renderer's colour form.
    virtual void drawGrid(bool gridOn, bool crossOn, bool boundaryOn, int colour) = 0;
    // 5. Every non-zero pixel of a width x height intensity image (row-major, row 0 at the
    //    bottom, levels 1..127) in the type's colour for its level: image pixel (i, j) lands
    //    on screen (i, height - j). A null image draws nothing.
    virtual void drawChannel(int type, const unsigned char* image) = 0;
    // 6. The user text labels of the context, in list order.
    virtual void drawLabels() = 0;
    // 7. Cursor A solid and cursor B dashed, horizontal and vertical, when the selected
    //    object is a cursor tool; `source` 1..3 chooses the colour.
    virtual void drawCursors(int source) = 0;
    // 8. Full-width line at `row`; solid when `solid` is non-zero, else dashed.
    virtual void drawHorizontalLine(int colour, int row, int solid) = 0;
    // 9. Full-height line at `column`.
    virtual void drawVerticalLine(int colour, int column, int solid) = 0;
    // 10. Does nothing.
    virtual void spare() = 0;
    // 11. Fills the drawing surface black.
    virtual void clear() = 0;
    // 12. Volt/div texts of the traces that are on and the time/div text, at the foot.
    virtual void drawInfoText() = 0;
    // 13. Ground-level arrows of the traces that are on, at the left edge.
    virtual void drawChannelMarkers() = 0;
    // 14. Trigger-level arrow at the right edge.
    virtual void drawTriggerLevelMarker() = 0;
    // 15. Trigger-position arrow at the top edge.
    virtual void drawTriggerPositionMarker() = 0;

    int width() const { return d_width; }
    int height() const { return d_height; }
    int imageWidth() const { return d_imageWidth; }
    int imageHeight() const { return d_imageHeight; }
    // Null before init and after release. The caller builds it after init.
    TableColor* tableColor() { return p_tableColor.get(); }
    DisplayContext& context() { return d_context; }
    const DisplayContext& context() const { return d_context; }

protected:
    // The size part of init, after the renderer's own checks: stores the size and creates
    // the colour table.
    void initSize(int x_, int y_);
    void releaseTable() { p_tableColor.reset(); }

    // Marker geometry shared by the renderers, from the context.
    // Ground-level arrow of one trace (the right arrow, pointing into the area).
    GlyphPlacement channelMarker(int trace) const;
    GlyphPlacement triggerLevelMarker() const;
    GlyphPlacement triggerPositionMarker() const;
    // Floating-point pixel positions truncate toward zero; absurd values are held far
    // outside the surface instead of overflowing.
    static int truncToPixel(double value);

    int d_width = 0;
    int d_height = 0;
    int d_imageWidth = 0;
    int d_imageHeight = 0;
    std::unique_ptr<TableColor> p_tableColor;
    DisplayContext d_context;
};
