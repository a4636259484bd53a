#include "advanced_trigger_choice.h"

#include "bounded_conversion.h"
#include "codes.h"
#include "dialog_values.h"
#include "ini_file.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr const char* kSection = "AdvancedTrigger";
constexpr long long kInstrumentDelayTicks = 100; // generations 3, 4
// 167.77215 ms must give 16777215 ticks whatever the last bit of the product.
constexpr double kRounding = 1e-6;

double nanosecondsPer(TimeUnit unit) {
    switch (unit) {
    case TimeUnit::Nanoseconds: return 1.0;
    case TimeUnit::Microseconds: return 1e3;
    case TimeUnit::Milliseconds: return 1e6;
    }
    return 1.0;
}

// Whole 10 ns ticks of a time, for any value: a negative one, NaN or one beyond every
// register gives -1, which every check refuses.
long long ticksOf(double value, TimeUnit unit) {
    const double ticks = value * nanosecondsPer(unit) / 10.0;
    if (!(ticks >= 0) || ticks > 1e12) return -1;
    return boundedTruncation<long long>(ticks + kRounding, 0, 1000000000000LL, -1);
}

// The typed time read, nothing for text that is no finite number.
std::optional<double> timeOf(std::string_view text) {
    double v = 0;
    if (!IniFile::parseDouble(std::string(text), v) || !std::isfinite(v)) return std::nullopt;
    return v;
}

long long delayTicksMin(int hw) { return hw >= _HW3 ? kInstrumentDelayTicks : 1; }
long long delayTicksMax(int hw) {
    return hw >= _HW3 ? AdvancedTriggerChoice::MAX_TICKS + kInstrumentDelayTicks : AdvancedTriggerChoice::MAX_TICKS;
}

// Edge condition of a channel as r1/r2 read it: 1 selects slope 0, 2 slope 1.
signed char edgeCode(int slope) { return slope == 0 ? 1 : 2; }
// Logic condition as r1 mod 3 (truncated) gives it back: -1, 0 or 1.
signed char logicCode(int condition) { return condition == 0 ? 3 : static_cast<signed char>(condition); }

TimeUnit unitOf(int code, TimeUnit def) { return code >= 0 && code <= 2 ? static_cast<TimeUnit>(code) : def; }

int inRange(int value, int low, int high, int def) { return value >= low && value <= high ? value : def; }

// The checks of the three numbers, the same for typed and for kept values.
bool widthAccepted(double width, TimeUnit unit) {
    const long long ticks = ticksOf(width, unit);
    return ticks >= 1 && ticks <= AdvancedTriggerChoice::MAX_TICKS;
}
bool delayAccepted(double delay, TimeUnit unit, int hw) {
    const long long ticks = ticksOf(delay, unit);
    return ticks >= delayTicksMin(hw) && ticks <= delayTicksMax(hw);
}
bool countAccepted(int count) { return count >= 1 && count <= AdvancedTriggerChoice::MAX_TICKS; }

} // namespace

const char* logicKindName(int kind) {
    static const char* const names[AdvancedTriggerChoice::LOGIC_KINDS] = {
        "CH1 edge while CH2 holds its level", "CH2 edge while CH1 holds its level", "Both become true (AND)",
        "Either becomes true (OR)",           "Not both true any more (NAND)",      "Neither true any more (NOR)"};
    return kind >= 0 && kind < AdvancedTriggerChoice::LOGIC_KINDS ? names[kind] : "";
}

const char* logicRegisterKindName(int kind) {
    static const char* const names[3] = {"Not sent (left as it is)", "Logic condition starts the delay",
                                         "Logic condition is the counted event"};
    return kind >= 0 && kind < 3 ? names[kind] : "";
}

const char* timeUnitName(TimeUnit unit) {
    switch (unit) {
    case TimeUnit::Nanoseconds: return "ns";
    case TimeUnit::Microseconds: return "us";
    case TimeUnit::Milliseconds: return "ms";
    }
    return "";
}

std::string pulseWidthRange() { return "10 ns to 167.77 ms"; }

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

AdvancedTriggerChoice openingChoice(const AdvancedTriggerChoice& kept, bool advancedOn, signed char seedCh1,
                                    signed char seedCh2) {
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

std::string takeTypedNumbers(AdvancedTriggerChoice& c, std::string_view pulseWidth, std::string_view delay,
                             std::string_view eventCount, int hw) {
    const std::optional<double> width = timeOf(pulseWidth);
    if (width) c.pulseWidth = *width;
    if (c.pulseOn && (!width || !widthAccepted(*width, c.pulseUnit)))
        return "The pulse width must be a number from " + pulseWidthRange() + ".";

    const std::optional<double> wait = timeOf(delay);
    if (wait) c.delay = *wait;
    if (c.countedKind == 1 && (!wait || !delayAccepted(*wait, c.delayUnit, hw)))
        return "The delay must be a number from " + delayRange(hw) + ".";

    const std::optional<int> count = parseDialogInteger(eventCount);
    if (count) c.eventCount = *count;
    if (c.countedKind == 2 && (!count || !countAccepted(*count)))
        return "The event count must be a whole number from 1 to " + std::to_string(AdvancedTriggerChoice::MAX_TICKS) +
               ".";
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
    // Every value is held to its register whatever the choice holds: the instrument takes
    // whatever bits it is sent.
    if (c.logicOn) {
        r.r1 = logicCode(std::clamp(c.logicCondition[0], -1, 1));
        r.r2 = logicCode(std::clamp(c.logicCondition[1], -1, 1));
        r.r5 = static_cast<signed char>(std::clamp(c.logicKind, 0, AdvancedTriggerChoice::LOGIC_KINDS - 1) + 1);
    } else if (c.edgeSource == _CH1) {
        r.r1 = edgeCode(c.edgeSlope);
    } else {
        // Channel 2, or no source: the kernel takes the slope from r2 when r1 is 0.
        r.r2 = edgeCode(c.edgeSlope);
    }
    if (c.pulseOn) {
        r.r6 = c.pulseLonger ? 1 : 2; // odd: longer than
        r.widthValue = static_cast<int>(
            std::clamp<long long>(ticksOf(c.pulseWidth, c.pulseUnit), 1, AdvancedTriggerChoice::MAX_TICKS) * 10);
    }
    const int counted = std::clamp(c.countedKind, 0, 2);
    r.r7 = static_cast<signed char>(counted);
    if (counted == 1)
        r.countValue =
            static_cast<int>(std::clamp<long long>(ticksOf(c.delay, c.delayUnit), 1, delayTicksMax(_HW4)) * 10);
    if (counted == 2) r.countValue = std::clamp(c.eventCount, 1, AdvancedTriggerChoice::MAX_TICKS);
    const int logicRegister = std::clamp(c.logicRegisterKind, 0, 2);
    if (counted != 0 && logicRegister != 0) {
        r.r3 = static_cast<signed char>(logicRegister);
        r.r4 = c.logicRegisterOn ? 2 : 1;
    }
    return r;
}

AdvancedTriggerChoice loadAdvancedTriggerChoice(const std::string& path, int hw) {
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
    if (c.pulseOn && !widthAccepted(c.pulseWidth, c.pulseUnit)) {
        c.pulseWidth = d.pulseWidth;
        c.pulseUnit = d.pulseUnit;
    }
    if (c.countedKind == 1 && !delayAccepted(c.delay, c.delayUnit, hw)) {
        c.delay = d.delay;
        c.delayUnit = d.delayUnit;
    }
    if (!checkChoice(c).empty()) c.logicCondition[0] = d.logicCondition[0];
    return c;
}

bool saveAdvancedTriggerChoice(const std::string& path, const AdvancedTriggerChoice& c, std::string* error) {
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
