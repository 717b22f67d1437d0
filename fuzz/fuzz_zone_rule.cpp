// The computer's time-zone rule as the monitor gets it: the footer of a zone file (TZif) or a
// POSIX rule text from TZ. Both come from outside the program; a rule that is accepted must fit
// the monitor's registers: bias within a day, change dates as month 1..12, occurrence 1..5,
// weekday 0..6 and a time of day.
//
// Input: byte 0 bit 0 set: the rest is a zone file, whose footer rule is then read as well;
// clear: the rest is the rule text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "platform/TimeZoneSource.h"

using namespace orvo;
using orvo::fuzz::Require;

namespace {

void RequireFits(const TransitionRule& date) {
    Require(date.month >= 1 && date.month <= 12 && date.day >= 1 && date.day <= 5 && date.dayOfWeek <= 6 &&
            date.hour <= 23 && date.minute <= 59);
}

void CheckRule(const std::string& text) {
    ZoneRules rules;
    if (!ParsePosixZoneRule(text, rules))
        return;
    constexpr int32_t kDayMinutes = 25 * 60; // 24:59:59 at most
    Require(std::abs(rules.biasMinutes) < kDayMinutes &&
            std::abs(rules.daylightBiasMinutes) < 2 * kDayMinutes);
    if (rules.daylightBiasMinutes == 0 && rules.daylightDate.month == 0)
        return; // no daylight saving time
    RequireFits(rules.daylightDate);
    RequireFits(rules.standardDate);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1) {
        std::string rule;
        if (PosixRuleFromTzif(bytes, rule)) {
            Require(rule.find('\n') == std::string::npos);
            CheckRule(rule);
        }
    } else {
        CheckRule(bytes);
    }
    return 0;
}
