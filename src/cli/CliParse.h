#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvo {

class TimeZoneSource;

// Numbers and times typed on the command line, read by the application's one number parse
// (platform/NumberParse.h): "2.2" is two point two under every locale, "2,2" is no number.

// A register number 0..183, the whole text.
std::optional<int> ParseRegisterNumber(std::string_view text);
// A finite decimal number ("2.2", "-1", "1e3"), the whole text.
std::optional<double> ParseDecimal(std::string_view text);
// Decimal digits only, at most `maximum`.
std::optional<uint64_t> ParseUnsigned(std::string_view text, uint64_t maximum);

// A shift duration in seconds from "MINUTES" or "HH:MM"; at least one minute.
std::optional<uint32_t> ParseDuration(std::string_view text);

// A shift start: a time "YYYY-MM-DD HH:MM" on the zone's clock, "now+MINUTES" (resolved when the
// program is sent) or UTC seconds since 1970.
struct StartTime {
    bool fromNow = false;
    int64_t seconds = 0; // UTC seconds, or seconds after now
};
std::optional<StartTime> ParseStartTime(std::string_view text, const TimeZoneSource& zone);
uint32_t ResolveStartTime(const StartTime& start, int64_t nowUtcSeconds);

} // namespace orvo
