// LibusbBackend on the simulated instrument through usbfs: what the kernel relies on from
// it, below the kernel.
#include "usbfs_bus.h"

#include "libusb_backend.h"
#include "simulated_instrument.h"

#include <gtest/gtest.h>

namespace {

SimulatorConfig programmed(int devices = 1) {
    SimulatorConfig config;
    config.programmed = true;
    config.devices = devices;
    return config;
}

TEST(LibusbBackendOnUsbfs, EnumeratesOpensAndTransfers) {
    UsbfsBus usbfs(programmed());
    LibusbBackend backend;
    ASSERT_TRUE(backend.available());
    std::vector<UsbDeviceInfo> found = backend.enumerate(SimulatedInstrument::VENDOR_ID, SimulatedInstrument::PRODUCT_ID);
    ASSERT_EQ(found.size(), 1u);
    UsbStatus status = UsbStatus::Other;
    std::unique_ptr<UsbDevice> device = backend.open(found[0].id, status);
    ASSERT_TRUE(device) << backend.statusText(status);
    EXPECT_EQ(device->claimInterface(0, 0), UsbStatus::Success);
    UsbSetupPacket setup{0xC0, 0xC5, 0, 0, 1};
    unsigned char version = 0;
    int transferred = 0;
    EXPECT_EQ(device->control(setup, &version, transferred, 500), UsbStatus::Success);
    EXPECT_EQ(transferred, 1);
    EXPECT_EQ(version, 33);
}

} // namespace
