// The state file: State's settings as INI keys. A state file may come from anywhere, so a
// value outside its key's range gives the key's default: several of these values later
// index tables, divide, or size buffers.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>
#include <type_traits>
#include <variant>

#include "ini_file.h"
#include "state.h"
#include "units.h"

namespace {

// Integer keys are checked through their exact value as a double.
using Check = bool (*)(double);

template <int lo, int hi>
bool inRange(double v) {
    return v >= lo && v <= hi;
}
bool isProbe(double v) { return isValidProbe(static_cast<int>(v)); }
bool isNonZero(double v) { return v != 0; }
bool isPositive(double v) { return v > 0; }
bool isNotNegative(double v) { return v >= 0; }
// The offset DACs divide by (factor - 1): nearer to 1 their values leave int.
bool isAmplifierFactor(double v) { return v >= 1.001; }
bool isRecordLengthMode(double v) {
    const int mode = static_cast<int>(v);
    return mode == _10K || mode == _500K;
}
bool isHardwareBufferSize(double v) { return v == 20096 || v == 1000128; }
bool isMethod(double v) {
    const int m = static_cast<int>(v);
    return m == _ETS_MODE1 || m == _ETS_MODE2 || m == _RIS || m == _REAL_TIME || m == _ROLL || m == _ROLL2 ||
           m == _ROLL3;
}
// Display rows and columns far outside the screen still truncate to a 16-bit value.
bool isPosition(double v) { return v >= -32768 && v <= 32767; }
bool isRejectMargin(double v) { return v >= 0 && v <= 0.5; }

template <class Record>
struct Key {
    const char* section;
    const char* name;
    std::variant<bool Record::*, int Record::*, float Record::*, double Record::*> field;
    double def;
    Check valid; // null: every value of the type is accepted
};

// The key of a field is its name followed by the channel number.
const Key<ChannelSettings> kChannelKeys[] = {
    {"CHANNEL", "channelOnOff", &ChannelSettings::channelOnOff, 0, nullptr},
    {"CHANNEL", "channelCoupling", &ChannelSettings::channelCoupling, _AC, inRange<_AC, _GND>},
    {"CHANNEL", "voltageDiv", &ChannelSettings::voltageDiv, _1V_DIV, inRange<_5MV_DIV, _10V_DIV>},
    {"CHANNEL", "voltageOffset", &ChannelSettings::voltageOffset, 250.0, inRange<0, 400>},
    {"CHANNEL", "probeAttenuation", &ChannelSettings::probeAttenuation, _X1, isProbe},
    {"CHANNEL", "scaleFactor", &ChannelSettings::scaleFactor, 1.0, isNonZero},
    {"CHANNEL", "channelMode", &ChannelSettings::channelMode, 0, nullptr},
    {"CHANNEL", "currentFactor", &ChannelSettings::currentFactor, 1.0, isNonZero},
    {"CHANNEL", "invertOnOff", &ChannelSettings::invertOnOff, 0, nullptr},
    {"CHANNEL", "bandwidthLimitOnOff", &ChannelSettings::bandwidthLimitOnOff, 0, nullptr},
    {"CHANNEL", "triggerOffset", &ChannelSettings::triggerOffset, 250.0, isPosition},
    {"CHANNEL", "triggerSlope", &ChannelSettings::triggerSlope, _UP_EDGE, inRange<0, 1>},
};

// In the order of the record.
const Key<State> kStateKeys[] = {
    {"TRIGGER", "triggerSource", &State::d_triggerSource, _CH1, inRange<_CH1, _CH2>},
    {"TRIGGER", "triggerMode", &State::d_triggerMode, _AUTO, inRange<_AUTO, _NORMAL>},
    {"TRIGGER", "triggerLogic", &State::d_triggerLogic, 0, nullptr},
    {"TRIGGER", "triggerPulseOnOff", &State::d_triggerPulseOnOff, 0, nullptr},
    {"TRIGGER", "triggerPulse", &State::d_triggerPulse, 0, nullptr},
    {"TRIGGER", "triggerPulseMode", &State::d_triggerPulseMode, 0, nullptr},
    {"TRIGGER", "triggerAdvanceOnOff", &State::d_triggerAdvanceOnOff, 0, nullptr},
    {"TRIGGER", "triggerHighFrequencyRejectOnOff", &State::d_triggerHighFrequencyRejectOnOff, 0, nullptr},
    {"HORIZONTAL", "delayOnOff", &State::d_delayOnOff, 0, nullptr},
    {"HORIZONTAL", "timeDiv", &State::d_timeDiv, _10US_DIV, inRange<_2NS_DIV, _100S_DIV>},
    {"HORIZONTAL", "TrevanMode", &State::d_acquisitionMode, _REAL_TIME, isMethod},
    {"HORIZONTAL", "horizontalPositionOn", &State::d_horizontalPositionOn, 250.0, isPosition},
    {"HORIZONTAL", "horizontalPositionOff", &State::d_horizontalPositionOff, 250.0, isPosition},
    {"ACQUIRE", "bufferSizeMode", &State::d_bufferSizeMode, _10K, isRecordLengthMode},
    {"ACQUIRE", "bufferSizeMax", &State::d_bufferSizeMax, _10K, isRecordLengthMode},
    {"ACQUIRE", "peakDetectionOnOff", &State::d_peakDetectionOnOff, 0, nullptr},
    {"CHANNEL", "numberOfAverage", &State::d_averageCount, 1, isPositive},
    {"ACQUIRE", "bufferSizeHardware", &State::d_bufferSizeHardware, 20096, isHardwareBufferSize},
    {"VERSION", "firmwareVersion", &State::d_firmwareVersion, 1, nullptr},
    {"VERSION", "hardwareVersion", &State::d_hardwareVersion, _HW1, inRange<_HW1, _HW4>},
    {"VERSION", "calibrationVersion", &State::d_calibrationVersion, 1, nullptr},
    {"VERSION", "FPGAVersion", &State::d_FPGAVersion, 1, nullptr},
    {"VERSION", "APIVersion", &State::d_APIVersion, 1, nullptr},
    // Line join is a switch: 0 dots, any other value vectors.
    {"DISPLAY", "lineJoinMode", &State::d_lineJoinMode, 0, nullptr},
    {"DISPLAY", "persistence", &State::d_persistence, 1, inRange<0, 16>},
    {"DISPLAY", "intensityFactor", &State::d_intensityFactor, 50.0, isNotNegative},
    {"DISPLAY", "XYPlotOnOff", &State::d_XYPlotOnOff, 0, nullptr},
    {"HARDWARE", "ADCAmpFactor", &State::d_ADCAmpFactor, 2.4, isAmplifierFactor},
    // A zero time-out would wait for ever.
    {"HARDWARE", "defaultTimeOut", &State::d_defaultTimeOut, 500, isPositive},
    {"HARDWARE", "fullSizeVoltageRange", &State::d_fullSizeVoltageRange, 1.25, nullptr},
    {"MATH", "mathSource1", &State::d_mathSource1, _CH1, inRange<_CH1, _REFERENCE>},
    {"MATH", "mathSource2", &State::d_mathSource2, _CH2, inRange<_CH1, _REFERENCE>},
    {"MATH", "mathOperation", &State::d_mathOperation, _ADD, inRange<_ADD, _DIVIDE>},
    {"ETS", "ETSRejectMargin", &State::d_ETSRejectMargin, 0.03, isRejectMargin},
    {"ETS", "ETSOffsetMargin", &State::d_ETSOffsetMargin, 0, nullptr},
    {"ETS", "ETSOnOff", &State::d_ETSOnOff, 1, nullptr},
};

template <class Record>
void readKey(const IniFile& ini, const Key<Record>& key, const std::string& name, Record& record) {
    std::visit(
        [&](auto member) {
            using T = std::remove_reference_t<decltype(record.*member)>;
            if constexpr (std::is_same_v<T, bool>) {
                record.*member = ini.readBool(key.section, name, key.def != 0);
            } else if constexpr (std::is_same_v<T, int>) {
                const int value = ini.readInteger(key.section, name, static_cast<int>(key.def));
                const bool ok = !key.valid || key.valid(value);
                record.*member = ok ? value : static_cast<int>(key.def);
            } else {
                const double value = ini.readFloat(key.section, name, key.def);
                bool ok = std::isfinite(value) && (!key.valid || key.valid(value));
                if constexpr (std::is_same_v<T, float>) ok = ok && std::fabs(value) <= FLT_MAX;
                record.*member = static_cast<T>(ok ? value : key.def);
            }
        },
        key.field);
}

template <class Record>
void writeKey(IniFile& ini, const Key<Record>& key, const std::string& name, const Record& record) {
    std::visit(
        [&](auto member) {
            using T = std::remove_cvref_t<decltype(record.*member)>;
            if constexpr (std::is_same_v<T, bool>)
                ini.writeBool(key.section, name, record.*member);
            else if constexpr (std::is_same_v<T, int>)
                ini.writeInteger(key.section, name, record.*member);
            else
                ini.writeFloat(key.section, name, static_cast<double>(record.*member));
        },
        key.field);
}

int channelsInFile(int channelCount_) { return std::clamp(channelCount_, 0, NUMBER_OF_CHANNELS - 1); }

} // namespace

bool State::readIni(const std::string& path, int channelCount_, std::string* why) {
    const IniFile ini(path);
    bool anyKey = false;
    for (int ch = _CH1; ch <= channelsInFile(NUMBER_OF_CHANNELS); ++ch)
        for (const Key<ChannelSettings>& key : kChannelKeys) {
            const std::string name = key.name + std::to_string(ch);
            anyKey = anyKey || ini.valueExists(key.section, name);
            if (ch <= channelsInFile(channelCount_)) readKey(ini, key, name, d_channel[ch]);
        }
    for (const Key<State>& key : kStateKeys) {
        anyKey = anyKey || ini.valueExists(key.section, key.name);
        readKey(ini, key, key.name, *this);
    }

    // A level beyond the screen has no marker to drag it back with.
    for (int ch = _CH1; ch <= channelsInFile(channelCount_); ++ch)
        d_channel[ch].triggerOffset = std::clamp(d_channel[ch].triggerOffset, 0.0, 400.0);
    // Each history record of the average is a whole record: keep to the mode's maximum.
    if (d_averageCount > (d_bufferSizeMode == _500K ? 16 : 128)) d_averageCount = 1;

    deriveAll();
    // Junk or a picture holds none of the keys: no state file, though every key took its default.
    if (ini.readError() == 0 && anyKey) return true;
    if (why) *why = ini.readError() != 0 ? readErrorText(ini.readError()) : "it holds no known key";
    return false;
}

bool State::writeIni(const std::string& path, int channelCount_, std::string* error) const {
    IniFile ini(path);
    // Saving over a file that could not be read would lose its other keys.
    if (!ini.loadedOk()) {
        if (error) *error = ini.error() + "; it is kept as it is";
        return false;
    }
    for (int ch = _CH1; ch <= channelsInFile(channelCount_); ++ch)
        for (const Key<ChannelSettings>& key : kChannelKeys)
            writeKey(ini, key, key.name + std::to_string(ch), d_channel[ch]);
    for (const Key<State>& key : kStateKeys) writeKey(ini, key, key.name, *this);
    if (ini.save()) return true;
    if (error) *error = ini.error();
    return false;
}
