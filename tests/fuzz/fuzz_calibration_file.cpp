// The calibration file, read and turned into the correction tables. Oracle, on one input in
// four (chosen by its bytes; a thousand keys written twice would take most of each run):
// what was read, written and read again writes the same file.
#include "calibration.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Calibration cal;
    if (cal.readIni(fuzzInputFile(data, size, "calibration.ini").c_str())) {
        unsigned hash = 0;
        for (std::size_t i = 0; i < size; ++i) hash = hash * 31 + data[i];
        if (hash % 4 == 0)
            requireSameWhenWrittenTwice([&](const std::string& path) { return cal.writeIni(path.c_str()); },
                                        [](const std::string& from, const std::string& to) {
                                            Calibration again;
                                            return again.readIni(from.c_str()) && again.writeIni(to.c_str());
                                        });
        cal.buildTables(false, 3);
        cal.buildTables(true, 1);
    }
    dropErrors();
    return 0;
}
