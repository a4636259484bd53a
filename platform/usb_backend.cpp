#include "usb_backend.h"

std::array<std::uint8_t, 8> UsbSetupPacket::bytes() const {
    return {requestType,
            request,
            static_cast<std::uint8_t>(value & 0xFF),
            static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(index & 0xFF),
            static_cast<std::uint8_t>(index >> 8),
            static_cast<std::uint8_t>(length & 0xFF),
            static_cast<std::uint8_t>(length >> 8)};
}

UsbSetupPacket UsbSetupPacket::fromBytes(const unsigned char* b) {
    UsbSetupPacket p;
    p.requestType = b[0];
    p.request = b[1];
    p.value = static_cast<std::uint16_t>(b[2] | (b[3] << 8));
    p.index = static_cast<std::uint16_t>(b[4] | (b[5] << 8));
    p.length = static_cast<std::uint16_t>(b[6] | (b[7] << 8));
    return p;
}

UsbDevice::~UsbDevice() = default;
UsbBackend::~UsbBackend() = default;

const char* UsbBackend::statusText(UsbStatus status) const {
    switch (status) {
    case UsbStatus::Success: return "Success";
    case UsbStatus::Timeout: return "Operation timed out";
    case UsbStatus::Stall: return "Pipe error (the device stalled the request)";
    case UsbStatus::NoDevice: return "No such device (it may have been disconnected)";
    case UsbStatus::NotFound: return "Entity not found";
    case UsbStatus::Access: return "Access denied (insufficient permissions)";
    case UsbStatus::Busy: return "Resource busy";
    case UsbStatus::Overflow: return "Overflow";
    case UsbStatus::Io: return "Input/Output Error";
    case UsbStatus::InvalidParam: return "Invalid parameter";
    case UsbStatus::NoMemory: return "Insufficient memory";
    case UsbStatus::NotSupported: return "Operation not supported or unimplemented on this platform";
    case UsbStatus::Unavailable: return "The USB library is not available";
    case UsbStatus::Other: break;
    }
    return "Other error";
}

unsigned long usbStatusCode(UsbStatus status) { return static_cast<unsigned long>(status); }
