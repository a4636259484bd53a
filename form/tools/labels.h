#pragma once
// The label tool of the display for the main window: a press opens the dialog (form_label.h,
// which adds, edits and deletes) or starts a drag. Moving and emptying the list are
// label_tool.h's moveLabel and deleteAllLabels.
//
// GUI thread only. Buttons: 0 left, any other right. Points: display pixels, x from the left
// and y from the top.

#include "label_tool.h"

class Environment;
class TFormLabel;

// Display press with the label tool (selected object 6). Left on empty space: the dialog for a
// new label ("Close"); left on a label: starts its drag (the main window then calls
// moveLabel(env, env.selectedLabel, x, y) on mouse moves while cursorDragging, and clears
// cursorDragging on release); right on a label: the dialog to edit it ("Edit").
void labelMouseDown(Environment& env, TFormLabel& dialog, int button, int x, int y);

// Fills the dialog from label `index`, or with white on black and no text for -1.
void loadLabelDialog(const Environment& env, TFormLabel& dialog, int index);
