#include "simulated_controller.h"

#include "simulated_instrument.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

constexpr std::string_view kLoaderMark = "VELMORA2 LOADER A3";

// A plausible device descriptor at `p`: length 18, type 1, USB 1.0, 1.1 or 2.0, a control
// packet size of 8..64 and at least one configuration.
bool isDeviceDescriptor(const unsigned char* p) {
    const int usb = p[2] | (p[3] << 8);
    const int packet = p[7];
    return p[0] == 0x12 && p[1] == 0x01 && (usb == 0x0100 || usb == 0x0110 || usb == 0x0200) &&
           (packet == 8 || packet == 16 || packet == 32 || packet == 64) && p[17] >= 1;
}

} // namespace

SimulatedController::SimulatedController(SimulatedBus& bus, std::shared_ptr<CalibrationImage::Bytes> unitMemory)
    : d_bus(bus), p_unitMemory(std::move(unitMemory)) {}

bool SimulatedController::cpuHeld() const {
    std::lock_guard lock(d_mutex);
    return d_held;
}

bool SimulatedController::loaderRunning() const {
    std::lock_guard lock(d_mutex);
    return d_loader;
}

bool SimulatedController::firmwareStarted() const {
    std::lock_guard lock(d_mutex);
    return d_firmware;
}

int SimulatedController::cpuStarts() const {
    std::lock_guard lock(d_mutex);
    return d_starts;
}

unsigned char SimulatedController::memoryAt(std::uint32_t address) const {
    std::lock_guard lock(d_mutex);
    return d_memory[address & 0xFFFF];
}

void SimulatedController::cpuControl(unsigned char value) {
    std::shared_ptr<SimulatedInstrument> becomes;
    {
        std::lock_guard lock(d_mutex);
        const bool hold = (value & 1) != 0;
        if (hold || !d_held) {
            d_held = hold;
            if (hold) d_loader = false;
            return;
        }
        d_held = false;
        ++d_starts;
        for (std::uint32_t a = 0; a + 18 <= d_memory.size(); ++a) {
            if (!isDeviceDescriptor(&d_memory[a])) continue;
            const auto vendor = static_cast<std::uint16_t>(d_memory[a + 8] | (d_memory[a + 9] << 8));
            const auto product = static_cast<std::uint16_t>(d_memory[a + 10] | (d_memory[a + 11] << 8));
            d_firmware = true;
            becomes = d_bus.makeInstrument(p_unitMemory, vendor, product);
            break;
        }
        if (!becomes) {
            const auto begin = d_memory.begin(), end = d_memory.begin() + INTERNAL_RAM;
            d_loader = std::search(begin, end, kLoaderMark.begin(), kLoaderMark.end()) != end;
        }
    }
    if (becomes) d_bus.reenumerate(this, becomes);
}

UsbStatus SimulatedController::control(const UsbSetupPacket& setup, unsigned char* data, int& transferred) {
    transferred = 0;
    const std::uint32_t address = setup.value;
    const std::uint32_t length = setup.length;
    const bool read = setup.deviceToHost();
    if ((setup.requestType & 0x7F) != 0x40) return UsbStatus::Stall;

    if (setup.request == LOAD_REQUEST && address == CPU_CONTROL && length == 1) {
        if (read) {
            data[0] = cpuHeld() ? 1 : 0;
        } else {
            cpuControl(data[0]);
        }
        transferred = 1;
        return UsbStatus::Success;
    }
    std::lock_guard lock(d_mutex);
    bool allowed = false;
    if (setup.request == LOAD_REQUEST) allowed = address + length <= INTERNAL_RAM;
    if (setup.request == LOADER_REQUEST) allowed = d_loader && !d_held && address + length <= d_memory.size();
    if (!allowed) return UsbStatus::Stall;
    if (read) {
        std::memcpy(data, &d_memory[address], length);
    } else if (length > 0) {
        std::memcpy(&d_memory[address], data, length);
    }
    transferred = static_cast<int>(length);
    return UsbStatus::Success;
}

UsbStatus SimulatedController::bulkRead(unsigned char, unsigned char*, int, int& transferred) {
    transferred = 0;
    return UsbStatus::Stall;
}
