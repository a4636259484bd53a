#pragma once
// The kernel's error stack: an operation that fails pushes a code with its source file
// and line, then returns false. The start-up code turns the stack into text.
// Safe to use from the GUI and the worker thread at once.

#include <string>

enum ERROR_NUMBER {
    _ERR_MEMORY = 0, // "Not enough memory for allocation"
    _ERR_USB_OPEN = 1,
    _ERR_NO_DEVICE = 2,
    _ERR_TOO_MANY_DEVICES = 3,
    _ERR_USB_DEVICE_OPEN = 4,
    _ERR_USB_DRIVER_VERSION = 5,
    _ERR_WRITE_REGISTERS = 6,
    _ERR_READ_REGISTERS = 7,
    _ERR_READ_BUFFER = 8,
    _ERR_CONVERT_RAW = 9,
    _ERR_READ_CALIBRATION = 10,
    _ERR_WRITE_CALIBRATION = 11,
    _ERR_CALIBRATION_FORMAT = 12,
    _ERR_TEMPORARY_FILE = 13,
    _ERR_MAIN_PATH = 14,
    _ERR_FIRMWARE_PATH = 15,
    _ERR_NO_BUFFER = 16,
    _ERR_CHANNEL_BITS = 17,
    _ERR_SAMPLE_BITS = 18,
    _ERR_CRITICAL = 19,
    _ERR_FFT_SIZE = 20,
    _ERR_NO_PARAMETER = 21,
    _ERR_NULL_MEMORY = 22,
    _ERR_HARDWARE_VERSION = 23,
    _ERR_ZERO_CALIBRATION = 24,
    _ERR_TIME_OUT = 25,          // "Time-out": the instrument stopped answering
    _ERR_FIRMWARE_DOWNLOAD = 26, // "Download firmware failed": a controller was found but not loaded
    _ERR_STATUS_MISMATCH = 27,   // captures dropped one after another for differing status copies
    _ERR_INPUT_NOT_SHORTED = 28, // a zero calibration measured a signal, not a shorted input
};

constexpr int MAX_ERROR_STACK = 10;

// Records a failure. An eleventh push empties the stack first, so the newest entry survives.
void push_error(int code, const char* file, int line);
// The same, naming what failed: its line reads "Error : <message> (<what>)".
void push_error(int code, const char* file, int line, const std::string& what);

// The messages of every recorded failure, newest first, one "Error : <message>\n" line each;
// empties the stack. The text stays valid until the next call (of any thread).
const char* get_error_text();

// The message of one code; "Unknown error" for a code outside the table.
const char* error_message(int code);

// Number of entries on the stack (0..MAX_ERROR_STACK).
int error_count();

// An operation that retries or rolls back decides what of its errors stays: it takes a mark
// when it starts and looks at the errors its own thread pushed after it (another thread's
// errors are left alone).
unsigned long error_mark();
bool errors_since(unsigned long mark);
// Takes this thread's errors after the mark off the stack.
void drop_errors_since(unsigned long mark);
// Of this thread's errors after the mark only the first stays, named by `what` (its line
// reads "Error : <message> (<what>)").
void keep_first_error_since(unsigned long mark, const std::string& what);
// Takes this thread's errors after the mark off the stack and returns their text, newest
// first, as get_error_text gives it.
std::string take_errors_since(unsigned long mark);
