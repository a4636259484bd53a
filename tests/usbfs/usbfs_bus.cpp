#include "usbfs_bus.h"

#include "simulated_controller.h"
#include "simulated_instrument.h"

#include <umockdev.h>

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <set>

namespace {

constexpr auto kServicePeriod = std::chrono::milliseconds(2);

// What a current kernel reports. With scatter-gather (xHCI) libusb sends each bulk read
// as one URB; without it (a full-speed device on an OHCI or UHCI companion controller) it
// cuts reads into 16 KB URBs chained as bulk continuations.
constexpr std::uint32_t kCapabilities = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                        USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;

constexpr unsigned char kBulkOut = 0x02;

// Device, configuration, interface and endpoint descriptors as the sysfs "descriptors"
// file holds them. The instrument has the bulk pair 0x82 / 0x02 on interface 0; the
// unprogrammed controller shows interface 0 without endpoints.
std::vector<unsigned char> descriptors(std::uint16_t vendorId, std::uint16_t productId, bool instrument) {
    std::vector<unsigned char> d = {18,
                                    1,
                                    0x10,
                                    0x01,
                                    0xFF,
                                    0xFF,
                                    0xFF,
                                    64,
                                    static_cast<unsigned char>(vendorId),
                                    static_cast<unsigned char>(vendorId >> 8),
                                    static_cast<unsigned char>(productId),
                                    static_cast<unsigned char>(productId >> 8),
                                    0x01,
                                    0x00,
                                    0,
                                    0,
                                    0,
                                    1};
    const unsigned char endpoints = instrument ? 2 : 0;
    const unsigned char total = static_cast<unsigned char>(9 + 9 + 7 * endpoints);
    const std::vector<unsigned char> config = {9, 2, total, 0, 1,         1,    0,    0x80, 50,
                                               9, 4, 0,     0, endpoints, 0xFF, 0xFF, 0xFF, 0};
    d.insert(d.end(), config.begin(), config.end());
    if (instrument) {
        const std::vector<unsigned char> eps = {
            7, 5, SimulatedInstrument::BULK_PIPE, 2, 64, 0, 0, 7, 5, kBulkOut, 2, 64, 0, 0};
        d.insert(d.end(), eps.begin(), eps.end());
    }
    return d;
}

int errnoFor(UsbStatus status) {
    switch (status) {
    case UsbStatus::Success: return 0;
    case UsbStatus::Stall: return EPIPE;
    case UsbStatus::NoDevice: return ESHUTDOWN;
    case UsbStatus::Overflow: return EOVERFLOW;
    default: return EPROTO;
    }
}

} // namespace

struct UsbfsBus::Tally {
    std::atomic<int> submitted{0}, reaped{0}, discarded{0}, clearHalts{0};
};

struct UsbfsBus::Node {
    struct Urb {
        UMockdevIoctlData* data = nullptr; // owned reference to the client's URB
        // Owned reference to its buffer, a child of `data`; null when it has none.
        UMockdevIoctlData* buffer = nullptr;
        int status = 0; // negative error number
        int actual = 0;

        usbdevfs_urb& urb() const { return *reinterpret_cast<usbdevfs_urb*>(data->data); }
        void release() {
            if (buffer) g_object_unref(buffer);
            g_object_unref(data);
        }
    };

    SimulatedBus* bus = nullptr;
    Tally* tally = nullptr;
    std::uint32_t capabilities = kCapabilities;
    UsbDeviceId id = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    int address = 0;
    std::string syspath;
    std::string devnode;
    UMockdevIoctlBase* handler = nullptr;
    bool inTestbed = false; // guarded by the UsbfsBus's mutex

    // Guards the members below; never held while the bus is called.
    std::mutex mutex;
    bool gone = false;
    std::deque<Urb> queued;          // submitted, not yet served by the device
    std::deque<Urb> done;            // completed, waiting to be reaped
    std::vector<Urb> stuck;          // served but unanswered: they end only when discarded
    std::set<unsigned char> halted;  // bulk endpoints that stalled, until CLEAR_HALT
    std::set<unsigned char> stopped; // bulk endpoints refusing continuation URBs after an error

    bool isInstrument() const { return vendorId != SimulatedController::VENDOR_ID; }

    // A device answers in frames, far slower than the host queues URBs: it starts on a bulk
    // read cut into several URBs only once all of them are queued. libusb flags every URB
    // but the last of such a read SHORT_NOT_OK. Needs `mutex`.
    bool wholeChainQueued() const {
        const usbdevfs_urb& head = queued.front().urb();
        if (head.type != USBDEVFS_URB_TYPE_BULK || !(head.flags & USBDEVFS_URB_SHORT_NOT_OK)) return true;
        for (auto it = queued.begin() + 1; it != queued.end(); ++it) {
            if (it->urb().endpoint == head.endpoint) return true;
        }
        return false;
    }

    // Puts the outcome into the client's URB and queues it for reaping; `first` ahead of
    // the others (those that ended while it was being served).
    void finish(Urb urb, bool first = false) {
        urb.urb().status = urb.status;
        urb.urb().actual_length = urb.actual;
        if (first) {
            done.push_front(urb);
        } else {
            done.push_back(urb);
        }
    }

    // The device left: what is in flight dies.
    void leave() {
        std::lock_guard lock(mutex);
        gone = true;
        for (Urb& urb : stuck) finish({urb.data, urb.buffer, -ESHUTDOWN, urb.actual});
        stuck.clear();
        for (Urb& urb : queued) finish({urb.data, urb.buffer, -ESHUTDOWN, 0});
        queued.clear();
    }
};

namespace {

using Node = UsbfsBus::Node;

struct Answer {
    long result = 0;
    int error = 0;
};

UMockdevIoctlData* resolveArg(UMockdevIoctlClient* client, gsize length) {
    GError* error = nullptr;
    UMockdevIoctlData* data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, length, &error);
    if (error) g_error_free(error);
    return data;
}

template <typename T>
bool readArg(UMockdevIoctlClient* client, T& value) {
    UMockdevIoctlData* data = resolveArg(client, sizeof(T));
    if (!data) return false;
    std::memcpy(&value, data->data, sizeof(T));
    g_object_unref(data);
    return true;
}

// A URB is queued; the device serves it when the host looks for completions.
Answer submit(Node& node, UMockdevIoctlClient* client) {
    UMockdevIoctlData* data = resolveArg(client, sizeof(usbdevfs_urb));
    if (!data) return {-1, EFAULT};
    Node::Urb urb{data, nullptr, 0, 0};
    const usbdevfs_urb& u = urb.urb();
    const bool bulk = u.type == USBDEVFS_URB_TYPE_BULK;
    const bool control = u.type == USBDEVFS_URB_TYPE_CONTROL;
    const bool knownEndpoint = control ? u.endpoint == 0
                                       : bulk && node.isInstrument() &&
                                             (u.endpoint == SimulatedInstrument::BULK_PIPE || u.endpoint == kBulkOut);
    if (!knownEndpoint || u.buffer_length < 0 || (control && u.buffer_length < 8)) {
        urb.release();
        return {-1, control || bulk ? ENOENT : EINVAL};
    }
    if (u.buffer_length > 0) {
        GError* error = nullptr;
        urb.buffer = umockdev_ioctl_data_resolve(data, offsetof(usbdevfs_urb, buffer),
                                                 static_cast<gsize>(u.buffer_length), &error);
        if (error) g_error_free(error);
        if (!urb.buffer) {
            urb.release();
            return {-1, EFAULT};
        }
    }
    std::lock_guard lock(node.mutex);
    if (node.gone) {
        urb.release();
        return {-1, ENODEV};
    }
    if (bulk) {
        const bool continuation = (u.flags & USBDEVFS_URB_BULK_CONTINUATION) != 0;
        if (continuation && node.stopped.count(u.endpoint)) {
            urb.release();
            return {-1, EREMOTEIO};
        }
        if (!continuation) node.stopped.erase(u.endpoint);
    }
    node.queued.push_back(urb);
    ++node.tally->submitted;
    return {0, 0};
}

// The device answers one queued URB.
void serve(Node& node, Node::Urb urb) {
    const usbdevfs_urb& u = urb.urb();
    unsigned char* bytes = urb.buffer ? urb.buffer->data : nullptr;
    const bool bulk = u.type == USBDEVFS_URB_TYPE_BULK;
    UsbStatus status = UsbStatus::Success;
    int transferred = 0;
    if (!bulk) {
        const UsbSetupPacket setup = UsbSetupPacket::fromBytes(bytes);
        if (setup.length > u.buffer_length - 8) {
            status = UsbStatus::Overflow;
        } else {
            status = node.bus->control(node.id, setup, bytes + 8, transferred, 0);
        }
    } else if (u.endpoint == kBulkOut) {
        transferred = u.buffer_length; // the instrument drains its OUT pipe; nothing in its protocol uses it
    } else {
        bool halted = false;
        {
            std::lock_guard lock(node.mutex);
            halted = node.halted.count(u.endpoint) > 0;
        }
        if (halted) {
            status = UsbStatus::Stall;
        } else {
            status = node.bus->bulkRead(node.id, u.endpoint, bytes, u.buffer_length, transferred, 0);
        }
    }
    urb.actual = transferred;

    std::lock_guard lock(node.mutex);
    if (status == UsbStatus::Timeout) {
        node.stuck.push_back(urb); // the device never answers; the host cancels it
        return;
    }
    urb.status = -errnoFor(status);
    if (bulk && status == UsbStatus::Stall) node.halted.insert(u.endpoint);
    if (bulk && urb.status == 0 && transferred < u.buffer_length && (u.flags & USBDEVFS_URB_SHORT_NOT_OK))
        urb.status = -EREMOTEIO;
    // Serving starts with nothing to reap: what is there now ended during it.
    node.finish(urb, true);
    if (!bulk || urb.status == 0) return;
    // An error ends the rest of a transfer that was cut into several URBs.
    node.stopped.insert(u.endpoint);
    for (auto it = node.queued.begin(); it != node.queued.end();) {
        const usbdevfs_urb& next = it->urb();
        if (next.endpoint == u.endpoint && (next.flags & USBDEVFS_URB_BULK_CONTINUATION)) {
            node.finish({it->data, it->buffer, -ECONNRESET, 0});
            it = node.queued.erase(it);
        } else {
            ++it;
        }
    }
}

Answer reap(Node& node, UMockdevIoctlClient* client) {
    for (;;) {
        Node::Urb next;
        {
            std::lock_guard lock(node.mutex);
            if (!node.done.empty()) {
                UMockdevIoctlData* out = resolveArg(client, sizeof(void*));
                if (!out) return {-1, EFAULT};
                Node::Urb urb = node.done.front();
                node.done.pop_front();
                umockdev_ioctl_data_set_ptr(out, 0, urb.data);
                urb.release();
                g_object_unref(out);
                ++node.tally->reaped;
                return {0, 0};
            }
            if (node.queued.empty()) return {-1, node.gone ? ENODEV : EAGAIN};
            if (!node.wholeChainQueued()) return {-1, EAGAIN};
            next = node.queued.front();
            node.queued.pop_front();
        }
        serve(node, next);
    }
}

Answer discard(Node& node, UMockdevIoctlClient* client) {
    // The argument is the client's URB address itself.
    const gulong address = *reinterpret_cast<const gulong*>(umockdev_ioctl_client_get_arg(client)->data);
    std::lock_guard lock(node.mutex);
    for (auto it = node.queued.begin(); it != node.queued.end(); ++it) {
        if (it->data->client_addr != address) continue;
        node.finish({it->data, it->buffer, -ENOENT, 0});
        node.queued.erase(it);
        ++node.tally->discarded;
        return {0, 0};
    }
    for (auto it = node.stuck.begin(); it != node.stuck.end(); ++it) {
        if (it->data->client_addr != address) continue;
        node.finish({it->data, it->buffer, -ENOENT, it->actual});
        node.stuck.erase(it);
        ++node.tally->discarded;
        return {0, 0};
    }
    return {-1, EINVAL};
}

Answer answer(Node& node, UMockdevIoctlClient* client) {
    const gulong request = umockdev_ioctl_client_get_request(client);
    if (request == USBDEVFS_REAPURBNDELAY || request == USBDEVFS_REAPURB) return reap(node, client);
    if (request == USBDEVFS_DISCARDURB) return discard(node, client);
    {
        std::lock_guard lock(node.mutex);
        if (node.gone) return {-1, ENODEV};
    }
    switch (request) {
    case USBDEVFS_SUBMITURB: return submit(node, client);
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* data = resolveArg(client, sizeof(std::uint32_t));
        if (!data) return {-1, EFAULT};
        std::memcpy(data->data, &node.capabilities, sizeof node.capabilities);
        g_object_unref(data);
        return {0, 0};
    }
    case USBDEVFS_DISCONNECT_CLAIM: {
        usbdevfs_disconnect_claim claim{};
        if (!readArg(client, claim)) return {-1, EFAULT};
        return claim.interface == 0 ? Answer{0, 0} : Answer{-1, ENOENT};
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE: {
        unsigned int interface = 0;
        if (!readArg(client, interface)) return {-1, EFAULT};
        return interface == 0 ? Answer{0, 0} : Answer{-1, ENOENT};
    }
    case USBDEVFS_SETINTERFACE: {
        usbdevfs_setinterface set{};
        if (!readArg(client, set)) return {-1, EFAULT};
        return set.interface == 0 && set.altsetting == 0 ? Answer{0, 0} : Answer{-1, EINVAL};
    }
    case USBDEVFS_CLEAR_HALT: {
        unsigned int endpoint = 0;
        if (!readArg(client, endpoint)) return {-1, EFAULT};
        if (!node.isInstrument() || (endpoint != SimulatedInstrument::BULK_PIPE && endpoint != kBulkOut))
            return {-1, ENOENT};
        {
            std::lock_guard lock(node.mutex);
            node.halted.erase(static_cast<unsigned char>(endpoint));
            ++node.tally->clearHalts;
        }
        node.bus->clearHalt(node.id, static_cast<unsigned char>(endpoint));
        return {0, 0};
    }
    case USBDEVFS_RESETEP:
    case USBDEVFS_RESET: return {0, 0};
    case USBDEVFS_GETDRIVER:
    case USBDEVFS_IOCTL: return {-1, ENODATA}; // no kernel driver is bound
    default: return {-1, ENOTTY};
    }
}

// Runs on umockdev's worker thread, one request at a time.
gboolean handleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user) {
    auto* node = static_cast<Node*>(user);
    const Answer a = answer(*node, client);
    umockdev_ioctl_client_complete(client, a.result, a.error);
    return TRUE;
}

} // namespace

UsbfsBus::UsbfsBus(SimulatorConfig config, HostController host) : p_tally(std::make_unique<Tally>()), d_host(host) {
    p_testbed = umockdev_testbed_new();
    p_bus = std::make_shared<SimulatedBus>(config);
    const std::pair<std::uint16_t, std::uint16_t> kinds[] = {
        {SimulatedController::VENDOR_ID, SimulatedController::PRODUCT_ID},
        {SimulatedInstrument::VENDOR_ID, SimulatedInstrument::PRODUCT_ID}};
    for (const auto& [vendor, product] : kinds) {
        d_watches.push_back(p_bus->watch(
            vendor, product, [this](const UsbDeviceInfo& info, bool arrived) { onBusEvent(info, arrived); }));
    }
    d_service = std::thread([this] { serviceLoop(); });
    settle();
}

UsbfsBus::~UsbfsBus() {
    for (UsbBackend::WatchId watch : d_watches) p_bus->unwatch(watch);
    d_running = false;
    d_service.join();
    for (auto& [id, node] : d_nodes) {
        if (node->inTestbed) umockdev_testbed_detach_ioctl(p_testbed, node->devnode.c_str(), nullptr);
    }
    g_object_unref(p_testbed);
    for (auto& [id, node] : d_nodes) {
        for (Node::Urb& urb : node->queued) urb.release();
        for (Node::Urb& urb : node->done) urb.release();
        for (Node::Urb& urb : node->stuck) urb.release();
        if (node->handler) g_object_unref(node->handler);
    }
}

// Runs on the thread that changed the bus (a transfer, the clock, a test): it only notes
// the event; the service thread updates the testbed.
void UsbfsBus::onBusEvent(const UsbDeviceInfo& info, bool arrived) {
    std::shared_ptr<Node> node;
    {
        std::lock_guard lock(d_mutex);
        auto& slot = d_nodes[info.id];
        if (!slot) {
            slot = std::make_shared<Node>();
            slot->bus = p_bus.get();
            slot->tally = p_tally.get();
            if (d_host == HostController::ScatterGather) slot->capabilities |= USBDEVFS_CAP_BULK_SCATTER_GATHER;
            slot->id = info.id;
            slot->vendorId = info.vendorId;
            slot->productId = info.productId;
            slot->address = info.address;
        }
        node = slot;
        d_events.emplace_back(info.id, arrived);
    }
    if (!arrived) node->leave();
    d_changed.notify_all();
}

bool UsbfsBus::addToTestbed(Node& node) {
    char name[64];
    std::snprintf(name, sizeof name, "bus/usb/001/%03d", node.address);
    node.devnode = std::string("/dev/") + name;
    node.syspath = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(node.id);
    // The device in umockdev's description format: P path, N node, E uevent property,
    // A attribute (a sysfs file ends with a newline), H binary attribute in hex.
    std::string text = "P: " + node.syspath.substr(4) + "\nN: " + name + "\n";
    auto property = [&text](const char* key, const std::string& value) {
        text += std::string("E: ") + key + "=" + value + "\n";
    };
    auto attribute = [&text](const char* key, const std::string& value) {
        text += std::string("A: ") + key + "=" + value + "\\n\n";
    };
    char number[3][8];
    std::snprintf(number[0], sizeof number[0], "%03d", node.address);
    std::snprintf(number[1], sizeof number[1], "%04x", node.vendorId);
    std::snprintf(number[2], sizeof number[2], "%04x", node.productId);
    property("DEVNAME", node.devnode);
    property("DEVTYPE", "usb_device");
    property("SUBSYSTEM", "usb");
    property("BUSNUM", "001");
    property("DEVNUM", number[0]);
    attribute("busnum", "1");
    attribute("devnum", std::to_string(node.address));
    attribute("dev", "189:" + std::to_string(node.address - 1));
    attribute("speed", "12");
    attribute("bConfigurationValue", "1");
    attribute("bNumConfigurations", "1");
    attribute("idVendor", number[1]);
    attribute("idProduct", number[2]);
    text += "H: descriptors=";
    for (unsigned char byte : descriptors(node.vendorId, node.productId, node.isInstrument())) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", byte);
        text += two;
    }
    text += "\n\n";
    // The handler first: a scan that sees the sysfs entry may open the node at once.
    GError* error = nullptr;
    if (!node.handler) {
        node.handler = umockdev_ioctl_base_new();
        g_signal_connect(node.handler, "handle-ioctl", G_CALLBACK(handleIoctl), &node);
    }
    if (!umockdev_testbed_attach_ioctl(p_testbed, node.devnode.c_str(), node.handler, &error)) {
        std::fprintf(stderr, "usbfs: cannot serve %s: %s\n", name, error ? error->message : "?");
        if (error) g_error_free(error);
        return false;
    }
    if (!umockdev_testbed_add_from_string(p_testbed, text.c_str(), &error)) {
        std::fprintf(stderr, "usbfs: cannot add %s: %s\n", name, error ? error->message : "?");
        if (error) g_error_free(error);
        return false;
    }
    umockdev_testbed_uevent(p_testbed, node.syspath.c_str(), "add");
    return true;
}

void UsbfsBus::removeFromTestbed(Node& node) {
    // The uevent first: udev reads the node's name from the device, which must still be there.
    umockdev_testbed_uevent(p_testbed, node.syspath.c_str(), "remove");
    umockdev_testbed_remove_device(p_testbed, node.syspath.c_str());
}

void UsbfsBus::serviceLoop() {
    SimulatedClock& clock = p_bus->simulatedClock();
    auto last = std::chrono::steady_clock::now();
    while (d_running) {
        // Nothing here waits on the bus's virtual clock; while the bus has something
        // scheduled (a controller re-enumerating) its time follows real time.
        const auto now = std::chrono::steady_clock::now();
        clock.runDue();
        if (clock.pending() > 0) {
            const auto step = std::chrono::duration_cast<std::chrono::milliseconds>(now - last);
            clock.advance(step);
            last += step;
        } else {
            last = now;
        }
        for (;;) {
            std::pair<UsbDeviceId, bool> event;
            std::shared_ptr<Node> node;
            {
                std::lock_guard lock(d_mutex);
                if (d_events.empty()) break;
                event = d_events.front();
                d_events.pop_front();
                node = d_nodes[event.first];
            }
            bool inTestbed = false;
            if (event.second) {
                inTestbed = addToTestbed(*node);
            } else if (node->inTestbed) {
                removeFromTestbed(*node);
            }
            std::lock_guard lock(d_mutex);
            d_present += event.second ? 1 : -1;
            node->inTestbed = inTestbed;
        }
        d_changed.notify_all();
        std::unique_lock lock(d_mutex);
        d_changed.wait_for(lock, kServicePeriod, [this] { return !d_running || !d_events.empty(); });
    }
}

bool UsbfsBus::settle(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const size_t attached = p_bus->attached().size();
        std::unique_lock lock(d_mutex);
        if (d_events.empty() && static_cast<size_t>(d_present) == attached) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        d_changed.wait_for(lock, kServicePeriod);
    }
}

UsbfsBus::Counts UsbfsBus::counts() const {
    Counts c;
    c.submitted = p_tally->submitted;
    c.reaped = p_tally->reaped;
    c.discarded = p_tally->discarded;
    c.clearHalts = p_tally->clearHalts;
    return c;
}

int UsbfsBus::inFlight() const { return p_tally->submitted - p_tally->reaped; }

std::vector<std::string> UsbfsBus::nodes() const {
    std::lock_guard lock(d_mutex);
    std::vector<std::string> out;
    for (const auto& [id, node] : d_nodes) {
        if (node->inTestbed) out.push_back(node->devnode);
    }
    return out;
}
