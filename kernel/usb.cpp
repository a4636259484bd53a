#include "usb.h"

#include "codes.h"
#include "state.h"
#include "thread_flags.h"
#include "trevan_error.h"
#include "usb_vendor_specific_command.h"
#include "usb_windriver.h"

#include <cassert>
#include <initializer_list>
#include <vector>

namespace {

const char* const kUsbSource = "kernel\\usb";
using Request = USBVendorSpecificCommand;
constexpr unsigned char kAcBits = 0x09; // channel 1, channel 2 AC coupling in the relay byte

bool isRollMode(int acquisitionMode) { return acquisitionMode >= _ROLL && acquisitionMode <= _ROLL3; }

// The pulses that move one relay group to its new bits (between the two 0x00 writes).
std::vector<unsigned char> pulsePattern(unsigned char group, unsigned char bits) {
    switch (group) {
    case 0x01: return {static_cast<unsigned char>(bits ? 0x01 : 0xFE)};
    case 0x08: return {static_cast<unsigned char>(bits ? 0x08 : 0xF7)};
    case 0x06:
        if (bits == 0x00) return {0xF9};
        if (bits == 0x02) return {0x06};
        if (bits == 0x04) return {0xF9, 0x00, 0x04};
        return {};
    case 0x30:
        if (bits == 0x00) return {0xCF};
        if (bits == 0x10) return {0x30};
        if (bits == 0x20) return {0xCF, 0x00, 0x20};
        return {};
    default: return {};
    }
}

} // namespace

USB::USB(std::shared_ptr<UsbBackend> backend) : p_backend(std::move(backend)) { assert(p_backend && "backend != 0"); }

USB::~USB() { close(); }

void USB::setTriggerModeQuery(std::function<int()> query) {
    d_triggerModeQuery = std::move(query);
    if (p_command) p_command->setTriggerModeQuery(d_triggerModeQuery);
}

void USB::setVersion(int hwVersion) {
    Hardware::setVersion(hwVersion);
    if (p_command) p_command->setLengths(d_writeLength, d_numberOfReadRegisters, d_dacBlockLength);
}

bool USB::init(int hwVersion, unsigned int size) {
    if (!Hardware::init(hwVersion, size)) return false;
    p_command = std::make_unique<USBVendorSpecificCommand>(p_backend);
    p_command->setTriggerModeQuery(d_triggerModeQuery);
    if (!p_command->open(d_writeLength, d_numberOfReadRegisters, d_dacBlockLength)) {
        p_command.reset();
        return false;
    }
    if (!command(500)) {
        push_error(_ERR_WRITE_REGISTERS, kUsbSource, __LINE__);
        return false;
    }
    // An instrument whose relays do not answer would fail every setting after them.
    if (!initRelays(500)) {
        push_error(_ERR_WRITE_REGISTERS, kUsbSource, __LINE__);
        return false;
    }
    return true;
}

void USB::close() {
    Hardware::close();
    p_command.reset();
}

int USB::sendAgainOnce(unsigned char request, const unsigned char* data, int length, int timeOut) {
    if (!p_command) return -1;
    const auto r = static_cast<Request::Request>(request);
    int n = -1;
    {
        MessageHold hold;
        n = p_command->send(r, data, length, timeOut);
    }
    if (n == length || instrumentGone()) return n;
    return p_command->send(r, data, length, timeOut);
}

bool USB::writeRelayByte(unsigned char byte, int timeOut) {
    const auto once = [&] {
        const bool sent = p_command && p_command->send(Request::WRITE_RELAY, &byte, 1, timeOut) == 1;
        // The relay coils need the pulse held; the pause follows a failed write too.
        p_backend->clock().sleepFor(std::chrono::milliseconds(RELAY_PAUSE_MS));
        return sent;
    };
    bool sent = false;
    {
        MessageHold hold;
        sent = once();
    }
    if (!sent && p_command && !instrumentGone()) sent = once();
    return sent;
}

bool USB::initRelays(int timeOut) {
    if (!writeRelayByte(0x00, timeOut)) return false;
    for (int k = 0; k < 6; ++k)
        if (!writeRelayByte(static_cast<unsigned char>(~(1u << k)), timeOut) || !writeRelayByte(0x00, timeOut))
            return false;
    return true;
}

bool USB::pulseGroup(unsigned char group, unsigned char newBits, int timeOut) {
    bool ok = writeRelayByte(0x00, timeOut);
    for (unsigned char pulse : pulsePattern(group, newBits)) {
        if (!ok) break;
        ok = writeRelayByte(pulse, timeOut);
    }
    // A pulse that may have landed is ended, unless the instrument has stopped answering.
    if (!ok && (lastTransferTimedOut() || instrumentGone())) return false;
    return writeRelayByte(0x00, timeOut) && ok;
}

bool USB::setRelays(unsigned char byte, int timeOut) {
    bool ok = true;
    for (unsigned char group : {0x01, 0x06, 0x08, 0x30}) {
        if (((byte ^ d_relayCache) & group) == 0) continue;
        if (!pulseGroup(group, static_cast<unsigned char>(byte & group), timeOut)) {
            ok = false;
            break;
        }
        // A coupling switched to AC: it switched at its release, a pause ago.
        if (byte & group & kAcBits)
            d_frontEndSettled = p_backend->clock().now() + std::chrono::milliseconds(AC_SETTLE_MS - RELAY_PAUSE_MS);
        d_relayCache = static_cast<unsigned char>((d_relayCache & ~group) | (byte & group));
    }
    // Bits that belong to no group need no pulse.
    d_relayCache = static_cast<unsigned char>((d_relayCache & 0x3F) | (byte & 0xC0));
    if (!ok) push_error(_ERR_WRITE_REGISTERS, kUsbSource, __LINE__);
    return ok;
}

void USB::waitForFrontEnd() {
    Clock& clock = p_backend->clock();
    const auto now = clock.now();
    if (d_frontEndSettled > now) clock.sleepFor(d_frontEndSettled - now);
}

bool USB::readSampleBuffer(int /*timeOut_*/) {
    assert(p_state && "p_state != 0");
    return readSampleRecord(p_state->d_acquisitionMode, p_state->d_bufferSizeMode);
}

bool USB::readSampleRecord(int acquisitionMode, int bufferSizeMode) {
    assert(p_buffer && "p_buffer != 0");
    assert(d_bufferSize > 0 && "d_bufferSize > 0");
    d_bytesRead = 0;
    if (abortReadFlag.load()) return false;
    const int timeOut = acquisitionMode == _ETS_MODE1 ? 500 : 0;
    unsigned char* buffer = p_buffer.get();
    bool failed = !p_command;
    if (failed) {
        // nothing to read from
    } else if (bufferSizeMode == _500K && !isRollMode(acquisitionMode)) {
        failed = d_bufferSize < static_cast<unsigned int>(RECORD_500K);
        for (int i = 0; !failed && i <= CHUNKS_500K && !abortReadFlag.load(); ++i) {
            const int length = i < CHUNKS_500K ? CHUNK_500K : TAIL_500K;
            const int got = p_command->bulkRead(buffer + i * CHUNK_500K, length, timeOut);
            failed = got != length;
            if (got > 0) d_bytesRead += static_cast<unsigned int>(got);
        }
    } else if (d_readLength <= 0 || static_cast<unsigned int>(d_readLength) > d_bufferSize) {
        failed = true;
    } else {
        const int got = p_command->bulkRead(buffer, d_readLength, timeOut);
        // A roll record is shorter than the read asks; its decoder checks what came.
        failed = got < 0 || (got != d_readLength && !(isRollMode(acquisitionMode) && got > 0 &&
                                                      p_command->lastStatus() == UsbStatus::Success));
        if (got > 0) d_bytesRead = static_cast<unsigned int>(got);
    }
    if (abortReadFlag.load()) return false;
    if (failed) {
        // Waiting for its trigger the instrument may hold its record back: the capture says so.
        if (!(lastTransferTimedOut() && waitsForTrigger(acquisitionMode)))
            push_error(_ERR_READ_BUFFER, kUsbSource, __LINE__);
        return false;
    }
    return true;
}

bool USB::waitsForTrigger(int acquisitionMode) const {
    return p_state && !isRollMode(acquisitionMode) &&
           (p_state->d_triggerMode == _NORMAL || p_state->d_runState == _SINGLE);
}

bool USB::writeBlock(unsigned char request, unsigned char* reg_p, int timeOut) {
    assert(reg_p && "reg_p != 0");
    reg_p[d_writeLength - 1] = 1; // go strobe
    const int length = static_cast<int>(d_writeLength);
    if (sendAgainOnce(request, reg_p, length, timeOut) != length) {
        push_error(_ERR_WRITE_REGISTERS, kUsbSource, __LINE__);
        return false;
    }
    return true;
}

bool USB::writeRegisters(unsigned char* reg_p, int timeOut) {
    return writeBlock(Request::WRITE_REGISTERS, reg_p, timeOut);
}

bool USB::writeRegisters2(unsigned char* reg_p, int timeOut) {
    return writeBlock(Request::WRITE_REGISTERS2, reg_p, timeOut);
}

bool USB::readExactly(unsigned char request, unsigned char* out, int length, int timeOut) {
    // A short read leaves stale bytes behind: it is a failure like any other.
    return p_command && p_command->receive(static_cast<Request::Request>(request), out, length, timeOut) == length;
}

bool USB::readRegisters(unsigned char* reg_p, int timeOut) {
    assert(reg_p && "reg_p != 0");
    if (!readExactly(Request::READ_REGISTERS, reg_p, static_cast<int>(d_numberOfReadRegisters), timeOut)) {
        push_error(_ERR_READ_REGISTERS, kUsbSource, __LINE__);
        return false;
    }
    return true;
}

bool USB::writeDacBlock(unsigned char* dac_p, int timeOut) {
    assert(dac_p && "reg_p != 0");
    const int length = static_cast<int>(d_dacBlockLength);
    if (sendAgainOnce(Request::WRITE_DAC, dac_p, length, timeOut) != length) {
        push_error(_ERR_WRITE_REGISTERS, kUsbSource, __LINE__);
        return false;
    }
    return true;
}

bool USB::readVersionByte(unsigned char* out, int timeOut) {
    assert(out && "version != 0");
    bool read = false;
    {
        MessageHold hold;
        read = readExactly(Request::READ_VERSION, out, 1, timeOut);
    }
    // A read that timed out was already repeated by the transport.
    if (!read && !instrumentGone() && !lastTransferTimedOut())
        read = readExactly(Request::READ_VERSION, out, 1, timeOut);
    if (!read) {
        push_error(_ERR_READ_REGISTERS, kUsbSource, __LINE__);
        return false;
    }
    return true;
}

bool USB::writeByte(unsigned char byte, int timeOut) {
    if (sendAgainOnce(Request::WRITE_BYTE, &byte, 1, timeOut) != 1) {
        push_error(_ERR_WRITE_REGISTERS, kUsbSource, __LINE__);
        return false;
    }
    return true;
}

bool USB::writeMemoryBlock(const unsigned char* file_p, int addr, int length, int timeOut) {
    assert(file_p && "file_p != 0");
    if (length <= 0 || length > USBVendorSpecificCommand::MEMORY_PAGE || !p_command) return false;
    return p_command->writeMemory(addr, file_p, length, timeOut) == length;
}

bool USB::readMemoryBlock(unsigned char* data_p, int addr, int timeOut) {
    assert(data_p && "data_p != 0");
    assert(addr > 0 && "addr_ > 0");
    return p_command && p_command->readMemory(addr, data_p, timeOut) == USBVendorSpecificCommand::MEMORY_PAGE;
}

bool USB::command(int timeOut) { return sendAgainOnce(Request::COMMAND, nullptr, 0, timeOut) == 0; }

bool USB::readByte(unsigned char* out, int timeOut) {
    assert(out && "out != 0");
    return readExactly(Request::READ_BYTE, out, 1, timeOut);
}

int USB::pollTrigger(int* failed, int timeOut) {
    unsigned char status = 0;
    const bool ok = readExactly(Request::POLL_TRIGGER, &status, 1, timeOut);
    if (failed) *failed = ok ? 0 : 1;
    return ok && status == 1 ? 1 : 0;
}

bool USB::start(int timeOut) {
    const auto request = hwVersion_ <= _HW2 ? Request::START_HW12 : Request::START_HW34;
    return p_command && p_command->send(request, nullptr, 0, timeOut) == 0;
}

bool USB::resetBulkPipe() { return p_command && p_command->resetBulkPipe() == 0; }

bool USB::flushBulkPipe() { return p_command && p_command->flushBulkPipe() == 0; }

bool USB::readCounter(void* out, int timeOut) {
    assert(out && "temp_p != 0");
    return readExactly(Request::READ_COUNTER, static_cast<unsigned char*>(out), 2, timeOut);
}

bool USB::lastTransferTimedOut() const { return p_command && p_command->lastStatus() == UsbStatus::Timeout; }

bool USB::instrumentGone() const {
    const USBWinDriver* driver = p_command ? p_command->driver() : nullptr;
    return !driver || !driver->isOpen() || driver->deviceLost();
}

int USB::arrivals() const { return p_command && p_command->driver() ? p_command->driver()->arrivals() : 0; }

bool USB::controllerWaiting() const {
    return p_command && p_command->driver() && p_command->driver()->controllerWaiting();
}

bool USB::instrumentReturned() const {
    return p_command && p_command->driver() && p_command->driver()->instrumentReturned();
}

bool USB::reconnect() {
    if (!p_command) return false;
    if (!p_command->open(d_writeLength, d_numberOfReadRegisters, d_dacBlockLength)) return false;
    if (!command(500)) return false;
    // The relays of a re-plugged instrument are where its power-up left them.
    initRelays(500);
    d_relayCache = 0;
    return true;
}
