#include "platform/TimeZoneSource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>
#include <utility>

namespace orvo {
namespace {

struct RuleCase {
    const char* text;
    ZoneRules expected;
};

TEST(PosixZoneRule, ReadsOffsetsAndChangeDates) {
    const RuleCase cases[] = {
        {"EST5EDT,M3.2.0,M11.1.0", {300, -60, {11, 0, 1, 2, 0}, {3, 0, 2, 2, 0}}},
        {"CET-1CEST,M3.5.0,M10.5.0/3", {-60, -60, {10, 0, 5, 3, 0}, {3, 0, 5, 2, 0}}},
        {"AEST-10AEDT,M10.1.0,M4.1.0/3", {-600, -60, {4, 0, 1, 3, 0}, {10, 0, 1, 2, 0}}},
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ZoneRules rules{1, 2, {1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}};
        ASSERT_TRUE(ParsePosixZoneRule(c.text, rules));
        EXPECT_EQ(rules, c.expected);
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
        "EST5EDT,J60,J300",           // Julian, no leap days
        "EST5EDT,M13.1.0,M11.1.0",    // month
        "EST5EDT,M3.6.0,M11.1.0",     // occurrence
        "EST5EDT,M3.2.7,M11.1.0",     // weekday
        "EST5EDT,M3.2.0/168,M11.1.0", // time beyond 167 h
        "EST5EDT,M3.2.0,M11.1.0,",    // trailing text
        "EST5 EDT,M3.2.0,M11.1.0",    // stray space
        "America/New_York",           // a zone name is no rule
    };
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        const ZoneRules untouched{7, 8, {1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}};
        ZoneRules rules = untouched;
        EXPECT_FALSE(ParsePosixZoneRule(text, rules));
        EXPECT_EQ(rules, untouched);
    }
}

// A minimal version 2 TZif file: one transition, one type, four bytes of names in each block.
std::string Header(char version, uint32_t timeCount, uint32_t typeCount, uint32_t charCount) {
    std::string h = "TZif";
    h += version;
    h += std::string(15, '\0');
    const uint32_t counts[6] = {0, 0, 0, timeCount, typeCount, charCount};
    for (uint32_t n : counts) {
        h += static_cast<char>(n >> 24);
        h += static_cast<char>(n >> 16);
        h += static_cast<char>(n >> 8);
        h += static_cast<char>(n);
    }
    return h;
}

std::string SmallTzif(char version = '2', const std::string& footer = "\nEST5EDT,M3.2.0,M11.1.0\n") {
    // v1 data: 1 time (4) + 1 index (1) + 1 type (6) + 4 chars = 15 bytes;
    // v2 data: 1 time (8) + 1 index (1) + 1 type (6) + 4 chars = 19 bytes.
    return Header(version, 1, 1, 4) + std::string(15, 'a') + Header(version, 1, 1, 4) + std::string(19, 'b') +
           footer;
}

TEST(TzifFooter, ReadsTheRuleOfAWellFormedFile) {
    std::string rule;
    ASSERT_TRUE(PosixRuleFromTzif(SmallTzif(), rule));
    EXPECT_EQ(rule, "EST5EDT,M3.2.0,M11.1.0");
    ASSERT_TRUE(PosixRuleFromTzif(SmallTzif('3'), rule));
    EXPECT_EQ(rule, "EST5EDT,M3.2.0,M11.1.0");
    // The data blocks may themselves hold newlines; only the header counts locate the footer.
    std::string withNewlines = SmallTzif();
    withNewlines[44 + 3] = '\n';
    withNewlines[44 + 15 + 44 + 5] = '\n';
    ASSERT_TRUE(PosixRuleFromTzif(withNewlines, rule));
    EXPECT_EQ(rule, "EST5EDT,M3.2.0,M11.1.0");
}

TEST(TzifFooter, RefusesMalformedOrTruncatedFiles) {
    const std::string good = SmallTzif();
    std::string rule = "unchanged";
    for (size_t length = 0; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        EXPECT_FALSE(PosixRuleFromTzif(good.substr(0, length), rule));
    }

    std::string badMagic = good;
    badMagic[0] = 'X';
    std::string badSecondMagic = good;
    badSecondMagic[44 + 15] = 'X';
    std::string hugeCounts = good;
    for (size_t i = 32; i < 44; ++i)
        hugeCounts[i] = '\xff';
    const std::string cases[] = {
        SmallTzif('\0'), // version 1 has no footer
        badMagic,
        badSecondMagic,
        hugeCounts,
        SmallTzif('2', "EST5EDT,M3.2.0,M11.1.0\n"), // footer without its leading newline
        std::string("garbage that is long enough to hold a header, and then some more"),
    };
    for (const auto& bytes : cases)
        EXPECT_FALSE(PosixRuleFromTzif(bytes, rule));
    EXPECT_EQ(rule, "unchanged");
}

// Pins TZ (and TZDIR) for one test and puts them back afterwards.
class SystemTimeZoneTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& [name, value] : m_saved) {
            if (value)
                setenv(name, value->c_str(), 1);
            else
                unsetenv(name);
        }
        tzset();
    }

    static void SetZone(const char* value) {
        if (value == nullptr)
            unsetenv("TZ");
        else
            setenv("TZ", value, 1);
        tzset();
    }

    static bool HaveZone(const char* name) {
        return std::filesystem::exists(std::string("/usr/share/zoneinfo/") + name);
    }

    // 15 January and 15 July 2024, 12:00 UTC.
    static constexpr int64_t kJanuary = 1705320000;
    static constexpr int64_t kJuly = 1721044800;

private:
    static std::optional<std::string> Saved(const char* name) {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }
    const std::pair<const char*, std::optional<std::string>> m_saved[2] = {{"TZ", Saved("TZ")},
                                                                           {"TZDIR", Saved("TZDIR")}};
};

TEST_F(SystemTimeZoneTest, FollowsNamedZones) {
    struct Case {
        const char* tz;
        int32_t offset;
        bool daylightInJanuary;
        bool daylightInJuly;
        ZoneRules rules;
    };
    const Case cases[] = {
        {"America/New_York", 300, false, true, {300, -60, {11, 0, 1, 2, 0}, {3, 0, 2, 2, 0}}},
        {":America/New_York", 300, false, true, {300, -60, {11, 0, 1, 2, 0}, {3, 0, 2, 2, 0}}},
        {"Australia/Sydney", -600, true, false, {-600, -60, {4, 0, 1, 3, 0}, {10, 0, 1, 2, 0}}},
        {"UTC", 0, false, false, {}},
        {"CET-1CEST,M3.5.0,M10.5.0/3", -60, false, true, {-60, -60, {10, 0, 5, 3, 0}, {3, 0, 5, 2, 0}}},
        // The C library understands Julian days; the monitor's rule form does not: the offset stays.
        {"EST5EDT,J60,J300", 300, false, true, {300, 0, {}, {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tz);
        if (std::strchr(c.tz, '/') && !std::strchr(c.tz, ',') &&
            !HaveZone(c.tz[0] == ':' ? c.tz + 1 : c.tz)) {
            ADD_FAILURE() << "tzdata is missing " << c.tz;
            continue;
        }
        SetZone(c.tz);
        SystemTimeZone zone;
        EXPECT_EQ(zone.OffsetMinutesWest(), c.offset);
        EXPECT_EQ(zone.DaylightAt(kJanuary), c.daylightInJanuary);
        EXPECT_EQ(zone.DaylightAt(kJuly), c.daylightInJuly);
        EXPECT_EQ(zone.Rules(), c.rules);
    }
}

TEST_F(SystemTimeZoneTest, LooksZonesUpUnderTzdir) {
    const auto dir = std::filesystem::temp_directory_path() / ("orvo-tzdir-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "Test");
    {
        std::ofstream out(dir / "Test" / "Zone", std::ios::binary);
        out << SmallTzif('2', "\nIST-2IDT,M3.4.4/26,M10.5.0\n");
    }
    setenv("TZDIR", dir.c_str(), 1);
    SetZone("Test/Zone");
    const ZoneRules rules = SystemTimeZone().Rules();
    std::filesystem::remove_all(dir);
    EXPECT_EQ(rules, (ZoneRules{-120, -60, {10, 0, 5, 2, 0}, {3, 5, 4, 2, 0}}));
}

TEST_F(SystemTimeZoneTest, UnsetTzUsesTheMachineZone) {
    SetZone(nullptr);
    SystemTimeZone zone;
    EXPECT_EQ(zone.Rules().biasMinutes, zone.OffsetMinutesWest());
}

} // namespace
} // namespace orvo
