// The environment file (display, colours, printing, tool options); what was read, written and
// read again writes the same file.
#include "environment.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Environment env(fuzzInputFile(data, size, "environment.ini"));
    requireSameWhenWrittenTwice([&](const std::string& path) { return env.save(path); },
                                [](const std::string& from, const std::string& to) {
                                    Environment again(from);
                                    return again.save(to);
                                });
    dropErrors();
    return 0;
}
