#include "CliParse.h"

#include "model/PrcTable.h"
#include "platform/LocalTime.h"
#include "platform/NumberParse.h"
#include "platform/TimeZoneSource.h"

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

std::optional<StartTime> ParseStartTime(std::string_view text, const TimeZoneSource& zone) {
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
    const LocalDateTime typed{year, month, day, hour, minute, 0};
    const int64_t wall = WallSeconds(typed);
    const int64_t utc = FromLocalDateTime(typed, zone);
    // 30 February, 25:00 or a time the clocks skip when they go forward would come back as
    // another reading, which is not what was asked for.
    if (WallDateTime(wall) != typed || zone.UtcToLocal(utc) != wall || utc <= 0 || utc > int64_t(UINT32_MAX))
        return std::nullopt;
    return StartTime{false, utc};
}

uint32_t ResolveStartTime(const StartTime& start, int64_t nowUtcSeconds) {
    const int64_t utc = start.fromNow ? nowUtcSeconds + start.seconds : start.seconds;
    return static_cast<uint32_t>(utc);
}

} // namespace orvo
