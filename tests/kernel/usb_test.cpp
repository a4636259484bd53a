// The USB command layer against the simulated instrument: the bytes on the wire, the
// relay pulses, the sample-buffer reads and the failures of each operation.

#include "simulated_usb.h"

#include "state.h"
#include "thread_flags.h"
#include "usb_vendor_specific_command.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes setupBytes(const TransferRecord& t) {
    auto b = t.setup.bytes();
    return Bytes(b.begin(), b.end());
}

TEST(Usb, InitSendsCommandThenRelayInitialisation) {
    for (int generation = _HW1; generation <= _HW4; ++generation) {
        SimulatedUsb rig(generation);
        ASSERT_TRUE(rig.opened) << generation;
        const auto controls = rig.controls();
        ASSERT_EQ(controls.size(), 14u);
        EXPECT_EQ(setupBytes(controls[0]), (Bytes{0x40, 0xD0, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(rig.relayWrites(),
                  (std::vector<int>{0x00, 0xFE, 0x00, 0xFD, 0x00, 0xFB, 0x00, 0xF7, 0x00, 0xEF, 0x00, 0xDF, 0x00}));
        // Each request takes its time on the bus, each relay write then its 20 ms pause, on the
        // simulated clock only.
        EXPECT_EQ(rig.now().count(), 13 * 20 + 14 * SimulatedBus::CONTROL_TRANSFER_MICROS / 1000);
        EXPECT_EQ(rig.instrument().relays().relayByte(), 0);
        EXPECT_EQ(rig.instrument().relays().shortPulses(), 0);
        EXPECT_EQ(rig.usb->relayCache(), 0);
        EXPECT_EQ(rig.instrument().commands(), 1);
    }
}

struct Operation {
    const char* name;
    std::function<bool(USB&)> call;
    std::function<Bytes(int generation)> setup;
};

TEST(Usb, SetupPacketsPerGeneration) {
    static std::array<unsigned char, 64> page{};
    static std::array<unsigned char, 32> buffer{};
    const std::vector<Operation> operations = {
        {"writeRegisters", [](USB& u) { return u.writeRegisters(buffer.data(), 500); },
         [](int g) { return Bytes{0x40, 0xB1, 0, 0, 0, 0, static_cast<unsigned char>(g < 3 ? 19 : 21), 0}; }},
        {"writeRegisters2", [](USB& u) { return u.writeRegisters2(buffer.data(), 500); },
         [](int g) { return Bytes{0x40, 0xB3, 0, 0, 0, 0, static_cast<unsigned char>(g < 3 ? 19 : 21), 0}; }},
        {"readRegisters", [](USB& u) { return u.readRegisters(buffer.data(), 500); },
         [](int g) { return Bytes{0xC0, 0xC4, 0, 0, 0, 0, static_cast<unsigned char>(g < 3 ? 23 : 25), 0}; }},
        {"writeDacBlock", [](USB& u) { return u.writeDacBlock(buffer.data(), 500); },
         [](int) { return Bytes{0x40, 0xB2, 0, 0, 0, 0, 3, 0}; }},
        {"readVersionByte", [](USB& u) { return u.readVersionByte(buffer.data(), 500); },
         [](int) { return Bytes{0xC0, 0xC5, 0, 0, 0, 0, 1, 0}; }},
        {"writeByte", [](USB& u) { return u.writeByte(20, 500); },
         [](int) { return Bytes{0x40, 0xB4, 0, 0, 0, 0, 1, 0}; }},
        {"writeMemoryBlock", [](USB& u) { return u.writeMemoryBlock(page.data(), 0x1C40, 64, 500); },
         [](int) { return Bytes{0x40, 0xD1, 0x40, 0x1C, 0, 0, 64, 0}; }},
        {"readMemoryBlock", [](USB& u) { return u.readMemoryBlock(page.data(), 0x1F80, 500); },
         [](int) { return Bytes{0xC0, 0xC7, 0x80, 0x1F, 0, 0, 64, 0}; }},
        {"command", [](USB& u) { return u.command(500); }, [](int) { return Bytes{0x40, 0xD0, 0, 0, 0, 0, 0, 0}; }},
        {"readByte", [](USB& u) { return u.readByte(buffer.data(), 500); },
         [](int) { return Bytes{0xC0, 0xC6, 0, 0, 0, 0, 1, 0}; }},
        {"pollTrigger",
         [](USB& u) {
             int failed = 1;
             return u.pollTrigger(&failed, 500) == 1 && failed == 0;
         },
         [](int) { return Bytes{0xC0, 0xC0, 0, 0, 0, 0, 1, 0}; }},
        {"start", [](USB& u) { return u.start(100); },
         [](int g) { return Bytes{0x40, static_cast<unsigned char>(g < 3 ? 0xB0 : 0xB6), 0, 0, 0, 0, 0, 0}; }},
        {"readCounter", [](USB& u) { return u.readCounter(buffer.data(), 500); },
         [](int) { return Bytes{0xC0, 0xC8, 0, 0, 0, 0, 2, 0}; }},
    };
    for (int generation = _HW1; generation <= _HW4; ++generation) {
        SimulatedUsb rig(generation);
        ASSERT_TRUE(rig.opened);
        for (const Operation& op : operations) {
            rig.bus->clearTransfers();
            EXPECT_TRUE(op.call(*rig.usb)) << op.name << " on generation " << generation;
            const auto controls = rig.controls();
            ASSERT_EQ(controls.size(), 1u) << op.name;
            EXPECT_EQ(setupBytes(controls[0]), op.setup(generation)) << op.name << " on generation " << generation;
            EXPECT_EQ(controls[0].transferred, controls[0].setup.length) << op.name;
            EXPECT_EQ(controls[0].status, UsbStatus::Success) << op.name;
        }
    }
}

TEST(Usb, RegisterWriteSetsTheGoStrobe) {
    for (int generation : {_HW2, _HW3}) {
        SimulatedUsb rig(generation);
        std::array<unsigned char, 21> block{};
        const int last = generation < 3 ? 18 : 20;
        ASSERT_TRUE(rig.usb->writeRegisters(block.data(), 500));
        EXPECT_EQ(block[static_cast<size_t>(last)], 1);
        EXPECT_TRUE(rig.instrument().settings().goStrobe);
        EXPECT_EQ(rig.controls().back().data.back(), 1);
    }
}

TEST(Usb, ReadsReturnTheInstrumentsAnswers) {
    SimulatedUsb rig(_HW4);
    unsigned char version = 0;
    ASSERT_TRUE(rig.usb->readVersionByte(&version, 500));
    EXPECT_EQ(version, rig.bus->config().fpgaVersion);
    unsigned char counter[2] = {0xEE, 0xEE};
    ASSERT_TRUE(rig.usb->readCounter(counter, 500));
    EXPECT_EQ(static_cast<signed char>(counter[0]), rig.bus->config().chipTemperature);
    std::array<unsigned char, 64> page{};
    ASSERT_TRUE(rig.usb->readMemoryBlock(page.data(), 0x1C00 + 0x380, 500));
    const auto memory = rig.instrument().calibrationMemory();
    EXPECT_TRUE(std::equal(page.begin(), page.end(), memory.begin() + 0x380));
}

struct RelayCase {
    int from;
    int to;
    std::vector<int> writes;
};

TEST(Usb, RelayPulseSequences) {
    const std::vector<RelayCase> cases = {
        {0x00, 0x00, {}},
        {0x02, 0x02, {}},
        {0x02, 0x04, {0x00, 0xF9, 0x00, 0x04, 0x00}},
        {0x04, 0x02, {0x00, 0x06, 0x00}},
        {0x02, 0x00, {0x00, 0xF9, 0x00}},
        {0x00, 0x01, {0x00, 0x01, 0x00}},
        {0x01, 0x00, {0x00, 0xFE, 0x00}},
        {0x00, 0x08, {0x00, 0x08, 0x00}},
        {0x08, 0x00, {0x00, 0xF7, 0x00}},
        {0x00, 0x20, {0x00, 0xCF, 0x00, 0x20, 0x00}},
        {0x20, 0x10, {0x00, 0x30, 0x00}},
        {0x10, 0x00, {0x00, 0xCF, 0x00}},
        {0x00, 0x2B, {0x00, 0x01, 0x00, 0x00, 0x06, 0x00, 0x00, 0x08, 0x00, 0x00, 0xCF, 0x00, 0x20, 0x00}},
        {0x2B, 0x14, {0x00, 0xFE, 0x00, 0x00, 0xF9, 0x00, 0x04, 0x00, 0x00, 0xF7, 0x00, 0x00, 0x30, 0x00}},
    };
    for (const RelayCase& c : cases) {
        SimulatedUsb rig(_HW3);
        ASSERT_TRUE(rig.usb->setRelays(static_cast<unsigned char>(c.from), 500));
        rig.bus->clearTransfers();
        const auto before = rig.now();
        EXPECT_TRUE(rig.usb->setRelays(static_cast<unsigned char>(c.to), 500));
        EXPECT_EQ(rig.relayWrites(), c.writes) << std::hex << c.from << " -> " << c.to;
        // Bus time below a millisecond is owed: the next request may complete it.
        const long writes = static_cast<long>(c.writes.size());
        EXPECT_NEAR((rig.now() - before).count(), 20 * writes + writes * SimulatedBus::CONTROL_TRANSFER_MICROS / 1000,
                    1);
        EXPECT_EQ(rig.usb->relayCache(), c.to);
        // The instrument's relays end where the byte says.
        EXPECT_EQ(rig.instrument().relays().relayByte(), c.to) << std::hex << c.from << " -> " << c.to;
        EXPECT_EQ(rig.instrument().relays().unreleasedPulses(), 0);
    }
}

TEST(Usb, RelayCacheKeepsAGroupWhoseWritesFailed) {
    SimulatedUsb rig(_HW3);
    // Group 0x01 (three writes) goes through, the first write of group 0x08 stalls, and again.
    rig.bus->injectFault({UsbFault::Kind::Stall, 0xB5, false, 3, 2, -1});
    get_error_text();
    EXPECT_FALSE(rig.usb->setRelays(0x09, 500));
    EXPECT_STREQ(get_error_text(), "Error : Can't write FPGA registers\n");
    EXPECT_EQ(rig.usb->relayCache(), 0x01);
    rig.bus->clearTransfers();
    EXPECT_TRUE(rig.usb->setRelays(0x09, 500));
    EXPECT_EQ(rig.relayWrites(), (std::vector<int>{0x00, 0x08, 0x00}));
    EXPECT_EQ(rig.usb->relayCache(), 0x09);
    EXPECT_EQ(rig.instrument().relays().relayByte(), 0x09);
}

TEST(Usb, MemoryWriteSendsTheLengthGiven) {
    SimulatedUsb rig(_HW4);
    std::array<unsigned char, 64> data;
    data.fill(0x5A);
    ASSERT_TRUE(rig.usb->writeMemoryBlock(data.data(), 0x1C00, 32, 500));
    const auto controls = rig.controls();
    EXPECT_EQ(controls.back().setup.length, 32);
    EXPECT_EQ(controls.back().data.size(), 32u);
    const auto memory = rig.instrument().calibrationMemory();
    EXPECT_EQ(memory[31], 0x5A);
    EXPECT_NE(memory[32], 0x5A);
    rig.bus->clearTransfers();
    EXPECT_FALSE(rig.usb->writeMemoryBlock(data.data(), 0x1C00, 0, 500));
    EXPECT_FALSE(rig.usb->writeMemoryBlock(data.data(), 0x1C00, 65, 500));
    EXPECT_TRUE(rig.controls().empty());
}

struct ShortCase {
    int request;
    int length;
    std::function<bool(USB&, unsigned char*)> call; // true when the call reported success
    const char* errorText;                          // the error stack afterwards
};

TEST(Usb, ShortControlReadsAreFailures) {
    const std::vector<ShortCase> cases = {
        {0xC7, 64, [](USB& u, unsigned char* b) { return u.readMemoryBlock(b, 0x1C00, 500); }, ""},
        {0xC8, 2, [](USB& u, unsigned char* b) { return u.readCounter(b, 500); }, ""},
        {0xC4, 25, [](USB& u, unsigned char* b) { return u.readRegisters(b, 500); },
         "Error : Can't read FPGA registers\n"},
        {0xC5, 1, [](USB& u, unsigned char* b) { return u.readVersionByte(b, 500); },
         "Error : Can't read FPGA registers\n"},
        {0xC6, 1, [](USB& u, unsigned char* b) { return u.readByte(b, 500); }, ""},
        {0xC0, 1,
         [](USB& u, unsigned char* b) {
             int failed = 0;
             b[0] = 1; // a stale "ready" must not count
             int ready = u.pollTrigger(&failed, 500);
             return ready == 1 || failed == 0;
         },
         ""},
    };
    for (const ShortCase& c : cases) {
        SimulatedUsb rig(_HW4);
        get_error_text();
        // The version read is asked again once.
        const int count = c.request == 0xC5 ? 2 : 1;
        rig.bus->injectFault({UsbFault::Kind::ShortRead, c.request, false, 0, count, c.length - 1});
        std::array<unsigned char, 64> out{};
        EXPECT_FALSE(c.call(*rig.usb, out.data())) << std::hex << c.request;
        EXPECT_STREQ(get_error_text(), c.errorText) << std::hex << c.request;
        EXPECT_TRUE(rig.notifier->messages().empty());
    }
}

struct FailureCase {
    int request;
    std::function<bool(USB&)> call;
    const char* errorText;
    const char* words;
};

// A write (and the version read) that fails is asked again once: one failure passes without a
// word; two report the error and the transport's two messages.
TEST(Usb, FailedTransfersReportTheirErrorAndTwoMessages) {
    static std::array<unsigned char, 32> block{};
    const std::vector<FailureCase> cases = {
        {0xB1, [](USB& u) { return u.writeRegisters(block.data(), 500); }, "Error : Can't write FPGA registers\n",
         "error on write"},
        {0xB3, [](USB& u) { return u.writeRegisters2(block.data(), 500); }, "Error : Can't write FPGA registers\n",
         "error on write"},
        {0xB2, [](USB& u) { return u.writeDacBlock(block.data(), 500); }, "Error : Can't write FPGA registers\n",
         "error on write"},
        {0xB4, [](USB& u) { return u.writeByte(40, 500); }, "Error : Can't write FPGA registers\n", "error on write"},
        {0xC4, [](USB& u) { return u.readRegisters(block.data(), 500); }, "Error : Can't read FPGA registers\n",
         "error on read"},
        {0xC5, [](USB& u) { return u.readVersionByte(block.data(), 500); }, "Error : Can't read FPGA registers\n",
         "error on read"},
        {0xD1, [](USB& u) { return u.writeMemoryBlock(block.data(), 0x1C00, 32, 500); }, "", "error on write"},
        {0xC7, [](USB& u) { return u.readMemoryBlock(block.data(), 0x1C00, 500); }, "", "error on read"},
        {0xD0, [](USB& u) { return u.command(500); }, "", "error on write"},
        {0xB6, [](USB& u) { return u.start(100); }, "", "error on write"},
        {0xB5, [](USB& u) { return u.writeRelayByte(0, 500); }, "", "error on write"},
    };
    for (const FailureCase& c : cases) {
        SimulatedUsb rig(_HW4);
        get_error_text();
        rig.notifier->clear();
        const bool askedAgain = c.request != 0xC4 && c.request != 0xD1 && c.request != 0xC7 && c.request != 0xB6;
        if (askedAgain) {
            rig.bus->injectFault({UsbFault::Kind::Stall, c.request, false, 0, 1, -1});
            EXPECT_TRUE(c.call(*rig.usb)) << std::hex << c.request;
            EXPECT_EQ(error_count(), 0) << std::hex << c.request;
            EXPECT_TRUE(rig.notifier->messages().empty()) << std::hex << c.request;
        }
        rig.bus->injectFault({UsbFault::Kind::Stall, c.request, false, 0, askedAgain ? 2 : 1, -1});
        EXPECT_FALSE(c.call(*rig.usb)) << std::hex << c.request;
        EXPECT_STREQ(get_error_text(), c.errorText) << std::hex << c.request;
        EXPECT_EQ(rig.notifier->messages(), (std::vector<std::string>{rig.bus->statusText(UsbStatus::Stall), c.words}))
            << std::hex << c.request;
    }
}

TEST(Usb, BulkPipeOperations) {
    SimulatedUsb rig(_HW4);
    EXPECT_TRUE(rig.usb->flushBulkPipe());
    ASSERT_EQ(rig.bulks().size(), 1u);
    EXPECT_EQ(rig.bulks()[0].length, 0);
    EXPECT_EQ(rig.bulks()[0].endpoint, 0x82);
    EXPECT_TRUE(rig.usb->resetBulkPipe());
    EXPECT_EQ(rig.bus->transfers().back().kind, TransferRecord::Kind::ClearHalt);
    rig.bus->injectFault({UsbFault::Kind::Stall, -1, true, 0, 1, -1});
    EXPECT_FALSE(rig.usb->flushBulkPipe());
    EXPECT_EQ(rig.notifier->messages().back(), "error on transfer82");
}

// Sample-buffer reads ----------------------------------------------------------------

class SampleBuffer : public ::testing::Test {
protected:
    void SetUp() override { abortReadFlag = 0; }
    void TearDown() override { abortReadFlag = 0; }
    // These tests ask for lengths of their own: records of any length, not the programmed one.
    static void recordsOfAnyLength(SimulatedUsb& rig) {
        rig.instrument().setRecordSource(std::make_unique<MidScaleRecordSource>());
    }
};

TEST_F(SampleBuffer, TenThousandPointsIsOneReadOfTheReadLength) {
    for (int method : {_ETS_MODE1, _REAL_TIME}) {
        SimulatedUsb rig(_HW2);
        recordsOfAnyLength(rig);
        State state;
        state.d_acquisitionMode = method;
        state.d_bufferSizeMode = _10K;
        rig.usb->setState(&state);
        rig.usb->d_readLength = 20000;
        rig.bus->clearTransfers();
        ASSERT_TRUE(rig.usb->readSampleBuffer(500));
        const auto bulks = rig.bulks();
        ASSERT_EQ(bulks.size(), 1u);
        EXPECT_EQ(bulks[0].endpoint, 0x82);
        EXPECT_EQ(bulks[0].length, 20000);
        // 500 ms for ETS mode 1, else "no limit", which the transport waits in slices.
        EXPECT_EQ(bulks[0].timeoutMs, method == _ETS_MODE1 ? 500u : 250u);
        // The record starts with the status word twice (triggered).
        const unsigned char* record = rig.usb->sampleRecord().data;
        EXPECT_EQ(record[1] & 0x80, 0x80);
        EXPECT_EQ(record[0], record[2]);
    }
}

TEST_F(SampleBuffer, FiveHundredThousandPointsIsTwentySixReads) {
    SimulatedUsb rig(_HW4, USB::RECORD_500K);
    recordsOfAnyLength(rig);
    ASSERT_TRUE(rig.opened);
    rig.bus->clearTransfers();
    ASSERT_TRUE(rig.usb->readSampleRecord(_REAL_TIME, _500K));
    const auto bulks = rig.bulks();
    ASSERT_EQ(bulks.size(), 26u);
    long total = 0;
    for (size_t i = 0; i < bulks.size(); ++i) {
        EXPECT_EQ(bulks[i].length, i < 25 ? 40000 : 128) << i;
        total += bulks[i].transferred;
    }
    EXPECT_EQ(total, 1000128);
}

TEST_F(SampleBuffer, AbortBeforeTheReadSendsNothing) {
    SimulatedUsb rig(_HW4);
    recordsOfAnyLength(rig);
    rig.usb->d_readLength = 2000;
    rig.bus->clearTransfers();
    abortReadFlag = 1;
    EXPECT_FALSE(rig.usb->readSampleRecord(_REAL_TIME, _10K));
    EXPECT_TRUE(rig.bus->transfers().empty());
    EXPECT_EQ(error_count(), 0);
}

// Raises the abort flag once the host has read `after` chunks.
class AbortingSource final : public RecordSource {
public:
    explicit AbortingSource(int after) : d_after(after) {}
    void arm(const InstrumentSettings&, std::chrono::milliseconds) override {}
    bool ready(std::chrono::milliseconds) override { return true; }
    int read(unsigned char* out, int length) override {
        std::fill(out, out + length, 0);
        if (++d_reads == d_after) abortReadFlag = 1;
        return length;
    }

private:
    int d_after;
    int d_reads = 0;
};

TEST_F(SampleBuffer, AbortBetweenChunksEndsTheReadWithoutError) {
    SimulatedUsb rig(_HW4, USB::RECORD_500K);
    rig.instrument().setRecordSource(std::make_unique<AbortingSource>(3));
    rig.bus->clearTransfers();
    EXPECT_FALSE(rig.usb->readSampleRecord(_REAL_TIME, _500K));
    EXPECT_EQ(rig.bulks().size(), 3u);
    EXPECT_EQ(error_count(), 0);
}

TEST_F(SampleBuffer, AFailedOrShortChunkEndsTheRead) {
    for (UsbFault::Kind kind : {UsbFault::Kind::Stall, UsbFault::Kind::ShortRead}) {
        SimulatedUsb rig(_HW4, USB::RECORD_500K);
        recordsOfAnyLength(rig);
        rig.bus->injectFault({kind, -1, true, 2, 1, -1});
        rig.bus->clearTransfers();
        get_error_text();
        EXPECT_FALSE(rig.usb->readSampleRecord(_REAL_TIME, _500K));
        EXPECT_EQ(rig.bulks().size(), 3u);
        EXPECT_STREQ(get_error_text(), "Error : Can't read data from buffer\n");
    }
}

TEST_F(SampleBuffer, ReadWithoutTimeOutWaitsInSlicesUpToACeiling) {
    SimulatedUsb rig(_HW4);
    recordsOfAnyLength(rig);
    rig.usb->d_readLength = 2000;
    rig.bus->injectFault({UsbFault::Kind::Timeout, -1, true, 0, 2, -1});
    rig.bus->clearTransfers();
    auto before = rig.now();
    EXPECT_TRUE(rig.usb->readSampleRecord(_REAL_TIME, _10K));
    EXPECT_EQ(rig.bulks().size(), 3u);
    EXPECT_EQ((rig.now() - before).count(), 500);
    EXPECT_TRUE(rig.notifier->messages().empty());

    rig.bus->injectFault({UsbFault::Kind::Timeout, -1, true, 0, -1, -1});
    rig.bus->clearTransfers();
    before = rig.now();
    get_error_text();
    EXPECT_FALSE(rig.usb->readSampleRecord(_REAL_TIME, _10K));
    EXPECT_EQ(rig.bulks().size(),
              static_cast<size_t>(USBWinDriver::NO_TIMEOUT_CEILING_MS / USBWinDriver::NO_TIMEOUT_SLICE_MS));
    EXPECT_EQ((rig.now() - before).count(), 2000); // a dead instrument holds a capture 2 s at most
    EXPECT_EQ(rig.notifier->messages(),
              (std::vector<std::string>{rig.bus->statusText(UsbStatus::Timeout), "error on read82"}));
    EXPECT_STREQ(get_error_text(), "Error : Can't read data from buffer\n");
}

TEST_F(SampleBuffer, ReadLengthBeyondTheBufferIsRefused) {
    SimulatedUsb rig(_HW4, 1000);
    recordsOfAnyLength(rig);
    rig.usb->d_readLength = 2000;
    rig.bus->clearTransfers();
    EXPECT_FALSE(rig.usb->readSampleRecord(_REAL_TIME, _10K));
    EXPECT_TRUE(rig.bulks().empty());
    EXPECT_FALSE(rig.usb->readSampleRecord(_REAL_TIME, _500K));
    EXPECT_TRUE(rig.bulks().empty());
}

} // namespace
