#pragma once
// What the measurement and spectrum windows read from the kernel while they update, behind an
// interface so their logic runs without an instrument (tests give a fake). The program uses
// FacadeToolWindowKernel, which forwards every call to the kernel facade.
// Channel codes: _CH1 1, _CH2 2, _MATH 3 (codes.h).

class ToolWindowKernel {
public:
    virtual ~ToolWindowKernel() = default;

    virtual bool channelOn(int ch_) const = 0;
    // 0 none, 1 CH1, 2 CH2, 3 both.
    virtual int channelsOnOff() const = 0;
    // Volt/div code 0..10 of the channel.
    virtual int voltageDiv(int ch_) const = 0;
    // The channel's zero line, display rows from the bottom.
    virtual double voltageOffset(int ch_) const = 0;
    // Probe factor 1, 10, 100 or 1000.
    virtual int probeAttenuation(int ch_) const = 0;
    virtual double scaleFactor(int ch_) const = 0;
    // Time/div code 0..32.
    virtual int timeDiv() const = 0;
    // Size of the display images, pixels.
    virtual int displayWidth() const = 0;
    virtual int displayHeight() const = 0;
    // The acquisition method of the current time base.
    virtual bool isEquivalentTime() const = 0;
    virtual bool isRIS() const = 0;
    virtual bool isRealTime() const = 0;
    virtual bool isRoll() const = 0;
    // Volts of a raw sample of channel 1 or 2.
    virtual double rawToVoltage(int ch_, short code_) const = 0;
    // Real time fades the picture of the earlier records before a new one is drawn over it:
    // the brightest such a faded pixel can be, and the least intensity a pixel the new record
    // hits has. 0, 0 where the picture is cleared before each record.
    virtual int fadedIntensityMax() const { return 0; }
    virtual int hitIntensityMin() const { return 0; }
};

// The program's kernel: g_control through the facade. Needs a created kernel.
class FacadeToolWindowKernel final : public ToolWindowKernel {
public:
    bool channelOn(int ch_) const override;
    int channelsOnOff() const override;
    int voltageDiv(int ch_) const override;
    double voltageOffset(int ch_) const override;
    int probeAttenuation(int ch_) const override;
    double scaleFactor(int ch_) const override;
    int timeDiv() const override;
    int displayWidth() const override;
    int displayHeight() const override;
    bool isEquivalentTime() const override;
    bool isRIS() const override;
    bool isRealTime() const override;
    bool isRoll() const override;
    double rawToVoltage(int ch_, short code_) const override;
    int fadedIntensityMax() const override;
    int hitIntensityMin() const override;
};
