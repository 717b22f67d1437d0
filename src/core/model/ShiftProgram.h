#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/TimeZoneSource.h"

namespace orvo {

// One sampling shift as it is programmed into a monitor. The short layout (older firmware)
// takes the occupation code as text and MIIN and spare as numbers; the long layout takes the
// occupation code as a number and MIIN and spare as texts. Each layout reads only its fields.
struct ShiftProgram {
    std::string wearerId;
    std::string mineId;
    std::string contractorCode;
    std::string mineName;
    std::string companyName;
    uint32_t startTime = 0; // UTC seconds since 1970; 0 = none
    uint32_t duration = 0;  // seconds
    uint8_t sampleType = 0;
    std::string mmu; // MMU DA/SA

    std::string occupationText; // short layout, at most 3 characters
    uint32_t miinNumber = 0;    // short layout
    uint32_t spareNumber = 0;   // short layout

    uint32_t occupationCode = 0; // long layout
    std::string miinText;        // long layout
    std::string spareText;       // long layout
};

// The 108-byte request payload; a non-zero start is converted from UTC to the monitor's clock.
std::vector<uint8_t> EncodeShortProgram(const ShiftProgram& program, const TimeZoneSource& zone);
// The 272-byte request payload; the start travels as UTC.
std::vector<uint8_t> EncodeLongProgram(const ShiftProgram& program);

// Record texts of the program records the monitor answers with; nothing when the payload is
// shorter than its layout. The short record's start is always converted, a stored 0 included.
std::optional<std::string> ShortProgramRecordText(const uint8_t* payload, size_t length,
                                                  const TimeZoneSource& zone, int64_t nowUtcSeconds);
std::optional<std::string> LongProgramRecordText(const uint8_t* payload, size_t length);

} // namespace orvo
