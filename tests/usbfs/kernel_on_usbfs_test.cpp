// The kernel through the real USB path: LibusbBackend, libusb, usbfs and udev hot-plug,
// with the simulated controller and instrument behind usbfs. Each result is compared
// with the same kernel on the simulated bus directly, which the other tests cover.
#include "usbfs_bus.h"

#include "simulated_controller.h"
#include "simulated_kernel.h"

#include "signal_source.h"
#include "sim_records.h"
#include "sim_records_hardware.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <ostream>
#include <string>
#include <thread>
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

TEST(KernelStartOnUsbfs, FirmwareDownloadAndReenumeration) {
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
    auto count = [&got](std::uint16_t vendorId, int request) {
        return std::count_if(got.begin(), got.end(), [&](const Wire& w) {
            return w.vendorId == vendorId && w.setup.request == request && w.status == UsbStatus::Success;
        });
    };
    EXPECT_GT(count(SimulatedController::VENDOR_ID, 0xA0), 0);  // firmware and CPU control
    EXPECT_EQ(count(SimulatedInstrument::VENDOR_ID, 0xC7), 15); // the 960-byte calibration memory
    EXPECT_GT(count(SimulatedInstrument::VENDOR_ID, 0xB1), 0);  // the state's registers
    EXPECT_EQ(usbfs.inFlight(), 0);
}

// Pulled and put back, the unit returns as its unprogrammed controller; the kernel sees it
// through udev hot-plug, loads the firmware through libusb and captures again.
TEST(KernelStartOnUsbfs, AReplugedUnitIsLoadedAndCapturesResume) {
    UsbfsBus usbfs(unprogrammed());
    SimulatedKernel k(usbfs.sharedBus(), true, kState);
    ASSERT_TRUE(k.create()) << get_error_text();
    short* record = nullptr;
    ASSERT_TRUE(controlAcquire(_CH1, &record, nullptr)) << get_error_text();
    ASSERT_TRUE(k.bus->replug(k.bus->attached().front(), std::chrono::milliseconds(200)));
    EXPECT_FALSE(controlAcquire(_CH1, &record, nullptr));
    // The controller's arrival reaches the kernel through udev a moment later.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!controlInstrumentReturned() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(controlInstrumentReturned());
    ASSERT_NE(k.bus->controller(), nullptr);
    get_error_text();
    ASSERT_TRUE(controlReconnect()) << get_error_text();
    EXPECT_EQ(k.bus->controller(), nullptr);
    EXPECT_TRUE(controlAcquire(_CH1, &record, nullptr)) << get_error_text();
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
    explicit Rig(bool viaUsbfs, SimulatorConfig config = instantConfig(),
                 UsbfsBus::HostController host = UsbfsBus::HostController::ScatterGather) {
        if (viaUsbfs) {
            usbfs = std::make_unique<UsbfsBus>(config, host);
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

class KernelOnUsbfs : public ::testing::TestWithParam<UsbfsBus::HostController> {};

TEST_P(KernelOnUsbfs, EachModeDrawsTheSamePictureAsOnTheSimulatedBus) {
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
        Rig usb(true, Rig::instantConfig(), GetParam());
        ASSERT_TRUE(usb.kernel->create())
            << get_error_text() << ::testing::PrintToString(usb.kernel->notifier->messages());
        const std::vector<unsigned char> got = picture(*usb.kernel, mode);
        ASSERT_EQ(got.size(), reference.size()) << get_error_text();
        EXPECT_TRUE(got == reference) << std::inner_product(
                                             got.begin(), got.end(), reference.begin(), 0, std::plus<>(),
                                             [](unsigned char a, unsigned char b) { return a != b ? 1 : 0; })
                                      << " pixels differ";
    }
}

// What a faulty transfer leaves behind, as the user and the caller see it.
struct Outcome {
    bool created = false;
    bool action = false;
    std::string actionErrors;
    bool after = false; // the next operation
    std::string afterErrors;
    std::vector<std::string> messages;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    return out << "created " << o.created << ", action " << o.action << " [" << o.actionErrors << "], after " << o.after
               << " [" << o.afterErrors << "], messages " << ::testing::PrintToString(o.messages);
}

bool capture() {
    short* ch1 = nullptr;
    short* ch2 = nullptr;
    return controlAcquire(_CH1, &ch1, &ch2) && controlGetTriggeredFlag();
}

struct FaultCase {
    const char* name;
    int devices;
    UsbFault fault;
    std::function<bool()> action;
    std::function<bool()> after;
    // What only the usbfs side shows (URBs cancelled, in flight, submitted), given the
    // counts at the end of the faulty operation.
    std::function<void(UsbfsBus&, const UsbfsBus::Counts& atAction)> check;
};

Outcome run(const FaultCase& c, bool viaUsbfs, UsbfsBus::HostController host) {
    SimulatorConfig config = Rig::instantConfig();
    config.devices = c.devices;
    config.programmed = c.devices > 1; // all there at once, not arriving one by one
    Rig rig(viaUsbfs, config, host);
    Outcome o;
    o.created = rig.kernel->create();
    if (!o.created) {
        o.actionErrors = get_error_text();
        o.messages = rig.kernel->notifier->messages();
        return o;
    }
    SimRecords::Options options;
    options.signal[0] = std::make_shared<SquareWave>(1000, 0.0, 1.0, 0.0);
    rig.kernel->instrument().setRecordSource(std::make_unique<SimRecords>(SimHardware::typical(_HW4), options));
    if (!realTime(_1MS_DIV, _10K)) return o;
    rig.kernel->notifier->clear();
    rig.kernel->bus->injectFault(c.fault);
    o.action = c.action();
    o.actionErrors = get_error_text();
    UsbfsBus::Counts atAction;
    if (rig.usbfs) {
        rig.usbfs->settle();
        atAction = rig.usbfs->counts();
    }
    o.after = c.after();
    o.afterErrors = get_error_text();
    o.messages = rig.kernel->notifier->messages();
    if (rig.usbfs && c.check) {
        SCOPED_TRACE("usbfs side");
        c.check(*rig.usbfs, atAction);
    }
    return o;
}

UsbFault fault(UsbFault::Kind kind, bool bulk, int request = -1, int bytes = -1) {
    UsbFault f;
    f.kind = kind;
    f.bulk = bulk;
    f.request = request;
    f.bytes = bytes;
    return f;
}

TEST_P(KernelOnUsbfs, FaultsEndAsOnTheSimulatedBus) {
    const FaultCase cases[] = {
        {"unplugged in the middle of a bulk read", 1, fault(UsbFault::Kind::Unplug, true), capture,
         [] { return controlSetTimeDiv(_2MS_DIV); },
         [](UsbfsBus& usbfs, const UsbfsBus::Counts& atAction) {
             // Later requests fail at once, without reaching the device, and nothing hangs.
             EXPECT_EQ(usbfs.counts().submitted, atAction.submitted);
             EXPECT_EQ(usbfs.inFlight(), 0);
             EXPECT_TRUE(usbfs.nodes().empty());
         }},
        {"stalled bulk pipe", 1, fault(UsbFault::Kind::Stall, true), capture, capture,
         [](UsbfsBus& usbfs, const UsbfsBus::Counts&) { EXPECT_EQ(usbfs.inFlight(), 0); }},
        {"short packet", 1, fault(UsbFault::Kind::ShortRead, true, -1, 1000), capture, capture,
         [](UsbfsBus& usbfs, const UsbfsBus::Counts&) { EXPECT_EQ(usbfs.inFlight(), 0); }},
        {"control write times out", 1, fault(UsbFault::Kind::Timeout, false, 0xB1),
         [] { return controlSetTimeDiv(_2MS_DIV); }, [] { return controlSetTimeDiv(_1MS_DIV); },
         [](UsbfsBus& usbfs, const UsbfsBus::Counts& atAction) {
             // libusb gave up on the URB at its time-out and cancelled it.
             EXPECT_EQ(atAction.discarded, 1);
             EXPECT_EQ(usbfs.inFlight(), 0);
         }},
        {"status poll times out once", 1, fault(UsbFault::Kind::Timeout, false, 0xC0), capture, capture,
         [](UsbfsBus& usbfs, const UsbfsBus::Counts& atAction) {
             EXPECT_EQ(atAction.discarded, 1);
             EXPECT_EQ(usbfs.inFlight(), 0);
         }},
        {"five instruments", 5, UsbFault{}, capture, capture, nullptr},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c, true, GetParam()), run(c, false, GetParam()));
    }
}

INSTANTIATE_TEST_SUITE_P(HostControllers, KernelOnUsbfs,
                         ::testing::Values(UsbfsBus::HostController::ScatterGather, UsbfsBus::HostController::Plain),
                         [](const auto& info) {
                             return info.param == UsbfsBus::HostController::Plain ? "Plain" : "ScatterGather";
                         });

} // namespace
