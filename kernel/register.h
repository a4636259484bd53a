#pragma once
// The kernel's copy of the instrument's control registers: a 28-byte image, the map from
// logical register numbers (0..27) to image bytes for the hardware generation, and the two
// time-base tables of the current record length. It never talks to the device: the callers
// send getWriteBlock (request 0xB1/0xB3, 19 bytes on _HW1/_HW2, 21 on _HW3/_HW4, its last
// byte the go strobe), getDacBlock (0xB2, 3 bytes) and getRelayByte (0xB5).
//
// Registers 10 and 19 have no image byte on _HW1/_HW2; setters that address them change
// nothing there. Channel arguments are _CH1 or _CH2; other values change nothing.

#include "codes.h"

#include <array>
#include <cstddef>

constexpr int MAX_REGS = 28;
constexpr int TIME_BASE_ENTRY_BYTES = 7;

// Bytes 0..5 go to registers 1..6, byte 6 to register 27.
using TimeBaseEntry = std::array<unsigned char, TIME_BASE_ENTRY_BYTES>;
using RegisterTimeBaseTable = std::array<TimeBaseEntry, NUMBER_OF_TIME_DIVS>;

// The constant tables of the two record lengths: A when not both channels are on, B when both.
extern const RegisterTimeBaseTable TIME_BASE_10K_A;
extern const RegisterTimeBaseTable TIME_BASE_10K_B;
extern const RegisterTimeBaseTable TIME_BASE_500K_A;
extern const RegisterTimeBaseTable TIME_BASE_500K_B;

class Register {
public:
    // Image all 0, tables all 0 until loadTimeBaseTables.
    explicit Register(int hwVersion_);
    virtual ~Register();
    Register(const Register&) = delete;
    Register& operator=(const Register&) = delete;

    // The image and both tables, for a change that is taken back.
    struct Saved {
        std::array<unsigned char, MAX_REGS> image;
        RegisterTimeBaseTable tableA, tableB;
    };
    Saved save() const { return {d_image, d_timeBaseA, d_timeBaseB}; }
    void restore(const Saved& saved_) {
        d_image = saved_.image;
        d_timeBaseA = saved_.tableA;
        d_timeBaseB = saved_.tableB;
    }

    void buildMap(int hwVersion_);
    // Image index 0..27, bit 0..7 (assertions; out-of-range calls change nothing). Value 1
    // sets the bit, any other value clears it.
    void setBit(int regNumber_, int num_, int value_);

    // The image from index 1 on.
    unsigned char* getWriteBlock() { return d_image.data() + 1; }
    // Registers 21..23.
    unsigned char* getDacBlock() { return d_image.data() + d_map[21]; }
    unsigned char getRelayByte() const { return d_image[static_cast<std::size_t>(d_map[26])]; }
    const unsigned char* image() const { return d_image.data(); }
    // Image index of a logical register; -1 when the generation has none.
    int imageIndex(int reg_) const;
    // Byte of a logical register; 0 when the generation has none.
    unsigned char registerByte(int reg_) const;

    // Copies the constant tables of the record length (_10K or _500K) into tables A and B;
    // other modes copy nothing and return false.
    bool loadTimeBaseTables(int bufferSizeMode_);
    const RegisterTimeBaseTable& timeBaseTableA() const { return d_timeBaseA; }
    const RegisterTimeBaseTable& timeBaseTableB() const { return d_timeBaseB; }

    void setChannelEnable(int ch_, bool on_);
    void setCoupling(int ch_, int coupling_);
    void setVoltDiv(int ch_, int voltDiv_, int hwVersion_);
    // DAC value bits 0-7 and 8-11; selects the channel's offset DAC.
    void setOffsetDac(int ch_, int low_, int high_);
    // The same for the channel's trigger-level DAC.
    void setTriggerLevelDac(int ch_, int low_, int high_);
    // Delay counter; a negative count is 0.
    void setCounter(int count_, int hwVersion_);
    // Entry timeDiv_ (0..32) of table B when both channels are on (channels_ 3), else of table A.
    void setTimebase(int timeDiv_, int channels_, int method_);
    // Byte 0 of the first count_ entries of table A: 0x0E with ETS, else 0x0C with only channel
    // 2 on, else 0x0A.
    void setTimebaseFirstBytes(bool etsOn_, int channels_, int count_);
    void setPeakDetection(bool on_);
    void setTimebaseAndPeak(int timeDiv_, int channels_, int method_, bool peak_);
    void setTimebaseETS(bool etsOn_, int channels_, int count_, int timeDiv_, int method_);
    void setHighFrequencyReject(bool on_);
    void setBandwidthLimit(int ch_, bool on_);
    void setTriggerModeBit(int mode_);
    void setRollBit(int on_);
    // Type 1 edge, 2 and 3 the advanced kinds (which also take the 24-bit count).
    void setTriggerType(int type_, int count_);
    // value_ -1 is 0.
    void setTriggerPulse(bool on_, int condition_, int value_);
    // Conditions -1 (don't care), 0 or 1; pulse kind -1 is 0, 6 and more leave it.
    void setTriggerLogic(int ch1Condition_, int ch2Condition_, int pulseKind_, int hwVersion_);
    void setEdgeTrigger(int source_, int slope_, int hwVersion_);
    // Kind 1 or 2 only.
    void setTriggerLogicKind(int kind_, bool on_);

private:
    void setRegisterBit(int reg_, int bit_, bool on_);
    void setRegisterByte(int reg_, int value_);

    std::array<unsigned char, MAX_REGS> d_image{};
    std::array<int, MAX_REGS> d_map{};
    RegisterTimeBaseTable d_timeBaseA{};
    RegisterTimeBaseTable d_timeBaseB{};
};
