#pragma once
// The cursor tools of the display for the main window: each call reads the current settings
// of the kernel (cursorScales) and writes the read-out into the status bar sbCursorMeasure.
// The logic is cursor_tool.h's.
//
// GUI thread only; needs the kernel. Buttons: 0 left (cursor A), any other right (cursor B).
// Points: display pixels, x from the left and y from the top; out-of-range points are clamped.
// measureSource: 1 rbMeasureCh1, 2 rbMeasureCh2, 3 rbMeasureMath, 0 none checked.

#include "cursor_tool.h"

#include <array>

class Environment;
class QLabel;

// Panels 0 (horizontal) and 1 (vertical) of sbCursorMeasure; a null panel is skipped.
using CursorPanels = std::array<QLabel*, 2>;

// Display mouse-down with a cursor tool (selected object 7, 8, 9).
void cursorPress(Environment& env, const CursorPanels& panels, int measureSource, int button, int x, int y);
// Display mouse-move: moves the dragged cursor (nothing without a press before).
void cursorDrag(Environment& env, const CursorPanels& panels, int measureSource, int x, int y);
// Display mouse-up: the last position, the drag ends; the read-out stays as it is.
void cursorRelease(Environment& env, int button, int x, int y);
// After a change of time/div, volt/div, a channel's on/off or the measurement radio buttons
// while a cursor tool is selected.
void updateCursorReadout(Environment& env, const CursorPanels& panels, int measureSource);
