#include "CliParse.h"

#include <ctime>

#include "model/PrcTable.h"
#include "platform/NumberParse.h"

namespace orvo {

namespace {

bool AllDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// A fixed-width group of digits.
bool TakeDigits(std::string_view text, size_t at, size_t width, int& out) {
    if (at + width > text.size() || !AllDigits(text.substr(at, width)))
        return false;
    out = int(*ParseWholeUnsigned(text.substr(at, width), 9999));
    return true;
}

} // namespace

std::optional<int> ParseRegisterNumber(std::string_view text) {
    const std::optional<uint64_t> number = ParseUnsigned(text, PRC_COUNT - 1);
    if (!number)
        return std::nullopt;
    return static_cast<int>(*number);
}

std::optional<double> ParseDecimal(std::string_view text) {
    return ParseWholeDouble(text);
}

std::optional<uint64_t> ParseUnsigned(std::string_view text, uint64_t maximum) {
    return ParseWholeUnsigned(text, maximum);
}

std::optional<uint32_t> ParseDuration(std::string_view text) {
    uint64_t seconds = 0;
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        const std::optional<uint64_t> minutes = ParseUnsigned(text, UINT32_MAX / 60);
        if (!minutes)
            return std::nullopt;
        seconds = *minutes * 60;
    } else {
        const std::optional<uint64_t> hours = ParseUnsigned(text.substr(0, colon), UINT32_MAX / 3600);
        const std::string_view minuteText = text.substr(colon + 1);
        const std::optional<uint64_t> minutes = ParseUnsigned(minuteText, 59);
        if (!hours || !minutes || minuteText.size() != 2)
            return std::nullopt;
        seconds = *hours * 3600 + *minutes * 60;
    }
    if (seconds == 0 || seconds > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(seconds);
}

std::optional<StartTime> ParseStartTime(std::string_view text) {
    constexpr std::string_view kNow = "now+";
    if (text.substr(0, kNow.size()) == kNow) {
        const std::optional<uint64_t> minutes = ParseUnsigned(text.substr(kNow.size()), 60 * 24 * 366);
        if (!minutes)
            return std::nullopt;
        return StartTime{true, int64_t(*minutes) * 60};
    }
    if (AllDigits(text)) {
        const std::optional<uint64_t> seconds = ParseUnsigned(text, UINT32_MAX);
        if (!seconds)
            return std::nullopt;
        return StartTime{false, int64_t(*seconds)};
    }
    // "YYYY-MM-DD HH:MM" on the computer's clock.
    int year, month, day, hour, minute;
    if (text.size() != 16 || !TakeDigits(text, 0, 4, year) || text[4] != '-' ||
        !TakeDigits(text, 5, 2, month) || text[7] != '-' || !TakeDigits(text, 8, 2, day) || text[10] != ' ' ||
        !TakeDigits(text, 11, 2, hour) || text[13] != ':' || !TakeDigits(text, 14, 2, minute))
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_isdst = -1;
    const std::time_t utc = std::mktime(&tm);
    // mktime normalises: 30 February, 25:00 or an hour skipped by the change to daylight time
    // come back as another date, which is not what was asked for.
    if (utc == std::time_t(-1) || tm.tm_year != year - 1900 || tm.tm_mon != month - 1 || tm.tm_mday != day ||
        tm.tm_hour != hour || tm.tm_min != minute || utc <= 0 || utc > std::time_t(UINT32_MAX))
        return std::nullopt;
    return StartTime{false, int64_t(utc)};
}

uint32_t ResolveStartTime(const StartTime& start, int64_t nowUtcSeconds) {
    const int64_t utc = start.fromNow ? nowUtcSeconds + start.seconds : start.seconds;
    return static_cast<uint32_t>(utc);
}

std::string LocalTimeText(int64_t utcSeconds, const char* format) {
    const std::time_t t = static_cast<std::time_t>(utcSeconds);
    std::tm tm{};
    char text[64];
    if (!localtime_r(&t, &tm) || std::strftime(text, sizeof text, format, &tm) == 0)
        return "--/--/---- --:--:--";
    return text;
}

} // namespace orvo
