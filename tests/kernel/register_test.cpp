#include "register.h"

#include "fake_hardware.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

// Logical registers in the order the register block carries them (image index 1 on).
std::vector<int> blockOrder(int gen) {
    if (gen <= _HW2) return {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 27, 20};
    return {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 27, 20};
}

struct Expected {
    std::map<int, int> regs; // logical register -> byte; every other byte is 0
};

void expectImage(Register& reg, int gen, const Expected& e, const std::string& what) {
    SCOPED_TRACE(what + " on _HW" + std::to_string(gen));
    const std::vector<int> order = blockOrder(gen);
    const unsigned char* block = reg.getWriteBlock();
    for (size_t i = 0; i < order.size(); ++i) {
        auto it = e.regs.find(order[i]);
        EXPECT_EQ(block[i], it == e.regs.end() ? 0 : it->second) << "register " << order[i];
    }
    for (int r = 21; r <= 23; ++r) {
        auto it = e.regs.find(r);
        EXPECT_EQ(reg.getDacBlock()[r - 21], it == e.regs.end() ? 0 : it->second) << "register " << r;
    }
    auto relay = e.regs.find(26);
    EXPECT_EQ(reg.getRelayByte(), relay == e.regs.end() ? 0 : relay->second);
    // Nothing outside the named registers may change, on either side of the block.
    int nonZero = 0;
    for (int i = 0; i < MAX_REGS; ++i) nonZero += reg.image()[i] != 0;
    int expectedNonZero = 0;
    for (auto [r, v] : e.regs) expectedNonZero += v != 0 && reg.imageIndex(r) >= 0;
    EXPECT_EQ(nonZero, expectedNonZero);
}

struct SetterCase {
    std::string name;
    std::function<void(Register&, int gen)> apply;
    std::function<Expected(int gen)> expected;
};

Expected regs(std::map<int, int> m) { return Expected{std::move(m)}; }
bool wide(int gen) { return gen >= _HW3; }

std::vector<SetterCase> setterCases() {
    return {
        {"channel 1 on", [](Register& r, int) { r.setChannelEnable(_CH1, true); },
         [](int) {
             return regs({{1, 0x02}});
         }},
        {"channel 2 on", [](Register& r, int) { r.setChannelEnable(_CH2, true); },
         [](int) {
             return regs({{1, 0x04}});
         }},
        {"math channel changes nothing", [](Register& r, int) { r.setChannelEnable(_MATH, true); },
         [](int) { return regs({}); }},
        {"channel 2 AC", [](Register& r, int) { r.setCoupling(_CH2, _AC); },
         [](int) {
             return regs({{26, 0x08}});
         }},
        {"channel 1 AC then GND",
         [](Register& r, int) {
             r.setCoupling(_CH1, _AC);
             r.setCoupling(_CH1, _GND);
         },
         [](int) { return regs({}); }},
        {"channel 2 at 2 V", [](Register& r, int g) { r.setVoltDiv(_CH2, _2V_DIV, g); },
         [](int g) {
             return wide(g) ? regs({{26, 0x10}, {19, 0x02}}) : regs({{26, 0x10}});
         }},
        {"channel 1 at 200 mV", [](Register& r, int g) { r.setVoltDiv(_CH1, _200MV_DIV, g); },
         [](int g) {
             return wide(g) ? regs({{26, 0x04}, {19, 0x01}}) : regs({{26, 0x04}});
         }},
        {"channel 1 at 2 V then 50 mV",
         [](Register& r, int g) {
             r.setVoltDiv(_CH1, _2V_DIV, g);
             r.setVoltDiv(_CH1, _50MV_DIV, g);
         },
         [](int) { return regs({}); }},
        {"channel 2 at 500 mV", [](Register& r, int g) { r.setVoltDiv(_CH2, _500MV_DIV, g); },
         [](int) {
             return regs({{26, 0x20}});
         }},
        {"offset DAC of channel 2", [](Register& r, int) { r.setOffsetDac(_CH2, 0x34, 0x0A); },
         [](int) {
             return regs({{21, 0x34}, {22, 0x0A}, {23, 1}});
         }},
        {"trigger DAC of channel 1", [](Register& r, int) { r.setTriggerLevelDac(_CH1, 0x12, 0x03); },
         [](int) {
             return regs({{21, 0x12}, {22, 0x03}, {23, 2}});
         }},
        {"trigger DAC of channel 2", [](Register& r, int) { r.setTriggerLevelDac(_CH2, 0xFF, 0x0F); },
         [](int) {
             return regs({{21, 0xFF}, {22, 0x0F}, {23, 3}});
         }},
        {"delay counter", [](Register& r, int g) { r.setCounter(0x0ABCDEF1, g); },
         [](int g) {
             return wide(g) ? regs({{7, 0xF1}, {8, 0xDE}, {9, 0xBC}, {10, 0x0A}})
                            : regs({{7, 0xF1}, {8, 0xDE}, {9, 0x0C}});
         }},
        {"negative delay counter",
         [](Register& r, int g) {
             r.setCounter(0x0FFFFFFF, g);
             r.setCounter(-5, g);
         },
         [](int) { return regs({}); }},
        {"peak detection", [](Register& r, int) { r.setPeakDetection(true); },
         [](int) {
             return regs({{1, 0x40}});
         }},
        {"high-frequency reject", [](Register& r, int) { r.setHighFrequencyReject(true); },
         [](int g) {
             return wide(g) ? regs({{19, 0x80}}) : regs({});
         }},
        {"bandwidth limit channel 1", [](Register& r, int) { r.setBandwidthLimit(_CH1, true); },
         [](int g) {
             return wide(g) ? regs({{19, 0x20}}) : regs({});
         }},
        {"bandwidth limit channel 2", [](Register& r, int) { r.setBandwidthLimit(_CH2, true); },
         [](int g) {
             return wide(g) ? regs({{19, 0x40}}) : regs({});
         }},
        {"trigger mode normal", [](Register& r, int) { r.setTriggerModeBit(_NORMAL); },
         [](int) {
             return regs({{27, 0x80}});
         }},
        {"roll bit", [](Register& r, int) { r.setRollBit(1); },
         [](int) {
             return regs({{11, 0x04}});
         }},
        {"roll bit needs exactly 1",
         [](Register& r, int) {
             r.setRollBit(1);
             r.setRollBit(2);
         },
         [](int) { return regs({}); }},
        {"edge trigger type ignores the count", [](Register& r, int) { r.setTriggerType(1, 0x123456); },
         [](int) {
             return regs({{11, 0x01}});
         }},
        {"trigger type 2 with count", [](Register& r, int) { r.setTriggerType(2, 0x123456); },
         [](int) {
             return regs({{11, 0x02}, {16, 0x56}, {17, 0x34}, {18, 0x12}});
         }},
        {"trigger type 3", [](Register& r, int) { r.setTriggerType(3, 1); },
         [](int) {
             return regs({{11, 0x03}, {16, 0x01}});
         }},
        {"unknown trigger type", [](Register& r, int) { r.setTriggerType(4, 1); }, [](int) { return regs({}); }},
        {"trigger pulse", [](Register& r, int) { r.setTriggerPulse(true, 1, 0x0A0B0C); },
         [](int) {
             return regs({{11, 0xC0}, {13, 0x0C}, {14, 0x0B}, {15, 0x0A}});
         }},
        {"trigger pulse off with -1",
         [](Register& r, int) {
             r.setTriggerPulse(true, 1, 7);
             r.setTriggerPulse(false, 0, -1);
         },
         [](int) { return regs({}); }},
        {"logic kind 2", [](Register& r, int) { r.setTriggerLogicKind(2, true); },
         [](int) {
             return regs({{12, 0xC0}});
         }},
        {"logic kind 1", [](Register& r, int) { r.setTriggerLogicKind(1, true); },
         [](int) {
             return regs({{12, 0x40}});
         }},
        {"logic kind 3 changes nothing", [](Register& r, int) { r.setTriggerLogicKind(3, true); },
         [](int) { return regs({}); }},
        {"edge trigger on channel 2, slope 1", [](Register& r, int g) { r.setEdgeTrigger(_CH2, 1, g); },
         [](int g) {
             return regs({{11, 0x01}, {12, g == _HW1 ? 0x03 : 0x02}});
         }},
        {"edge trigger on channel 1, slope 0", [](Register& r, int g) { r.setEdgeTrigger(_CH1, 0, g); },
         [](int g) {
             return regs({{11, 0x01}, {12, g == _HW1 ? 0x00 : 0x01}});
         }},
        {"10k time base 13, channel 2 only, real time",
         [](Register& r, int) {
             r.loadTimeBaseTables(_10K);
             r.setTimebase(_100US_DIV - 1, _CH1_OFF_CH2_ON, _REAL_TIME);
         },
         [](int) {
             return regs({{1, 0x14}, {2, 0x03}, {5, 0x74}, {6, 0x02}, {27, 0x0D}});
         }},
        {"10k time base 13, both channels",
         [](Register& r, int) {
             r.loadTimeBaseTables(_10K);
             r.setTimebase(13, _CH1_ON_CH2_ON, _REAL_TIME);
         },
         [](int) {
             return regs({{1, 0x1E}, {2, 0x07}, {5, 0x3A}, {6, 0x01}, {27, 0x0D}});
         }},
        {"500k time base 25 with peak detection",
         [](Register& r, int) {
             r.loadTimeBaseTables(_500K);
             r.setTimebaseAndPeak(_400MS_DIV, _CH1_ON_CH2_OFF, _REAL_TIME, true);
         },
         [](int) {
             return regs({{1, 0x52}, {2, 0x09}, {3, 0x4F}, {5, 0x16}, {6, 0x7A}, {27, 0x19}});
         }},
        {"RIS first bytes with channel 2",
         [](Register& r, int) {
             r.loadTimeBaseTables(_10K);
             r.setTimebaseETS(false, _CH1_OFF_CH2_ON, 11, 10, _RIS);
         },
         [](int) {
             return regs({{1, 0x0C}, {2, 0x01}, {5, 0x7F}, {27, 0x0A}});
         }},
        {"roll time base 28",
         [](Register& r, int) {
             r.loadTimeBaseTables(_10K);
             r.setTimebase(28, _CH1_ON_CH2_OFF, _ROLL);
         },
         [](int) {
             return regs({{1, 0x2E}, {2, 0x01}, {27, 0x1F}});
         }},
        {"roll time base 30",
         [](Register& r, int) {
             r.loadTimeBaseTables(_10K);
             r.setTimebase(30, _CH1_ON_CH2_OFF, _ROLL);
         },
         [](int) {
             return regs({{1, 0x2E}, {2, 0x01}, {27, 0x20}});
         }},
    };
}

TEST(RegisterTest, EverySetterWritesItsBytesOnEveryGeneration) {
    for (const SetterCase& c : setterCases()) {
        for (int gen = _HW1; gen <= _HW4; ++gen) {
            Register reg(gen);
            c.apply(reg, gen);
            expectImage(reg, gen, c.expected(gen), c.name);
        }
    }
}

TEST(RegisterTest, TriggerLogicTablePerGeneration) {
    struct Case {
        int ch1, ch2, hw1Bits, laterBits;
    };
    const Case cases[] = {
        {0, -1, 0, 1}, {1, -1, 1, 0}, {-1, 0, 2, 3}, {-1, 1, 3, 2},
        {0, 0, 4, 7},  {1, 0, 5, 6},  {0, 1, 6, 5},  {1, 1, 7, 4},
    };
    for (const Case& c : cases) {
        for (int gen = _HW1; gen <= _HW4; ++gen) {
            Register reg(gen);
            reg.setTriggerLogic(c.ch1, c.ch2, 5, gen);
            const int bits = gen == _HW1 ? c.hw1Bits : c.laterBits;
            EXPECT_EQ(reg.registerByte(12), (5 << 3) | bits) << c.ch1 << "," << c.ch2 << " _HW" << gen;
        }
    }
    Register reg(_HW2);
    reg.setTriggerLogic(1, 1, 3, _HW2);
    reg.setTriggerLogic(-1, -1, 6, _HW2); // both don't care and kind 6: nothing changes
    EXPECT_EQ(reg.registerByte(12), (3 << 3) | 4);
    reg.setTriggerLogic(-1, -1, -1, _HW2); // kind -1 is kind 0
    EXPECT_EQ(reg.registerByte(12), 4);
}

TEST(RegisterTest, FirstBytesRewriteOnlyTheEquivalentTimeEntries) {
    Register reg(_HW3);
    reg.loadTimeBaseTables(_500K);
    reg.setTimebaseFirstBytes(false, _CH1_ON_CH2_OFF, 17);
    for (int i = 0; i < 17; ++i) EXPECT_EQ(reg.timeBaseTableA()[i][0], 0x0A) << i;
    EXPECT_EQ(reg.timeBaseTableA()[17][0], 0x12);
    EXPECT_EQ(reg.timeBaseTableB()[0][0], 0x0E);
    reg.setTimebaseFirstBytes(true, _CH1_OFF_CH2_ON, 17);
    EXPECT_EQ(reg.timeBaseTableA()[16][0], 0x0E);
    // Reloading brings back the constants; an unknown mode copies nothing.
    reg.loadTimeBaseTables(_10K);
    EXPECT_EQ(reg.timeBaseTableA()[0], TIME_BASE_10K_A[0]);
    EXPECT_FALSE(reg.loadTimeBaseTables(5));
    EXPECT_EQ(reg.timeBaseTableA()[0], TIME_BASE_10K_A[0]);
}

TEST(RegisterTest, BlockWriteCarriesTheGoStrobeLast) {
    for (int gen = _HW1; gen <= _HW4; ++gen) {
        Register reg(gen);
        reg.setBit(reg.imageIndex(20), 0, 1);
        reg.setTriggerModeBit(_NORMAL);
        FakeHardware hw;
        hw.setVersion(gen);
        ASSERT_TRUE(hw.writeRegisters(reg.getWriteBlock(), 500));
        const std::vector<unsigned char>& sent = hw.calls.back().bytes;
        ASSERT_EQ(sent.size(), gen <= _HW2 ? 19u : 21u);
        EXPECT_EQ(sent.back(), 1);              // register 20, the go strobe
        EXPECT_EQ(sent[sent.size() - 2], 0x80); // register 27 just before it
        EXPECT_EQ(reg.imageIndex(10) < 0, gen <= _HW2);
        EXPECT_EQ(reg.imageIndex(19) < 0, gen <= _HW2);
    }
}

TEST(RegisterTest, SetBitRefusesIndexesBeyondTheImage) {
    Register reg(_HW4);
    reg.setBit(27, 7, 1);
    reg.setBit(0, 0, 2); // any value other than 1 clears
    EXPECT_EQ(reg.image()[27], 0x80);
    EXPECT_DEBUG_DEATH(reg.setBit(28, 0, 1), "regNumber_");
    EXPECT_DEBUG_DEATH(reg.setBit(3, 8, 1), "num_");
    for (int i = 0; i < 27; ++i) EXPECT_EQ(reg.image()[i], 0) << i;
}

} // namespace
