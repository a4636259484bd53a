#pragma once
// The Qt-free half of the data exports: the text data file ("*.dat") and the 500 points of a
// record that go into a spreadsheet. The values come from the kernel (read under the pause
// handshake by the exporters); nothing here calls it.

#include <array>
#include <functional>
#include <optional>
#include <string>

// The settings the text data file depends on.
struct WaveformFileSettings {
    int bufferSize = 0;    // samples per channel record (d_bufferSize)
    int acquireLength = 0; // d_acquireLength
    int timeDiv = 0;       // time/div code
    bool risDots = false;  // RIS method (3) with line join off (dots)
    bool bothChannels = false;
    bool points500k = false; // record length _500K
};

// Converter code -> volts of one channel (controlRawToVoltage on that channel).
using RawToVolts = std::function<double(short code)>;

// One channel of the file: `record` holds bufferSize raw codes; null leaves the channel out
// (off, or no record captured yet).
struct WaveformChannel {
    const short* record = nullptr;
    RawToVolts toVolts;
};

// Samples of this many points go into a spreadsheet column.
constexpr int SPREADSHEET_POINTS = 500;

// The raw code a sample stands for: 4096 stays the empty sample; a flagged value (20480 and
// up) is the code plus 20480.
short exportSampleCode(short raw);

// The time-step text of a time/div code (0..29; RIS columns 0..10), "" outside the table.
std::string timeStepText(int timeDiv, bool risDots, bool bothChannels, bool points500k);

// The "Data Size" of the header: on RIS with dots the acquire length less its remainder
// modulo 100, halved when both channels are on; otherwise the record size.
int dataFileSize(const WaveformFileSettings& settings);

// The whole text data file:
//   "Data Size : %9d\n", "Time step : %9s\n", "---------------------\n", then for each channel
//   given "***** CHANNEL n *****\n" and one line per sample: "%21.4f \n" with its voltage, or
//   17 blanks and "NULL\n" for an empty sample (left out on RIS with dots).
// Numbers are written in the C locale whatever the process's locale.
std::string waveformDataText(const WaveformFileSettings& settings, const WaveformChannel& ch1,
                             const WaveformChannel& ch2);

// The record in SPREADSHEET_POINTS points: point k is the mean voltage of samples k*n ..
// k*n + n - 1 (n = bufferSize / 500) that are not empty; no value when none counts.
std::array<std::optional<double>, SPREADSHEET_POINTS> spreadsheetPoints(const short* record, int bufferSize,
                                                                        const RawToVolts& toVolts);
