// The calibration file, read and turned into the correction tables.
#include "calibration.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Calibration cal;
    if (cal.readIni(fuzzInputFile(data, size, "calibration.ini").c_str())) {
        cal.buildTables(false, 3);
        cal.buildTables(true, 1);
    }
    dropErrors();
    return 0;
}
