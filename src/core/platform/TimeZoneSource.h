#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvo {

// A date of change between standard and daylight time, in the form the monitor's time-zone
// registers carry: month 1..12 (0 = no change), day of week 0..6 from Sunday, occurrence of
// that weekday in the month 1..5 (5 = the last), hour and minute on the clock in force before the
// change (standard time for the change to daylight time, daylight time for the change back).
struct TransitionRule {
    uint16_t month = 0;
    uint16_t dayOfWeek = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;

    bool operator==(const TransitionRule&) const = default;
};

// What the computer knows of its time zone.
struct ZoneRules {
    int32_t biasMinutes = 0;         // UTC = local standard time + bias
    int32_t daylightBiasMinutes = 0; // added to the bias while daylight time is in effect; 0 without it
    TransitionRule standardDate;     // change to standard time
    TransitionRule daylightDate;     // change to daylight time

    bool operator==(const ZoneRules&) const = default;
};

class TimeZoneSource {
public:
    virtual ~TimeZoneSource() = default;

    // The zone's offset from UTC in force at a UTC second, in seconds east: local = UTC + offset
    // (New York in January -18000, Dublin in July 3600).
    virtual int32_t UtcOffsetSecondsAt(int64_t utcSeconds) const = 0;
    // The zone as the monitor's time-zone registers describe it.
    virtual ZoneRules Rules() const = 0;

    // Seconds since 1970 counted on the zone's wall clock.
    int64_t UtcToLocal(int64_t utcSeconds) const { return utcSeconds + UtcOffsetSecondsAt(utcSeconds); }
    // The UTC second at which the wall clock reads `localSeconds`. A reading skipped when the
    // clocks go forward is taken with the offset in force before the change (02:30 on a night
    // that jumps from 02:00 to 03:00 is the instant shown as 03:30), as a clock that has not
    // been put forward yet would mean it. A reading shown twice when the clocks go back is the
    // instant with `preferredOffset` when that is one of the two, else the earlier one.
    int64_t LocalToUtc(int64_t localSeconds, std::optional<int32_t> preferredOffset = std::nullopt) const;
};

// A zone fixed by the caller; tests and the simulated monitor use it.
class FixedTimeZone final : public TimeZoneSource {
public:
    // UTC.
    FixedTimeZone() = default;
    // One offset at every instant: the standard offset in minutes west of UTC, one hour less
    // when `daylightNow`. `rules` only describe the zone to the monitor.
    FixedTimeZone(int32_t offsetMinutesWest, bool daylightNow, ZoneRules rules = {})
        : m_offsetSeconds(-offsetMinutesWest * 60 + (daylightNow ? 3600 : 0)), m_rules(rules) {}
    // Clocks that change as `rules` say, every year.
    explicit FixedTimeZone(const ZoneRules& rules) : m_followRules(true), m_rules(rules) {}

    int32_t UtcOffsetSecondsAt(int64_t utcSeconds) const override;
    ZoneRules Rules() const override { return m_rules; }

private:
    int32_t m_offsetSeconds = 0;
    bool m_followRules = false;
    ZoneRules m_rules;
};

// The computer's own zone, the one place that asks the C library: its offset at each instant,
// and the rule string at the end of the zone's TZif file (or TZ itself when it holds a rule) for
// the change dates. Honours TZ, so tests pin it.
class SystemTimeZone final : public TimeZoneSource {
public:
    SystemTimeZone();

    int32_t UtcOffsetSecondsAt(int64_t utcSeconds) const override;
    ZoneRules Rules() const override;

    static SystemTimeZone& Instance();

private:
    ZoneRules m_rules;
};

// Parses a POSIX TZ rule such as "EST5EDT,M3.2.0,M11.1.0" into the rules above. Returns false
// for texts it cannot read; rules without daylight part give zero daylight fields. A zone whose
// "daylight" time is behind its standard time ("IST-1GMT0,M10.5.0,M3.5.0/1") is turned round, as
// other systems describe it: standard time is the part of the year with the smaller offset.
bool ParsePosixZoneRule(const std::string& text, ZoneRules& out);

// Reads the rule string from the footer of a TZif (version 2 or later) file's contents.
bool PosixRuleFromTzif(const std::string& contents, std::string& rule);

} // namespace orvo
