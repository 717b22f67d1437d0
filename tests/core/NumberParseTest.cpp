#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "platform/NumberParse.h"

using namespace orvo;

namespace {

struct DoubleCase {
    const char* text;
    bool ok;
    double value;
    size_t used;
};

void CheckDoubles() {
    const DoubleCase cases[] = {
        {"2.2", true, 2.2, 3}, {" 2.2", true, 2.2, 4},       {"2,2", true, 2.0, 1}, {"1e3", true, 1000.0, 3},
        {".5", true, 0.5, 2},  {"-1.5", true, -1.5, 4},      {"+7", true, 7.0, 2},  {"12abc", true, 12.0, 2},
        {"1e", true, 1.0, 1},  {"abc", false, 0, 0},         {"", false, 0, 0},     {"  ", false, 0, 0},
        {"-", false, 0, 0},    {"1e999", true, HUGE_VAL, 5},
    };
    for (const DoubleCase& c : cases) {
        size_t used = 99;
        const std::optional<double> value = ParseCDouble(c.text, &used);
        ASSERT_EQ(value.has_value(), c.ok) << c.text;
        if (!c.ok)
            continue;
        EXPECT_DOUBLE_EQ(*value, c.value) << c.text;
        EXPECT_EQ(used, c.used) << c.text;
    }
}

} // namespace

TEST(NumberParse, DoublesReadAsTheCLibraryReadsThem) {
    CheckDoubles();
}

// A desktop whose locale writes decimal commas must still read "2.2" as two point two.
TEST(NumberParse, DoublesIgnoreTheProcessLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    bool set = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name)) {
            set = true;
            break;
        }
    if (!set)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    CheckDoubles();
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(NumberParse, UnsignedLikePercentLu) {
    const uint64_t max = std::numeric_limits<uint64_t>::max();
    const struct {
        const char* text;
        bool ok;
        uint64_t value;
        size_t used;
    } cases[] = {
        {"42", true, 42, 2},
        {" 42 ", true, 42, 3},
        {"+7", true, 7, 2},
        {"-1", true, max, 2},
        {"4x", true, 4, 1},
        {"2.5", true, 2, 1},
        {"99999999999999999999999", true, max, 23},
        {"x", false, 0, 0},
        {"", false, 0, 0},
        {"-", false, 0, 0},
    };
    for (const auto& c : cases) {
        size_t used = 99;
        const std::optional<uint64_t> value = ParseCUnsigned(c.text, &used);
        ASSERT_EQ(value.has_value(), c.ok) << c.text;
        if (!c.ok)
            continue;
        EXPECT_EQ(*value, c.value) << c.text;
        EXPECT_EQ(used, c.used) << c.text;
    }
}

TEST(NumberParse, IntLikeAtoi) {
    EXPECT_EQ(ParseCInt("2"), 2);
    EXPECT_EQ(ParseCInt("2abc"), 2);
    EXPECT_EQ(ParseCInt(" -3"), -3);
    EXPECT_EQ(ParseCInt(""), 0);
    EXPECT_EQ(ParseCInt("abc"), 0);
    EXPECT_EQ(ParseCInt("99999999999"), std::numeric_limits<int>::max());
}

// A typed number is taken whole or not at all: "1,5" must never become 1.
TEST(NumberParse, WholeTextsOnly) {
    const struct {
        const char* text;
        std::optional<double> value;
    } doubles[] = {{"2.2", 2.2},       {" 1.5 ", 1.5},        {"-3", -3.0},
                   {"1e3", 1000.0},    {"1,5", std::nullopt}, {"12abc", std::nullopt},
                   {"", std::nullopt}, {"inf", std::nullopt}, {"1e999", std::nullopt}};
    for (const auto& c : doubles)
        EXPECT_EQ(ParseWholeDouble(c.text), c.value) << c.text;
    const struct {
        const char* text;
        std::optional<uint64_t> value;
    } unsigneds[] = {{"42", 42},
                     {" 7", 7},
                     {"4294967295", 4294967295u},
                     {"4294967296", std::nullopt},
                     {"+1", std::nullopt},
                     {"2.5", std::nullopt},
                     {"M123", std::nullopt},
                     {"", std::nullopt}};
    for (const auto& c : unsigneds)
        EXPECT_EQ(ParseWholeUnsigned(c.text, 4294967295u), c.value) << c.text;
}
