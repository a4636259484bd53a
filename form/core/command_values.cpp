#include "command_values.h"

#include "bounded_conversion.h"

int intensityAfterStep(double factor, int step) {
    // The factor comes from the state file, which holds any float.
    const int value = boundedInt(factor + step);
    if (value > 100) return 100;
    if (value <= 0) return 1;
    return value;
}

int nextCoupling(int coupling) { return (coupling + 1) % 3; }

int toggledSlope(int slope) {
    if (slope == 1) return 0;
    if (slope == 0) return 1;
    return slope;
}

int levelMarkerTopAfterDrag(int top, int y, int panelHeight) {
    int t = top + y - 5;
    if (t < 5) t = 5;
    if (t > panelHeight - 11) t = panelHeight - 11;
    return t;
}

int rowOfLevelMarkerTop(int top, int displayHeight) { return displayHeight - top + 5; }

int positionMarkerLeftAfterDrag(int left, int x, int panelWidth) {
    int l = left + x - 7;
    if (l < 0) l = 0;
    if (l > panelWidth - 14) l = panelWidth - 14;
    return l;
}

int measureWindowLeft(int mainLeft, int mainWidth, int measureWidth, int screenWidth) {
    return mainLeft + mainWidth + measureWidth < screenWidth ? mainLeft + mainWidth + 10 : mainLeft - measureWidth;
}
