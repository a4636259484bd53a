#pragma once
// The user's text labels on the display (selected object 6): at most MAX_LABELS coloured
// texts in Environment::labelList, oldest first. Positions are display pixels, x from the left
// and y from the top; a label's box is 15 pixels per character wide and 15 high.
//
// GUI thread only. Changes of the list are made under Environment::toolStateLock, which these
// functions take themselves (the caller must not hold it). An index that names no label is
// ignored everywhere.

#include <string>

class Environment;

// What the label dialog shows and gives back. Colours are 0x00BBGGRR values.
struct LabelDialogValues {
    int textColor = 0xFFFFFF;
    int backgroundColor = 0x000000;
    std::string text; // UTF-8
};

// 15 x the number of characters of a UTF-8 text.
int labelWidth(const std::string& text);

// Index of the first label (oldest first) whose box holds (x, y) strictly inside: its border
// does not hit, nor does a label of width 0. -1 when none.
int findLabel(const Environment& env, int x, int y);

// What a press of the label tool asks of the dialog.
enum class LabelDialogRequest {
    None,     // nothing to show (a drag may have started)
    NewLabel, // show it empty for a new label ("Close")
    EditLabel // show it with the values of label selectedLabel ("Edit")
};
// Press of `button` (0 left, any other right) at (x, y): records the point in labelPressPoint
// and the label under it in selectedLabel. Left on a label starts its drag (cursorDragging);
// left on empty space asks for a new label; right on a label asks to edit it.
LabelDialogRequest labelPress(Environment& env, int button, int x, int y);

// Drag step: moves the label by the way from labelPressPoint to (x, y), which becomes the new
// labelPressPoint. Not clamped: a label may leave the display and stays in the list.
void moveLabel(Environment& env, int index, int x, int y);

// The dialog's values for a label, or the defaults (white on black, no text) for -1.
LabelDialogValues labelDialogValues(const Environment& env, int index);

// Appends a label at labelPressPoint. false (nothing added) when MAX_LABELS exist.
bool addLabel(Environment& env, const LabelDialogValues& values);
// The label takes the colours, the text and its width; it keeps its place.
bool editLabel(Environment& env, int index, const LabelDialogValues& values);
bool deleteLabel(Environment& env, int index);
void deleteAllLabels(Environment& env);
