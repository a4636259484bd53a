#pragma once
// The kernel's one view of the instrument. It owns the buffer of one captured sample record
// and declares every device operation; USB implements them as vendor requests and bulk
// reads. Operations return false on failure after pushing an error code (trevan_error.h).
// Time-outs are milliseconds.

#include <memory>

class State;

class Hardware {
public:
    Hardware() = default;
    virtual ~Hardware();
    Hardware(const Hardware&) = delete;
    Hardware& operator=(const Hardware&) = delete;

    // Generation _HW1.._HW4; sets the register-block lengths (19/23 or 21/25 bytes, DAC 3).
    virtual void setVersion(int hwVersion_);
    // setVersion, then resize(size_).
    virtual bool init(int hwVersion_, unsigned int size_);
    // Frees the sample buffer and forgets its size.
    virtual void close();
    // Error 1 when the buffer cannot be had.
    virtual bool allocate(unsigned int size_);
    // Keeps buffer and contents when the size is unchanged.
    virtual bool resize(unsigned int size_);
    virtual bool reallocate();
    virtual void release();

    virtual bool writeRelayByte(unsigned char byte_, int timeOut_) = 0;
    virtual bool setRelays(unsigned char byte_, int timeOut_) = 0;
    virtual bool initRelays(int timeOut_) = 0;
    // Fills p_buffer with one record (2 x acquire length bytes at 10k, 1,000,128 at 500k).
    virtual bool readSampleBuffer(int timeOut_) = 0;
    // Sends the register block (image from register 1 on); sets its last byte, the go strobe.
    virtual bool writeRegisters(unsigned char* reg_p, int timeOut_) = 0;
    virtual bool writeRegisters2(unsigned char* reg_p, int timeOut_) = 0;
    // Reads d_numberOfReadRegisters bytes.
    virtual bool readRegisters(unsigned char* reg_p, int timeOut_) = 0;
    // Three bytes: the offset and trigger DAC block.
    virtual bool writeDacBlock(unsigned char* dac_p, int timeOut_) = 0;
    virtual bool readVersionByte(unsigned char* out_, int timeOut_) = 0;
    virtual bool writeByte(unsigned char byte_, int timeOut_) = 0;
    // One calibration-memory page at instrument address addr_; sends length_ bytes.
    virtual bool writeMemoryBlock(const unsigned char* file_p, int addr_, int length_, int timeOut_) = 0;
    // Reads one 64-byte calibration-memory page.
    virtual bool readMemoryBlock(unsigned char* data_p, int addr_, int timeOut_) = 0;
    virtual bool command(int timeOut_) = 0;
    virtual bool readByte(unsigned char* out_, int timeOut_) = 0;
    // 1 when a capture is ready; *failed_ = 1 when the transfer failed.
    virtual int pollTrigger(int* failed_, int timeOut_) = 0;
    virtual bool start(int timeOut_) = 0;
    virtual bool resetBulkPipe() = 0;
    virtual bool flushBulkPipe() = 0;
    // Two bytes.
    virtual bool readCounter(void* out_, int timeOut_) = 0;
    // Whether the last failed operation failed because the instrument did not answer in time.
    virtual bool lastTransferTimedOut() const { return false; }
    // The instrument has left the bus: nothing more can reach it.
    virtual bool instrumentGone() const { return false; }
    // After a loss an instrument has arrived again; reconnect() opens it (the command
    // request and the relays as at init) with the lengths of the current generation.
    virtual bool instrumentReturned() const { return false; }
    virtual bool reconnect() { return false; }

    // The settings a sample-buffer read depends on (method and record-length mode); not owned.
    void setState(const State* state_) { p_state = state_; }

    int hwVersion_ = 0;
    std::unique_ptr<unsigned char[]> p_buffer;
    unsigned char* p_data = nullptr; // set to the buffer by a capture after a good read
    unsigned int d_bufferSize = 0;
    int d_readLength = 0;            // bytes of one bulk read in the 10k mode
    unsigned int d_bytesRead = 0;    // bytes the last sample-buffer read brought
    unsigned int d_rememberedSize = 0;
    unsigned int d_writeLength = 0;
    unsigned int d_numberOfReadRegisters = 0;
    unsigned int d_dacBlockLength = 3;

protected:
    const State* p_state = nullptr;
};
