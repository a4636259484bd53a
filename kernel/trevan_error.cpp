#include "trevan_error.h"

#include <array>
#include <mutex>
#include <string>

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
    std::string what;
};

struct ErrorStack {
    std::mutex mutex;
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
    e.what = what;
    ++s.count;
}

const char* get_error_text() {
    ErrorStack& s = stack();
    std::lock_guard lock(s.mutex);
    s.text.clear();
    for (int i = s.count - 1; i >= 0; --i) {
        s.text += "Error : ";
        const Entry& e = s.entry[static_cast<size_t>(i)];
        s.text += error_message(e.code);
        if (!e.what.empty()) s.text += " (" + e.what + ")";
        s.text += '\n';
    }
    s.count = 0;
    return s.text.c_str();
}

int error_count() {
    ErrorStack& s = stack();
    std::lock_guard lock(s.mutex);
    return s.count;
}
