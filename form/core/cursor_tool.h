#pragma once
// The two measurement cursors of the display: where a press, a drag and a release of the
// cross (selected object 7), horizontal (8) and vertical (9) cursor tools put them, and their
// read-out texts. Cursor A follows the left mouse button, cursor B the right one.
//
// Points are display pixels: x 0..width from the left, y 0..height from the top (500 x 400).
// Read-outs count rows from the bottom (row = height - y); one pixel is 0.02 division.
// GUI thread only. Changes of the points are made under Environment::toolStateLock, which
// these functions take themselves (the caller must not hold it).

#include <optional>
#include <string>

class Environment;

// The settings the read-outs use. cursorScales() reads them from the kernel.
struct CursorScales {
    int width = 500;  // controlGetDisplayWidth
    int height = 400; // controlGetDisplayHeight
    // Measured trace: 1 channel 1, 2 channel 2, 3 math (the main window's measurement radio
    // buttons); 0 when none is selected, which empties the voltage texts.
    int channel = 1;
    double voltageOffset = 200.0; // controlGetVoltageOffset(channel): rows from the bottom
    // controlGetInvertOnOff(channel) of channel 1 or 2: the trace and its zero line are drawn
    // mirrored (the kernel mirrors only the two inputs' records, never the math trace).
    bool inverted = false;
    int probe = 1;                     // controlGetProbeAttenuation(channel): 1, 10, 100, 1000
    int voltDiv = 7;                   // controlGetVoltageDiv(channel): 0 (5 mV) .. 10 (10 V)
    int timeDiv = 17;                  // controlGetTimeDiv: 0 (2 ns) .. 29 (10 s)
    double horizontalPosition = 250.0; // controlGetHorizontalPosition: the trigger point's column
};

// The current settings of the kernel (facade) for `measureSource` 0..3 as above. Needs the
// kernel.
CursorScales cursorScales(int measureSource);

// Texts of panel 0 (horizontal, time) and panel 1 (vertical, voltage) of the main window's
// status bar sbCursorMeasure.
struct CursorReadout {
    std::string horizontal;
    std::string vertical;
};

// Voltage between rows (or y values) a and b at the measured trace's probe and volt/div:
// "V" from 1 V, else millivolts with "mV" (0 reads "0mV"); empty without a measured trace.
std::string formatCursorVoltage(const CursorScales& scales, int a, int b);
// Time between columns a and b at `timeDiv`: "s" from 1 s (and for 0), else "ms", "us", "ns";
// empty below 1 ns.
std::string formatCursorTime(int timeDiv, int a, int b);
// Frequency of a period dt seconds (0 for dt = 0): "MHz" from 1 MHz, "kHz" from 1 kHz, else "Hz".
std::string formatCursorFrequency(double dt);
// Numbers of the three: general format, 3 significant digits, unit appended without a blank.

// Press of `button` (0 left, any other right) at (x, y), clamped to the display: starts a
// drag of cursor A (left) or B (right); the cross cursor puts A at the point, the horizontal
// cursors take its y, the vertical cursors its x. Returns the read-out of cursor A.
CursorReadout cursorPress(Environment& env, const CursorScales& scales, int button, int x, int y);
// Drag step: only while a press has started a drag (else nothing, nullopt). The cross cursor
// puts B at the point (A stays at the pressed point); the others move the pressed cursor.
// Returns the read-out of the pair.
std::optional<CursorReadout> cursorDrag(Environment& env, const CursorScales& scales, int x, int y);
// Release: while dragging, the same store as a drag step (no read-out); then the drag ends.
void cursorRelease(Environment& env, const CursorScales& scales, int x, int y);

// Rewrites cursor A's texts (Environment::verticalReadoutText, horizontalReadoutText) and
// returns them: its voltage against the trace's zero line as drawn and its time against the
// trigger point.
CursorReadout updateCursorAReadout(Environment& env, const CursorScales& scales);
// The read-out of the pair: cursor A's texts (rewritten first when A is the active cursor)
// followed by the differences ", d=" and, for time, the frequency ", f=".
CursorReadout updateCursorReadout(Environment& env, const CursorScales& scales);
