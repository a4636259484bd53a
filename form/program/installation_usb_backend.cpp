#include "installation_usb_backend.h"

#include "ini_file.h"
#include "libusb_backend.h"
#include "simulated_bus.h"
#include "system_registry.h"

std::shared_ptr<UsbBackend> installationUsbBackend(const SystemRegistry& registry) {
    if (registry.usesSimulator()) {
        SimulatorConfig defaults;
        defaults.clockMode = SimulatedClock::Mode::RealTime; // the program runs in real time
        defaults.transferLog = 0;                            // and reads no transfer log
        IniFile ini(registry.getRegistryPath());
        return std::make_shared<SimulatedBus>(SimulatorConfig::read(ini, SystemRegistry::SIMULATOR_SECTION, defaults));
    }
    return std::make_shared<LibusbBackend>();
}
