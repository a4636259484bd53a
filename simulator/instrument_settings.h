#pragma once
// What the host has programmed into the simulated instrument: the raw registers as the
// requests delivered them (InstrumentRegisters) and the settings they carry, decoded per
// hardware generation (InstrumentSettings). The decoding is the simulator's own reading of
// the protocol; it shares no code with the kernel that encodes the registers.

#include <array>
#include <cstdint>
#include <vector>

// Registers by their logical number 0..27 (see the protocol: 1..6 and 27 time base, 7..10
// delay counter, 11 trigger kind, 12 trigger logic, 13..15 pulse value, 16..18 trigger
// count, 19 gains and filters, 20 go strobe, 21..23 DAC block, 26 relay byte).
struct InstrumentRegisters {
    static constexpr int COUNT = 28;

    std::array<unsigned char, COUNT> reg{};
    // DAC values (12 bits) by the select code: 0 channel 1 offset, 1 channel 2 offset,
    // 2 channel 1 trigger level, 3 channel 2 trigger level.
    std::array<int, 4> dac{};
    unsigned char timeBaseByte = 0; // request 0xB4

    // Logical registers carried by the register block of a generation, in block order.
    static std::vector<int> blockOrder(int generation);
    // Bytes of the register block: 19 (generations 1, 2) or 21 (3, 4).
    static int blockLength(int generation);
    // Bytes of the read-back: the block, the DAC block and register 24.
    static int readBackLength(int generation);

    void storeBlock(int generation, const unsigned char* block);
    // A DAC block (value low byte, bits 8-11, select); other selects are ignored.
    void storeDac(const unsigned char* block);
    std::vector<unsigned char> readBack(int generation) const;
};

struct InstrumentChannel {
    bool enabled = false;
    bool acCoupling = false;
    int attenuatorRange = 0; // 0, 1 or 2 from the relays; -1 when the relays are in no valid position
    bool highGain = false;   // generations 3, 4
    bool bandwidthLimit = false;
    int offsetDac = 0;
    int triggerLevelDac = 0;
};

struct InstrumentSettings {
    int generation = 0;
    InstrumentChannel channel[2]; // [0] channel 1, [1] channel 2

    std::array<unsigned char, 7> timeBaseEntry{}; // registers 1..6 and 27 as sent
    int timeDivCode = 0;                          // register 27 bits 0-6
    bool normalTriggerMode = false;
    bool roll = false;
    bool peakDetection = false;
    int delayCounter = 0;

    int triggerType = 0; // register 11 bits 0-1: 1 edge
    int triggerCount = 0;
    bool pulseOn = false;
    bool pulseCondition = false;
    int pulseValue = 0;
    int logicConditions = 0; // register 12 bits 0-2
    int pulseKind = 0;       // register 12 bits 3-5
    bool logicOn = false;
    int logicKind = 0; // 1 or 2 when logic is on
    bool highFrequencyReject = false;

    // The edge trigger (of any trigger type) when the logic bits name one channel: source 1
    // or 2 (0 otherwise).
    int edgeSource = 0;
    bool risingEdge = false;

    int timeBaseByte = 0;
    bool goStrobe = false;

    static InstrumentSettings decode(int generation, const InstrumentRegisters& registers, unsigned char relayByte);
};
