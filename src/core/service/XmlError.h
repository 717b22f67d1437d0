#pragma once

namespace orvo {

// Result codes of the XML reader, writer and Base64 conversion. Codes 1, 2, 16 and 18 are
// warnings: the operation still delivered its result.
enum XmlError : int {
    XML_NO_ERROR = 0,
    XML_MISSING_END_TAG = 1, // "Warning: Unmatched end tag"
    XML_NO_TAG_FOUND = 2,    // warning
    XML_EMPTY = 3,
    XML_MISSING_TAG_NAME = 4,
    XML_MISSING_END_TAG_NAME = 5,
    XML_UNMATCHED_END_TAG = 6,
    XML_UNMATCHED_CLEAR_TAG_END = 7,
    XML_UNEXPECTED_TOKEN = 8,
    XML_NO_ELEMENTS = 9,
    XML_FILE_NOT_FOUND = 10,
    XML_FIRST_TAG_NOT_FOUND = 11,
    XML_UNKNOWN_ENTITY = 12,
    XML_CHAR_CONVERSION = 13,
    XML_CANNOT_OPEN_WRITE_FILE = 14,
    XML_CANNOT_WRITE_FILE = 15,
    XML_BASE64_SIZE_NOT_MULTIPLE_OF_4 = 16, // warning
    XML_BASE64_ILLEGAL_CHARACTER = 17,
    XML_BASE64_TRUNCATED = 18, // warning
    XML_BASE64_BUFFER_TOO_SMALL = 19,
};

// The text shown for a code; "Unknown" for any code outside the table.
const char* XmlErrorText(int code);

// Warnings leave a usable result; everything else above 0 is a failure.
inline bool XmlIsWarning(int code) {
    return code == XML_MISSING_END_TAG || code == XML_NO_TAG_FOUND ||
           code == XML_BASE64_SIZE_NOT_MULTIPLE_OF_4 || code == XML_BASE64_TRUNCATED;
}

} // namespace orvo
