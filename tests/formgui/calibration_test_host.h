#pragma once
// A CalibrationHost for the dialog tests: it records what the dialogs ask for, in order, and
// does what the action unit and the worker would do through the kernel facade (no handshake:
// no worker runs in the tests).

#include "calibration_host.h"
#include "codes.h"
#include "control_facade.h"

#include <functional>
#include <sstream>
#include <string>
#include <vector>

class RecordingCalibrationHost final : public CalibrationHost {
public:
    std::vector<std::string> events;
    int cycles = 0;
    std::vector<long> sleeps; // milliseconds
    // One cycle; the default captures channel 1 like the worker's cycle in the running state.
    std::function<void()> cycle = [this] { controlAcquire(_CH1, &record, nullptr); };
    short* record = nullptr;

    void stopAcquisitionThread() override { events.push_back("stop"); }
    void startAcquisitionThread() override { events.push_back("start"); }
    void acquireAndDisplay() override {
        ++cycles;
        cycle();
    }
    const short* rawDataCh1() override { return record; }

    bool actionSetChannelOnOff(int ch, bool on) override {
        log("channel", ch, on);
        return controlSetChannelOnOff(ch, on);
    }
    bool actionSetVoltDiv(int ch, int voltDiv) override {
        log("voltDiv", ch, voltDiv);
        return controlSetVoltageDiv(ch, voltDiv);
    }
    bool actionSetTimeDiv(int code) override {
        log("timeDiv", code);
        return controlSetTimeDiv(code);
    }
    bool actionSetOffset(int ch, double row) override {
        log("offset", ch, row);
        return controlSetVoltageOffset(ch, row);
    }
    bool actionSetTriggerLevel(int ch, double row) override {
        log("triggerLevel", ch, row);
        return ch != controlGetTriggerSource() || controlSetTriggerLevel(row);
    }
    bool actionSetCoupling(int ch, int coupling) override {
        log("coupling", ch, coupling);
        return controlSetChannelCoupling(ch, coupling);
    }
    bool actionSetLineJoin(int mode) override {
        log("lineJoin", mode);
        return controlSetLineJoinMode(mode);
    }
    bool actionSetHighFrequencyReject(bool on) override {
        log("hfReject", on);
        return controlSetTriggerHighFrequencyRejectOnOff(on);
    }
    bool actionSetBandLimit(int ch, bool on) override {
        log("bandLimit", ch, on);
        return controlSetBandwidthLimitOnOff(ch, on);
    }
    bool actionSetEts(bool on) override {
        log("ets", on);
        return controlSetETSOnOff(on);
    }
    void sleepFor(std::chrono::milliseconds duration) override { sleeps.push_back(duration.count()); }

private:
    template <class... Args>
    void log(const char* name, Args... args) {
        std::ostringstream e;
        e << name;
        ((e << ' ' << args), ...);
        events.push_back(e.str());
    }
};
