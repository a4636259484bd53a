// The environment file (display, colours, printing, tool options).
#include "environment.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Environment env(fuzzInputFile(data, size, "environment.ini"));
    dropErrors();
    return 0;
}
