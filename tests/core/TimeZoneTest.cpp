#include "platform/TimeZoneSource.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "download/DisplayTable.h"
#include "forms/MainStatusRules.h"
#include "forms/ShiftFormRules.h"
#include "model/PrcTable.h"
#include "platform/LocalTime.h"
#include "platform/TimeConversion.h"
#include "results/CardContent.h"
#include "results/ExportText.h"

namespace orvo {
namespace {

// The forms real zones use are pinned with those zones below; these are the odd ones.
TEST(PosixZoneRule, ReadsOffsetsAndChangeDates) {
    const std::pair<const char*, ZoneRules> cases[] = {
        {"<+0330>-3:30", {-210, 0, {}, {}}},
        // Half-hour daylight shift with an explicit daylight offset.
        {"<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", {-630, -30, {4, 0, 1, 2, 0}, {10, 0, 1, 2, 0}}},
        // Daylight name without dates: the C library's US default.
        {"EST5EDT", {300, -60, {11, 0, 1, 2, 0}, {3, 0, 2, 2, 0}}},
        // Times outside 0..23 h move the weekday: -1 h on Sunday is Saturday 23:00 ...
        {"<-02>2<-01>,M3.5.0/-1,M10.5.0/0", {120, -60, {10, 0, 5, 0, 0}, {3, 6, 5, 23, 0}}},
        // ... 26 h after Thursday starts is Friday 02:00, 50 h is Saturday 02:00 ...
        {"IST-2IDT,M3.4.4/26,M10.5.0", {-120, -60, {10, 0, 5, 2, 0}, {3, 5, 4, 2, 0}}},
        // ... and minutes survive a negative time.
        {"<-03>3<-02>,M3.2.0/-2:30,M11.1.0/1:15", {180, -60, {11, 0, 1, 1, 15}, {3, 6, 2, 21, 30}}},
    };
    for (const auto& [text, expected] : cases) {
        ZoneRules rules{1, 2, {1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}};
        EXPECT_TRUE(ParsePosixZoneRule(text, rules) && rules == expected) << text;
    }
}

TEST(PosixZoneRule, RefusesWhatMonthRulesCannotCarry) {
    const char* cases[] = {
        "",
        "EST",                        // no offset
        "ES5",                        // name too short
        "<+03-3",                     // unterminated quoted name
        "EST25",                      // offset beyond 24 h
        "EST5EDT,M3.2.0",             // one date only
        "EST5EDT,M13.1.0,M11.1.0",    // month
        "EST5EDT,M3.6.0,M11.1.0",     // occurrence
        "EST5EDT,M3.2.7,M11.1.0",     // weekday
        "EST5EDT,M3.2.0/168,M11.1.0", // time beyond 167 h
        "EST5EDT,M3.2.0,M11.1.0,",    // trailing text
        "EST5 EDT,M3.2.0,M11.1.0",    // stray space
        "America/New_York",           // a zone name is no rule
    };
    const ZoneRules untouched{7, 8, {1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}};
    for (const char* text : cases) {
        ZoneRules rules = untouched;
        EXPECT_FALSE(ParsePosixZoneRule(text, rules)) << text;
        EXPECT_EQ(rules, untouched) << text;
    }
}

// A minimal version 2 TZif file: one transition, one type, four bytes of names in each block.
std::string Header(char version, uint32_t timeCount, uint32_t typeCount, uint32_t charCount) {
    std::string h = "TZif";
    h += version;
    h += std::string(15, '\0');
    for (uint32_t n : {0u, 0u, 0u, timeCount, typeCount, charCount})
        h += {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
    return h;
}

std::string SmallTzif(char version = '2', const std::string& footer = "\nEST5EDT,M3.2.0,M11.1.0\n") {
    // v1 data: 1 time (4) + 1 index (1) + 1 type (6) + 4 chars = 15 bytes;
    // v2 data: 1 time (8) + 1 index (1) + 1 type (6) + 4 chars = 19 bytes.
    return Header(version, 1, 1, 4) + std::string(15, 'a') + Header(version, 1, 1, 4) + std::string(19, 'b') +
           footer;
}

TEST(TzifFooter, RefusesMalformedOrTruncatedFiles) {
    const std::string good = SmallTzif();
    std::string rule = "unchanged";
    for (size_t length = 0; length < good.size(); ++length)
        EXPECT_FALSE(PosixRuleFromTzif(good.substr(0, length), rule)) << length;

    // Version 1 has no footer; a bad first or second magic; huge counts; a footer without its
    // leading newline; garbage.
    const std::string cases[] = {SmallTzif('\0'),
                                 "X" + good.substr(1),
                                 good.substr(0, 59) + "X" + good.substr(60),
                                 good.substr(0, 32) + std::string(12, '\xff') + good.substr(44),
                                 SmallTzif('2', "EST5EDT,M3.2.0,M11.1.0\n"),
                                 "garbage that is long enough to hold a header, and then some more"};
    for (const auto& bytes : cases)
        EXPECT_FALSE(PosixRuleFromTzif(bytes, rule));
    EXPECT_EQ(rule, "unchanged");
}

// Pins TZ and TZDIR for one test and puts them back afterwards.
class SystemTimeZoneTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& [name, value] : m_saved)
            value ? setenv(name, value->c_str(), 1) : unsetenv(name);
        tzset();
    }
    static std::optional<std::string> Saved(const char* name) {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }
    // A zone name or rule. A zone missing from tzdata fails on its offsets.
    static void SetZone(const char* value) {
        setenv("TZ", value, 1);
        tzset();
    }

    // 15 January, 20 March and 15 July 2024, 12:00 UTC; 2024 from its first second.
    static constexpr std::array<int64_t, 3> kInstants = {1705320000, 1710936000, 1721044800};
    static constexpr int64_t kYearStart = 1704067200;
    const std::pair<const char*, std::optional<std::string>> m_saved[2] = {{"TZ", Saved("TZ")},
                                                                           {"TZDIR", Saved("TZDIR")}};
};

// What the monitor is told of each zone. Older firmware keeps the true wall-clock time of every
// instant (15 January, 20 March in Ramadan, 15 July 2024); newer firmware gets the registers, whose
// change dates must describe the same clock as the C library does wherever the zone has rules.
TEST_F(SystemTimeZoneTest, MonitorClockAndRegistersFollowTheZone) {
    struct Case {
        const char* tz;
        std::array<int32_t, 3> offsets; // at kInstants
        uint32_t bias, standardRule, daylightRule;
        bool rulesTellAll;
    };
    const Case cases[] = {
        {"Europe/Dublin", {0, 0, 3600}, 0x803C0000, 0xA0050200, 0x30050100, true},
        {"Europe/London", {0, 0, 3600}, 0x803C0000, 0xA0050200, 0x30050100, true},
        // A fixed rule; Ramadan lives only in the transition table.
        {"Africa/Casablanca", {3600, 0, 3600}, 0x0000803C, 0, 0, false},
        {"America/New_York", {-18000, -14400, -14400}, 0x803C012C, 0xB0010200, 0x30020200, true},
        {":America/New_York", {-18000, -14400, -14400}, 0x803C012C, 0xB0010200, 0x30020200, true},
        {"Australia/Sydney", {39600, 39600, 36000}, 0x803C8258, 0x40010300, 0xA0010200, true},
        {"Asia/Tokyo", {32400, 32400, 32400}, 0x0000821C, 0, 0, true},
        {"UTC", {0, 0, 0}, 0, 0, 0, true},
        {"CET-1CEST,M3.5.0,M10.5.0/3", {3600, 3600, 7200}, 0x803C803C, 0xA0050300, 0x30050200, true},
        // The C library understands Julian days; the registers cannot: the standard offset only.
        {"EST5EDT,J60,J300", {-18000, -14400, -14400}, 0x0000012C, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tz);
        SetZone(c.tz);
        const SystemTimeZone zone;
        for (size_t i = 0; i < kInstants.size(); ++i) {
            const auto utc = static_cast<uint32_t>(kInstants[i]);
            EXPECT_EQ(int64_t(UtcToMonitorLocal(utc, zone)) - utc, c.offsets[i]) << kInstants[i];
            EXPECT_EQ(MonitorLocalToUtc(utc + c.offsets[i], zone, utc), utc) << kInstants[i];
        }
        const ZoneRules rules = zone.Rules();
        EXPECT_EQ(PackZoneBias(rules.biasMinutes, rules.daylightBiasMinutes), c.bias);
        EXPECT_EQ(PackTransitionRule(rules.standardDate), c.standardRule);
        EXPECT_EQ(PackTransitionRule(rules.daylightDate), c.daylightRule);
        if (!c.rulesTellAll)
            continue;
        const FixedTimeZone fromRules(rules);
        for (int64_t t = kYearStart; t < kYearStart + 366 * 86400; t += 1800)
            ASSERT_EQ(fromRules.UtcOffsetSecondsAt(t), zone.UtcOffsetSecondsAt(t)) << t;
    }
}

// Readings the clocks skip are taken with the offset before the jump; readings they show twice
// are the earlier instant unless the preferred offset names the later one. The zone's own rules
// must place them as the C library does.
TEST_F(SystemTimeZoneTest, LocalTimesInGapsAndOverlaps) {
    struct Case {
        const char* tz;
        LocalDateTime local;
        std::optional<int32_t> preferred;
        int64_t utc;
    };
    const Case cases[] = {
        {"America/New_York", {2024, 3, 10, 2, 30, 0}, std::nullopt, 1710055800}, // 03:30 EDT
        {"America/New_York", {2024, 11, 3, 1, 30, 0}, std::nullopt, 1730611800}, // EDT
        {"America/New_York", {2024, 11, 3, 1, 30, 0}, -18000, 1730615400},       // EST
        {"Europe/Dublin", {2024, 3, 31, 1, 30, 0}, std::nullopt, 1711848600},
        {"Europe/Dublin", {2024, 10, 27, 1, 30, 0}, std::nullopt, 1729989000},
        {"Europe/Dublin", {2024, 10, 27, 1, 30, 0}, 0, 1729992600},
        {"Australia/Sydney", {2024, 10, 6, 2, 30, 0}, std::nullopt, 1728145800},
        {"Australia/Sydney", {2024, 4, 7, 2, 30, 0}, std::nullopt, 1712417400},
        {"Australia/Sydney", {2024, 4, 7, 2, 30, 0}, 36000, 1712421000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.tz) + " " + std::to_string(c.utc));
        SetZone(c.tz);
        const SystemTimeZone zone;
        const FixedTimeZone fromRules(zone.Rules());
        EXPECT_EQ(zone.LocalToUtc(WallSeconds(c.local), c.preferred), c.utc);
        EXPECT_EQ(fromRules.LocalToUtc(WallSeconds(c.local), c.preferred), c.utc);
    }
}

// The calendar against the C library's UTC one, a day and an hour at a time from 1901 to 2200:
// leap years, 2100 that is none, times before 1970; strftime gets every field it may use.
TEST(WallClock, CalendarMatchesTheCLibrary) {
    for (int64_t t = -2'177'000'000; t < 7'258'000'000; t += 86400 + 3607) {
        const auto when = static_cast<std::time_t>(t);
        std::tm tm{};
        ASSERT_NE(gmtime_r(&when, &tm), nullptr);
        char expected[64];
        std::strftime(expected, sizeof expected, "%Y-%m-%d %H:%M:%S %a %j", &tm);
        ASSERT_EQ(FormatUtcTime(t, "%Y-%m-%d %H:%M:%S %a %j"), expected);
        ASSERT_EQ(WallSeconds(WallDateTime(t)), t);
    }
    // Fields out of range carry over as mktime's do: 30 February 2023, 24:00 is 3 March.
    EXPECT_EQ(WallDateTime(WallSeconds({2023, 2, 30, 24, 0, 0})), (LocalDateTime{2023, 3, 3, 0, 0, 0}));
}

// Everything shown or written in local time follows the zone it is given, whatever TZ says.
TEST_F(SystemTimeZoneTest, LocalTimesFollowTheInjectedZoneNotTz) {
    SetZone("America/New_York");
    const FixedTimeZone kolkata(-330, false); // +05:30
    const uint32_t t = 1'700'000'000;         // 22:13:20 UTC, 03:43:20 next day in Kolkata

    const PrcTable registers;
    const DisplayTable table = DisplayTable::Build(
        {"1700000000,0", "1700000000,1,3,1700000000", "1700000060,1,3,1700000000", "1700000100,0"}, registers,
        kolkata, 60);
    ASSERT_FALSE(table.rows.empty());
    EXPECT_EQ(table.rows[0].values, std::vector<std::string>{"03:43:20 11/15/2023"});

    std::string exported;
    AppendLocalTime(exported, t, kolkata);
    EXPECT_EQ(exported, "03:43:20 11/15/2023");
    EXPECT_EQ(ShiftClockText(t, kolkata), "11/15/2023, 03:43:20");
    EXPECT_EQ(ShiftTimeText(t, true, kolkata), "11/15/2023, 03:43");
    EXPECT_EQ(CardDateText(t, kolkata), "Wednesday, November 15, 2023, 03:43:20");
    EXPECT_EQ(FromLocalDateTime({2023, 11, 15, 3, 43, 20}, kolkata), t);
}

// Real zones are read above; this one is a version 3 file whose data blocks hold newlines, which
// only the header counts get past.
TEST_F(SystemTimeZoneTest, LooksZonesUpUnderTzdir) {
    const auto dir = std::filesystem::temp_directory_path() / ("orvo-tzdir-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "Test");
    std::string bytes = SmallTzif('3', "\nIST-2IDT,M3.4.4/26,M10.5.0\n");
    bytes[44 + 3] = bytes[44 + 15 + 44 + 5] = '\n';
    std::ofstream(dir / "Test" / "Zone", std::ios::binary) << bytes;
    setenv("TZDIR", dir.c_str(), 1);
    SetZone("Test/Zone");
    const ZoneRules rules = SystemTimeZone().Rules();
    std::filesystem::remove_all(dir);
    EXPECT_EQ(rules, (ZoneRules{-120, -60, {10, 0, 5, 2, 0}, {3, 5, 4, 2, 0}}));
}

} // namespace
} // namespace orvo
