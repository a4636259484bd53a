// Writes the fuzz targets' seed corpus with the program's own writers: make_seeds <folder>
// leaves one folder per target in <folder>.
#include "advanced_trigger_choice.h"
#include "calibration.h"
#include "calibration_image.h"
#include "environment.h"
#include "ini_file.h"
#include "reference_file.h"
#include "sample_setups.h"
#include "state.h"
#include "system_registry.h"
#include "trevan_error.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path g_out;

std::string seed(const std::string& target, const std::string& name) {
    fs::create_directories(g_out / target);
    const fs::path p = g_out / target / name;
    fs::remove(p);
    return p.string();
}

void writeBytes(const std::string& path, const void* data, std::size_t size) {
    std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

bool fail(const std::string& what) {
    std::fprintf(stderr, "make_seeds: %s\n", what.c_str());
    return false;
}

bool stateSeeds() {
    State state;
    return state.writeIni(seed("state_file", "default.ini"), 4) || fail("state file");
}

bool calibrationSeeds() {
    for (int generation : {_HW1, _HW3}) {
        const CalibrationImage::Bytes image = CalibrationImage::factoryImage(generation);
        const std::string name = "hw" + std::to_string(generation);
        writeBytes(seed("calibration_memory", name + ".bin"), image.data(), image.size());
        Calibration cal;
        if (!unpackCalibrationMemory(cal, image.data(), image.size())) return fail("calibration image");
        if (!cal.writeIni(seed("calibration_file", name + ".ini").c_str())) return fail("calibration file");
    }
    return true;
}

bool environmentSeeds() {
    Environment env(seed("environment_file", "unused.ini"));
    return env.save(seed("environment_file", "default.ini")) || fail("environment file");
}

bool registrySeeds() {
    IniFile ini(seed("registry_file", "simulator.ini"));
    ini.writeString(SystemRegistry::SECTION, "mainDirectory", "/tmp/velmora2");
    ini.writeString(SystemRegistry::SECTION, "firmwareDirectory", "/tmp/velmora2/firmware");
    ini.writeInteger(SystemRegistry::SECTION, "graphicmode", 2);
    ini.writeString(SystemRegistry::SECTION, "usbBackend", "simulator");
    return ini.save() || fail("registry file");
}

bool advancedTriggerSeeds() {
    AdvancedTriggerChoice every;
    every.logicOn = true;
    every.logicCondition[1] = 0;
    every.logicKind = 3;
    every.pulseOn = true;
    every.pulseWidth = 2.5;
    every.pulseUnit = TimeUnit::Milliseconds;
    every.countedKind = 1;
    every.delay = 120;
    every.logicRegisterKind = 2;
    every.logicRegisterOn = true;
    return (saveAdvancedTriggerChoice(seed("advanced_trigger_file", "default.ini"), AdvancedTriggerChoice{}, nullptr) &&
            saveAdvancedTriggerChoice(seed("advanced_trigger_file", "every_kind.ini"), every, nullptr)) ||
           fail("advanced-trigger file");
}

bool referenceSeeds() {
    ReferenceFile file;
    file.timeDiv = _1MS_DIV;
    file.voltageDiv = _1V_DIV;
    file.offsetRow = 200;
    file.horizontalPosition = 250;
    file.coupling = _DC;
    for (int i = 0; i < 64; ++i) file.samples.push_back(static_cast<short>(2048 + 40 * (i % 16)));
    const std::string bytes = packReferenceFile(file);
    writeBytes(seed("reference_file", "ramp.ref"), bytes.data(), bytes.size());
    return true;
}

bool firmwareSeeds() {
    // The demo firmware, written by firmware/make_demo_firmware.py.
    std::error_code e;
    fs::copy_file(fs::path(VELMORA2_SOURCE_DIR) / "firmware" / "trevan.hex", seed("firmware_hex", "demo.hex"),
                  fs::copy_options::overwrite_existing, e);
    return !e || fail("firmware file: " + e.message());
}

bool sampleSeeds() {
    const auto setups = sampleSetups();
    for (std::size_t i = 0; i < setups.size(); ++i) {
        sim_scope::Scope scope(setups[i]);
        std::vector<unsigned char> bytes(static_cast<std::size_t>(scope.hardware->d_readLength) + 1);
        bytes[0] = static_cast<unsigned char>(i);
        if (!scope.sim().ready(std::chrono::milliseconds(0))) return fail("no simulated record");
        const int n = scope.sim().read(bytes.data() + 1, static_cast<int>(bytes.size() - 1));
        writeBytes(seed("sample_records", "setup" + std::to_string(i) + ".bin"), bytes.data(),
                   static_cast<std::size_t>(n) + 1);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <folder>\n");
        return 2;
    }
    g_out = argv[1];
    const bool ok = stateSeeds() && calibrationSeeds() && environmentSeeds() && registrySeeds() &&
                    advancedTriggerSeeds() && referenceSeeds() && firmwareSeeds() && sampleSeeds();
    get_error_text();
    return ok ? 0 : 1;
}
