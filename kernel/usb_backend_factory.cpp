#include "usb_backend_factory.h"

#include "ini_file.h"
#include "libusb_backend.h"
#include "simulated_bus.h"
#include "system_registry.h"

#include <mutex>

namespace {

std::mutex g_factoryMutex;
UsbBackendFactory g_factory;

} // namespace

void setUsbBackendFactory(UsbBackendFactory factory) {
    std::lock_guard lock(g_factoryMutex);
    g_factory = std::move(factory);
}

std::shared_ptr<UsbBackend> createUsbBackend(const SystemRegistry& registry) {
    UsbBackendFactory factory;
    {
        std::lock_guard lock(g_factoryMutex);
        factory = g_factory;
    }
    if (factory) return factory(registry);
    if (registry.usesSimulator()) {
        SimulatorConfig defaults;
        defaults.clockMode = SimulatedClock::Mode::RealTime; // the program runs in real time
        defaults.transferLog = 0;                            // and reads no transfer log
        IniFile ini(registry.getRegistryPath());
        return std::make_shared<SimulatedBus>(SimulatorConfig::read(ini, SystemRegistry::SIMULATOR_SECTION, defaults));
    }
    return std::make_shared<LibusbBackend>();
}
