#pragma once
// The instrument's USB controller before its firmware is loaded (vendor 0x0547, product
// 0x2131): an 8051 core whose CPU is held after power-up. Request 0xA0 reads and writes
// its internal RAM (0x0000-0x1FFF) and its CPU control register 0x7F92 (bit 0: hold).
// When the CPU is let run the simulator looks at what the RAM holds, since it does not
// execute 8051 code:
//   - a USB device descriptor (in internal or external memory): the firmware; the
//     controller re-enumerates as the device it describes (the instrument's ids);
//   - the text "VELMORA2 LOADER A3": the loader; request 0xA3 then writes any memory,
//     external (0x2000 and up) included, until the CPU is held again;
//   - anything else: nothing visible happens.

#include "calibration_image.h"
#include "simulated_bus.h"

#include <array>
#include <mutex>

class SimulatedController final : public SimulatedDevice {
public:
    static constexpr std::uint16_t VENDOR_ID = 0x0547;
    static constexpr std::uint16_t PRODUCT_ID = 0x2131;
    static constexpr std::uint16_t CPU_CONTROL = 0x7F92;
    static constexpr std::uint32_t INTERNAL_RAM = 0x2000;
    static constexpr unsigned char LOAD_REQUEST = 0xA0;
    static constexpr unsigned char LOADER_REQUEST = 0xA3;

    // `unitMemory` is the calibration memory of the instrument this controller becomes.
    SimulatedController(SimulatedBus& bus, std::shared_ptr<CalibrationImage::Bytes> unitMemory);

    std::uint16_t vendorId() const override { return VENDOR_ID; }
    std::uint16_t productId() const override { return PRODUCT_ID; }
    UsbStatus control(const UsbSetupPacket& setup, unsigned char* data, int& transferred) override;
    UsbStatus bulkRead(unsigned char endpoint, unsigned char* data, int length, int& transferred) override;

    bool cpuHeld() const;
    bool loaderRunning() const;
    bool firmwareStarted() const;
    // Times the CPU was let run.
    int cpuStarts() const;
    unsigned char memoryAt(std::uint32_t address) const;

private:
    // The CPU control register was written (bit 0: hold).
    void cpuControl(unsigned char value);

    SimulatedBus& d_bus;
    std::shared_ptr<CalibrationImage::Bytes> p_unitMemory;
    mutable std::mutex d_mutex;
    std::array<unsigned char, 0x10000> d_memory{};
    bool d_held = true;
    bool d_loader = false;
    bool d_firmware = false;
    int d_starts = 0;
};
