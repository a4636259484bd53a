#pragma once
// The program's USB backend factory (setUsbBackendFactory): the registry's "usbBackend" =
// "simulator" gives the simulated instrument, with the settings of the registry file's
// "Simulator" section on the real-time clock; anything else libusb.

#include "usb_backend.h"

#include <memory>

class SystemRegistry;

std::shared_ptr<UsbBackend> installationUsbBackend(const SystemRegistry& registry);
