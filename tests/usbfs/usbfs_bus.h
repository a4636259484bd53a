#pragma once
// The simulated bus seen through the Linux USB stack: every device on a SimulatedBus
// appears in a umockdev testbed as a sysfs device with its descriptors and a usbfs node
// (/dev/bus/usb/001/NNN), and the usbfs requests that libusb sends to the node are
// answered from the bus's devices. So a program run under umockdev's preload library
// (umockdev-wrapper) reaches the simulated controller and instrument through libusb,
// its URBs, its event handling and udev hot-plug, exactly as it reaches a real one.
//
// What the usbfs side adds to the bus, as a real kernel and device would:
//   - URBs complete asynchronously: the device serves them in submit order when the host
//     reaps (REAPURBNDELAY);
//   - a bulk read cut into several URBs starts once all are queued (a device answers in
//     frames, far slower than the host queues), and a short or failed URB ends the URBs
//     chained to it;
//   - a transfer the bus times out never completes: libusb cancels it (DISCARDURB) at
//     its own time-out and reaps it with -ENOENT and the bytes moved so far;
//   - a stall of a bulk endpoint halts it: later URBs on it fail with -EPIPE until
//     CLEAR_HALT;
//   - a device that leaves kills its URBs in flight (-ESHUTDOWN), answers every later
//     request with ENODEV, and its node and sysfs entry go away with a "remove" uevent.
// Arrivals and departures reach the testbed from a thread of this object a moment after
// they happen on the bus, so hot-plug runs through udev as on a real machine. The bus
// should run on its virtual clock: that thread moves it on in real time only while the
// bus has something scheduled (a controller's re-enumeration).
//
// Only one UsbfsBus may exist at a time (umockdev has one testbed per process).

#include "simulated_bus.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct _UMockdevTestbed;

class UsbfsBus {
public:
    // How libusb may send a long bulk read: as one URB, or cut into URBs of 16 KB.
    enum class HostController { ScatterGather, Plain };

    // The bus's devices are mirrored at once; the constructor returns when they are in the
    // testbed.
    explicit UsbfsBus(SimulatorConfig config, HostController host = HostController::ScatterGather);
    ~UsbfsBus();
    UsbfsBus(const UsbfsBus&) = delete;
    UsbfsBus& operator=(const UsbfsBus&) = delete;

    SimulatedBus& bus() { return *p_bus; }
    std::shared_ptr<SimulatedBus> sharedBus() { return p_bus; }

    // Waits (real time, at most `timeoutMs`) until the testbed holds exactly the bus's
    // devices. True when it does.
    bool settle(int timeoutMs = 2000);

    struct Counts {
        int submitted = 0; // URBs accepted
        int reaped = 0;
        int discarded = 0; // cancelled by the host
        int clearHalts = 0;
    };
    Counts counts() const;
    // URBs submitted and not yet reaped.
    int inFlight() const;
    // Device nodes now in the testbed.
    std::vector<std::string> nodes() const;

    struct Node;  // one device as usbfs shows it; public for the request handler only
    struct Tally; // the counts, shared with the request handler

private:
    void onBusEvent(const UsbDeviceInfo& info, bool arrived);
    // False when the testbed refused it.
    bool addToTestbed(Node& node);
    void removeFromTestbed(Node& node);
    void serviceLoop();

    std::shared_ptr<SimulatedBus> p_bus;
    std::unique_ptr<Tally> p_tally;
    const HostController d_host;
    _UMockdevTestbed* p_testbed = nullptr;
    std::vector<UsbBackend::WatchId> d_watches;

    // Guards the members below. Never held while the bus or the testbed is called.
    mutable std::mutex d_mutex;
    std::condition_variable d_changed;
    // Every device ever seen, kept for requests that come after it left.
    std::map<UsbDeviceId, std::shared_ptr<Node>> d_nodes;
    std::deque<std::pair<UsbDeviceId, bool>> d_events; // (device, arrived) not yet in the testbed
    int d_present = 0;                                 // devices in the testbed

    std::atomic<bool> d_running{true};
    std::thread d_service;
};
