#pragma once
// The reference-waveform file (*.ref): one channel's raw record with the settings it was
// taken under. Binary, little-endian, every field at its fixed offset:
//
//   offset  size    content
//    0      4       int32  sample count N
//    4      2       int16  time/div code
//    6      2       int16  volt/div code
//    8      8       double offset row (display rows, 400 - offset for an inverted channel)
//   16      8       double horizontal position (display columns)
//   24      2       int16  coupling code
//   26      2       the channel as text: '1' or '2', then a zero byte
//   28      2       unused, written as zero
//   30      2 x N   int16  raw samples, sample i at 30 + 2i
//
// The bytes are packed one by one, never by writing a struct.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr int REFERENCE_HEADER_SIZE = 30;
constexpr int REFERENCE_MAX_SAMPLES = 500000;

struct ReferenceFile {
    int timeDiv = 0;        // 0..32
    int voltageDiv = 0;     // 0..10
    double offsetRow = 0.0; // 0..400
    double horizontalPosition = 0.0;
    int coupling = 0;           // _AC, _DC, _GND
    int channel = 1;            // 1 or 2
    std::vector<short> samples; // N = samples.size()
};

// Why a file was refused by unpackReferenceFile.
enum class ReferenceFileError {
    None,
    TooShort,  // fewer than the 30 header bytes
    BadCount,  // N outside 1..REFERENCE_MAX_SAMPLES
    WrongSize, // the file does not hold exactly 30 + 2N bytes
    BadTimeDiv,
    BadVoltDiv,
    BadOffset,   // not finite, or outside 0..400 rows
    BadPosition, // not finite, or outside -32768..32767 columns
    BadCoupling,
    BadChannel, // neither "1" nor "2" with its zero byte
    BadSample,  // a sample that is neither a code 0..4095, the empty code 4096 nor a
                // flagged code 20480..24575
};

// True for a value a raw record may hold: a converter code 0..4095 (either resolution), the
// empty code 4096, or a flagged code 20480..24575.
bool isStorableRawSample(int value_);

// The file's bytes for `file_`: 30 + 2 x samples.size() bytes.
std::string packReferenceFile(const ReferenceFile& file_);

// Reads the bytes of a whole file. Every field and sample is checked; on any error `out_` is
// left as it was and the reason returned.
ReferenceFileError unpackReferenceFile(std::string_view bytes_, ReferenceFile& out_);
