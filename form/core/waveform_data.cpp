#include "waveform_data.h"

#include "codes.h"
#include "raw_sample.h"

#include <charconv>
#include <cstdio>

namespace {

constexpr int kTimeStepCodes = 30;
constexpr int kRisCodes = 11;

// By time/div code: 10k points one channel, 10k both, 500k one, 500k both.
const char* const kTimeStep[kTimeStepCodes][4] = {
    {"200pS", "200pS", "0ns", "0ns"},
    {"200pS", "200pS", "0ns", "0ns"},
    {"200pS", "200pS", "0ns", "0ns"},
    {"200pS", "200pS", "0ns", "0ns"},
    {"200pS", "200pS", "0ns", "0ns"},
    {"200pS", "200pS", "0ns", "0ns"},
    {"200pS", "200pS", "0ns", "0ns"},
    {"400pS", "400pS", "0ns", "0ns"},
    {"1nS", "1nS", "0ns", "0ns"},
    {"2nS", "2nS", "0ns", "0ns"},
    {"4nS", "4nS", "0ns", "0ns"},
    {"10nS", "20nS", "0ns", "0ns"},
    {"20nS", "40nS", "0ns", "0ns"},
    {"40nS", "80nS", "0ns", "0ns"},
    {"100nS", "200nS", "0ns", "0ns"},
    {"200nS", "400nS", "0ns", "0ns"},
    {"400nS", "800nS", "0ns", "0ns"},
    {"1uS", "2uS", "20ns", "40ns"},
    {"2uS", "4uS", "40ns", "80ns"},
    {"4uS", "8uS", "80ns", "160ns"},
    {"10uS", "20uS", "200ns", "400ns"},
    {"20uS", "40uS", "400ns", "800ns"},
    {"40uS", "80uS", "800ns", "1.6us"},
    {"100uS", "200uS", "2us", "4us"},
    {"200uS", "400uS", "4us", "8us"},
    {"400uS", "800uS", "8us", "16us"},
    {"10/3ms(3.333ms)", "10/3ms(3.333ms)", "0ns", "0ns"},
    {"20/3ms(6.666ms)", "20/3ms(6.666ms)", "0ns", "0ns"},
    {"40/3ms(13.33ms)", "40/3ms(13.33ms)", "0ns", "0ns"},
    {"100/3ms(33.33ms)", "100/3ms(33.33ms)", "0ns", "0ns"},
};

// "%21.4f " without the locale: a German desktop must not get decimal commas.
void appendVoltLine(std::string& out, double volts) {
    char digits[64];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, volts, std::chars_format::fixed, 4);
    const std::string_view text(digits, ec == std::errc() ? static_cast<size_t>(end - digits) : 0);
    if (text.size() < 21) out.append(21 - text.size(), ' ');
    out.append(text);
    out.append(" \n");
}

void appendChannel(std::string& out, const char* title, const WaveformChannel& ch, int bufferSize, bool risDots) {
    if (!ch.record || !ch.toVolts) return;
    out += title;
    for (int i = 0; i < bufferSize; ++i) {
        const short code = exportSampleCode(ch.record[i]);
        if (code == EMPTY_SAMPLE) {
            if (!risDots) out += "                 NULL\n";
            continue;
        }
        appendVoltLine(out, ch.toVolts(code));
    }
}

} // namespace

short exportSampleCode(short raw) { return static_cast<short>(unflaggedSample(raw)); }

std::string timeStepText(int timeDiv, bool risDots, bool bothChannels, bool points500k) {
    if (risDots) {
        if (timeDiv < 0 || timeDiv >= kRisCodes) return "";
        return bothChannels ? "20ns" : "10ns";
    }
    if (timeDiv < 0 || timeDiv >= kTimeStepCodes) return "";
    return kTimeStep[timeDiv][(points500k ? 2 : 0) + (bothChannels ? 1 : 0)];
}

int dataFileSize(const WaveformFileSettings& s) {
    if (!s.risDots) return s.bufferSize;
    const int whole = s.acquireLength - s.acquireLength % 100;
    return s.bothChannels ? whole / 2 : whole;
}

std::string waveformDataText(const WaveformFileSettings& s, const WaveformChannel& ch1, const WaveformChannel& ch2) {
    char line[64];
    std::string out;
    std::snprintf(line, sizeof line, "Data Size : %9d\n", dataFileSize(s));
    out += line;
    const std::string step = timeStepText(s.timeDiv, s.risDots, s.bothChannels, s.points500k);
    std::snprintf(line, sizeof line, "Time step : %9s\n", step.c_str());
    out += line;
    out += "---------------------\n";
    appendChannel(out, "***** CHANNEL 1 *****\n", ch1, s.bufferSize, s.risDots);
    appendChannel(out, "***** CHANNEL 2 *****\n", ch2, s.bufferSize, s.risDots);
    return out;
}

std::array<std::optional<double>, SPREADSHEET_POINTS> spreadsheetPoints(const short* record, int bufferSize,
                                                                        const RawToVolts& toVolts) {
    std::array<std::optional<double>, SPREADSHEET_POINTS> points;
    if (!record || !toVolts) return points;
    const int n = bufferSize / SPREADSHEET_POINTS;
    for (int k = 0; k < SPREADSHEET_POINTS; ++k) {
        double sum = 0;
        int count = 0;
        for (int i = k * n; i < k * n + n; ++i) {
            const short code = exportSampleCode(record[i]);
            if (code == EMPTY_SAMPLE) continue;
            sum += toVolts(code);
            ++count;
        }
        if (count > 0) points[static_cast<size_t>(k)] = sum / count;
    }
    return points;
}
