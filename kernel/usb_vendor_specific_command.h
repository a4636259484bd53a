#pragma once
// The instrument's vendor requests: one setup packet per request, sent through
// USBWinDriver. The lengths of the register block (write and read-back) and of the DAC
// block follow the hardware generation (setLengths). Transfers return the bytes moved or
// -1 (the driver has already told the user why).

#include "usb_backend.h"

#include <array>
#include <functional>
#include <memory>

class USBWinDriver;

class USBVendorSpecificCommand {
public:
    enum Request : unsigned char {
        START_HW12 = 0xB0,       // start a capture, generations 1 and 2
        WRITE_REGISTERS = 0xB1,  // register block
        WRITE_DAC = 0xB2,        // offset and trigger-level DAC block
        WRITE_REGISTERS2 = 0xB3, // register block (coupling, generations 3 and 4)
        WRITE_BYTE = 0xB4,       // time base byte
        WRITE_RELAY = 0xB5,      // relay byte
        START_HW34 = 0xB6,       // start a capture, generations 3 and 4
        POLL_TRIGGER = 0xC0,     // capture status
        READ_REGISTERS = 0xC4,   // register read-back
        READ_VERSION = 0xC5,     // FPGA version
        READ_BYTE = 0xC6,
        READ_MEMORY = 0xC7,  // one calibration-memory page
        READ_COUNTER = 0xC8, // two bytes
        COMMAND = 0xD0,
        WRITE_MEMORY = 0xD1, // one calibration-memory page
    };
    static constexpr int MEMORY_PAGE = 64; // bytes of one calibration-memory transfer

    explicit USBVendorSpecificCommand(std::shared_ptr<UsbBackend> backend);
    virtual ~USBVendorSpecificCommand();
    USBVendorSpecificCommand(const USBVendorSpecificCommand&) = delete;
    USBVendorSpecificCommand& operator=(const USBVendorSpecificCommand&) = delete;

    // Creates and opens the driver (USBWinDriver::open, which pushes its error), then
    // setLengths. False when the instrument cannot be opened.
    bool open(unsigned int writeLength_, unsigned int readLength_, unsigned int dacLength_);
    // Patches wLength of 0xB1, 0xB3 (write length), 0xC4 (read length), 0xB2 (DAC length).
    void setLengths(unsigned int writeLength_, unsigned int readLength_, unsigned int dacLength_);

    // Host-to-device request with `length_` data bytes (the setup's wLength becomes length_).
    int send(Request request_, const unsigned char* data_p, int length_, int timeOut_);
    // Device-to-host request into data_p.
    int receive(Request request_, unsigned char* data_p, int length_, int timeOut_);
    // Calibration memory at instrument address addr_ (0xD1 / 0xC7 with wValue = address).
    int writeMemory(int addr_, const unsigned char* data_p, int length_, int timeOut_);
    int readMemory(int addr_, unsigned char* data_p, int timeOut_);
    int bulkRead(unsigned char* buffer_p, int length_, int timeOut_);
    int flushBulkPipe();
    unsigned long resetBulkPipe();
    // The outcome of the last transfer; NoDevice before open.
    UsbStatus lastStatus() const;

    void setTriggerModeQuery(std::function<int()> query);

    // The setup packet as it stands for a request (for the register view and tests).
    UsbSetupPacket setupPacket(Request request_) const;
    USBWinDriver* driver() { return p_driver.get(); }

    unsigned int d_writeLength = 19;
    unsigned int d_readLength = 23;
    unsigned int d_dacBlockLength = 3;

private:
    UsbSetupPacket& packet(Request request_);

    std::shared_ptr<UsbBackend> p_backend;
    std::unique_ptr<USBWinDriver> p_driver;
    std::function<int()> d_triggerModeQuery;
    std::array<UsbSetupPacket, 256> d_setup{}; // by bRequest; unused entries stay zero
};
