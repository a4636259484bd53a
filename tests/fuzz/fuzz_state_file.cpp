// The state file, read and derived as at start-up; what was read, written and read again writes
// the same file.
#include "fuzz_input.h"
#include "state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    State state;
    if (state.readIni(fuzzInputFile(data, size, "state.ini"), 4))
        requireSameWhenWrittenTwice([&](const std::string& path) { return state.writeIni(path, 4); },
                                    [](const std::string& from, const std::string& to) {
                                        State again;
                                        return again.readIni(from, 4) && again.writeIni(to, 4);
                                    });
    dropErrors();
    return 0;
}
