#include "libusb_backend.h"

#include <libusb.h>

#include <chrono>

namespace {

UsbStatus toStatus(int code) {
    switch (code) {
    case LIBUSB_SUCCESS: return UsbStatus::Success;
    case LIBUSB_ERROR_TIMEOUT: return UsbStatus::Timeout;
    case LIBUSB_ERROR_PIPE: return UsbStatus::Stall;
    case LIBUSB_ERROR_NO_DEVICE: return UsbStatus::NoDevice;
    case LIBUSB_ERROR_NOT_FOUND: return UsbStatus::NotFound;
    case LIBUSB_ERROR_ACCESS: return UsbStatus::Access;
    case LIBUSB_ERROR_BUSY: return UsbStatus::Busy;
    case LIBUSB_ERROR_OVERFLOW: return UsbStatus::Overflow;
    case LIBUSB_ERROR_IO: return UsbStatus::Io;
    case LIBUSB_ERROR_INVALID_PARAM: return UsbStatus::InvalidParam;
    case LIBUSB_ERROR_NO_MEM: return UsbStatus::NoMemory;
    case LIBUSB_ERROR_NOT_SUPPORTED: return UsbStatus::NotSupported;
    default: return UsbStatus::Other;
    }
}

UsbSpeed toSpeed(int speed) {
    switch (speed) {
    case LIBUSB_SPEED_LOW: return UsbSpeed::Low;
    case LIBUSB_SPEED_FULL: return UsbSpeed::Full;
    case LIBUSB_SPEED_HIGH: return UsbSpeed::High;
    case LIBUSB_SPEED_SUPER:
    case LIBUSB_SPEED_SUPER_PLUS: return UsbSpeed::Super;
    default: return UsbSpeed::Unknown;
    }
}

bool describe(libusb_device* device, UsbDeviceInfo& info) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS) return false;
    info.vendorId = descriptor.idVendor;
    info.productId = descriptor.idProduct;
    info.configurations = descriptor.bNumConfigurations;
    info.busNumber = libusb_get_bus_number(device);
    info.address = libusb_get_device_address(device);
    info.portNumber = libusb_get_port_number(device);
    info.speed = toSpeed(libusb_get_device_speed(device));
    return true;
}

int LIBUSB_CALL onHotplug(libusb_context*, libusb_device* device, libusb_hotplug_event event, void* user) {
    static_cast<LibusbBackend*>(user)->hotplugEvent(device, event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED);
    return 0; // stay registered
}

class LibusbDevice final : public UsbDevice {
public:
    explicit LibusbDevice(libusb_device_handle* handle) : p_handle(handle) {}
    ~LibusbDevice() override {
        if (d_claimed >= 0) libusb_release_interface(p_handle, d_claimed);
        libusb_close(p_handle);
    }

    UsbStatus claimInterface(int interfaceNumber, int alternateSetting) override {
        int rc = libusb_claim_interface(p_handle, interfaceNumber);
        if (rc != LIBUSB_SUCCESS) return toStatus(rc);
        d_claimed = interfaceNumber;
        return toStatus(libusb_set_interface_alt_setting(p_handle, interfaceNumber, alternateSetting));
    }

    UsbStatus control(const UsbSetupPacket& setup, unsigned char* data, int& transferred,
                      unsigned int timeoutMs) override {
        transferred = 0;
        int rc = libusb_control_transfer(p_handle, setup.requestType, setup.request, setup.value, setup.index, data,
                                         setup.length, timeoutMs);
        if (rc < 0) return toStatus(rc);
        transferred = rc;
        return UsbStatus::Success;
    }

    UsbStatus bulkRead(unsigned char endpoint, unsigned char* data, int length, int& transferred,
                       unsigned int timeoutMs) override {
        transferred = 0;
        int rc = libusb_bulk_transfer(p_handle, endpoint, data, length, &transferred, timeoutMs);
        // A stall halts the endpoint until the host clears it; our callers take it as the
        // end of this read only, and would otherwise never read the pipe again.
        if (rc == LIBUSB_ERROR_PIPE) libusb_clear_halt(p_handle, endpoint);
        return toStatus(rc);
    }

    UsbStatus clearHalt(unsigned char endpoint) override { return toStatus(libusb_clear_halt(p_handle, endpoint)); }

private:
    libusb_device_handle* p_handle;
    int d_claimed = -1;
};

} // namespace

LibusbBackend::LibusbBackend() {
    libusb_context* context = nullptr;
    if (libusb_init(&context) == LIBUSB_SUCCESS) p_context = context;
    if (p_context) d_hotplug = libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) != 0;
}

LibusbBackend::~LibusbBackend() {
    if (d_running.exchange(false)) {
        if (d_hotplugRegistered) libusb_hotplug_deregister_callback(p_context, d_hotplugHandle);
        libusb_interrupt_event_handler(p_context);
        d_wake.notify_all();
        d_eventThread.join();
    }
    if (p_context) libusb_exit(p_context);
}

std::vector<UsbDeviceInfo> LibusbBackend::snapshot() {
    std::vector<UsbDeviceInfo> present;
    if (!p_context) return present;
    libusb_device** list = nullptr;
    ssize_t count = libusb_get_device_list(p_context, &list);
    for (ssize_t i = 0; i < count; ++i) {
        UsbDeviceInfo info;
        if (describe(list[i], info)) present.push_back(info);
    }
    if (count >= 0) libusb_free_device_list(list, 1);
    return present;
}

void LibusbBackend::dispatchLocked(const UsbDeviceInfo& info, bool arrived) {
    for (auto& [id, w] : d_watches) {
        if (w.vendorId == info.vendorId && w.productId == info.productId) w.callback(info, arrived);
    }
}

void LibusbBackend::arrivedLocked(UsbDeviceInfo info) {
    Location where{info.busNumber, info.address};
    if (d_known.count(where)) return;
    info.id = d_nextId++;
    d_known.emplace(where, info);
    dispatchLocked(info, true);
}

void LibusbBackend::leftLocked(const Location& where) {
    auto it = d_known.find(where);
    if (it == d_known.end()) return;
    UsbDeviceInfo info = it->second;
    d_known.erase(it);
    dispatchLocked(info, false);
}

void LibusbBackend::reconcile(const std::vector<UsbDeviceInfo>& present) {
    std::map<Location, const UsbDeviceInfo*> now;
    for (const UsbDeviceInfo& info : present) now.emplace(Location{info.busNumber, info.address}, &info);
    for (auto it = d_known.begin(); it != d_known.end();) {
        auto next = std::next(it);
        auto found = now.find(it->first);
        if (found == now.end() || found->second->vendorId != it->second.vendorId ||
            found->second->productId != it->second.productId)
            leftLocked(it->first);
        it = next;
    }
    for (const UsbDeviceInfo& info : present) arrivedLocked(info);
}

void LibusbBackend::hotplugEvent(libusb_device* device, bool arrived) {
    UsbDeviceInfo info;
    info.busNumber = libusb_get_bus_number(device);
    info.address = libusb_get_device_address(device);
    std::lock_guard lock(d_mutex);
    if (!arrived) {
        leftLocked({info.busNumber, info.address});
        return;
    }
    if (describe(device, info)) arrivedLocked(info);
}

std::vector<UsbDeviceInfo> LibusbBackend::enumerate(std::uint16_t vendorId, std::uint16_t productId) {
    std::vector<UsbDeviceInfo> present = snapshot();
    std::vector<UsbDeviceInfo> found;
    std::lock_guard lock(d_mutex);
    reconcile(present);
    for (const UsbDeviceInfo& info : present) {
        if (info.vendorId != vendorId || info.productId != productId) continue;
        auto it = d_known.find({info.busNumber, info.address});
        if (it != d_known.end()) found.push_back(it->second);
    }
    return found;
}

UsbBackend::WatchId LibusbBackend::watch(std::uint16_t vendorId, std::uint16_t productId, HotplugCallback callback) {
    if (!p_context) return -1;
    startEventThread();
    std::vector<UsbDeviceInfo> present = snapshot();
    std::lock_guard lock(d_mutex);
    reconcile(present);
    WatchId id = d_nextWatch++;
    Watch& w = d_watches.emplace(id, Watch{vendorId, productId, std::move(callback)}).first->second;
    for (const UsbDeviceInfo& info : present) {
        if (info.vendorId != vendorId || info.productId != productId) continue;
        auto it = d_known.find({info.busNumber, info.address});
        if (it != d_known.end()) w.callback(it->second, true);
    }
    return id;
}

void LibusbBackend::unwatch(WatchId watch) {
    std::lock_guard lock(d_mutex);
    d_watches.erase(watch);
}

void LibusbBackend::startEventThread() {
    if (d_running.exchange(true)) return;
    if (d_hotplug) {
        libusb_hotplug_callback_handle handle = 0;
        int rc = libusb_hotplug_register_callback(
            p_context,
            static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
            static_cast<libusb_hotplug_flag>(0), LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
            LIBUSB_HOTPLUG_MATCH_ANY, onHotplug, this, &handle);
        d_hotplugRegistered = rc == LIBUSB_SUCCESS;
        d_hotplugHandle = handle;
        if (!d_hotplugRegistered) d_hotplug = false;
    }
    d_eventThread = std::thread([this] { eventLoop(); });
}

void LibusbBackend::eventLoop() {
    while (d_running) {
        if (d_hotplug) {
            timeval slice{0, 100000};
            libusb_handle_events_timeout_completed(p_context, &slice, nullptr);
            continue;
        }
        {
            std::unique_lock lock(d_wakeMutex);
            d_wake.wait_for(lock, std::chrono::milliseconds(500), [this] { return !d_running; });
        }
        if (!d_running) break;
        std::vector<UsbDeviceInfo> present = snapshot();
        std::lock_guard lock(d_mutex);
        reconcile(present);
    }
}

std::unique_ptr<UsbDevice> LibusbBackend::open(UsbDeviceId device, UsbStatus& status) {
    status = UsbStatus::NoDevice;
    if (!p_context) {
        status = UsbStatus::Unavailable;
        return nullptr;
    }
    Location where{-1, -1};
    {
        std::lock_guard lock(d_mutex);
        for (const auto& [loc, info] : d_known) {
            if (info.id == device) where = loc;
        }
    }
    if (where.first < 0) return nullptr;
    libusb_device** list = nullptr;
    ssize_t count = libusb_get_device_list(p_context, &list);
    libusb_device_handle* handle = nullptr;
    for (ssize_t i = 0; i < count; ++i) {
        if (libusb_get_bus_number(list[i]) == where.first && libusb_get_device_address(list[i]) == where.second) {
            int rc = libusb_open(list[i], &handle);
            status = toStatus(rc);
            break;
        }
    }
    if (count >= 0) libusb_free_device_list(list, 1);
    if (!handle) return nullptr;
    libusb_set_auto_detach_kernel_driver(handle, 1);
    status = UsbStatus::Success;
    return std::make_unique<LibusbDevice>(handle);
}
