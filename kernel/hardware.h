#pragma once
// The kernel's one view of the instrument. It owns the sample buffer and declares every
// device operation; USB implements them as vendor requests and bulk reads.
//
// For every call unless it says otherwise: time-outs are milliseconds; false means failure,
// after the error code the call names was pushed (trevan_error.h; "no error" pushes none);
// a failed read may leave the caller's bytes partly written. A write request that fails (and
// the FPGA-version read) is asked again once before it counts as failed; nothing is rolled
// back here (Control takes a failed command back). No lock: the GUI thread (start-up, setters, calibration, the facade)
// and the worker thread (captures, the instrument's loss and return) call it, kept apart by the pause hand-shake.

#include <memory>

class State;

// The sample buffer as the last sample-buffer read left it: what the decoder takes. A view,
// valid until the next read, resize, release or close of the Hardware it came from.
struct SampleRecord {
    const unsigned char* data = nullptr; // the buffer's start; null without a buffer
    unsigned int bytes = 0;              // readable from data: the whole buffer
    unsigned int bytesRead = 0;          // of them brought by the last read; the rest is older
};

class Hardware {
public:
    Hardware() = default;
    virtual ~Hardware();
    Hardware(const Hardware&) = delete;
    Hardware& operator=(const Hardware&) = delete;

    // Generation _HW1.._HW4 (asserted); sets the block lengths: write 19/21, read-back 23/25,
    // DAC 3. Start-up and state load; the worker thread on reconnect.
    virtual void setVersion(int hwVersion_);
    // setVersion, then resize(size_) (bytes); the result of resize. Start-up.
    virtual bool init(int hwVersion_, unsigned int size_);
    // Frees the sample buffer and forgets its size and the remembered size.
    virtual void close();
    // A sample buffer of size_ bytes, contents undefined; none may be held (asserted).
    // Error 1 when it cannot be had: then there is none.
    virtual bool allocate(unsigned int size_);
    // Keeps buffer and contents when the size is unchanged; otherwise release, then allocate
    // (error 1). The record-length setter.
    virtual bool resize(unsigned int size_);
    // allocate with the size remembered at the last release.
    virtual bool reallocate();
    // Frees the buffer, if any, remembering its size; the size becomes 0.
    virtual void release();

    // One relay-byte write (0xB5) and the pause the coils need after it, failed or not.
    // No error.
    virtual bool writeRelayByte(unsigned char byte_, int timeOut_) = 0;
    // Pulses the relay groups whose bits differ from the byte last programmed; an unchanged
    // byte sends nothing. Error 6 when a write fails: that group keeps its old bits in the
    // cache, so the next call pulses it again, and the groups after it are left. GUI thread
    // (channel setters).
    virtual bool setRelays(unsigned char byte_, int timeOut_) = 0;
    // Pulses every relay to rest (13 writes); false at the first write that fails. Start-up,
    // reconnect.
    virtual bool initRelays(int timeOut_) = 0;
    // Returns once a coupling that setRelays switched to AC has settled (the input's DC gone).
    virtual void waitForFrontEnd() {}
    // One record into the sample buffer (sampleRecord()): d_readLength bytes at 10k points,
    // 1,000,128 at 500k; in roll what the instrument sends, at most d_readLength. The
    // implementation may replace timeOut_ (USB: 500 ms for method 1, else its transport's
    // bound). False with no error when abortReadFlag is raised before or during the read;
    // error 8 when the read cannot be made, a transfer fails or comes back short (roll: when
    // nothing came). A failed read leaves in the buffer what arrived (bytesRead). Worker
    // thread.
    virtual bool readSampleBuffer(int timeOut_) = 0;
    // The register block (d_writeLength bytes: the image from register 1 on, not null) with
    // 0xB1. Sets its last byte, the go strobe, first, so the strobe stays in the image.
    // Error 6. GUI thread (setters).
    virtual bool writeRegisters(unsigned char* reg_p, int timeOut_) = 0;
    // As writeRegisters with 0xB3: coupling on _HW3/_HW4; the worker thread resends the
    // block with it when a capture's status copies differ.
    virtual bool writeRegisters2(unsigned char* reg_p, int timeOut_) = 0;
    // d_numberOfReadRegisters bytes of register read-back (0xC4) into reg_p (not null). Error
    // 7, also for a short answer. GUI thread (register view).
    virtual bool readRegisters(unsigned char* reg_p, int timeOut_) = 0;
    // d_dacBlockLength bytes (not null): the offset and trigger DAC block (0xB2). Error 6.
    virtual bool writeDacBlock(unsigned char* dac_p, int timeOut_) = 0;
    // The FPGA version byte (0xC5) into *out_ (not null). Error 7. Start-up, state load,
    // reconnect.
    virtual bool readVersionByte(unsigned char* out_, int timeOut_) = 0;
    // One byte (0xB4): the time base's byte. Error 6. GUI thread (time/div setter).
    virtual bool writeByte(unsigned char byte_, int timeOut_) = 0;
    // length_ bytes (1..64) of file_p (not null) at calibration-memory address addr_ (0xD1).
    // No error: false when length_ is out of range or not all bytes went.
    virtual bool writeMemoryBlock(const unsigned char* file_p, int addr_, int length_, int timeOut_) = 0;
    // The 64-byte calibration-memory page at addr_ (> 0) into data_p (not null) (0xC7). No
    // error: false unless all 64 came. Start-up, calibration, reconnect.
    virtual bool readMemoryBlock(unsigned char* data_p, int addr_, int timeOut_) = 0;
    // The command request (0xD0, no data). No error. Start-up, reconnect, the facade.
    virtual bool command(int timeOut_) = 0;
    // One byte (0xC6) into *out_ (not null). No error. No caller in the kernel.
    virtual bool readByte(unsigned char* out_, int timeOut_) = 0;
    // The capture status (0xC0): 1 when a capture is ready, else 0. *failed_ (may be null)
    // becomes 1 when the request failed, else 0. No error: the capture pushes its own.
    // Worker thread.
    virtual int pollTrigger(int* failed_, int timeOut_) = 0;
    // Starts a capture (0xB0 on _HW1/_HW2, 0xB6 on _HW3/_HW4). No error. The worker thread
    // after a failed read; the GUI thread through the facade.
    virtual bool start(int timeOut_) = 0;
    // Clears a halt of the bulk pipe 0x82. No error. No caller in the kernel.
    virtual bool resetBulkPipe() = 0;
    // A zero-length transfer on the bulk pipe 0x82 (a failure has told the user "error on
    // transfer82"). No error. No caller in the kernel.
    virtual bool flushBulkPipe() = 0;
    // Two bytes (0xC8) into out_ (not null): the chip temperature reading on _HW4. No error.
    // Worker thread (ETS captures) and the facade.
    virtual bool readCounter(void* out_, int timeOut_) = 0;
    // Whether the last transfer ended because the instrument did not answer in time; asked
    // after a failure. Worker thread.
    virtual bool lastTransferTimedOut() const { return false; }
    // The instrument has left the bus: every transfer fails until reconnect. Worker thread,
    // between captures.
    virtual bool instrumentGone() const { return false; }
    // After a loss an instrument has arrived again; reconnect() opens it (the command
    // request and the relays as at init) with the lengths of the current generation. False
    // when it cannot be opened (errors 2 to 4) or the command fails (no error). Worker thread.
    virtual bool instrumentReturned() const { return false; }
    // An unprogrammed controller of the instrument is on the bus: it needs the firmware
    // download before reconnect() can find the instrument.
    virtual bool controllerWaiting() const { return false; }
    // Devices (instruments or controllers) that have arrived since the last open: a count
    // that grows tells a new arrival.
    virtual int arrivals() const { return 0; }
    virtual bool reconnect() { return false; }

    // The settings a sample-buffer read depends on (method and record-length mode); not owned.
    void setState(const State* state_) { p_state = state_; }
    // The sample buffer as the last read left it; empty (null, 0, 0) without a buffer.
    SampleRecord sampleRecord() const;

    int hwVersion_ = 0;
    int d_readLength = 0; // bytes of one bulk read in the 10k mode: 2 x d_acquireLength (setters)
    unsigned int d_writeLength = 0;
    unsigned int d_numberOfReadRegisters = 0;
    unsigned int d_dacBlockLength = 3;

protected:
    const State* p_state = nullptr;
    std::unique_ptr<unsigned char[]> p_buffer;
    unsigned int d_bufferSize = 0;     // bytes of p_buffer, 0 without one
    unsigned int d_bytesRead = 0;      // bytes the last sample-buffer read brought
    unsigned int d_rememberedSize = 0; // d_bufferSize at the last release
};
