#include "text_format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

std::string formatFixed(double value, int width, int precision) {
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    std::string text = result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("?");
    if (int(text.size()) < width) text.insert(0, std::size_t(width - int(text.size())), ' ');
    return text;
}

std::string formatGeneral(double value, int precision, int exponentDigits) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    if (precision < 1) precision = 1;

    // Round once to the significant digits; the exponent after rounding decides the notation.
    char buffer[64];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, precision - 1).ptr;
    const std::string text(buffer, end);
    const std::size_t e = text.find('e');
    const int exponent = std::atoi(text.c_str() + e + 1);
    const bool negative = text[0] == '-';
    std::string digits; // the significant digits without sign and point
    for (std::size_t i = negative ? 1 : 0; i < e; ++i)
        if (text[i] != '.') digits += text[i];
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent < precision && exponent >= -4) {
        if (exponent < 0) {
            out.append("0.").append(std::size_t(-exponent - 1), '0').append(digits);
        } else if (int(digits.size()) <= exponent + 1) {
            out += digits + std::string(std::size_t(exponent + 1 - int(digits.size())), '0');
        } else {
            out.append(digits, 0, std::size_t(exponent + 1)).append(".").append(digits, std::size_t(exponent + 1));
        }
        return out;
    }
    out += digits.substr(0, 1);
    if (digits.size() > 1) out.append(".").append(digits, 1);
    out += 'E';
    if (exponent < 0) out += '-';
    std::string power = std::to_string(std::abs(exponent));
    if (int(power.size()) < exponentDigits) power.insert(0, std::size_t(exponentDigits - int(power.size())), '0');
    return out + power;
}
