#include "simulated_kernel.h"

#include "ini_file.h"
#include "notifier.h"

#include "buffer_display_data.h"
#include "calibration.h"
#include "hardware.h"
#include "instrument_settings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class KernelLifecycle : public ::testing::TestWithParam<int> {};

TEST_P(KernelLifecycle, StartsOnAnUnprogrammedInstrument) {
    const int generation = GetParam();
    SimulatedKernel k(generation, /*programmed=*/false);
    ASSERT_TRUE(k.create()) << get_error_text();
    EXPECT_EQ(controlGetHardwareVersion(), generation);
    EXPECT_EQ(controlGetAdcLevels(), generation <= _HW2 ? 4096 : 1024);
    EXPECT_EQ(g_control->p_state->d_bufferSizeMax, generation <= _HW2 ? _10K : _500K);
    EXPECT_EQ(g_control->p_state->d_FPGAVersion, k.bus->config().fpgaVersion);
    EXPECT_TRUE(g_control->p_calibration->d_fromHardware);
    EXPECT_EQ(g_control->p_hardware->d_numberOfReadRegisters, generation <= _HW2 ? 23u : 25u);
    // A default state file: channel 1 off, so no image; 1 V/div, 10 us/div, 10k points.
    EXPECT_EQ(controlGetTimeDiv(), _10US_DIV);
    EXPECT_EQ(controlGetBufferSizeMode(), _10K);
    EXPECT_EQ(controlGetRunState(), _RUN);
    EXPECT_STREQ(get_error_text(), "");
}

INSTANTIATE_TEST_SUITE_P(Generations, KernelLifecycle, ::testing::Values(_HW1, _HW2, _HW3, _HW4));

TEST(KernelLifecycleFile, StateFileIsWrittenOnlyAtTeardown) {
    const std::string original =
        "[CHANNEL]\nchannelOnOff1=1\nvoltageDiv1=5\n[HORIZONTAL]\nhorizontalPositionOff=250.7\n";
    SimulatedKernel k(_HW4, true, original);
    ASSERT_TRUE(k.create()) << get_error_text();
    EXPECT_EQ(TempDir::read(k.mainFile("state.ini")), original);
    EXPECT_EQ(controlGetChannelsOnOff(), _CH1_ON_CH2_OFF);
    EXPECT_NE(controlGetDisplayBuffer(_CH1), nullptr);
    EXPECT_EQ(controlGetDisplayBuffer(_CH2), nullptr);
    EXPECT_EQ(controlGetVoltageDiv(_CH1), 5);
    // Every apply drops the fractional part of the position.
    EXPECT_DOUBLE_EQ(controlGetHorizontalPosition(), 250.0);

    // A user's state file loaded into the kernel stays byte-identical.
    const std::string user = "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=1\nvoltageDiv2=3\n[TRIGGER]\ntriggerSource=2\n";
    const std::string userPath = k.dir().write("user.ini", user);
    EXPECT_TRUE(controlLoadState(userPath.c_str()));
    EXPECT_EQ(TempDir::read(userPath), user);
    EXPECT_EQ(controlGetChannelsOnOff(), _CH1_ON_CH2_ON);
    EXPECT_EQ(controlGetTriggerSource(), 2);
    EXPECT_EQ(g_control->p_state->d_fileName, k.mainFile("state.ini"));

    // What is no state file (junk, a picture, an empty file, a named pipe) is refused and
    // changes nothing; a pipe without writer must not block.
    ::mkfifo(k.dir().file("pipe.ini").c_str(), 0600);
    for (const std::string& notState : {k.dir().write("junk.ini", "\x89PNG\r\n\x1a\n[IHDR]\nsize=3\n"),
                                        k.dir().write("empty.ini", ""), k.dir().file("pipe.ini")}) {
        EXPECT_FALSE(controlLoadState(notState.c_str())) << notState;
        EXPECT_EQ(controlGetChannelsOnOff(), _CH1_ON_CH2_ON) << notState;
        EXPECT_EQ(controlGetTriggerSource(), 2) << notState;
    }

    controlDestroy();
    controlDestroy(); // the second does nothing
    IniFile written(k.mainFile("state.ini"));
    EXPECT_TRUE(written.readBool("CHANNEL", "channelOnOff2", false));
    EXPECT_EQ(written.readInteger("CHANNEL", "voltageDiv2", -1), 3);
}

TEST(KernelLifecycleFile, FailedInitWritesNoCalibrationFile) {
    SimulatedKernel k(_HW4, true);
    k.bus->unplug(k.bus->attached().front());
    EXPECT_FALSE(k.create());
    EXPECT_NE(g_control, nullptr);
    EXPECT_STREQ(get_error_text(), "Error : No TrevanA found\n");
    controlDestroy();
    EXPECT_EQ(g_control, nullptr);
    EXPECT_FALSE(std::filesystem::exists(k.mainFile("calibration.ini")));
}

// What the start's window shows on an unprogrammed instrument without its firmware file: the
// file, the folder it was looked for in and why.
TEST(KernelLifecycleFile, AMissingFirmwareFileIsNamedWithItsFolder) {
    SimulatedKernel k(_HW4, /*programmed=*/false);
    std::filesystem::remove(k.dir().file("firmware/trevan.hex"));
    EXPECT_FALSE(k.create());
    EXPECT_EQ(std::string(get_error_text()),
              "Error : No TrevanA found\nError : Download firmware failed (firmware file "
              "trevan.hex in " +
                  k.dir().file("firmware") + ": No such file or directory)\n");
    controlDestroy();
}

// Settings files that exist but cannot be read are told at start, once, and kept at Quit;
// a save that fails at Quit is told with the file's name and the reason.
TEST(KernelLifecycleFile, UnreadFilesAreToldAndKeptAndFailedSavesAreTold) {
    SimulatedKernel k(_HW4, true);
    const auto& notes = k.notifier;
    notes->clear();
    const std::string big = "[ID]\nHardwareVersion=4\n" + std::string(IniFile::MAX_FILE_SIZE, ';');
    const std::string calibration = k.dir().write("main/calibration.ini", big);
    ASSERT_TRUE(k.create()) << get_error_text();
    ASSERT_EQ(notes->messages().size(), 1u);
    EXPECT_EQ(notes->messages()[0],
              "Settings file not read: " + calibration +
                  " is not a settings file: it is larger than 1 MB. It is not used and not saved over.");
    // The state file's place is taken by a folder: its save fails.
    std::filesystem::remove(k.mainFile("state.ini"));
    std::filesystem::create_directories(k.mainFile("state.ini") + "/inside");
    notes->clear();
    controlDestroy();
    EXPECT_EQ(TempDir::read(calibration), big);
    const auto told = notes->messages();
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].rfind("Cannot save " + k.mainFile("state.ini") + " : cannot read", 0), 0u) << told[0];
    EXPECT_EQ(told[1], "Cannot save " + calibration + " : " + calibration +
                           " is not a settings file: it is larger than 1 MB; it is kept as it is");
}

// A calibration memory that cannot be read whole at start-up: the user's calibration file
// stays as it was, in the first pages and in those only the newer generations read.
TEST(KernelLifecycleFile, FailedCalibrationReadLeavesTheCalibrationFile) {
    const std::string original = "[ID]\nHardwareVersion=4\n[Offset]\noldOffsetCh1=7\n";
    struct Case {
        UsbFault::Kind kind;
        int skip; // pages read before the fault
    };
    for (const Case c :
         {Case{UsbFault::Kind::Stall, 0}, Case{UsbFault::Kind::Timeout, 3}, Case{UsbFault::Kind::ShortRead, 9}}) {
        SimulatedKernel k(_HW4, true);
        const std::string path = k.dir().write("main/calibration.ini", original);
        UsbFault fault;
        fault.kind = c.kind;
        fault.request = 0xC7;
        fault.skip = c.skip;
        fault.count = -1;
        k.bus->injectFault(fault);
        EXPECT_FALSE(k.create()) << c.skip;
        controlDestroy();
        EXPECT_EQ(TempDir::read(path), original) << c.skip;
    }
}

// A re-plugged instrument arrives powered up afresh on a new address, as its unprogrammed
// controller: the kernel loads its firmware and takes it back with its calibration and the
// user's settings, in the user's trigger mode.
TEST(KernelLifecycleFile, AReplugedInstrumentIsTakenBackInTheUsersSettings) {
    for (int mode : {int(_AUTO), int(_NORMAL)}) {
        SimulatedKernel k(_HW4, true, "[CHANNEL]\nchannelOnOff1=1\nchannelOnOff2=0\n");
        ASSERT_TRUE(k.create()) << get_error_text();
        ASSERT_TRUE(controlSetVoltageDiv(_CH1, _1V_DIV));
        ASSERT_TRUE(controlSetTriggerMode(mode));
        const InstrumentSettings wanted = k.instrument().settings();
        const UsbDeviceId before = k.bus->attached().front();

        ASSERT_TRUE(k.bus->replug(before, std::chrono::milliseconds(300)));
        short* record = nullptr;
        EXPECT_FALSE(controlAcquire(_CH1, &record, nullptr));
        EXPECT_TRUE(controlGetInstrumentGone());
        EXPECT_FALSE(controlInstrumentReturned());
        k.bus->simulatedClock().advance(std::chrono::milliseconds(300));
        ASSERT_NE(k.bus->controller(), nullptr); // back unprogrammed, as a unit without power
        ASSERT_TRUE(controlInstrumentReturned());
        get_error_text();

        ASSERT_TRUE(controlReconnect()) << get_error_text();
        EXPECT_NE(k.bus->attached().front(), before);
        EXPECT_FALSE(controlGetInstrumentGone());
        EXPECT_FALSE(controlInstrumentReturned());
        const InstrumentSettings now = k.instrument().settings();
        EXPECT_EQ(now.channel[0].attenuatorRange, wanted.channel[0].attenuatorRange);
        EXPECT_EQ(now.channel[0].highGain, wanted.channel[0].highGain);
        EXPECT_EQ(now.channel[0].offsetDac, wanted.channel[0].offsetDac);
        EXPECT_EQ(now.timeDivCode, wanted.timeDivCode);
        EXPECT_EQ(now.normalTriggerMode, mode == _NORMAL);
        EXPECT_EQ(controlGetVoltageDiv(_CH1), _1V_DIV);
        EXPECT_TRUE(controlAcquire(_CH1, &record, nullptr)) << get_error_text();
        EXPECT_STREQ(get_error_text(), "");
    }
}

// With the delay on, the saved horizontal position is the one in force after start-up and
// after loading a state file, on the wire too; the state file keeps it.
TEST(KernelLifecycleFile, TheDelayedPositionIsAppliedAsSaved) {
    struct Case {
        int timeDiv;
        double position;
    };
    auto stateFile = [](const Case& c) {
        return "[CHANNEL]\nchannelOnOff1=1\n[HORIZONTAL]\ndelayOnOff=1\ntimeDiv=" + std::to_string(c.timeDiv) +
               "\nhorizontalPositionOn=" + std::to_string(c.position) + "\n";
    };
    for (const Case c : {Case{17, 100}, Case{20, 100}, Case{23, -3000}}) {
        SimulatedKernel k(_HW4, true, stateFile(c));
        ASSERT_TRUE(k.create()) << get_error_text();
        EXPECT_DOUBLE_EQ(controlGetHorizontalPosition(), c.position) << "start-up at " << c.timeDiv;
        const int counter = k.instrument().settings().delayCounter;
        ASSERT_TRUE(controlSetHorizontalPosition(c.position));
        EXPECT_EQ(k.instrument().settings().delayCounter, counter) << "start-up at " << c.timeDiv;

        const Case loaded{c.timeDiv == 17 ? 20 : 17, 60};
        ASSERT_TRUE(controlLoadState(k.dir().write("user.ini", stateFile(loaded)).c_str()));
        EXPECT_DOUBLE_EQ(controlGetHorizontalPosition(), loaded.position) << "loaded at " << loaded.timeDiv;

        controlDestroy();
        EXPECT_DOUBLE_EQ(IniFile(k.mainFile("state.ini")).readFloat("HORIZONTAL", "horizontalPositionOn", 0),
                         loaded.position);
    }
}

TEST(KernelLifecycleFile, MissingRegistryFails) {
    // Without a user file the kernel reads the system-wide one, which the installed package
    // puts there.
    if (std::filesystem::exists("/etc/velmora2/registry.ini")) GTEST_SKIP() << "/etc/velmora2/registry.ini exists";
    SimulatedKernel k(_HW4, true);
    std::filesystem::remove(k.dir().file("config/velmora2/registry.ini"));
    ::setenv("XDG_CONFIG_HOME", k.dir().file("nothing").c_str(), 1);
    EXPECT_FALSE(k.create());
    EXPECT_EQ(std::string(get_error_text()), "Error : Can't find TrevanA Path from the registry\n");
}

TEST(KernelConversions, RatiosAndRefusedChannels) {
    EXPECT_DOUBLE_EQ(Control::timeRatio(11, 12), 2.0);
    EXPECT_DOUBLE_EQ(Control::voltRatio(7, 8), 0.5);
    SimulatedKernel k(_HW2, true);
    ASSERT_TRUE(k.create()) << get_error_text();
    EXPECT_EQ(controlGetDisplayBuffer(5), nullptr);
    EXPECT_EQ(controlGetDisplayBuffer(0), nullptr);
    EXPECT_FALSE(controlGetChannelOnOff(7));
    EXPECT_EQ(controlGetVoltageDiv(-1), 0);
}

} // namespace
