#include "usb_vendor_specific_command.h"

#include "usb_windriver.h"

#include <cassert>

namespace {

constexpr std::uint8_t kVendorOut = 0x40;
constexpr std::uint8_t kVendorIn = 0xC0;

} // namespace

USBVendorSpecificCommand::USBVendorSpecificCommand(std::shared_ptr<UsbBackend> backend)
    : p_backend(std::move(backend)) {
    struct Row {
        Request request;
        std::uint8_t type;
        std::uint16_t length;
    };
    const Row rows[] = {
        {START_HW12, kVendorOut, 0},        {WRITE_REGISTERS, kVendorOut, 19}, {WRITE_DAC, kVendorOut, 3},
        {WRITE_REGISTERS2, kVendorOut, 19}, {WRITE_BYTE, kVendorOut, 1},       {WRITE_RELAY, kVendorOut, 1},
        {START_HW34, kVendorOut, 0},        {POLL_TRIGGER, kVendorIn, 1},      {READ_REGISTERS, kVendorIn, 23},
        {READ_VERSION, kVendorIn, 1},       {READ_BYTE, kVendorIn, 1},         {READ_MEMORY, kVendorIn, MEMORY_PAGE},
        {READ_COUNTER, kVendorIn, 2},       {COMMAND, kVendorOut, 0},          {WRITE_MEMORY, kVendorOut, MEMORY_PAGE},
    };
    for (const Row& row : rows) {
        UsbSetupPacket& p = d_setup[row.request];
        p.requestType = row.type;
        p.request = row.request;
        p.length = row.length;
    }
}

USBVendorSpecificCommand::~USBVendorSpecificCommand() = default;

UsbSetupPacket& USBVendorSpecificCommand::packet(Request request_) { return d_setup[request_]; }

UsbSetupPacket USBVendorSpecificCommand::setupPacket(Request request_) const { return d_setup[request_]; }

void USBVendorSpecificCommand::setTriggerModeQuery(std::function<int()> query) {
    d_triggerModeQuery = std::move(query);
    if (p_driver) p_driver->setTriggerModeQuery(d_triggerModeQuery);
}

bool USBVendorSpecificCommand::open(unsigned int writeLength_, unsigned int readLength_, unsigned int dacLength_) {
    p_driver = std::make_unique<USBWinDriver>(p_backend);
    p_driver->setTriggerModeQuery(d_triggerModeQuery);
    if (!p_driver->open()) return false;
    setLengths(writeLength_, readLength_, dacLength_);
    return true;
}

void USBVendorSpecificCommand::setLengths(unsigned int writeLength_, unsigned int readLength_,
                                          unsigned int dacLength_) {
    d_writeLength = writeLength_;
    d_readLength = readLength_;
    d_dacBlockLength = dacLength_;
    // Only the low byte of wLength is patched; every length here is below 256.
    auto patch = [](UsbSetupPacket& p, unsigned int length) {
        p.length = static_cast<std::uint16_t>((p.length & 0xFF00) | (length & 0xFF));
    };
    patch(packet(WRITE_REGISTERS), writeLength_);
    patch(packet(WRITE_REGISTERS2), writeLength_);
    patch(packet(READ_REGISTERS), readLength_);
    patch(packet(WRITE_DAC), dacLength_);
}

int USBVendorSpecificCommand::send(Request request_, const unsigned char* data_p, int length_, int timeOut_) {
    if (!p_driver) return -1;
    return p_driver->controlWrite(data_p, length_, packet(request_).bytes().data(), timeOut_, 0);
}

int USBVendorSpecificCommand::receive(Request request_, unsigned char* data_p, int length_, int timeOut_) {
    if (!p_driver) return -1;
    return p_driver->controlRead(data_p, length_, packet(request_).bytes().data(), timeOut_, 0);
}

int USBVendorSpecificCommand::writeMemory(int addr_, const unsigned char* data_p, int length_, int timeOut_) {
    packet(WRITE_MEMORY).value = static_cast<std::uint16_t>(addr_);
    return send(WRITE_MEMORY, data_p, length_, timeOut_);
}

int USBVendorSpecificCommand::readMemory(int addr_, unsigned char* data_p, int timeOut_) {
    packet(READ_MEMORY).value = static_cast<std::uint16_t>(addr_);
    return receive(READ_MEMORY, data_p, MEMORY_PAGE, timeOut_);
}

int USBVendorSpecificCommand::bulkRead(unsigned char* buffer_p, int length_, int timeOut_) {
    if (!p_driver) return -1;
    return p_driver->bulkRead(buffer_p, length_, timeOut_, 0);
}

int USBVendorSpecificCommand::flushBulkPipe() {
    if (!p_driver) return -1;
    return p_driver->zeroLengthTransfer82();
}

unsigned long USBVendorSpecificCommand::resetBulkPipe() {
    if (!p_driver) return usbStatusCode(UsbStatus::NoDevice);
    return p_driver->resetPipe82();
}

UsbStatus USBVendorSpecificCommand::lastStatus() const {
    return p_driver ? p_driver->lastStatus() : UsbStatus::NoDevice;
}
