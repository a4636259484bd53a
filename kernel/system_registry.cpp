#include "system_registry.h"

#include "ini_file.h"
#include "trevan_error.h"

#include <cstdlib>
#include <filesystem>

namespace {

const char* const kSource = "kernel\\system_registry";

int graphicModeOf(const std::string& text) {
    if (text == "DirectX-system graphic") return 1;
    if (text == "GDI") return 2;
    return 0; // "DirectX", an empty or unknown text
}

} // namespace

SystemRegistry::SystemRegistry() = default;

SystemRegistry::SystemRegistry(std::string registryPath)
    : d_explicitPath(true), d_registryPath(std::move(registryPath)) {}

std::string SystemRegistry::userRegistryPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config) {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return base + "/velmora2/registry.ini";
}

std::string SystemRegistry::systemRegistryPath() { return "/etc/velmora2/registry.ini"; }

bool SystemRegistry::read() {
    if (!d_explicitPath) {
        std::error_code ec;
        d_registryPath = userRegistryPath();
        if (!std::filesystem::exists(d_registryPath, ec)) d_registryPath = systemRegistryPath();
    }
    IniFile ini(d_registryPath);
    std::string mainDirectory = ini.readString(SECTION, "mainDirectory", "");
    std::string firmwareDirectory = ini.readString(SECTION, "firmwareDirectory", "");
    d_graphicMode = graphicModeOf(ini.readString(SECTION, "graphicmode", ""));
    d_usbBackend = ini.readString(SECTION, "usbBackend", "");

    // The longest name appended to each directory; a path that would not fit is refused.
    const size_t longestMainName = sizeof("/environment.ini") - 1;
    const size_t firmwareName = sizeof("/trevan.hex") - 1;
    if (mainDirectory.empty() || mainDirectory.size() + longestMainName > MAX_PATH_LENGTH) {
        push_error(_ERR_MAIN_PATH, kSource, 103);
        return false;
    }
    if (firmwareDirectory.empty() || firmwareDirectory.size() + firmwareName > MAX_PATH_LENGTH) {
        push_error(_ERR_FIRMWARE_PATH, kSource, 107);
        return false;
    }
    d_mainDirectory = mainDirectory;
    d_firmwareDirectory = firmwareDirectory;
    d_calibrationPath = mainDirectory + "/calibration.ini";
    d_statePath = mainDirectory + "/state.ini";
    d_environmentPath = mainDirectory + "/environment.ini";
    d_advancedTriggerPath = mainDirectory + "/brisane.ini";
    d_firmwarePath = firmwareDirectory + "/trevan.hex";
    return true;
}
