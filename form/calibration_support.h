#pragma once
// What the zero-calibration window uses of the main window while a calibration runs on the
// GUI thread: a plain information box, and its own progress bar and status label brought up
// to date at once (the calibration lets no paint event through until it ends).

#include <string>

class QLabel;
class QProgressBar;

// A modal information box with an OK button only.
void showInformationMessage(const std::string& text);

// The calibration window registers its progress bar (pbCalib) and status label (lbCalib);
// null for either: none. A control that is destroyed is forgotten.
void setCalibrationControls(QProgressBar* progress, QLabel* status);
// Sets the progress bar's position and repaints the window; nothing without a bar.
void setCalibrationProgress(int position);
// Sets the status label's caption and repaints the window; nothing without a label.
void setCalibrationStatus(const std::string& text);
