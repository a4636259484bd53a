#pragma once
// The USB backend of an installation. Control::init creates one backend, hands it to the
// firmware download and then to the USB hardware object, which keep it alive together:
//     std::shared_ptr<UsbBackend> backend = createUsbBackend(registry);
//     DownloadAllDevices(*backend, registry.getFirmwarePath());
//     auto usb = std::make_unique<USB>(backend);
// Whoever starts the kernel chooses the backend: the program sets a factory that reads the
// registry's "usbBackend" (the simulated instrument lives outside the kernel), a test sets
// its own bus. Without a factory set, libusb.

#include "usb_backend.h"

#include <functional>
#include <memory>

class SystemRegistry;

using UsbBackendFactory = std::function<std::shared_ptr<UsbBackend>(const SystemRegistry& registry)>;

// Set once before controlCreate; an empty function restores libusb.
void setUsbBackendFactory(UsbBackendFactory factory);
std::shared_ptr<UsbBackend> createUsbBackend(const SystemRegistry& registry);
