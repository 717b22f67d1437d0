#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "model/PrcTable.h"
#include "platform/NumberParse.h"

using namespace orvo;

namespace {

template <class T> struct ParseCase {
    const char* text;
    std::optional<T> value;
    size_t used;
};

template <class T, size_t N, class Parse> void Check(const ParseCase<T> (&cases)[N], Parse parse) {
    for (const ParseCase<T>& c : cases) {
        size_t used = 99;
        EXPECT_EQ(parse(c.text, &used), c.value) << c.text;
        EXPECT_EQ(c.value ? used : 0, c.used) << c.text;
    }
}

void CheckDoubles() {
    const ParseCase<double> cases[] = {
        {"2.2", 2.2, 3},   {" 2.2", 2.2, 4}, {"2,2", 2.0, 1},    {"1e3", 1000.0, 3},    {".5", 0.5, 2},
        {"-1.5", -1.5, 4}, {"+7", 7.0, 2},   {"12abc", 12.0, 2}, {"1e", 1.0, 1},        {"abc", {}, 0},
        {"", {}, 0},       {"  ", {}, 0},    {"-", {}, 0},       {"1e999", HUGE_VAL, 5}};
    Check(cases, [](const char* t, size_t* used) { return ParseCDouble(t, used); });
}

} // namespace

TEST(NumberParse, DoublesReadAsTheCLibraryReadsThem) {
    CheckDoubles();
}

// A desktop whose locale writes decimal commas must still read "2.2" as two point two, and show and
// export register values with points.
TEST(NumberParse, DoublesIgnoreTheProcessLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    bool set = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8"})
        if (!set && std::setlocale(LC_NUMERIC, name))
            set = true;
    if (!set)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    CheckDoubles();
    PrcTable table;
    table.SetValue(104, 299.5);
    table.SetValue(110, 1234567.0);
    const std::string texts = table.ValueText(104) + " " + table.ValueText(72) + " " + table.ValueText(110);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(texts, "299.500000 2.2 1.23457e+06");
}

TEST(NumberParse, UnsignedLikePercentLuAndIntLikeAtoi) {
    const uint64_t max = std::numeric_limits<uint64_t>::max();
    const ParseCase<uint64_t> cases[] = {{"42", 42, 2},
                                         {" 42 ", 42, 3},
                                         {"+7", 7, 2},
                                         {"-1", max, 2},
                                         {"4x", 4, 1},
                                         {"2.5", 2, 1},
                                         {"99999999999999999999999", max, 23},
                                         {"x", {}, 0},
                                         {"", {}, 0},
                                         {"-", {}, 0}};
    Check(cases, [](const char* t, size_t* used) { return ParseCUnsigned(t, used); });
    const std::pair<const char*, int> ints[] = {
        {"2", 2}, {"2abc", 2}, {" -3", -3},
        {"", 0},  {"abc", 0},  {"99999999999", std::numeric_limits<int>::max()}};
    for (const auto& [text, value] : ints)
        EXPECT_EQ(ParseCInt(text), value) << text;
}

// A typed number is taken whole or not at all: "1,5" must never become 1.
TEST(NumberParse, WholeTextsOnly) {
    const std::pair<const char*, std::optional<double>> doubles[] = {
        {"2.2", 2.2},  {" 1.5 ", 1.5}, {"-3", -3.0}, {"1e3", 1000.0}, {"1,5", {}},
        {"12abc", {}}, {"", {}},       {"inf", {}},  {"1e999", {}}};
    for (const auto& [text, value] : doubles)
        EXPECT_EQ(ParseWholeDouble(text), value) << text;
    const std::pair<const char*, std::optional<uint64_t>> unsigneds[] = {
        {"42", 42},   {" 7", 7}, {"4294967295", 4294967295u}, {"4294967296", {}}, {"+1", {}}, {"2.5", {}},
        {"M123", {}}, {"", {}}};
    for (const auto& [text, value] : unsigneds)
        EXPECT_EQ(ParseWholeUnsigned(text, 4294967295u), value) << text;
}
