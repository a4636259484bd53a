// The simulated instrument's answers, and its decoding checked against the kernel's own
// encoders: the register image, the relay pulses and the calibration memory.

#include "simulated_usb.h"

#include "calibration.h"
#include "register.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <vector>

#include <cmath>
#include <vector>

namespace {

TEST(SimulatedInstrument, SettingsDecodeWhatTheKernelProgrammed) {
    for (int generation = _HW1; generation <= _HW4; ++generation) {
        SimulatedUsb rig(generation);
        ASSERT_TRUE(rig.opened);
        const bool wide = generation >= _HW3;
        Register reg(generation);
        ASSERT_TRUE(reg.loadTimeBaseTables(_10K));
        reg.setTimebase(13, _CH1_ON_CH2_ON, _REAL_TIME);
        reg.setChannelEnable(_CH1, true);
        reg.setChannelEnable(_CH2, true);
        reg.setPeakDetection(true);
        reg.setVoltDiv(_CH1, _2V_DIV, generation);    // range 1, high gain
        reg.setVoltDiv(_CH2, _500MV_DIV, generation); // range 2, low gain
        reg.setCoupling(_CH1, _AC);
        reg.setCoupling(_CH2, _DC);
        const int counter = wide ? 0x0ABCDEF : 0x3CDEF;
        reg.setCounter(counter, generation);
        reg.setEdgeTrigger(_CH2, 1, generation);
        reg.setTriggerModeBit(_NORMAL);
        reg.setHighFrequencyReject(true);
        reg.setBandwidthLimit(_CH2, true);
        ASSERT_TRUE(rig.usb->writeRegisters(reg.getWriteBlock(), 500));
        reg.setOffsetDac(_CH1, 0x34, 0x09);
        ASSERT_TRUE(rig.usb->writeDacBlock(reg.getDacBlock(), 500));
        reg.setTriggerLevelDac(_CH2, 0x12, 0x03);
        ASSERT_TRUE(rig.usb->writeDacBlock(reg.getDacBlock(), 500));
        ASSERT_TRUE(rig.usb->setRelays(reg.getRelayByte(), 500));
        ASSERT_TRUE(rig.usb->writeByte(40, 500));

        const InstrumentSettings s = rig.instrument().settings();
        SCOPED_TRACE(generation);
        EXPECT_TRUE(s.channel[0].enabled && s.channel[1].enabled);
        EXPECT_TRUE(s.channel[0].acCoupling);
        EXPECT_FALSE(s.channel[1].acCoupling);
        EXPECT_EQ(s.channel[0].attenuatorRange, 1);
        EXPECT_EQ(s.channel[1].attenuatorRange, 2);
        EXPECT_EQ(s.channel[0].highGain, wide);
        EXPECT_FALSE(s.channel[1].highGain);
        EXPECT_FALSE(s.channel[0].bandwidthLimit);
        EXPECT_EQ(s.channel[1].bandwidthLimit, wide);
        EXPECT_EQ(s.highFrequencyReject, wide);
        EXPECT_EQ(s.channel[0].offsetDac, 0x934);
        EXPECT_EQ(s.channel[1].triggerLevelDac, 0x312);
        EXPECT_EQ(s.timeDivCode, 13);
        EXPECT_EQ(s.timeBaseEntry[0] & ~0x46, TIME_BASE_10K_B[13][0] & ~0x46);
        EXPECT_TRUE(s.peakDetection);
        EXPECT_TRUE(s.normalTriggerMode);
        EXPECT_FALSE(s.roll);
        EXPECT_EQ(s.delayCounter, counter);
        EXPECT_EQ(s.triggerType, 1);
        EXPECT_EQ(s.edgeSource, 2);
        EXPECT_TRUE(s.risingEdge);
        EXPECT_EQ(s.timeBaseByte, 40);
        EXPECT_TRUE(s.goStrobe);

        // The read-back is the block, the DAC block and one more byte.
        std::vector<unsigned char> back(static_cast<size_t>(rig.usb->d_numberOfReadRegisters));
        ASSERT_TRUE(rig.usb->readRegisters(back.data(), 500));
        const int block = wide ? 21 : 19;
        EXPECT_TRUE(std::equal(back.begin(), back.begin() + block, reg.getWriteBlock()));
        EXPECT_TRUE(std::equal(back.begin() + block, back.begin() + block + 3, reg.getDacBlock()));
    }
}

TEST(SimulatedInstrument, FallingEdgeOnChannelOne) {
    for (int generation = _HW1; generation <= _HW4; ++generation) {
        SimulatedUsb rig(generation);
        Register reg(generation);
        reg.setEdgeTrigger(_CH1, 0, generation);
        ASSERT_TRUE(rig.usb->writeRegisters(reg.getWriteBlock(), 500));
        const InstrumentSettings s = rig.instrument().settings();
        EXPECT_EQ(s.edgeSource, 1) << generation;
        EXPECT_FALSE(s.risingEdge) << generation;
    }
}

TEST(SimulatedInstrument, RefusesWhatTheProtocolDoesNotHave) {
    SimulatedUsb rig(_HW2);
    auto& instrument = rig.instrument();
    struct Case {
        const char* name;
        UsbSetupPacket setup;
    };
    const Case cases[] = {
        {"unknown request", {0x40, 0xB7, 0, 0, 0}},
        {"write request read", {0xC0, 0xB1, 0, 0, 19}},
        {"generation 3 start on generation 2", {0x40, 0xB6, 0, 0, 0}},
        {"register block of generation 3", {0x40, 0xB1, 0, 0, 21}},
        {"DAC block of 4 bytes", {0x40, 0xB2, 0, 0, 4}},
        {"read-back of generation 3", {0xC0, 0xC4, 0, 0, 25}},
        {"memory below 0x1C00", {0xC0, 0xC7, 0x1BC0, 0, 64}},
        {"memory past its end", {0xC0, 0xC7, 0x1F90, 0, 64}},
        {"memory write of 65 bytes", {0x40, 0xD1, 0x1C00, 0, 65}},
        {"index not 0", {0xC0, 0xC5, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        std::array<unsigned char, 128> data{};
        int transferred = -1;
        EXPECT_EQ(instrument.control(c.setup, data.data(), transferred), UsbStatus::Stall) << c.name;
        EXPECT_EQ(transferred, 0) << c.name;
    }
    int transferred = 0;
    unsigned char byte = 0;
    EXPECT_EQ(instrument.bulkRead(0x81, &byte, 1, transferred), UsbStatus::Stall);
}

TEST(SimulatedInstrument, StatusPollAndStart) {
    SimulatedUsb rig(_HW1);
    int failed = 1;
    EXPECT_EQ(rig.usb->pollTrigger(&failed, 500), 1);
    EXPECT_EQ(failed, 0);
    rig.instrument().setTriggers(false);
    EXPECT_EQ(rig.usb->pollTrigger(&failed, 500), 0);
    EXPECT_EQ(failed, 0);
    EXPECT_TRUE(rig.usb->start(100));
    EXPECT_EQ(rig.instrument().starts(), 1);
}

// Waiting for its trigger in NORMAL mode the instrument leaves the status request unanswered:
// it times out, with nothing (the driver, told of no trigger mode, asks again within its
// budget: 3 x 500 ms); in AUTO mode, or without the habit, the answer comes at once.
TEST(SimulatedInstrument, NormalModeHoldsTheStatusRequestUntilTheTrigger) {
    struct Case {
        bool normal;
        bool hold;
        bool triggers;
        int reply; // -1: timed out
        long waitedMs;
    };
    const Case cases[] = {
        {true, true, false, -1, 1500},
        {true, true, true, 1, 1}, // an answer: 375 us, which ends a millisecond begun before
        {true, false, false, 0, 1},
        {false, true, false, 0, 1},
    };
    for (const Case& c : cases) {
        SimulatedUsb rig(_HW4);
        Register reg(_HW4);
        ASSERT_TRUE(reg.loadTimeBaseTables(_10K));
        reg.setTimebase(13, _CH1_ON_CH2_OFF, _REAL_TIME);
        reg.setChannelEnable(_CH1, true);
        reg.setTriggerModeBit(c.normal ? 1 : 0);
        ASSERT_TRUE(rig.usb->writeRegisters(reg.getWriteBlock(), 500));
        rig.instrument().setHoldStatusPoll(c.hold);
        rig.instrument().setTriggers(c.triggers);
        rig.bus->simulatedClock().advance(std::chrono::milliseconds(2)); // the record's acquisition time
        const auto before = rig.bus->simulatedClock().now();
        int failed = 0;
        const int reply = rig.usb->pollTrigger(&failed, 500);
        EXPECT_EQ(failed ? -1 : reply, c.reply) << c.normal << c.hold << c.triggers;
        EXPECT_EQ(failed != 0, rig.usb->lastTransferTimedOut());
        EXPECT_EQ((rig.bus->simulatedClock().now() - before).count(), c.waitedMs);
    }
}

// The bulk pipe has nothing to send before a record exists: a read then waits and times out,
// as an instrument's does; roll streams whatever the trigger.
TEST(SimulatedInstrument, ABulkReadBeforeTheRecordExistsTimesOut) {
    for (bool triggers : {true, false}) {
        SimulatedUsb rig(_HW4);
        Register reg(_HW4);
        ASSERT_TRUE(reg.loadTimeBaseTables(_10K));
        reg.setTimebase(13, _CH1_ON_CH2_OFF, _REAL_TIME);
        reg.setChannelEnable(_CH1, true);
        ASSERT_TRUE(rig.usb->writeRegisters(reg.getWriteBlock(), 500));
        rig.instrument().setTriggers(triggers);
        rig.bus->simulatedClock().advance(std::chrono::milliseconds(2)); // the record's acquisition time
        UsbStatus status;
        auto device = rig.bus->open(rig.bus->attached().front(), status);
        std::vector<unsigned char> bytes(64);
        int got = 0;
        const auto before = rig.bus->simulatedClock().now();
        EXPECT_EQ(device->bulkRead(0x82, bytes.data(), 64, got, 500),
                  triggers ? UsbStatus::Success : UsbStatus::Timeout);
        EXPECT_EQ(got, triggers ? 64 : 0);
        EXPECT_EQ((rig.bus->simulatedClock().now() - before).count(), triggers ? 0 : 500);
    }
}

// Reads a sample word the way the protocol defines it (either byte order).
bool decodeWord(unsigned char a, unsigned char b, int& value, int& channel) {
    if (((a ^ b) & 0x80) == 0 || ((a ^ b) & 0x40) != 0) return false;
    const unsigned char upper = (a & 0x80) ? a : b, lower = (a & 0x80) ? b : a;
    value = ((upper & 0x3F) << 6) | (lower & 0x3F);
    channel = (a >> 6) & 1;
    return true;
}

TEST(SimulatedInstrument, RecordHasStatusWordsThenSamplesOfTheEnabledChannels) {
    for (int channels : {1, 2, 3}) {
        SimulatedUsb rig(_HW3);
        rig.instrument().setRecordSource(std::make_unique<MidScaleRecordSource>());
        Register reg(_HW3);
        reg.setChannelEnable(_CH1, channels & 1);
        reg.setChannelEnable(_CH2, (channels & 2) != 0);
        ASSERT_TRUE(rig.usb->writeRegisters(reg.getWriteBlock(), 500));
        rig.usb->d_readLength = 200;
        int failed = 0;
        ASSERT_EQ(rig.usb->pollTrigger(&failed, 500), 1);
        ASSERT_TRUE(rig.usb->readSampleRecord(_REAL_TIME, _10K));
        const unsigned char* b = rig.usb->sampleRecord().data;
        int status = 0, copy = 0, channel = 0, value = 0;
        ASSERT_TRUE(decodeWord(b[0], b[1], status, channel));
        ASSERT_TRUE(decodeWord(b[2], b[3], copy, channel));
        EXPECT_EQ(status, copy);
        EXPECT_TRUE(status & 0x100); // triggered
        EXPECT_NE(status & 0x7F, 0); // a trigger-to-clock count
        // The channel bit of the words after the header: channel 1 alone, channel 2 alone, or
        // the two in turn from channel 1.
        const std::vector<int> first = channels == 1   ? std::vector<int>{0, 0, 0, 0}
                                       : channels == 2 ? std::vector<int>{1, 1, 1, 1}
                                                       : std::vector<int>{0, 1, 0, 1};
        std::vector<int> seen;
        for (int i = 8; i < 200; i += 2) {
            ASSERT_TRUE(decodeWord(b[i], b[i + 1], value, channel)) << i;
            EXPECT_EQ(value, 512);
            seen.push_back(channel);
        }
        ASSERT_EQ(seen.size(), 96u);
        EXPECT_EQ(std::vector<int>(seen.begin(), seen.begin() + 4), first);
        EXPECT_EQ(std::vector<int>(seen.end() - 2, seen.end()), std::vector<int>(first.begin(), first.begin() + 2));
    }
}

TEST(SimulatedInstrument, FactoryCalibrationReadsBackThroughTheKernel) {
    for (int generation = _HW1; generation <= _HW4; ++generation) {
        SCOPED_TRACE(generation);
        SimulatedUsb rig(generation);
        TempDir dir;
        Calibration calibration;
        ASSERT_TRUE(calibration.init(rig.usb.get(), dir.file("calibration.ini").c_str(), false, 1));
        const bool wide = generation >= _HW3;
        EXPECT_EQ(calibration.d_calibrationVersion, 1);
        EXPECT_EQ(calibration.HardwareVersion, generation);
        EXPECT_NEAR(calibration.ampDCCh1[5], 1.006, 0.0011);
        // Without the per-index pages a group shares its first index's value.
        EXPECT_NEAR(calibration.ampDCCh1[6], wide ? 0.994 : 1.006, 0.0011);
        EXPECT_NEAR(calibration.nonlinearConstCh1[1], 0.9985, 0.00011);
        EXPECT_EQ(calibration.triggerCh2[10], wide ? 12 : 13); // the value of its path (9, 10 or 8..10)
        EXPECT_EQ(calibration.offsetNonInterleaveCh1[3], wide ? -14 : -18);
        EXPECT_EQ(calibration.ETSMin, wide ? 4 : 3);
        EXPECT_EQ(calibration.ETSMax, wide ? 121 : 131);
        EXPECT_EQ(calibration.offsetTriggerHighFrequency, 9);
        EXPECT_EQ(calibration.newHardwareVersion, wide ? generation : 0);
        EXPECT_EQ(calibration.chipTemperatureCalib, wide ? 30 : 0);
        if (wide) {
            EXPECT_NEAR(calibration.nonlinearConstADC1Ch1[1], 1.004, 0.0011);
            EXPECT_EQ(calibration.offsetACADC2Ch2New[7], -2);
        } else {
            EXPECT_NEAR(calibration.nonlinearConstADC1Ch1[1], 0.9991, 0.00011);
        }
        // A generation-1/2 instrument's upper pages stay erased.
        const auto memory = rig.instrument().calibrationMemory();
        EXPECT_EQ(memory[0x200] == 0xFF && memory[0x3BF] == 0xFF, !wide);
    }
}

TEST(SimulatedInstrument, CalibrationMemoryKeepsWhatTheKernelWrites) {
    SimulatedUsb rig(_HW4);
    TempDir dir;
    Calibration calibration;
    ASSERT_TRUE(calibration.init(rig.usb.get(), dir.file("calibration.ini").c_str(), false, 1));
    calibration.triggerCh1[4] = -123;
    calibration.offsetACNonInterleaveCh2[10] = 77;
    ASSERT_TRUE(calibration.writeToHardware());
    Calibration again;
    ASSERT_TRUE(again.init(rig.usb.get(), dir.file("calibration.ini").c_str(), false, 1));
    EXPECT_EQ(again.triggerCh1[4], -123);
    EXPECT_EQ(again.offsetACNonInterleaveCh2[10], 77);
}

} // namespace
