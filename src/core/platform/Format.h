#pragma once

#include <cstdint>
#include <string>

namespace orvo {

// printf-style number texts that never depend on the process locale: the files and record
// texts they build travel to other programs, so a desktop set to a comma decimal separator
// must not change a single byte.
std::string FormatFixed(double value, int decimals); // "%.Nf"
std::string FormatGeneral(double value);             // "%g"
std::string FormatUnsigned(uint64_t value);          // "%lu"
std::string FormatSigned(int64_t value);             // "%d"

// "%0.Ns" of a fixed-width field: the characters up to the first zero byte, at most width.
std::string FixedText(const uint8_t* field, size_t width);

} // namespace orvo
