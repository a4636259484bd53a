// The kernel through the real USB path: LibusbBackend, libusb, usbfs and udev hot-plug,
// with the simulated controller and instrument behind usbfs. Each result is compared
// with the same kernel on the simulated bus directly, which the other tests cover.
#include "usbfs_bus.h"

#include "simulated_controller.h"
#include "simulated_kernel.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const char* const kState = "[CHANNEL]\nchannelOnOff1=1\nchannelCoupling1=1\n[DISPLAY]\nlineJoinMode=1\n";

// The bus traffic that matters: what went over the wire and how it ended, not when.
struct Wire {
    TransferRecord::Kind kind;
    std::uint16_t vendorId;
    UsbSetupPacket setup;
    unsigned char endpoint;
    std::vector<unsigned char> data;
    int length;
    int transferred;
    UsbStatus status;
    bool operator==(const Wire&) const = default;
};

std::vector<Wire> wire(const SimulatedBus& bus) {
    std::vector<Wire> out;
    for (const TransferRecord& t : bus.transfers())
        out.push_back({t.kind, t.vendorId, t.setup, t.endpoint, t.data, t.length, t.transferred, t.status});
    return out;
}

SimulatorConfig unprogrammed() {
    SimulatorConfig config;
    config.programmed = false;
    return config;
}

TEST(KernelOnUsbfs, StartsThroughFirmwareDownloadAndReenumeration) {
    std::vector<Wire> reference;
    {
        SimulatedKernel k(std::make_shared<SimulatedBus>(unprogrammed()), false, kState);
        ASSERT_TRUE(k.create()) << get_error_text();
        reference = wire(*k.bus);
    }
    UsbfsBus usbfs(unprogrammed());
    const std::vector<std::string> before = usbfs.nodes();
    ASSERT_EQ(before.size(), 1u);
    SimulatedKernel k(usbfs.sharedBus(), true, kState);
    ASSERT_TRUE(k.create()) << get_error_text();

    // The controller left and the instrument arrived in its place on another address.
    EXPECT_EQ(k.bus->controller(), nullptr);
    ASSERT_NE(k.bus->instrument(), nullptr);
    const std::vector<std::string> after = usbfs.nodes();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_NE(after[0], before[0]);
    // Firmware, calibration read, the whole state: the same bytes as on the simulated bus.
    const std::vector<Wire> got = wire(*k.bus);
    ASSERT_EQ(got.size(), reference.size());
    for (size_t i = 0; i < got.size(); ++i) ASSERT_TRUE(got[i] == reference[i]) << "transfer " << i;
    EXPECT_EQ(usbfs.inFlight(), 0);
}

} // namespace
