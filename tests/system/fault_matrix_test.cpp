// Every fault the simulated instrument can inject against every operation that talks to it:
// each ends with a clear outcome (an error, no trigger, no new data, or unharmed), within 5 s
// of the instrument's clock, and no file of the installation changes.
#include "simulated_kernel.h"

#include "sim_records.h"
#include "thread_flags.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace {

enum class Op { StartUp, CalibrationRead, RealTime, ETS, RIS, Roll, RealTime500K, ZeroCalibration, Settings };
enum class Fault { Stall, TimeOut, ShortRead, Unplug, CorruptWords, StatusMismatch, NeverTriggers };
enum class Outcome {
    Error,     // the operation fails and says why (error stack or a message)
    TimeOut,   // ... and the error stack says "Time-out"
    NoTrigger, // a capture without a trigger (triggerTimeoutFlag), no error
    NoData,    // a capture that brings no new record
    Works,     // the fault does not touch this operation
};

const char* name(Op op) {
    static const char* const names[] = {"start-up", "calibration read", "real time", "ETS", "RIS", "roll",
                                        "real time 500k", "zero calibration", "settings change"};
    return names[static_cast<int>(op)];
}

const char* name(Fault fault) {
    static const char* const names[] = {"stall", "time-out", "short read", "unplug", "corrupt words",
                                        "status mismatch", "never triggers"};
    return names[static_cast<int>(fault)];
}

bool isCapture(Op op) { return op >= Op::RealTime && op <= Op::RealTime500K; }
bool onTheWire(Fault fault) { return fault <= Fault::Unplug; }

std::map<std::string, std::string> filesIn(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files[entry.path().filename().string()] = bytes.str();
    }
    return files;
}

// The settings each capture works in, on a running kernel.
void prepare(Op op) {
    controlSetChannelOnOff(_CH1, true);
    controlSetChannelOnOff(_CH2, false);
    controlSetTriggerMode(_AUTO);
    switch (op) {
    case Op::ETS: controlSetETSOnOff(true); controlSetTimeDiv(_20NS_DIV); break;
    case Op::RIS: controlSetETSOnOff(false); controlSetTimeDiv(_20NS_DIV); break;
    case Op::Roll: controlSetTimeDiv(26); break;
    case Op::RealTime500K: controlSetBufferSizeMode(_500K); controlSetTimeDiv(_10MS_DIV); break;
    default: controlSetTimeDiv(_1MS_DIV); break;
    }
}

void inject(SimulatedKernel& k, Fault fault, Op op, bool running) {
    // The calibration read is hit on its own request, the rest on every transfer.
    const int request = op == Op::CalibrationRead ? 0xC7 : -1;
    const bool bulkToo = op != Op::CalibrationRead;
    auto onWire = [&](UsbFault::Kind kind, int count) {
        k.bus->injectFault({kind, request, false, 0, count, -1});
        if (bulkToo) k.bus->injectFault({kind, -1, true, 0, count, -1});
    };
    switch (fault) {
    case Fault::Stall: onWire(UsbFault::Kind::Stall, -1); return;
    case Fault::TimeOut: onWire(UsbFault::Kind::Timeout, -1); return;
    case Fault::ShortRead: onWire(UsbFault::Kind::ShortRead, -1); return;
    case Fault::Unplug: onWire(UsbFault::Kind::Unplug, 1); return;
    case Fault::NeverTriggers: k.instrument().setTriggers(false); return;
    case Fault::CorruptWords:
    case Fault::StatusMismatch: {
        auto records = SimRecords::forInstrument(k.generation(), 30, nullptr);
        SimRecords::Fault f;
        f.captures = 1 << 30;
        f.corruptWord = fault == Fault::CorruptWords ? 4 : -1; // a word of channel 1
        f.mismatchedStatus = fault == Fault::StatusMismatch;
        records->injectFault(f);
        k.instrument().setRecordSource(std::move(records));
        if (running) controlSetTriggerMode(controlGetTriggerMode()); // the register block arms the new records
        return;
    }
    }
}

Outcome expected(Fault fault, Op op) {
    if (onTheWire(fault)) return fault == Fault::TimeOut && isCapture(op) ? Outcome::TimeOut : Outcome::Error;
    if (op == Op::StartUp || op == Op::CalibrationRead || op == Op::Settings || op == Op::Roll) return Outcome::Works;
    if (op == Op::ZeroCalibration) return Outcome::Error;
    if (fault == Fault::NeverTriggers) return Outcome::NoTrigger;
    if (fault == Fault::CorruptWords) return Outcome::Error;
    return Outcome::NoData;
}

TEST(FaultMatrix, EveryFaultEndsClearlyQuicklyAndChangesNoFile) {
    for (Op op : {Op::StartUp, Op::CalibrationRead, Op::RealTime, Op::ETS, Op::RIS, Op::Roll, Op::RealTime500K,
                  Op::ZeroCalibration, Op::Settings})
        for (Fault fault : {Fault::Stall, Fault::TimeOut, Fault::ShortRead, Fault::Unplug, Fault::CorruptWords,
                            Fault::StatusMismatch, Fault::NeverTriggers}) {
            // An unprogrammed controller has no records to spoil.
            if (op == Op::StartUp && !onTheWire(fault)) continue;
            SCOPED_TRACE(std::string(name(fault)) + " x " + name(op));
            const bool startUp = op == Op::StartUp || op == Op::CalibrationRead;
            SimulatedKernel k(_HW4, op != Op::StartUp,
                              "[HARDWARE]\ndefaultTimeOut=500\n[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=0\n");
            k.dir().write("main/calibration.ini", "[Calibration]\nHardwareVersion=4\n");
            if (!startUp) {
                ASSERT_TRUE(k.create()) << get_error_text();
                prepare(op);
                get_error_text();
            }
            inject(k, fault, op, !startUp);
            const auto files = filesIn(k.mainFile(""));
            const auto before = k.bus->simulatedClock().now();
            triggerTimeoutFlag = 0;

            bool ok = false;
            switch (op) {
            case Op::StartUp:
            case Op::CalibrationRead: ok = k.create(); break;
            case Op::ZeroCalibration: ok = controlZeroCalibration(_CH1) == 1; break;
            case Op::Settings: ok = controlSetVoltageDiv(_CH1, _1V_DIV); break;
            default: {
                short* record = nullptr;
                ok = controlAcquire(_CH1, &record, nullptr);
                break;
            }
            }
            const std::string errors = get_error_text();
            const bool told = !errors.empty() || !k.notifier->messages().empty();

            EXPECT_LE((k.bus->simulatedClock().now() - before).count(), 5000);
            EXPECT_EQ(filesIn(k.mainFile("")), files);
            switch (expected(fault, op)) {
            case Outcome::Works: EXPECT_TRUE(ok) << errors; break;
            case Outcome::TimeOut:
                EXPECT_FALSE(ok);
                EXPECT_NE(errors.find("Error : Time-out\n"), std::string::npos) << errors;
                EXPECT_TRUE(controlGetCaptureTimedOut());
                EXPECT_EQ(triggerTimeoutFlag.load(), 0);
                break;
            case Outcome::Error:
                EXPECT_FALSE(ok);
                EXPECT_TRUE(told);
                if (isCapture(op)) {
                    EXPECT_EQ(triggerTimeoutFlag.load(), 0);
                }
                break;
            case Outcome::NoTrigger:
                EXPECT_FALSE(ok);
                EXPECT_EQ(triggerTimeoutFlag.load(), 1);
                EXPECT_EQ(errors, "");
                break;
            case Outcome::NoData:
                EXPECT_FALSE(ok);
                EXPECT_EQ(triggerTimeoutFlag.load(), 0);
                break;
            }
            triggerTimeoutFlag = 0;
        }
}

} // namespace
