// Every fault the simulated instrument can inject, for good and once, against every operation
// that talks to it, the captures in AUTO, NORMAL and single shot: each fault for good ends
// with a clear outcome (an error, no trigger, no new data, or unharmed), each fault once in
// success, within 5 s of the instrument's clock, and no file of the installation changes.
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
    static const char* const names[] = {"start-up",       "calibration read", "real time",      "ETS", "RIS", "roll",
                                        "real time 500k", "zero calibration", "settings change"};
    return names[static_cast<int>(op)];
}

const char* name(Fault fault) {
    static const char* const names[] = {"stall",         "time-out",        "short read",    "unplug",
                                        "corrupt words", "status mismatch", "never triggers"};
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
    case Op::ETS:
        controlSetETSOnOff(true);
        controlSetTimeDiv(_20NS_DIV);
        break;
    case Op::RIS:
        controlSetETSOnOff(false);
        controlSetTimeDiv(_20NS_DIV);
        break;
    case Op::Roll: controlSetTimeDiv(26); break;
    case Op::RealTime500K:
        controlSetBufferSizeMode(_500K);
        controlSetTimeDiv(_10MS_DIV);
        break;
    default: controlSetTimeDiv(_1MS_DIV); break;
    }
}

// A fault for good hits every matching transfer; a fault once hits one (an unplugged device
// then arrives again, re-plugged, 200 ms later).
enum class Form { ForGood, Once };
// The capture's trigger mode, or single shot.
enum class Mode { Auto, Normal, Single };

const char* name(Form form) { return form == Form::Once ? "once" : "for good"; }
const char* name(Mode mode) {
    static const char* const names[] = {"AUTO", "NORMAL", "single shot"};
    return names[static_cast<int>(mode)];
}

constexpr int kBackAfterMs = 200;

void inject(SimulatedKernel& k, Fault fault, Op op, bool running, Form form) {
    // The calibration read is hit on its own request, the rest on every transfer.
    const int request = op == Op::CalibrationRead ? 0xC7 : -1;
    const bool bulkToo = op != Op::CalibrationRead && form == Form::ForGood;
    const int count = form == Form::Once ? 1 : UsbFault::FOR_GOOD;
    auto onWire = [&](UsbFault::Kind kind, int n) {
        UsbFault f{kind, request, false, 0, n, -1};
        if (kind == UsbFault::Kind::Unplug && form == Form::Once) f.backAfterMs = kBackAfterMs;
        // Once: the capture's first request, or its sample read.
        f.bulk = form == Form::Once && isCapture(op) && kind == UsbFault::Kind::ShortRead;
        k.bus->injectFault(f);
        if (bulkToo) k.bus->injectFault({kind, -1, true, 0, n, -1});
    };
    switch (fault) {
    case Fault::Stall: onWire(UsbFault::Kind::Stall, count); return;
    case Fault::TimeOut: onWire(UsbFault::Kind::Timeout, count); return;
    case Fault::ShortRead: onWire(UsbFault::Kind::ShortRead, count); return;
    case Fault::Unplug: onWire(UsbFault::Kind::Unplug, 1); return;
    case Fault::NeverTriggers: k.instrument().setTriggers(false); return; // once: triggers from the next cycle on
    case Fault::CorruptWords:
    case Fault::StatusMismatch: {
        auto records = SimRecords::forInstrument(k.generation(), 30, nullptr);
        SimRecords::Fault f;
        f.captures = form == Form::Once ? 1 : 1 << 30;
        f.corruptWord = fault == Fault::CorruptWords ? 4 : -1; // a word of channel 1
        f.mismatchedStatus = fault == Fault::StatusMismatch;
        records->injectFault(f);
        k.instrument().setRecordSource(std::move(records));
        if (running) controlSetTriggerMode(controlGetTriggerMode()); // the register block arms the new records
        return;
    }
    }
}

// A fault for good in AUTO mode.
Outcome expected(Fault fault, Op op, Mode mode) {
    const bool waitsForTrigger = mode != Mode::Auto && op != Op::Roll;
    if (onTheWire(fault)) {
        if (fault == Fault::TimeOut && isCapture(op)) return waitsForTrigger ? Outcome::NoTrigger : Outcome::TimeOut;
        return Outcome::Error;
    }
    if (op == Op::StartUp || op == Op::CalibrationRead || op == Op::Settings || op == Op::Roll) return Outcome::Works;
    if (op == Op::ZeroCalibration) return Outcome::Error;
    if (fault == Fault::NeverTriggers) return Outcome::NoTrigger;
    if (fault == Fault::CorruptWords) return Outcome::Error;
    // A single shot does not look at the status copies.
    if (mode == Mode::Single) return Outcome::Works;
    return Outcome::NoData;
}

bool runOp(Op op, SimulatedKernel& k, Mode mode) {
    switch (op) {
    case Op::StartUp:
    case Op::CalibrationRead: return k.create();
    case Op::ZeroCalibration: return controlZeroCalibration(_CH1) == 1;
    case Op::Settings: return controlSetVoltageDiv(_CH1, _1V_DIV);
    default: {
        short* record = nullptr;
        return mode == Mode::Single ? controlAcquireSingle(_CH1, &record, nullptr)
                                    : controlAcquire(_CH1, &record, nullptr);
    }
    }
}

TEST(FaultMatrix, EveryFaultEndsClearlyQuicklyAndChangesNoFile) {
    for (Form form : {Form::ForGood, Form::Once})
        for (Op op : {Op::StartUp, Op::CalibrationRead, Op::RealTime, Op::ETS, Op::RIS, Op::Roll, Op::RealTime500K,
                      Op::ZeroCalibration, Op::Settings})
            for (Mode mode : {Mode::Auto, Mode::Normal, Mode::Single})
                for (Fault fault : {Fault::Stall, Fault::TimeOut, Fault::ShortRead, Fault::Unplug, Fault::CorruptWords,
                                    Fault::StatusMismatch, Fault::NeverTriggers}) {
                    // An unprogrammed controller has no records to spoil; the trigger mode is a
                    // capture's matter; a single shot takes no ETS capture.
                    if (op == Op::StartUp && !onTheWire(fault)) continue;
                    if (!isCapture(op) && mode != Mode::Auto) continue;
                    if (op == Op::ETS && mode == Mode::Single) continue;
                    // Pulled during start-up, the device is gone for the start-up.
                    if (form == Form::Once && fault == Fault::Unplug &&
                        (op == Op::StartUp || op == Op::CalibrationRead))
                        continue;
                    // Its retries of a glitch are the calibration's own matter.
                    if (form == Form::Once && op == Op::ZeroCalibration) continue;
                    SCOPED_TRACE(std::string(name(fault)) + " " + name(form) + " x " + name(op) + " in " + name(mode));
                    const bool startUp = op == Op::StartUp || op == Op::CalibrationRead;
                    SimulatedKernel k(_HW4, op != Op::StartUp,
                                      "[HARDWARE]\ndefaultTimeOut=500\n[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=0\n");
                    k.dir().write("main/calibration.ini", "[Calibration]\nHardwareVersion=4\n");
                    if (!startUp) {
                        ASSERT_TRUE(k.create()) << get_error_text();
                        prepare(op);
                        if (mode == Mode::Normal) controlSetTriggerMode(_NORMAL);
                        if (mode == Mode::Single) controlSetRunState(_SINGLE);
                        get_error_text();
                    }
                    inject(k, fault, op, !startUp, form);
                    const auto files = filesIn(k.mainFile(""));
                    const auto before = k.bus->simulatedClock().now();
                    triggerTimeoutFlag = 0;

                    bool ok = runOp(op, k, mode);
                    std::string errors = get_error_text();
                    const bool told = !errors.empty() || !k.notifier->messages().empty();
                    if (form == Form::Once) {
                        // What the worker does next: the following cycles (taking a re-plugged
                        // instrument back first), or the user trying the setting again.
                        for (int attempt = 0; !ok && !startUp && attempt < 3; ++attempt) {
                            k.bus->simulatedClock().advance(std::chrono::milliseconds(kBackAfterMs / 2));
                            if (controlInstrumentReturned()) {
                                ASSERT_TRUE(controlReconnect()) << get_error_text();
                            }
                            if (fault == Fault::NeverTriggers) k.instrument().setTriggers(true);
                            triggerTimeoutFlag = 0;
                            ok = runOp(op, k, mode);
                            errors = get_error_text();
                        }
                        EXPECT_TRUE(ok) << errors;
                        if (op == Op::StartUp || op == Op::CalibrationRead) {
                            EXPECT_EQ(errors, "");
                        }
                    }
                    EXPECT_LE((k.bus->simulatedClock().now() - before).count(), 5000);
                    EXPECT_EQ(filesIn(k.mainFile("")), files);
                    if (form == Form::Once) {
                        triggerTimeoutFlag = 0;
                        continue;
                    }
                    switch (expected(fault, op, mode)) {
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

// An instrument that stops answering one request: start-up, and a later command that needs
// the request, end at the first write (or read) that fails twice, within 5 s of the
// instrument's clock, with one message: at start-up the error stack's text, which the
// program shows, later the command's own.
TEST(FaultMatrix, ADeadRequestEndsStartUpAndEveryCommandQuicklyWithOneMessage) {
    struct Row {
        int request;
        bool atStartUp;
        std::function<bool()> command; // after start-up
    };
    const auto voltDiv = [] { return controlSetVoltageDiv(_CH1, _2V_DIV); };
    const auto timeDiv = [] { return controlSetTimeDiv(_2MS_DIV); };
    const Row rows[] = {
        {0xD0, true, nullptr},  {0xB5, true, nullptr},  {0xC5, true, nullptr},  {0xB1, true, nullptr},
        {0xB2, true, nullptr},  {0xB3, true, nullptr},  {0xB4, true, nullptr},  {0xB5, false, voltDiv},
        {0xB2, false, voltDiv}, {0xB3, false, voltDiv}, {0xB1, false, timeDiv}, {0xB4, false, timeDiv},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.request) + (row.atStartUp ? " at start-up" : " in a command"));
        SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\n[HORIZONTAL]\ntimeDiv=17\n");
        if (!row.atStartUp) {
            ASSERT_TRUE(k.create()) << get_error_text();
            get_error_text();
        }
        k.bus->injectFault({UsbFault::Kind::Timeout, row.request, false, 0, UsbFault::FOR_GOOD, -1});
        const auto before = k.bus->simulatedClock().now();
        const bool ok = row.atStartUp ? k.create() : row.command();
        EXPECT_FALSE(ok);
        EXPECT_LE((k.bus->simulatedClock().now() - before).count(), 5000);
        const std::string errors = get_error_text();
        const std::vector<std::string> told = k.notifier->messages();
        if (row.atStartUp) {
            EXPECT_NE(errors, "");
            EXPECT_TRUE(told.empty()) << told.size() << " messages, the first " << told.front();
        } else {
            EXPECT_EQ(errors, "");
            EXPECT_EQ(told.size(), 1u);
        }
    }
}

// A glitch that a retry rides out leaves nothing behind: the FPGA-version read at start-up, and
// each of a zero calibration's first writes (the record length, the trigger mode).
TEST(FaultMatrix, AGlitchOnTheFirstRequestsIsAskedAgain) {
    struct Row {
        UsbFault::Kind kind;
        int request, skip;
        bool calibration;
        int count = 1;
    };
    const Row rows[] = {
        {UsbFault::Kind::Stall, 0xC5, 0, false},
        {UsbFault::Kind::ShortRead, 0xC5, 0, false},
        {UsbFault::Kind::Stall, -1, 0, true},
        {UsbFault::Kind::Timeout, -1, 0, true},
        {UsbFault::Kind::Stall, -1, 1, true},
        {UsbFault::Kind::Timeout, -1, 2, true},
        {UsbFault::Kind::Stall, -1, 3, true},
        {UsbFault::Kind::Timeout, -1, 4, true},
        // A sweep's offset-DAC write that fails twice is tried once more by the calibration.
        {UsbFault::Kind::Stall, 0xB2, 40, true, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(static_cast<int>(row.kind)) + " on " + std::to_string(row.request) + " after " +
                     std::to_string(row.skip) + (row.calibration ? " in a zero calibration" : " at start-up"));
        SimulatorConfig config;
        config.programmed = true;
        config.shortedInputs = true;
        SimulatedKernel k(std::make_shared<SimulatedBus>(config), false,
                          "[CHANNEL]\nchannelOnOff1=1\n[HORIZONTAL]\ntimeDiv=17\n[TRIGGER]\ntriggerMode=1\n");
        if (row.calibration) {
            ASSERT_TRUE(k.create()) << get_error_text();
            get_error_text();
        }
        k.bus->injectFault({row.kind, row.request, false, row.skip, row.count, -1});
        const bool ok = row.calibration ? controlZeroCalibration(_CH1) == 1 : k.create();
        EXPECT_TRUE(ok);
        EXPECT_EQ(std::string(get_error_text()), "");
        EXPECT_TRUE(k.notifier->messages().empty());
    }
}

} // namespace

// The take-back of a re-plugged unit (it returns as the unprogrammed controller), with each of
// its requests failing once or for good: a glitch is ridden out by the next attempt; a fault
// for good ends after the bounded attempts, told, and the next arrival starts over.
TEST(FaultMatrix, TheTakeBackRidesOutAGlitchAndEndsClearlyOnAFault) {
    struct Request {
        const char* what;
        int request;
    };
    const Request requests[] = {{"firmware download", 0xA0},  {"command", 0xD0},       {"relays", 0xB5},
                                {"calibration memory", 0xC7}, {"FPGA version", 0xC5},  {"register block", 0xB1},
                                {"DAC block", 0xB2},          {"time base byte", 0xB4}};
    for (const Request& r : requests)
        for (UsbFault::Kind kind : {UsbFault::Kind::Stall, UsbFault::Kind::Timeout})
            for (Form form : {Form::Once, Form::ForGood}) {
                SCOPED_TRACE(std::string(r.what) + (kind == UsbFault::Kind::Stall ? " stalls " : " times out ") +
                             name(form));
                SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=0\n");
                ASSERT_TRUE(k.create()) << get_error_text();
                ASSERT_TRUE(k.bus->replug(k.bus->attached().front(), std::chrono::milliseconds(kBackAfterMs)));
                k.bus->simulatedClock().advance(std::chrono::milliseconds(kBackAfterMs));
                ASSERT_NE(k.bus->controller(), nullptr);
                k.bus->injectFault({kind, r.request, false, 0, form == Form::Once ? 1 : UsbFault::FOR_GOOD, -1});
                get_error_text();
                const auto before = k.bus->simulatedClock().now();

                // What the worker does: one attempt a cycle while the take-back is under way.
                int attempts = 0;
                bool back = false;
                while (!back && controlInstrumentReturned() && attempts < 10) {
                    ++attempts;
                    back = controlReconnect();
                }
                const std::string errors = get_error_text();
                const long took = (k.bus->simulatedClock().now() - before).count();
                short* record = nullptr;
                if (form == Form::Once) {
                    EXPECT_TRUE(back) << errors;
                    EXPECT_LE(attempts, 2);
                    EXPECT_TRUE(controlAcquire(_CH1, &record, nullptr)) << get_error_text();
                    continue;
                }
                EXPECT_FALSE(back);
                EXPECT_EQ(attempts, Control::TAKE_BACK_ATTEMPTS);
                EXPECT_TRUE(!errors.empty() || !k.notifier->messages().empty());
                // Within 5 s an attempt; the relay initialisation pulses every relay whatever
                // its writes return, so a relay line that never answers takes longer.
                if (r.request != 0xB5 || kind != UsbFault::Kind::Timeout) {
                    EXPECT_LE(took, Control::TAKE_BACK_ATTEMPTS * 5000);
                }
                EXPECT_FALSE(controlInstrumentReturned()); // given up until the next arrival

                k.bus->clearFaults();
                const auto ids = k.bus->attached();
                ASSERT_FALSE(ids.empty());
                ASSERT_TRUE(k.bus->replug(ids.front(), std::chrono::milliseconds(kBackAfterMs)));
                controlAcquire(_CH1, &record, nullptr);
                k.bus->simulatedClock().advance(std::chrono::milliseconds(kBackAfterMs));
                ASSERT_TRUE(controlInstrumentReturned());
                EXPECT_TRUE(controlReconnect()) << get_error_text();
                EXPECT_TRUE(controlAcquire(_CH1, &record, nullptr)) << get_error_text();
            }
}

// A capture waiting for its trigger (NORMAL mode, single shot) may find its record held back
// at every read, ETS included: no trigger yet, no error. In AUTO mode it is a time-out.
TEST(FaultMatrix, ATimedOutReadOfACaptureWaitingForItsTriggerIsNoTrigger) {
    for (Op op : {Op::RealTime, Op::ETS, Op::RIS, Op::RealTime500K})
        for (Mode mode : {Mode::Auto, Mode::Normal, Mode::Single}) {
            if (op == Op::ETS && mode == Mode::Single) continue;
            SCOPED_TRACE(std::string(name(op)) + " in " + name(mode));
            SimulatedKernel k(_HW4, true,
                              "[HARDWARE]\ndefaultTimeOut=500\n[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=0\n");
            ASSERT_TRUE(k.create()) << get_error_text();
            prepare(op);
            if (mode == Mode::Normal) controlSetTriggerMode(_NORMAL);
            if (mode == Mode::Single) controlSetRunState(_SINGLE);
            get_error_text();
            k.bus->injectFault({UsbFault::Kind::Timeout, -1, true, 0, UsbFault::FOR_GOOD, -1});
            triggerTimeoutFlag = 0;
            // In AUTO mode the capture is asked again until its record is ready to be read.
            bool ok = runOp(op, k, mode);
            for (int i = 0; mode == Mode::Auto && !ok && triggerTimeoutFlag.load() && i < 50; ++i) {
                triggerTimeoutFlag = 0;
                ok = runOp(op, k, mode);
            }
            EXPECT_FALSE(ok);
            const std::string errors = get_error_text();
            if (mode == Mode::Auto) {
                EXPECT_NE(errors.find("Error : Time-out\n"), std::string::npos) << errors;
                EXPECT_EQ(triggerTimeoutFlag.load(), 0);
            } else {
                EXPECT_EQ(errors, "");
                EXPECT_TRUE(k.notifier->messages().empty());
                EXPECT_EQ(triggerTimeoutFlag.load(), 1);
            }
            triggerTimeoutFlag = 0;
        }
}
