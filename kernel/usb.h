#pragma once
// The Hardware interface over USB: each operation is one vendor request of the instrument
// (USBVendorSpecificCommand) or bulk reads of the sample buffer. Failures push their error
// code ("kernel\usb") and return false; the transport has already told the user the
// driver's status text. Time-outs are milliseconds. The pauses between relay pulses wait
// on the backend's clock, so a simulated bus costs no real time.

#include "hardware.h"
#include "usb_backend.h"

#include <functional>
#include <memory>

class USBVendorSpecificCommand;

class USB final : public Hardware {
public:
    static constexpr int RELAY_PAUSE_MS = 20; // after every relay-byte write
    // A channel switched to AC: its coupling capacitor (1 MOhm input, a corner below 10 Hz:
    // a time constant of about 22 ms) takes the input's DC away within this time from the
    // relay's switching (to well under 1 %); records before would show the DC decaying.
    static constexpr int AC_SETTLE_MS = 120;
    static constexpr int CHUNK_500K = 40000; // bytes of one bulk read in the 500k mode
    static constexpr int CHUNKS_500K = 25;   // ... followed by one of TAIL_500K bytes
    static constexpr int TAIL_500K = 128;
    static constexpr int RECORD_500K = CHUNK_500K * CHUNKS_500K + TAIL_500K; // 1,000,128

    // The backend must not be null; the object keeps it alive.
    explicit USB(std::shared_ptr<UsbBackend> backend);
    ~USB() override;

    void setVersion(int hwVersion_) override;
    // Buffer of size_ bytes, open the instrument (errors 1 to 4), command 0xD0, relays
    // initialised (error 6). False when any of these fails.
    bool init(int hwVersion_, unsigned int size_) override;
    void close() override;

    // 0xB5, then a 20 ms pause; a failed write is sent once more. True when sent.
    bool writeRelayByte(unsigned char byte_, int timeOut_) override;
    // Pulses the relay groups whose bits differ from the cache. A group's new bits enter the
    // cache only when all its writes succeeded; the first group that fails ends it with error
    // 6 and false. A channel switched to AC settles AC_SETTLE_MS from its relay's switching
    // (waitForFrontEnd).
    bool setRelays(unsigned char byte_, int timeOut_) override;
    // Pulses every relay off (13 writes); false at the first write that fails twice.
    bool initRelays(int timeOut_) override;
    void waitForFrontEnd() override;
    // One record into the sample buffer: one read of d_readLength bytes (10k points) or 26 reads
    // making 1,000,128 bytes (500k points). The time-out argument is replaced: 500 ms for
    // acquisition method 1, else none (the transport still bounds it). False without an
    // error when abortReadFlag is raised before or during the read; error 8 when a read
    // fails or comes back short (the remaining chunks are not read), except a time-out while
    // the capture waits for its trigger (NORMAL mode or single shot, not roll). In roll a short packet
    // ends the read well: the instrument sends only the record (bytesRead says how much).
    bool readSampleBuffer(int timeOut_) override;
    // readSampleBuffer for explicit settings: acquisition method and _10K / _500K.
    bool readSampleRecord(int acquisitionMode_, int bufferSizeMode_);
    bool writeRegisters(unsigned char* reg_p, int timeOut_) override;
    bool writeRegisters2(unsigned char* reg_p, int timeOut_) override;
    bool readRegisters(unsigned char* reg_p, int timeOut_) override;
    bool writeDacBlock(unsigned char* dac_p, int timeOut_) override;
    bool readVersionByte(unsigned char* out_, int timeOut_) override;
    bool writeByte(unsigned char byte_, int timeOut_) override;
    // length_ bytes (1..64) at instrument address addr_; wLength says length_.
    bool writeMemoryBlock(const unsigned char* file_p, int addr_, int length_, int timeOut_) override;
    bool readMemoryBlock(unsigned char* data_p, int addr_, int timeOut_) override;
    bool command(int timeOut_) override;
    bool readByte(unsigned char* out_, int timeOut_) override;
    int pollTrigger(int* failed_, int timeOut_) override;
    bool start(int timeOut_) override;
    bool resetBulkPipe() override;
    bool flushBulkPipe() override;
    bool readCounter(void* out_, int timeOut_) override;
    bool lastTransferTimedOut() const override;
    bool instrumentGone() const override;
    bool instrumentReturned() const override;
    bool controllerWaiting() const override;
    int arrivals() const override;
    bool reconnect() override;

    // How the transport learns the trigger mode (Control hands in a query of its State).
    void setTriggerModeQuery(std::function<int()> query);
    unsigned char relayCache() const { return d_relayCache; }
    USBVendorSpecificCommand* requests() { return p_command.get(); }

private:
    // One relay group: its pulse writes; returns true when every write succeeded.
    bool pulseGroup(unsigned char group_, unsigned char newBits_, int timeOut_);
    bool writeBlock(unsigned char request_, unsigned char* reg_p, int timeOut_);
    // A write that fails is a glitch until it fails again: it is sent once more (the first
    // failure tells the user nothing). The bytes moved by the last attempt, or -1.
    int sendAgainOnce(unsigned char request_, const unsigned char* data_, int length_, int timeOut_);
    bool readExactly(unsigned char request_, unsigned char* out_, int length_, int timeOut_);
    bool waitsForTrigger(int acquisitionMode_) const;

    std::shared_ptr<UsbBackend> p_backend;
    std::unique_ptr<USBVendorSpecificCommand> p_command;
    std::function<int()> d_triggerModeQuery;
    unsigned char d_relayCache = 0;                 // relay byte last programmed
    std::chrono::milliseconds d_frontEndSettled{0}; // on the backend's clock
};
