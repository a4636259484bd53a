#include "firmware_download.h"

#include "firmware_loader.h"
#include "trevan_error.h"

#include <new>

namespace {

const char* const kDownloadSource = "kernel\\firmware_download";

// A controller that refuses or misses one request is asked once more; a second failure in a
// row means it has stopped answering.
bool retryable(UsbStatus status) { return status == UsbStatus::Stall || status == UsbStatus::Timeout; }

const char* speedName(UsbSpeed speed) { return speed == UsbSpeed::Low ? "Low" : "Full"; }

// "firmware file trevan.hex in /usr/share/velmora2/firmware": what the user looks for.
std::string firmwareFileText(const char* path) {
    const std::string p = path ? path : "";
    const std::size_t slash = p.rfind('/');
    if (slash == std::string::npos) return "firmware file " + p;
    return "firmware file " + p.substr(slash + 1) + " in " + (slash == 0 ? "/" : p.substr(0, slash));
}

// The step that failed: the first line of the reason of a failed controller.
std::string firstLine(const std::string& text) {
    const std::size_t end = text.find('\n');
    return text.substr(0, end);
}

} // namespace

FirmwareDownload::FirmwareDownload(UsbBackend& backend) : d_backend(backend) {}

void FirmwareDownload::note(const std::string& text) {
    if (d_message.size() + text.size() <= MESSAGE_LIMIT) d_message += text;
}

int FirmwareDownload::OpenWinDriver() {
    if (!d_backend.available()) {
        note("Cannot open WinDriver device\n");
        return 0;
    }
    return 1;
}

int FirmwareDownload::ScanDevices(std::uint16_t vendorId, std::uint16_t productId) {
    std::vector<UsbDeviceInfo> found = d_backend.enumerate(vendorId, productId);
    int count = 0;
    for (const UsbDeviceInfo& device : found) {
        if (count >= MAX_CONTROLLERS) break;
        d_uniqueIds.push_back(device.id);
        ++count;
        char line[256];
        std::snprintf(line, sizeof line, "USB device - Vendor ID: 0x%04x, Product ID: 0x%04x, unique ID: 0x%llx\n",
                      device.vendorId, device.productId, static_cast<unsigned long long>(device.id));
        note(line);
        std::snprintf(line, sizeof line, "      physical address: 0x%x, Hub No. %d, Port No.%d\n", device.address,
                      device.busNumber, device.portNumber);
        note(line);
        std::snprintf(line, sizeof line, "      %s speed, device has %d configuration(s)\n", speedName(device.speed),
                      device.configurations);
        note(line);
        note("\n");
    }
    return count;
}

int FirmwareDownload::DownloadAllDevices(const char* path) {
    if (!OpenWinDriver()) return DOWNLOAD_NO_DRIVER;
    d_uniqueIds.clear();
    int count = ScanDevices(CONTROLLER_VENDOR_ID, CONTROLLER_PRODUCT_ID);
    if (count == 0) return DOWNLOAD_NO_CONTROLLER;
    std::fprintf(p_out, "Trevan : %d attached\n", count);
    for (int i = 0; i < count; ++i) {
        if (i > 0) d_backend.clock().sleepFor(std::chrono::milliseconds(DEVICE_PAUSE_MS));
        const size_t before = d_message.size();
        d_fileProblem.clear();
        int result = DownloadDevice(path, d_uniqueIds[static_cast<size_t>(i)]);
        if (result != 0) {
            // What went wrong with this controller, without the scan's lines, is for the log;
            // the error stack names the file, its folder and why, for the user's window.
            std::string reason = d_message.substr(std::min(before, d_message.size()));
            if (result == -2) reason += "Download firmware failed.\n";
            std::fputs(reason.c_str(), p_log);
            push_error(_ERR_FIRMWARE_DOWNLOAD, kDownloadSource, __LINE__,
                       firmwareFileText(path) + ": " + (d_fileProblem.empty() ? firstLine(reason) : d_fileProblem));
            return DOWNLOAD_FAILED;
        }
        std::fprintf(p_out, "Trevan : %i downloaded\n", i + 1);
    }
    return DOWNLOAD_OK;
}

std::unique_ptr<UsbDevice> FirmwareDownload::OpenDevice(UsbDeviceId uniqueId) {
    UsbStatus status = UsbStatus::Success;
    std::unique_ptr<UsbDevice> device = d_backend.open(uniqueId, status);
    if (!device)
        note(status == UsbStatus::NoMemory ? "OpenDevice: Insufficient resources\n" : "Failed registering device\n");
    return device;
}

void FirmwareDownload::CloseDevice(std::unique_ptr<UsbDevice>& device) { device.reset(); }

int FirmwareDownload::DownloadDevice(const char* path, UsbDeviceId uniqueId) {
    std::unique_ptr<UsbDevice> device = OpenDevice(uniqueId);
    if (!device) {
        std::fprintf(p_out, "%s", d_message.c_str());
        return -3;
    }
    if (!DownloadFirmware(*device, path)) {
        std::fprintf(p_out, "%s", d_message.c_str());
        std::fprintf(p_out, "Download firmware failed.\n");
        return -2;
    }
    CloseDevice(device);
    return 0;
}

int FirmwareDownload::UsbTransfer(UsbDevice& device, const unsigned char* data, int length,
                                  const UsbSetupPacket& setup) {
    UsbSetupPacket packet = setup;
    packet.length = static_cast<std::uint16_t>(length);
    std::vector<unsigned char> buffer(data, data + length);
    int transferred = 0;
    UsbStatus status =
        device.control(packet, buffer.empty() ? nullptr : buffer.data(), transferred, TRANSFER_TIMEOUT_MS);
    if (retryable(status) || (status == UsbStatus::Success && transferred != length)) {
        transferred = 0;
        status = device.control(packet, buffer.empty() ? nullptr : buffer.data(), transferred, TRANSFER_TIMEOUT_MS);
    }
    return status == UsbStatus::Success ? transferred : -1;
}

int FirmwareDownload::WriteRam(UsbDevice& device, std::uint16_t address, int length, const unsigned char* data,
                               unsigned char request) {
    for (int offset = 0; offset < length; offset += TRANSFER_CHUNK) {
        const int chunk = std::min(TRANSFER_CHUNK, length - offset);
        UsbSetupPacket setup;
        setup.requestType = 0x40;
        setup.request = request;
        setup.value = static_cast<std::uint16_t>(address + offset);
        setup.length = static_cast<std::uint16_t>(chunk);
        if (UsbTransfer(device, data + offset, chunk, setup) != chunk) {
            note("error on transfer\n");
            return 0;
        }
    }
    return 1;
}

bool FirmwareDownload::ResetBit(UsbDevice& device, unsigned char value) {
    UsbSetupPacket setup;
    setup.requestType = 0x40;
    setup.request = LOAD_INTERNAL;
    setup.value = CPU_CONTROL;
    setup.length = 1;
    if (UsbTransfer(device, &value, 1, setup) == 1) return true;
    char text[64];
    std::snprintf(text, sizeof text, "ResetBit: Reset device to %d did not succeed\n", value);
    note(text);
    return false;
}

int FirmwareDownload::DownloadLoader(UsbDevice& device) {
    if (!ResetBit(device, 1)) return 0;
    // Consecutive records are sent together while they stay within one 4096-byte block.
    std::vector<unsigned char> block;
    unsigned short blockAddress = 0;
    auto flush = [&]() {
        if (block.empty()) return true;
        bool ok = WriteRam(device, blockAddress, static_cast<int>(block.size()), block.data(), LOAD_INTERNAL) != 0;
        block.clear();
        return ok;
    };
    for (const LoaderRecord* r = loaderRecords(); r->type == 0; ++r) {
        const bool continues = !block.empty() && blockAddress + block.size() == r->address &&
                               block.size() + r->length <= HexImage::MAX_SEGMENT;
        if (!continues) {
            if (!flush()) return 0;
            blockAddress = r->address;
        }
        block.insert(block.end(), r->data, r->data + r->length);
    }
    if (!flush()) return 0;
    ResetBit(device, 0);
    return 1;
}

int FirmwareDownload::DownloadFirmware(UsbDevice& device, const char* path) {
    std::unique_ptr<HexImage> image(new (std::nothrow) HexImage);
    if (!image) {
        note("DownloadFirmware: Insufficient resources\n");
        return 0;
    }
    // A file that cannot be used is no glitch: it is read once and its reason kept.
    if (LoadHexFile(*image, path, &d_message, &d_fileProblem) == 0) return 0;
    if (image->hasExternalSegments()) {
        if (!DownloadLoader(device)) return 0;
        for (const HexSegment& s : image->d_segments) {
            if (s.address < HexImage::EXTERNAL_MEMORY) continue;
            if (!WriteRam(device, static_cast<std::uint16_t>(s.address), static_cast<int>(s.length),
                          image->segmentData(s), LOAD_EXTERNAL))
                return 0;
        }
    }
    if (!ResetBit(device, 1)) return 0;
    for (const HexSegment& s : image->d_segments) {
        if (s.address >= HexImage::EXTERNAL_MEMORY) continue;
        if (!WriteRam(device, static_cast<std::uint16_t>(s.address), static_cast<int>(s.length), image->segmentData(s),
                      LOAD_INTERNAL))
            return 0;
    }
    ResetBit(device, 0);
    return 1;
}

int DownloadAllDevices(UsbBackend& backend, const char* path) {
    FirmwareDownload download(backend);
    return download.DownloadAllDevices(path);
}
