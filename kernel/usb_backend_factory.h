#pragma once
// The USB backend of an installation. Control::init creates one backend, hands it to the
// firmware download and then to the USB hardware object, which keep it alive together:
//     std::shared_ptr<UsbBackend> backend = createUsbBackend(registry);
//     DownloadAllDevices(*backend, registry.getFirmwarePath());
//     auto usb = std::make_unique<USB>(backend);
// Without a factory set, the registry decides: "usbBackend" = "simulator" gives the
// simulated instrument (settings from the registry file's "Simulator" section, real-time
// clock), anything else libusb.

#include "usb_backend.h"

#include <functional>
#include <memory>

class SystemRegistry;

using UsbBackendFactory = std::function<std::shared_ptr<UsbBackend>(const SystemRegistry& registry)>;

// Replaces the registry's choice (tests, tools); an empty function restores it.
void setUsbBackendFactory(UsbBackendFactory factory);
std::shared_ptr<UsbBackend> createUsbBackend(const SystemRegistry& registry);
