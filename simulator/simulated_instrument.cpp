#include "simulated_instrument.h"

#include "sim_records.h"

#include <algorithm>
#include <cstring>

SimulatedInstrument::SimulatedInstrument(const SimulatorConfig& config, std::shared_ptr<CalibrationImage::Bytes> memory,
                                         Clock& clock, std::uint16_t vendorId, std::uint16_t productId)
    : d_config(config), d_vendorId(vendorId), d_productId(productId), d_clock(clock), p_memory(std::move(memory)),
      p_source(SimRecords::forInstrument(
          config.hardwareVersion, config.chipTemperature,
          config.paceRecords || config.clockMode == SimulatedClock::Mode::RealTime ? &clock : nullptr,
          config.shortedInputs)) {
    d_holdStatusPoll = config.holdStatusPoll;
    if (!p_memory) p_memory = std::make_shared<CalibrationImage::Bytes>(CalibrationImage::factoryImage(generation()));
}

InstrumentSettings SimulatedInstrument::settings() const {
    std::lock_guard lock(d_mutex);
    return InstrumentSettings::decode(generation(), d_registers, d_relays.relayByte());
}

InstrumentRegisters SimulatedInstrument::registers() const {
    std::lock_guard lock(d_mutex);
    return d_registers;
}

RelayBank SimulatedInstrument::relays() const {
    std::lock_guard lock(d_mutex);
    return d_relays;
}

CalibrationImage::Bytes SimulatedInstrument::calibrationMemory() const {
    std::lock_guard lock(d_mutex);
    return *p_memory;
}

void SimulatedInstrument::setCalibrationMemory(const CalibrationImage::Bytes& bytes) {
    std::lock_guard lock(d_mutex);
    *p_memory = bytes;
}

void SimulatedInstrument::setRecordSource(std::unique_ptr<RecordSource> source) {
    std::lock_guard lock(d_mutex);
    p_source = std::move(source);
}

void SimulatedInstrument::setTriggers(bool triggers) {
    std::lock_guard lock(d_mutex);
    d_triggers = triggers;
}

void SimulatedInstrument::setHoldStatusPoll(bool hold) {
    std::lock_guard lock(d_mutex);
    d_holdStatusPoll = hold;
}

bool SimulatedInstrument::readyLocked() { return d_triggers && p_source && p_source->ready(d_clock.now()); }

bool SimulatedInstrument::holdsRequest(const UsbSetupPacket& setup) {
    if (setup.request != 0xC0 || !setup.deviceToHost()) return false;
    std::lock_guard lock(d_mutex);
    if (!d_holdStatusPoll) return false;
    const InstrumentSettings now = InstrumentSettings::decode(generation(), d_registers, d_relays.relayByte());
    return now.normalTriggerMode && !now.roll && !readyLocked();
}

bool SimulatedInstrument::holdsBulk() {
    std::lock_guard lock(d_mutex);
    const InstrumentSettings now = InstrumentSettings::decode(generation(), d_registers, d_relays.relayByte());
    return !now.roll && !(d_triggers && p_source && p_source->dataReady(d_clock.now()));
}

int SimulatedInstrument::commands() const {
    std::lock_guard lock(d_mutex);
    return d_commands;
}

int SimulatedInstrument::starts() const {
    std::lock_guard lock(d_mutex);
    return d_starts;
}

void SimulatedInstrument::armLocked() {
    if (p_source)
        p_source->arm(InstrumentSettings::decode(generation(), d_registers, d_relays.relayByte()), d_clock.now());
}

UsbStatus SimulatedInstrument::control(const UsbSetupPacket& setup, unsigned char* data, int& transferred) {
    transferred = 0;
    std::lock_guard lock(d_mutex);
    const bool read = setup.deviceToHost();
    if (setup.requestType != (read ? 0xC0 : 0x40) || setup.index != 0) return UsbStatus::Stall;
    UsbStatus status = read ? handleRead(setup, data) : handleWrite(setup, data);
    if (status == UsbStatus::Success) transferred = setup.length;
    return status;
}

UsbStatus SimulatedInstrument::handleWrite(const UsbSetupPacket& setup, const unsigned char* data) {
    const int length = setup.length;
    const bool wide = generation() >= 3;
    switch (setup.request) {
    case 0xB0:
    case 0xB6:
        if (length != 0 || (setup.request == 0xB6) != wide) return UsbStatus::Stall;
        ++d_starts;
        armLocked();
        return UsbStatus::Success;
    case 0xB1:
    case 0xB3:
        if (length != InstrumentRegisters::blockLength(generation())) return UsbStatus::Stall;
        d_registers.storeBlock(generation(), data);
        if (d_registers.reg[20]) armLocked(); // the go strobe starts a capture
        return UsbStatus::Success;
    case 0xB2:
        if (length != 3) return UsbStatus::Stall;
        d_registers.storeDac(data);
        // The DACs move the analog front end at once, not at the next start.
        armLocked();
        return UsbStatus::Success;
    case 0xB4:
        if (length != 1) return UsbStatus::Stall;
        d_registers.timeBaseByte = data[0];
        return UsbStatus::Success;
    case 0xB5:
        if (length != 1) return UsbStatus::Stall;
        d_relays.write(data[0], d_clock.now());
        if (d_registers.reg[26] != d_relays.relayByte()) {
            d_registers.reg[26] = d_relays.relayByte();
            if (p_source)
                p_source->frontEndSwitched(InstrumentSettings::decode(generation(), d_registers, d_registers.reg[26]),
                                           d_clock.now());
        }
        return UsbStatus::Success;
    case 0xD0:
        if (length != 0) return UsbStatus::Stall;
        ++d_commands;
        return UsbStatus::Success;
    case 0xD1: {
        const int offset = setup.value - CalibrationImage::ADDRESS;
        if (length < 1 || length > CalibrationImage::PAGE || offset < 0 || offset + length > CalibrationImage::SIZE)
            return UsbStatus::Stall;
        std::memcpy(p_memory->data() + offset, data, static_cast<size_t>(length));
        return UsbStatus::Success;
    }
    default: return UsbStatus::Stall;
    }
}

UsbStatus SimulatedInstrument::handleRead(const UsbSetupPacket& setup, unsigned char* data) {
    const int length = setup.length;
    switch (setup.request) {
    case 0xC0:
        if (length != 1) return UsbStatus::Stall;
        data[0] = readyLocked() ? 1 : 0;
        return UsbStatus::Success;
    case 0xC4: {
        if (length != InstrumentRegisters::readBackLength(generation())) return UsbStatus::Stall;
        const std::vector<unsigned char> bytes = d_registers.readBack(generation());
        std::memcpy(data, bytes.data(), bytes.size());
        return UsbStatus::Success;
    }
    case 0xC5:
        if (length != 1) return UsbStatus::Stall;
        data[0] = static_cast<unsigned char>(d_config.fpgaVersion);
        return UsbStatus::Success;
    case 0xC6:
        if (length != 1) return UsbStatus::Stall;
        data[0] = d_registers.timeBaseByte;
        return UsbStatus::Success;
    case 0xC7: {
        const int offset = setup.value - CalibrationImage::ADDRESS;
        if (length < 1 || length > CalibrationImage::PAGE || offset < 0 || offset + length > CalibrationImage::SIZE)
            return UsbStatus::Stall;
        std::memcpy(data, p_memory->data() + offset, static_cast<size_t>(length));
        return UsbStatus::Success;
    }
    case 0xC8:
        if (length != 2) return UsbStatus::Stall;
        data[0] = static_cast<unsigned char>(static_cast<signed char>(d_config.chipTemperature));
        data[1] = 0;
        return UsbStatus::Success;
    default: return UsbStatus::Stall;
    }
}

UsbStatus SimulatedInstrument::bulkRead(unsigned char endpoint, unsigned char* data, int length, int& transferred) {
    transferred = 0;
    if (endpoint != BULK_PIPE) return UsbStatus::Stall;
    std::lock_guard lock(d_mutex);
    // The record's own length: a short packet ends a longer read.
    if (length > 0 && p_source) transferred = std::clamp(p_source->read(data, length), 0, length);
    return UsbStatus::Success;
}
