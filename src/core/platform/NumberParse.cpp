#include "platform/NumberParse.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace orvo {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view word) {
    if (text.size() - at < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Lower(text[at + i]) != word[i])
            return false;
    return true;
}

size_t SkipBlanks(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return i;
}

} // namespace

std::optional<double> ParseCDouble(std::string_view text, size_t* used) {
    size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t start = i;
    double value = 0.0;
    if (StartsWithNoCase(text, i, "inf")) {
        i += StartsWithNoCase(text, i, "infinity") ? 8 : 3;
        value = std::numeric_limits<double>::infinity();
    } else if (StartsWithNoCase(text, i, "nan")) {
        i += 3;
        value = std::numeric_limits<double>::quiet_NaN();
    } else {
        // from_chars never consults the locale; it takes no sign, which was read above.
        const char* first = text.data() + start;
        const char* last = text.data() + text.size();
        auto result = std::from_chars(first, last, value, std::chars_format::general);
        if (result.ptr == first)
            return std::nullopt;
        if (result.ec == std::errc::result_out_of_range) {
            // strtod gives HUGE_VAL or zero; from_chars leaves the value alone.
            bool tiny = false;
            for (const char* p = first; p < result.ptr && !tiny; ++p)
                if (*p == 'e' || *p == 'E')
                    tiny = p + 1 < result.ptr && p[1] == '-';
            value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        }
        i = size_t(result.ptr - text.data());
    }
    if (used)
        *used = i;
    return negative ? -value : value;
}

std::optional<uint64_t> ParseCUnsigned(std::string_view text, size_t* used) {
    size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !IsDigit(text[i]))
        return std::nullopt;
    uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const uint64_t digit = uint64_t(text[i] - '0');
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10)
            overflow = true;
        else
            value = value * 10 + digit;
    }
    if (used)
        *used = i;
    if (overflow)
        return std::numeric_limits<uint64_t>::max();
    return negative ? uint64_t(0) - value : value;
}

namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<double> ParseWholeDouble(std::string_view text) {
    text = TrimBlanks(text);
    size_t used = 0;
    const std::optional<double> value = ParseCDouble(text, &used);
    if (!value || used != text.size() || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

std::optional<uint64_t> ParseWholeUnsigned(std::string_view text, uint64_t maximum) {
    text = TrimBlanks(text);
    if (text.empty() || !std::all_of(text.begin(), text.end(), IsDigit))
        return std::nullopt;
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > maximum)
        return std::nullopt;
    return value;
}

int ParseCInt(std::string_view text) {
    size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t(std::numeric_limits<int>::max()) + 1)
            value = int64_t(std::numeric_limits<int>::max()) + 1;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        value = std::numeric_limits<int>::max();
    return int(value);
}

} // namespace orvo
