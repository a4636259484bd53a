// The state file, read and derived as at start-up.
#include "fuzz_input.h"
#include "state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    State state;
    state.readIni(fuzzInputFile(data, size, "state.ini"), 4);
    dropErrors();
    return 0;
}
