// The calibration memory's page layout (format 1) and the decoding of a whole memory image.

#include "calibration.h"

#include "codes.h"
#include "fixed_point.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

namespace {

enum class Word { Int, Fixed3, Fixed4 };

constexpr int PAGE_0x1C0 = 7;
constexpr int PAGE_0x380 = 14;
constexpr unsigned char FORMAT2_MARK[2] = {0xAA, 0x55};

// Calls visit(word, kind, elements, count) for every word of one page that carries a
// constant, in word order. A group word stands for a run of volt/div indices (0..4, 5..7,
// 8..10): count is the run's length, and the run's first element is the one encoded.
// Cal is Calibration or const Calibration, so packing and unpacking share one layout.
template <class Cal, class Visit>
void visitPage(Cal& c, int page, Visit&& visit) {
    auto run = [&](int word, Word kind, auto* array, int first, int count) {
        for (int i = 0; i < count; ++i) visit(word + i, kind, array + first + i, 1);
    };
    auto groups = [&](int word, Word kind, auto* array) {
        visit(word, kind, array, 5);
        visit(word + 1, kind, array + 5, 3);
        visit(word + 2, kind, array + 8, 3);
    };
    auto one = [&](int word, Word kind, auto& value) { visit(word, kind, &value, 1); };

    switch (page) {
    case 0:
        groups(0, Word::Fixed3, c.ampACCh1);
        groups(3, Word::Fixed3, c.ampDCCh1);
        groups(6, Word::Fixed3, c.ampACCh2);
        groups(9, Word::Fixed3, c.ampDCCh2);
        run(12, Word::Fixed4, c.nonlinearConstCh1, 0, 3);
        run(15, Word::Fixed4, c.nonlinearConstCh2, 0, 3);
        one(18, Word::Int, c.oldOffsetCh1);
        one(19, Word::Int, c.oldOffsetCh2);
        run(20, Word::Int, c.triggerCh1, 0, 11);
        run(31, Word::Int, c.triggerCh2, 0, 1);
        break;
    case 1:
        run(0, Word::Int, c.triggerCh2, 1, 10);
        run(10, Word::Int, c.pppRealTime1Ch, 11, 15);
        run(25, Word::Int, c.pppRealTime2Ch, 11, 7);
        break;
    case 2:
        run(0, Word::Int, c.pppRealTime2Ch, 18, 8);
        run(8, Word::Int, c.pppETS1Ch, 0, 11);
        run(19, Word::Int, c.pppETS2Ch, 0, 11);
        one(30, Word::Int, c.ETSMin);
        one(31, Word::Int, c.ETSMax);
        break;
    case 3:
        one(0, Word::Int, c.ETSOffset);
        one(1, Word::Int, c.ETSHistogramSize);
        run(2, Word::Int, c.ETSHistogram, 0, 30);
        break;
    case 4:
    case 5:
    case 6: run(0, Word::Int, c.ETSHistogram, 30 + (page - 4) * 32, 32); break;
    case PAGE_0x1C0: {
        run(0, Word::Int, c.ETSHistogram, 126, 2);
        one(2, Word::Int, c.HardwareVersion);
        groups(3, Word::Int, c.offsetNonInterleaveCh1);
        groups(6, Word::Int, c.offsetNonInterleaveCh2);
        // Decided after word 2, which unpacking has just stored.
        const Word adc = c.HardwareVersion >= _HW3 ? Word::Fixed3 : Word::Fixed4;
        run(9, adc, c.nonlinearConstADC1Ch1, 0, 3);
        run(12, adc, c.nonlinearConstADC2Ch1, 0, 3);
        run(15, adc, c.nonlinearConstADC1Ch2, 0, 3);
        run(18, adc, c.nonlinearConstADC2Ch2, 0, 3);
        groups(21, Word::Int, c.offsetInterleaveCh1);
        one(24, Word::Int, c.offsetADC2Ch1);
        groups(25, Word::Int, c.offsetInterleaveCh2);
        one(28, Word::Int, c.offsetADC2Ch2);
        one(29, Word::Int, c.offsetTriggerHighFrequency);
        break;
    }
    case 8:
        run(0, Word::Int, c.offsetNonInterleaveCh1, 1, 10);
        run(10, Word::Int, c.offsetNonInterleaveCh2, 1, 10);
        run(20, Word::Int, c.offsetInterleaveCh1, 1, 9);
        break;
    case 9:
        run(0, Word::Int, c.offsetInterleaveCh1, 10, 1);
        run(1, Word::Int, c.offsetInterleaveCh2, 1, 10);
        run(11, Word::Fixed3, c.ampDCCh1, 1, 10);
        run(21, Word::Fixed3, c.ampDCCh2, 1, 8);
        break;
    case 10:
        run(0, Word::Fixed3, c.ampDCCh2, 9, 2);
        run(2, Word::Fixed3, c.ampACCh1, 1, 10);
        run(12, Word::Fixed3, c.ampACCh2, 1, 10);
        run(22, Word::Int, c.offsetADC2Ch1New, 1, 7);
        break;
    case 11:
        run(0, Word::Int, c.offsetADC2Ch1New, 8, 3);
        run(3, Word::Int, c.offsetADC2Ch2New, 1, 10);
        one(13, Word::Int, c.offsetACADC2Ch1);
        one(14, Word::Int, c.offsetACADC2Ch2);
        run(15, Word::Int, c.offsetACADC2Ch1New, 0, 11);
        run(26, Word::Int, c.offsetACADC2Ch2New, 0, 5);
        break;
    case 12:
        run(0, Word::Int, c.offsetACADC2Ch2New, 5, 6);
        run(6, Word::Int, c.offsetACInterleaveCh1, 0, 11);
        run(17, Word::Int, c.offsetACInterleaveCh2, 0, 11);
        run(28, Word::Int, c.offsetACNonInterleaveCh1, 0, 4);
        break;
    case 13:
        run(0, Word::Int, c.offsetACNonInterleaveCh1, 4, 7);
        run(7, Word::Int, c.offsetACNonInterleaveCh2, 0, 11);
        break;
    case PAGE_0x380:
        one(0, Word::Int, c.newHardwareVersion);
        one(1, Word::Int, c.chipTemperatureCalib);
        run(2, Word::Int, c.d_reservedWord, 0, 15);
        // Factors nothing reads: kept as the words they are, so that writing back loses no
        // fraction.
        run(17, Word::Int, c.d_reservedFactor, 0, 15);
        break;
    default: break;
    }
}

// Page number of an address relative to the memory; -1 outside it.
int pageOf(int address) {
    if (address < 0 || address >= CALIBRATION_MEMORY_BYTES) return -1;
    return address / CALIBRATION_PAGE_BYTES;
}

std::uint16_t wordAt(const unsigned char* bytes, int word) {
    return static_cast<std::uint16_t>((bytes[2 * word] << 8) | bytes[2 * word + 1]);
}

// Any value the memory holds becomes a generation 1..4.
int normaliseHardwareVersion(int v) {
    if (v < _HW1) return _HW1;
    if (v > _HW4) return _HW3;
    return v;
}

bool isFormat2(const unsigned char* image) { return image[0] == FORMAT2_MARK[0] && image[1] == FORMAT2_MARK[1]; }

// A format-2 memory keeps its constants in a layout not known here: neutral values.
void setNeutralConstants(Calibration& c) {
    for (float* amp : {c.ampACCh1, c.ampACCh2, c.ampDCCh1, c.ampDCCh2}) std::fill_n(amp, 11, 1.0f);
    for (float* q : {c.nonlinearConstCh1, c.nonlinearConstCh2, c.nonlinearConstADC1Ch1, c.nonlinearConstADC2Ch1,
                     c.nonlinearConstADC1Ch2, c.nonlinearConstADC2Ch2}) {
        q[0] = 0.0f;
        q[1] = 1.0f;
        q[2] = 0.0f;
    }
    for (int* a : {c.triggerCh1, c.triggerCh2, c.offsetADC2Ch1New, c.offsetADC2Ch2New, c.offsetInterleaveCh1,
                   c.offsetInterleaveCh2, c.offsetNonInterleaveCh1, c.offsetNonInterleaveCh2, c.offsetACADC2Ch1New,
                   c.offsetACADC2Ch2New, c.offsetACInterleaveCh1, c.offsetACInterleaveCh2, c.offsetACNonInterleaveCh1,
                   c.offsetACNonInterleaveCh2})
        std::fill_n(a, 11, 0);
    for (int* a : {c.pppRealTime1Ch, c.pppRealTime2Ch, c.pppETS1Ch, c.pppETS2Ch}) std::fill_n(a, 33, 0);
    c.oldOffsetCh1 = c.oldOffsetCh2 = 0;
    c.offsetADC2Ch1 = c.offsetADC2Ch2 = c.offsetACADC2Ch1 = c.offsetACADC2Ch2 = 0;
    c.offsetTriggerHighFrequency = 0;
    c.ETSMin = 0;
    c.ETSMax = 127;
    c.ETSOffset = 0;
    c.ETSHistogramSize = 128;
    std::fill_n(c.ETSHistogram, 128, 0);
    c.newHardwareVersion = 0;
    c.chipTemperatureCalib = 0;
    std::fill_n(c.d_reservedWord, 15, 0);
    std::fill_n(c.d_reservedFactor, 15, 0);
}

// A decoded factor as the member's type keeps it. A float is taken at or beyond the decoded
// magnitude: encoding truncates the fraction toward zero, and the nearest float short of it
// (1.9998 as 1.99979996) would be written back one step lower on every write of the memory.
template <typename T>
T storedFactor(double decoded) {
    if constexpr (std::is_same_v<T, float>) {
        const float f = static_cast<float>(decoded);
        if (std::fabs(static_cast<double>(f)) >= std::fabs(decoded)) return f;
        return std::nextafter(f, decoded < 0 ? -std::numeric_limits<float>::infinity()
                                             : std::numeric_limits<float>::infinity());
    } else {
        return static_cast<T>(decoded);
    }
}

} // namespace

bool Calibration::unpackPage(const unsigned char* page_, int address_) {
    const int page = pageOf(address_);
    if (page < 0 || (page > PAGE_0x1C0 && HardwareVersion < _HW3)) return true;
    visitPage(*this, page, [&](int word, Word kind, auto* element, int count) {
        using T = std::remove_pointer_t<decltype(element)>;
        const std::uint16_t w = wordAt(page_, word);
        T value{};
        switch (kind) {
        case Word::Int: value = static_cast<T>(static_cast<std::int16_t>(w)); break;
        case Word::Fixed3: value = storedFactor<T>(decodeFixed3(w)); break;
        case Word::Fixed4: value = storedFactor<T>(decodeFixed4(w)); break;
        }
        std::fill_n(element, count, value);
    });
    if (page == PAGE_0x380 && newHardwareVersion == _HW4) HardwareVersion = _HW4;
    return true;
}

bool Calibration::packPage(std::uint16_t* words_, int address_) const {
    const int page = pageOf(address_);
    if (page < 0 || (page > PAGE_0x1C0 && HardwareVersion < _HW3)) return true;
    std::fill_n(words_, CALIBRATION_PAGE_WORDS, 0xFFFF); // words without a constant look erased
    visitPage(*this, page, [&](int word, Word kind, const auto* element, int) {
        std::uint16_t w = 0;
        switch (kind) {
        case Word::Int: w = static_cast<std::uint16_t>(static_cast<int>(element[0]) & 0xFFFF); break;
        case Word::Fixed3: w = encodeFixed3(static_cast<float>(element[0])); break;
        case Word::Fixed4: w = encodeFixed4(static_cast<float>(element[0])); break;
        }
        words_[word] = w;
    });
    // The first word of a memory in the other format is its mark: a factor of 10.597 that
    // encodes so is written one thousandth lower, or the next read would take neutral constants.
    if (page == 0 && words_[0] == (FORMAT2_MARK[0] << 8 | FORMAT2_MARK[1])) words_[0] -= 1;
    return true;
}

int calibrationMemoryLength(int hardwareVersion_) {
    return (hardwareVersion_ < _HW3 ? CALIBRATION_PAGES_HW12 : CALIBRATION_PAGES) * CALIBRATION_PAGE_BYTES;
}

std::vector<unsigned char> packCalibrationMemory(const Calibration& cal_) {
    std::vector<unsigned char> bytes(static_cast<std::size_t>(calibrationMemoryLength(cal_.HardwareVersion)));
    std::uint16_t words[CALIBRATION_PAGE_WORDS];
    for (std::size_t offset = 0; offset < bytes.size(); offset += CALIBRATION_PAGE_BYTES) {
        cal_.packPage(words, static_cast<int>(offset));
        for (int i = 0; i < CALIBRATION_PAGE_WORDS; ++i) {
            bytes[offset + 2 * static_cast<std::size_t>(i)] = static_cast<unsigned char>(words[i] >> 8);
            bytes[offset + 2 * static_cast<std::size_t>(i) + 1] = static_cast<unsigned char>(words[i] & 0xFF);
        }
    }
    return bytes;
}

std::size_t calibrationMemoryLengthNeeded(const unsigned char* image_) {
    if (isFormat2(image_)) return static_cast<std::size_t>(calibrationMemoryLength(_HW1));
    const int version = static_cast<std::int16_t>(wordAt(image_ + PAGE_0x1C0 * CALIBRATION_PAGE_BYTES, 2));
    return static_cast<std::size_t>(calibrationMemoryLength(normaliseHardwareVersion(version)));
}

bool unpackCalibrationMemory(Calibration& cal_, const unsigned char* image_, std::size_t length_) {
    if (length_ < static_cast<std::size_t>(calibrationMemoryLength(_HW1))) return false;
    if (length_ < calibrationMemoryLengthNeeded(image_)) return false;
    if (isFormat2(image_)) {
        setNeutralConstants(cal_);
        cal_.d_calibrationVersion = 2;
        cal_.HardwareVersion = normaliseHardwareVersion(image_[3]);
        cal_.d_firmwareVersion = image_[4];
        return true;
    }
    cal_.d_calibrationVersion = 1;
    cal_.d_firmwareVersion = 1;
    for (int page = 0; page < CALIBRATION_PAGES_HW12; ++page)
        cal_.unpackPage(image_ + page * CALIBRATION_PAGE_BYTES, page * CALIBRATION_PAGE_BYTES);
    cal_.HardwareVersion = normaliseHardwareVersion(cal_.HardwareVersion);
    if (cal_.HardwareVersion < _HW3) return true;
    for (int page = CALIBRATION_PAGES_HW12; page < CALIBRATION_PAGES; ++page)
        cal_.unpackPage(image_ + page * CALIBRATION_PAGE_BYTES, page * CALIBRATION_PAGE_BYTES);
    // The memory has no place for volt/div 0 of these: take converter 2's single offset.
    cal_.offsetADC2Ch1New[0] = cal_.offsetADC2Ch1;
    cal_.offsetADC2Ch2New[0] = cal_.offsetADC2Ch2;
    return true;
}
