#pragma once
// A kernel for the tool windows' tests: plain fields, read by the windows' logic through the
// ToolWindowKernel interface. Channel arrays are indexed by the channel code (1 CH1, 2 CH2,
// 3 MATH). Raw codes convert to volts as code x voltsPerCode (channel 1) or x 2 x voltsPerCode
// (channel 2), so a test can tell the channels apart.

#include "tool_window_kernel.h"

#include <array>
#include <atomic>

struct FakeToolWindowKernel : ToolWindowKernel {
    std::array<bool, 4> on{false, true, true, true};
    std::array<int, 4> voltDiv{7, 7, 7, 7}; // 1 V/div
    std::array<double, 4> offset{200, 200, 200, 200};
    std::array<int, 4> probe{1, 1, 1, 1};
    std::array<double, 4> scale{1, 1, 1, 1};
    int timeDivCode = 17; // 1 ms/div
    int width = 500;
    int height = 400;
    bool equivalentTime = false, ris = false, realTime = true, roll = false;
    double voltsPerCode = 0.001;
    // How often a raw code was converted (the spectrum's resampling).
    mutable std::atomic<int> conversions{0};

    bool channelOn(int ch) const override { return on[std::size_t(ch)]; }
    int channelsOnOff() const override { return (on[1] ? 1 : 0) | (on[2] ? 2 : 0); }
    int voltageDiv(int ch) const override { return voltDiv[std::size_t(ch)]; }
    double voltageOffset(int ch) const override { return offset[std::size_t(ch)]; }
    int probeAttenuation(int ch) const override { return probe[std::size_t(ch)]; }
    double scaleFactor(int ch) const override { return scale[std::size_t(ch)]; }
    int timeDiv() const override { return timeDivCode; }
    int displayWidth() const override { return width; }
    int displayHeight() const override { return height; }
    bool isEquivalentTime() const override { return equivalentTime; }
    bool isRIS() const override { return ris; }
    bool isRealTime() const override { return realTime; }
    bool isRoll() const override { return roll; }
    double rawToVoltage(int ch, short code) const override {
        ++conversions;
        return code * voltsPerCode * (ch == 2 ? 2 : 1);
    }
};
