#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvo {

// Fields of a comma-separated record text: field n is the text between the n-th and the
// (n+1)-th comma. A missing field reads as an empty text and as 0.
std::string_view RecordField(std::string_view record, size_t index);
// Unsigned decimal prefix of the field, like a 32-bit strtoul: 0 when there are no digits,
// saturating at 4294967295.
uint32_t RecordUnsigned(std::string_view record, size_t index);
double RecordDouble(std::string_view record, size_t index);
size_t RecordFieldCount(std::string_view record);

} // namespace orvo
