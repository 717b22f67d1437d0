#pragma once

#include "SimTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The monitor's side of the fixed payload layouts: it parses what a host sends and builds what it
// answers. Written apart from the application's decoding on purpose.
namespace orvo::sim {

// Fixed-width text: the bytes up to the first zero, at most `width`.
std::string GetText(const uint8_t* field, size_t width);
// At most `width` bytes of the text, the rest zero; a full field has no terminator.
void PutText(uint8_t* field, size_t width, const std::string& text);

// Program payloads. The short layout's start is on the monitor's local clock (0 stays 0).
SimShiftFields ParseShortProgram(const uint8_t* payload, const SimZone& zone); // 108 bytes
SimShiftFields ParseLongProgram(const uint8_t* payload);                       // 272 bytes

// Program records, the answers to 8/9 (108 bytes) and 18/19 (276 bytes).
std::vector<uint8_t> EncodeShortProgramRecord(const SimShiftFields& fields, const SimZone& zone);
std::vector<uint8_t> EncodeLongProgramRecord(const SimShiftFields& fields);

// Directory entries, the answers to 11 (116 bytes, times on the local clock) and 20 (280 bytes, UTC).
std::vector<uint8_t> EncodeShortEntry(const SimSample& sample, uint32_t itemCount, const SimZone& zone);
std::vector<uint8_t> EncodeLongEntry(const SimSample& sample, uint32_t itemCount);

} // namespace orvo::sim
