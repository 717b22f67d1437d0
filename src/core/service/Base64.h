#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "service/XmlError.h"

namespace orvo {

// Base64 with the standard alphabet and '=' padding, for binary data carried in XML text.
// White space (blank, tab, CR, LF) between the characters is skipped on decoding; '=' may only
// close the text, at most twice.

std::string Base64Encode(const uint8_t* data, size_t length);

// The number of bytes `text` decodes to (an incomplete last group counts what it can give).
// *code: 0, XML_BASE64_SIZE_NOT_MULTIPLE_OF_4 (warning) or XML_BASE64_ILLEGAL_CHARACTER (size 0).
size_t Base64DecodedSize(std::string_view text, XmlError* code);

// Decodes into out[0, capacity). Returns 0; XML_BASE64_TRUNCATED (warning: the text ended
// inside a group, what it held is delivered); XML_BASE64_ILLEGAL_CHARACTER or
// XML_BASE64_BUFFER_TOO_SMALL (nothing written). *written counts the bytes delivered.
XmlError Base64Decode(std::string_view text, uint8_t* out, size_t capacity, size_t* written);

// The whole decoded bytes; *code as above.
std::vector<uint8_t> Base64Decode(std::string_view text, XmlError* code);

} // namespace orvo
