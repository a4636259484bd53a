#pragma once
// A whole kernel on the simulated instrument: a private installation (registry file, main
// directory, firmware) in a temporary folder, the simulated bus plugged in through the
// backend factory (or left to the installation's libusb), and controlCreate run on it.
// Time runs on the bus's virtual clock.

#include "codes.h"
#include "control.h"
#include "control_facade.h"
#include "ini_file.h"
#include "notifier.h"
#include "simulated_bus.h"
#include "simulated_instrument.h"
#include "temp_dir.h"
#include "trevan_error.h"
#include "usb_backend_factory.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

class SimulatedKernel {
public:
    // `stateFile` (may be empty) becomes the installation's state.ini before the start.
    // `clockMode` RealTime: the instrument takes its captures in real time, as in the program.
    explicit SimulatedKernel(int generation = _HW4, bool programmed = false, const std::string& stateFile = "",
                             SimulatedClock::Mode clockMode = SimulatedClock::Mode::Virtual)
        : SimulatedKernel(std::make_shared<SimulatedBus>(configFor(generation, programmed, clockMode)), false,
                          stateFile) {}

    // With `viaLibusb` the kernel does not get `bus_` as its backend: the installation
    // chooses libusb as on a user's machine, and something else (a usbfs emulation) must
    // show the bus there.
    SimulatedKernel(std::shared_ptr<SimulatedBus> bus_, bool viaLibusb, const std::string& stateFile = "")
        : bus(std::move(bus_)), d_generation(bus->config().hardwareVersion) {
        std::filesystem::create_directories(d_dir.file("config/velmora2"));
        std::filesystem::create_directories(d_dir.file("main"));
        std::filesystem::create_directories(d_dir.file("firmware"));
        std::filesystem::copy_file(std::string(VELMORA2_SOURCE_DIR) + "/firmware/trevan.hex",
                                   d_dir.file("firmware/trevan.hex"));
        IniFile registry(d_dir.file("config/velmora2/registry.ini"));
        registry.writeString("Velmora2", "mainDirectory", d_dir.file("main"));
        registry.writeString("Velmora2", "firmwareDirectory", d_dir.file("firmware"));
        registry.save();
        if (!stateFile.empty()) d_dir.write("main/state.ini", stateFile);
        const char* old = std::getenv("XDG_CONFIG_HOME");
        d_oldConfigHome = old ? old : "";
        d_hadConfigHome = old != nullptr;
        ::setenv("XDG_CONFIG_HOME", d_dir.file("config").c_str(), 1);

        if (viaLibusb) {
            setUsbBackendFactory(nullptr);
        } else {
            setUsbBackendFactory([b = bus](const SystemRegistry&) { return b; });
        }
        notifier = std::make_shared<RecordingNotifier>();
        setNotifier(notifier);
        get_error_text();
    }

    ~SimulatedKernel() {
        controlDestroy();
        setUsbBackendFactory(nullptr);
        setNotifier(nullptr);
        if (d_hadConfigHome)
            ::setenv("XDG_CONFIG_HOME", d_oldConfigHome.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }

    bool create() { return controlCreate(500, 400); }
    SimulatedInstrument& instrument() { return *bus->instrument(); }
    std::string mainFile(const std::string& name) const { return d_dir.file("main/" + name); }
    const TempDir& dir() const { return d_dir; }
    int generation() const { return d_generation; }

    std::shared_ptr<SimulatedBus> bus;
    std::shared_ptr<RecordingNotifier> notifier;

private:
    static SimulatorConfig configFor(int generation, bool programmed,
                                     SimulatedClock::Mode clockMode = SimulatedClock::Mode::Virtual) {
        SimulatorConfig config;
        config.hardwareVersion = generation;
        config.programmed = programmed;
        config.clockMode = clockMode;
        return config;
    }

    TempDir d_dir;
    int d_generation;
    std::string d_oldConfigHome;
    bool d_hadConfigHome = false;
};
