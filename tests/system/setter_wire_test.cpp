// What each setter puts on the wire, read back from the simulated instrument's own decoding
// and compared with values worked out by hand from the formulas of the instrument.
#include "simulated_kernel.h"

#include "buffer_raw_data.h"
#include "calibration.h"
#include "register.h"
#include "shorted_input.h"
#include "time_base_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

// Neutral calibration of channel 1, so the hand values need no calibration constants.
void neutralCalibration(int voltDiv, float gain = 1.0f) {
    Calibration& c = *g_control->p_calibration;
    c.ampDCCh1[voltDiv] = gain;
    c.ampACCh1[voltDiv] = gain;
    c.offsetNonInterleaveCh1[voltDiv] = c.offsetInterleaveCh1[voltDiv] = 0;
    c.offsetACNonInterleaveCh1[voltDiv] = c.offsetACInterleaveCh1[voltDiv] = 0;
    c.triggerCh1[voltDiv] = 0;
}

const char* const kChannel1On = "[CHANNEL]\nchannelOnOff1=1\nchannelCoupling1=1\n[HORIZONTAL]\ntimeDiv=17\n";

TEST(SetterWire, OffsetDacByGeneration) {
    struct Case {
        int generation, voltDiv;
        double row;
        int dac;
    };
    const Case cases[] = {
        {_HW1, 10, 400, 3300}, // trunc(200 x 4.0 + 2500.5)
        {_HW1, 7, 200, 2500},  // the centre row
        {_HW2, 0, 0, 2460},    // trunc(-200 x 0.2 + 2500.5)
        // base = 2 x trunc(1250 / (2.4 - 1)) = 1784; trunc(200 x 6.75 + 1784.5)
        {_HW3, 10, 400, 3134},
        {_HW4, 3, 100, 1447}, // trunc(-100 x 3.375 + 1784.5)
    };
    for (const Case& c : cases) {
        SimulatedKernel k(c.generation, true, kChannel1On);
        ASSERT_TRUE(k.create()) << get_error_text();
        ASSERT_TRUE(controlSetVoltageDiv(_CH1, c.voltDiv));
        neutralCalibration(c.voltDiv);
        ASSERT_TRUE(controlSetVoltageOffset(_CH1, c.row));
        EXPECT_EQ(k.instrument().settings().channel[0].offsetDac, c.dac) << c.generation << " " << c.voltDiv;
    }
}

TEST(SetterWire, OffsetDacIsClamped) {
    SimulatedKernel k(_HW1, true, kChannel1On);
    ASSERT_TRUE(k.create()) << get_error_text();
    ASSERT_TRUE(controlSetVoltageDiv(_CH1, 10));
    neutralCalibration(10, 0.1f); // factor 10: 200 x 4 x 10 + 2500 is far above 4095
    controlSetVoltageOffset(_CH1, 400);
    EXPECT_EQ(k.instrument().settings().channel[0].offsetDac, 4095);
    controlSetVoltageOffset(_CH1, 0);
    EXPECT_EQ(k.instrument().settings().channel[0].offsetDac, 0);
    // A row beyond every integer, and the smallest gain a calibration file may hold.
    controlSetVoltageOffset(_CH1, 1e300);
    EXPECT_EQ(k.instrument().settings().channel[0].offsetDac, 4095);
    neutralCalibration(10, 1e-38f);
    controlSetVoltageOffset(_CH1, 400);
    EXPECT_EQ(k.instrument().settings().channel[0].offsetDac, 4095);
}

TEST(SetterWire, TriggerLevelDac) {
    struct Case {
        int generation, voltDiv;
        float gain;
        double level;
        int dac;
    };
    const Case cases[] = {
        {_HW1, 4, 1.0f, 300, 1450},   // trunc(100 x 4.0 + 2500) = 2900, halved
        {_HW1, 4, 0.1f, 400, 2047},   // 4095 after the clamp, halved
        {_HW1, 4, 1e-38f, 400, 2047}, // the smallest gain a calibration file may hold
        {_HW3, 4, 1.0f, 300, 1725},   // trunc(100 x 4.75 + 1250.5)
        {_HW4, 0, 1.0f, 100, 1226},   // trunc(-100 x 0.2375 + 1250.5)
    };
    for (const Case& c : cases) {
        SimulatedKernel k(c.generation, true, kChannel1On);
        ASSERT_TRUE(k.create()) << get_error_text();
        ASSERT_TRUE(controlSetTriggerSlope(_UP_EDGE));
        ASSERT_TRUE(controlSetVoltageDiv(_CH1, c.voltDiv));
        neutralCalibration(c.voltDiv, c.gain);
        ASSERT_TRUE(controlSetTriggerLevel(c.level));
        EXPECT_EQ(k.instrument().settings().channel[0].triggerLevelDac, c.dac) << c.generation;
        EXPECT_DOUBLE_EQ(controlGetTriggerLevel(), c.level);
        EXPECT_DOUBLE_EQ(controlGetTriggerOffset(_CH1), c.level);
    }
}

TEST(SetterWire, RelaysFollowVoltDivAndCoupling) {
    SimulatedKernel k(_HW4, true, kChannel1On);
    ASSERT_TRUE(k.create()) << get_error_text();
    struct Case {
        int voltDiv, range;
    };
    // 5 mV..100 mV range 0, 200 mV..1 V range 2, 2 V..10 V range 1.
    for (const Case c : {Case{0, 0}, Case{4, 0}, Case{5, 2}, Case{7, 2}, Case{8, 1}, Case{10, 1}, Case{2, 0}}) {
        ASSERT_TRUE(controlSetVoltageDiv(_CH1, c.voltDiv));
        EXPECT_EQ(k.instrument().settings().channel[0].attenuatorRange, c.range) << c.voltDiv;
        const bool gainBit = c.voltDiv == 0 || c.voltDiv == 1 || c.voltDiv == 2 || c.voltDiv == 5 || c.voltDiv == 8;
        EXPECT_EQ(k.instrument().settings().channel[0].highGain, gainBit) << c.voltDiv;
    }
    ASSERT_TRUE(controlSetChannelCoupling(_CH1, _AC));
    EXPECT_TRUE(k.instrument().settings().channel[0].acCoupling);
    ASSERT_TRUE(controlSetChannelCoupling(_CH1, _DC));
    EXPECT_FALSE(k.instrument().settings().channel[0].acCoupling);
}

TEST(SetterWire, TimeBaseByteRollAndDelayCounter) {
    SimulatedKernel k(_HW4, true, kChannel1On);
    ASSERT_TRUE(k.create()) << get_error_text();
    struct Case {
        int timeDiv, byte;
    };
    for (const Case c : {Case{17, 20}, Case{18, 20}, Case{19, 40}, Case{21, 100}, Case{22, 200}, Case{25, 250}}) {
        ASSERT_TRUE(controlSetTimeDiv(c.timeDiv));
        EXPECT_EQ(k.instrument().settings().timeBaseByte, c.byte) << c.timeDiv;
        EXPECT_FALSE(k.instrument().settings().roll);
    }
    ASSERT_TRUE(controlSetTimeDiv(27));
    EXPECT_TRUE(k.instrument().settings().roll);
    EXPECT_TRUE(controlIsRoll());

    // Real time at 1 ms/div, one channel, 10k points, no pre-trigger correction:
    // trunc(20 x (500 - p)) + 32.
    ASSERT_TRUE(controlSetTimeDiv(17));
    g_control->p_calibration->pppRealTime1Ch[17] = 0;
    ASSERT_TRUE(controlSetHorizontalPosition(250));
    EXPECT_EQ(k.instrument().settings().delayCounter, 5032);
    ASSERT_TRUE(controlSetHorizontalPosition(600)); // held at the right edge with the delay off
    EXPECT_DOUBLE_EQ(controlGetHorizontalPosition(), 500.0);
    EXPECT_EQ(k.instrument().settings().delayCounter, 32);
    ASSERT_TRUE(controlSetDelayOnOff(true));
    ASSERT_TRUE(controlSetHorizontalPosition(-5000));
    EXPECT_DOUBLE_EQ(controlGetHorizontalPosition(), -4500.0);
}

TEST(SetterWire, TriggerModeSourceAndSwitches) {
    SimulatedKernel k(_HW3, true, "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\n[TRIGGER]\ntriggerSource=2\n");
    ASSERT_TRUE(k.create()) << get_error_text();
    ASSERT_TRUE(controlSetTriggerMode(_NORMAL));
    EXPECT_TRUE(k.instrument().settings().normalTriggerMode);
    ASSERT_TRUE(controlSetTriggerMode(_AUTO));
    EXPECT_FALSE(k.instrument().settings().normalTriggerMode);

    EXPECT_EQ(k.instrument().settings().edgeSource, 2);
    // Channel 2 off while it is the source: the source moves to channel 1.
    ASSERT_TRUE(controlSetChannelOnOff(_CH2, false));
    EXPECT_EQ(controlGetTriggerSource(), 1);
    EXPECT_EQ(k.instrument().settings().edgeSource, 1);
    EXPECT_FALSE(k.instrument().settings().channel[1].enabled);
    EXPECT_TRUE(k.instrument().settings().channel[0].enabled);

    ASSERT_TRUE(controlSetBandwidthLimitOnOff(_CH1, true));
    EXPECT_TRUE(k.instrument().settings().channel[0].bandwidthLimit);

    ASSERT_TRUE(controlSetTriggerHighFrequencyRejectOnOff(true));
    EXPECT_TRUE(k.instrument().settings().highFrequencyReject);

    // Peak detection below its smallest time/div is kept but not programmed.
    ASSERT_TRUE(controlSetTimeDiv(12));
    ASSERT_TRUE(controlSetPeakDetectionOnOff(true));
    EXPECT_TRUE(controlGetPeakDetectionOnOff());
    EXPECT_FALSE(k.instrument().settings().peakDetection);
    ASSERT_TRUE(controlSetTimeDiv(20));
    EXPECT_TRUE(k.instrument().settings().peakDetection);
}

// What the kernel holds, as the instrument would decode it: its register image, the DAC
// values of its State and the time-base byte of its time/div.
InstrumentSettings kernelPicture(int generation) {
    InstrumentRegisters regs;
    regs.storeBlock(generation, controlGetRegisterImage());
    for (int ch : {_CH1, _CH2})
        regs.dac[static_cast<size_t>(ch - 1)] = g_control->offsetDac(ch, controlGetVoltageOffset(ch));
    const int source = controlGetTriggerSource();
    regs.dac[static_cast<size_t>(source + 1)] = g_control->triggerLevelDac(controlGetTriggerLevel());
    regs.timeBaseByte = static_cast<unsigned char>(timeBaseParameter(controlGetTimeDiv()));
    return InstrumentSettings::decode(generation, regs, g_control->p_register->getRelayByte());
}

// The kernel's getters and the instrument's settings agree.
void expectAgreement(SimulatedKernel& k) {
    const InstrumentSettings is = k.instrument().settings();
    const InstrumentSettings kernel = kernelPicture(k.generation());
    for (int c = 0; c < 2; ++c) {
        SCOPED_TRACE("channel " + std::to_string(c + 1));
        EXPECT_EQ(is.channel[c].enabled, controlGetChannelOnOff(c + 1));
        EXPECT_EQ(is.channel[c].acCoupling, controlGetChannelCoupling(c + 1) == _AC);
        EXPECT_EQ(is.channel[c].bandwidthLimit, controlGetBandwidthLimitOnOff(c + 1));
        EXPECT_EQ(is.channel[c].attenuatorRange, kernel.channel[c].attenuatorRange);
        EXPECT_EQ(is.channel[c].highGain, kernel.channel[c].highGain);
        EXPECT_EQ(is.channel[c].offsetDac, kernel.channel[c].offsetDac);
    }
    const int source = controlGetTriggerSource();
    EXPECT_EQ(is.edgeSource, source);
    EXPECT_EQ(is.channel[source - 1].triggerLevelDac, kernel.channel[source - 1].triggerLevelDac);
    EXPECT_EQ(is.risingEdge, controlGetTriggerSlope() == _UP_EDGE);
    EXPECT_EQ(is.normalTriggerMode, controlGetTriggerMode() == _NORMAL);
    EXPECT_EQ(is.highFrequencyReject, controlGetTriggerHighFrequencyRejectOnOff());
    EXPECT_EQ(is.timeDivCode, controlGetTimeDiv());
    EXPECT_EQ(is.timeBaseByte, timeBaseParameter(controlGetTimeDiv()));
    EXPECT_EQ(is.timeBaseEntry, kernel.timeBaseEntry);
    EXPECT_EQ(is.delayCounter, kernel.delayCounter);
    EXPECT_EQ(is.peakDetection, kernel.peakDetection);
    EXPECT_EQ(is.triggerType, kernel.triggerType);
    EXPECT_EQ(is.triggerCount, kernel.triggerCount);
}

// Channel 1's mean in volts on the next capture.
double capturedVolts() {
    short* ch1 = nullptr;
    short* ch2 = nullptr;
    if (!controlAcquire(controlGetChannelOnOff(_CH2) ? 0 : _CH1, &ch1, &ch2) || !ch1) return NAN;
    double sum = 0;
    int n = 0;
    for (int i = 0; i < controlGetBufferSize(); ++i) {
        if (ch1[i] < 0 || ch1[i] >= controlGetAdcLevels()) continue;
        sum += controlRawToVoltage(_CH1, ch1[i]);
        ++n;
    }
    return n ? sum / n : NAN;
}

// Every command that writes the instrument, a fault at each of its writes in turn: a glitch
// (once) is ridden out without a word; a write that fails twice, or an instrument that stops
// answering, leaves the kernel and the instrument on the setting they had, with one message
// naming the setting. After each, the kernel and the instrument agree and a 1.0 V input
// reads right on the next capture.
TEST(SetterWire, EveryCommandTakesEffectWholeOrNotAtAll) {
    struct Setter {
        const char* what;              // named by the message
        std::function<bool(bool)> set; // to the first value or the second
        std::function<bool()> atFirst;
    };
    const Setter setters[] = {
        {"volt/div", [](bool a) { return controlSetVoltageDiv(_CH1, a ? _1V_DIV : _2V_DIV); },
         [] { return controlGetVoltageDiv(_CH1) == _1V_DIV; }},
        {"coupling", [](bool a) { return controlSetChannelCoupling(_CH1, a ? _DC : _AC); },
         [] { return controlGetChannelCoupling(_CH1) == _DC; }},
        {"offset", [](bool a) { return controlSetVoltageOffset(_CH1, a ? 200 : 250); },
         [] { return controlGetVoltageOffset(_CH1) == 200; }},
        {"bandwidth limit", [](bool a) { return controlSetBandwidthLimitOnOff(_CH1, !a); },
         [] { return !controlGetBandwidthLimitOnOff(_CH1); }},
        {"time/div", [](bool a) { return controlSetTimeDiv(a ? _1MS_DIV : _2MS_DIV); },
         [] { return controlGetTimeDiv() == _1MS_DIV; }},
        {"position", [](bool a) { return controlSetHorizontalPosition(a ? 250 : 300); },
         [] { return controlGetHorizontalPosition() == 250; }},
        {"delay", [](bool a) { return controlSetDelayOnOff(!a); }, [] { return !controlGetDelayOnOff(); }},
        {"trigger source", [](bool a) { return controlSetTriggerSource(a ? _CH1 : _CH2); },
         [] { return controlGetTriggerSource() == _CH1; }},
        {"trigger slope", [](bool a) { return controlSetTriggerSlope(a ? _UP_EDGE : _DOWN_EDGE); },
         [] { return controlGetTriggerSlope() == _UP_EDGE; }},
        {"trigger level", [](bool a) { return controlSetTriggerLevel(a ? 200 : 260); },
         [] { return controlGetTriggerLevel() == 200; }},
        {"trigger mode", [](bool a) { return controlSetTriggerMode(a ? _AUTO : _NORMAL); },
         [] { return controlGetTriggerMode() == _AUTO; }},
        {"high-frequency reject", [](bool a) { return controlSetTriggerHighFrequencyRejectOnOff(!a); },
         [] { return !controlGetTriggerHighFrequencyRejectOnOff(); }},
        {"channel 2", [](bool a) { return controlSetChannelOnOff(_CH2, a); },
         [] { return controlGetChannelOnOff(_CH2); }},
        {"record length", [](bool a) { return controlSetBufferSizeMode(a ? _10K : _500K); },
         [] { return controlGetBufferSizeMode() == _10K; }},
        {"peak detection", [](bool a) { return controlSetPeakDetectionOnOff(!a); },
         [] { return !controlGetPeakDetectionOnOff(); }},
        {"ETS", [](bool a) { return controlSetETSOnOff(!a); }, [] { return !controlGetETSOnOff(); }},
        // The advanced trigger's results: an edge, or a count of 5 edges.
        {"advanced trigger",
         [](bool a) {
             return a ? g_control->applyAdvancedTriggerResults(1, 0, 0, 0, 0, 0, 0, 0, 0)
                      : g_control->applyAdvancedTriggerResults(1, 0, 0, 0, 0, 0, 2, 5, 0);
         },
         [] { return controlGetTriggerType() == 1; }},
    };
    enum class Form { Once, Twice, ForGood };
    const char* const formNames[] = {"once", "twice", "for good"};
    for (const Setter& setter : setters)
        for (UsbFault::Kind kind : {UsbFault::Kind::Stall, UsbFault::Kind::Timeout})
            for (Form form : {Form::Once, Form::Twice, Form::ForGood}) {
                SimulatedKernel k(_HW4, true,
                                  "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\nvoltageDiv1=7\nchannelCoupling1=1\n"
                                  "voltageOffset1=200\n[TRIGGER]\ntriggerLevel=200\n[HORIZONTAL]\ntimeDiv=17\n");
                ASSERT_TRUE(k.create()) << get_error_text();
                k.instrument().setRecordSource(ShortedInput::records(SimHardware::typical(_HW4), 1.0));
                for (int write = 0;; ++write) {
                    SCOPED_TRACE(std::string(setter.what) +
                                 (kind == UsbFault::Kind::Stall ? ", stall " : ", time-out ") +
                                 formNames[static_cast<int>(form)] + " at write " + std::to_string(write));
                    ASSERT_LT(write, 60);
                    const bool toFirst = !setter.atFirst();
                    const int count = form == Form::Once ? 1 : form == Form::Twice ? 2 : UsbFault::FOR_GOOD;
                    get_error_text();
                    k.notifier->clear();
                    k.bus->clearTransfers();
                    k.bus->injectFault({kind, -1, false, write, count, -1});
                    const auto before = k.bus->simulatedClock().now();
                    const bool ok = setter.set(toFirst);
                    EXPECT_LE((k.bus->simulatedClock().now() - before).count(), 5000);
                    const bool hit = k.bus->transfers().size() > static_cast<size_t>(write);
                    k.bus->clearFaults();
                    if (!hit) {
                        EXPECT_TRUE(ok);
                        break;
                    }
                    const std::vector<std::string> told = k.notifier->messages();
                    if (form == Form::Once) {
                        EXPECT_TRUE(ok);
                        EXPECT_EQ(setter.atFirst(), toFirst);
                        EXPECT_TRUE(told.empty()) << told.front();
                    } else {
                        EXPECT_FALSE(ok);
                        EXPECT_EQ(setter.atFirst(), !toFirst);
                        ASSERT_EQ(told.size(), 1u);
                        EXPECT_NE(told[0].find(setter.what), std::string::npos) << told[0];
                    }
                    EXPECT_EQ(error_count(), 0) << get_error_text();
                    const double volts = capturedVolts();
                    if (controlGetTriggerMode() == _AUTO) {
                        EXPECT_NEAR(volts, controlGetChannelCoupling(_CH1) == _DC ? 1.0 : 0.0, 0.1);
                    }
                    expectAgreement(k);
                    get_error_text();
                }
            }
}

TEST(SetterWire, SettingsWithoutDeviceEffect) {
    SimulatedKernel k(_HW2, true);
    ASSERT_TRUE(k.create()) << get_error_text();
    // Bandwidth limit does not exist on the older generations: the flag stays.
    ASSERT_TRUE(controlSetBandwidthLimitOnOff(_CH1, true));
    EXPECT_FALSE(controlGetBandwidthLimitOnOff(_CH1));
    // No channel on: the count is kept, but there is no record to average.
    EXPECT_FALSE(controlSetNumberOfAverage(8));
    EXPECT_EQ(controlGetNumberOfAverage(), 8);
    // The 500k mode needs a newer generation.
    ASSERT_TRUE(controlSetBufferSizeMode(_500K));
    EXPECT_EQ(controlGetBufferSizeMode(), _10K);
}

TEST(SetterWire, AverageKeepsBothHistories) {
    SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\n");
    ASSERT_TRUE(k.create()) << get_error_text();
    ASSERT_TRUE(controlSetNumberOfAverage(4));
    EXPECT_EQ(g_control->p_bufferRawData->d_numberOfAverage, 4);
    g_control->p_bufferRawData->setHistory(3, _CH1, 0, 100);
    g_control->p_bufferRawData->setHistory(3, _CH2, 0, 200);
    EXPECT_EQ(g_control->p_bufferRawData->getHistory(3, _CH1, 0), 100);
    EXPECT_EQ(g_control->p_bufferRawData->getHistory(3, _CH2, 0), 200);
}

// The first byte of a fast time base (register 1) as the instrument receives it: 0x0E for
// equivalent time; for random interleaving 0x0A with channel 1 alone, 0x0C with channel 2
// alone, and the two-channel table's 0x0E with both.
TEST(SetterWire, FirstByteOfTheFastTimeBases) {
    struct Step {
        const char* what;
        bool (*apply)();
        int timeDiv, firstByte;
    };
    const Step steps[] = {
        {"ETS, channel 1", [] { return controlSetETSOnOff(true); }, 3, 0x0E},
        {"RIS, channel 1", [] { return controlSetETSOnOff(false); }, 3, 0x0A},
        {"RIS, 2ns/div", [] { return controlSetTimeDiv(_2NS_DIV); }, 0, 0x0A},
        {"RIS, both channels", [] { return controlSetChannelOnOff(_CH2, true); }, 0, 0x0E},
        {"RIS, channel 2", [] { return controlSetChannelOnOff(_CH1, false); }, 0, 0x0C},
        {"RIS, channel 2, 4us/div", [] { return controlSetTimeDiv(_4US_DIV); }, 10, 0x0C},
        // The tables are reloaded from their constants (0x0E) and must be marked again.
        {"RIS, channel 2, 500k points and back",
         [] {
             return controlSetBufferSizeMode(_500K) && controlSetBufferSizeMode(_10K) && controlSetTimeDiv(_4US_DIV);
         },
         10, 0x0C},
        {"ETS, channel 2", [] { return controlSetETSOnOff(true); }, 10, 0x0E},
        {"RIS, channel 1 again",
         [] {
             return controlSetETSOnOff(false) && controlSetChannelOnOff(_CH1, true) &&
                    controlSetChannelOnOff(_CH2, false);
         },
         10, 0x0A},
    };
    SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\n[HORIZONTAL]\ntimeDiv=3\n");
    ASSERT_TRUE(k.create()) << get_error_text();
    for (const Step& s : steps) {
        ASSERT_TRUE(s.apply()) << s.what;
        EXPECT_EQ(k.instrument().settings().timeDivCode, s.timeDiv) << s.what;
        EXPECT_EQ(k.instrument().settings().timeBaseEntry[0], s.firstByte) << s.what;
    }
}

// A volt/div change of the trigger source keeps the trigger level's voltage: its distance from
// the channel's offset scales by old volts per division over new. Another channel's change
// leaves the level where it is.
TEST(SetterWire, TriggerLevelKeepsItsVoltageOverAVoltDivChange) {
    struct Case {
        int ch, from, to;
        double offset, level, expected;
    };
    const Case cases[] = {
        {_CH1, 7, 8, 250, 300, 275}, // 1 V -> 2 V: half the distance
        {_CH1, 8, 6, 200, 150, 0},   // 2 V -> 0.5 V: four times
        {_CH2, 7, 8, 250, 300, 300}, // not the source
    };
    for (const Case& c : cases) {
        SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\n");
        ASSERT_TRUE(k.create()) << get_error_text();
        ASSERT_TRUE(controlSetVoltageDiv(c.ch, c.from));
        ASSERT_TRUE(controlSetVoltageOffset(c.ch, c.offset));
        ASSERT_TRUE(controlSetTriggerLevel(c.level));
        ASSERT_TRUE(controlSetVoltageDiv(c.ch, c.to));
        EXPECT_DOUBLE_EQ(controlGetTriggerLevel(), c.expected) << c.ch << " " << c.from << " -> " << c.to;
        EXPECT_DOUBLE_EQ(controlGetTriggerOffset(_CH1), c.expected);
    }
}

// The horizontal position: rescaled about the centre by a time-base change while the delay is
// on, then clamped; in _STOP only to the 16-bit range.
TEST(SetterWire, HorizontalPositionOverTimeBaseChangesAndStop) {
    struct Case {
        int runState;
        bool delay;
        double position;
        int timeDiv; // the change after the position is set; 17 keeps the time base
        double expected;
    };
    const Case cases[] = {
        {_RUN, true, 100, 18, 175},     // (100 - 250) / 2 + 250
        {_RUN, true, 100, 16, -125},    // (100 - 250) / 0.4 + 250
        {_RUN, true, 100, 11, -4500},   // -14750, held at the delay's left end
        {_RUN, false, 100, 18, 100},    // without the delay the position stays
        {_STOP, true, 100, 11, -14750}, // stopped: only the 16-bit range holds it
        {_STOP, false, 40000, 17, 32767}, {_STOP, false, -40000, 17, -32768},
    };
    for (const Case& c : cases) {
        SimulatedKernel k(_HW4, true, kChannel1On);
        ASSERT_TRUE(k.create()) << get_error_text();
        ASSERT_TRUE(controlSetDelayOnOff(c.delay));
        ASSERT_TRUE(controlSetRunState(c.runState));
        controlSetHorizontalPosition(c.position);
        ASSERT_TRUE(controlSetTimeDiv(c.timeDiv));
        EXPECT_DOUBLE_EQ(controlGetHorizontalPosition(), c.expected)
            << "run state " << c.runState << " delay " << c.delay << " position " << c.position << " to " << c.timeDiv;
    }
}

// The averaging history keeps to the 500k mode's 16 records (128 records of 500k points on
// both channels would be 256 MB); the count stays for the caller to see and reset.
TEST(SetterWire, AverageHistoryKeepsToTheRecordLengthsMaximum) {
    SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\n[HORIZONTAL]\ntimeDiv=17\n");
    ASSERT_TRUE(k.create()) << get_error_text();
    ASSERT_TRUE(controlSetNumberOfAverage(128));
    ASSERT_TRUE(controlSetBufferSizeMode(_500K));
    const BufferRawData& raw = *g_control->p_bufferRawData;
    EXPECT_EQ(raw.d_numberOfAverage, 16);
    EXPECT_EQ(raw.getHistory(15, _CH2, 499999), EMPTY_SAMPLE);
    EXPECT_EQ(controlGetNumberOfAverage(), 128);

    // Asked for more than the mode holds, the count is the mode's maximum.
    ASSERT_TRUE(controlSetNumberOfAverage(64));
    EXPECT_EQ(controlGetNumberOfAverage(), 16);
    EXPECT_EQ(raw.d_numberOfAverage, 16);
}

} // namespace

namespace {

// The first record after a change of the front end reads the input: the relays have stopped
// bouncing, and a channel switched to AC has lost the input's DC. From 200 mV/div DC
// (attenuator range 2), 0.3 V at the input.
TEST(FrontEndSettling, TheFirstRecordAfterARelayChangeReadsTheInput) {
    struct Case {
        const char* what;
        int voltDiv;
        int coupling;
        double volts;
    } cases[] = {
        {"range 2 to 0", _100MV_DIV, _DC, 0.3},
        {"range 2 to 1", _2V_DIV, _DC, 0.3},
        {"DC to AC", _200MV_DIV, _AC, 0.0},
        {"DC to AC, range 2 to 0", _100MV_DIV, _AC, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\nvoltageDiv1=5\nchannelCoupling1=1\n");
        ASSERT_TRUE(k.create()) << get_error_text();
        k.instrument().setRecordSource(ShortedInput::records(SimHardware::typical(_HW4), 0.3));
        ASSERT_TRUE(controlSetVoltageDiv(_CH1, c.voltDiv));
        ASSERT_TRUE(controlSetChannelCoupling(_CH1, c.coupling));
        short* ch1 = nullptr;
        short* ch2 = nullptr;
        bool captured = false;
        for (int i = 0; i < 50 && !captured; ++i) captured = controlAcquire(_CH1, &ch1, &ch2) && ch1;
        ASSERT_TRUE(captured) << get_error_text();
        double worst = 0;
        for (int i = 0; i < controlGetBufferSize(); ++i)
            if (ch1[i] >= 0 && ch1[i] < controlGetAdcLevels())
                worst = std::max(worst, std::abs(controlRawToVoltage(_CH1, ch1[i]) - c.volts));
        EXPECT_LT(worst / volt_per_div(c.voltDiv), 0.25);
    }
}

} // namespace
