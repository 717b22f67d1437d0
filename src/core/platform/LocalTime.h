#pragma once

#include <cstdint>
#include <string>

namespace orvo {

class TimeZoneSource;

// A date and time read off a clock (the zone's wall clock, or UTC), as pickers and typed
// start times hold it.
struct LocalDateTime {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const LocalDateTime&) const = default;
};

// Seconds since 1970 counted on the clock that shows `time`, and back (proleptic Gregorian
// calendar, no zone). Fields out of range carry over as in mktime: 30 February is 1 or 2 March.
int64_t WallSeconds(const LocalDateTime& time);
LocalDateTime WallDateTime(int64_t wallSeconds);
// 0 for Sunday.
int WallWeekday(int64_t wallSeconds);

// The zone's wall clock at a UTC second, and the UTC second of a wall-clock reading under the
// zone's rule for readings that a change of offset skips or repeats (TimeZoneSource::LocalToUtc).
LocalDateTime ToLocalDateTime(int64_t utcSeconds, const TimeZoneSource& zone);
int64_t FromLocalDateTime(const LocalDateTime& local, const TimeZoneSource& zone);

// strftime of a UTC second on the zone's wall clock, or in UTC. Only the numeric conversions are
// used by the files, so the process locale does not matter to them; %Z and %z are not filled in.
std::string FormatLocalTime(const TimeZoneSource& zone, int64_t utcSeconds, const char* format);
std::string FormatUtcTime(int64_t utcSeconds, const char* format);

} // namespace orvo
