#pragma once
// What the two calibration dialogs (TokbdCalibADlg, TFormCalTDCOffset) need of the program
// around them: the worker thread, one acquisition cycle on the GUI thread, the main window's
// channel-1 record and its action unit. Each function has the name and meaning of the one it
// stands for, so the program's host only forwards:
//   stopAcquisitionThread, startAcquisitionThread, acquireAndDisplay   cycle/acquisition_thread.h
//   rawDataCh1        the main window's p_rawDataCh1 (AcquisitionCycle::records())
//   action...         the members of the same name of the main window's ActionUnit (app/action.h)
//   sleepFor          a plain sleep of the GUI thread
// The kernel itself is reached through the facade (control_facade.h). GUI thread only.
// ProgramCalibrationHost (app/program_calibration_host.h) forwards all but the record to the
// action unit it is made with; the main window's own host (TFormMain::calibrationHost) derives
// from it, with the window's unit, and adds the record.

#include <chrono>

class CalibrationHost {
public:
    virtual ~CalibrationHost() = default;

    virtual void stopAcquisitionThread() = 0;
    virtual void startAcquisitionThread() = 0;
    // One acquisition and display cycle; only while the worker is stopped.
    virtual void acquireAndDisplay() = 0;
    // Channel 1's raw record after the last cycle (controlGetBufferSize() samples), null
    // when there is none.
    virtual const short* rawDataCh1() = 0;

    virtual bool actionSetChannelOnOff(int ch, bool on) = 0;
    virtual bool actionSetVoltDiv(int ch, int voltDiv) = 0;
    virtual bool actionSetTimeDiv(int code) = 0;
    virtual bool actionSetOffset(int ch, double row) = 0;
    virtual bool actionSetTriggerLevel(int ch, double row) = 0;
    virtual bool actionSetCoupling(int ch, int coupling) = 0;
    virtual bool actionSetLineJoin(int mode) = 0;
    virtual bool actionSetHighFrequencyReject(bool on) = 0;
    virtual bool actionSetBandLimit(int ch, bool on) = 0;
    virtual bool actionSetEts(bool on) = 0;

    virtual void sleepFor(std::chrono::milliseconds duration) = 0;
};
