#include "platform/LocalTime.h"

#include <ctime>

#include "platform/TimeZoneSource.h"

namespace orvo {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Days since 1970-01-01 of a Gregorian date, month 1..12: the usual era arithmetic, with years
// counted from March so that the leap day comes last.
int64_t DaysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = FloorDiv(year, 400);
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::tm TmOf(int64_t wallSeconds) {
    const LocalDateTime t = WallDateTime(wallSeconds);
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_wday = WallWeekday(wallSeconds);
    tm.tm_yday = static_cast<int>(FloorDiv(wallSeconds, kSecondsPerDay) - DaysFromCivil(t.year, 1, 1));
    return tm;
}

std::string Format(int64_t wallSeconds, const char* format) {
    const std::tm tm = TmOf(wallSeconds);
    char buffer[256];
    const size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
    return std::string(buffer, n);
}

} // namespace

int64_t WallSeconds(const LocalDateTime& t) {
    const int64_t months = int64_t(t.year) * 12 + (t.month - 1);
    const int64_t year = FloorDiv(months, 12);
    const int month = static_cast<int>(months - year * 12) + 1;
    const int64_t days = DaysFromCivil(year, month, 1) + (t.day - 1);
    return days * kSecondsPerDay + int64_t(t.hour) * 3600 + int64_t(t.minute) * 60 + t.second;
}

LocalDateTime WallDateTime(int64_t wallSeconds) {
    const int64_t days = FloorDiv(wallSeconds, kSecondsPerDay);
    const int64_t inDay = wallSeconds - days * kSecondsPerDay;
    const int64_t z = days + 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    LocalDateTime t;
    t.year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    t.month = month;
    t.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    t.hour = static_cast<int>(inDay / 3600);
    t.minute = static_cast<int>(inDay / 60 % 60);
    t.second = static_cast<int>(inDay % 60);
    return t;
}

int WallWeekday(int64_t wallSeconds) {
    // 1 January 1970 was a Thursday.
    return static_cast<int>((FloorDiv(wallSeconds, kSecondsPerDay) % 7 + 11) % 7);
}

LocalDateTime ToLocalDateTime(int64_t utcSeconds, const TimeZoneSource& zone) {
    return WallDateTime(zone.UtcToLocal(utcSeconds));
}

int64_t FromLocalDateTime(const LocalDateTime& local, const TimeZoneSource& zone) {
    return zone.LocalToUtc(WallSeconds(local));
}

std::string FormatLocalTime(const TimeZoneSource& zone, int64_t utcSeconds, const char* format) {
    return Format(zone.UtcToLocal(utcSeconds), format);
}

std::string FormatUtcTime(int64_t utcSeconds, const char* format) {
    return Format(utcSeconds, format);
}

} // namespace orvo
