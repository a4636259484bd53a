#pragma once
// A recording stand-in for the instrument behind the Hardware interface.
//
// Every device operation is recorded in `calls` (in order) with the bytes it sent or
// received, the address of memory-block calls and the time-out. Any call can be made to fail
// by name and ordinal (`failCall`): a failed call records itself with `failed` set, changes
// nothing, pushes no error code (the callers of Hardware push their own) and returns false
// (pollTrigger: 0 with *failed_ = 1).
//
// The calibration memory is served from `memory`: 960 bytes at instrument address 0x1C00,
// erased (0xFF) at the start. readMemoryBlock copies 64 bytes at the given address,
// writeMemoryBlock stores the bytes it is given; addresses outside the memory read as 0xFF
// and write nothing.
//
// Other reads return what the test put in: `versionByte`, `byteToRead`, `counterBytes`,
// `readBackRegisters` (d_numberOfReadRegisters bytes used), `triggerReplies` (consumed in
// order; 1 once empty) and `sampleData` (copied into the sample buffer by readSampleBuffer,
// whose record's bytesRead is the bytes copied). `timedOut` is what lastTransferTimedOut answers.

#include "hardware.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <vector>

class FakeHardware : public Hardware {
public:
    static constexpr int MEMORY_ADDRESS = 0x1C00;
    static constexpr int MEMORY_BYTES = 960;
    static constexpr int PAGE_BYTES = 64;

    struct Call {
        std::string name;
        std::vector<unsigned char> bytes; // sent, or received when the call succeeded
        int addr = 0;                     // memory-block calls only
        int timeOut = 0;
        bool failed = false;
    };

    FakeHardware() { memory.fill(0xFF); }

    // The nth_ call (1-based, counted over the fake's life) of the operation name_ fails;
    // with every_ set, that call and all later ones of the name fail.
    void failCall(const std::string& name_, int nth_, bool every_ = false) {
        d_failures[name_] = Failure{nth_, every_};
    }
    void clearFailures() { d_failures.clear(); }

    int count(const std::string& name_) const {
        return static_cast<int>(
            std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.name == name_; }));
    }
    std::vector<Call> callsNamed(const std::string& name_) const {
        std::vector<Call> out;
        for (const Call& c : calls)
            if (c.name == name_) out.push_back(c);
        return out;
    }
    const Call* last(const std::string& name_) const {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it)
            if (it->name == name_) return &*it;
        return nullptr;
    }

    bool writeRelayByte(unsigned char byte_, int timeOut_) override {
        return record("writeRelayByte", &byte_, 1, 0, timeOut_);
    }
    bool setRelays(unsigned char byte_, int timeOut_) override { return record("setRelays", &byte_, 1, 0, timeOut_); }
    bool initRelays(int timeOut_) override { return record("initRelays", nullptr, 0, 0, timeOut_); }
    bool readSampleBuffer(int timeOut_) override {
        d_bytesRead = 0;
        if (!record("readSampleBuffer", nullptr, 0, 0, timeOut_)) return false;
        if (p_buffer) {
            const size_t n = std::min<size_t>(sampleData.size(), d_bufferSize);
            std::copy_n(sampleData.begin(), n, p_buffer.get());
            d_bytesRead = static_cast<unsigned int>(n);
        }
        return true;
    }
    bool writeRegisters(unsigned char* reg_p, int timeOut_) override {
        return record("writeRegisters", reg_p, d_writeLength, 0, timeOut_);
    }
    bool writeRegisters2(unsigned char* reg_p, int timeOut_) override {
        return record("writeRegisters2", reg_p, d_writeLength, 0, timeOut_);
    }
    bool readRegisters(unsigned char* reg_p, int timeOut_) override {
        return receive("readRegisters", reg_p, readBackRegisters, d_numberOfReadRegisters, 0, timeOut_);
    }
    bool writeDacBlock(unsigned char* dac_p, int timeOut_) override {
        return record("writeDacBlock", dac_p, d_dacBlockLength, 0, timeOut_);
    }
    bool readVersionByte(unsigned char* out_, int timeOut_) override {
        return receive("readVersionByte", out_, {versionByte}, 1, 0, timeOut_);
    }
    bool writeByte(unsigned char byte_, int timeOut_) override { return record("writeByte", &byte_, 1, 0, timeOut_); }
    bool writeMemoryBlock(const unsigned char* file_p, int addr_, int length_, int timeOut_) override {
        if (!record("writeMemoryBlock", file_p, static_cast<size_t>(std::max(length_, 0)), addr_, timeOut_))
            return false;
        for (int i = 0; i < length_; ++i) {
            const int at = addr_ - MEMORY_ADDRESS + i;
            if (at >= 0 && at < MEMORY_BYTES) memory[static_cast<size_t>(at)] = file_p[i];
        }
        return true;
    }
    bool readMemoryBlock(unsigned char* data_p, int addr_, int timeOut_) override {
        std::vector<unsigned char> page(PAGE_BYTES, 0xFF);
        for (int i = 0; i < PAGE_BYTES; ++i) {
            const int at = addr_ - MEMORY_ADDRESS + i;
            if (at >= 0 && at < MEMORY_BYTES) page[static_cast<size_t>(i)] = memory[static_cast<size_t>(at)];
        }
        return receive("readMemoryBlock", data_p, page, PAGE_BYTES, addr_, timeOut_);
    }
    bool command(int timeOut_) override { return record("command", nullptr, 0, 0, timeOut_); }
    bool readByte(unsigned char* out_, int timeOut_) override {
        return receive("readByte", out_, {byteToRead}, 1, 0, timeOut_);
    }
    int pollTrigger(int* failed_, int timeOut_) override {
        const bool ok = record("pollTrigger", nullptr, 0, 0, timeOut_);
        if (failed_) *failed_ = ok ? 0 : 1;
        if (!ok) return 0;
        if (triggerReplies.empty()) return 1;
        const int reply = triggerReplies.front();
        triggerReplies.pop_front();
        return reply;
    }
    bool start(int timeOut_) override { return record("start", nullptr, 0, 0, timeOut_); }
    bool resetBulkPipe() override { return record("resetBulkPipe", nullptr, 0, 0, 0); }
    bool flushBulkPipe() override { return record("flushBulkPipe", nullptr, 0, 0, 0); }
    bool lastTransferTimedOut() const override { return timedOut; }
    bool readCounter(void* out_, int timeOut_) override {
        return receive("readCounter", static_cast<unsigned char*>(out_), {counterBytes[0], counterBytes[1]}, 2, 0,
                       timeOut_);
    }

    std::vector<Call> calls;
    std::array<unsigned char, MEMORY_BYTES> memory{};
    unsigned char versionByte = 0;
    unsigned char byteToRead = 0;
    std::array<unsigned char, 2> counterBytes{};
    std::vector<unsigned char> readBackRegisters;
    std::deque<int> triggerReplies;
    std::vector<unsigned char> sampleData;
    bool timedOut = false;

private:
    struct Failure {
        int nth = 0;
        bool every = false;
    };

    // Whether the call now being made (already counted) fails.
    bool fails(const std::string& name) const {
        auto it = d_failures.find(name);
        if (it == d_failures.end()) return false;
        const int n = count(name);
        return it->second.every ? n >= it->second.nth : n == it->second.nth;
    }

    bool record(const char* name, const unsigned char* bytes, size_t length, int addr, int timeOut) {
        Call c;
        c.name = name;
        if (bytes) c.bytes.assign(bytes, bytes + length);
        c.addr = addr;
        c.timeOut = timeOut;
        calls.push_back(std::move(c));
        calls.back().failed = fails(name);
        return !calls.back().failed;
    }

    bool receive(const char* name, unsigned char* out, const std::vector<unsigned char>& source, size_t length,
                 int addr, int timeOut) {
        if (!record(name, nullptr, 0, addr, timeOut)) return false;
        Call& c = calls.back();
        c.bytes.assign(length, 0);
        std::copy_n(source.begin(), std::min(length, source.size()), c.bytes.begin());
        if (out) std::copy(c.bytes.begin(), c.bytes.end(), out);
        return true;
    }

    std::map<std::string, Failure> d_failures;
};
