#include "record_source.h"

#include <algorithm>

RecordSource::~RecordSource() = default;

void MidScaleRecordSource::encodeWord(int value, int channel, unsigned char* out) {
    const unsigned char ch = static_cast<unsigned char>(channel ? 0x40 : 0x00);
    out[0] = static_cast<unsigned char>(ch | (value & 0x3F));
    out[1] = static_cast<unsigned char>(0x80 | ch | ((value >> 6) & 0x3F));
}

void MidScaleRecordSource::arm(const InstrumentSettings& settings, std::chrono::milliseconds) {
    d_settings = settings;
    d_position = 0;
}

bool MidScaleRecordSource::ready(std::chrono::milliseconds) {
    d_position = 0;
    return true;
}

int MidScaleRecordSource::read(unsigned char* out, int length) {
    const int midScale = d_settings.generation >= 3 ? 512 : 2048;
    const int status = 0x100 | 0x80 | 0x30; // triggered, first half, TDC 48
    const bool ch1 = d_settings.channel[0].enabled, ch2 = d_settings.channel[1].enabled;
    const long header = d_settings.roll ? 0 : 8;
    unsigned char word[2];
    for (int i = 0; i < length; ++i, ++d_position) {
        if (d_position < header) {
            if (d_position < 4) {
                encodeWord(status, 0, word);
                out[i] = word[d_position % 2];
            } else {
                out[i] = 0;
            }
            continue;
        }
        const long n = (d_position - header) / 2;
        const int channel = ch1 && ch2 ? static_cast<int>(n % 2) : (ch2 ? 1 : 0);
        encodeWord(midScale, channel, word);
        out[i] = word[(d_position - header) % 2];
    }
    return std::max(length, 0);
}
