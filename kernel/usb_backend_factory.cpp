#include "usb_backend_factory.h"

#include "libusb_backend.h"

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
    return std::make_shared<LibusbBackend>();
}
