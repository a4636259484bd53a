// The reference-waveform file: a file that is accepted is written back byte for byte.
#include "reference_file.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReferenceFile file;
    if (unpackReferenceFile(bytes, file) == ReferenceFileError::None) {
        // Byte 28..29 are unused and written as zero; the rest must come back unchanged.
        std::string again = packReferenceFile(file);
        if (again.size() != size || again.compare(0, 28, bytes.substr(0, 28)) != 0 ||
            again.compare(30, std::string::npos, bytes.substr(30)) != 0)
            std::abort();
    }
    return 0;
}
