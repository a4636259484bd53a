#pragma once
// What the main window's own commands work out before they call the action unit: the
// intensity steps, the coupling and slope cycles, and where a dragged marker goes.

// Intensity after "+" (step 10) or "_" (step -10): the factor plus the step, truncated; at
// most 100, and 1 where it would be 0 or less.
int intensityAfterStep(double factor, int step);

// AC (0) -> DC (1) -> GND (2) -> AC.
int nextCoupling(int coupling);
// Slope 1 -> 0, 0 -> 1, any other value unchanged.
int toggledSlope(int slope);

// Offset or trigger-level marker dragged by `y` pixels within its image: Top + y - 5, held
// at 5 above and at panelHeight - 11 below.
int levelMarkerTopAfterDrag(int top, int y, int panelHeight);
// The display row under a level marker's Top (Top 5 is the top row, `displayHeight`).
int rowOfLevelMarkerTop(int top, int displayHeight);
// Left edge (screen pixels) of the measurement window shown beside the main window: 10 to the
// right of it where the window then ends left of the screen's right edge, else ending at the
// main window's left edge.
int measureWindowLeft(int mainLeft, int mainWidth, int measureWidth, int screenWidth);
// Position marker dragged by `x` pixels within its image: Left + x - 7, held at 0 and at
// panelWidth - 14.
int positionMarkerLeftAfterDrag(int left, int x, int panelWidth);
