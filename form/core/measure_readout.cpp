#include "measure_readout.h"

#include "text_format.h"

#include <cmath>

const std::array<std::string_view, kMeasureSlots> measureLongNames = {
    "Minimum",
    "Maximum",
    "Base",
    "Top",
    "Lower",
    "Middle",
    "Upper",
    "P to P",
    "Amplitude",
    "Mean",
    "RMS",
    "Cycle Mean",
    "Cycle RMS",
    "P-Overshoot",
    "N-Overshoot",
    "Period",
    "Rise Time",
    "Fall Time",
    "P-Pulse width",
    "N-Pulse width",
    "Frequency",
    "Positive Duty Cycle",
    "Negative Duty Cycle",
};

const std::array<std::string_view, kMeasureSlots> measureShortNames = {
    "Min",  "Max",   "Base",  "Top",    "Low",  "Mid",  "Up",     "P-P",    "Amp",  "Mean",  "RMS",   "cMean",
    "cRMS", "pOver", "nOver", "Period", "Rise", "Fall", "pWidth", "nWidth", "Freq", "pDuty", "nDuty",
};

namespace {

std::string number(double v) { return formatGeneral(v, 4, 2); }

// `separator` goes between the number and the unit: nothing on the labels, a comma in the file.
std::string formatWithUnit(double v, int slot, const char* separator) {
    const std::string sep = separator;
    const double a = std::fabs(v);
    if (slot >= _MEASURE_MINIMUM && slot <= _MEASURE_N_OVERSHOOT) {
        if (a >= 1000) return number(v * 0.001) + sep + "KV";
        if (a >= 1) return number(v) + sep + "V";
        return number(v * 1000) + sep + "mV";
    }
    if (slot >= _MEASURE_PERIOD && slot <= _MEASURE_N_PULSE_WIDTH) {
        if (a >= 1) return number(v) + sep + "s";
        if (a >= 0.001) return number(v * 1000) + sep + "ms";
        if (a >= 1e-6) return number(v * 1e6) + sep + "us";
        if (a >= 1e-9) return number(v * 1e9) + sep + "ns";
        return ""; // below a nanosecond nothing is shown, not even the number
    }
    if (slot == _MEASURE_FREQUENCY) {
        if (v >= 1e6) return number(v * 1e-6) + sep + "MHz";
        if (v >= 1000) return number(v * 0.001) + sep + "KHz";
        return number(v) + sep + "Hz";
    }
    if (slot == _MEASURE_P_DUTY_CYCLE || slot == _MEASURE_N_DUTY_CYCLE) return number(v) + sep + "%";
    return "";
}

} // namespace

std::string formatMeasureValue(double v, int slot) { return formatWithUnit(v, slot, ""); }

std::string formatMeasureCsvValue(double v, int slot) { return formatWithUnit(v, slot, ","); }
