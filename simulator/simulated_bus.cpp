#include "simulated_bus.h"

#include "simulated_controller.h"
#include "simulated_instrument.h"

#include <algorithm>

namespace {

constexpr std::chrono::milliseconds kDisconnectDelay{10};
constexpr unsigned int kUnlimitedTimeoutMs = 60000; // what a "wait without limit" costs on a dead device
constexpr std::chrono::milliseconds kHoldStep{5};   // how often a held request looks again

// Bytes that move before a fault strikes: as the fault says, else none for a time-out and
// half for the others.
int faultBytes(const UsbFault& fault, int length) {
    return std::clamp(fault.bytes >= 0 ? fault.bytes : (fault.kind == UsbFault::Kind::Timeout ? 0 : length / 2), 0,
                      length);
}

class SimulatedHandle final : public UsbDevice {
public:
    SimulatedHandle(SimulatedBus& bus, UsbDeviceId id) : d_bus(bus), d_id(id) {}

    UsbStatus claimInterface(int, int) override {
        return d_bus.device(d_id) ? UsbStatus::Success : UsbStatus::NoDevice;
    }
    UsbStatus control(const UsbSetupPacket& setup, unsigned char* data, int& transferred,
                      unsigned int timeoutMs) override {
        return d_bus.control(d_id, setup, data, transferred, timeoutMs);
    }
    UsbStatus bulkRead(unsigned char endpoint, unsigned char* data, int length, int& transferred,
                       unsigned int timeoutMs) override {
        return d_bus.bulkRead(d_id, endpoint, data, length, transferred, timeoutMs);
    }
    UsbStatus clearHalt(unsigned char endpoint) override { return d_bus.clearHalt(d_id, endpoint); }

private:
    SimulatedBus& d_bus;
    UsbDeviceId d_id;
};

} // namespace

SimulatedDevice::~SimulatedDevice() = default;

bool SimulatedDevice::holdsRequest(const UsbSetupPacket&) { return false; }

bool SimulatedDevice::holdsBulk() { return false; }

SimulatedBus::SimulatedBus(SimulatorConfig config) : d_config(config), d_clock(config.clockMode) {
    for (int i = 0; i < d_config.devices; ++i) {
        auto memory =
            std::make_shared<CalibrationImage::Bytes>(CalibrationImage::factoryImage(d_config.hardwareVersion));
        if (d_config.programmed) {
            plug(makeInstrument(memory, SimulatedInstrument::VENDOR_ID, SimulatedInstrument::PRODUCT_ID));
        } else {
            plug(std::make_shared<SimulatedController>(*this, memory));
        }
    }
    if (d_config.unplugEveryMs > 0) scheduleUnplug();
    if (d_clock.mode() == SimulatedClock::Mode::RealTime) {
        d_ticker = std::jthread([this](std::stop_token stop) { d_clock.runUntil(std::move(stop)); });
    }
}

void SimulatedBus::scheduleUnplug() {
    d_clock.schedule(std::chrono::milliseconds(d_config.unplugEveryMs), [this] {
        std::vector<UsbDeviceId> ids = attached();
        for (UsbDeviceId id : ids) {
            if (std::dynamic_pointer_cast<SimulatedInstrument>(device(id))) {
                replug(id, std::chrono::milliseconds(d_config.unplugBackAfterMs));
                break;
            }
        }
        scheduleUnplug();
    });
}

SimulatedBus::~SimulatedBus() = default;

std::shared_ptr<SimulatedInstrument> SimulatedBus::makeInstrument(std::shared_ptr<CalibrationImage::Bytes> memory,
                                                                  std::uint16_t vendorId, std::uint16_t productId) {
    return std::make_shared<SimulatedInstrument>(d_config, std::move(memory), d_clock, vendorId, productId);
}

UsbDeviceInfo SimulatedBus::infoOf(UsbDeviceId id, const SimulatedDevice& device) const {
    UsbDeviceInfo info;
    info.id = id;
    info.vendorId = device.vendorId();
    info.productId = device.productId();
    info.busNumber = 1;
    info.portNumber = static_cast<int>(id % 8) + 1;
    info.address = static_cast<int>(id % 127) + 1;
    info.speed = UsbSpeed::Full;
    info.configurations = 1;
    return info;
}

void SimulatedBus::dispatch(const UsbDeviceInfo& info, bool arrived) {
    std::vector<HotplugCallback> callbacks;
    {
        std::lock_guard lock(d_mutex);
        for (const auto& [id, w] : d_watches) {
            if (w.vendorId == info.vendorId && w.productId == info.productId) callbacks.push_back(w.callback);
        }
    }
    for (const HotplugCallback& callback : callbacks) callback(info, arrived);
}

UsbDeviceId SimulatedBus::plug(std::shared_ptr<SimulatedDevice> device) {
    std::lock_guard dispatchLock(d_dispatchMutex);
    UsbDeviceInfo info;
    {
        std::lock_guard lock(d_mutex);
        const UsbDeviceId id = d_nextId++;
        info = infoOf(id, *device);
        d_attached.push_back({id, std::move(device), info});
    }
    dispatch(info, true);
    return info.id;
}

bool SimulatedBus::unplug(UsbDeviceId id) {
    std::lock_guard dispatchLock(d_dispatchMutex);
    UsbDeviceInfo info;
    {
        std::lock_guard lock(d_mutex);
        auto it = std::find_if(d_attached.begin(), d_attached.end(), [id](const Attached& a) { return a.id == id; });
        if (it == d_attached.end()) return false;
        info = it->info;
        d_attached.erase(it);
    }
    dispatch(info, false);
    return true;
}

bool SimulatedBus::replug(UsbDeviceId id, std::chrono::milliseconds delay) {
    return replug(id, delay, d_config.returnProgrammed);
}

bool SimulatedBus::replug(UsbDeviceId id, std::chrono::milliseconds delay, bool programmed) {
    std::shared_ptr<SimulatedDevice> target = device(id);
    if (!target || !unplug(id)) return false;
    if (auto old = std::dynamic_pointer_cast<SimulatedInstrument>(target)) {
        if (programmed)
            target = makeInstrument(old->memoryHandle(), old->vendorId(), old->productId());
        else
            target = std::make_shared<SimulatedController>(*this, old->memoryHandle());
    }
    d_clock.schedule(delay, [this, target] { plug(target); });
    return true;
}

std::vector<UsbDeviceId> SimulatedBus::attached() const {
    std::lock_guard lock(d_mutex);
    std::vector<UsbDeviceId> ids;
    for (const Attached& a : d_attached) ids.push_back(a.id);
    return ids;
}

std::shared_ptr<SimulatedDevice> SimulatedBus::device(UsbDeviceId id) const {
    std::lock_guard lock(d_mutex);
    for (const Attached& a : d_attached) {
        if (a.id == id) return a.device;
    }
    return nullptr;
}

template <typename T>
std::shared_ptr<T> SimulatedBus::nth(size_t n) const {
    std::lock_guard lock(d_mutex);
    for (const Attached& a : d_attached) {
        if (auto d = std::dynamic_pointer_cast<T>(a.device)) {
            if (n-- == 0) return d;
        }
    }
    return nullptr;
}

std::shared_ptr<SimulatedInstrument> SimulatedBus::instrument(size_t n) const { return nth<SimulatedInstrument>(n); }

std::shared_ptr<SimulatedController> SimulatedBus::controller(size_t n) const { return nth<SimulatedController>(n); }

void SimulatedBus::reenumerate(const SimulatedDevice* controller, std::shared_ptr<SimulatedInstrument> instrument) {
    UsbDeviceId id = 0;
    {
        std::lock_guard lock(d_mutex);
        for (const Attached& a : d_attached) {
            if (a.device.get() == controller) id = a.id;
        }
    }
    if (id == 0) return;
    const std::chrono::milliseconds arrival = d_config.reenumerationDelay;
    d_clock.schedule(std::min(kDisconnectDelay, arrival), [this, id] { unplug(id); });
    d_clock.schedule(arrival, [this, instrument] { plug(instrument); });
}

std::vector<UsbDeviceInfo> SimulatedBus::enumerate(std::uint16_t vendorId, std::uint16_t productId) {
    d_clock.runDue();
    std::lock_guard lock(d_mutex);
    std::vector<UsbDeviceInfo> found;
    for (const Attached& a : d_attached) {
        if (a.info.vendorId == vendorId && a.info.productId == productId) found.push_back(a.info);
    }
    return found;
}

UsbBackend::WatchId SimulatedBus::watch(std::uint16_t vendorId, std::uint16_t productId, HotplugCallback callback) {
    d_clock.runDue();
    std::lock_guard dispatchLock(d_dispatchMutex);
    WatchId id = 0;
    std::vector<UsbDeviceInfo> present;
    {
        std::lock_guard lock(d_mutex);
        id = d_nextWatch++;
        d_watches.emplace(id, Watch{vendorId, productId, callback});
        for (const Attached& a : d_attached) {
            if (a.info.vendorId == vendorId && a.info.productId == productId) present.push_back(a.info);
        }
    }
    for (const UsbDeviceInfo& info : present) callback(info, true);
    return id;
}

void SimulatedBus::unwatch(WatchId watch) {
    std::lock_guard dispatchLock(d_dispatchMutex);
    std::lock_guard lock(d_mutex);
    d_watches.erase(watch);
}

std::unique_ptr<UsbDevice> SimulatedBus::open(UsbDeviceId id, UsbStatus& status) {
    d_clock.runDue();
    if (!device(id)) {
        status = UsbStatus::NoDevice;
        return nullptr;
    }
    status = UsbStatus::Success;
    return std::make_unique<SimulatedHandle>(*this, id);
}

void SimulatedBus::injectFault(const UsbFault& fault) {
    std::lock_guard lock(d_mutex);
    d_faults.push_back(fault);
}

void SimulatedBus::clearFaults() {
    std::lock_guard lock(d_mutex);
    d_faults.clear();
}

std::vector<TransferRecord> SimulatedBus::transfers() const {
    std::lock_guard lock(d_mutex);
    return {d_log.begin(), d_log.end()};
}

void SimulatedBus::clearTransfers() {
    std::lock_guard lock(d_mutex);
    d_log.clear();
}

void SimulatedBus::log(TransferRecord record) {
    const size_t limit = static_cast<size_t>(std::max(d_config.transferLog, 0));
    std::lock_guard lock(d_mutex);
    // The demo polls thousands of times a second: an unbounded log grows without end.
    if (limit == 0) return;
    while (d_log.size() >= limit) d_log.pop_front();
    d_log.push_back(std::move(record));
}

bool SimulatedBus::takeFault(bool bulk, int request, UsbFault& hit) {
    std::lock_guard lock(d_mutex);
    for (auto it = d_faults.begin(); it != d_faults.end(); ++it) {
        if (it->bulk != bulk || (!bulk && it->request >= 0 && it->request != request)) continue;
        if (it->skip > 0) {
            --it->skip;
            return false;
        }
        hit = *it;
        if (it->count > 0 && --it->count == 0) d_faults.erase(it);
        return true;
    }
    return false;
}

TransferRecord SimulatedBus::startRecord(TransferRecord::Kind kind, UsbDeviceId id, const SimulatedDevice* target,
                                         int length, unsigned int timeoutMs) {
    TransferRecord record;
    record.kind = kind;
    record.device = id;
    record.length = length;
    record.timeoutMs = timeoutMs;
    record.time = d_clock.now();
    if (target) {
        record.vendorId = target->vendorId();
        record.productId = target->productId();
    }
    return record;
}

UsbStatus SimulatedBus::strike(const UsbFault& fault, UsbDeviceId id, unsigned int timeoutMs) {
    switch (fault.kind) {
    case UsbFault::Kind::Stall: return UsbStatus::Stall;
    case UsbFault::Kind::Timeout:
        d_clock.advance(std::chrono::milliseconds(timeoutMs == 0 ? kUnlimitedTimeoutMs : timeoutMs));
        return UsbStatus::Timeout;
    case UsbFault::Kind::ShortRead: return UsbStatus::Success;
    case UsbFault::Kind::Unplug:
        if (fault.backAfterMs >= 0)
            replug(id, std::chrono::milliseconds(fault.backAfterMs));
        else
            unplug(id);
        return UsbStatus::NoDevice;
    }
    return UsbStatus::Other;
}

UsbStatus SimulatedBus::control(UsbDeviceId id, const UsbSetupPacket& setup, unsigned char* data, int& transferred,
                                unsigned int timeoutMs) {
    d_clock.runDue();
    transferred = 0;
    const int length = setup.length;
    std::shared_ptr<SimulatedDevice> target = device(id);
    TransferRecord record = startRecord(TransferRecord::Kind::Control, id, target.get(), length, timeoutMs);
    record.setup = setup;
    if (!setup.deviceToHost() && data) record.data.assign(data, data + length);

    UsbStatus status = UsbStatus::NoDevice;
    UsbFault fault;
    if (!target) {
        status = UsbStatus::NoDevice;
    } else if (!takeFault(false, setup.request, fault) && !takeGlitch(*target, fault)) {
        status =
            awaitAnswer(*target, setup, timeoutMs) ? target->control(setup, data, transferred) : UsbStatus::Timeout;
    } else {
        const int part = faultBytes(fault, length);
        if (setup.deviceToHost() && part > 0) {
            std::vector<unsigned char> full(static_cast<size_t>(length));
            int got = 0;
            target->control(setup, full.data(), got);
            std::copy(full.begin(), full.begin() + std::min(part, got), data);
            transferred = std::min(part, got);
        } else if (fault.kind != UsbFault::Kind::Stall) {
            transferred = part;
        }
        status = strike(fault, id, timeoutMs);
        if (status == UsbStatus::Stall) transferred = 0;
    }
    // A transfer that ends takes its frame; one that times out or stalls has had its time.
    if (status == UsbStatus::Success) busMicros(CONTROL_TRANSFER_MICROS);
    if (setup.deviceToHost() && data) record.data.assign(data, data + transferred);
    record.transferred = transferred;
    record.status = status;
    log(std::move(record));
    return status;
}

bool SimulatedBus::awaitAnswer(SimulatedDevice& target, const UsbSetupPacket& setup, unsigned int timeoutMs) {
    const std::chrono::milliseconds limit(timeoutMs == 0 ? kUnlimitedTimeoutMs : timeoutMs);
    std::chrono::milliseconds waited{0};
    while (target.holdsRequest(setup)) {
        if (waited >= limit) return false;
        const auto step = std::min(kHoldStep, limit - waited);
        d_clock.advance(step);
        waited += step;
    }
    return true;
}

UsbStatus SimulatedBus::bulkRead(UsbDeviceId id, unsigned char endpoint, unsigned char* data, int length,
                                 int& transferred, unsigned int timeoutMs) {
    d_clock.runDue();
    transferred = 0;
    std::shared_ptr<SimulatedDevice> target = device(id);
    TransferRecord record = startRecord(TransferRecord::Kind::Bulk, id, target.get(), length, timeoutMs);
    record.endpoint = endpoint;
    UsbStatus status = UsbStatus::NoDevice;
    UsbFault fault;
    if (!target) {
        status = UsbStatus::NoDevice;
    } else if (!takeFault(true, -1, fault) && !takeGlitch(*target, fault)) {
        status = awaitBulkData(*target, timeoutMs) ? target->bulkRead(endpoint, data, length, transferred)
                                                   : UsbStatus::Timeout;
        busTime(transferred);
    } else {
        const int part = faultBytes(fault, length);
        if (fault.kind != UsbFault::Kind::Stall && part > 0) target->bulkRead(endpoint, data, part, transferred);
        status = strike(fault, id, timeoutMs);
    }
    record.transferred = transferred;
    record.status = status;
    log(std::move(record));
    return status;
}

bool SimulatedBus::awaitBulkData(SimulatedDevice& target, unsigned int timeoutMs) {
    const std::chrono::milliseconds limit(timeoutMs == 0 ? kUnlimitedTimeoutMs : timeoutMs);
    std::chrono::milliseconds waited{0};
    while (target.holdsBulk()) {
        if (waited >= limit) return false;
        const auto step = std::min(kHoldStep, limit - waited);
        d_clock.advance(step);
        waited += step;
    }
    return true;
}

void SimulatedBus::busTime(int bytes) {
    if (d_config.bulkBytesPerSecond <= 0 || bytes <= 0) return;
    busMicros(static_cast<long long>(bytes) * 1000000 / d_config.bulkBytesPerSecond);
}

void SimulatedBus::busMicros(long long micros) {
    if (d_config.bulkBytesPerSecond <= 0 || micros <= 0) return;
    long long millis = 0;
    {
        std::lock_guard lock(d_mutex);
        d_busMicros += micros;
        millis = d_busMicros / 1000;
        d_busMicros %= 1000;
    }
    if (millis > 0) d_clock.advance(std::chrono::milliseconds(millis));
}

bool SimulatedBus::takeGlitch(const SimulatedDevice& target, UsbFault& fault) {
    if (d_config.glitchEvery <= 0 || !dynamic_cast<const SimulatedInstrument*>(&target)) return false;
    {
        std::lock_guard lock(d_mutex);
        if (++d_instrumentTransfers % d_config.glitchEvery != 0) return false;
    }
    static constexpr UsbFault::Kind kinds[] = {UsbFault::Kind::Stall, UsbFault::Kind::Timeout,
                                               UsbFault::Kind::ShortRead};
    fault = UsbFault{};
    fault.kind = kinds[std::clamp(d_config.glitchKind, 0, 2)];
    return true;
}

UsbStatus SimulatedBus::clearHalt(UsbDeviceId id, unsigned char endpoint) {
    TransferRecord record;
    record.kind = TransferRecord::Kind::ClearHalt;
    record.device = id;
    record.endpoint = endpoint;
    record.time = d_clock.now();
    record.status = device(id) ? UsbStatus::Success : UsbStatus::NoDevice;
    log(record);
    return record.status;
}
