#include "data_acquisition.h"

#include "buffer_raw_data.h"
#include "calibration.h"
#include "hardware.h"
#include "state.h"
#include "trevan_error.h"

#include <algorithm>
#include <cassert>

namespace {

const char* const kAcquisitionSource = "kernel\\data_acquisition";

// Words checked per pass before the slow search for the culprit.
constexpr int CHECK_BLOCK = 512;

} // namespace

int firstBadSampleWord(const unsigned char* data, int words, int strideBytes) {
    for (int start = 0; start < words; start += CHECK_BLOCK) {
        const int end = std::min(words, start + CHECK_BLOCK);
        unsigned bad = 0;
        const unsigned char* p = data + static_cast<std::ptrdiff_t>(start) * strideBytes;
        for (int i = start; i < end; ++i, p += strideBytes) {
            const unsigned x = static_cast<unsigned>(p[0] ^ p[1]);
            bad |= (x & 0x40u) | (~x & 0x80u);
        }
        if (!bad) continue;
        p = data + static_cast<std::ptrdiff_t>(start) * strideBytes;
        for (int i = start; i < end; ++i, p += strideBytes)
            if (sampleWordError(p[0], p[1])) return i;
    }
    return -1;
}

int tdcPhaseOf(int status, int hardwareVersion, int ETSOffset, int ETSMin, int ETSMax, int ETSOffsetMargin,
               double ETSRejectMargin) {
    int a;
    if (hardwareVersion >= _HW3)
        a = 143 - ((status & STATUS_TDC_MASK) + 128 * ((status & STATUS_TDC_BIT7) ? 1 : 0));
    else
        a = 86 - (status & STATUS_TDC_MASK);
    a &= 0xFF;
    int p = (a + ETSOffset + ETSOffsetMargin) & 0xFF;
    if (p > ETSMax) p = (p - ETSMax + ETSMin) & 0xFF;
    const int r = ETSMax - ETSMin;
    const int g = static_cast<int>(ETSMax - ETSRejectMargin * r);
    const int l = static_cast<int>(ETSMin + ETSRejectMargin * r);
    if (p > g || p < l || g == l) return -1;
    return (p - l) * 49 / (g - l);
}

void updateETSWindow(State& s) {
    static constexpr double kScale[7] = {0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1.0};
    static constexpr int kPointsPerSample[11] = {100, 50, 20, 10, 5, 2, 1, 1, 1, 1, 1};
    const int td = s.d_timeDiv;
    const double scale = td >= 0 && td <= 6 ? kScale[td] : 1.0;
    const double zoom = 20.0 * scale;
    const int width = static_cast<int>(s.d_bufferSize * scale);
    int start = s.d_bufferSize / 2 - width / 2;
    if (s.d_horizontalPosition < 0) start = static_cast<int>(start + s.d_horizontalPosition * zoom);
    if (start < 0) start = 0;
    const int end = std::min(start + width, s.d_bufferSize);
    s.d_ETSPointsPerSample = td >= 0 && td <= 10 ? kPointsPerSample[td] : 1;
    s.d_ETSWindowStart = start;
    s.d_ETSWindowLength = std::max(end - start, 0);
}

DataAcquisition::DataAcquisition(Hardware* hardware_p, BufferRawData* bufferRawData_p, State* state_p,
                                 AverageSlotCounters* counters)
    : p_hardware(hardware_p), p_bufferRawData(bufferRawData_p), p_state(state_p),
      p_counters(counters ? counters : &d_ownCounters) {
    assert(hardware_p && "hardware_p");
    assert(bufferRawData_p && "bufferRawData_p");
    assert(state_p && "state_p");
}

DataAcquisition::~DataAcquisition() = default;

bool DataAcquisition::decodeSampleWord(unsigned char a, unsigned char b, int& value, int& channel) {
    if (const int error = sampleWordError(a, b)) {
        push_error(error, kAcquisitionSource, error == _ERR_CHANNEL_BITS ? 120 : 126);
        return false;
    }
    value = sampleWordValue(a, b);
    channel = sampleWordChannelBit(a) ? _CH2 : _CH1;
    return true;
}

unsigned int DataAcquisition::readableBytes(const SampleRecord& record) { return record.data ? record.bytes : 0; }

bool DataAcquisition::conversionFailed(int line) {
    push_error(_ERR_CONVERT_RAW, kAcquisitionSource, line);
    return false;
}

bool DataAcquisition::decodeStatus(const SampleRecord& record, int& status) const {
    if (readableBytes(record) < FIRST_SAMPLE_OFFSET) return conversionFailed(__LINE__);
    const unsigned char* d = record.data;
    int channel = 0;
    if (!decodeSampleWord(d[STATUS_WORD_OFFSET], d[STATUS_WORD_OFFSET + 1], status, channel))
        return conversionFailed(__LINE__);
    return true;
}

bool DataAcquisition::checkWords(const SampleRecord& record, int offset, int words, int strideBytes) const {
    if (words <= 0) return true;
    const std::size_t last = static_cast<std::size_t>(offset) + static_cast<std::size_t>(words - 1) * strideBytes + 2;
    if (offset < 0 || last > readableBytes(record)) return conversionFailed(__LINE__);
    const unsigned char* d = record.data + offset;
    const int bad = firstBadSampleWord(d, words, strideBytes);
    if (bad < 0) return true;
    const unsigned char* w = d + static_cast<std::ptrdiff_t>(bad) * strideBytes;
    int value = 0, channel = 0;
    decodeSampleWord(w[0], w[1], value, channel);
    return conversionFailed(__LINE__);
}

short DataAcquisition::correctedWord(const SampleRecord& record, int offset, bool correct) const {
    const unsigned char* w = record.data + offset;
    const int value = sampleWordValue(w[0], w[1]);
    const Calibration* cal = p_state->p_calibration;
    if (!correct || !cal) return static_cast<short>(value);
    return sampleWordChannelBit(w[0]) ? cal->d_codeTable2[value] : cal->d_codeTable1[value];
}

bool DataAcquisition::storeSample(const SampleRecord& record, int ch, int offset, int position, int slot) {
    assert((ch == _CH1 || ch == _CH2) && "ch_ == _CH1 || ch_ == _CH2");
    if (!checkWords(record, offset, 1, 2)) return false;
    placeWord(record, ch, offset, position, slot);
    return true;
}

void DataAcquisition::placeWord(const SampleRecord& record, int ch, int offset, int position, int slot) {
    if (position < 0 || position >= p_state->d_bufferSize || position >= p_bufferRawData->size(ch)) return;
    const short code = correctedWord(record, offset, true);
    if (slot < 0)
        p_bufferRawData->set(ch, position, code);
    else
        p_bufferRawData->setHistory(slot, ch, position, code);
}

int DataAcquisition::stepCount() const {
    const int length = std::max(p_state->d_acquireLength, 0);
    return length - length % 100;
}

int DataAcquisition::tdcPhaseOfStatus(int status) const {
    const Calibration* cal = p_state->p_calibration;
    if (!cal) return -1;
    return tdcPhaseOf(status, p_state->d_hardwareVersion, cal->ETSOffset, cal->ETSMin, cal->ETSMax,
                      p_state->d_ETSOffsetMargin, p_state->d_ETSRejectMargin);
}

int DataAcquisition::tdcPhase(const SampleRecord& record) const {
    if (readableBytes(record) < 2) return -1;
    const unsigned char* d = record.data;
    if (sampleWordError(d[0], d[1])) return -1;
    return tdcPhaseOfStatus(sampleWordValue(d[0], d[1]));
}

int DataAcquisition::capturePhase(int tdc, int status) const {
    int phase = tdc;
    if (!(status & STATUS_HALF_PHASE)) phase += 50;
    switch (p_state->d_timeDiv) {
    case _400NS_DIV: return phase / 2;
    case _1US_DIV: return phase / 5;
    case _2US_DIV: return phase / 10;
    case _4US_DIV: return phase / 20;
    default: return phase;
    }
}

double DataAcquisition::stepOffset(int phase) const {
    const double k = p_state->d_horizontalOffset * p_state->d_samplesPerPixel;
    p_state->d_ETSPhase = static_cast<int>(phase - k);
    return k;
}

int DataAcquisition::stepPosition(int i, int phase, double k) const {
    return static_cast<int>(i * p_state->d_ETSStep + phase - k);
}

bool DataAcquisition::averaging() const { return p_state->d_averageCount != 1; }

bool DataAcquisition::averageChannelsOn() {
    bool ok = true;
    if (p_state->d_channelsOnOff & _CH1_ON_CH2_OFF) ok = p_bufferRawData->average(_CH1) && ok;
    if (p_state->d_channelsOnOff & _CH1_OFF_CH2_ON) ok = p_bufferRawData->average(_CH2) && ok;
    return ok;
}

bool DataAcquisition::recordsPresent() const {
    for (int ch : {_CH1, _CH2}) {
        if (!(p_state->d_channelsOnOff & ch)) continue;
        if (!p_bufferRawData->data(ch)) {
            push_error(_ERR_NO_BUFFER, kAcquisitionSource, __LINE__);
            return false;
        }
    }
    return true;
}
