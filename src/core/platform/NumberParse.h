#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace orvo {

// Numbers typed by the user, read the way the C library's "%lf", "%lu" and atoi read them in
// the "C" locale, whatever the desktop's locale: "2.2" is two point two on a German desktop
// too. Leading blanks are skipped and the longest number at the start is taken; `used`
// (when given) receives the count of characters read, blanks included, so a caller can
// refuse trailing text. Nothing is returned when no digit could be read.

// "%lf": optional sign, digits with an optional '.', an optional exponent; "inf" and "nan".
std::optional<double> ParseCDouble(std::string_view text, size_t* used = nullptr);

// "%lu": optional sign and decimal digits. As in the C library a leading '-' negates the value
// modulo 2^64 and a value too large for 64 bits reads as the largest one.
std::optional<uint64_t> ParseCUnsigned(std::string_view text, size_t* used = nullptr);

// atoi: the leading decimal number, 0 when there is none; clamped to the int range.
int ParseCInt(std::string_view text);

// A number typed into a field or on the command line, taken only when the whole text is one
// (blanks around it aside): "1,5" or "12abc" are refused rather than read as 1 or 12.
// A finite decimal number with an optional sign, point and exponent.
std::optional<double> ParseWholeDouble(std::string_view text);
// Decimal digits only, at most `maximum`.
std::optional<uint64_t> ParseWholeUnsigned(std::string_view text, uint64_t maximum);

} // namespace orvo
