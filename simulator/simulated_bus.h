#pragma once
// The simulated USB bus: a UsbBackend whose devices are simulated (the unprogrammed
// controller, the instrument). It logs the newest transfers for tests (as many as the
// configuration's transferLog says) and injects faults.
// Hot-plug callbacks run on the thread that caused the event (a test, a transfer, or the
// thread that moved the clock past a scheduled re-enumeration), never under a lock that
// a transfer holds. Device handles from open() must not outlive the bus.

#include "calibration_image.h"
#include "simulated_clock.h"
#include "simulator_config.h"
#include "usb_backend.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class SimulatedController;
class SimulatedInstrument;

// A device on the simulated bus. Its handlers are called without any lock of the bus held.
class SimulatedDevice {
public:
    virtual ~SimulatedDevice();
    virtual std::uint16_t vendorId() const = 0;
    virtual std::uint16_t productId() const = 0;
    // The data stage has setup.length bytes; `transferred` receives the bytes moved.
    virtual UsbStatus control(const UsbSetupPacket& setup, unsigned char* data, int& transferred) = 0;
    virtual UsbStatus bulkRead(unsigned char endpoint, unsigned char* data, int length, int& transferred) = 0;
    // True while the device leaves this request unanswered (the bus lets time pass until it
    // answers or the request times out).
    virtual bool holdsRequest(const UsbSetupPacket& setup);
    // True while the device has no data for a bulk read (it answers NAK until it has, or the
    // read times out).
    virtual bool holdsBulk();
};

struct UsbFault {
    enum class Kind {
        Stall,     // the device refuses the request
        Timeout,   // nothing (or `bytes`) arrives before the time-out, which passes on the clock
        ShortRead, // fewer bytes than asked (`bytes`, default half), reported as success
        Unplug,    // `bytes` (default half) move, then the device is unplugged mid-transfer
    };
    static constexpr int FOR_GOOD = -1; // `count` of a fault that repeats: every matching transfer
    Kind kind = Kind::Stall;
    int request = -1;  // bRequest of the control transfers hit; -1 any
    bool bulk = false; // hit bulk reads instead of control transfers
    int skip = 0;      // matching transfers let through first
    int count = 1;     // transfers hit (1: once, a glitch and then healthy); FOR_GOOD all
    int bytes = -1;
    // Unplug: the device arrives again after this many milliseconds (re-plugged, a new
    // address); negative: it stays away.
    int backAfterMs = -1;
};

struct TransferRecord {
    enum class Kind { Control, Bulk, ClearHalt };
    Kind kind = Kind::Control;
    UsbDeviceId device = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    UsbSetupPacket setup;            // control transfers
    unsigned char endpoint = 0;      // bulk reads and halts
    std::vector<unsigned char> data; // control data stage as sent or returned
    int length = 0;                  // bytes asked
    int transferred = 0;
    unsigned int timeoutMs = 0;
    UsbStatus status = UsbStatus::Success;
    std::chrono::milliseconds time{0}; // when it started
};

class SimulatedBus final : public UsbBackend {
public:
    // A control transfer on a high-speed bus: its setup, data (at most 64 bytes, one packet)
    // and status stages, each in a 125 us microframe of its own, as a host controller
    // schedules them; not the 1 ms frame of a full-speed bus.
    static constexpr long long CONTROL_TRANSFER_MICROS = 3 * 125;

    // Creates the units of the configuration: `devices` instruments, programmed or as
    // unprogrammed controllers, each with its own calibration memory (factory image).
    explicit SimulatedBus(SimulatorConfig config = {});
    ~SimulatedBus() override;
    SimulatedBus(const SimulatedBus&) = delete;
    SimulatedBus& operator=(const SimulatedBus&) = delete;

    bool available() const override { return true; }
    std::vector<UsbDeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId) override;
    WatchId watch(std::uint16_t vendorId, std::uint16_t productId, HotplugCallback callback) override;
    void unwatch(WatchId watch) override;
    std::unique_ptr<UsbDevice> open(UsbDeviceId device, UsbStatus& status) override;
    Clock& clock() override { return d_clock; }

    const SimulatorConfig& config() const { return d_config; }
    SimulatedClock& simulatedClock() { return d_clock; }

    // Attaches a device (arrival event); returns its id.
    UsbDeviceId plug(std::shared_ptr<SimulatedDevice> device);
    // Detaches it (departure event); false when it is not attached.
    bool unplug(UsbDeviceId device);
    // The device leaves the bus and arrives again after `delay` under a new id (a new bus
    // address), as a cable pulled and put back: an instrument arrives powered up afresh, as
    // its unprogrammed controller (the same calibration memory) unless `programmed` (by
    // default the configuration's returnProgrammed). False when it is not attached.
    bool replug(UsbDeviceId device, std::chrono::milliseconds delay);
    bool replug(UsbDeviceId device, std::chrono::milliseconds delay, bool programmed);
    // The attached devices in the order of their arrival.
    std::vector<UsbDeviceId> attached() const;
    std::shared_ptr<SimulatedDevice> device(UsbDeviceId id) const;
    // The n-th attached instrument or controller; null when there is none.
    std::shared_ptr<SimulatedInstrument> instrument(size_t n = 0) const;
    std::shared_ptr<SimulatedController> controller(size_t n = 0) const;

    // A new instrument of this bus's configuration, with the given calibration memory.
    std::shared_ptr<SimulatedInstrument> makeInstrument(std::shared_ptr<CalibrationImage::Bytes> memory,
                                                        std::uint16_t vendorId, std::uint16_t productId);
    // The controller's firmware has started: it leaves the bus shortly, and the instrument
    // it becomes arrives after the re-enumeration delay.
    void reenumerate(const SimulatedDevice* controller, std::shared_ptr<SimulatedInstrument> instrument);

    void injectFault(const UsbFault& fault);
    void clearFaults();
    // The logged transfers, oldest first: at most config().transferLog, the newest.
    std::vector<TransferRecord> transfers() const;
    void clearTransfers();

    // Used by the device handles.
    UsbStatus control(UsbDeviceId id, const UsbSetupPacket& setup, unsigned char* data, int& transferred,
                      unsigned int timeoutMs);
    UsbStatus bulkRead(UsbDeviceId id, unsigned char endpoint, unsigned char* data, int length, int& transferred,
                       unsigned int timeoutMs);
    UsbStatus clearHalt(UsbDeviceId id, unsigned char endpoint);

private:
    struct Watch {
        std::uint16_t vendorId;
        std::uint16_t productId;
        HotplugCallback callback;
    };
    struct Attached {
        UsbDeviceId id;
        std::shared_ptr<SimulatedDevice> device;
        UsbDeviceInfo info;
    };

    // The n-th attached device of type T.
    template <typename T>
    std::shared_ptr<T> nth(size_t n) const;
    // The fault that hits this transfer, if any (counts it).
    bool takeFault(bool bulk, int request, UsbFault& fault);
    TransferRecord startRecord(TransferRecord::Kind kind, UsbDeviceId id, const SimulatedDevice* target, int length,
                               unsigned int timeoutMs);
    // Lets time pass while the device holds the request; false when it timed out first.
    bool awaitAnswer(SimulatedDevice& target, const UsbSetupPacket& setup, unsigned int timeoutMs);
    // The end of a transfer that a fault hits: the time-out passes, the device leaves, ...
    UsbStatus strike(const UsbFault& fault, UsbDeviceId id, unsigned int timeoutMs);
    void log(TransferRecord record);
    UsbDeviceInfo infoOf(UsbDeviceId id, const SimulatedDevice& device) const;
    // Tells the watches of the device; needs d_dispatchMutex, not d_mutex.
    void dispatch(const UsbDeviceInfo& info, bool arrived);
    // Lets the bus time of `bytes` of bulk data pass on the clock.
    void busTime(int bytes);
    // Lets `micros` of bus time pass (a bus that takes no time, bulkBytesPerSecond 0, skips it).
    void busMicros(long long micros);
    // The configuration's glitch for the transfer just started, if it is the N-th.
    bool takeGlitch(const SimulatedDevice& target, UsbFault& fault);
    // Lets time pass while the device has no bulk data; false when it timed out first.
    bool awaitBulkData(SimulatedDevice& target, unsigned int timeoutMs);
    // The configuration's unplug of the first instrument, and its next one.
    void scheduleUnplug();

    SimulatorConfig d_config;
    SimulatedClock d_clock;

    // Lock order: d_dispatchMutex, then d_mutex. Watch callbacks run under d_dispatchMutex
    // only, so unwatch waits for them; device handlers run under neither.
    mutable std::mutex d_dispatchMutex;
    mutable std::mutex d_mutex;
    std::vector<Attached> d_attached;
    std::map<WatchId, Watch> d_watches;
    std::vector<UsbFault> d_faults;
    std::deque<TransferRecord> d_log;
    WatchId d_nextWatch = 1;
    UsbDeviceId d_nextId = 1;
    long long d_busMicros = 0;           // bus time owed, below one millisecond
    long long d_instrumentTransfers = 0; // for glitchEvery
    // Real time: what falls due (a device arriving after a re-plug) happens even while nobody
    // talks to the bus, as a real bus's hot-plug events do. Last, so it stops first.
    std::jthread d_ticker;
};
