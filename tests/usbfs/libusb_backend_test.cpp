// LibusbBackend on the simulated instrument through usbfs: what the kernel relies on from
// it, below the kernel.
#include "usbfs_bus.h"

#include "libusb_backend.h"
#include "simulated_instrument.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

namespace {

SimulatorConfig programmed(int devices = 1) {
    SimulatorConfig config;
    config.programmed = true;
    config.devices = devices;
    return config;
}

// An open instrument, with the backend's event thread running (it reaps URBs while the
// caller is still submitting them).
struct Opened {
    explicit Opened(UsbfsBus::HostController host) : usbfs(programmed(), host) {
        watch = backend.watch(SimulatedInstrument::VENDOR_ID, SimulatedInstrument::PRODUCT_ID,
                              [](const UsbDeviceInfo&, bool) {});
        std::vector<UsbDeviceInfo> found =
            backend.enumerate(SimulatedInstrument::VENDOR_ID, SimulatedInstrument::PRODUCT_ID);
        UsbStatus status = UsbStatus::Other;
        if (!found.empty()) device = backend.open(found[0].id, status);
        if (device) device->claimInterface(0, 0);
    }
    ~Opened() { backend.unwatch(watch); }

    UsbfsBus usbfs;
    LibusbBackend backend;
    UsbBackend::WatchId watch = -1;
    std::unique_ptr<UsbDevice> device;
};

// A stall halts a real bulk endpoint until the host clears it; the backend's callers
// (and the simulated bus) take a stall as the end of that one read.
TEST(LibusbBackendOnUsbfs, AStalledBulkReadLeavesThePipeReady) {
    for (auto host : {UsbfsBus::HostController::ScatterGather, UsbfsBus::HostController::Plain}) {
        SCOPED_TRACE(host == UsbfsBus::HostController::Plain ? "16 KB URBs" : "one URB");
        Opened o(host);
        ASSERT_TRUE(o.device);
        o.usbfs.bus().injectFault({UsbFault::Kind::Stall, -1, true, 0, 1, -1});
        std::vector<unsigned char> buffer(20000);
        int transferred = -1;
        EXPECT_EQ(o.device->bulkRead(0x82, buffer.data(), 20000, transferred, 500), UsbStatus::Stall);
        EXPECT_EQ(transferred, 0);
        EXPECT_EQ(o.device->bulkRead(0x82, buffer.data(), 20000, transferred, 500), UsbStatus::Success);
        // The instrument ends the transfer at its own record length (a short packet).
        EXPECT_GT(transferred, 0);
        EXPECT_EQ(o.usbfs.counts().clearHalts, 1);
    }
}

// Arrivals and departures come from udev: a device that leaves is reported gone, one that
// comes is reported with a new id.
TEST(LibusbBackendOnUsbfs, HotplugReportsDeparturesAndArrivals) {
    UsbfsBus usbfs(programmed());
    LibusbBackend backend;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<UsbDeviceId, bool>> events;
    const auto watch = backend.watch(SimulatedInstrument::VENDOR_ID, SimulatedInstrument::PRODUCT_ID,
                                     [&](const UsbDeviceInfo& info, bool arrived) {
                                         std::lock_guard lock(mutex);
                                         events.emplace_back(info.id, arrived);
                                         changed.notify_all();
                                     });
    ASSERT_GE(watch, 0);
    EXPECT_TRUE(backend.hasHotplug());
    // The events once there are `count` of them (fewer after five seconds).
    auto waitFor = [&](size_t count) {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::seconds(5), [&] { return events.size() >= count; });
        return events;
    };
    ASSERT_EQ(waitFor(1).size(), 1u);
    const UsbDeviceId first = waitFor(1)[0].first;
    auto instrument = usbfs.bus().instrument();
    usbfs.bus().unplug(usbfs.bus().attached().front());
    ASSERT_EQ(waitFor(2).size(), 2u);
    usbfs.bus().plug(instrument);
    const std::vector<std::pair<UsbDeviceId, bool>> seen = waitFor(3);
    backend.unwatch(watch);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1], std::make_pair(first, false));
    EXPECT_TRUE(seen[2].second);
    EXPECT_NE(seen[2].first, first);
    EXPECT_EQ(backend.enumerate(SimulatedInstrument::VENDOR_ID, SimulatedInstrument::PRODUCT_ID).size(), 1u);
}

} // namespace
