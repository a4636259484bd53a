#pragma once

#include "calibration_host.h"

class ActionUnit;

// The program's host: the worker thread's functions and those of the main window's action
// unit, and a real sleep. The main window supplies rawDataCh1 (its AcquisitionCycle's
// records().p_rawDataCh1).
class ProgramCalibrationHost : public CalibrationHost {
public:
    // `actions` outlives the host.
    explicit ProgramCalibrationHost(ActionUnit& actions) : d_actions(actions) {}

    void stopAcquisitionThread() override;
    void startAcquisitionThread() override;
    void acquireAndDisplay() override;
    bool actionSetChannelOnOff(int ch, bool on) override;
    bool actionSetVoltDiv(int ch, int voltDiv) override;
    bool actionSetTimeDiv(int code) override;
    bool actionSetOffset(int ch, double row) override;
    bool actionSetTriggerLevel(int ch, double row) override;
    bool actionSetCoupling(int ch, int coupling) override;
    bool actionSetLineJoin(int mode) override;
    bool actionSetHighFrequencyReject(bool on) override;
    bool actionSetBandLimit(int ch, bool on) override;
    bool actionSetEts(bool on) override;
    void sleepFor(std::chrono::milliseconds duration) override;

private:
    ActionUnit& d_actions;
};
