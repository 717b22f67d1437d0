#pragma once

#include <string>
#include <string_view>

#include "service/XmlSettings.h"

namespace orvo {

enum class Utf16Order { None, LittleEndian, BigEndian };

// Whether file bytes look like 16-bit text: a 16-bit byte-order mark (FF FE, FE FF), or, without
// one, mostly zero bytes on one side of the 16-bit units and hardly any on the other (markup and
// names are ASCII, so their high bytes are zero). *bomLength is 2 after a mark, else 0.
Utf16Order DetectUtf16(std::string_view bytes, size_t* bomLength);

// 16-bit units to 8-bit text in `target`: UTF-8, Shift-JIS or ISO-8859-1. The text ends at the
// first zero unit; a trailing odd byte is ignored. False for an unpaired surrogate or a character
// the target cannot hold.
bool ConvertUtf16(std::string_view bytes, Utf16Order order, XmlEncoding target, std::string& out);

} // namespace orvo
