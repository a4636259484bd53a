#include "usb_windriver.h"

#include "codes.h"
#include "notifier.h"
#include "thread_flags.h"
#include "trevan_error.h"

#include <algorithm>
#include <cassert>
#include <cstdio>

namespace {

const char* const kWindriverSource = "kernel\\usb_windriver";

thread_local int t_messageHolds = 0;

} // namespace

MessageHold::MessageHold() { ++t_messageHolds; }
MessageHold::~MessageHold() { --t_messageHolds; }
bool MessageHold::active() { return t_messageHolds > 0; }

USBWinDriver::USBWinDriver(std::shared_ptr<UsbBackend> backend) : p_backend(std::move(backend)) {}

USBWinDriver::~USBWinDriver() { close(); }

void USBWinDriver::setTriggerModeQuery(std::function<int()> query) { d_triggerModeQuery = std::move(query); }

void USBWinDriver::setMessage(const std::string& text) { d_message = text.substr(0, MESSAGE_SIZE - 1); }

bool USBWinDriver::initLibrary() {
    unwatchAll();
    if (!p_backend || !p_backend->available()) return false;
    {
        std::lock_guard lock(d_listMutex);
        d_list.clear();
        d_controllerIds.clear();
        d_controllers = 0;
    }
    d_controllerWatch =
        p_backend->watch(CONTROLLER_VENDOR_ID, CONTROLLER_PRODUCT_ID,
                         [this](const UsbDeviceInfo& device, bool arrived) { controllerEvent(device, arrived); });
    d_watch = p_backend->watch(VENDOR_ID, PRODUCT_ID, [this](const UsbDeviceInfo& device, bool arrived) {
        if (arrived) {
            deviceAttach(device);
        } else {
            deviceDetach(device);
        }
    });
    return d_watch >= 0;
}

void USBWinDriver::unwatchAll() {
    for (UsbBackend::WatchId* w : {&d_watch, &d_controllerWatch}) {
        if (*w >= 0) p_backend->unwatch(*w);
        *w = -1;
    }
}

void USBWinDriver::controllerEvent(const UsbDeviceInfo& device, bool arrived) {
    std::lock_guard lock(d_listMutex);
    auto it = std::find(d_controllerIds.begin(), d_controllerIds.end(), device.id);
    if (arrived && it == d_controllerIds.end()) {
        d_controllerIds.push_back(device.id);
        ++d_arrivals;
    }
    if (!arrived && it != d_controllerIds.end()) d_controllerIds.erase(it);
    d_controllers = static_cast<int>(d_controllerIds.size());
}

void USBWinDriver::deviceAttach(const UsbDeviceInfo& device) {
    {
        std::lock_guard lock(d_listMutex);
        for (const DeviceNode& node : d_list) {
            if (node.id == device.id) return;
        }
        d_list.push_back({device.id, device.vendorId, device.productId});
        ++d_arrivals;
        if (d_activeLost || d_openFailed) d_returned = true;
    }
    d_attachEvent.notify_all();
}

// Runs on the backend's thread: it only updates the list and never waits.
void USBWinDriver::deviceDetach(const UsbDeviceInfo& device) {
    std::lock_guard lock(d_listMutex);
    auto it = std::find_if(d_list.begin(), d_list.end(), [&](const DeviceNode& n) { return n.id == device.id; });
    if (it == d_list.end()) return;
    if (it->id == d_active) {
        d_active = 0;
        d_activeLost = true;
    }
    d_list.erase(it);
}

bool USBWinDriver::open() {
    const bool opened = openDevice();
    d_open = opened;
    d_openFailed = !opened;
    return opened;
}

bool USBWinDriver::openDevice() {
    close();
    d_activeLost = false;
    d_lossReported = false;
    d_returned = false;
    initLibrary();
    {
        std::unique_lock lock(d_listMutex);
        if (p_backend) {
            p_backend->clock().waitFor(lock, d_attachEvent, std::chrono::milliseconds(ATTACH_WAIT_MS),
                                       [this] { return !d_list.empty(); });
        }
        d_deviceCount = static_cast<int>(d_list.size());
    }
    if (d_deviceCount == 0) {
        initLibrary();
        std::lock_guard lock(d_listMutex);
        d_deviceCount = static_cast<int>(d_list.size());
    }
    if (d_deviceCount == 0) {
        push_error(_ERR_NO_DEVICE, kWindriverSource, __LINE__);
        return false;
    }
    UsbDeviceId active = 0;
    {
        std::lock_guard lock(d_listMutex);
        if (d_active == 0 && !d_list.empty()) d_active = d_list.front().id;
        active = d_active;
        for (int i = 0; i < d_deviceCount && i < MAX_DEVICES; ++i)
            d_slots[static_cast<size_t>(i)] = d_list[static_cast<size_t>(i)].id;
    }
    if (d_deviceCount > MAX_DEVICES) {
        push_error(_ERR_TOO_MANY_DEVICES, kWindriverSource, __LINE__);
        return false;
    }
    UsbStatus status = UsbStatus::NoDevice;
    if (active != 0) p_device = p_backend->open(active, status);
    if (!p_device) {
        // Without a handle no transfer could work: say so now rather than on every transfer.
        char text[MESSAGE_SIZE * 2];
        std::snprintf(text, sizeof text, "DeviceDiagMenu: open failed: error 0x%lx (\"%s\")\n", usbStatusCode(status),
                      p_backend->statusText(status));
        setMessage(text);
        push_error(_ERR_USB_DEVICE_OPEN, kWindriverSource, __LINE__);
        return false;
    }
    status = p_device->claimInterface(0, 0);
    if (status != UsbStatus::Success) {
        char text[MESSAGE_SIZE * 2];
        std::snprintf(text, sizeof text, "DeviceDiagMenu: WDU_SetInterface() failed: error 0x%lx (\"%s\")\n",
                      usbStatusCode(status), p_backend->statusText(status));
        setMessage(text);
    } else {
        setMessage("DeviceDiagMenu: WDU_SetInterface() completed successfully\n");
    }
    return true;
}

void USBWinDriver::close() {
    unwatchAll();
    d_open = false;
    d_openFailed = false;
    p_device.reset();
    std::lock_guard lock(d_listMutex);
    d_list.clear();
    d_active = 0;
    d_slots.fill(0);
    d_deviceCount = 0;
}

bool USBWinDriver::readsRepeatOnTimeout() const {
    int mode = d_triggerModeQuery ? d_triggerModeQuery() : _AUTO;
    return mode != _NORMAL;
}

int USBWinDriver::finish(UsbStatus status, int transferred, const char* words) {
    d_lastStatus = status;
    if (status == UsbStatus::Success) return transferred;
    if (status == UsbStatus::NoDevice) {
        d_activeLost = true;
        if (!d_lossReported.exchange(true)) notifyUser(p_backend->statusText(UsbStatus::NoDevice));
        return -1;
    }
    if (MessageHold::active()) return -1;
    notifyUser(p_backend->statusText(status));
    notifyUser(words);
    return -1;
}

bool USBWinDriver::repeatAfterTimeout(std::chrono::milliseconds waited, int timeOut) const {
    if (!readsRepeatOnTimeout() || abortReadFlag.load()) return false;
    return waited + std::chrono::milliseconds(std::max(timeOut, 1)) <= std::chrono::milliseconds(REPEAT_BUDGET_MS);
}

int USBWinDriver::controlRead(unsigned char* data_p, int length_, const unsigned char* setup_p, int timeOut_,
                              int /*slot_*/) {
    assert(setup_p && length_ >= 0 && (length_ == 0 || data_p));
    if (!p_device || d_activeLost) return finish(UsbStatus::NoDevice, 0, "error on read");
    UsbSetupPacket setup = UsbSetupPacket::fromBytes(setup_p);
    setup.length = static_cast<std::uint16_t>(length_);
    Clock& clock = p_backend->clock();
    const auto start = clock.now();
    int transferred = 0;
    UsbStatus status = UsbStatus::Success;
    do {
        status = p_device->control(setup, data_p, transferred, static_cast<unsigned int>(timeOut_));
    } while (status == UsbStatus::Timeout && repeatAfterTimeout(clock.now() - start, timeOut_));
    if (status == UsbStatus::Timeout && (!readsRepeatOnTimeout() || abortReadFlag.load())) {
        d_lastStatus = status;
        return transferred;
    }
    return finish(status, transferred, "error on read");
}

int USBWinDriver::controlWrite(const unsigned char* data_p, int length_, const unsigned char* setup_p, int timeOut_,
                               int /*slot_*/) {
    assert(setup_p && length_ >= 0 && (length_ == 0 || data_p));
    if (!p_device || d_activeLost) return finish(UsbStatus::NoDevice, 0, "error on write");
    UsbSetupPacket setup = UsbSetupPacket::fromBytes(setup_p);
    setup.length = static_cast<std::uint16_t>(length_);
    std::vector<unsigned char> data(data_p, data_p + length_);
    int transferred = 0;
    UsbStatus status = p_device->control(setup, data.empty() ? nullptr : data.data(), transferred,
                                         static_cast<unsigned int>(timeOut_));
    return finish(status, transferred, "error on write");
}

int USBWinDriver::bulkRead(unsigned char* buffer_p, int length_, int timeOut_, int /*slot_*/) {
    assert(buffer_p && length_ >= 0);
    if (!p_device || d_activeLost) return finish(UsbStatus::NoDevice, 0, "error on read82");
    Clock& clock = p_backend->clock();
    const auto start = clock.now();
    int total = 0;
    UsbStatus status = UsbStatus::Success;
    if (timeOut_ == 0) {
        // "Without limit" still ends: in slices, watching the abort flag, up to a ceiling.
        const int maxSlices = NO_TIMEOUT_CEILING_MS / NO_TIMEOUT_SLICE_MS;
        for (int slice = 0; total < length_; ++slice) {
            if (abortReadFlag.load()) {
                d_lastStatus = UsbStatus::Timeout;
                return total;
            }
            if (slice >= maxSlices || clock.now() - start >= std::chrono::milliseconds(NO_TIMEOUT_CEILING_MS)) {
                if (readsRepeatOnTimeout()) return finish(UsbStatus::Timeout, total, "error on read82");
                d_lastStatus = UsbStatus::Timeout; // NORMAL mode: no record yet, no message
                return total;
            }
            int got = 0;
            status = p_device->bulkRead(BULK_PIPE, buffer_p + total, length_ - total, got, NO_TIMEOUT_SLICE_MS);
            total += got;
            if (status != UsbStatus::Timeout) break;
        }
        return finish(status, total, "error on read82");
    }
    for (;;) {
        int got = 0;
        status =
            p_device->bulkRead(BULK_PIPE, buffer_p + total, length_ - total, got, static_cast<unsigned int>(timeOut_));
        total += got;
        if (status != UsbStatus::Timeout || total >= length_) break;
        if (!repeatAfterTimeout(clock.now() - start, timeOut_)) break;
    }
    if (total >= length_) return finish(UsbStatus::Success, total, "error on read82");
    if (status == UsbStatus::Timeout && (!readsRepeatOnTimeout() || abortReadFlag.load())) {
        d_lastStatus = status;
        return total;
    }
    return finish(status, total, "error on read82");
}

int USBWinDriver::zeroLengthTransfer82() {
    if (!p_device || d_activeLost) return finish(UsbStatus::NoDevice, 0, "error on transfer82");
    unsigned char none = 0;
    int got = 0;
    UsbStatus status = p_device->bulkRead(BULK_PIPE, &none, 0, got, 500);
    return finish(status, 0, "error on transfer82");
}

unsigned long USBWinDriver::resetPipe82() {
    if (!p_device || d_activeLost) return usbStatusCode(UsbStatus::NoDevice);
    return usbStatusCode(p_device->clearHalt(BULK_PIPE));
}
