// The reference waveform: its file, and its re-render at the current scales.
#include "control.h"

#include "buffer_raw_data.h"
#include "buffer_raw_data_stop.h"
#include "ini_file.h"
#include "reference_file.h"
#include "rerender.h"
#include "trevan_error.h"

#include <algorithm>
#include <cassert>
#include <memory>
#include <new>

namespace {

const char* const kReferenceSource = "kernel\\control_reference";

constexpr std::size_t kLargestFile = REFERENCE_HEADER_SIZE + 2 * std::size_t(REFERENCE_MAX_SAMPLES);

// The reference buffer for `file`, built aside so that a failed allocation changes nothing.
std::unique_ptr<BufferRawDataStop> referenceBuffer(const ReferenceFile& file) {
    auto ref = std::unique_ptr<BufferRawDataStop>(new (std::nothrow) BufferRawDataStop());
    const int n = static_cast<int>(file.samples.size());
    if (!ref) {
        push_error(_ERR_MEMORY, kReferenceSource, __LINE__);
        return nullptr;
    }
    if (!ref->resize(n, _CH1)) return nullptr;
    std::copy(file.samples.begin(), file.samples.end(), ref->data(_CH1));
    ref->d_bufferSize = n;
    ref->d_timeDiv = file.timeDiv;
    ref->d_horizontalPosition = file.horizontalPosition;
    ref->d_sourceChannel = file.channel;
    ref->d_voltageDivCh1 = file.voltageDiv;
    ref->d_voltageOffsetCh1 = static_cast<int>(file.offsetRow);
    ref->d_channelCouplingCh1 = file.coupling;
    return ref;
}

} // namespace

bool Control::saveReference(int ch, const char* path) {
    d_fileFailure.clear();
    const State& s = *p_state;
    if (!path || (ch != _CH1 && ch != _CH2) || !s.d_channel[ch].channelOnOff) return false;
    const short* record = p_bufferRawData->data(ch);
    const int n = s.d_bufferSize;
    if (!record || n < 1 || n > REFERENCE_MAX_SAMPLES || p_bufferRawData->size(ch) < n) return false;

    const ChannelSettings& c = s.d_channel[ch];
    ReferenceFile file;
    file.timeDiv = s.d_timeDiv;
    file.voltageDiv = c.voltageDiv;
    // An inverted trace is drawn about the mirrored offset.
    file.offsetRow = c.invertOnOff ? 400.0 - c.voltageOffset : c.voltageOffset;
    file.horizontalPosition = s.d_horizontalPosition;
    file.coupling = c.channelCoupling;
    file.channel = ch;
    file.samples.assign(record, record + n);

    auto ref = referenceBuffer(file);
    if (!ref) return false;
    std::string why;
    if (!atomicWriteFile(path, packReferenceFile(file), &why)) {
        push_error(_ERR_TEMPORARY_FILE, kReferenceSource, __LINE__, why);
        return false;
    }
    p_bufferRawDataRef = std::move(ref);
    return true;
}

bool Control::loadReference(const char* path) {
    d_fileFailure.clear();
    std::string bytes;
    if (!path) return false;
    if (const int e = readWholeFile(path, kLargestFile, bytes)) {
        d_fileFailure = readErrorText(e);
        return false;
    }
    ReferenceFile file;
    if (unpackReferenceFile(bytes, file) != ReferenceFileError::None) {
        d_fileFailure = "it is not a reference file";
        return false;
    }
    auto ref = referenceBuffer(file);
    if (!ref) return false;
    p_bufferRawDataRef = std::move(ref);
    return true;
}

bool Control::updateReference() {
    short* record = p_bufferRawData->data(_REFERENCE);
    if (!record) return false;
    std::fill_n(record, std::min(p_state->d_bufferSize, p_bufferRawData->size(_REFERENCE)), EMPTY_SAMPLE);
    redrawReference();
    return true;
}

bool Control::redrawReference() {
    assert(p_bufferRawDataRef && "p_bufferRawDataRef");
    if (!p_bufferRawDataRef) return false;
    const BufferRawDataStop& ref = *p_bufferRawDataRef;
    if (ref.d_bufferSize < 1 || !rerenderFrozen(ref, _CH1, _REFERENCE)) return false;

    // Gains of the channel the waveform came from, under its stored coupling.
    const ChannelSettings& now = p_state->d_channel[_REFERENCE];
    VerticalScales v;
    v.captureVoltDiv = ref.d_voltageDivCh1;
    v.voltDiv = now.voltageDiv;
    v.captureGain = getCalibrationGain(ref.d_sourceChannel, ref.d_channelCouplingCh1, v.captureVoltDiv);
    v.gain = getCalibrationGain(ref.d_sourceChannel, ref.d_channelCouplingCh1, v.voltDiv);
    v.captureOffsetRow = ref.d_voltageOffsetCh1;
    v.offsetRow = static_cast<int>(now.voltageOffset);
    return rescaleRows(_REFERENCE, v);
}
