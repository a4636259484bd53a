// The calibration memory as read from the instrument, decoded and turned into the tables.
#include "calibration.h"
#include "fuzz_input.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<unsigned char> image(data, data + size);
    image.resize(CALIBRATION_MEMORY_BYTES, 0xFF);
    Calibration cal;
    if (unpackCalibrationMemory(cal, image.data(), size)) {
        cal.d_adcLevels = cal.HardwareVersion <= 2 ? 4096 : 1024;
        cal.buildTables(false, 3);
        cal.buildTables(true, 1);
        packCalibrationMemory(cal);
    }
    dropErrors();
    return 0;
}
