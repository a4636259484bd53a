// The kernel through the real USB path: LibusbBackend, libusb, usbfs and udev hot-plug,
// with the simulated controller and instrument behind usbfs. Each result is compared
// with the same kernel on the simulated bus directly, which the other tests cover.
#include "usbfs_bus.h"

#include "simulated_controller.h"
#include "simulated_kernel.h"

#include "sim_records.h"
#include "sim_records_hardware.h"
#include "signal_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
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

// The simulated bus as a backend whose waits run on a clock of their own. Behind usbfs the
// kernel waits in real time and the instrument's time stands still; here too, so that
// both paths capture at the same instrument time and draw the same noise.
class OwnClockBus final : public UsbBackend {
public:
    explicit OwnClockBus(std::shared_ptr<SimulatedBus> bus) : p_bus(std::move(bus)) {}
    bool available() const override { return true; }
    std::vector<UsbDeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId) override {
        return p_bus->enumerate(vendorId, productId);
    }
    WatchId watch(std::uint16_t vendorId, std::uint16_t productId, HotplugCallback callback) override {
        return p_bus->watch(vendorId, productId, std::move(callback));
    }
    void unwatch(WatchId watch) override { p_bus->unwatch(watch); }
    std::unique_ptr<UsbDevice> open(UsbDeviceId device, UsbStatus& status) override {
        return p_bus->open(device, status);
    }
    Clock& clock() override { return d_clock; }

private:
    std::shared_ptr<SimulatedBus> p_bus;
    SimulatedClock d_clock;
};

// A kernel on the simulated bus directly (`viaUsbfs` false) or through libusb and usbfs.
struct Rig {
    explicit Rig(bool viaUsbfs, SimulatorConfig config = instantConfig()) {
        if (viaUsbfs) {
            usbfs = std::make_unique<UsbfsBus>(config);
            kernel = std::make_unique<SimulatedKernel>(usbfs->sharedBus(), true, kState);
        } else {
            kernel = std::make_unique<SimulatedKernel>(std::make_shared<SimulatedBus>(config), true, kState);
            setUsbBackendFactory([b = std::make_shared<OwnClockBus>(kernel->bus)](const SystemRegistry&) { return b; });
        }
    }
    // An unprogrammed controller that becomes the instrument without the bus's time
    // moving, so that both paths start their captures at the same instrument time.
    static SimulatorConfig instantConfig() {
        SimulatorConfig config;
        config.programmed = false;
        config.reenumerationDelay = std::chrono::milliseconds(0);
        return config;
    }

    // Kernel first: it closes the device before the bus goes.
    std::unique_ptr<UsbfsBus> usbfs;
    std::unique_ptr<SimulatedKernel> kernel;
};

// One acquisition mode: its settings, and how many captures make its picture.
struct Mode {
    const char* name;
    std::function<bool()> apply;
    int captures;
    bool roll;
    double frequency; // of channel 1's square wave
};

bool realTime(int timeDiv, int mode) {
    return controlSetBufferSizeMode(mode) && controlSetETSOnOff(true) && controlSetTimeDiv(timeDiv) &&
           controlSetVoltageDiv(_CH1, _1V_DIV) && controlSetVoltageOffset(_CH1, 200) &&
           controlSetTriggerMode(_NORMAL) && controlSetTriggerSlope(_UP_EDGE) && controlSetTriggerLevel(225) &&
           controlSetHorizontalPosition(250);
}

const Mode kModes[] = {
    {"real time 10k", [] { return realTime(_1MS_DIV, _10K); }, 1, false, 1000},
    {"real time 500k", [] { return realTime(_2MS_DIV, _500K); }, 1, false, 1000},
    {"equivalent time", [] { return realTime(_1US_DIV, _10K) && controlIsEquivalentTime(); }, 60, false, 1e6},
    {"roll", [] { return controlSetTimeDiv(_2S_DIV) && controlSetVoltageOffset(_CH1, 200) && controlIsRoll(); }, 200,
     true, 0.05},
};

// The display image of channel 1 after the mode's captures; empty when a capture failed.
std::vector<unsigned char> picture(SimulatedKernel& k, const Mode& mode) {
    SimRecords::Options options;
    options.signal[0] = std::make_shared<SquareWave>(mode.frequency, 0.0, 1.0, 0.0);
    k.instrument().setRecordSource(std::make_unique<SimRecords>(SimHardware::typical(k.generation()), options));
    if (!mode.apply()) return {};
    short* ch1 = nullptr;
    short* ch2 = nullptr;
    for (int i = 0; i < mode.captures; ++i) {
        // Roll reads arrive in pieces; the others are triggered records.
        if (!controlAcquire(_CH1, &ch1, &ch2) && !mode.roll) return {};
        if (!mode.roll && !controlGetTriggeredFlag()) return {};
    }
    const unsigned char* image = controlGetDisplayBuffer(_CH1);
    return std::vector<unsigned char>(image, image + 500 * 400);
}

TEST(KernelOnUsbfs, EachModeDrawsTheSamePictureAsOnTheSimulatedBus) {
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(mode.name);
        std::vector<unsigned char> reference;
        {
            Rig direct(false);
            ASSERT_TRUE(direct.kernel->create()) << get_error_text();
            reference = picture(*direct.kernel, mode);
        }
        ASSERT_FALSE(reference.empty()) << get_error_text();
        ASSERT_TRUE(std::any_of(reference.begin(), reference.end(), [](unsigned char c) { return c != 0; }));
        Rig usb(true);
        ASSERT_TRUE(usb.kernel->create()) << get_error_text() << ::testing::PrintToString(usb.kernel->notifier->messages());
        const std::vector<unsigned char> got = picture(*usb.kernel, mode);
        ASSERT_EQ(got.size(), reference.size()) << get_error_text();
        EXPECT_TRUE(got == reference) << std::inner_product(got.begin(), got.end(), reference.begin(), 0, std::plus<>(),
                                                            [](unsigned char a, unsigned char b) { return a != b ? 1 : 0; })
                                      << " pixels differ";
    }
}

} // namespace
