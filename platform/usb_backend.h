#pragma once
// Access to USB devices, below the kernel's USB layer: find devices by vendor and product
// id, learn of their arrival and departure, open one (interface 0, alternate setting 0),
// control transfers on the default pipe, bulk reads and clearing a halted pipe.
// LibusbBackend implements it for real devices, the simulated instrument's bus
// (simulator/simulated_bus.h) for tests and the demo.

#include "clock.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

enum class UsbStatus {
    Success = 0,
    Timeout,  // the time-out passed; a transfer reports the bytes moved before it
    Stall,    // the device refused the request or the pipe is halted
    NoDevice, // the device is gone (unplugged)
    NotFound,
    Access,   // no permission to open the device
    Busy,     // another program holds the interface
    Overflow, // the device sent more than asked
    Io,
    InvalidParam,
    NoMemory,
    NotSupported,
    Unavailable, // the USB library could not be started
    Other,
};

// The 8 bytes of a USB setup packet. Bit 7 of requestType: 1 device to host.
struct UsbSetupPacket {
    std::uint8_t requestType = 0;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint16_t length = 0;

    bool deviceToHost() const { return (requestType & 0x80) != 0; }
    // Standard order and byte order: the two-byte fields little-endian.
    std::array<std::uint8_t, 8> bytes() const;
    static UsbSetupPacket fromBytes(const unsigned char* bytes);
    bool operator==(const UsbSetupPacket&) const = default;
};

// Identifies one attachment of a device for the life of its backend: a device that is
// unplugged and plugged in again gets a new id.
using UsbDeviceId = std::uint64_t;

enum class UsbSpeed { Unknown, Low, Full, High, Super };

struct UsbDeviceInfo {
    UsbDeviceId id = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    int busNumber = 0;
    int portNumber = 0;
    int address = 0;
    UsbSpeed speed = UsbSpeed::Unknown;
    int configurations = 0;
};

// An opened device. Destroying it releases the interface and closes the device.
class UsbDevice {
public:
    virtual ~UsbDevice();

    // Claims the interface and selects the alternate setting.
    virtual UsbStatus claimInterface(int interfaceNumber, int alternateSetting) = 0;
    // One control transfer on the default pipe; the data stage has setup.length bytes
    // (data may be null when that is 0). `transferred` receives the bytes moved, also on a
    // time-out. timeoutMs 0 waits without limit.
    virtual UsbStatus control(const UsbSetupPacket& setup, unsigned char* data, int& transferred,
                              unsigned int timeoutMs) = 0;
    // One bulk IN transfer of up to `length` bytes on `endpoint` (0x82 for the instrument).
    // A short packet ends it early with Success. A stall fails this read only: the pipe is
    // ready for the next. timeoutMs 0 waits without limit.
    virtual UsbStatus bulkRead(unsigned char endpoint, unsigned char* data, int length, int& transferred,
                               unsigned int timeoutMs) = 0;
    virtual UsbStatus clearHalt(unsigned char endpoint) = 0;
};

class UsbBackend {
public:
    // Called on a thread of the backend, or on the thread that caused the event. It must
    // return quickly: never open a device, wait or call the backend from it.
    using HotplugCallback = std::function<void(const UsbDeviceInfo& device, bool arrived)>;
    using WatchId = int;

    virtual ~UsbBackend();

    // False when the USB library could not be started; nothing else then works.
    virtual bool available() const = 0;
    // The attached devices with these ids, in the order the system lists them.
    virtual std::vector<UsbDeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId) = 0;
    // Reports every matching device already attached before it returns, then each arrival
    // and departure until unwatch. Returns -1 when watching is impossible.
    virtual WatchId watch(std::uint16_t vendorId, std::uint16_t productId, HotplugCallback callback) = 0;
    // After it returns no callback of the watch runs or will run.
    virtual void unwatch(WatchId watch) = 0;
    // Opens an attached device; null with the reason in `status` on failure.
    virtual std::unique_ptr<UsbDevice> open(UsbDeviceId device, UsbStatus& status) = 0;
    // Text for a status, as the user sees it in a failure message.
    virtual const char* statusText(UsbStatus status) const;
    // The clock that waits on this bus use.
    virtual Clock& clock() = 0;
};

// The numbers shown with a status in diagnostic text.
unsigned long usbStatusCode(UsbStatus status);
