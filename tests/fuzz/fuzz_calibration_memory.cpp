// The calibration memory as read from the instrument, decoded and turned into the tables.
// Oracle: what was decoded and encoded, decoded again, encodes to the same bytes.
#include "calibration.h"
#include "fuzz_calibration.h"
#include "fuzz_input.h"

#include <cstdlib>
#include <vector>

namespace {

std::vector<unsigned char> reencoded(const std::vector<unsigned char>& packed) {
    std::vector<unsigned char> image = packed;
    image.resize(CALIBRATION_MEMORY_BYTES, 0xFF);
    Calibration cal;
    if (!unpackCalibrationMemory(cal, image.data(), image.size())) std::abort();
    return packCalibrationMemory(cal);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<unsigned char> image(data, data + size);
    image.resize(CALIBRATION_MEMORY_BYTES, 0xFF);
    Calibration cal;
    if (unpackCalibrationMemory(cal, image.data(), image.size())) {
        const std::vector<unsigned char> first = packCalibrationMemory(cal);
        if (reencoded(first) != first) std::abort();
        cal.d_adcLevels = cal.HardwareVersion <= 2 ? 4096 : 1024;
        correctSomeCodes(cal, data, size);
    }
    dropErrors();
    return 0;
}
