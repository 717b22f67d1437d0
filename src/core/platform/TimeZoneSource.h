#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orvo {

// A date of change between standard and daylight time, in the form the monitor's time-zone
// registers carry: month 1..12 (0 = no change), day of week 0..6 from Sunday, occurrence of
// that weekday in the month 1..5 (5 = the last), hour and minute of local time.
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

    // Standard-time offset in minutes west of UTC (New York: 300, Berlin: -60).
    virtual int32_t OffsetMinutesWest() const = 0;
    // Whether daylight saving time is in effect at the given UTC second.
    virtual bool DaylightAt(int64_t utcSeconds) const = 0;
    virtual ZoneRules Rules() const = 0;
};

// A zone fixed by the caller; tests and the simulated monitor use it.
class FixedTimeZone final : public TimeZoneSource {
public:
    FixedTimeZone() = default;
    FixedTimeZone(int32_t offsetMinutesWest, bool daylightNow, ZoneRules rules = {})
        : m_offset(offsetMinutesWest), m_daylight(daylightNow), m_rules(rules) {}

    int32_t OffsetMinutesWest() const override { return m_offset; }
    bool DaylightAt(int64_t) const override { return m_daylight; }
    ZoneRules Rules() const override { return m_rules; }

private:
    int32_t m_offset = 0;
    bool m_daylight = false;
    ZoneRules m_rules;
};

// The computer's own zone: the C library for the current offset and daylight flag, and the
// rule string at the end of the zone's TZif file (or TZ itself when it holds a rule) for the
// transition dates. Honours TZ, so tests pin it.
class SystemTimeZone final : public TimeZoneSource {
public:
    SystemTimeZone();

    int32_t OffsetMinutesWest() const override;
    bool DaylightAt(int64_t utcSeconds) const override;
    ZoneRules Rules() const override;

    static SystemTimeZone& Instance();

private:
    ZoneRules m_rules;
};

// Parses a POSIX TZ rule such as "EST5EDT,M3.2.0,M11.1.0" into the rules above. Returns false
// for texts it cannot read; rules without daylight part give zero daylight fields.
bool ParsePosixZoneRule(const std::string& text, ZoneRules& out);

// Reads the rule string from the footer of a TZif (version 2 or later) file's contents.
bool PosixRuleFromTzif(const std::string& contents, std::string& rule);

} // namespace orvo
