#pragma once
// The programmed instrument (vendor 0x0DA8, product 0x0001) as the host sees it through
// its vendor requests:
//   0xB0 / 0xB6 start (generations 1, 2 / 3, 4)   0xB1, 0xB3 register block (19 / 21 bytes)
//   0xB2 DAC block (3 bytes)                      0xB4 time base byte
//   0xB5 relay lines (pulses, see RelayBank)      0xC0 capture status (1 byte, 1 = ready)
//   0xC4 register read-back (23 / 25 bytes)       0xC5 FPGA version     0xC6 one byte
//   0xC7 / 0xD1 calibration memory (up to 64 bytes at 0x1C00..0x1FBF, wValue = address)
//   0xC8 counter (2 bytes: chip temperature, 0)   0xD0 command
// Anything else, a wrong direction or a wrong length stalls. Bulk reads on pipe 0x82
// stream the current record of its RecordSource, and no more than it holds.

#include "calibration_image.h"
#include "instrument_settings.h"
#include "record_source.h"
#include "relay_bank.h"
#include "simulated_bus.h"
#include "simulated_clock.h"
#include "simulator_config.h"

#include <memory>
#include <mutex>

class SimulatedInstrument final : public SimulatedDevice {
public:
    static constexpr std::uint16_t VENDOR_ID = 0x0DA8;
    static constexpr std::uint16_t PRODUCT_ID = 0x0001;
    static constexpr unsigned char BULK_PIPE = 0x82;

    SimulatedInstrument(const SimulatorConfig& config, std::shared_ptr<CalibrationImage::Bytes> memory, Clock& clock,
                        std::uint16_t vendorId = VENDOR_ID, std::uint16_t productId = PRODUCT_ID);

    std::uint16_t vendorId() const override { return d_vendorId; }
    std::uint16_t productId() const override { return d_productId; }
    UsbStatus control(const UsbSetupPacket& setup, unsigned char* data, int& transferred) override;
    UsbStatus bulkRead(unsigned char endpoint, unsigned char* data, int length, int& transferred) override;
    // In NORMAL trigger mode (with the configuration's holdStatusPoll) the status request
    // waits for a ready record.
    bool holdsRequest(const UsbSetupPacket& setup) override;
    // Until a record has been captured the bulk pipe has nothing to send (roll streams).
    bool holdsBulk() override;

    int generation() const { return d_config.hardwareVersion; }
    // What the host has programmed, decoded.
    InstrumentSettings settings() const;
    InstrumentRegisters registers() const;
    RelayBank relays() const;
    CalibrationImage::Bytes calibrationMemory() const;
    void setCalibrationMemory(const CalibrationImage::Bytes& bytes);
    // The memory itself, for the same instrument powered up again.
    std::shared_ptr<CalibrationImage::Bytes> memoryHandle() const { return p_memory; }
    // Replaces the source of captured records.
    void setRecordSource(std::unique_ptr<RecordSource> source);
    // When false the status poll never reports a captured record.
    void setTriggers(bool triggers);
    void setHoldStatusPoll(bool hold);
    int commands() const;
    int starts() const;

private:
    UsbStatus handleWrite(const UsbSetupPacket& setup, const unsigned char* data);
    UsbStatus handleRead(const UsbSetupPacket& setup, unsigned char* data);
    void armLocked();
    bool readyLocked();

    const SimulatorConfig d_config;
    const std::uint16_t d_vendorId;
    const std::uint16_t d_productId;
    Clock& d_clock;

    mutable std::mutex d_mutex;
    std::shared_ptr<CalibrationImage::Bytes> p_memory;
    InstrumentRegisters d_registers;
    RelayBank d_relays;
    std::unique_ptr<RecordSource> p_source;
    bool d_triggers = true;
    bool d_holdStatusPoll = true;
    int d_commands = 0;
    int d_starts = 0;
};
