// The simulated bus: hot-plug events, the unprogrammed controller, fault injection, the
// relay coils, the clock and the settings of an installation.

#include "ini_file.h"
#include "relay_bank.h"
#include "simulated_bus.h"
#include "simulated_controller.h"
#include "simulated_instrument.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

using std::chrono::milliseconds;

struct Event {
    std::uint16_t product;
    bool arrived;
    long time;
    bool operator==(const Event&) const = default;
};

UsbSetupPacket packet(std::uint8_t type, std::uint8_t request, std::uint16_t value, std::uint16_t length) {
    UsbSetupPacket p;
    p.requestType = type;
    p.request = request;
    p.value = value;
    p.length = length;
    return p;
}

UsbStatus send(UsbDevice& device, std::uint8_t request, std::uint16_t value, std::vector<unsigned char> data) {
    int transferred = 0;
    return device.control(packet(0x40, request, value, static_cast<std::uint16_t>(data.size())), data.data(),
                          transferred, 1000);
}

TEST(SimulatedController, RamCpuAndLoader) {
    SimulatedBus bus;
    auto controller = bus.controller();
    ASSERT_TRUE(controller);
    EXPECT_TRUE(controller->cpuHeld()); // as after power-up
    UsbStatus status;
    auto device = bus.open(bus.attached().front(), status);
    ASSERT_TRUE(device);

    EXPECT_EQ(send(*device, 0xA0, 0x1000, {1, 2, 3}), UsbStatus::Success);
    EXPECT_EQ(controller->memoryAt(0x1001), 2);
    std::array<unsigned char, 3> back{};
    int transferred = 0;
    EXPECT_EQ(device->control(packet(0xC0, 0xA0, 0x1000, 3), back.data(), transferred, 1000), UsbStatus::Success);
    EXPECT_EQ(back, (std::array<unsigned char, 3>{1, 2, 3}));
    // Its own load request reaches internal RAM only; 0xA3 needs the loader.
    EXPECT_EQ(send(*device, 0xA0, 0x1FFF, {1, 2}), UsbStatus::Stall);
    EXPECT_EQ(send(*device, 0xA3, 0x3000, {9}), UsbStatus::Stall);

    // A program that is neither loader nor firmware: nothing happens.
    EXPECT_EQ(send(*device, 0xA0, 0x7F92, {0}), UsbStatus::Success);
    EXPECT_FALSE(controller->loaderRunning());
    EXPECT_EQ(send(*device, 0xA3, 0x3000, {9}), UsbStatus::Stall);

    const std::string mark = "VELMORA2 LOADER A3";
    EXPECT_EQ(send(*device, 0xA0, 0x7F92, {1}), UsbStatus::Success);
    EXPECT_EQ(send(*device, 0xA0, 0x0100, std::vector<unsigned char>(mark.begin(), mark.end())), UsbStatus::Success);
    EXPECT_EQ(send(*device, 0xA0, 0x7F92, {0}), UsbStatus::Success);
    EXPECT_TRUE(controller->loaderRunning());
    EXPECT_EQ(send(*device, 0xA3, 0xFFFF, {9}), UsbStatus::Success);
    EXPECT_EQ(controller->memoryAt(0xFFFF), 9);
    EXPECT_EQ(send(*device, 0xA3, 0xFFFF, {9, 9}), UsbStatus::Stall);
    EXPECT_EQ(send(*device, 0xA0, 0x7F92, {1}), UsbStatus::Success);
    EXPECT_FALSE(controller->loaderRunning());
    EXPECT_EQ(send(*device, 0xA3, 0x3000, {9}), UsbStatus::Stall);
    EXPECT_EQ(controller->cpuStarts(), 2);
}

TEST(SimulatedController, FirmwareWithADescriptorReenumerates) {
    SimulatorConfig config;
    config.reenumerationDelay = milliseconds(300);
    config.hardwareVersion = 2;
    SimulatedBus bus(config);
    std::vector<Event> events;
    bus.watch(0x0547, 0x2131, [&](const UsbDeviceInfo& d, bool arrived) {
        events.push_back({d.productId, arrived, static_cast<long>(bus.simulatedClock().now().count())});
    });
    bus.watch(0x0DA8, 0x0001, [&](const UsbDeviceInfo& d, bool arrived) {
        events.push_back({d.productId, arrived, static_cast<long>(bus.simulatedClock().now().count())});
    });
    UsbStatus status;
    auto device = bus.open(bus.attached().front(), status);
    // A device descriptor of vendor 0x0DA8, product 0x0001 somewhere in memory.
    const std::vector<unsigned char> descriptor = {0x12, 0x01, 0x10, 0x01, 0xFF, 0xFF, 0xFF, 0x40, 0xA8,
                                                   0x0D, 0x01, 0x00, 0x01, 0x00, 0x01, 0x02, 0x00, 0x01};
    EXPECT_EQ(send(*device, 0xA0, 0x1800, descriptor), UsbStatus::Success);
    EXPECT_EQ(send(*device, 0xA0, 0x7F92, {0}), UsbStatus::Success);
    EXPECT_TRUE(bus.controller()->firmwareStarted());
    bus.simulatedClock().advance(milliseconds(1000));
    // The CPU starts within the first millisecond (two requests of 375 us).
    EXPECT_EQ(events, (std::vector<Event>{{0x2131, true, 0}, {0x2131, false, 10}, {0x0001, true, 300}}));
    // The old handle is dead, the instrument has the configured generation.
    EXPECT_EQ(send(*device, 0xA0, 0x1000, {1}), UsbStatus::NoDevice);
    ASSERT_TRUE(bus.instrument());
    EXPECT_EQ(bus.instrument()->generation(), 2);
}

TEST(SimulatedBus, WatchReportsPresentDevicesAndStopsAfterUnwatch) {
    SimulatorConfig config;
    config.programmed = true;
    config.devices = 2;
    SimulatedBus bus(config);
    int arrivals = 0, departures = 0;
    auto id =
        bus.watch(0x0DA8, 0x0001, [&](const UsbDeviceInfo&, bool arrived) { (arrived ? arrivals : departures)++; });
    EXPECT_EQ(arrivals, 2);
    bus.unplug(bus.attached().front());
    EXPECT_EQ(departures, 1);
    bus.unwatch(id);
    bus.unplug(bus.attached().front());
    EXPECT_EQ(departures, 1);
    EXPECT_TRUE(bus.enumerate(0x0DA8, 0x0001).empty());
    // A device that comes back is a new attachment.
    const UsbDeviceId again = bus.plug(bus.makeInstrument(nullptr, 0x0DA8, 0x0001));
    EXPECT_EQ(bus.enumerate(0x0DA8, 0x0001).front().id, again);
}

// Re-plugged, by hand or by an unplug fault that brings it back, the instrument leaves, and
// arrives after the delay on a new address, powered up afresh with its own calibration memory:
// as its unprogrammed controller, or programmed when the configuration asks for it.
TEST(SimulatedBus, AReplugedInstrumentArrivesAgainOnANewAddress) {
    for (bool programmed : {true, false})
        for (bool byFault : {false, true}) {
            SCOPED_TRACE(std::string(programmed ? "programmed" : "unprogrammed") + (byFault ? " by fault" : ""));
            SimulatorConfig config;
            config.programmed = true;
            config.returnProgrammed = programmed;
            SimulatedBus bus(config);
            const std::uint16_t vendor = programmed ? 0x0DA8 : 0x0547, product = programmed ? 0x0001 : 0x2131;
            std::vector<std::pair<UsbDeviceId, bool>> events;
            auto record = [&](const UsbDeviceInfo& d, bool arrived) { events.push_back({d.id, arrived}); };
            auto watch = bus.watch(0x0DA8, 0x0001, record);
            auto controllerWatch = bus.watch(0x0547, 0x2131, record);
            const UsbDeviceId first = bus.attached().front();
            const int firstAddress = bus.enumerate(0x0DA8, 0x0001).front().address;
            CalibrationImage::Bytes memory = bus.instrument()->calibrationMemory();
            memory[5] ^= 0x5A;
            bus.instrument()->setCalibrationMemory(memory);
            unsigned char byte = 0x12;
            int transferred = 0;
            UsbStatus status;
            auto device = bus.open(first, status);
            ASSERT_EQ(device->control(packet(0x40, 0xB4, 0, 1), &byte, transferred, 500), UsbStatus::Success);
            if (byFault) {
                UsbFault unplug{UsbFault::Kind::Unplug, 0xC5};
                unplug.backAfterMs = 300;
                bus.injectFault(unplug);
                EXPECT_EQ(device->control(packet(0xC0, 0xC5, 0, 1), &byte, transferred, 500), UsbStatus::NoDevice);
            } else {
                ASSERT_TRUE(bus.replug(first, milliseconds(300)));
            }
            EXPECT_TRUE(bus.attached().empty());
            bus.simulatedClock().advance(milliseconds(299));
            EXPECT_TRUE(bus.enumerate(vendor, product).empty());
            bus.simulatedClock().advance(milliseconds(1));
            const std::vector<UsbDeviceInfo> found = bus.enumerate(vendor, product);
            ASSERT_EQ(found.size(), 1u);
            EXPECT_NE(found.front().id, first);
            EXPECT_NE(found.front().address, firstAddress);
            EXPECT_EQ(events, (std::vector<std::pair<UsbDeviceId, bool>>{
                                  {first, true}, {first, false}, {found.front().id, true}}));
            if (programmed) {
                EXPECT_EQ(bus.instrument()->calibrationMemory(), memory);
                EXPECT_EQ(bus.instrument()->registers().timeBaseByte, 0); // nothing programmed
            } else {
                EXPECT_EQ(bus.instrument(), nullptr);
                ASSERT_NE(bus.controller(), nullptr);
                EXPECT_TRUE(bus.controller()->cpuHeld());
            }
            // The old handle reaches nothing.
            EXPECT_EQ(device->control(packet(0xC0, 0xC5, 0, 1), &byte, transferred, 500), UsbStatus::NoDevice);
            bus.unwatch(watch);
            bus.unwatch(controllerWatch);
        }
}

struct FaultCase {
    const char* name;
    UsbFault fault;
    unsigned int timeoutMs;
    UsbStatus status;
    int transferred;
    long clockMoves;
    bool stillAttached;
};

TEST(SimulatedBus, InjectedFaults) {
    // A transfer that ends takes 375 us (below the clock's millisecond: owed to the next
    // transfers); a time-out has had its time.
    const FaultCase cases[] = {
        {"stall", {UsbFault::Kind::Stall, 0xC7}, 500, UsbStatus::Stall, 0, 0, true},
        {"time-out", {UsbFault::Kind::Timeout, 0xC7}, 500, UsbStatus::Timeout, 0, 500, true},
        {"time-out without limit", {UsbFault::Kind::Timeout, 0xC7}, 0, UsbStatus::Timeout, 0, 60000, true},
        {"time-out after some bytes",
         {UsbFault::Kind::Timeout, 0xC7, false, 0, 1, 10},
         500,
         UsbStatus::Timeout,
         10,
         500,
         true},
        {"short read", {UsbFault::Kind::ShortRead, 0xC7}, 500, UsbStatus::Success, 32, 0, true},
        {"short read of 5", {UsbFault::Kind::ShortRead, -1, false, 0, 1, 5}, 500, UsbStatus::Success, 5, 0, true},
        {"unplug mid-transfer",
         {UsbFault::Kind::Unplug, 0xC7, false, 0, 1, 20},
         500,
         UsbStatus::NoDevice,
         20,
         0,
         false},
        {"other request untouched", {UsbFault::Kind::Stall, 0xC5}, 500, UsbStatus::Success, 64, 0, true},
        {"skipped once", {UsbFault::Kind::Stall, 0xC7, false, 1}, 500, UsbStatus::Success, 64, 0, true},
        {"bulk only", {UsbFault::Kind::Stall, -1, true}, 500, UsbStatus::Success, 64, 0, true},
    };
    for (const FaultCase& c : cases) {
        SimulatorConfig config;
        config.programmed = true;
        SimulatedBus bus(config);
        UsbStatus status;
        auto device = bus.open(bus.attached().front(), status);
        bus.injectFault(c.fault);
        std::array<unsigned char, 64> page{};
        int transferred = -1;
        EXPECT_EQ(device->control(packet(0xC0, 0xC7, 0x1C00, 64), page.data(), transferred, c.timeoutMs), c.status)
            << c.name;
        EXPECT_EQ(transferred, c.transferred) << c.name;
        EXPECT_EQ(bus.simulatedClock().now().count(), c.clockMoves) << c.name;
        EXPECT_EQ(!bus.attached().empty(), c.stillAttached) << c.name;
        if (c.transferred > 0) {
            // What did arrive is the memory's own content.
            EXPECT_EQ(page[0], bus.instrument() ? bus.instrument()->calibrationMemory()[0] : page[0]) << c.name;
        }
    }
    // High speed: three 125 us microframes a request, not a full-speed bus's 1 ms frame.
    SimulatorConfig config;
    config.programmed = true;
    SimulatedBus bus(config);
    UsbStatus status;
    auto device = bus.open(bus.attached().front(), status);
    std::array<unsigned char, 64> page{};
    int transferred = 0;
    for (int i = 0; i < 8; ++i) device->control(packet(0xC0, 0xC7, 0x1C00, 64), page.data(), transferred, 500);
    EXPECT_EQ(bus.simulatedClock().now().count(), 3);
}

TEST(SimulatedBus, FaultsThatLastAndFaultsThatEnd) {
    SimulatorConfig config;
    config.programmed = true;
    SimulatedBus bus(config);
    UsbStatus status;
    auto device = bus.open(bus.attached().front(), status);
    unsigned char byte = 0;
    int transferred = 0;
    bus.injectFault({UsbFault::Kind::Stall, 0xC5, false, 0, 2});
    for (UsbStatus expected : {UsbStatus::Stall, UsbStatus::Stall, UsbStatus::Success})
        EXPECT_EQ(device->control(packet(0xC0, 0xC5, 0, 1), &byte, transferred, 500), expected);
    bus.injectFault({UsbFault::Kind::Stall, 0xC5, false, 0, -1});
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(device->control(packet(0xC0, 0xC5, 0, 1), &byte, transferred, 500), UsbStatus::Stall);
    bus.clearFaults();
    EXPECT_EQ(device->control(packet(0xC0, 0xC5, 0, 1), &byte, transferred, 500), UsbStatus::Success);
}

TEST(SimulatedBus, TheTransferLogKeepsOnlyTheNewest) {
    for (int limit : {0, 3}) {
        SimulatorConfig config;
        config.programmed = true;
        config.transferLog = limit;
        SimulatedBus bus(config);
        UsbStatus status;
        auto device = bus.open(bus.attached().front(), status);
        unsigned char page[64] = {};
        int transferred = 0;
        for (int i = 0; i < 10; ++i)
            device->control(packet(0xC0, 0xC7, static_cast<std::uint16_t>(0x1C00 + 64 * i), 64), page, transferred,
                            500);
        const std::vector<TransferRecord> log = bus.transfers();
        ASSERT_EQ(log.size(), static_cast<size_t>(limit));
        for (int k = 0; k < limit; ++k) EXPECT_EQ(log[static_cast<size_t>(k)].setup.value, 0x1C00 + 64 * (7 + k));
    }
}

TEST(RelayBank, PulsesMoveTheLatchingRelays) {
    RelayBank relays;
    long t = 0;
    auto pulse = [&](unsigned char lines, long held) {
        relays.write(lines, milliseconds(t));
        t += held;
        relays.write(0x00, milliseconds(t));
        t += 20;
    };
    pulse(0x06, 20); // set both relays of the channel 1 attenuator
    EXPECT_EQ(relays.relays(), 0x06);
    EXPECT_EQ(relays.relayByte(), 0x02);
    pulse(0xF9, 20); // reset them
    pulse(0x04, 20); // set the upper one only
    EXPECT_EQ(relays.relayByte(), 0x04);
    pulse(0x31, 20);
    EXPECT_EQ(relays.relayByte(), 0x15);
    pulse(0xFE, 5); // too short: nothing moves
    EXPECT_EQ(relays.relayByte(), 0x15);
    EXPECT_EQ(relays.shortPulses(), 1);
    pulse(0x02, 20); // the lower relay alone is no position of the attenuator
    pulse(0xFB, 20);
    EXPECT_EQ(relays.relayByte() & 0x06, 0x06);
    relays.write(0x08, milliseconds(t));
    relays.write(0x01, milliseconds(t + 20)); // a pulse straight after another
    EXPECT_EQ(relays.unreleasedPulses(), 1);
    EXPECT_EQ(relays.relayByte() & 0x08, 0x08);
}

TEST(SimulatedClock, VirtualTimeRunsActionsInOrder) {
    SimulatedClock clock;
    std::vector<int> ran;
    clock.schedule(milliseconds(30), [&] { ran.push_back(30); });
    clock.schedule(milliseconds(10), [&] { ran.push_back(10); });
    clock.schedule(milliseconds(10), [&] { ran.push_back(11); });
    clock.advance(milliseconds(20));
    EXPECT_EQ(ran, (std::vector<int>{10, 11}));
    EXPECT_EQ(clock.now().count(), 20);

    // A wait ends when an action makes its condition true, at that action's time.
    std::mutex mutex;
    std::condition_variable cv;
    bool flag = false;
    clock.schedule(milliseconds(500), [&] {
        std::lock_guard lock(mutex);
        flag = true;
    });
    std::unique_lock lock(mutex);
    EXPECT_TRUE(clock.waitFor(lock, cv, milliseconds(2000), [&] { return flag; }));
    EXPECT_EQ(clock.now().count(), 520);
    flag = false;
    EXPECT_FALSE(clock.waitFor(lock, cv, milliseconds(2000), [&] { return flag; }));
    EXPECT_EQ(clock.now().count(), 2520);
    EXPECT_EQ(clock.pending(), 0u);
}

TEST(SimulatorConfig, ReadFromTheRegistryFile) {
    TempDir dir;
    IniFile ini(dir.write("r.ini", "[Simulator]\nhardwareVersion=7\nprogrammed=1\ndevices=5\nfpgaVersion=18\n"
                                   "chipTemperature=-200\nreenumerationDelay=250\nrealTime=1\ntransferLog=-5\n"
                                   "holdStatusPoll=0\nshortedInputs=1\nreturnProgrammed=1\nglitchEvery=7\n"
                                   "glitchKind=9\nunplugEveryMs=-4\nunplugBackAfterMs=250\npaceRecords=0\n"));
    SimulatorConfig defaults;
    const SimulatorConfig c = SimulatorConfig::read(ini, "Simulator", defaults);
    EXPECT_EQ(c.hardwareVersion, 4);
    EXPECT_TRUE(c.programmed);
    EXPECT_EQ(c.devices, 5);
    EXPECT_EQ(c.fpgaVersion, 18);
    EXPECT_EQ(c.chipTemperature, -128);
    EXPECT_EQ(c.reenumerationDelay, milliseconds(250));
    EXPECT_EQ(c.clockMode, SimulatedClock::Mode::RealTime);
    EXPECT_EQ(c.transferLog, 0);
    EXPECT_FALSE(c.holdStatusPoll);
    EXPECT_TRUE(defaults.holdStatusPoll);
    EXPECT_TRUE(c.shortedInputs);
    EXPECT_TRUE(c.returnProgrammed);
    EXPECT_FALSE(c.paceRecords);
    EXPECT_EQ(c.glitchEvery, 7);
    EXPECT_EQ(c.glitchKind, 2);
    EXPECT_EQ(c.unplugEveryMs, 0);
    EXPECT_EQ(c.unplugBackAfterMs, 250);
    const SimulatorConfig none = SimulatorConfig::read(IniFile(dir.file("none.ini")), "Simulator", defaults);
    EXPECT_EQ(none.hardwareVersion, defaults.hardwareVersion);
    EXPECT_FALSE(none.programmed);
    EXPECT_FALSE(none.shortedInputs);
}

// In real time a re-plugged unit arrives on its own time, though nobody talks to the bus (the
// program's transfers to the lost device never reach it).
TEST(SimulatedBus, InRealTimeAReplugedUnitArrivesUnasked) {
    SimulatorConfig config;
    config.programmed = true;
    config.clockMode = SimulatedClock::Mode::RealTime;
    SimulatedBus bus(config);
    std::atomic<int> controllers{0};
    bus.watch(0x0547, 0x2131, [&](const UsbDeviceInfo&, bool arrived) { controllers += arrived ? 1 : 0; });
    ASSERT_TRUE(bus.replug(bus.attached().front(), milliseconds(20)));
    for (int i = 0; i < 100 && controllers.load() == 0; ++i) std::this_thread::sleep_for(milliseconds(10));
    EXPECT_EQ(controllers.load(), 1);
}

// The glitches a tester asks for: every N-th transfer to the instrument fails once, and the
// instrument is pulled every T ms and comes back (unprogrammed) B ms later.
TEST(SimulatedBus, ConfiguredGlitchesAndUnplugs) {
    SimulatorConfig config;
    config.programmed = true;
    config.glitchEvery = 3;
    config.unplugEveryMs = 1000;
    config.unplugBackAfterMs = 200;
    SimulatedBus bus(config);
    UsbStatus status;
    auto device = bus.open(bus.attached().front(), status);
    std::vector<UsbStatus> got;
    for (int i = 0; i < 6; ++i) {
        unsigned char version = 0;
        int transferred = 0;
        got.push_back(device->control(packet(0xC0, 0xC5, 0, 1), &version, transferred, 500));
    }
    EXPECT_EQ(got, (std::vector<UsbStatus>{UsbStatus::Success, UsbStatus::Success, UsbStatus::Stall, UsbStatus::Success,
                                           UsbStatus::Success, UsbStatus::Stall}));
    bus.simulatedClock().advance(milliseconds(1000));
    EXPECT_TRUE(bus.attached().empty());
    bus.simulatedClock().advance(milliseconds(200));
    EXPECT_NE(bus.controller(), nullptr);
}

TEST(CalibrationImage, WordForms) {
    struct Case {
        double value;
        std::uint16_t fixed3;
        std::uint16_t fixed4;
    };
    // The forms of the protocol: sign bits, integer part, truncated fraction.
    const Case cases[] = {
        {1.5, 0x85F4, 0xD388},
        {-0.5, 0x41F4, 0x1388},
        {1.0, 0x8400, 0xC000},
        {0.0, 0x8000, 0x8000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CalibrationImage::fixed3Word(c.value), c.fixed3) << c.value;
        EXPECT_EQ(CalibrationImage::fixed4Word(c.value), c.fixed4) << c.value;
    }
    EXPECT_EQ(CalibrationImage::fixed4Word(-0.75), 0x1D4C);
    EXPECT_EQ(CalibrationImage::intWord(-1), 0xFFFF);
    const auto image = CalibrationImage::factoryImage(4);
    // Page 0x1C0 word 2 is the hardware version; page 0x380 word 0 the newer one.
    EXPECT_EQ(image[0x1C0 + 4] << 8 | image[0x1C0 + 5], 4);
    EXPECT_EQ(image[0x380] << 8 | image[0x381], 4);
}

} // namespace

namespace {

TEST(SimulatedClock, RealTimeModeRunsActionsWhileWaiting) {
    SimulatedClock clock(SimulatedClock::Mode::RealTime);
    std::mutex mutex;
    std::condition_variable cv;
    bool flag = false;
    clock.schedule(milliseconds(5), [&] {
        std::lock_guard lock(mutex);
        flag = true;
    });
    std::unique_lock lock(mutex);
    EXPECT_TRUE(clock.waitFor(lock, cv, milliseconds(5000), [&] { return flag; }));
    EXPECT_GE(clock.now().count(), 5);
}

} // namespace
