// Finding the instrument, the time-out repeats and losing the instrument, on the
// simulated bus; and the libusb backend on a machine without the instrument.

#include "simulated_usb.h"

#include "libusb_backend.h"
#include "thread_flags.h"
#include "usb_vendor_specific_command.h"
#include "usb_windriver.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::shared_ptr<SimulatedBus> busWith(int instruments) {
    SimulatorConfig config;
    config.programmed = true;
    config.devices = instruments;
    return std::make_shared<SimulatedBus>(config);
}

const unsigned char kVersionSetup[8] = {0xC0, 0xC5, 0, 0, 0, 0, 1, 0};
const unsigned char kCommandSetup[8] = {0x40, 0xD0, 0, 0, 0, 0, 0, 0};

TEST(UsbWinDriver, InstrumentCountDecidesTheOpen) {
    struct Case {
        int instruments;
        bool opens;
        const char* error;
    };
    const Case cases[] = {
        {0, false, "Error : No TrevanA found\n"},
        {1, true, ""},
        {4, true, ""},
        {5, false, "Error : Too many TrevanA found\n"},
    };
    for (const Case& c : cases) {
        auto bus = busWith(c.instruments);
        get_error_text();
        USBWinDriver driver(bus);
        EXPECT_EQ(driver.open(), c.opens) << c.instruments;
        EXPECT_STREQ(get_error_text(), c.error) << c.instruments;
        EXPECT_EQ(driver.deviceCount(), c.instruments);
        // Only an empty bus is waited for (2 s, on the simulated clock).
        EXPECT_EQ(bus->simulatedClock().now().count(), c.instruments == 0 ? USBWinDriver::ATTACH_WAIT_MS : 0);
        if (c.opens) {
            EXPECT_STREQ(driver.message(), "DeviceDiagMenu: WDU_SetInterface() completed successfully\n");
        }
    }
}

TEST(UsbWinDriver, WaitsForAnInstrumentThatArrivesLate) {
    for (int arrival : {1500, 2500}) {
        auto bus = busWith(0);
        auto instrument = bus->makeInstrument(nullptr, SimulatedInstrument::VENDOR_ID, SimulatedInstrument::PRODUCT_ID);
        SimulatedBus* raw = bus.get(); // the bus owns the clock that holds the action
        bus->simulatedClock().schedule(std::chrono::milliseconds(arrival),
                                       [raw, instrument] { raw->plug(instrument); });
        get_error_text();
        USBWinDriver driver(bus);
        EXPECT_EQ(driver.open(), arrival < USBWinDriver::ATTACH_WAIT_MS) << arrival;
        EXPECT_EQ(bus->simulatedClock().now().count(), std::min(arrival, USBWinDriver::ATTACH_WAIT_MS));
    }
}

TEST(UsbWinDriver, OtherDevicesAreNotTheInstrument) {
    SimulatorConfig config; // unprogrammed controllers only
    auto bus = std::make_shared<SimulatedBus>(config);
    get_error_text();
    USBWinDriver driver(bus);
    EXPECT_FALSE(driver.open());
    EXPECT_STREQ(get_error_text(), "Error : No TrevanA found\n");
}

class TimeoutRepeat : public ::testing::Test {
protected:
    void SetUp() override {
        bus = busWith(1);
        notifier = std::make_shared<RecordingNotifier>();
        setNotifier(notifier);
        driver = std::make_unique<USBWinDriver>(bus);
        driver->setTriggerModeQuery([this] { return mode; });
        ASSERT_TRUE(driver->open());
    }
    void TearDown() override { setNotifier(nullptr); }
    size_t versionReads() const {
        size_t n = 0;
        for (const TransferRecord& t : bus->transfers()) n += t.setup.request == 0xC5;
        return n;
    }

    std::shared_ptr<SimulatedBus> bus;
    std::shared_ptr<RecordingNotifier> notifier;
    std::unique_ptr<USBWinDriver> driver;
    int mode = _AUTO;
};

TEST_F(TimeoutRepeat, AutoModeRepeatsATimedOutRead) {
    bus->injectFault({UsbFault::Kind::Timeout, 0xC5, false, 0, 2, -1});
    unsigned char version = 0;
    EXPECT_EQ(driver->controlRead(&version, 1, kVersionSetup, 500, 0), 1);
    EXPECT_EQ(versionReads(), 3u);
    EXPECT_EQ(bus->simulatedClock().now().count(), 2 * 500); // the third read: 375 us
    EXPECT_TRUE(notifier->messages().empty());
}

TEST_F(TimeoutRepeat, AutoModeRepeatsStayWithinTheirBudget) {
    struct Case {
        int timeOut;
        size_t reads;
    };
    // The waits of one read add up to at most 1.5 s, however short each is.
    for (const Case c : {Case{500, 3}, Case{100, 15}, Case{1000, 1}, Case{2000, 1}}) {
        SCOPED_TRACE(c.timeOut);
        bus->clearTransfers();
        notifier->clear();
        bus->injectFault({UsbFault::Kind::Timeout, 0xC5, false, 0, -1, -1});
        const auto before = bus->simulatedClock().now();
        unsigned char version = 0;
        EXPECT_EQ(driver->controlRead(&version, 1, kVersionSetup, c.timeOut, 0), -1);
        EXPECT_EQ(versionReads(), c.reads);
        EXPECT_EQ((bus->simulatedClock().now() - before).count(), static_cast<long>(c.reads) * c.timeOut);
        EXPECT_EQ(driver->lastStatus(), UsbStatus::Timeout);
        EXPECT_EQ(notifier->messages(),
                  (std::vector<std::string>{bus->statusText(UsbStatus::Timeout), "error on read"}));
        bus->clearFaults();
    }
}

TEST_F(TimeoutRepeat, AbortEndsTheRepeatsWithoutMessage) {
    bus->injectFault({UsbFault::Kind::Timeout, 0xC5, false, 0, -1, -1});
    abortReadFlag = 1;
    unsigned char version = 0;
    EXPECT_EQ(driver->controlRead(&version, 1, kVersionSetup, 500, 0), 0);
    unsigned char buffer[64];
    bus->injectFault({UsbFault::Kind::Timeout, -1, true, 0, -1, -1});
    EXPECT_EQ(driver->bulkRead(buffer, 64, 500, 0), 0);
    abortReadFlag = 0;
    EXPECT_EQ(versionReads(), 1u);
    EXPECT_EQ(bus->simulatedClock().now().count(), 1000);
    EXPECT_TRUE(notifier->messages().empty());
}

TEST_F(TimeoutRepeat, NormalModeReturnsWhatArrivedWithoutMessage) {
    mode = _NORMAL;
    bus->injectFault({UsbFault::Kind::Timeout, 0xC5, false, 0, 1, -1});
    unsigned char version = 0;
    EXPECT_EQ(driver->controlRead(&version, 1, kVersionSetup, 500, 0), 0);
    EXPECT_EQ(versionReads(), 1u);
    EXPECT_TRUE(notifier->messages().empty());
}

TEST_F(TimeoutRepeat, WritesAreNotRepeated) {
    bus->injectFault({UsbFault::Kind::Timeout, 0xD0, false, 0, 1, -1});
    EXPECT_EQ(driver->controlWrite(nullptr, 0, kCommandSetup, 500, 0), -1);
    EXPECT_EQ(notifier->messages(), (std::vector<std::string>{bus->statusText(UsbStatus::Timeout), "error on write"}));
}

TEST(UsbWinDriver, UnpluggingIsReportedOnceAndLaterTransfersFailAtOnce) {
    for (bool midTransfer : {true, false}) {
        SimulatedUsb rig(_HW4);
        std::array<unsigned char, 64> page{};
        if (midTransfer) {
            rig.bus->injectFault({UsbFault::Kind::Unplug, 0xC7, false, 0, 1, 10});
            EXPECT_FALSE(rig.usb->readMemoryBlock(page.data(), 0x1C00, 500));
        } else {
            ASSERT_TRUE(rig.bus->unplug(rig.bus->attached().front())); // the detach event
        }
        EXPECT_TRUE(rig.bus->attached().empty());
        const size_t logged = rig.bus->transfers().size();
        get_error_text();
        EXPECT_FALSE(rig.usb->writeRegisters(page.data(), 500));
        EXPECT_FALSE(rig.usb->readMemoryBlock(page.data(), 0x1C00, 500));
        EXPECT_FALSE(rig.usb->setRelays(0x3F, 500));
        EXPECT_EQ(rig.usb->relayCache(), 0); // no group's writes went through
        EXPECT_STREQ(get_error_text(), "Error : Can't write FPGA registers\nError : Can't write FPGA registers\n");
        EXPECT_TRUE(rig.usb->instrumentGone());
        // Nothing more reached the bus, and the loss was told once.
        EXPECT_EQ(rig.bus->transfers().size(), logged);
        EXPECT_EQ(rig.notifier->messages(), (std::vector<std::string>{rig.bus->statusText(UsbStatus::NoDevice)}));
        EXPECT_TRUE(rig.usb->requests()->driver()->deviceLost());
    }
}

TEST(UsbWinDriver, CloseAndReopen) {
    SimulatedUsb rig(_HW3);
    rig.usb->close();
    EXPECT_EQ(rig.usb->sampleRecord().bytes, 0u);
    EXPECT_EQ(rig.usb->requests(), nullptr);
    EXPECT_TRUE(rig.usb->init(_HW2, 4096));
    EXPECT_EQ(rig.instrument().commands(), 2);
}

// The libusb backend on this machine: no instrument is attached to it.
TEST(LibusbBackend, NoInstrumentFound) {
    auto backend = std::make_shared<LibusbBackend>();
    EXPECT_TRUE(backend->enumerate(USBWinDriver::VENDOR_ID, USBWinDriver::PRODUCT_ID).empty());
    UsbStatus status = UsbStatus::Success;
    EXPECT_EQ(backend->open(12345, status), nullptr);
    EXPECT_NE(status, UsbStatus::Success);
    get_error_text();
    USBWinDriver driver(backend);
    EXPECT_FALSE(driver.open());
    EXPECT_STREQ(get_error_text(), "Error : No TrevanA found\n");
}

} // namespace
