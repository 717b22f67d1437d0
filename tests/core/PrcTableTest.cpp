#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <limits>
#include <set>
#include <string>

#include "link/Protocol.h"
#include "model/PrcTable.h"
#include "platform/NumberParse.h"

namespace orvo {
namespace {

// Integer and float registers decode differently on the wire, so every type bit matters.
TEST(PrcTableDefinitions, EveryRegisterHasExactlyTheDocumentedTypeBit) {
    const std::set<int> integers = {1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,
                                    13,  14,  15,  96,  98,  100, 101, 102, 103, 106, 113, 135,
                                    136, 140, 142, 143, 145, 146, 147, 148, 149, 152, 153, 154,
                                    155, 165, 175, 176, 177, 178, 179, 180, 181, 182, 183};
    PrcTable table;
    for (int number = 0; number < PRC_COUNT; ++number) {
        SCOPED_TRACE(number);
        EXPECT_EQ(table.Type(number), integers.count(number) ? PRC_TYPE_INT : PRC_TYPE_FLOAT);
    }
    // Units are shown as UTF-8: a Latin-1 or plain-ASCII table must not pass.
    EXPECT_EQ(table.Unit(33), "\302\260C");
    EXPECT_EQ(table.Unit(110), "mg/m\302\263");
}

TEST(PrcTableRange, OutOfRangeNumbersGiveFallbacksAndSettersChangeNothing) {
    PrcTable table;
    table.SetValue(0, 6.5);
    for (int number : {-1, PRC_COUNT, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(FindPrcDefinition(number), nullptr);
        EXPECT_EQ(table.ShortName(number) + table.Description(number) + table.Unit(number) +
                      table.ValueText(number),
                  "******");

        table.SetValue(number, 42.0);
        table.SetLoggingInterval(number, 7);
        table.SetLogging(number, PrcLogging{LOG_MODE_DELTA, 9, 2.5f});
        EXPECT_EQ(table.Value(number), 0.0);
        EXPECT_EQ(table.LoggingInterval(number), 0u);
    }
    // The neighbours at both ends must not have been hit by a stray write.
    EXPECT_EQ(table.Value(0), 6.5);
    EXPECT_EQ(table.Value(183), 0.0);
    EXPECT_EQ(table.LoggingInterval(183), 0u);
}

// Frequency registers: six decimals whatever the type. Integer registers: no decimals, full 32-bit
// range. Other float registers: shortest of six significant digits.
TEST(PrcTableValueText, FormatsByRegister) {
    const struct {
        int number;
        double value;
        const char* text;
    } cases[] = {{104, 299.5, "299.500000"},
                 {156, 300.1234567, "300.123457"},
                 {96, 15000.0, "15000"},
                 {2, 4294967295.0, "4294967295"},
                 {72, 2.2, "2.2"},
                 {97, 300.123456, "300.123"},
                 {110, 1234567.0, "1.23457e+06"}};
    PrcTable table;
    for (const auto& c : cases) {
        table.SetValue(c.number, c.value);
        EXPECT_EQ(table.Value(c.number), c.value) << c.number;
        EXPECT_EQ(table.ValueText(c.number), c.text) << c.number;
    }
}

TEST(PrcTableSerial, KeepsTheRightmostSevenCharacters) {
    PrcTable table;
    EXPECT_EQ(table.SerialNumberText(), "");
    // 4294967295 is printed as int -1; 2147483648 is INT_MIN.
    const std::pair<uint32_t, const char*> cases[] = {
        {12345, "0012345"}, {12345678, "2345678"}, {4294967295u, "-000001"}, {2147483648u, "7483648"}};
    for (const auto& [serial, text] : cases) {
        table.SetSerialNumber(serial);
        EXPECT_EQ(table.SerialNumberText(), text) << serial;
    }
}

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

// A desktop whose locale writes decimal commas must still read "2.2" as two point two, and show and
// export register values with points.
TEST(NumberParse, DoublesReadAsTheCLibraryReadsThemWhateverTheLocale) {
    CheckDoubles();
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

} // namespace
} // namespace orvo
