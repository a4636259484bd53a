#include "instrument_settings.h"

#include <cstddef>

namespace {

bool settingBit(unsigned char byte, int k) { return ((byte >> k) & 1) != 0; }

int attenuatorRange(unsigned char relayByte, int lowerBit) {
    const bool lower = settingBit(relayByte, lowerBit);
    const bool upper = settingBit(relayByte, lowerBit + 1);
    if (lower && upper) return -1;
    return lower ? 1 : upper ? 2 : 0;
}

} // namespace

std::vector<int> InstrumentRegisters::blockOrder(int generation) {
    std::vector<int> order;
    for (int r = 1; r <= 9; ++r) order.push_back(r);
    if (generation >= 3) order.push_back(10);
    for (int r = 11; r <= 18; ++r) order.push_back(r);
    if (generation >= 3) order.push_back(19);
    order.push_back(27);
    order.push_back(20);
    return order;
}

int InstrumentRegisters::blockLength(int generation) { return generation >= 3 ? 21 : 19; }

int InstrumentRegisters::readBackLength(int generation) { return blockLength(generation) + 4; }

void InstrumentRegisters::storeBlock(int generation, const unsigned char* block) {
    const std::vector<int> order = blockOrder(generation);
    for (size_t i = 0; i < order.size(); ++i) reg[static_cast<size_t>(order[i])] = block[i];
}

void InstrumentRegisters::storeDac(const unsigned char* block) {
    reg[21] = block[0];
    reg[22] = block[1];
    reg[23] = block[2];
    if (block[2] < dac.size()) dac[block[2]] = block[0] | ((block[1] & 0x0F) << 8);
}

std::vector<unsigned char> InstrumentRegisters::readBack(int generation) const {
    std::vector<unsigned char> bytes;
    for (int r : blockOrder(generation)) bytes.push_back(reg[static_cast<size_t>(r)]);
    for (int r : {21, 22, 23, 24}) bytes.push_back(reg[static_cast<size_t>(r)]);
    return bytes;
}

InstrumentSettings InstrumentSettings::decode(int generation, const InstrumentRegisters& registers,
                                              unsigned char relayByte) {
    const auto& r = registers.reg;
    InstrumentSettings s;
    s.generation = generation;
    const bool wide = generation >= 3;

    for (int k = 0; k < 6; ++k) s.timeBaseEntry[static_cast<size_t>(k)] = r[static_cast<size_t>(k + 1)];
    s.timeBaseEntry[6] = r[27];
    s.timeDivCode = r[27] & 0x7F;
    s.normalTriggerMode = settingBit(r[27], 7);
    s.peakDetection = settingBit(r[1], 6);
    s.delayCounter = r[7] | (r[8] << 8) | (wide ? (r[9] << 16) | ((r[10] & 0x0F) << 24) : (r[9] & 0x0F) << 16);

    s.triggerType = r[11] & 0x03;
    s.roll = settingBit(r[11], 2);
    s.pulseCondition = settingBit(r[11], 6);
    s.pulseOn = settingBit(r[11], 7);
    s.logicConditions = r[12] & 0x07;
    s.pulseKind = (r[12] >> 3) & 0x07;
    s.logicOn = settingBit(r[12], 6);
    s.logicKind = s.logicOn ? (settingBit(r[12], 7) ? 2 : 1) : 0;
    s.pulseValue = r[13] | (r[14] << 8) | (r[15] << 16);
    s.triggerCount = r[16] | (r[17] << 8) | (r[18] << 16);
    s.highFrequencyReject = wide && settingBit(r[19], 7);
    // The counted kinds (types 2, 3) count the same edge.
    if (s.triggerType != 0 && s.logicConditions <= 3) {
        s.edgeSource = settingBit(static_cast<unsigned char>(s.logicConditions), 1) ? 2 : 1;
        const bool condition = settingBit(static_cast<unsigned char>(s.logicConditions), 0);
        s.risingEdge = generation == 1 ? condition : !condition;
    }

    for (int ch = 0; ch < 2; ++ch) {
        InstrumentChannel& c = s.channel[ch];
        c.enabled = settingBit(r[1], 1 + ch);
        c.acCoupling = settingBit(relayByte, ch == 0 ? 0 : 3);
        c.attenuatorRange = attenuatorRange(relayByte, ch == 0 ? 1 : 4);
        c.highGain = wide && settingBit(r[19], ch);
        c.bandwidthLimit = wide && settingBit(r[19], 5 + ch);
        c.offsetDac = registers.dac[static_cast<size_t>(ch)];
        c.triggerLevelDac = registers.dac[static_cast<size_t>(2 + ch)];
    }
    s.timeBaseByte = registers.timeBaseByte;
    s.goStrobe = r[20] != 0;
    return s;
}
