// The installation's registry file and the paths built from it.
#include "fuzz_input.h"
#include "system_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SystemRegistry registry(fuzzInputFile(data, size, "registry.ini"));
    registry.read();
    dropErrors();
    return 0;
}
