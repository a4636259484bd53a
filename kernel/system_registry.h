#pragma once
// The installation's registry values and every file path built from them. The values live
// in an INI file in place of the desktop registry, section "Velmora2":
//   mainDirectory      folder of the settings files (state, calibration, environment, ...)
//   firmwareDirectory  folder of the instrument's firmware file "trevan.hex"
//   graphicmode        "DirectX" 0, "DirectX-system graphic" 1, "GDI" 2, anything else 0
//   usbBackend         "simulator" runs on the simulated instrument (settings in section
//                      "Simulator"); anything else, or nothing, uses libusb and a real one
// The file is $XDG_CONFIG_HOME/velmora2/registry.ini (default ~/.config/velmora2/...) when
// it exists, else /etc/velmora2/registry.ini; tests and the demo name their own file.
// A directory value may begin with "$XDG_DATA_HOME" (the user's data folder by the XDG rules,
// default ~/.local/share) or "~" (the user's home): the system-wide file of the package
// names each user's own main directory so, "$XDG_DATA_HOME/velmora2". Without HOME the
// home folder is the user's password entry.

#include <string>
#include <vector>

class SystemRegistry {
public:
    static constexpr int MAX_PATH_LENGTH = 255; // characters of a path, as the settings files allow
    static constexpr const char* SECTION = "Velmora2";
    static constexpr const char* SIMULATOR_SECTION = "Simulator";

    // Reads the file chosen by useRegistryFile, else the user's file or, without one, the
    // system's.
    SystemRegistry();
    // Reads this file only.
    explicit SystemRegistry(std::string registryPath);

    // Reads the values and builds the paths. False after pushing error 14 (no main
    // directory, or one too long for its paths) or 15 (the same for the firmware directory).
    bool read();

    // The main directory, and the settings files in it below, are empty when the main
    // directory is relative: the working directory is never taken for it.
    const char* getMainDirectory() const { return d_relativeMain ? "" : d_mainDirectory.c_str(); }
    const char* getFirmwarePath() const { return d_firmwarePath.c_str(); }
    const char* getStatePath() const { return d_statePath.c_str(); }
    const char* getEnvironmentPath() const { return d_environmentPath.c_str(); }
    const char* getCalibrationPath() const { return d_calibrationPath.c_str(); }
    const char* getAdvancedTriggerPath() const { return d_advancedTriggerPath.c_str(); }
    int getGraphicMode() const { return d_graphicMode; }

    // The file the values were read from (the one tried last when none exists).
    const std::string& getRegistryPath() const { return d_registryPath; }
    // True when the installation selects the simulated instrument.
    bool usesSimulator() const { return d_usbBackend == "simulator"; }
    const std::string& getUsbBackend() const { return d_usbBackend; }

    // Makes every later SystemRegistry() read `path` (the demo installation); empty restores
    // the lookup above. Chosen inside the program, so the programs it starts keep the user's
    // own XDG folders.
    static void useRegistryFile(std::string path);
    // The user's file by the XDG rules, and the system-wide one.
    static std::string userRegistryPath();
    static std::string systemRegistryPath();
    // A directory value with its leading "$XDG_DATA_HOME" or "~" replaced (see above).
    static std::string expandDirectory(const std::string& value);

    // After read(): makes a missing main directory (mode 0700, as its parents made with it)
    // and returns one text per problem the user must hear of at start: a main directory that
    // is relative, not a directory, not writable or on a full disk, and each settings file
    // (state, calibration, environment) that exists but cannot be read (it is then neither
    // used nor saved over). Empty when all is well.
    std::vector<std::string> prepareMainDirectory();
    // False when the main directory is relative or prepareMainDirectory found it unusable:
    // the settings are not saved, and the saves at Quit say nothing (the start told it).
    bool savesSettings() const { return d_savesSettings; }

private:
    std::vector<std::string> unreadSettingsFiles() const;

    bool d_explicitPath = false;
    std::string d_registryPath;
    std::string d_mainDirectory; // as the file gives it, for the message
    bool d_relativeMain = false;
    bool d_savesSettings = true;
    std::string d_firmwareDirectory;
    std::string d_calibrationPath;
    std::string d_statePath;
    std::string d_environmentPath;
    std::string d_firmwarePath;
    std::string d_advancedTriggerPath;
    int d_graphicMode = 0;
    std::string d_usbBackend;
};
