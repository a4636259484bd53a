#pragma once
// UsbBackend on libusb-1.0 for real instruments. Arrivals and departures come from
// libusb's hot-plug events where the platform has them, else from a scan of the device
// list every half second; both run on the backend's own event thread. A device is known
// by its bus number and address while it stays attached.

#include "usb_backend.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

struct libusb_context;
struct libusb_device;

class LibusbBackend final : public UsbBackend {
public:
    LibusbBackend();
    ~LibusbBackend() override;
    LibusbBackend(const LibusbBackend&) = delete;
    LibusbBackend& operator=(const LibusbBackend&) = delete;

    bool available() const override { return p_context != nullptr; }
    std::vector<UsbDeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId) override;
    WatchId watch(std::uint16_t vendorId, std::uint16_t productId, HotplugCallback callback) override;
    void unwatch(WatchId watch) override;
    std::unique_ptr<UsbDevice> open(UsbDeviceId device, UsbStatus& status) override;
    Clock& clock() override { return steadyClock(); }

    // True when departures are learnt from hot-plug events rather than a list scan.
    bool hasHotplug() const { return d_hotplug; }

    // Handler of libusb's hot-plug events; public only so that the C callback can reach it.
    void hotplugEvent(libusb_device* device, bool arrived);

private:
    using Location = std::pair<int, int>; // bus number, address

    struct Watch {
        std::uint16_t vendorId;
        std::uint16_t productId;
        HotplugCallback callback;
    };

    // The attached devices, read without holding d_mutex.
    std::vector<UsbDeviceInfo> snapshot();
    // Brings d_known up to `present`, reporting arrivals and departures. Needs d_mutex.
    void reconcile(const std::vector<UsbDeviceInfo>& present);
    void arrivedLocked(UsbDeviceInfo info);
    void leftLocked(const Location& where);
    void dispatchLocked(const UsbDeviceInfo& info, bool arrived);
    void startEventThread();
    void eventLoop();

    libusb_context* p_context = nullptr;
    bool d_hotplug = false;
    bool d_hotplugRegistered = false;
    int d_hotplugHandle = 0;

    // Guards the members below; held while watch callbacks run, so unwatch waits for them.
    std::mutex d_mutex;
    std::map<Location, UsbDeviceInfo> d_known;
    std::map<WatchId, Watch> d_watches;
    WatchId d_nextWatch = 1;
    UsbDeviceId d_nextId = 1;

    std::thread d_eventThread;
    std::atomic<bool> d_running{false};
    std::mutex d_wakeMutex;
    std::condition_variable d_wake;
};
