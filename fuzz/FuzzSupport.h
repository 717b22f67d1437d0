// Small pieces shared by the fuzz targets.

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "download/RecordText.h"
#include "platform/TimeZoneSource.h"

namespace orvo::fuzz {

// A time zone chosen by one input byte: offsets from 12 hours east to 12 hours west in quarter
// hours, daylight saving on or off; the conversions must hold for any of them.
inline FixedTimeZone ZoneFromByte(uint8_t byte) {
    return FixedTimeZone((int(byte >> 1) % 97 - 48) * 15, byte & 1);
}

inline void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Whether a record text can be read back by position at all: a comma inside one of its texts
// moves every later field.
inline bool FieldsReadBack(std::string_view record, size_t fields) {
    return RecordFieldCount(record) == fields;
}

inline std::string Field(std::string_view record, size_t index) {
    return std::string(RecordField(record, index));
}

} // namespace orvo::fuzz
