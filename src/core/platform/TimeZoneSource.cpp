#include "platform/TimeZoneSource.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <utility>

#include "platform/LocalTime.h"

namespace orvo {

namespace {

constexpr int kSecondsPerHour = 3600;
constexpr int kMinutesPerDay = 24 * 60;
constexpr int64_t kSecondsPerDay = 86400;
// Real TZif files are a few kilobytes; anything far larger is not one.
constexpr std::streamsize kMaxTzifSize = 1 << 20;
constexpr size_t kTzifHeaderSize = 44;

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Reads a POSIX TZ string left to right. Names, numbers and times leave the position alone
// when they do not match.
class RuleReader {
public:
    explicit RuleReader(const std::string& text) : m_text(text) {}

    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_text[m_pos]; }

    bool Skip(char c) {
        if (Peek() != c || AtEnd())
            return false;
        ++m_pos;
        return true;
    }

    // Unquoted names are letters only; quoted ones may hold digits and signs ("<+0330>").
    bool Name() {
        size_t pos = m_pos;
        size_t length = 0;
        if (Peek() == '<') {
            ++pos;
            while (pos < m_text.size() && m_text[pos] != '>') {
                const auto c = static_cast<unsigned char>(m_text[pos]);
                if (!std::isalnum(c) && c != '+' && c != '-')
                    return false;
                ++pos;
                ++length;
            }
            if (pos >= m_text.size())
                return false;
            ++pos; // '>'
        } else {
            while (pos < m_text.size() && std::isalpha(static_cast<unsigned char>(m_text[pos]))) {
                ++pos;
                ++length;
            }
        }
        if (length < 3)
            return false;
        m_pos = pos;
        return true;
    }

    bool Number(int maxDigits, int maxValue, int& value) {
        size_t pos = m_pos;
        int result = 0;
        int digits = 0;
        while (pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[pos]))) {
            if (++digits > maxDigits)
                return false;
            result = result * 10 + (m_text[pos] - '0');
            ++pos;
        }
        if (digits == 0 || result > maxValue)
            return false;
        m_pos = pos;
        value = result;
        return true;
    }

    // [+|-]hh[:mm[:ss]] in seconds. Offsets allow 24 hours; rule times (newer TZif files) 167.
    bool SignedTime(int maxHours, int& seconds) {
        const size_t start = m_pos;
        int sign = 1;
        if (Peek() == '+' || Peek() == '-') {
            sign = Peek() == '-' ? -1 : 1;
            ++m_pos;
        }
        int hours = 0, minutes = 0, secs = 0;
        bool ok = Number(3, maxHours, hours);
        if (ok && Skip(':')) {
            ok = Number(2, 59, minutes);
            if (ok && Skip(':'))
                ok = Number(2, 59, secs);
        }
        if (!ok) {
            m_pos = start;
            return false;
        }
        seconds = sign * (hours * kSecondsPerHour + minutes * 60 + secs);
        return true;
    }

    bool StartsOffset() const {
        const char c = Peek();
        return c == '+' || c == '-' || std::isdigit(static_cast<unsigned char>(c));
    }

    // Mm.w.d[/time]. The Julian forms name a day of the year, which no month/weekday rule
    // can carry, so they are refused.
    bool Date(TransitionRule& rule) {
        int month = 0, week = 0, weekday = 0;
        if (!Skip('M') || !Number(2, 12, month) || month < 1 || !Skip('.') || !Number(1, 5, week) ||
            week < 1 || !Skip('.') || !Number(1, 6, weekday))
            return false;
        int seconds = 2 * kSecondsPerHour;
        if (Skip('/') && !SignedTime(167, seconds))
            return false;

        // Times outside 0..23 h (e.g. "M3.5.0/-1", "M3.4.4/26") mean another day than the named
        // weekday. The monitor's rule form has no day offset, so the weekday moves instead and
        // the occurrence stays; in the odd year where that crosses a week boundary the change
        // lands a week off, which beats being a day wrong every year.
        const int64_t minutes = FloorDiv(seconds, 60);
        const int64_t days = FloorDiv(minutes, kMinutesPerDay);
        const int64_t inDay = minutes - days * kMinutesPerDay;
        rule.month = static_cast<uint16_t>(month);
        rule.day = static_cast<uint16_t>(week);
        rule.dayOfWeek = static_cast<uint16_t>(((weekday + days) % 7 + 7) % 7);
        rule.hour = static_cast<uint16_t>(inDay / 60);
        rule.minute = static_cast<uint16_t>(inDay % 60);
        return true;
    }

private:
    const std::string& m_text;
    size_t m_pos = 0;
};

uint32_t BigEndian32(const std::string& bytes, size_t at) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
}

// Returns the size of the data block that follows the header at `at`, or false when the header
// is not there. timeSize is 4 for the version 1 block and 8 for the later one.
bool TzifBlockSize(const std::string& bytes, size_t at, uint64_t timeSize, uint64_t& size) {
    if (bytes.size() < kTzifHeaderSize || at > bytes.size() - kTzifHeaderSize ||
        bytes.compare(at, 4, "TZif") != 0)
        return false;
    const uint64_t isUtCount = BigEndian32(bytes, at + 20);
    const uint64_t isStdCount = BigEndian32(bytes, at + 24);
    const uint64_t leapCount = BigEndian32(bytes, at + 28);
    const uint64_t timeCount = BigEndian32(bytes, at + 32);
    const uint64_t typeCount = BigEndian32(bytes, at + 36);
    const uint64_t charCount = BigEndian32(bytes, at + 40);
    // Counts are 32-bit, so none of this can overflow 64 bits.
    size = timeCount * (timeSize + 1) + typeCount * 6 + charCount + leapCount * (timeSize + 4) + isStdCount +
           isUtCount;
    return true;
}

bool ReadSmallFile(const std::string& path, std::string& contents) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    // Bounded, so that TZ naming a device or a huge file cannot stall us.
    contents.resize(static_cast<size_t>(kMaxTzifSize) + 1);
    in.read(contents.data(), kMaxTzifSize + 1);
    contents.resize(static_cast<size_t>(in.gcount()));
    return !in.bad() && static_cast<std::streamsize>(contents.size()) <= kMaxTzifSize;
}

bool RuleFromZoneFile(const std::string& path, std::string& rule) {
    std::string contents;
    return ReadSmallFile(path, contents) && PosixRuleFromTzif(contents, rule);
}

std::string ZoneFilePath(const std::string& name) {
    if (!name.empty() && name.front() == '/')
        return name;
    const char* dir = std::getenv("TZDIR");
    const std::string base = (dir != nullptr && *dir != '\0') ? dir : "/usr/share/zoneinfo";
    return base + "/" + name;
}

// Finds the zone's rule the way the C library does: TZ unset means /etc/localtime, ":name" is
// a file only, a bare name is a file first and a rule otherwise.
bool SystemZoneRule(std::string& rule) {
    const char* tz = std::getenv("TZ");
    if (tz == nullptr)
        return RuleFromZoneFile("/etc/localtime", rule);
    const std::string value = tz;
    if (value.empty()) {
        rule = "UTC0";
        return true;
    }
    if (value.front() == ':')
        return value.size() > 1 && RuleFromZoneFile(ZoneFilePath(value.substr(1)), rule);
    if (RuleFromZoneFile(ZoneFilePath(value), rule))
        return true;
    rule = value;
    return true;
}

// The wall-clock second of a yearly change: the given weekday's occurrence in the month, the
// fifth meaning the last.
int64_t ChangeWallSeconds(int year, const TransitionRule& rule) {
    const int64_t first = WallSeconds(LocalDateTime{year, rule.month, 1, 0, 0, 0});
    int day = 1 + (int(rule.dayOfWeek) - WallWeekday(first) + 7) % 7 + (int(rule.day) - 1) * 7;
    const int64_t nextMonth = WallSeconds(LocalDateTime{year, rule.month + 1, 1, 0, 0, 0});
    while (day > 1 && first + int64_t(day - 1) * kSecondsPerDay >= nextMonth)
        day -= 7;
    return first + int64_t(day - 1) * kSecondsPerDay + int64_t(rule.hour) * 3600 + int64_t(rule.minute) * 60;
}

} // namespace

bool ParsePosixZoneRule(const std::string& text, ZoneRules& out) {
    RuleReader reader(text);
    int stdOffset = 0;
    if (!reader.Name() || !reader.SignedTime(24, stdOffset))
        return false;

    ZoneRules rules;
    rules.biasMinutes = stdOffset / 60;
    if (reader.AtEnd()) {
        out = rules;
        return true;
    }

    if (!reader.Name())
        return false;
    int dstOffset = stdOffset - kSecondsPerHour;
    if (reader.StartsOffset() && !reader.SignedTime(24, dstOffset))
        return false;
    rules.daylightBiasMinutes = (dstOffset - stdOffset) / 60;

    if (reader.AtEnd()) {
        // A daylight name without dates: glibc falls back to the US rules, so do we.
        rules.daylightDate = TransitionRule{3, 0, 2, 2, 0};
        rules.standardDate = TransitionRule{11, 0, 1, 2, 0};
    } else if (!reader.Skip(',') || !reader.Date(rules.daylightDate) || !reader.Skip(',') ||
               !reader.Date(rules.standardDate) || !reader.AtEnd()) {
        return false;
    }
    if (rules.daylightBiasMinutes > 0) {
        rules.biasMinutes += rules.daylightBiasMinutes;
        rules.daylightBiasMinutes = -rules.daylightBiasMinutes;
        std::swap(rules.standardDate, rules.daylightDate);
    }
    out = rules;
    return true;
}

bool PosixRuleFromTzif(const std::string& contents, std::string& rule) {
    constexpr size_t kVersionAt = 4;
    uint64_t v1Size = 0;
    if (!TzifBlockSize(contents, 0, 4, v1Size) || contents[kVersionAt] < '2')
        return false;
    const uint64_t v2HeaderAt = kTzifHeaderSize + v1Size;
    uint64_t v2Size = 0;
    if (v2HeaderAt > contents.size() || !TzifBlockSize(contents, static_cast<size_t>(v2HeaderAt), 8, v2Size))
        return false;
    const uint64_t footerAt = v2HeaderAt + kTzifHeaderSize + v2Size;
    if (footerAt >= contents.size() || contents[static_cast<size_t>(footerAt)] != '\n')
        return false;
    const size_t ruleAt = static_cast<size_t>(footerAt) + 1;
    const size_t end = contents.find('\n', ruleAt);
    if (end == std::string::npos)
        return false;
    rule = contents.substr(ruleAt, end - ruleAt);
    return true;
}

int64_t TimeZoneSource::LocalToUtc(int64_t local, std::optional<int32_t> preferredOffset) const {
    // Offsets stay well within a day of UTC, so the offsets a day either side of the reading are
    // those before and after any change that could make it skipped or shown twice.
    const int32_t before = UtcOffsetSecondsAt(local - kSecondsPerDay);
    const int32_t after = UtcOffsetSecondsAt(local + kSecondsPerDay);
    const bool beforeFits = UtcToLocal(local - before) == local;
    const bool afterFits = UtcToLocal(local - after) == local;
    if (beforeFits && afterFits) {
        if (preferredOffset == after)
            return local - after;
        if (preferredOffset == before)
            return local - before;
        return local - std::max(before, after);
    }
    if (afterFits)
        return local - after;
    // Fits the offset before, or lies in a gap: either way that offset reads it.
    return local - before;
}

int32_t FixedTimeZone::UtcOffsetSecondsAt(int64_t utc) const {
    if (!m_followRules)
        return m_offsetSeconds;
    const int32_t standard = -m_rules.biasMinutes * 60;
    if (m_rules.daylightBiasMinutes == 0 || m_rules.standardDate.month == 0 ||
        m_rules.daylightDate.month == 0)
        return standard;
    const int32_t daylight = standard - m_rules.daylightBiasMinutes * 60;
    const int year = WallDateTime(utc + standard).year;
    // Each change is dated on the clock in force before it.
    const int64_t toDaylight = ChangeWallSeconds(year, m_rules.daylightDate) - standard;
    const int64_t toStandard = ChangeWallSeconds(year, m_rules.standardDate) - daylight;
    const bool inDaylight = toDaylight < toStandard ? utc >= toDaylight && utc < toStandard
                                                    : utc >= toDaylight || utc < toStandard; // south
    return inDaylight ? daylight : standard;
}

SystemTimeZone::SystemTimeZone() {
    // localtime_r does not look at TZ again by itself; this is the zone from now on.
    tzset();
    std::string rule;
    if (!SystemZoneRule(rule) || !ParsePosixZoneRule(rule, m_rules)) {
        // The C library still knows the standard offset; the monitor just gets no change dates.
        m_rules = ZoneRules{};
        m_rules.biasMinutes = static_cast<int32_t>(timezone / 60);
    }
}

int32_t SystemTimeZone::UtcOffsetSecondsAt(int64_t utcSeconds) const {
    const auto when = static_cast<std::time_t>(utcSeconds);
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &when) != 0)
        return 0;
#else
    if (localtime_r(&when, &local) == nullptr)
        return 0;
#endif
    // The wall clock's reading minus the instant is the offset actually in force; the zone's
    // standard offset and a daylight flag do not give it where "daylight" time is the earlier one.
    const LocalDateTime wall{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                             local.tm_hour,        local.tm_min,     local.tm_sec};
    return static_cast<int32_t>(WallSeconds(wall) - utcSeconds);
}

ZoneRules SystemTimeZone::Rules() const {
    return m_rules;
}

SystemTimeZone& SystemTimeZone::Instance() {
    static SystemTimeZone zone;
    return zone;
}

} // namespace orvo
