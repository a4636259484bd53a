#pragma once
// Loads the firmware file into every unprogrammed USB controller of the instrument
// (vendor 0x0547, product 0x2131) and starts it; the controller then re-enumerates as the
// instrument (vendor 0x0DA8, product 0x0001). Segments below 0x2000 are written with the
// controller's own request 0xA0 while its CPU is held (register 0x7F92); segments at 0x2000
// and above go through the built-in loader (request 0xA3) first. The text of this step goes
// to the message buffer and standard output; why a download failed also goes to the log
// (standard error), and error 26 to the error stack with the firmware file, its folder and
// the reason, so the user's message says what to mend and not only that no instrument was
// found. A request that stalls or times out
// is sent once more: one glitch does not end the start-up.

#include "intel_hex.h"
#include "usb_backend.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// Results of DownloadAllDevices.
enum DownloadResult {
    DOWNLOAD_OK = 0,              // every controller found was loaded
    DOWNLOAD_FAILED = 1,          // a controller failed
    DOWNLOAD_NO_DRIVER = 253,     // the USB library is not available
    DOWNLOAD_NO_CONTROLLER = 255, // no unprogrammed controller attached
};

class FirmwareDownload {
public:
    static constexpr std::uint16_t CONTROLLER_VENDOR_ID = 0x0547;
    static constexpr std::uint16_t CONTROLLER_PRODUCT_ID = 0x2131;
    static constexpr std::uint16_t CPU_CONTROL = 0x7F92; // bit 0: 1 holds the CPU
    static constexpr unsigned char LOAD_INTERNAL = 0xA0; // the controller's own load request
    static constexpr unsigned char LOAD_EXTERNAL = 0xA3; // served by the built-in loader
    static constexpr int TRANSFER_CHUNK = 64;
    // A controller that does not take a 64-byte write within this will not take it at all.
    static constexpr int TRANSFER_TIMEOUT_MS = 1000;
    static constexpr int MAX_CONTROLLERS = 128;
    static constexpr int DEVICE_PAUSE_MS = 1000; // between two controllers
    static constexpr size_t MESSAGE_LIMIT = 8192;

    explicit FirmwareDownload(UsbBackend& backend);

    // DownloadResult. Prints "Trevan : ..." lines to the output.
    int DownloadAllDevices(const char* path_);
    // 1 when the USB library is there, else 0.
    int OpenWinDriver();
    // Number of matching devices; their ids fill the unique-id table (at most 128).
    int ScanDevices(std::uint16_t vendorId_, std::uint16_t productId_);
    // 0, -2 (download failed) or -3 (the device cannot be opened).
    int DownloadDevice(const char* path_, UsbDeviceId uniqueId_);
    std::unique_ptr<UsbDevice> OpenDevice(UsbDeviceId uniqueId_);
    void CloseDevice(std::unique_ptr<UsbDevice>& device_);
    // 1 success, 0 failure (a failed write leaves the CPU held).
    int DownloadFirmware(UsbDevice& device_, const char* path_);
    int DownloadLoader(UsbDevice& device_);
    // Writes `length_` bytes at `address_` in 64-byte requests; 1 / 0.
    int WriteRam(UsbDevice& device_, std::uint16_t address_, int length_, const unsigned char* data_,
                 unsigned char request_);
    // 1 holds the CPU, 0 lets it run; false when the write failed. A CPU that cannot be
    // held ends the download: nothing written to its RAM would stay.
    bool ResetBit(UsbDevice& device_, unsigned char value_);
    // One host-to-device control transfer, sent a second time after a stall, a time-out or a
    // short write: bytes moved, or -1.
    int UsbTransfer(UsbDevice& device_, const unsigned char* data_, int length_, const UsbSetupPacket& setup_);

    const std::string& messages() const { return d_message; }
    const std::vector<UsbDeviceId>& uniqueIds() const { return d_uniqueIds; }
    // Where the "Trevan :" lines and failures go (standard output by default).
    void setOutput(std::FILE* out) { p_out = out; }
    // Where the reason of a failed download goes (standard error by default).
    void setLog(std::FILE* log) { p_log = log; }

private:
    void note(const std::string& text);

    UsbBackend& d_backend;
    std::string d_message;
    std::string d_fileProblem; // why the firmware file could not be used, for the error stack
    std::vector<UsbDeviceId> d_uniqueIds;
    std::FILE* p_out = stdout;
    std::FILE* p_log = stderr;
};

// The start-up step: one FirmwareDownload on the backend.
int DownloadAllDevices(UsbBackend& backend_, const char* path_);
