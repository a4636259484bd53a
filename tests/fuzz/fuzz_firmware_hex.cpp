// The firmware file in Intel HEX text.
#include "intel_hex.h"

#include <cstdint>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto image = std::make_unique<HexImage>();
    std::string messages;
    LoadHexText(*image, std::string_view(reinterpret_cast<const char*>(data), size), &messages);
    return 0;
}
