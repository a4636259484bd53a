#include "register.h"

#include <cassert>

namespace {

// Attenuator range per volt/div code: 0 both bits clear, 1 lower bit, 2 upper bit.
constexpr int ATTENUATOR_RANGE[11] = {0, 0, 0, 0, 0, 2, 2, 2, 1, 1, 1};
// Gain bit of _HW3/_HW4 per volt/div code.
constexpr bool GAIN_BIT[11] = {true, true, true, false, false, true, false, false, true, false, false};

// Trigger-logic bits 2..0 by [channel 1 condition + 1][channel 2 condition + 1]; -1 leaves them.
constexpr int LOGIC_HW1[3][3] = {{-1, 2, 3}, {0, 4, 6}, {1, 5, 7}};
constexpr int LOGIC_HW2[3][3] = {{-1, 3, 2}, {1, 7, 5}, {0, 6, 4}};

bool isChannel(int ch) { return ch == _CH1 || ch == _CH2; }

} // namespace

Register::Register(int hwVersion) { buildMap(hwVersion); }

Register::~Register() = default;

void Register::buildMap(int hwVersion) {
    const bool wide = hwVersion >= _HW3;
    for (int r = 0; r <= 9; ++r) d_map[static_cast<std::size_t>(r)] = r;
    d_map[10] = wide ? 10 : -1;
    for (int r = 11; r <= 18; ++r) d_map[static_cast<std::size_t>(r)] = wide ? r : r - 1;
    d_map[19] = wide ? 19 : -1;
    d_map[27] = wide ? 20 : 18;
    for (int r = 20; r <= 26; ++r) d_map[static_cast<std::size_t>(r)] = wide ? r + 1 : r - 1;
}

void Register::setBit(int regNumber_, int num_, int value_) {
    assert(regNumber_ >= 0 && regNumber_ < MAX_REGS && "regNumber_ >= 0 && regNumber_ < MAX_REGS");
    assert(num_ >= 0 && num_ <= 7 && "num_ >= 0 && num_ <= 7");
    if (regNumber_ < 0 || regNumber_ >= MAX_REGS || num_ < 0 || num_ > 7) return;
    unsigned char& b = d_image[static_cast<std::size_t>(regNumber_)];
    const auto mask = static_cast<unsigned char>(1u << num_);
    b = value_ == 1 ? static_cast<unsigned char>(b | mask) : static_cast<unsigned char>(b & ~mask);
}

int Register::imageIndex(int reg) const {
    if (reg < 0 || reg >= MAX_REGS) return -1;
    return d_map[static_cast<std::size_t>(reg)];
}

unsigned char Register::registerByte(int reg) const {
    const int i = imageIndex(reg);
    return i < 0 ? 0 : d_image[static_cast<std::size_t>(i)];
}

void Register::setRegisterBit(int reg, int bit, bool on) {
    const int i = imageIndex(reg);
    if (i >= 0) setBit(i, bit, on ? 1 : 0);
}

void Register::setRegisterByte(int reg, int value) {
    const int i = imageIndex(reg);
    if (i >= 0) d_image[static_cast<std::size_t>(i)] = static_cast<unsigned char>(value);
}

bool Register::loadTimeBaseTables(int bufferSizeMode) {
    if (bufferSizeMode == _10K) {
        d_timeBaseA = TIME_BASE_10K_A;
        d_timeBaseB = TIME_BASE_10K_B;
    } else if (bufferSizeMode == _500K) {
        d_timeBaseA = TIME_BASE_500K_A;
        d_timeBaseB = TIME_BASE_500K_B;
    } else {
        return false;
    }
    return true;
}

void Register::setChannelEnable(int ch, bool on) {
    if (isChannel(ch)) setRegisterBit(1, ch == _CH1 ? 1 : 2, on);
}

void Register::setCoupling(int ch, int coupling) {
    if (isChannel(ch)) setRegisterBit(26, ch == _CH1 ? 0 : 3, coupling == _AC);
}

void Register::setVoltDiv(int ch, int voltDiv, int hwVersion) {
    if (!isChannel(ch) || voltDiv < 0 || voltDiv > _10V_DIV) return;
    const int range = ATTENUATOR_RANGE[voltDiv];
    const int lower = ch == _CH1 ? 1 : 4;
    setRegisterBit(26, lower, range == 1);
    setRegisterBit(26, lower + 1, range == 2);
    if (hwVersion >= _HW3) setRegisterBit(19, ch == _CH1 ? 0 : 1, GAIN_BIT[voltDiv]);
}

void Register::setOffsetDac(int ch, int low, int high) {
    if (!isChannel(ch)) return;
    setRegisterByte(21, low);
    setRegisterByte(22, high);
    setRegisterByte(23, ch == _CH1 ? 0 : 1);
}

void Register::setTriggerLevelDac(int ch, int low, int high) {
    if (!isChannel(ch)) return;
    setRegisterByte(21, low);
    setRegisterByte(22, high);
    setRegisterByte(23, ch == _CH1 ? 2 : 3);
}

void Register::setCounter(int count, int hwVersion) {
    if (count < 0) count = 0;
    setRegisterByte(7, count & 0xFF);
    setRegisterByte(8, (count >> 8) & 0xFF);
    if (hwVersion >= _HW3) {
        setRegisterByte(9, (count >> 16) & 0xFF);
        setRegisterByte(10, (count >> 24) & 0x0F);
    } else {
        setRegisterByte(9, (count >> 16) & 0x0F);
    }
}

void Register::setTimebase(int timeDiv, int channels, int method) {
    assert(timeDiv >= 0 && timeDiv < NUMBER_OF_TIME_DIVS && "timeDiv_ >= 0 && timeDiv_ <= 32");
    if (timeDiv < 0 || timeDiv >= NUMBER_OF_TIME_DIVS) return;
    TimeBaseEntry e = (channels == _CH1_ON_CH2_ON ? d_timeBaseB : d_timeBaseA)[static_cast<std::size_t>(timeDiv)];
    // Only channel 2 in real time: move the channel bit from channel 1 to channel 2.
    if (channels == _CH1_OFF_CH2_ON && method == _REAL_TIME) e[0] = static_cast<unsigned char>(e[0] + 2);
    for (int i = 0; i < 6; ++i) setRegisterByte(1 + i, e[static_cast<std::size_t>(i)]);
    setRegisterByte(27, e[6]);
}

void Register::setTimebaseFirstBytes(bool etsOn, int channels, int count) {
    const unsigned char first = etsOn ? 0x0E : channels == _CH1_OFF_CH2_ON ? 0x0C : 0x0A;
    for (int i = 0; i < count && i < NUMBER_OF_TIME_DIVS; ++i) d_timeBaseA[static_cast<std::size_t>(i)][0] = first;
}

void Register::setPeakDetection(bool on) { setRegisterBit(1, 6, on); }

void Register::setTimebaseAndPeak(int timeDiv, int channels, int method, bool peak) {
    setTimebase(timeDiv, channels, method);
    setPeakDetection(peak);
}

void Register::setTimebaseETS(bool etsOn, int channels, int count, int timeDiv, int method) {
    setTimebaseFirstBytes(etsOn, channels, count);
    setTimebase(timeDiv, channels, method);
}

void Register::setHighFrequencyReject(bool on) { setRegisterBit(19, 7, on); }

void Register::setBandwidthLimit(int ch, bool on) {
    if (isChannel(ch)) setRegisterBit(19, ch == _CH1 ? 5 : 6, on);
}

void Register::setTriggerModeBit(int mode) { setRegisterBit(27, 7, mode != 0); }

void Register::setRollBit(int on) { setRegisterBit(11, 2, on == 1); }

void Register::setTriggerType(int type, int count) {
    if (type < 1 || type > 3) return;
    setRegisterBit(11, 0, type != 2);
    setRegisterBit(11, 1, type != 1);
    if (type == 1) return;
    setRegisterByte(16, count & 0xFF);
    setRegisterByte(17, (count >> 8) & 0xFF);
    setRegisterByte(18, (count >> 16) & 0xFF);
}

void Register::setTriggerPulse(bool on, int condition, int value) {
    if (value == -1) value = 0;
    setRegisterByte(13, value & 0xFF);
    setRegisterByte(14, (value >> 8) & 0xFF);
    setRegisterByte(15, (value >> 16) & 0xFF);
    setRegisterBit(11, 7, on);
    setRegisterBit(11, 6, condition == 1);
}

void Register::setTriggerLogic(int ch1Condition, int ch2Condition, int pulseKind, int hwVersion) {
    if (ch1Condition >= -1 && ch1Condition <= 1 && ch2Condition >= -1 && ch2Condition <= 1) {
        const auto& table = hwVersion == _HW1 ? LOGIC_HW1 : LOGIC_HW2;
        const int bits = table[ch1Condition + 1][ch2Condition + 1];
        if (bits >= 0)
            for (int b = 0; b < 3; ++b) setRegisterBit(12, b, (bits >> b) & 1);
    }
    if (pulseKind == -1) pulseKind = 0;
    if (pulseKind >= 0 && pulseKind <= 5)
        for (int b = 0; b < 3; ++b) setRegisterBit(12, 3 + b, (pulseKind >> b) & 1);
}

void Register::setEdgeTrigger(int source, int slope, int hwVersion) {
    setTriggerType(1, 0);
    setTriggerPulse(false, -1, -1);
    const int condition = slope != 0 ? 1 : 0;
    setTriggerLogic(source == _CH1 ? condition : -1, source == _CH2 ? condition : -1, -1, hwVersion);
}

void Register::setTriggerLogicKind(int kind, bool on) {
    if (kind != 1 && kind != 2) return;
    setRegisterBit(12, 6, on);
    setRegisterBit(12, 7, kind == 2);
}
