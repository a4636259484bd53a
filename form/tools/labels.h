#pragma once
// The label tool of the display for the main window and TFormLabel: a press opens the dialog
// or starts a drag, Enter in the dialog adds or edits, its buttons close or delete. Moving and
// emptying the list are label_tool.h's moveLabel and deleteAllLabels.
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

// A key in the dialog's text box. Enter (Qt::Key_Return or Qt::Key_Enter) adds the new label
// (nothing when 12 exist) or applies the edit, and hides the dialog; other keys do nothing.
void labelTextKeyDown(Environment& env, TFormLabel& dialog, int key);
