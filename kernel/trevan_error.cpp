#include "trevan_error.h"

#include <array>
#include <mutex>
#include <string>
#include <thread>

namespace {

constexpr std::array<const char*, 29> kMessages = {
    "Not enough memory for allocation",
    "USB Open Error",
    "No TrevanA found",
    "Too many TrevanA found",
    "USB Device Open Error",
    "USB Incorrect WinDriver version",
    "Can't write FPGA registers",
    "Can't read FPGA registers",
    "Can't read data from buffer",
    "Can't convert data from usb to raw data    ",
    "Can't read calibration data from hardware",
    "Can't write calibration data to hardware",
    "Format error of Calibration1 format",
    "Can't create temporaty file - Win32 Error",
    "Can't find TrevanA Path from the registry",
    "Can't find firmware path from the registry",
    "There is no buffer",
    "While transforming data from hardware to raw data, ch1 and ch2 bit is different",
    "While transforming data from hardware to raw data, bit1 and bit2 is different",
    "Error Critical",
    "FFT data size is not 2^n",
    "No such parameter",
    "Attempt to write NULL memory data",
    "Hardware Version in TrevanA doesn't match with registry",
    "Error in Zero Calibration",
    "Time-out",
    "Download firmware failed",
    "The two status words of the instrument differ",
    "The input is not shorted: short the input and calibrate again",
};

struct Entry {
    int code = 0;
    std::string file;
    int line = 0;
    unsigned long serial = 0;
    std::thread::id thread;
    std::string what;
};

struct ErrorStack {
    std::mutex mutex;
    unsigned long pushes = 0;
    int count = 0;
    std::array<Entry, MAX_ERROR_STACK> entry;
    std::string text;
};

ErrorStack& stack() {
    static ErrorStack s;
    return s;
}

} // namespace

const char* error_message(int code) {
    if (code < 0 || code >= static_cast<int>(kMessages.size())) return "Unknown error";
    return kMessages[static_cast<size_t>(code)];
}

void push_error(int code, const char* file, int line) { push_error(code, file, line, std::string()); }

void push_error(int code, const char* file, int line, const std::string& what) {
    ErrorStack& s = stack();
    std::lock_guard lock(s.mutex);
    if (s.count > MAX_ERROR_STACK - 1) s.count = 0;
    Entry& e = s.entry[static_cast<size_t>(s.count)];
    e.code = code;
    e.file = file ? file : "";
    e.line = line;
    e.serial = ++s.pushes;
    e.thread = std::this_thread::get_id();
    e.what = what;
    ++s.count;
}

namespace {

bool ownSince(const Entry& e, unsigned long mark) { return e.serial > mark && e.thread == std::this_thread::get_id(); }

void appendLine(std::string& text, const Entry& e) {
    text += "Error : ";
    text += error_message(e.code);
    if (!e.what.empty()) text += " (" + e.what + ")";
    text += '\n';
}

// Removes the entries `drop` picks, keeping the order of the rest.
template <class Pick>
void removeIf(ErrorStack& s, Pick drop) {
    int kept = 0;
    for (int i = 0; i < s.count; ++i) {
        Entry& e = s.entry[static_cast<size_t>(i)];
        if (drop(e)) continue;
        if (kept != i) s.entry[static_cast<size_t>(kept)] = std::move(e);
        ++kept;
    }
    s.count = kept;
}

} // namespace

unsigned long error_mark() {
    ErrorStack& s = stack();
    std::lock_guard lock(s.mutex);
    return s.pushes;
}

bool errors_since(unsigned long mark) {
    ErrorStack& s = stack();
    std::lock_guard lock(s.mutex);
    for (int i = 0; i < s.count; ++i)
        if (ownSince(s.entry[static_cast<size_t>(i)], mark)) return true;
    return false;
}

void drop_errors_since(unsigned long mark) {
    ErrorStack& s = stack();
    std::lock_guard lock(s.mutex);
    removeIf(s, [&](const Entry& e) { return ownSince(e, mark); });
}

void keep_first_error_since(unsigned long mark, const std::string& what) {
    ErrorStack& s = stack();
    std::lock_guard lock(s.mutex);
    bool first = true;
    removeIf(s, [&](Entry& e) {
        if (!ownSince(e, mark)) return false;
        if (!first) return true;
        first = false;
        e.what = what;
        return false;
    });
}

std::string take_errors_since(unsigned long mark) {
    ErrorStack& s = stack();
    std::lock_guard lock(s.mutex);
    std::string text;
    for (int i = s.count - 1; i >= 0; --i)
        if (ownSince(s.entry[static_cast<size_t>(i)], mark)) appendLine(text, s.entry[static_cast<size_t>(i)]);
    removeIf(s, [&](const Entry& e) { return ownSince(e, mark); });
    return text;
}

const char* get_error_text() {
    ErrorStack& s = stack();
    std::lock_guard lock(s.mutex);
    s.text.clear();
    for (int i = s.count - 1; i >= 0; --i) appendLine(s.text, s.entry[static_cast<size_t>(i)]);
    s.count = 0;
    return s.text.c_str();
}

int error_count() {
    ErrorStack& s = stack();
    std::lock_guard lock(s.mutex);
    return s.count;
}
