#include "dialog_values.h"

#include <algorithm>
#include <charconv>

std::optional<int> parseDialogInteger(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-') return std::nullopt;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

AverageChoice checkAverageCount(std::string_view text, int maximum) {
    const std::optional<int> value = parseDialogInteger(text);
    if (!value) return {1, "Not a vaild Integer value!"};
    if (*value > maximum)
        return {1, "Warning! The maximum value is 128 (10K mode) or 16 (500K mode).\nThe value was "
                   "set to 1."};
    if (*value <= 0) return {1, "Warning! The minimum value is 1.\nThe value was set to 1."};
    return {*value, ""};
}

int clampLevel(int percent) { return std::clamp(percent, 0, 100); }

std::string calibrationFailureStatus(std::string_view what, std::string_view errorText) {
    std::string_view line = errorText.substr(0, errorText.find('\n'));
    constexpr std::string_view prefix = "Error : ";
    if (line.substr(0, prefix.size()) == prefix) line.remove_prefix(prefix.size());
    while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
    if (line.empty()) return std::string(what);
    return std::string(what) + ": " + std::string(line);
}
