#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/TimeZoneSource.h"

namespace orvo {

// Record texts of the sample directory entries the monitor lists. The short entry (older
// firmware) carries its times on the monitor's local clock and is converted to UTC; the long
// entry carries UTC. Both return nothing when the payload is shorter than its layout.
std::optional<std::string> ShortEntryText(const uint8_t* payload, size_t length, const TimeZoneSource& zone,
                                          int64_t nowUtcSeconds);
std::optional<std::string> LongEntryText(const uint8_t* payload, size_t length);

// The entry (sample) index at payload offset 0.
inline uint8_t EntryIndex(const uint8_t* payload) {
    return payload[0];
}

} // namespace orvo
