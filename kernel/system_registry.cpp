#include "system_registry.h"

#include "home_folder.h"
#include "ini_file.h"
#include "trevan_error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <mutex>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

const char* const kRegistrySource = "kernel\\system_registry";

int graphicModeOf(const std::string& text) {
    if (text == "DirectX-system graphic") return 1;
    if (text == "GDI") return 2;
    return 0; // "DirectX", an empty or unknown text
}

struct ChosenFile {
    std::mutex mutex;
    std::string path;
};

ChosenFile& chosenFile() {
    static ChosenFile chosen;
    return chosen;
}

} // namespace

SystemRegistry::SystemRegistry() {
    ChosenFile& chosen = chosenFile();
    std::lock_guard lock(chosen.mutex);
    if (chosen.path.empty()) return;
    d_explicitPath = true;
    d_registryPath = chosen.path;
}

void SystemRegistry::useRegistryFile(std::string path) {
    ChosenFile& chosen = chosenFile();
    std::lock_guard lock(chosen.mutex);
    chosen.path = std::move(path);
}

SystemRegistry::SystemRegistry(std::string registryPath)
    : d_explicitPath(true), d_registryPath(std::move(registryPath)) {}

std::string SystemRegistry::userRegistryPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config) {
        base = config;
    } else {
        base = homeFolder() + "/.config";
    }
    return base + "/velmora2/registry.ini";
}

std::string SystemRegistry::systemRegistryPath() { return "/etc/velmora2/registry.ini"; }

std::string SystemRegistry::expandDirectory(const std::string& value) {
    const std::string homeDir = homeFolder();
    const auto startsWith = [&](const std::string& word) {
        return value.compare(0, word.size(), word) == 0 && (value.size() == word.size() || value[word.size()] == '/');
    };
    if (startsWith("$XDG_DATA_HOME")) {
        const char* data = std::getenv("XDG_DATA_HOME");
        // The XDG rules ignore a relative value.
        const std::string base = data && data[0] == '/' ? std::string(data) : homeDir + "/.local/share";
        return base + value.substr(sizeof("$XDG_DATA_HOME") - 1);
    }
    if (startsWith("~")) return homeDir + value.substr(1);
    return value;
}

namespace {

// Makes `dir` and its missing parents with mode 0700; 0 or the errno of the failure.
int makePrivateDirectories(const std::string& dir) {
    std::string made;
    std::size_t at = 0;
    while (at != std::string::npos) {
        at = dir.find('/', at + 1);
        made = dir.substr(0, at);
        if (made.empty()) continue;
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    return 0;
}

} // namespace

std::vector<std::string> SystemRegistry::unreadSettingsFiles() const {
    std::vector<std::string> texts;
    for (const std::string& path : {d_statePath, d_calibrationPath, d_environmentPath}) {
        if (path.empty()) continue;
        const IniFile file(path);
        if (!file.loadedOk())
            texts.push_back("Settings file not read: " + file.error() + ". It is not used and not saved over.");
    }
    return texts;
}

std::vector<std::string> SystemRegistry::prepareMainDirectory() {
    const std::string& dir = d_mainDirectory;
    const auto unusable = [&](const std::string& why) {
        d_savesSettings = false;
        return std::vector<std::string>{"The main directory " + dir + " cannot be used: " + why +
                                        ". Settings will not be saved."};
    };
    if (dir.empty()) return {};
    if (d_relativeMain) return unusable("it is not an absolute path");
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) {
        if (errno != ENOENT) return unusable(std::strerror(errno));
        if (const int e = makePrivateDirectories(dir))
            return unusable(std::string("cannot make it: ") + std::strerror(e));
        return {};
    }
    if (!S_ISDIR(st.st_mode)) return unusable("it is not a directory");
    std::vector<std::string> texts;
    struct statvfs fs {};
    if (::access(dir.c_str(), W_OK | X_OK) != 0)
        texts = unusable(std::strerror(errno));
    else if (::statvfs(dir.c_str(), &fs) == 0 && fs.f_bavail == 0)
        texts = unusable("its disk is full");
    for (std::string& text : unreadSettingsFiles()) texts.push_back(std::move(text));
    return texts;
}

bool SystemRegistry::read() {
    if (!d_explicitPath) {
        std::error_code ec;
        d_registryPath = userRegistryPath();
        if (!std::filesystem::exists(d_registryPath, ec)) d_registryPath = systemRegistryPath();
    }
    IniFile ini(d_registryPath);
    std::string mainDirectory = expandDirectory(ini.readString(SECTION, "mainDirectory", ""));
    std::string firmwareDirectory = expandDirectory(ini.readString(SECTION, "firmwareDirectory", ""));
    d_graphicMode = graphicModeOf(ini.readString(SECTION, "graphicmode", ""));
    d_usbBackend = ini.readString(SECTION, "usbBackend", "");

    // The longest name appended to each directory; a path that would not fit is refused.
    const size_t longestMainName = sizeof("/environment.ini") - 1;
    const size_t firmwareName = sizeof("/trevan.hex") - 1;
    if (mainDirectory.empty() || mainDirectory.size() + longestMainName > MAX_PATH_LENGTH) {
        push_error(_ERR_MAIN_PATH, kRegistrySource, 103);
        return false;
    }
    if (firmwareDirectory.empty() || firmwareDirectory.size() + firmwareName > MAX_PATH_LENGTH) {
        push_error(_ERR_FIRMWARE_PATH, kRegistrySource, 107);
        return false;
    }
    d_mainDirectory = mainDirectory;
    d_firmwareDirectory = firmwareDirectory;
    // A relative one would be the working directory's: no settings file is read or written.
    d_relativeMain = mainDirectory.front() != '/';
    d_savesSettings = !d_relativeMain;
    const auto settingsFile = [&](const char* name) { return d_relativeMain ? std::string() : mainDirectory + name; };
    d_calibrationPath = settingsFile("/calibration.ini");
    d_statePath = settingsFile("/state.ini");
    d_environmentPath = settingsFile("/environment.ini");
    d_advancedTriggerPath = settingsFile("/brisane.ini");
    d_firmwarePath = firmwareDirectory + "/trevan.hex";
    return true;
}
