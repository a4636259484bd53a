#pragma once
// Finds the programmed instrument on USB and carries every transfer of the command layer
// to it: vendor control transfers on the default pipe and bulk reads from pipe 0x82.
// Works on a UsbBackend (libusb or the simulated instrument).
//
// Transfers return the bytes moved, or -1 on failure after telling the user (notifier.h)
// the backend's status text and the words of the operation ("error on read", "error on
// write", "error on read82", "error on transfer82"). Once the active instrument has been
// unplugged every transfer fails at once with -1 and the loss is told only once.
// Time-outs are milliseconds. All transfers go to the active (first found) instrument.

#include "usb_backend.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// While one lives, the failures of its thread's transfers tell the user nothing (the loss of
// the instrument still is told once): a transfer that will be asked again, or an operation
// that reports its outcome once through the error stack, holds them back.
class MessageHold {
public:
    MessageHold();
    ~MessageHold();
    MessageHold(const MessageHold&) = delete;
    MessageHold& operator=(const MessageHold&) = delete;
    static bool active();
};

class USBWinDriver {
public:
    static constexpr std::uint16_t VENDOR_ID = 0x0DA8;
    static constexpr std::uint16_t PRODUCT_ID = 0x0001;
    // The instrument's controller before its firmware runs: a unit that lost its power
    // comes back as this.
    static constexpr std::uint16_t CONTROLLER_VENDOR_ID = 0x0547;
    static constexpr std::uint16_t CONTROLLER_PRODUCT_ID = 0x2131;
    static constexpr int MAX_DEVICES = 4;
    static constexpr unsigned char BULK_PIPE = 0x82;
    static constexpr int MESSAGE_SIZE = 100;    // characters of the message buffer with its end
    static constexpr int ATTACH_WAIT_MS = 2000; // first wait for an instrument
    // A timed-out read outside _NORMAL mode is repeated only while all its waits stay within
    // this: an instrument that stops answering must not hold a capture for minutes.
    static constexpr int REPEAT_BUDGET_MS = 1500;
    static constexpr int NO_TIMEOUT_SLICE_MS = 250;    // a read "without time-out" waits in slices of this
    static constexpr int NO_TIMEOUT_CEILING_MS = 2000; // ... and gives up after this much waiting

    explicit USBWinDriver(std::shared_ptr<UsbBackend> backend);
    ~USBWinDriver();
    USBWinDriver(const USBWinDriver&) = delete;
    USBWinDriver& operator=(const USBWinDriver&) = delete;

    // True when one to four instruments are attached and the first is open. Pushes error 2
    // ("No TrevanA found"), 3 ("Too many TrevanA found") or 4 (the device cannot be opened).
    bool open();
    // Stops watching the bus and closes the instrument.
    void close();

    // Vendor request device to host; `setup_p` holds the 8 setup bytes, whose wLength is
    // replaced by `length_`. A read that times out is repeated (within REPEAT_BUDGET_MS)
    // unless the trigger mode is _NORMAL; in _NORMAL mode, or when abortReadFlag is raised,
    // the time-out returns the bytes read so far without a message.
    int controlRead(unsigned char* data_p, int length_, const unsigned char* setup_p, int timeOut_, int slot_);
    // Host to device; data_p may be null when length_ is 0.
    int controlWrite(const unsigned char* data_p, int length_, const unsigned char* setup_p, int timeOut_, int slot_);
    // Bulk read on pipe 0x82, time-out repeats as controlRead. timeOut_ 0 waits in slices
    // up to NO_TIMEOUT_CEILING_MS, and returns early (the bytes so far, no message) when
    // abortReadFlag is raised. A short packet ends the read: the bytes so far.
    int bulkRead(unsigned char* buffer_p, int length_, int timeOut_, int slot_);
    // The outcome of the last transfer (Timeout also when it ended without a message).
    UsbStatus lastStatus() const { return d_lastStatus.load(); }
    // Zero-length transfer on pipe 0x82: 0, or -1 after "error on transfer82".
    int zeroLengthTransfer82();
    // Clears a halt of pipe 0x82: 0 on success, else the status number.
    unsigned long resetPipe82();

    // How the transfers learn the trigger mode (_AUTO or _NORMAL); without it _AUTO.
    void setTriggerModeQuery(std::function<int()> query);

    // Text of the interface selection step (at most 99 characters).
    const char* message() const { return d_message.c_str(); }
    int deviceCount() const { return d_deviceCount; }
    bool deviceLost() const { return d_activeLost.load(); }
    // An instrument arrived after the active one was lost (re-plugged), or while none was
    // open: open() takes it.
    bool instrumentReturned() const { return d_returned.load(); }
    // An unprogrammed controller is on the bus (watched from open() to close()): it needs
    // its firmware before an instrument can be opened.
    bool controllerWaiting() const { return d_controllers.load() > 0; }
    // Instruments and controllers that arrived since open() (those present then included).
    int arrivals() const { return d_arrivals.load(); }
    // A device is open (until the next close()); it may have been lost since.
    bool isOpen() const { return d_open.load(); }

private:
    struct DeviceNode {
        UsbDeviceId id;
        std::uint16_t vendorId;
        std::uint16_t productId;
    };

    bool initLibrary();
    bool openDevice();
    void unwatchAll();
    void deviceAttach(const UsbDeviceInfo& device);
    void deviceDetach(const UsbDeviceInfo& device);
    void controllerEvent(const UsbDeviceInfo& device, bool arrived);
    bool readsRepeatOnTimeout() const;
    // The common end of a transfer: -1 after the messages, or the count.
    int finish(UsbStatus status, int transferred, const char* words);
    // Whether a read that timed out after waiting `waited` may be issued again.
    bool repeatAfterTimeout(std::chrono::milliseconds waited, int timeOut_) const;
    void setMessage(const std::string& text);

    std::shared_ptr<UsbBackend> p_backend;
    std::string d_message;
    std::unique_ptr<UsbDevice> p_device; // the active instrument, open
    std::array<UsbDeviceId, MAX_DEVICES> d_slots{};
    int d_deviceCount = 0;
    std::function<int()> d_triggerModeQuery;

    // Device list context, shared with the attach and detach handlers (backend thread).
    std::mutex d_listMutex;
    std::condition_variable d_attachEvent;
    std::vector<DeviceNode> d_list;
    UsbDeviceId d_active = 0; // 0: none
    UsbBackend::WatchId d_watch = -1;
    UsbBackend::WatchId d_controllerWatch = -1;
    std::vector<UsbDeviceId> d_controllerIds; // under d_listMutex
    std::atomic<int> d_controllers{0};
    std::atomic<bool> d_open{false};
    std::atomic<int> d_arrivals{0};
    std::atomic<bool> d_openFailed{false}; // the last open() found nothing to open

    std::atomic<bool> d_activeLost{false};
    std::atomic<bool> d_lossReported{false};
    std::atomic<bool> d_returned{false};
    std::atomic<UsbStatus> d_lastStatus{UsbStatus::Success};
};
