#include "model/PrcTable.h"
#include "link/Protocol.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>

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
                 {171, 5.0, "5"},
                 {110, 1234567.0, "1.23457e+06"},
                 {26, 0.00001, "1e-05"},
                 {76, -0.122, "-0.122"}};
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
    const std::pair<uint32_t, const char*> cases[] = {{12345, "0012345"},
                                                      {12345678, "2345678"},
                                                      {0, "0000000"},
                                                      {4294967295u, "-000001"},
                                                      {2147483648u, "7483648"}};
    for (const auto& [serial, text] : cases) {
        table.SetSerialNumber(serial);
        EXPECT_EQ(table.SerialNumberText(), text) << serial;
    }
}

} // namespace
} // namespace orvo
