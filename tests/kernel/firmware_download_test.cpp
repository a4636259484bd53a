// The firmware download against the simulated unprogrammed controller, followed by
// opening the instrument it becomes.

#include "firmware_download.h"
#include "firmware_loader.h"
#include "intel_hex.h"
#include "libusb_backend.h"
#include "notifier.h"
#include "simulated_controller.h"
#include "simulated_usb.h"
#include "temp_dir.h"
#include "trevan_error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

// The demo installation's firmware file, from the source tree.
std::string demoFirmware() { return (std::filesystem::path(VELMORA2_SOURCE_DIR) / "firmware" / "trevan.hex").string(); }

// The control transfers sent to the controller, as (request, wValue, data).
struct Write {
    int request;
    int value;
    std::vector<unsigned char> data;
    bool operator==(const Write&) const = default;
};

std::vector<Write> writesOf(const SimulatedBus& bus) {
    std::vector<Write> out;
    for (const TransferRecord& t : bus.transfers()) {
        if (t.kind == TransferRecord::Kind::Control) out.push_back({t.setup.request, t.setup.value, t.data});
    }
    return out;
}

void expectChunks(std::vector<Write>& expected, int request, unsigned address, const unsigned char* data,
                  unsigned length) {
    for (unsigned offset = 0; offset < length; offset += 64) {
        const unsigned n = std::min(64u, length - offset);
        expected.push_back({request, static_cast<int>(address + offset),
                            std::vector<unsigned char>(data + offset, data + offset + n)});
    }
}

const Write kHold{0xA0, 0x7F92, {1}};
const Write kRun{0xA0, 0x7F92, {0}};

class FirmwareDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        output = std::tmpfile();
        get_error_text();
    }
    void TearDown() override { std::fclose(output); }
    std::string printed() {
        std::fflush(output);
        std::rewind(output);
        std::string text;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, output)) text += buffer;
        return text;
    }

    std::FILE* output = nullptr;
};

TEST_F(FirmwareDownloadTest, LoadsTheDemoFirmwareAndTheInstrumentAppears) {
    SimulatorConfig config;
    config.hardwareVersion = _HW3;
    auto bus = std::make_shared<SimulatedBus>(config);
    FirmwareDownload download(*bus);
    download.setOutput(output);
    ASSERT_EQ(download.DownloadAllDevices(demoFirmware().c_str()), DOWNLOAD_OK) << download.messages();
    EXPECT_EQ(printed(), "Trevan : 1 attached\nTrevan : 1 downloaded\n");

    // The order on the wire: loader, external segments through it, then internal RAM.
    HexImage image;
    ASSERT_GT(LoadHexFile(image, demoFirmware().c_str()), 0);
    ASSERT_TRUE(image.hasExternalSegments());
    std::vector<Write> expected{kHold};
    const LoaderRecord& loader = loaderRecords()[0];
    expectChunks(expected, 0xA0, loader.address, loader.data, loader.length);
    expected.push_back(kRun);
    for (const HexSegment& s : image.d_segments)
        if (s.address >= 0x2000) expectChunks(expected, 0xA3, s.address, image.segmentData(s), s.length);
    expected.push_back(kHold);
    for (const HexSegment& s : image.d_segments)
        if (s.address < 0x2000) expectChunks(expected, 0xA0, s.address, image.segmentData(s), s.length);
    expected.push_back(kRun);
    EXPECT_EQ(writesOf(*bus), expected);

    auto controller = bus->controller();
    ASSERT_TRUE(controller);
    EXPECT_TRUE(controller->firmwareStarted());
    EXPECT_EQ(controller->cpuStarts(), 2); // the loader, then the firmware
    EXPECT_EQ(controller->memoryAt(0x2100), image.d_data[0x2100]);

    // The controller leaves and the instrument arrives while the USB layer waits for it.
    const size_t downloadTransfers = bus->transfers().size();
    SimulatedUsb rig(_HW3, 20096, false);
    rig.bus = bus;
    rig.usb = std::make_unique<USB>(bus);
    EXPECT_TRUE(rig.usb->init(_HW2, 20096));
    EXPECT_FALSE(bus->controller());
    const TransferRecord first = bus->transfers().at(downloadTransfers);
    const TransferRecord cpuRuns = bus->transfers().at(downloadTransfers - 1);
    EXPECT_EQ(first.vendorId, 0x0DA8);
    EXPECT_EQ(first.time, cpuRuns.time + config.reenumerationDelay);
    ASSERT_TRUE(bus->instrument());
    EXPECT_EQ(bus->instrument()->generation(), _HW3);
    EXPECT_EQ(bus->instrument()->commands(), 1);
}

TEST_F(FirmwareDownloadTest, InternalOnlyFirmwareNeedsNoLoader) {
    TempDir dir;
    std::string text;
    for (int a = 0; a < 100; a += 20) {
        unsigned sum = 20 + (a >> 8) + (a & 0xFF);
        char line[64];
        std::snprintf(line, sizeof line, ":14%04X00", a);
        text += line;
        for (int i = 0; i < 20; ++i) {
            std::snprintf(line, sizeof line, "%02X", a + i);
            text += line;
            sum += static_cast<unsigned>(a + i);
        }
        std::snprintf(line, sizeof line, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
        text += line;
    }
    const std::string path = dir.write("trevan.hex", text + ":00000001FF\n");
    auto bus = std::make_shared<SimulatedBus>(SimulatorConfig{});
    FirmwareDownload download(*bus);
    download.setOutput(output);
    EXPECT_EQ(download.DownloadAllDevices(path.c_str()), DOWNLOAD_OK) << download.messages();
    const std::vector<Write> writes = writesOf(*bus);
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[0], kHold);
    EXPECT_EQ(writes[1].value, 0);
    EXPECT_EQ(writes[1].data.size(), 64u);
    EXPECT_EQ(writes[2].value, 64);
    EXPECT_EQ(writes[2].data.size(), 36u);
    EXPECT_EQ(writes[3], kRun);
    // No descriptor in it: the controller runs it and stays what it was.
    EXPECT_FALSE(bus->controller()->firmwareStarted());
}

TEST_F(FirmwareDownloadTest, NoControllerSendsNothing) {
    SimulatorConfig config;
    config.programmed = true; // only the instrument is there
    auto bus = std::make_shared<SimulatedBus>(config);
    FirmwareDownload download(*bus);
    download.setOutput(output);
    EXPECT_EQ(download.DownloadAllDevices(demoFirmware().c_str()), DOWNLOAD_NO_CONTROLLER);
    EXPECT_TRUE(bus->transfers().empty());
    EXPECT_EQ(printed(), "");
}

TEST_F(FirmwareDownloadTest, TwoControllersOneSecondApart) {
    SimulatorConfig config;
    config.devices = 2;
    auto bus = std::make_shared<SimulatedBus>(config);
    FirmwareDownload download(*bus);
    download.setOutput(output);
    ASSERT_EQ(download.DownloadAllDevices(demoFirmware().c_str()), DOWNLOAD_OK);
    EXPECT_EQ(printed(), "Trevan : 2 attached\nTrevan : 1 downloaded\nTrevan : 2 downloaded\n");
    const auto transfers = bus->transfers();
    const UsbDeviceId second = transfers.back().device;
    auto first =
        std::find_if(transfers.begin(), transfers.end(), [&](const TransferRecord& t) { return t.device == second; });
    // After the previous request (its 375 us may complete a millisecond) and the pause.
    EXPECT_NEAR(first->time.count(), (first - 1)->time.count() + FirmwareDownload::DEVICE_PAUSE_MS, 1);
    // The first instrument is there by now; the second arrives a little later.
    bus->simulatedClock().advance(config.reenumerationDelay);
    USBWinDriver driver(bus);
    EXPECT_TRUE(driver.open());
    EXPECT_EQ(driver.deviceCount(), 2);
}

TEST_F(FirmwareDownloadTest, BadFileLoadsNothing) {
    TempDir dir;
    const std::string path = dir.write("trevan.hex", ":0400000001020304F1\n:00000001FF\n");
    auto bus = std::make_shared<SimulatedBus>(SimulatorConfig{});
    FirmwareDownload download(*bus);
    download.setOutput(output);
    EXPECT_EQ(download.DownloadAllDevices(path.c_str()), DOWNLOAD_FAILED);
    EXPECT_TRUE(writesOf(*bus).empty());
    EXPECT_TRUE(bus->controller()->cpuHeld());
    EXPECT_NE(printed().find("bad checksum in line 1\nDownload firmware failed.\n"), std::string::npos);
    EXPECT_EQ(printed().find("downloaded"), std::string::npos);
}

TEST_F(FirmwareDownloadTest, AFailedWriteLeavesTheCpuHeld) {
    auto bus = std::make_shared<SimulatedBus>(SimulatorConfig{});
    // Hold, two loader chunks and run pass; after the external writes the hold passes and
    // the first write to internal RAM stalls, for good.
    bus->injectFault({UsbFault::Kind::Stall, 0xA0, false, 5, UsbFault::FOR_GOOD, -1});
    FirmwareDownload download(*bus);
    download.setOutput(output);
    download.setLog(output);
    EXPECT_EQ(download.DownloadAllDevices(demoFirmware().c_str()), DOWNLOAD_FAILED);
    EXPECT_TRUE(bus->controller()->cpuHeld());
    EXPECT_FALSE(bus->controller()->firmwareStarted());
    EXPECT_NE(download.messages().find("error on transfer\n"), std::string::npos);
    EXPECT_NE(printed().find("Download firmware failed.\n"), std::string::npos);
}

// Why goes to the log and, with the file and its folder, to the error stack that the start's
// window shows; no window of its own.
TEST_F(FirmwareDownloadTest, AFailedDownloadLogsWhyAndNamesItOnTheErrorStackWithinTwoSeconds) {
    enum FileKind { Demo, Bad, Missing };
    struct Case {
        const char* what;
        FileKind file;
        UsbFault fault;
        std::string logged;
        std::string shown; // the error line's text after "(firmware file trevan.hex in <folder>: "
        int writes;        // -1: not counted
        long clockMs;
    };
    const UsbFault none{UsbFault::Kind::Stall, 0xFF, false, 0, 0, -1};
    const Case cases[] = {
        {"bad file", Bad, none, "Error loading file: bad checksum in line 1\nDownload firmware failed.\n",
         "bad checksum in line 1", 0, 0},
        {"missing file", Missing, none, "", "No such file or directory", 0, 0},
        {"a write refused",
         Demo,
         {UsbFault::Kind::Stall, 0xA0, false, 5, UsbFault::FOR_GOOD, -1},
         "error on transfer\nDownload firmware failed.\n",
         "error on transfer",
         -1,
         6}, // the 16 requests that went through, 375 us each
        // A CPU that cannot be held is not written to: the hold twice, two time-outs.
        {"the controller stops answering",
         Demo,
         {UsbFault::Kind::Timeout, -1, false, 0, UsbFault::FOR_GOOD, -1},
         "ResetBit: Reset device to 1 did not succeed\nDownload firmware failed.\n",
         "ResetBit: Reset device to 1 did not succeed",
         2,
         2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = c.file == Bad       ? dir.write("trevan.hex", ":0400000001020304F1\n:00000001FF\n")
                                 : c.file == Missing ? dir.file("trevan.hex")
                                                     : demoFirmware();
        const std::string folder = std::filesystem::path(path).parent_path().string();
        auto bus = std::make_shared<SimulatedBus>(SimulatorConfig{});
        bus->injectFault(c.fault);
        auto notifier = std::make_shared<RecordingNotifier>();
        setNotifier(notifier);
        std::FILE* log = std::tmpfile();
        FirmwareDownload download(*bus);
        download.setOutput(output);
        download.setLog(log);
        EXPECT_EQ(download.DownloadAllDevices(path.c_str()), DOWNLOAD_FAILED);
        setNotifier(nullptr);
        EXPECT_TRUE(notifier->messages().empty());
        EXPECT_EQ(std::string(get_error_text()),
                  "Error : Download firmware failed (firmware file trevan.hex in " + folder + ": " + c.shown + ")\n");
        std::rewind(log);
        char text[512] = {};
        const size_t n = std::fread(text, 1, sizeof text - 1, log);
        std::fclose(log);
        if (c.file != Missing) {
            EXPECT_EQ(std::string(text, n), c.logged);
        }
        if (c.writes >= 0) {
            EXPECT_EQ(writesOf(*bus).size(), static_cast<size_t>(c.writes));
        }
        EXPECT_EQ(bus->simulatedClock().now().count(), c.clockMs);
    }
}

// One stall or time-out, of the first request or a later one, is asked again and the
// firmware starts.
TEST_F(FirmwareDownloadTest, AGlitchOfOneRequestIsRetried) {
    for (UsbFault::Kind kind : {UsbFault::Kind::Stall, UsbFault::Kind::Timeout})
        for (int skip : {0, 5}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(kind)) + " after " + std::to_string(skip));
            auto bus = std::make_shared<SimulatedBus>(SimulatorConfig{});
            bus->injectFault({kind, 0xA0, false, skip, 1, -1});
            FirmwareDownload download(*bus);
            download.setOutput(output);
            EXPECT_EQ(download.DownloadAllDevices(demoFirmware().c_str()), DOWNLOAD_OK) << download.messages();
            EXPECT_TRUE(bus->controller()->firmwareStarted());
            EXPECT_STREQ(get_error_text(), "");
        }
}

TEST(FirmwareLoader, ImageIsOneRecordAtZero) {
    const LoaderRecord* records = loaderRecords();
    EXPECT_EQ(records[0].type, 0);
    EXPECT_EQ(records[0].address, 0);
    EXPECT_EQ(records[0].length, 0x79);
    EXPECT_EQ(std::memcmp(records[0].data + 0x67, "VELMORA2 LOADER A3", 18), 0);
    EXPECT_NE(records[1].type, 0);
}

TEST(FirmwareDownloadLibusb, NoControllerOnThisMachine) {
    LibusbBackend backend;
    const int result = DownloadAllDevices(backend, demoFirmware().c_str());
    EXPECT_EQ(result, backend.available() ? DOWNLOAD_NO_CONTROLLER : DOWNLOAD_NO_DRIVER);
}

} // namespace
