#include "reference_file.h"

#include "codes.h"

#include <bit>
#include <cmath>

namespace {

constexpr int kMaxTimeDiv = _100S_DIV;
constexpr int kMaxVoltDiv = _10V_DIV;

void putBytes(std::string& out, std::size_t at, std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t getBytes(std::string_view in, std::size_t at, int count) {
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) value |= std::uint64_t(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return value;
}

void putInt16(std::string& out, std::size_t at, int value) {
    putBytes(out, at, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)), 2);
}
void putDouble(std::string& out, std::size_t at, double value) {
    putBytes(out, at, std::bit_cast<std::uint64_t>(value), 8);
}
int getInt16(std::string_view in, std::size_t at) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(getBytes(in, at, 2)));
}
double getDouble(std::string_view in, std::size_t at) { return std::bit_cast<double>(getBytes(in, at, 8)); }

} // namespace

bool isStorableRawSample(int value) {
    return (value >= 0 && value <= EMPTY_SAMPLE) ||
           (value >= FLAGGED_SAMPLE_BASE && value < FLAGGED_SAMPLE_BASE + EMPTY_SAMPLE);
}

std::string packReferenceFile(const ReferenceFile& f) {
    const std::size_t n = f.samples.size();
    std::string out(REFERENCE_HEADER_SIZE + 2 * n, '\0');
    putBytes(out, 0, static_cast<std::uint32_t>(static_cast<std::int32_t>(n)), 4);
    putInt16(out, 4, f.timeDiv);
    putInt16(out, 6, f.voltageDiv);
    putDouble(out, 8, f.offsetRow);
    putDouble(out, 16, f.horizontalPosition);
    putInt16(out, 24, f.coupling);
    out[26] = static_cast<char>('0' + f.channel);
    for (std::size_t i = 0; i < n; ++i) putInt16(out, REFERENCE_HEADER_SIZE + 2 * i, f.samples[i]);
    return out;
}

ReferenceFileError unpackReferenceFile(std::string_view in, ReferenceFile& out) {
    using E = ReferenceFileError;
    if (in.size() < static_cast<std::size_t>(REFERENCE_HEADER_SIZE)) return E::TooShort;
    const auto count = static_cast<std::int32_t>(static_cast<std::uint32_t>(getBytes(in, 0, 4)));
    if (count < 1 || count > REFERENCE_MAX_SAMPLES) return E::BadCount;
    if (in.size() != REFERENCE_HEADER_SIZE + 2 * static_cast<std::size_t>(count)) return E::WrongSize;

    ReferenceFile f;
    f.timeDiv = getInt16(in, 4);
    if (f.timeDiv < 0 || f.timeDiv > kMaxTimeDiv) return E::BadTimeDiv;
    f.voltageDiv = getInt16(in, 6);
    if (f.voltageDiv < 0 || f.voltageDiv > kMaxVoltDiv) return E::BadVoltDiv;
    f.offsetRow = getDouble(in, 8);
    if (!(f.offsetRow >= 0.0 && f.offsetRow <= 400.0)) return E::BadOffset;
    f.horizontalPosition = getDouble(in, 16);
    if (!(f.horizontalPosition >= -32768.0 && f.horizontalPosition <= 32767.0)) return E::BadPosition;
    f.coupling = getInt16(in, 24);
    if (f.coupling < _AC || f.coupling > _GND) return E::BadCoupling;
    if ((in[26] != '1' && in[26] != '2') || in[27] != '\0') return E::BadChannel;
    f.channel = in[26] - '0';

    f.samples.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < f.samples.size(); ++i) {
        const int value = getInt16(in, REFERENCE_HEADER_SIZE + 2 * i);
        if (!isStorableRawSample(value)) return E::BadSample;
        f.samples[i] = static_cast<short>(value);
    }
    out = std::move(f);
    return E::None;
}
