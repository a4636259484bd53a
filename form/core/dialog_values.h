#pragma once
// How the small settings dialogs read and check what was typed, without a widget.

#include <optional>
#include <string>
#include <string_view>

// An integer as a dialog reads it: blanks around it, an optional sign and decimal digits that
// fit an int. Anything else gives no value.
std::optional<int> parseDialogInteger(std::string_view text);

// The average count of the average dialog's box, checked against the mode's maximum:
// not an integer, above `maximum` or below 1 gives 1 with the warning to show; otherwise the
// number with no warning.
struct AverageChoice {
    int count = 1;
    std::string warning;
};
AverageChoice checkAverageCount(std::string_view text, int maximum);

// A measurement level in percent, clamped to 0..100.
int clampLevel(int percent);

// The status line of a calibration that failed: what failed (`what`), then the newest message
// of the kernel's error text ("Error : <message>" lines, newest first), or `what` alone.
std::string calibrationFailureStatus(std::string_view what, std::string_view errorText);
