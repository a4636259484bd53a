#include "simulator_config.h"

#include "ini_file.h"

#include <algorithm>

SimulatorConfig SimulatorConfig::read(const IniFile& ini, std::string_view section, const SimulatorConfig& defaults) {
    SimulatorConfig c = defaults;
    c.hardwareVersion = std::clamp(ini.readInteger(section, "hardwareVersion", c.hardwareVersion), 1, 4);
    c.programmed = ini.readBool(section, "programmed", c.programmed);
    c.devices = std::clamp(ini.readInteger(section, "devices", c.devices), 0, 16);
    c.fpgaVersion = std::clamp(ini.readInteger(section, "fpgaVersion", c.fpgaVersion), 0, 255);
    c.chipTemperature = std::clamp(ini.readInteger(section, "chipTemperature", c.chipTemperature), -128, 127);
    c.reenumerationDelay = std::chrono::milliseconds(std::clamp(
        ini.readInteger(section, "reenumerationDelay", static_cast<int>(c.reenumerationDelay.count())), 0, 60000));
    const bool realTime = ini.readBool(section, "realTime", c.clockMode == SimulatedClock::Mode::RealTime);
    c.clockMode = realTime ? SimulatedClock::Mode::RealTime : SimulatedClock::Mode::Virtual;
    c.transferLog = std::clamp(ini.readInteger(section, "transferLog", c.transferLog), 0, 1 << 24);
    c.holdStatusPoll = ini.readBool(section, "holdStatusPoll", c.holdStatusPoll);
    c.shortedInputs = ini.readBool(section, "shortedInputs", c.shortedInputs);
    c.returnProgrammed = ini.readBool(section, "returnProgrammed", c.returnProgrammed);
    c.bulkBytesPerSecond = std::clamp(ini.readInteger(section, "bulkBytesPerSecond", c.bulkBytesPerSecond), 0, 1 << 30);
    c.paceRecords = ini.readBool(section, "paceRecords", c.paceRecords);
    c.glitchEvery = std::clamp(ini.readInteger(section, "glitchEvery", c.glitchEvery), 0, 1 << 30);
    c.glitchKind = std::clamp(ini.readInteger(section, "glitchKind", c.glitchKind), 0, 2);
    c.unplugEveryMs = std::clamp(ini.readInteger(section, "unplugEveryMs", c.unplugEveryMs), 0, 1 << 30);
    c.unplugBackAfterMs = std::clamp(ini.readInteger(section, "unplugBackAfterMs", c.unplugBackAfterMs), 0, 600000);
    return c;
}
