// The calibration file, read and turned into corrections (fuzz_calibration.h). Oracle, on one
// input in eight (chosen by its bytes; a thousand keys written twice would take most of each
// run): what was read, written and read again writes the same file.
#include "calibration.h"
#include "fuzz_calibration.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Calibration cal;
    if (cal.readIni(fuzzInputFile(data, size, "calibration.ini").c_str())) {
        if (fuzzInputHash(data, size) % 8 == 1)
            requireSameWhenWrittenTwice([&](const std::string& path) { return cal.writeIni(path.c_str()); },
                                        [](const std::string& from, const std::string& to) {
                                            Calibration again;
                                            return again.readIni(from.c_str()) && again.writeIni(to.c_str());
                                        });
        correctSomeCodes(cal, data, size);
    }
    dropErrors();
    return 0;
}
