#include "advanced_trigger_choice.h"

#include "codes.h"
#include "dialog_values.h"
#include "ini_file.h"

#include <cmath>
#include <optional>

namespace {

constexpr const char* kSection = "AdvancedTrigger";
constexpr long long kInstrumentDelayTicks = 100; // generations 3, 4
// 167.77215 ms must give 16777215 ticks whatever the last bit of the product.
constexpr double kRounding = 1e-6;

double nanosecondsPer(TimeUnit unit) {
    switch (unit) {
    case TimeUnit::Nanoseconds:
        return 1.0;
    case TimeUnit::Microseconds:
        return 1e3;
    case TimeUnit::Milliseconds:
        return 1e6;
    }
    return 1.0;
}

// Whole 10 ns ticks of a typed time; nothing for text that is no finite number.
std::optional<long long> ticksOf(std::string_view text, TimeUnit unit, double* value) {
    double v = 0;
    if (!IniFile::parseDouble(std::string(text), v) || !std::isfinite(v)) return std::nullopt;
    *value = v;
    const double ticks = v * nanosecondsPer(unit) / 10.0;
    if (ticks < 0 || ticks > 1e12) return -1;
    return static_cast<long long>(ticks + kRounding);
}

long long ticksOf(double value, TimeUnit unit) {
    return static_cast<long long>(value * nanosecondsPer(unit) / 10.0 + kRounding);
}

long long delayTicksMin(int hw) {
    return hw >= _HW3 ? kInstrumentDelayTicks : 1;
}
long long delayTicksMax(int hw) {
    return hw >= _HW3 ? AdvancedTriggerChoice::MAX_TICKS + kInstrumentDelayTicks
                      : AdvancedTriggerChoice::MAX_TICKS;
}

// Edge condition of a channel as r1/r2 read it: 1 selects slope 0, 2 slope 1.
signed char edgeCode(int slope) {
    return slope == 0 ? 1 : 2;
}
// Logic condition as r1 mod 3 (truncated) gives it back: -1, 0 or 1.
signed char logicCode(int condition) {
    return condition == 0 ? 3 : static_cast<signed char>(condition);
}

TimeUnit unitOf(int code, TimeUnit def) {
    return code >= 0 && code <= 2 ? static_cast<TimeUnit>(code) : def;
}

int inRange(int value, int low, int high, int def) {
    return value >= low && value <= high ? value : def;
}

} // namespace

const char* logicKindName(int kind) {
    static const char* const names[AdvancedTriggerChoice::LOGIC_KINDS] = {
        "CH1 edge while CH2 holds its level",
        "CH2 edge while CH1 holds its level",
        "Both become true (AND)",
        "Either becomes true (OR)",
        "Not both true any more (NAND)",
        "Neither true any more (NOR)"};
    return kind >= 0 && kind < AdvancedTriggerChoice::LOGIC_KINDS ? names[kind] : "";
}

const char* logicRegisterKindName(int kind) {
    static const char* const names[3] = {"Not sent (left as it is)", "Logic condition starts the delay",
                                         "Logic condition is the counted event"};
    return kind >= 0 && kind < 3 ? names[kind] : "";
}

const char* timeUnitName(TimeUnit unit) {
    switch (unit) {
    case TimeUnit::Nanoseconds:
        return "ns";
    case TimeUnit::Microseconds:
        return "us";
    case TimeUnit::Milliseconds:
        return "ms";
    }
    return "";
}

std::string pulseWidthRange() {
    return "10 ns to 167.77 ms";
}

std::string delayRange(int hardwareVersion) {
    return hardwareVersion >= _HW3 ? "1 us to 167.77 ms" : "10 ns to 167.77 ms";
}

void seedEdge(AdvancedTriggerChoice& choice, signed char seedCh1, signed char seedCh2) {
    if (seedCh1 > 0) {
        choice.edgeSource = _CH1;
        choice.edgeSlope = seedCh1 == 1 ? 0 : 1;
    } else if (seedCh2 > 0) {
        choice.edgeSource = _CH2;
        choice.edgeSlope = seedCh2 == 1 ? 0 : 1;
    } else {
        choice.edgeSource = 0;
        choice.edgeSlope = 1;
    }
}

AdvancedTriggerChoice openingChoice(const AdvancedTriggerChoice& kept, bool advancedOn,
                                    signed char seedCh1, signed char seedCh2) {
    AdvancedTriggerChoice c = kept;
    seedEdge(c, seedCh1, seedCh2);
    if (!advancedOn) {
        c.logicOn = false;
        c.pulseOn = false;
        c.countedKind = 0;
        c.page = AdvancedTriggerChoice::EdgePage;
    }
    return c;
}

std::string takeTypedNumbers(AdvancedTriggerChoice& c, std::string_view pulseWidth,
                             std::string_view delay, std::string_view eventCount, int hw) {
    double value = 0;
    const std::optional<long long> width = ticksOf(pulseWidth, c.pulseUnit, &value);
    if (width) c.pulseWidth = value;
    if (c.pulseOn && (!width || *width < 1 || *width > AdvancedTriggerChoice::MAX_TICKS))
        return "The pulse width must be a number from " + pulseWidthRange() + ".";

    const std::optional<long long> wait = ticksOf(delay, c.delayUnit, &value);
    if (wait) c.delay = value;
    if (c.countedKind == 1 && (!wait || *wait < delayTicksMin(hw) || *wait > delayTicksMax(hw)))
        return "The delay must be a number from " + delayRange(hw) + ".";

    const std::optional<int> count = parseDialogInteger(eventCount);
    if (count) c.eventCount = *count;
    if (c.countedKind == 2 && (!count || *count < 1 || *count > AdvancedTriggerChoice::MAX_TICKS))
        return "The event count must be a whole number from 1 to " +
               std::to_string(AdvancedTriggerChoice::MAX_TICKS) + ".";
    return "";
}

std::string checkChoice(const AdvancedTriggerChoice& c) {
    if (c.logicOn && c.logicCondition[0] == AdvancedTriggerChoice::DONT_CARE &&
        c.logicCondition[1] == AdvancedTriggerChoice::DONT_CARE)
        return "A logic trigger needs a condition on at least one channel.";
    return "";
}

AdvancedTriggerResults resultsOf(const AdvancedTriggerChoice& c) {
    AdvancedTriggerResults r;
    if (c.logicOn) {
        r.r1 = logicCode(c.logicCondition[0]);
        r.r2 = logicCode(c.logicCondition[1]);
        r.r5 = static_cast<signed char>(c.logicKind + 1);
    } else if (c.edgeSource == _CH1) {
        r.r1 = edgeCode(c.edgeSlope);
    } else {
        // Channel 2, or no source: the kernel takes the slope from r2 when r1 is 0.
        r.r2 = edgeCode(c.edgeSlope);
    }
    if (c.pulseOn) {
        r.r6 = c.pulseLonger ? 1 : 2; // odd: longer than
        r.widthValue = static_cast<int>(ticksOf(c.pulseWidth, c.pulseUnit) * 10);
    }
    r.r7 = static_cast<signed char>(c.countedKind);
    if (c.countedKind == 1) r.countValue = static_cast<int>(ticksOf(c.delay, c.delayUnit) * 10);
    if (c.countedKind == 2) r.countValue = c.eventCount;
    if (c.countedKind != 0 && c.logicRegisterKind != 0) {
        r.r3 = static_cast<signed char>(c.logicRegisterKind);
        r.r4 = c.logicRegisterOn ? 2 : 1;
    }
    return r;
}

AdvancedTriggerChoice loadAdvancedTriggerChoice(const std::string& path) {
    const IniFile ini(path);
    const AdvancedTriggerChoice d;
    AdvancedTriggerChoice c;
    auto integer = [&](const char* key, int low, int high, int def) {
        return inRange(ini.readInteger(kSection, key, def), low, high, def);
    };
    auto flag = [&](const char* key, bool def) { return integer(key, 0, 1, def ? 1 : 0) != 0; };
    auto time = [&](const char* key, double def) {
        const double v = ini.readFloat(kSection, key, def);
        return std::isfinite(v) && v >= 0 ? v : def;
    };
    c.page = integer("Page", 0, 3, d.page);
    c.logicOn = flag("LogicOn", d.logicOn);
    c.logicCondition[0] = integer("LogicCh1", -1, 1, d.logicCondition[0]);
    c.logicCondition[1] = integer("LogicCh2", -1, 1, d.logicCondition[1]);
    c.logicKind = integer("LogicKind", 0, AdvancedTriggerChoice::LOGIC_KINDS - 1, d.logicKind);
    c.pulseOn = flag("PulseOn", d.pulseOn);
    c.pulseLonger = flag("PulseLonger", d.pulseLonger);
    c.pulseWidth = time("PulseWidth", d.pulseWidth);
    c.pulseUnit = unitOf(ini.readInteger(kSection, "PulseUnit", -1), d.pulseUnit);
    c.countedKind = integer("CountedKind", 0, 2, d.countedKind);
    c.delay = time("Delay", d.delay);
    c.delayUnit = unitOf(ini.readInteger(kSection, "DelayUnit", -1), d.delayUnit);
    c.eventCount = integer("EventCount", 1, AdvancedTriggerChoice::MAX_TICKS, d.eventCount);
    c.logicRegisterKind = integer("LogicRegisterKind", 0, 2, d.logicRegisterKind);
    c.logicRegisterOn = flag("LogicRegisterOn", d.logicRegisterOn);
    // A kept setting the instrument cannot take is not offered again.
    if (c.pulseOn && (ticksOf(c.pulseWidth, c.pulseUnit) < 1 ||
                      ticksOf(c.pulseWidth, c.pulseUnit) > AdvancedTriggerChoice::MAX_TICKS)) {
        c.pulseWidth = d.pulseWidth;
        c.pulseUnit = d.pulseUnit;
    }
    if (!checkChoice(c).empty()) c.logicCondition[0] = d.logicCondition[0];
    return c;
}

bool saveAdvancedTriggerChoice(const std::string& path, const AdvancedTriggerChoice& c,
                               std::string* error) {
    IniFile ini(path);
    ini.writeInteger(kSection, "Page", c.page);
    ini.writeBool(kSection, "LogicOn", c.logicOn);
    ini.writeInteger(kSection, "LogicCh1", c.logicCondition[0]);
    ini.writeInteger(kSection, "LogicCh2", c.logicCondition[1]);
    ini.writeInteger(kSection, "LogicKind", c.logicKind);
    ini.writeBool(kSection, "PulseOn", c.pulseOn);
    ini.writeBool(kSection, "PulseLonger", c.pulseLonger);
    ini.writeFloat(kSection, "PulseWidth", c.pulseWidth);
    ini.writeInteger(kSection, "PulseUnit", static_cast<int>(c.pulseUnit));
    ini.writeInteger(kSection, "CountedKind", c.countedKind);
    ini.writeFloat(kSection, "Delay", c.delay);
    ini.writeInteger(kSection, "DelayUnit", static_cast<int>(c.delayUnit));
    ini.writeInteger(kSection, "EventCount", c.eventCount);
    ini.writeInteger(kSection, "LogicRegisterKind", c.logicRegisterKind);
    ini.writeBool(kSection, "LogicRegisterOn", c.logicRegisterOn);
    if (ini.save()) return true;
    if (error) *error = ini.error();
    return false;
}
