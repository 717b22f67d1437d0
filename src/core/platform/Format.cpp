#include "platform/Format.h"

#include <charconv>
#include <cmath>

namespace orvo {

namespace {

std::string ToChars(double value, std::chars_format format, int precision) {
    if (std::isnan(value))
        return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    char buffer[512];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    if (result.ec != std::errc())
        return "?";
    return std::string(buffer, result.ptr);
}

} // namespace

std::string FormatFixed(double value, int decimals) {
    return ToChars(value, std::chars_format::fixed, decimals);
}

std::string FormatGeneral(double value) {
    return ToChars(value, std::chars_format::general, 6);
}

std::string FormatUnsigned(uint64_t value) {
    return std::to_string(value);
}

std::string FormatSigned(int64_t value) {
    return std::to_string(value);
}

std::string FixedText(const uint8_t* field, size_t width) {
    size_t n = 0;
    while (n < width && field[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(field), n);
}

} // namespace orvo
